// What a print takes from the window that asks for it: the preview's place and the margin; and
// Qt's own print and file dialogs speaking Vietnamese.
#include "app.h"
#include "printing.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QWidget>

using namespace korvane;

TEST(Printing, ThePreviewIsPlacedFromTheWindowAndTheMarginReadInMillimetres)
{
    QWidget window;
    window.setGeometry(100, 50, 800, 600);  // in twips 1500, 750, 12000 and 9000
    EXPECT_EQ(PreviewRect(&window), QRect(105, 53, 720, 540));
    window.setGeometry(0, 0, 300, 200);  // a small dialog: the report places its preview itself
    EXPECT_EQ(PreviewRect(&window), QRect());
    EXPECT_EQ(MarginTwips(QStringLiteral("10")), 576);
    EXPECT_EQ(MarginTwips(QStringLiteral(" 25 ")), 1440);
    for (const char* refused : {"0", "30", "45", "-3", "mười", ""}) EXPECT_EQ(MarginTwips(QLatin1String(refused)), -1) << refused;
}

TEST(Printing, QtsOwnDialogsAndButtonsSpeakVietnamese)
{
    ASSERT_TRUE(InstallQtTranslation());
    EXPECT_TRUE(InstallQtTranslation());  // once is enough; again changes nothing
    auto tr = [](const char* context, const char* source) { return QCoreApplication::translate(context, source); };
    EXPECT_EQ(tr("QFileDialog", "Look in:"), QStringLiteral("Tìm trong:"));
    EXPECT_EQ(tr("QFileSystemModel", "Date Modified"), QStringLiteral("Ngày sửa"));
    EXPECT_EQ(tr("QPrintPreviewDialog", "Next page"), QStringLiteral("Trang sau"));
    EXPECT_EQ(tr("QPageSetupWidget", "Orientation"), QStringLiteral("Hướng giấy"));
    EXPECT_EQ(tr("QPrintDialog", "Print to File (PDF)"), QStringLiteral("In ra file (PDF)"));
    EXPECT_EQ(tr("QMessageBox", "Show Details..."), QStringLiteral("Xem chi tiết..."));
    // What the real widgets show, as Qt itself looks the texts up.
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes | QDialogButtonBox::No);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Huỷ bỏ"));
    EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text(), QStringLiteral("&Có"));
    EXPECT_EQ(buttons.button(QDialogButtonBox::No)->text(), QStringLiteral("&Không"));
    QPrinter printer;
    QPrintPreviewDialog preview(&printer);
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("Xem trước khi in"));
    QFileDialog files(nullptr, QStringLiteral("Chọn file"));
    files.setOption(QFileDialog::DontUseNativeDialog);  // the widget dialog of Qt, whose texts are ours
    const QLabel* lookIn = files.findChild<QLabel*>(QStringLiteral("lookInLabel"));
    ASSERT_TRUE(lookIn);
    EXPECT_EQ(lookIn->text(), QStringLiteral("Tìm trong:"));
}
