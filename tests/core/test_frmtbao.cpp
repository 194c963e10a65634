// The message dialog: modes, its growth to fit the message, Ctrl+End, and closing.
#include "app.h"
#include "frmtbao.h"
#include "scriptedmodal.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

using korvane::frmtbao;

class MessageDialog : public ::testing::Test {
protected:
    testing_support::ScriptedModal modal;
    korvane::App app{modal};
};

TEST_F(MessageDialog, OneLineKeepsTheFirstSizeWithTheTextCentredAboveTheButtons)
{
    app.MsgText = QStringLiteral("Đã ghi xong.");
    app.MsgMode = QStringLiteral("ok");
    frmtbao dialog(app);
    EXPECT_DOUBLE_EQ(dialog.dialogWidthTwips(), 5355);
    EXPECT_DOUBLE_EQ(dialog.dialogHeightTwips(), 2760);
    EXPECT_EQ(dialog.width(), qRound(5355 / 15.0));
    EXPECT_EQ(dialog.height(), qRound(2760 / 15.0));
    const double labelHeight = dialog.Label1->height() * 15.0;
    EXPECT_NEAR(dialog.labelTopTwips(), (2250 - 200 - labelHeight) / 2, 15);
    EXPECT_EQ(dialog.Label1->text(), app.MsgText);
}

TEST_F(MessageDialog, ALongerMessageGrowsTheDialogInProportion)
{
    app.MsgMode = QStringLiteral("ok");
    // Enough lines to outgrow the first size but fit the second.
    const int line = QLabel().fontMetrics().lineSpacing();
    int lines = 1;
    while (lines * line < 2050 / 15.0 + 1) ++lines;
    if (lines * line >= 2500 / 15.0 - 1) GTEST_SKIP() << "the font's lines do not allow exactly one enlargement";
    QStringList text;
    for (int k = 0; k < lines; ++k) text.append(QStringLiteral("Dòng %1").arg(k + 1));
    app.MsgText = text.join(QLatin1Char('\r'));
    frmtbao dialog(app);
    EXPECT_DOUBLE_EQ(dialog.dialogHeightTwips(), 3312);
    EXPECT_DOUBLE_EQ(dialog.dialogWidthTwips(), 5890.5);
    EXPECT_DOUBLE_EQ(dialog.buttonTopTwips(), 2700);
    EXPECT_EQ(dialog.cmdok->y(), 180);
}

TEST_F(MessageDialog, AnEndlessMessageStopsGrowingAtSixTenthsOfTheScreen)
{
    app.MsgMode = QStringLiteral("ok");
    app.MsgText = QStringLiteral("Một dòng rất dài của thông báo. ").repeated(400);
    frmtbao dialog(app);
    const double screen = QGuiApplication::primaryScreen()->geometry().height() * 15.0;
    EXPECT_GE(dialog.dialogHeightTwips(), 0.6 * screen);
    EXPECT_LT(dialog.dialogHeightTwips(), 0.6 * screen + 2760 * 0.2 + 1);
}

TEST_F(MessageDialog, ModesShowTheirButtonsAndAnswer)
{
    app.MsgText = QStringLiteral("Có muốn ghi không?");
    app.MsgMode = QStringLiteral("YesNo");
    {
        frmtbao dialog(app);
        dialog.show();
        EXPECT_TRUE(dialog.cmdyes->isVisible());
        EXPECT_TRUE(dialog.cmdno->isVisible());
        EXPECT_FALSE(dialog.cmdok->isVisible());
        QTest::mouseClick(dialog.cmdno, Qt::LeftButton);
        EXPECT_EQ(app.MsgResult, QStringLiteral("no"));
        EXPECT_FALSE(dialog.isVisible());
    }
    app.MsgMode = QStringLiteral("ok");
    {
        frmtbao dialog(app);
        dialog.show();
        EXPECT_FALSE(dialog.cmdyes->isVisible());
        EXPECT_FALSE(dialog.cmdno->isVisible());
        QTest::keyClick(&dialog, Qt::Key_Return);  // OK is the default button
        EXPECT_EQ(app.MsgResult, QStringLiteral("ok"));
    }
    // Closed by the window frame or by Esc: no answer, whatever the question before was answered.
    app.MsgMode = QStringLiteral("yesno");
    {
        frmtbao dialog(app);
        dialog.show();
        dialog.close();
        EXPECT_EQ(app.MsgResult, QString());
        EXPECT_EQ(app.MsgText, QStringLiteral("Có muốn ghi không?"));
    }
    app.MsgResult = QStringLiteral("yes");
    frmtbao dialog(app);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(app.MsgResult, QString());
}

TEST_F(MessageDialog, CtrlEndShowsTheLastFailureOnlyInOkMode)
{
    app.RecordFailure(3024, QStringLiteral("Không tìm thấy tệp"));
    app.MsgText = QStringLiteral("Gặp lỗi khi đang mở file.");
    app.MsgMode = QStringLiteral("ok");
    frmtbao dialog(app);
    dialog.show();
    QTest::keyRelease(&dialog, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("Lỗi  3024 (Không tìm thấy tệp)."));
    EXPECT_DOUBLE_EQ(dialog.labelTopTwips(), 850);
    QTest::keyRelease(&dialog, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);  // not Ctrl alone
    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("Lỗi  3024 (Không tìm thấy tệp)."));
    QTest::keyRelease(&dialog, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("Gặp lỗi khi đang mở file."));
    EXPECT_EQ(app.MsgText, QStringLiteral("Gặp lỗi khi đang mở file."));

    app.MsgMode = QStringLiteral("yesno");
    frmtbao question(app);
    question.show();
    QTest::keyRelease(&question, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(question.Label1->text(), QStringLiteral("Gặp lỗi khi đang mở file."));
}
