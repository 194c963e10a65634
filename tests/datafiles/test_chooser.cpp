// The data-file chooser opened from the main window's menu: a switch that takes the new files
// into use everywhere, the choices it refuses without touching anything, the plan file's new
// login, the backup file's checks, and a switch that fails half-way.
#include "documents.h"
#include "frmchepdulieu.h"
#include "frmchondulieu.h"
#include "frmcvden.h"
#include "frmgrid.h"
#include "frmlogin.h"
#include "office.h"
#include "officecopy.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

using namespace korvane;

class Chooser : public Office {
protected:
    void SetUp() override
    {
        Office::SetUp();
        if (IsSkipped()) return;
        InstallDataFileChooser(app);
        InstallDocumentWindows(app, &main);
    }
    // Opens the chooser from `item` and lets `work` act on it; the window closes afterwards.
    void open(QAction* item, const std::function<void(frmchondulieu&)>& work)
    {
        modal.drivers[QStringLiteral("frmchondulieu")] = [work](QDialog& d) { work(static_cast<frmchondulieu&>(d)); };
        item->trigger();
    }
    // Types a path and accepts it; true when the window closed (the choice was taken).
    static bool accept(frmchondulieu& w, const QString& path)
    {
        w.filechon->setText(path);
        QTest::mouseClick(w.cmdchapnhan, Qt::LeftButton);
        return !w.isVisible();
    }
    // A data file in a folder of its own with its reference file named `ref`.
    QString elsewhere(const QString& sub, const QString& ref = QStringLiteral("zelttk.mdb"))
    {
        QDir(folder.root()).mkpath(sub);
        if (!ref.isEmpty()) folder.copyTemplate(sub + QLatin1Char('/') + ref);
        return folder.copyTemplate(sub + QStringLiteral("/zeltcv.MDB"));
    }
    static QByteArray bytes(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString& file, const QByteArray& text, QIODevice::OpenMode mode = QIODevice::WriteOnly)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(mode));
        f.write(text);
    }
    QString last() const { return modal.messages.back().text; }
};

TEST_F(Chooser, ADocumentFileIsTakenIntoUseEverywhereAndRemembered)
{
    const QString before = app.DocFile;
    const QString chosen = elsewhere(QStringLiteral("o'mang"), QStringLiteral("ZELTTK.MDB"));  // a quote, and the name's case
    app.DriveKindFor = [](const QString& p) { return p.contains(QLatin1String("mang")) ? DriveKind::NetworkDriver : DriveKind::LocalHardDisk; };
    // A blank line and the chosen path in other letters.
    write(app.DataFile(QStringLiteral("sysmem2")), "\r\n\"" + chosen.toUpper().toUtf8() + "\"\r\n", QIODevice::Append);

    // A list window kept hidden reads the file being replaced: it goes, to be made again on the new one.
    app.Owner().Register(QStringLiteral("frmgridcvden"), [](App&) { return new QWidget; });
    const QPointer<QWidget> hidden = app.Owner().Get(QStringLiteral("frmgridcvden"));
    // The year's tables are missing: the clerk is asked to have them made; no answer keeps the
    // files in use, "yes" makes them.
    const QString question = QStringLiteral("File dữ liệu vừa chọn chưa có các bảng dữ liệu năm 2026.\r"
                                            "Có tạo các bảng dữ liệu năm 2026 trong file này không ?");
    open(main.mnuchondulieucongvan, [&](frmchondulieu& w) {
        EXPECT_FALSE(w.cmdchapnhan->isEnabled());
        modal.answers = {QStringLiteral("esc")};
        EXPECT_FALSE(accept(w, chosen));
        EXPECT_EQ(app.DocFile, before);
        modal.answers = {QStringLiteral("yes")};
        EXPECT_TRUE(accept(w, chosen));
    });
    ASSERT_GE(modal.messages.size(), 3u);
    EXPECT_EQ(modal.messages[0].text, question);
    EXPECT_EQ(modal.messages[1].text, QStringLiteral("Chưa dùng file dữ liệu vừa chọn: file chưa có các bảng dữ liệu năm 2026."));
    EXPECT_EQ(modal.messages[2].text, question);
    EXPECT_FALSE(modal.modalWindows.contains(QStringLiteral("frmnamlamviec")));
    EXPECT_TRUE(app.DocDb->HasTable(QStringLiteral("cvden2026")));
    EXPECT_EQ(last(), QStringLiteral("Đã sử dụng file dữ liệu \r\n") + chosen);
    EXPECT_EQ(app.DocDb->Name(), chosen);
    EXPECT_TRUE(hidden.isNull());
    EXPECT_EQ(app.DocRefFile, folder.path(QStringLiteral("o'mang/ZELTTK.MDB")));
    EXPECT_EQ(app.SenderList->RecordCount(), 0);  // the new reference file's senders
    EXPECT_EQ(ReadSysmem(app.DataFile(QStringLiteral("sysmem")))->DocFile, chosen);
    EXPECT_EQ(ReadUsedFiles(app.AppFolder, QStringLiteral("sysmem2")), (QStringList{chosen, before}));
    EXPECT_TRUE(main.Lblfiledulieu->text().contains(chosen));
    EXPECT_FALSE(main.cmdnapcvden->isEnabled() || main.cmdnapcvdi->isEnabled());  // a network drive

    // Back to the first file from the list, by a double click on its line.
    open(main.mnuchondulieucongvan, [&](frmchondulieu& w) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        const QRect line = w.List1->visualItemRect(w.List1->item(1));
        QTest::mouseClick(w.List1->viewport(), Qt::LeftButton, {}, line.center());
        QTest::mouseDClick(w.List1->viewport(), Qt::LeftButton, {}, line.center());
        EXPECT_EQ(w.filechon->text(), before);
        EXPECT_TRUE(accept(w, w.filechon->text()));
    });
    EXPECT_EQ(app.DocFile, before);
    EXPECT_EQ(app.SenderList->RecordCount(), 2);
    EXPECT_EQ(ReadUsedFiles(app.AppFolder, QStringLiteral("sysmem2")), (QStringList{before, chosen}));
    // The file of the data folder is named relative to it, the other one whole.
    EXPECT_EQ(bytes(app.DataFile(QStringLiteral("sysmem2"))), (QLatin1Char('"') + QFileInfo(before).fileName() + QStringLiteral("\"\r\n\"") + chosen + QStringLiteral("\"\r\n")).toUtf8());
    EXPECT_TRUE(main.cmdnapcvden->isEnabled() && main.cmdnapcvdi->isEnabled());
}

TEST_F(Chooser, ARefusedDocumentFileChangesNothing)
{
    const QString before = app.DocFile;
    const QByteArray settings = bytes(app.DataFile(QStringLiteral("sysmem")));
    const QString linked = folder.path(QStringLiteral("lien-ket.mdb"));
    ASSERT_TRUE(QFile::link(before, linked));
    const QString damaged = elsewhere(QStringLiteral("hong"));
    write(damaged, "not a data file");
    const QString alone = elsewhere(QStringLiteral("le"), QString());

    open(main.mnuchondulieucongvan, [&](frmchondulieu& w) {
        for (const QString& path : {before.toUpper(), linked, folder.path(QStringLiteral("khong/zeltcv.mdb")), damaged, app.TemplateFile, alone})
            EXPECT_FALSE(accept(w, path)) << path.toStdString();
    });
    const QString same = QStringLiteral("File dữ liệu vừa chọn chính là file đang dùng ! (");
    EXPECT_EQ(modal.messageTexts(),
              (QStringList{same + before.toUpper() + QStringLiteral(")."), same + linked + QStringLiteral(")."),
                           QStringLiteral("Không tìm thấy file dữ liệu vừa chọn! \r\nCần dùng chức năng 'Tìm file mới' để tìm file dữ liệu định dùng!"),
                           QStringLiteral("File dữ liệu vừa chọn bị lỗi, không sử dụng được. "),
                           QStringLiteral("File dữ liệu vừa chọn bị lỗi, không sử dụng được. "),
                           // A missing reference file is called missing, with what to do.
                           QStringLiteral("Không tìm thấy file tham khảo zelttk.mdb trong thư mục ") + FolderOf(alone) +
                               QStringLiteral(" !\r\nCác danh sách tham khảo của file dữ liệu nằm ở file này: cần chép file "
                                              "zelttk.mdb vào cùng thư mục với file dữ liệu rồi chọn lại.")}));
    EXPECT_EQ(app.DocDb->Name(), before);
    EXPECT_EQ(bytes(app.DataFile(QStringLiteral("sysmem"))), settings);
}

TEST_F(Chooser, APlanFileIsUsedOnlyByAUserOfItsReferenceFile)
{
    const QString before = app.PlanFile, beforeRef = app.PlanRefFile;
    const QString chosen = elsewhere(QStringLiteral("lich"));
    engine::Database(folder.path(QStringLiteral("lich/zelttk.mdb")))
        .Execute(QStringLiteral("INSERT INTO nguoidung (hoten, tentrenmang, quyenhan, matkhau) VALUES ('Lan', 'lan', 'CB', 'mk')"));

    modal.drivers[QStringLiteral("frmlogin")] = [](QDialog& d) { QTest::mouseClick(static_cast<frmlogin&>(d).cmdCancel, Qt::LeftButton); };
    modal.answers = {QStringLiteral("yes")};  // the year's tables made in the new file
    open(main.mnuchondulieulich, [&](frmchondulieu& w) { EXPECT_FALSE(accept(w, chosen)); });
    EXPECT_EQ(last(), QStringLiteral("Phải hỏi người quản trị mạng để có quyền sử dụng file dữ liệu vừa chọn!"));
    EXPECT_EQ(app.UserRights, QStringLiteral("Q"));
    EXPECT_EQ(app.PlanRefFile, beforeRef);
    EXPECT_EQ(app.PlanFile, before);

    modal.drivers[QStringLiteral("frmlogin")] = testing_support::LoginAs(QStringLiteral("lan"), QStringLiteral("mk"));
    modal.answers = {QStringLiteral("yes")};
    open(main.mnuchondulieulich, [&](frmchondulieu& w) { EXPECT_TRUE(accept(w, chosen)); });
    EXPECT_EQ(app.UserFullName, QStringLiteral("Lan"));
    EXPECT_EQ(app.UserRights, QStringLiteral("CB"));
    EXPECT_EQ(app.PlanDb->Name(), chosen);
    EXPECT_EQ(app.UnitList->RecordCount(), 0);
    EXPECT_EQ(ReadUsedFiles(app.AppFolder, QStringLiteral("sysmem3")).front(), chosen);
}

TEST_F(Chooser, ABackupFileMustBeANewOrSoundFileInAWritableFolderAndNoFileInUse)
{
    QDir(folder.root()).mkpath(QStringLiteral("sao luu's"));
    const QString damaged = folder.path(QStringLiteral("sao luu's/hong.mdb"));
    write(damaged, "not a data file");
    const QString linked = folder.path(QStringLiteral("sao luu's/cv.mdb"));
    ASSERT_TRUE(QFile::link(app.DocFile, linked));
    open(main.mnubackup, [&](frmchondulieu& w) {
        for (const QString& path : {folder.path(QStringLiteral("sao luu's/ban sao")), folder.path(QStringLiteral("khong/ban.mdb")), linked,
                                    app.DocRefFile, damaged})
            EXPECT_FALSE(accept(w, path)) << path.toStdString();
        EXPECT_TRUE(accept(w, folder.path(QStringLiteral("sao luu's/ban sao.MDB"))));
    });
    const QStringList texts = modal.messageTexts();
    ASSERT_EQ(texts.size(), 6);
    EXPECT_EQ(texts[0], QStringLiteral("Cần thêm phần đuôi của tên file backup là .MDB "));
    EXPECT_TRUE(texts[1].startsWith(QStringLiteral("Không tìm thấy thư mục "))) << texts[1].toStdString();
    for (int k : {2, 3}) EXPECT_TRUE(texts[k].startsWith(QStringLiteral("File backup vừa chọn là file dữ liệu đang dùng"))) << k;
    EXPECT_EQ(texts[4], QStringLiteral("File backup vừa chọn bị lỗi, không sử dụng được. "));
    const QString backup = folder.path(QStringLiteral("sao luu's/bansao.MDB"));  // blanks out of the name, not the folder
    EXPECT_EQ(texts[5], QStringLiteral("Đã chọn file backup là ") + backup);
    // Made when chosen: the next start finds it.
    EXPECT_TRUE(engine::Database(backup).HasTable(app.InDocTable));
    EXPECT_EQ(ReadSysmem(app.DataFile(QStringLiteral("sysmem")))->BackupFile, backup);
}

TEST_F(Chooser, ASwitchThatFailsHalfWayLeavesThePreviousFilesInUse)
{
    const QString before = app.DocFile, backupBefore = app.BackupFile;
    const QByteArray used = bytes(app.DataFile(QStringLiteral("sysmem2")));
    const QString chosen = elsewhere(QStringLiteral("mang"));
    // The settings file cannot be written: the last step of the switch fails.
    QFile::remove(app.DataFile(QStringLiteral("sysmem")));
    QDir(folder.root()).mkpath(QStringLiteral("data/sysmem"));

    app.Owner().Register(QStringLiteral("frmgridcvden"), [](App&) { return new QWidget; });
    const QPointer<QWidget> hidden = app.Owner().Get(QStringLiteral("frmgridcvden"));
    modal.answers = {QStringLiteral("yes")};  // the year's tables made in the new file
    open(main.mnuchondulieucongvan, [&](frmchondulieu& w) { EXPECT_FALSE(accept(w, chosen)); });
    EXPECT_TRUE(hidden.isNull());  // the windows go before the switch is tried
    EXPECT_TRUE(last().startsWith(QStringLiteral("Có lỗi khi đang thay đổi file dữ liệu. Cần thực hiện lại việc này! \rKhông ghi được file ")));
    EXPECT_FALSE(modal.messageTexts().join(QString()).contains(QStringLiteral("Đã sử dụng")));
    EXPECT_EQ(app.DocFile, before);
    EXPECT_EQ(app.DocDb->Name(), before);
    EXPECT_EQ(app.SenderList->RecordCount(), 2);  // read from the reference file in use
    EXPECT_EQ(bytes(app.DataFile(QStringLiteral("sysmem2"))), used);

    open(main.mnubackup, [&](frmchondulieu& w) { EXPECT_FALSE(accept(w, folder.path(QStringLiteral("mang/bs.mdb")))); });
    EXPECT_TRUE(last().startsWith(QStringLiteral("Có lỗi khi đang tạo file backup. Cần thực hiện lại việc này! \r")));
    EXPECT_EQ(app.BackupFile, backupBefore);
}

TEST_F(Chooser, NoWindowOutlivesTheFilesItReads)
{
    const QString before = app.DocFile;
    const QString chosen = elsewhere(QStringLiteral("khac"));
    frmgridcvden::Instance(app)->ShowYear();
    const QPointer<QWidget> list = app.Window(QStringLiteral("frmgridcvden"));
    const QPointer<frmcvden> reg = frmcvden::Open(app);
    reg->StartNew();
    reg->mnoigui->setText(QStringLiteral("Sở Y tế"));
    reg->mdv_nhan->setText(QStringLiteral("Văn phòng"));
    reg->mtt_ndung->setPlainText(QStringLiteral("Về việc phòng dịch"));

    // No answer to the keep question: the record stays, and so do the files.
    modal.answers = {QStringLiteral("yes"), QStringLiteral("esc")};
    open(main.mnuchondulieucongvan, [&](frmchondulieu& w) { EXPECT_FALSE(accept(w, chosen)); });
    EXPECT_EQ(last(), QStringLiteral("Cần nạp, sửa xong bản ghi đang mở trước khi chọn file dữ liệu khác !"));
    EXPECT_EQ(app.DocFile, before);
    ASSERT_FALSE(reg.isNull());
    EXPECT_EQ(reg->mnoigui->text(), QStringLiteral("Sở Y tế"));
    EXPECT_FALSE(list.isNull());

    // Kept: written to the file it was typed for, then every window goes before the switch.
    modal.answers = {QStringLiteral("yes"), QStringLiteral("yes")};
    open(main.mnuchondulieucongvan, [&](frmchondulieu& w) { EXPECT_TRUE(accept(w, chosen)); });
    EXPECT_EQ(app.DocFile, chosen);
    EXPECT_TRUE(reg.isNull());
    EXPECT_TRUE(list.isNull());
    engine::Database old(before);
    EXPECT_EQ(Rows(old, QStringLiteral("SELECT noigui FROM cvden2026")), QStringList{QStringLiteral("Sở Y tế")});
    // The windows made again read the new file.
    frmgridcvden::Instance(app)->ShowYear();
    EXPECT_EQ(frmgridcvden::Instance(app)->Data1->Count(), 0);
}

TEST_F(Chooser, AnAdministratorCopiesTheWholeOfficeIntoAFolderWithItsProgressShown)
{
    InstallOfficeCopy(app);
    const OfficeFiles office{app.DocFile, app.PlanFile, app.DocRefFile};
    const QString target = folder.path(QStringLiteral("ban sao"));
    int steps = 0;
    modal.drivers[QStringLiteral("frmchepdulieu")] = [&](QDialog& d) {
        auto& w = static_cast<frmchepdulieu&>(d);
        EXPECT_TRUE(w.lblnguon->text().contains(app.DocFile));
        QTest::mouseClick(w.cmdchep, Qt::LeftButton);  // nothing typed
        w.noinhan->setText(target);
        modal.answers = {QStringLiteral("esc")};  // no answer: nothing is made
        QTest::mouseClick(w.cmdchep, Qt::LeftButton);
        EXPECT_FALSE(QFileInfo::exists(target));
        modal.answers = {QStringLiteral("yes")};
        QTest::mouseClick(w.cmdchep, Qt::LeftButton);
        steps = w.tiendo->maximum();
        EXPECT_EQ(w.tiendo->value(), steps);
        EXPECT_EQ(w.lblbuoc->text(), QStringLiteral("Đã chép xong"));
        EXPECT_TRUE(w.cmdchep->isEnabled() && w.cmddong->isEnabled());
        modal.answers = {QStringLiteral("yes")};
        EXPECT_FALSE(w.Copy());  // the folder holds the copy now
        EXPECT_EQ(w.lblbuoc->text(), QStringLiteral("Chưa chép được"));
    };
    main.mnuchepdulieu->trigger();
    EXPECT_GT(steps, 3);
    const QStringList texts = modal.messageTexts();
    ASSERT_EQ(texts.size(), 6);
    EXPECT_EQ(texts[0], QStringLiteral("Cần ghi địa chỉ máy chủ hoặc thư mục nhận dữ liệu!"));
    EXPECT_TRUE(texts[1].startsWith(QStringLiteral("Chép toàn bộ dữ liệu đang dùng (các năm, danh sách tham khảo, người dùng) sang ") + target +
                                    QStringLiteral(" ?\r")));
    EXPECT_TRUE(texts[3].startsWith(QStringLiteral("Đã chép xong dữ liệu sang ") + target)) << texts[3].toStdString();
    EXPECT_TRUE(texts[5].startsWith(QStringLiteral("Đã có file "))) << texts[5].toStdString();
    const OfficeFiles copy = OfficeInFolder(target);
    for (qsizetype k = 0; k < 3; ++k) {
        engine::Database a(office.all()[k], engine::Database::Access::ReadOnly), b(copy.all()[k], engine::Database::Access::ReadOnly);
        EXPECT_EQ(engine::Contents(a), engine::Contents(b)) << copy.all()[k].toStdString();
    }

    // A clerk without the administrator's rights is told so, and nothing opens.
    app.UserRights = QStringLiteral("CB");
    modal.drivers[QStringLiteral("frmchepdulieu")] = [](QDialog&) { ADD_FAILURE() << "opened for a clerk"; };
    main.mnuchepdulieu->trigger();
    EXPECT_EQ(last(), QStringLiteral("Phải có quyền quản trị mới được phép sử dụng chức năng này!"));
}

// Beside files the chooser takes a server's data: typed or picked, tried at once, then used as a
// chosen file is. A server that does not answer is refused with libpq's reason.
class ServerChooser : public Chooser {};

TEST_F(ServerChooser, AServerIsTriedAtOnceAndThenUsedAsAChosenFileIs)
{
    const QString before = app.DocFile;
    const QString away = QStringLiteral("postgresql://127.0.0.1:1/vanphong#zeltcv");
    open(main.mnuchondulieucongvan, [&](frmchondulieu& w) {
        w.filechon->setText(away);
        w.TryConnection();
        EXPECT_TRUE(w.lblketnoi->text().startsWith(QStringLiteral("Không kết nối được máy chủ dữ liệu 127.0.0.1:1 ("))) << w.lblketnoi->text().toStdString();
        EXPECT_FALSE(accept(w, away));
    });
    EXPECT_TRUE(last().startsWith(QStringLiteral("Không dùng được dữ liệu vừa chọn trên máy chủ! \r\nKhông kết nối được máy chủ dữ liệu 127.0.0.1:1 (")))
        << last().toStdString();
    EXPECT_EQ(app.DocFile, before);
    if (testing_support::TestServer().isEmpty()) GTEST_SKIP() << testing_support::kNoServer;

    const QString address = testing_support::NewServerDatabase();
    const CopyOutcome copied = CopyOffice({app.DocFile, app.PlanFile, app.DocRefFile}, OfficeOnServer(address));
    ASSERT_TRUE(copied.done) << copied.text.toStdString();
    const QString chosen = address + QStringLiteral("#zeltcv");
    modal.messages.clear();
    open(main.mnuchondulieucongvan, [&](frmchondulieu& w) {
        w.filechon->setText(chosen);
        QTest::keyClick(w.filechon, Qt::Key_Return);
        EXPECT_EQ(w.lblketnoi->text(), QStringLiteral("Kết nối được"));
        EXPECT_TRUE(accept(w, chosen));
    });
    EXPECT_EQ(last(), QStringLiteral("Đã sử dụng file dữ liệu \r\n") + chosen);
    EXPECT_EQ(app.DocDb->Name(), chosen);
    EXPECT_EQ(app.DocRefFile, address + QStringLiteral("#zelttk"));
    EXPECT_EQ(app.SenderList->RecordCount(), 2);  // the office's senders, copied with it
    EXPECT_EQ(ReadSysmem(app.DataFile(QStringLiteral("sysmem")))->DocFile, chosen);
    EXPECT_EQ(ReadUsedFiles(app.AppFolder, QStringLiteral("sysmem2")), (QStringList{chosen, before}));
    EXPECT_TRUE(main.Lblfiledulieu->text().contains(chosen));
    EXPECT_TRUE(main.cmdnapcvden->isEnabled() && main.cmdnapcvdi->isEnabled());  // many clerks write to a server
}
