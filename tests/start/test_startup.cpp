// The start-up procedure on real data folders, with the scripted modal service answering.
#include "app.h"
#include "frmlogin.h"
#include "frmmain.h"
#include "scriptedmodal.h"
#include "startup.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace korvane;

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir(folder.root()).mkpath(QStringLiteral("data"));
        QFile::copy(testing_support::templatePath(), data(QStringLiteral("zeltgoc.mdb")));
        QFile::setPermissions(data(QStringLiteral("zeltgoc.mdb")), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        app.AppFolder = folder.root();
        app.Today = [this] { return today; };
        app.DriveKindFor = [this](const QString&) { return drive; };
        modal.drivers[QStringLiteral("frmlogin")] = testing_support::LoginAs(QStringLiteral("ai"), QString());
    }
    QString data(const QString& name) const { return folder.path(QStringLiteral("data/") + name); }
    bool run() { return Startup(app, main).Run(); }
    void writeSysmem(const QString& plan, const QString& doc, const QString& backup, const QString& year)
    {
        ASSERT_TRUE(WriteSysmem(data(QStringLiteral("sysmem")), {plan, doc, backup, year}));
    }

    testing_support::TempFolder folder;
    testing_support::ScriptedModal modal;
    App app{modal};
    frmMain main{app};
    QDate today{2026, 12, 9};
    DriveKind drive = DriveKind::LocalHardDisk;
};

TEST_F(StartupTest, AFreshInstallationMakesItsFilesAndLogsAnybodyIn)
{
    ASSERT_TRUE(run()) << modal.messageTexts().join(QLatin1Char('|')).toStdString();
    for (const char* f : {"zeltlich.MDB", "zeltcv.MDB", "zelttk.MDB", "zelttemp.MDB"}) {
        EXPECT_TRUE(QFileInfo::exists(data(QLatin1String(f)))) << f;
        EXPECT_TRUE(QFileInfo(data(QLatin1String(f))).isWritable()) << f;
    }
    // The files of the data folder are named relative to it.
    EXPECT_EQ(contents(data(QStringLiteral("sysmem"))), QByteArray("\"zeltlich.MDB\",\"zeltcv.MDB\",\" \",\"2026\"\r\n"));
    EXPECT_EQ(contents(data(QStringLiteral("sysmem2"))), QByteArray("\"zeltcv.MDB\"\r\n"));
    EXPECT_EQ(contents(data(QStringLiteral("sysmem3"))), QByteArray("\"zeltlich.MDB\"\r\n"));
    EXPECT_EQ(app.UserFullName, QStringLiteral("Một người không rõ tên"));
    EXPECT_EQ(app.UserRights, QStringLiteral("Q"));
    EXPECT_TRUE(modal.messages.empty()) << modal.messageTexts().join(QLatin1Char('|')).toStdString();
    // The year tables, the shared lists and the main window.
    EXPECT_TRUE(app.DocDb->HasTable(QStringLiteral("cvden2026")));
    EXPECT_TRUE(app.DocDb->HasTable(QStringLiteral("cvdi2026")));
    EXPECT_TRUE(app.PlanDb->HasTable(QStringLiteral("kehoach2026")));
    EXPECT_TRUE(app.PlanDb->HasTable(QStringLiteral("lich2026")));
    EXPECT_EQ(app.DocRefFile, data(QStringLiteral("zelttk.MDB")));  // the local reference file, whatever the case
    ASSERT_TRUE(app.AbbreviationList && app.UnitList && app.SenderList && app.DocTypeList);
    EXPECT_EQ(main.Lblnamlamviec->text(), QStringLiteral("Dữ liệu năm 2026"));
    EXPECT_EQ(main.Lblfiledulieu->text(), QStringLiteral("File công văn: %1\r\nFile kế hoạch, lịch công tác: %2")
                                              .arg(data(QStringLiteral("zeltcv.MDB")), data(QStringLiteral("zeltlich.MDB"))));
    EXPECT_TRUE(main.cmdnapcvden->isEnabled());
    EXPECT_TRUE(main.cmdnapcvdi->isEnabled());
    EXPECT_EQ(QFileInfo(data(QStringLiteral("zeltgoc.mdb"))).permissions() & QFile::WriteOwner, 0);

    // A second start finds everything in place and asks nothing.
    App again(modal);
    again.AppFolder = folder.root();
    again.Today = app.Today;
    frmMain main2(again);
    EXPECT_TRUE(Startup(again, main2).Run());
    EXPECT_TRUE(modal.messages.empty());
}

TEST_F(StartupTest, ACopiedProgramFolderOpensItsOwnFiles)
{
    // Settings written by an older version name the files whole; the program keeps them working
    // and writes them relative to the data folder from then on.
    const QString share = folder.path(QStringLiteral("mang"));
    QDir(folder.root()).mkpath(QStringLiteral("mang"));
    QFile::copy(testing_support::templatePath(), share + QStringLiteral("/zeltcv.MDB"));
    QFile::copy(testing_support::templatePath(), share + QStringLiteral("/zelttk.mdb"));
    for (const char* f : {"/zeltcv.MDB", "/zelttk.mdb"}) QFile::setPermissions(share + QLatin1String(f), QFile::ReadOwner | QFile::WriteOwner);
    writeSysmem(data(QStringLiteral("zeltlich.MDB")), share + QStringLiteral("/zeltcv.MDB"), QStringLiteral(" "), QStringLiteral("2026"));
    ASSERT_TRUE(run()) << modal.messageTexts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(app.PlanFile, data(QStringLiteral("zeltlich.MDB")));
    EXPECT_EQ(app.DocFile, share + QStringLiteral("/zeltcv.MDB"));
    // The clerk goes back to the file of the data folder and closes the program.
    app.DocFile = data(QStringLiteral("zeltcv.MDB"));
    ASSERT_TRUE(app.WriteSettings());
    RememberUsedFile(app.AppFolder, QStringLiteral("sysmem2"), app.DocFile);
    app.CloseData();
    EXPECT_EQ(ReadUsedFiles(app.AppFolder, QStringLiteral("sysmem2")), (QStringList{app.DocFile, share + QStringLiteral("/zeltcv.MDB")}));

    // The program folder is copied elsewhere and the original removed.
    testing_support::TempFolder elsewhere;
    const QString copy = elsewhere.path(QStringLiteral("korvane"));
    QDir(copy).mkpath(QStringLiteral("data"));
    for (const QString& name : QDir(data(QString())).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(data(name), copy + QStringLiteral("/data/") + name)) << name.toStdString();
    ASSERT_TRUE(QDir(data(QString())).removeRecursively());

    modal.messages.clear();
    App moved(modal);
    moved.AppFolder = copy;
    moved.Today = app.Today;
    moved.DriveKindFor = app.DriveKindFor;
    frmMain window(moved);
    ASSERT_TRUE(Startup(moved, window).Run()) << modal.messageTexts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(modal.messages.empty()) << modal.messageTexts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(moved.DocFile, copy + QStringLiteral("/data/zeltcv.MDB"));
    EXPECT_EQ(moved.PlanFile, copy + QStringLiteral("/data/zeltlich.MDB"));
    EXPECT_EQ(moved.PlanRefFile, copy + QStringLiteral("/data/zelttk.MDB"));
    EXPECT_TRUE(moved.DocDb && moved.PlanDb && moved.PlanRefDb);
    EXPECT_EQ(ReadUsedFiles(copy, QStringLiteral("sysmem2")), (QStringList{moved.DocFile, share + QStringLiteral("/zeltcv.MDB")}));
    EXPECT_EQ(contents(copy + QStringLiteral("/data/sysmem2")), QStringLiteral("\"zeltcv.MDB\"\r\n\"%1/zeltcv.MDB\"\r\n").arg(share).toUtf8());
}

TEST_F(StartupTest, TheTempFileIsReplacedFromAMegabyteOn)
{
    for (const qint64 size : {qint64(1000000), qint64(999999)}) {
        const QString temp = data(QStringLiteral("zelttemp.MDB"));
        QFile::remove(temp);
        QFile::copy(testing_support::templatePath(), temp);
        QFile f(temp);
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        ASSERT_TRUE(f.resize(size));
        App fresh(modal);
        fresh.AppFolder = folder.root();
        fresh.Today = app.Today;
        frmMain window(fresh);
        ASSERT_TRUE(Startup(fresh, window).Run());
        fresh.CloseData();
        EXPECT_EQ(QFileInfo(temp).size(), size >= 1000000 ? QFileInfo(testing_support::templatePath()).size() : size);
    }
}

TEST_F(StartupTest, BackupPathsOfEightCharactersOrFewerAreNotLookedFor)
{
    writeSysmem(data(QStringLiteral("zeltlich.MDB")), data(QStringLiteral("zeltcv.MDB")), QStringLiteral("/a/b.mdb"), QStringLiteral("2026"));
    ASSERT_TRUE(run());
    EXPECT_TRUE(modal.messages.empty());
    writeSysmem(data(QStringLiteral("zeltlich.MDB")), data(QStringLiteral("zeltcv.MDB")), QStringLiteral("/a/bc.mdb"), QStringLiteral("2026"));
    App second(modal);
    second.AppFolder = folder.root();
    second.Today = app.Today;
    frmMain window(second);
    ASSERT_TRUE(Startup(second, window).Run());
    EXPECT_EQ(modal.messageTexts(), QStringList{QStringLiteral("Không tìm thấy file dữ liệu backup /a/bc.mdb ?!\rCần kiểm tra lại việc nối mạng "
                                                               " hoặc chọn lại file backup nếu cần !")});
}

TEST_F(StartupTest, UnreachableFilesFallBackToTheLocalFolderAfterAtMostTwoAnswers)
{
    const QString share = folder.path(QStringLiteral("mang"));
    writeSysmem(share + QStringLiteral("/zeltlich.MDB"), share + QStringLiteral("/zeltcv.MDB"), QStringLiteral(" "), QStringLiteral("2026"));
    modal.answers = {QStringLiteral("yes"), QStringLiteral("yes")};
    drive = DriveKind::NetworkDriver;
    ASSERT_TRUE(run());
    const QStringList shown = modal.messageTexts();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("Không tìm thấy file dữ liệu %1/zeltcv.MDB !\r\n").arg(share)));
    EXPECT_TRUE(shown[0].endsWith(QStringLiteral("Có muốn chuyển về file dữ liệu trong thư mục %1/data không ?").arg(folder.root())));
    EXPECT_TRUE(shown[1].contains(QStringLiteral("/zeltlich.MDB !")));
    EXPECT_EQ(modal.messages[0].mode, QStringLiteral("yesno"));
    EXPECT_EQ(app.DocFile, data(QStringLiteral("zeltcv.MDB")));
    EXPECT_EQ(app.PlanFile, data(QStringLiteral("zeltlich.MDB")));
    EXPECT_EQ(ReadSysmem(data(QStringLiteral("sysmem")))->DocFile, app.DocFile);
    EXPECT_FALSE(main.cmdnapcvden->isEnabled());  // the drive is not a local hard disk
    EXPECT_FALSE(main.cmdnapcvdi->isEnabled());
    EXPECT_TRUE(main.cmdnapkh->isEnabled());
}

TEST_F(StartupTest, RefusingTheFallbackEndsWithoutWritingTheSettings)
{
    const QString share = folder.path(QStringLiteral("mang"));
    writeSysmem(data(QStringLiteral("zeltlich.MDB")), share + QStringLiteral("/zeltcv.MDB"), QStringLiteral(" "), QStringLiteral("2026"));
    const QByteArray before = contents(data(QStringLiteral("sysmem")));
    modal.answers = {QStringLiteral("no")};
    EXPECT_FALSE(run());
    EXPECT_EQ(contents(data(QStringLiteral("sysmem"))), before);
    EXPECT_TRUE(modal.modalWindows.isEmpty());  // no login
}

TEST_F(StartupTest, AReferenceFileMissingBesideADataFileIsOfferedTheFallbackToo)
{
    const QString share = folder.path(QStringLiteral("mang"));
    QDir().mkpath(share);
    QFile::copy(testing_support::templatePath(), share + QStringLiteral("/zeltcv.MDB"));
    QFile::setPermissions(share + QStringLiteral("/zeltcv.MDB"), QFile::ReadOwner | QFile::WriteOwner);
    writeSysmem(data(QStringLiteral("zeltlich.MDB")), share + QStringLiteral("/zeltcv.MDB"), QStringLiteral(" "), QStringLiteral("2026"));
    modal.answers = {QStringLiteral("yes")};
    ASSERT_TRUE(run());
    ASSERT_EQ(modal.messageTexts().size(), 1);
    EXPECT_TRUE(modal.messageTexts()[0].contains(share + QStringLiteral("/zelttk.mdb !")));
    EXPECT_EQ(app.DocFile, data(QStringLiteral("zeltcv.MDB")));
}

TEST_F(StartupTest, ADamagedFileOnAShareIsCalledDamagedAndOfferedTheFallback)
{
    const QString share = folder.path(QStringLiteral("mang"));
    QDir().mkpath(share);
    QFile damaged(share + QStringLiteral("/zeltcv.MDB"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(8192, 'x'));
    damaged.close();
    writeSysmem(data(QStringLiteral("zeltlich.MDB")), damaged.fileName(), QStringLiteral(" "), QStringLiteral("2026"));
    modal.answers = {QStringLiteral("yes")};
    ASSERT_TRUE(run());
    ASSERT_EQ(modal.messages.size(), 1u);
    EXPECT_TRUE(modal.messages[0].text.startsWith(QStringLiteral("File dữ liệu %1 bị hỏng hoặc không đọc được !\r\n").arg(damaged.fileName())));
    EXPECT_EQ(modal.messages[0].mode, QStringLiteral("yesno"));
    EXPECT_EQ(app.DocFile, data(QStringLiteral("zeltcv.MDB")));

    // A server that does not answer: the same question, naming the server and libpq's reason;
    // "yes" goes back to the local file once, and the settings keep the server's address whole.
    const QString away = QStringLiteral("postgresql://127.0.0.1:1/vanphong#zeltcv");
    writeSysmem(data(QStringLiteral("zeltlich.MDB")), away, QStringLiteral(" "), QStringLiteral("2026"));
    EXPECT_EQ(ReadSysmem(data(QStringLiteral("sysmem")))->DocFile, away);
    modal.messages.clear();
    modal.answers = {QStringLiteral("yes")};
    ASSERT_TRUE(run());
    ASSERT_EQ(modal.messages.size(), 1u);
    const QString asked = modal.messages[0].text;
    EXPECT_TRUE(asked.startsWith(QStringLiteral("Không dùng được dữ liệu %1 trên máy chủ !\r\nKhông kết nối được máy chủ dữ liệu 127.0.0.1:1 (").arg(away)))
        << asked.toStdString();
    EXPECT_TRUE(asked.contains(QLatin1String("Connection refused"))) << asked.toStdString();
    EXPECT_TRUE(asked.endsWith(QStringLiteral("Có muốn chuyển về file dữ liệu trong thư mục %1/data không ?").arg(folder.root())));
    EXPECT_EQ(modal.messages[0].mode, QStringLiteral("yesno"));
    EXPECT_EQ(app.DocFile, data(QStringLiteral("zeltcv.MDB")));
}

TEST_F(StartupTest, AnOlderWorkingYearOnlyWarns)
{
    today = QDate(2009, 5, 1);
    writeSysmem(data(QStringLiteral("zeltlich.MDB")), data(QStringLiteral("zeltcv.MDB")), QStringLiteral(" "), QStringLiteral("2007"));
    ASSERT_TRUE(run());
    EXPECT_EQ(modal.messageTexts(), QStringList{QStringLiteral("Năm làm việc không trùng với con số năm trên máy là 2009\r"
                                                               "Cần chọn lại năm làm việc hoặc phải kiểm tra, đặt lại ngày tháng năm trên máy tính!")});
    EXPECT_EQ(app.WorkYear, QStringLiteral("2007"));
    EXPECT_TRUE(app.DocDb->HasTable(QStringLiteral("cvden2007")));
    EXPECT_FALSE(app.DocDb->HasTable(QStringLiteral("cvden2009")));
}

TEST_F(StartupTest, ABadClockOrAMissingTemplateEndsTheProgram)
{
    today = QDate(2005, 1, 1);
    EXPECT_FALSE(run());
    EXPECT_EQ(modal.messageTexts().last(),
              QStringLiteral("Cần kiểm tra đặt lại ngày tháng năm trên máy tính cho đúng và chạy lại chương trình này!"));
    EXPECT_FALSE(QFileInfo::exists(data(QStringLiteral("sysmem"))));

    QFile::setPermissions(data(QStringLiteral("zeltgoc.mdb")), QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(data(QStringLiteral("zeltgoc.mdb")));
    App other(modal);
    other.AppFolder = folder.root();
    frmMain window(other);
    EXPECT_FALSE(Startup(other, window).Run());
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Không tìm thấy file dữ liệu gốc của chương trình !!! \rCần copy file zeltgoc.mdb vào "
                                                          "thư mục %1/data hoặc cài đặt lại chương trình này !")
                                               .arg(folder.root()));
}

TEST_F(StartupTest, ABrokenTemplateCannotReplaceAMissingFile)
{
    const QString tmpl = data(QStringLiteral("zeltgoc.mdb"));
    QFile::setPermissions(tmpl, QFile::ReadOwner | QFile::WriteOwner);
    {
        QFile f(tmpl);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    EXPECT_FALSE(run());
    EXPECT_TRUE(modal.messageTexts().last().contains(QStringLiteral(" bị hỏng. Chương trình không thể tiếp tục được !")));
}

TEST_F(StartupTest, ADamagedLocalReferenceFileIsReplacedWithAWarning)
{
    ASSERT_TRUE(run());
    app.CloseData();
    {
        engine::Database ref(data(QStringLiteral("zelttk.MDB")));
        ref.Execute(QStringLiteral("DROP TABLE loaicv"));
    }
    App second(modal);
    second.AppFolder = folder.root();
    second.Today = app.Today;
    frmMain window(second);
    ASSERT_TRUE(Startup(second, window).Run());
    ASSERT_EQ(modal.messageTexts().size(), 1);
    const QString shown = modal.messageTexts()[0];
    EXPECT_TRUE(shown.startsWith(QStringLiteral("File dữ liệu zelttk.MDB ở thư mục %1/data đã bị sửa đổi").arg(folder.root())));
    EXPECT_TRUE(second.LocalRefDb->HasTable(QStringLiteral("loaicv")));
    // The damaged file is kept beside the new one, under a name that says so, and the message names it.
    const QStringList kept = QDir(folder.path(QStringLiteral("data"))).entryList({QStringLiteral("zelttk.MDB.hong-*")});
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("File hỏng được giữ lại với tên ") + data(kept[0])));
    engine::Database damaged(data(kept[0]));
    EXPECT_FALSE(damaged.HasTable(QStringLiteral("loaicv")));
    EXPECT_TRUE(damaged.HasTable(QStringLiteral("chutat")));
}

TEST_F(StartupTest, ADamagedDataFileOfTheDataFolderIsNamedAndLeftAlone)
{
    ASSERT_TRUE(run());
    app.CloseData();
    const QString doc = data(QStringLiteral("zeltcv.MDB"));
    for (const QByteArray& bytes : {QByteArray(8192, 'x'), QByteArray()}) {
        {
            QFile f(doc);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        }
        modal.messages.clear();
        modal.answers = {QStringLiteral("yes"), QStringLiteral("yes"), QStringLiteral("yes")};
        App second(modal);
        second.AppFolder = folder.root();
        second.Today = app.Today;
        frmMain window(second);
        EXPECT_FALSE(Startup(second, window).Run());  // ends, without asking the same question again and again
        ASSERT_EQ(modal.messages.size(), 1u) << modal.messageTexts().join(QLatin1Char('|')).toStdString();
        const QString shown = modal.messages[0].text;
        EXPECT_EQ(modal.messages[0].mode, QStringLiteral("ok"));
        EXPECT_TRUE(shown.startsWith(QStringLiteral("File dữ liệu ") + doc + QStringLiteral(" bị hỏng")));
        EXPECT_FALSE(shown.contains(QStringLiteral("Không tìm thấy")));
        EXPECT_FALSE(shown.contains(QStringLiteral("mạng")));
        EXPECT_EQ(contents(doc), bytes);
    }
    // A file that opens but has a damaged page (eight bytes zeroed) is found at start-up too.
    ASSERT_TRUE(CopyOrDelete(testing_support::templatePath(), doc, QStringLiteral("copy")));
    QFile::setPermissions(doc, QFile::ReadOwner | QFile::WriteOwner);
    {
        engine::Database db(doc);
        ASSERT_TRUE(CreateTableFromTemplate(db, db, QStringLiteral("cvdenmau"), QStringLiteral("cvden2026"), true));
        db.Execute(QStringLiteral("INSERT INTO cvden2026 (stt, tt_ndung) VALUES ('1', '%1')").arg(QString(250, QLatin1Char('a'))));
        for (int k = 0; k < 6; ++k) db.Execute(QStringLiteral("INSERT INTO cvden2026 (stt, tt_ndung) SELECT stt, tt_ndung FROM cvden2026"));
    }
    QByteArray bytes = contents(doc);
    bytes.replace(bytes.size() - 3000, 8, QByteArray(8, '\0'));
    {
        QFile f(doc);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    modal.messages.clear();
    modal.answers = {QStringLiteral("yes"), QStringLiteral("yes"), QStringLiteral("yes")};
    App third(modal);
    third.AppFolder = folder.root();
    third.Today = app.Today;
    frmMain window(third);
    EXPECT_FALSE(Startup(third, window).Run());
    ASSERT_EQ(modal.messages.size(), 1u) << modal.messageTexts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(modal.messages[0].text.startsWith(QStringLiteral("File dữ liệu ") + doc + QStringLiteral(" bị hỏng")));
    EXPECT_EQ(contents(doc), bytes);
}

// A failure the start-up does not expect is shown with the adapter's own words after its message.
TEST_F(StartupTest, AnUnexpectedFailureShowsItsCause)
{
    QDir(data(QStringLiteral("zelttemp.MDB"))).mkpath(QStringLiteral("."));  // a folder where the scratch file goes
    EXPECT_FALSE(run());
    ASSERT_FALSE(modal.messages.empty());
    const QString shown = modal.messages.back().text;
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Gặp lỗi khi đang kiểm tra file dữ liệu temp.\r Chương trình không thể tiếp tục được !\r")))
        << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("Không tìm thấy tệp dữ liệu %1.").arg(data(QStringLiteral("zelttemp.MDB")))))
        << shown.toStdString();
}

TEST_F(StartupTest, AWorkingYearThatIsNotFourDigitsIsTheClocksYear)
{
    for (const QString& year : {QStringLiteral("ab cd"), QStringLiteral("26"), QStringLiteral("2026x"), QStringLiteral("' or 1")}) {
        SCOPED_TRACE(year.toStdString());
        writeSysmem(data(QStringLiteral("zeltlich.MDB")), data(QStringLiteral("zeltcv.MDB")), QStringLiteral(" "), year);
        App fresh(modal);
        fresh.AppFolder = folder.root();
        fresh.Today = app.Today;
        frmMain window(fresh);
        ASSERT_TRUE(Startup(fresh, window).Run());
        EXPECT_EQ(fresh.WorkYear, QStringLiteral("2026"));
        EXPECT_EQ(fresh.InDocTable, QStringLiteral("cvden2026"));
        QStringList incoming = fresh.DocDb->TableNames();
        incoming.removeIf([](const QString& t) { return !t.startsWith(QLatin1String("cvden")); });
        EXPECT_EQ(incoming, (QStringList{QStringLiteral("cvdenmau"), QStringLiteral("cvden2026")}));
    }
    // With the clock before 2008 there is no year to fall back on.
    today = QDate(2005, 1, 1);
    EXPECT_FALSE(run());
    EXPECT_EQ(modal.messageTexts().last(),
              QStringLiteral("Cần kiểm tra đặt lại ngày tháng năm trên máy tính cho đúng và chạy lại chương trình này!"));
}

TEST_F(StartupTest, CancellingTheLoginEndsTheProgram)
{
    modal.drivers[QStringLiteral("frmlogin")] = [](QDialog& d) {
        QTest::mouseClick(static_cast<frmlogin&>(d).cmdCancel, Qt::LeftButton);
    };
    EXPECT_FALSE(run());
    EXPECT_EQ(app.MsgText, QStringLiteral("thoi"));
}
