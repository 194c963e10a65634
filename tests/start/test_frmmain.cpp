// The main window: the button pattern, the administrator rule, menus, the week, help and closing.
#include "app.h"
#include "frmmain.h"
#include "windowplaces.h"
#include "scriptedmodal.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

using namespace korvane;

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir(folder.root()).mkpath(QStringLiteral("data"));
        app.AppFolder = folder.root();
        app.DocFile = folder.copyTemplate(QStringLiteral("data/zeltcv.MDB"));
        app.PlanFile = folder.path(QStringLiteral("data/zeltlich.MDB"));  // missing
        app.BackupFile = QStringLiteral(" ");
        app.WorkYear = QStringLiteral("2026");
        app.SetYearTables();
        app.UserRights = QStringLiteral("CB");
        for (const char* name : {"cmdnapcvden", "mnunapdonvi", "mnunapnoigui", "chooser", "mnunguoidung", "mnuchonnamlamviec"})
            app.Openers[QLatin1String(name)] = [this, name](App& a) { opened.append(QLatin1String(name) + QLatin1Char(':') + a.FormMode + a.ChooserMode); };
    }

    testing_support::TempFolder folder;
    testing_support::ScriptedModal modal;
    App app{modal};
    frmMain main{app};
    QStringList opened;
};

TEST_F(MainWindow, ButtonsCheckTheirDataFileThenOpenTheirWindow)
{
    main.show();
    QTest::mouseClick(main.cmdnapcvden, Qt::LeftButton);
    EXPECT_EQ(opened, QStringList{QStringLiteral("cmdnapcvden:xemcv")});
    EXPECT_FALSE(main.isVisible());  // hidden until the register closes
    main.show();
    QTest::mouseClick(main.cmdnapkh, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts(),
              QStringList{QStringLiteral("Không tìm thấy file dữ liệu %1 !\rCần kiểm tra việc nối mạng và thư mục mạng chứa file này, "
                                         "chạy lại chương trình hoặc chọn lại file dữ liệu !")
                              .arg(app.PlanFile)});
    EXPECT_TRUE(main.isVisible());
    // A window that is not there yet: only the data-file check runs.
    QTest::mouseClick(main.cmdtracuucvden, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("tracuucv"));
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(opened.size(), 1);
}

TEST_F(MainWindow, TitleButtonsAndMenus)
{
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Korvane V2010.5"));
    const char* buttons[] = {"cmdtracuucvden", "Cmdxemcvden", "cmdnapcvden", "cmdtracuucvdi", "cmdnapcvdi", "cmdxemcvdi", "cmdxemkh",
                             "cmdtracuukh",    "cmdnapkh",    "Cmdxemlich",  "cmdnaplich",    "cmdtracuulich", "Cmdclose"};
    for (const char* b : buttons) EXPECT_NE(main.findChild<QPushButton*>(QLatin1String(b)), nullptr) << b;
    EXPECT_EQ(main.cmdnapcvden->text(), QStringLiteral("Nạp, sửa, in CV đến"));
    EXPECT_EQ(main.mnunguoidung->text(), QStringLiteral("Nạp sửa danh sách người dùng, mật khẩu, quyền hạn"));
    main.SetLabels();
    EXPECT_EQ(main.Lblnamlamviec->text(), QStringLiteral("Dữ liệu năm 2026"));
    app.DriveKindFor = [](const QString&) { return DriveKind::FloppyUsb; };
    main.SetEntryButtons();
    EXPECT_FALSE(main.cmdnapcvden->isEnabled());
    EXPECT_TRUE(main.Cmdxemcvden->isEnabled());
}

TEST_F(MainWindow, AdministratorItemsAndTheOthers)
{
    main.mnunapdonvi->trigger();
    EXPECT_EQ(modal.messageTexts(), QStringList{QStringLiteral("Phải có quyền quản trị mới được phép sử dụng chức năng này!")});
    main.mnunapnoigui->trigger();
    EXPECT_EQ(opened, QStringList{QStringLiteral("mnunapnoigui:")});
    app.UserRights = QStringLiteral("QT - LĐ");
    main.mnunapdonvi->trigger();
    EXPECT_EQ(opened.last(), QStringLiteral("mnunapdonvi:"));
    // The users item asks for the name and password again first.
    modal.drivers[QStringLiteral("frmlogin")] = [](QDialog& d) { d.reject(); };
    main.mnunguoidung->trigger();
    EXPECT_EQ(opened.size(), 2);
    EXPECT_EQ(modal.modalWindows, QStringList{QStringLiteral("frmlogin")});
    // Double-clicking the working-year label opens the working-year window.
    QTest::mouseDClick(main.Lblnamlamviec, Qt::LeftButton);
    EXPECT_EQ(opened.last(), QStringLiteral("mnuchonnamlamviec:"));
}

TEST_F(MainWindow, TheBackupItemWorksOnlyForADocumentFileInTheProgramFolder)
{
    main.mnubackup->trigger();
    EXPECT_EQ(opened, QStringList{QStringLiteral("chooser:chonfiledulieubackup")});
    app.DocFile = QStringLiteral("/mnt/mang/zeltcv.MDB");
    app.ChooserMode.clear();
    main.mnubackup->trigger();
    EXPECT_EQ(opened.size(), 1);
    main.mnuchondulieulich->trigger();
    EXPECT_EQ(opened.last(), QStringLiteral("chooser:chonfiledulieulich"));
}

TEST_F(MainWindow, TheWeekRunsFromMondayToSunday)
{
    EXPECT_EQ(CurrentWeek(QDate(2026, 12, 13)).monday, QDate(2026, 12, 7));  // a Sunday
    EXPECT_EQ(CurrentWeek(QDate(2026, 12, 13)).sunday, QDate(2026, 12, 13));
    EXPECT_EQ(CurrentWeek(QDate(2026, 12, 14)).monday, QDate(2026, 12, 14));  // a Monday
    EXPECT_EQ(CurrentWeek(QDate(2026, 12, 14)).sunday, QDate(2026, 12, 20));
    EXPECT_EQ(CurrentWeek(QDate(2026, 12, 31)).sunday, QDate(2027, 1, 3));
    app.Today = [] { return QDate(2026, 12, 13); };
    EXPECT_EQ(main.WeekSource(), QStringLiteral("Select * from lich2026 where [ngaychuan]>= '20261207' and [ngaychuan]<= '20261213' "
                                                "order by [ngaychuan],[giochuan]"));
    EXPECT_EQ(main.WeekHeading(), QStringLiteral("Xem lịch làm việc trong tuần từ 07/12/2026 đến 13/12/2026"));
}

TEST_F(MainWindow, HelpAndAbout)
{
    main.mnuHelpContents->trigger();
    EXPECT_EQ(modal.systemMessages,
              QStringList{QStringLiteral("Unable to display Help Contents. There is no Help associated with this project.")});
    QFile help(app.DataFile(QStringLiteral("korvane.html")));
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.close();
    main.mnuHelpContents->trigger();
    EXPECT_EQ(modal.documents, QStringList{help.fileName()});
    main.mnuHelpAbout->trigger();
    EXPECT_EQ(modal.modalWindows, QStringList{QStringLiteral("frmAbout")});
}

TEST_F(MainWindow, ClosingSavesTheSettingsAndThePositionUnlessMinimised)
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path(QStringLiteral("settings")));
    QSettings(QStringLiteral("Korvane"), QStringLiteral("Korvane")).clear();
    int ended = 0;
    QObject::connect(&main, &frmMain::Ended, [&ended] { ++ended; });
    main.show();
    main.move(40, 30);
    main.resize(700, 500);
    main.close();
    EXPECT_EQ(ended, 1);  // the program ends by the main window's close only
    EXPECT_EQ(ReadSysmem(app.DataFile(QStringLiteral("sysmem")))->DocFile, app.DocFile);
    QSettings settings(QStringLiteral("Korvane"), QStringLiteral("Korvane"));
    EXPECT_EQ(settings.value(QStringLiteral("Settings/MainWidth")).toString(), QStringLiteral("700"));
    EXPECT_EQ(settings.value(QStringLiteral("Settings/MainHeight")).toString(), QStringLiteral("500"));
    EXPECT_TRUE(settings.contains(QStringLiteral("Settings/MainLeft")));

    settings.clear();
    QFile::remove(app.DataFile(QStringLiteral("sysmem")));
    frmMain second(app);
    second.showMinimized();
    second.close();
    EXPECT_TRUE(ReadSysmem(app.DataFile(QStringLiteral("sysmem"))).has_value());
    EXPECT_FALSE(QSettings(QStringLiteral("Korvane"), QStringLiteral("Korvane")).contains(QStringLiteral("Settings/MainWidth")));
}

namespace {

// A window that notes when it is closed.
class Noting : public QWidget {
public:
    Noting(const QString& name, QStringList& log) : name_(name), log_(log) {}

protected:
    void closeEvent(QCloseEvent* event) override
    {
        log_.append(name_);
        QWidget::closeEvent(event);
    }

private:
    QString name_;
    QStringList& log_;
};

}  // namespace

TEST_F(MainWindow, ClosingClosesTheOtherWindowsLatestOpenedFirst)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path(QStringLiteral("settings")));
    QStringList closed;
    // Made in one order, opened in another, one of them opened again later.
    Noting c(QStringLiteral("c"), closed), b(QStringLiteral("b"), closed), a(QStringLiteral("a"), closed), hidden(QStringLiteral("x"), closed);
    main.show();
    for (QWidget* w : {static_cast<QWidget*>(&a), static_cast<QWidget*>(&b), static_cast<QWidget*>(&c), static_cast<QWidget*>(&hidden)}) w->show();
    hidden.hide();
    a.hide();
    a.show();
    main.close();
    EXPECT_EQ(closed, (QStringList{QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("b")}));
}

TEST_F(MainWindow, WindowsOpenInsideTheScreenWhereTheyWereLastLeft)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path(QStringLiteral("settings")));
    QSettings(QStringLiteral("Korvane"), QStringLiteral("Korvane")).clear();
    const QRect screen(0, 0, 1280, 900);
    EXPECT_EQ(WindowPlaces::Inside(QRect(100, 500, 600, 700), screen), QRect(100, 200, 600, 700));
    EXPECT_EQ(WindowPlaces::Inside(QRect(-50, 10, 2000, 1000), screen), QRect(0, 0, 1280, 900));
    EXPECT_EQ(WindowPlaces::Inside(QRect(1000, 100, 400, 300), screen), QRect(880, 100, 400, 300));

    WindowPlaces places;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    {
        QWidget tall;
        tall.setObjectName(QStringLiteral("frmcvden"));
        tall.setGeometry(area.left() + 10, area.top() + 10, 300, area.height() + 200);
        tall.show();
        EXPECT_TRUE(area.contains(tall.geometry())) << tall.geometry().height();
        tall.move(area.left() + 30, area.top() + 20);
        tall.resize(320, 240);
        tall.hide();
    }
    // Made again (another run): where it was left, at the size it was left.
    QWidget again;
    again.setObjectName(QStringLiteral("frmcvden"));
    again.show();
    EXPECT_EQ(again.size(), QSize(320, 240));
    EXPECT_EQ(again.pos(), QPoint(area.left() + 30, area.top() + 20));
}
