// A clerk's day in the incoming register, through the real window: keys and clicks with QTest,
// questions answered by the scripted modal service.
#include "app.h"
#include "documents.h"
#include "backup.h"
#include "frmcvden.h"
#include "frmmain.h"
#include "jetsql.h"
#include "scriptedmodal.h"
#include "startup.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace korvane;

class Register : public ::testing::TestWithParam<testing_support::Backend> {
protected:
    bool onServer() const { return GetParam() == testing_support::Backend::Server; }
    void SetUp() override
    {
        if (onServer() && testing_support::TestServer().isEmpty()) GTEST_SKIP() << testing_support::kNoServer;
        QDir(folder.root()).mkpath(QStringLiteral("data"));
        QFile::copy(testing_support::templatePath(), folder.path(QStringLiteral("data/zeltgoc.mdb")));
        app.AppFolder = folder.root();
        app.Today = [] { return QDate(2026, 12, 9); };
        modal.drivers[QStringLiteral("frmlogin")] = testing_support::LoginAs(QStringLiteral("ai"), QString());
        ASSERT_TRUE(Startup(app, main).Run());
        if (onServer()) testing_support::MoveOfficeToServer(app);
        InstallDocumentWindows(app, &main);
        app.DocRefDb->Execute(QStringLiteral("INSERT INTO noigui (tendonvi, chutat, matt) VALUES ('Bộ Tài chính', 'btc', 'b')"));
        app.PlanRefDb->Execute(QStringLiteral("INSERT INTO donvi (tendonvi, chutat, matt) VALUES ('Phòng Tổ chức', 'ptc', 'p1')"));
        app.PlanRefDb->Execute(QStringLiteral("INSERT INTO donvi (tendonvi, chutat, matt) VALUES ('Văn phòng', 'vp', 'v2')"));
    }
    // A window left open by a test goes with it: it must not outlive the App it works on.
    void TearDown() override { delete form.data(); }
    frmcvden* open()
    {
        form = frmcvden::Open(app);
        // Focus moves (and the checks made on leaving a box) need the window to be active.
        QApplication::setActiveWindow(form);
        EXPECT_TRUE(QTest::qWaitForWindowActive(form));
        return form;
    }
    // Fills the required fields of the record being added or corrected.
    void fill(const QString& sender = QStringLiteral("Sở Y tế"))
    {
        form->mnoigui->setText(sender);
        form->mdv_nhan->setText(QStringLiteral("Văn phòng"));
        form->mtt_ndung->setPlainText(QStringLiteral("Về việc phòng dịch"));
    }
    QStringList column(const QString& sql)
    {
        auto rs = app.DocDb->OpenRecordset(sql, engine::RecordsetType::Snapshot);
        QStringList out;
        for (; !rs->Eof(); rs->MoveNext()) {
            QStringList row;
            for (const QString& f : rs->FieldNames()) row.append(rs->Field(f).toString());
            out.append(row.join(QLatin1Char('|')));
        }
        return out;
    }
    void key(QWidget* w, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::keyPress(w, k, m);
        QTest::keyRelease(w, k, m);
    }

    testing_support::TempFolder folder;
    testing_support::ScriptedModal modal;
    App app{modal};
    frmMain main{app};
    QPointer<frmcvden> form;
};
INSTANTIATE_TEST_SUITE_P(On, Register, ::testing::Values(testing_support::Backend::File, testing_support::Backend::Server),
                         testing_support::backendName<::testing::TestParamInfo<testing_support::Backend>>);

TEST_P(Register, AnEmptyRegister)
{
    open();
    EXPECT_EQ(app.FormMode, QStringLiteral("xemcv"));
    EXPECT_EQ(form->lbltrangthai->text(), QStringLiteral("Xem công văn đến"));
    EXPECT_EQ(form->mrecnum->text(), QStringLiteral("0/0"));
    EXPECT_TRUE(form->mnoigui->isReadOnly());
    EXPECT_FALSE(form->cmdUpdate->isEnabled());
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("xemcv"));
    key(form->mcd_dang, Qt::Key_PageUp);
    key(form->mcd_dang, Qt::Key_PageDown);
    EXPECT_EQ(form->mrecnum->text(), QStringLiteral("0/0"));
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("napcv"));
    EXPECT_EQ(form->mstt->text(), QStringLiteral("1"));
    EXPECT_EQ(form->mng_den->text(), QStringLiteral("09/12/2026"));
    EXPECT_EQ(form->mcd_dang->text(), QString());
    EXPECT_EQ(form->mloai->text(), QString());
    EXPECT_EQ(form->lbltrangthai->text(), QStringLiteral("Nạp công văn đến"));
    EXPECT_FALSE(form->mnoigui->isReadOnly());
    EXPECT_TRUE(form->mstt->isReadOnly());
    EXPECT_FALSE(form->Cmdtracuu->isEnabled());
    EXPECT_FALSE(form->Cmdin->isEnabled());
    EXPECT_FALSE(form->Cmdsua->isEnabled());
    EXPECT_TRUE(form->cmdsuasocvden->isEnabled());
}

TEST_P(Register, SavingMarksTheRecordForTheBackup)
{
    open();
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    // The required-field check names what is missing.
    form->mdv_nhan->setText(QStringLiteral("Văn phòng"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Cần phải điền đủ nội dung các ô :\rnơi gửi, tóm tắt nội dung"));
    EXPECT_EQ(app.FormMode, QStringLiteral("napcv"));
    fill();
    form->mng_cv->setText(QStringLiteral("1/12/26"));
    form->mng_cv->setFocus();
    form->mso_cv->setFocus();  // leaving the date box checks it
    EXPECT_EQ(form->mng_cv->text(), QStringLiteral("01/12/2026"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("xemcv"));
    EXPECT_EQ(column(QStringLiteral("SELECT id, stt, kieuupdate, idcu, ng_denchuan, ng_cvchuan, noigui FROM cvden2026")),
              QStringList{QStringLiteral("1|1|1|1|20261209|20261201|Sở Y tế")});
    EXPECT_EQ(form->mrecnum->text(), QStringLiteral("1/1"));
    // A correction before any backup leaves the row marked new (1); after a backup (here another
    // clerk's, while the row is on the screen) a correction is marked 2.
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("suacv"));
    EXPECT_EQ(form->Cmdsua->text(), QStringLiteral("Huỷ sửa"));
    EXPECT_EQ(form->lbltrangthai->text(), QStringLiteral("sửa công văn đang xem"));
    form->mso_cv->setText(QStringLiteral("15/BYT"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(column(QStringLiteral("SELECT so_cv, kieuupdate FROM cvden2026")), QStringList{QStringLiteral("15/BYT|1")});
    app.DocDb->Execute(QStringLiteral("UPDATE cvden2026 SET kieuupdate = 0"));
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->mso_cv->setText(QStringLiteral("15/BYT-2"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(column(QStringLiteral("SELECT so_cv, kieuupdate FROM cvden2026")), QStringList{QStringLiteral("15/BYT-2|2")});
    // Cancelling a correction brings the stored values back.
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->mso_cv->setText(QStringLiteral("khác"));
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    EXPECT_EQ(form->mso_cv->text(), QStringLiteral("15/BYT-2"));
    EXPECT_EQ(app.FormMode, QStringLiteral("xemcv"));
}

TEST_P(Register, ThreeClicksOnNewWriteTwoRecordsBothMarked)
{
    open();
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    fill(QStringLiteral("Bộ Nội vụ"));
    form->mcd_dang->setText(QStringLiteral("Công đoàn"));
    form->mloai->setText(QStringLiteral("Công văn"));
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(form->mstt->text(), QStringLiteral("2"));
    EXPECT_EQ(form->mcd_dang->text(), QStringLiteral("Công đoàn"));  // carried over from the last record
    EXPECT_EQ(form->mloai->text(), QStringLiteral("Công văn"));
    fill(QStringLiteral("Bộ Công an"));
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("napcv"));
    // Mended: the "Nạp mới" path marks its records as "Ghi đĩa" does.
    EXPECT_EQ(column(QStringLiteral("SELECT stt, kieuupdate, idcu = id FROM cvden2026 ORDER BY id")),
              (QStringList{QStringLiteral("1|1|1"), QStringLiteral("2|1|1")}));
    // F6 copies the carried-over value into the field with focus.
    form->mnoigui->setFocus();
    key(form->mnoigui, Qt::Key_F6);
    EXPECT_EQ(form->mnoigui->text(), QStringLiteral("Bộ Công an"));
    // Answering "no" abandons the open record and shows the one before.
    modal.answers = {QStringLiteral("no")};
    key(form->mnoigui, Qt::Key_PageUp);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Có lưu giữ bản ghi đang nạp không ?"));
    EXPECT_EQ(app.FormMode, QStringLiteral("xemcv"));
    EXPECT_EQ(column(QStringLiteral("SELECT count(*) FROM cvden2026")), QStringList{QStringLiteral("2")});
    EXPECT_EQ(form->mstt->text(), QStringLiteral("1"));  // PgUp went on to the record before the last
}

TEST_P(Register, TheNextNumberComesFromTheLastRecord)
{
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui) VALUES ('40', 'a')"));
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui) VALUES ('17', 'b')"));
    open();
    EXPECT_EQ(form->mrecnum->text(), QStringLiteral("2/2"));  // the last record is current
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(form->mstt->text(), QStringLiteral("18"));
    modal.answers = {QStringLiteral("no")};
    key(form->mcd_dang, Qt::Key_Escape);
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui) VALUES ('12a', 'c')"));
    form->Data1->Refresh();
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(form->mstt->text(), QStringLiteral("13"));
    // "Số mới" lets the clerk type another number; leaving the box locks it again.
    QTest::mouseClick(form->cmdsuasocvden, Qt::LeftButton);
    EXPECT_FALSE(form->mstt->isReadOnly());
    form->mstt->setText(QStringLiteral("100"));
    form->mnoigui->setFocus();
    EXPECT_TRUE(form->mstt->isReadOnly());
    EXPECT_EQ(form->mstt->text(), QStringLiteral("100"));
}

TEST_P(Register, EditingKeys)
{
    open();
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    form->mcd_dang->setFocus();
    key(form->mcd_dang, Qt::Key_F5);
    EXPECT_EQ(form->mcd_dang->text(), QStringLiteral("Công đoàn"));
    EXPECT_TRUE(form->mloai->hasFocus());
    form->mcd_dang->setFocus();
    key(form->mcd_dang, Qt::Key_F5);
    EXPECT_EQ(form->mcd_dang->text(), QStringLiteral("Đảng,NN"));
    struct Step {
        QString before;
        Qt::KeyboardModifiers mods;
        QString after;
    } steps[] = {
        {QStringLiteral("01/03/2001"), Qt::ShiftModifier, QStringLiteral("01/03/2001")},  // 0/03/2001 is no date
        {QStringLiteral("28/02/2001"), Qt::NoModifier, QStringLiteral("28/02/2001")},     // 29/02/2001 neither
        {QStringLiteral("28/02/2004"), Qt::NoModifier, QStringLiteral("29/02/2004")},
        {QStringLiteral("5/03/2001"), Qt::NoModifier, QStringLiteral("5/03/2001")},       // "5/" reads 5: 603/2001
        {QStringLiteral("10/05/2026"), Qt::ShiftModifier, QStringLiteral("09/05/2026")},
        {QString(), Qt::NoModifier, QStringLiteral("09/12/2026")},
    };
    form->mng_cv->setFocus();
    for (const Step& s : steps) {
        form->mng_cv->setText(s.before);
        key(form->mng_cv, Qt::Key_F5, s.mods);
        EXPECT_EQ(form->mng_cv->text(), s.after) << s.before.toStdString();
    }
    key(form->mng_cv, Qt::Key_F4);
    EXPECT_EQ(form->mng_cv->text(), QString());
    // An impossible date is refused when the box is left.
    form->mng_cv->setText(QStringLiteral("31/2/2026"));
    form->mso_cv->setFocus();
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Cần nhập lại ngày tháng năm cho đúng!"));
    EXPECT_EQ(form->mng_cv->text(), QString());
    // The unit pick grid adds units one after another.
    form->mdv_nhan->setFocus();
    key(form->mdv_nhan, Qt::Key_F5);
    ASSERT_TRUE(form->DBGriddv_nhan->isVisible());
    emit form->DBGriddv_nhan->RowDoubleClicked(0);
    emit form->DBGriddv_nhan->RowDoubleClicked(1);
    EXPECT_EQ(form->mdv_nhan->text(), QStringLiteral("Phòng Tổ chức, Văn phòng"));
    key(form->DBGriddv_nhan, Qt::Key_Escape);
    EXPECT_TRUE(form->mdv_nhan->hasFocus());
    EXPECT_FALSE(form->DBGriddv_nhan->isVisible());
    // Abbreviations of the senders list expand in the sender box.
    form->mnoigui->setFocus();
    form->mnoigui->clear();
    QTest::keyClicks(form->mnoigui, QStringLiteral("btc"));
    QTest::keyClick(form->mnoigui, Qt::Key_Space);
    EXPECT_EQ(form->mnoigui->text(), QStringLiteral("Bộ Tài chính "));
    // The document-type list fills the type box.
    emit form->DBComboloai->ListClicked(QStringLiteral("Công điện"));
    EXPECT_EQ(form->mloai->text(), QStringLiteral("Công điện"));
    // Letters typed on the closed list choose the type they begin, with any marks.
    QTest::keyClicks(form->DBComboloai, QStringLiteral("de"));
    EXPECT_EQ(form->mloai->text(), QStringLiteral("Đề án"));
    QTest::qWait(QApplication::keyboardInputInterval() + 100);
    QTest::keyClicks(form->DBComboloai, QStringLiteral("du"));
    EXPECT_EQ(form->mloai->text(), QStringLiteral("Dự án"));

    // Esc, and the keep question closed without an answer: the record stays as typed, unwritten.
    fill();
    modal.answers = {QStringLiteral("esc")};
    key(form->mtt_ndung, Qt::Key_Escape);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Có lưu giữ bản ghi đang nạp không ?"));
    EXPECT_EQ(form->lbltrangthai->text(), QStringLiteral("Nạp công văn đến"));
    EXPECT_EQ(form->mnoigui->text(), QStringLiteral("Sở Y tế"));
    EXPECT_EQ(column(QStringLiteral("SELECT count(*) FROM cvden2026")), QStringList{QStringLiteral("0")});
    modal.answers = {QStringLiteral("yes")};
    key(form->mtt_ndung, Qt::Key_Escape);
    // A correction: Esc at the question keeps it on screen and leaves the file as it was.
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->mso_cv->setText(QStringLiteral("15/UBND"));
    modal.answers = {QStringLiteral("esc")};
    key(form->mso_cv, Qt::Key_Escape);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Có lưu giữ những sửa đổi vừa thực hiện không ?"));
    EXPECT_EQ(form->lbltrangthai->text(), QStringLiteral("sửa công văn đang xem"));
    EXPECT_EQ(form->mso_cv->text(), QStringLiteral("15/UBND"));
    EXPECT_EQ(column(QStringLiteral("SELECT so_cv, noigui FROM cvden2026")), QStringList{QStringLiteral("|Sở Y tế")});
}

TEST_P(Register, PagingJumpingAndTheSearchHandOver)
{
    for (int k = 1; k <= 5; ++k)
        app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui) VALUES ('%1', 'nơi %1')").arg(k));
    open();
    EXPECT_EQ(form->mrecnum->text(), QStringLiteral("5/5"));
    key(form->mcd_dang, Qt::Key_PageUp);
    key(form->mcd_dang, Qt::Key_PageUp);
    EXPECT_EQ(form->mstt->text(), QStringLiteral("3"));
    for (const char* typed : {"0", "-3", "9", "3"}) {
        form->mrecnum->setText(QLatin1String(typed));
        key(form->mrecnum, Qt::Key_Return);
        EXPECT_EQ(form->mrecnum->text(), QStringLiteral("3/5")) << typed;
    }
    form->mrecnum->setText(QStringLiteral("1/5"));
    key(form->mrecnum, Qt::Key_Return);
    EXPECT_EQ(form->mstt->text(), QStringLiteral("1"));
    key(form->mcd_dang, Qt::Key_PageUp);  // already the first
    EXPECT_EQ(form->mrecnum->text(), QStringLiteral("1/5"));
    QTest::mouseClick(form->Cmdtracuu, Qt::LeftButton);
    EXPECT_EQ(app.CurrentDocId, 1);
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    QTest::mouseClick(form->Cmdtracuu, Qt::LeftButton);  // disabled while adding
    form->GoToSearch();
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Bạn phải nạp, sửa xong mới có thể tìm kiếm được !"));
    form->Correct();
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Bạn phải nạp xong mới sửa được !"));
}

TEST_P(Register, ClosingRunsTheBackupAndBringsBackTheMainWindow)
{
    app.BackupFile = folder.path(QStringLiteral("backup.mdb"));
    open();
    main.hide();
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    fill();
    modal.answers = {QStringLiteral("yes")};
    QTest::mouseClick(form->cmdclose, Qt::LeftButton);
    // The keep question, then (from a server) the notice while the whole file is copied.
    EXPECT_EQ(modal.messageTexts().value(onServer() ? modal.messageTexts().size() - 2 : modal.messageTexts().size() - 1),
              QStringLiteral("Có lưu giữ bản ghi đang nạp không ?"));
    EXPECT_TRUE(form.isNull() || !form->isVisible());
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(QFile::exists(app.BackupFile));  // the first backup copies the whole file
    EXPECT_EQ(column(QStringLiteral("SELECT kieuupdate FROM cvden2026")), QStringList{QStringLiteral("0")});
}

TEST_P(Register, AWriteTheFileRefusesIsReportedAndNothingChanges)
{
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui, dv_nhan, tt_ndung, ng_den) VALUES ('1', 'a', 'b', 'c', '01/01/2026')"));
    app.DocDb = std::make_unique<engine::Database>(app.DocFile, engine::Database::Access::ReadOnly);
    open();
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->mso_cv->setText(QStringLiteral("mới"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    ASSERT_FALSE(modal.systemMessages.isEmpty());
    EXPECT_TRUE(modal.systemMessages.last().startsWith(QStringLiteral("Lỗi dữ liệu : ")));
    EXPECT_EQ(app.FormMode, QStringLiteral("suacv"));  // the record stays open
    engine::Database check(app.DocFile, engine::Database::Access::ReadOnly);
    EXPECT_EQ(check.OpenRecordset(QStringLiteral("cvden2026"))->Field(QStringLiteral("so_cv")).toString(), QString());
}

TEST_P(Register, NoKeyChangesALockedRecord)
{
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui, tt_ndung, mat, kieuupdate) VALUES ('1', 'a', 'x', 'm', 0)"));
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui, tt_ndung, mat, kieuupdate) VALUES ('2', 'btc', 'ub', 'mật', 0)"));
    app.LocalRefDb->Execute(QStringLiteral("INSERT INTO chutat (chutat, chudu, matt) VALUES ('ub', 'ủy ban', 'u')"));
    app.AbbreviationList = app.LocalRefDb->OpenRecordset(QStringLiteral("SELECT * FROM chutat ORDER BY matt"), engine::RecordsetType::Snapshot);
    open();
    ASSERT_EQ(form->mnoigui->text(), QStringLiteral("btc"));
    for (QWidget* box : {static_cast<QWidget*>(form->mnoigui), static_cast<QWidget*>(form->mtt_ndung), static_cast<QWidget*>(form->mmat)}) {
        box->setFocus();
        for (Qt::Key k : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Comma, Qt::Key_F4, Qt::Key_F5, Qt::Key_F6}) {
            key(box, Qt::Key_End);  // the caret after the abbreviation, where a clerk's click puts it
            key(box, k);
        }
        form->mso_cv->setFocus();  // leaving expands too, when a box may be changed
    }
    EXPECT_EQ(form->mnoigui->text(), QStringLiteral("btc"));
    EXPECT_EQ(form->mtt_ndung->toPlainText(), QStringLiteral("ub"));
    EXPECT_EQ(form->mmat->text(), QStringLiteral("mật"));
    key(form->mcd_dang, Qt::Key_PageUp);
    EXPECT_EQ(column(QStringLiteral("SELECT noigui, tt_ndung, kieuupdate FROM cvden2026 ORDER BY id")),
              (QStringList{QStringLiteral("a|x|0"), QStringLiteral("btc|ub|0")}));
    EXPECT_TRUE(modal.messages.empty());
}

TEST_P(Register, TickingDealtWithAloneIsACorrection)
{
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui, dv_nhan, tt_ndung, ng_den, kieuupdate) VALUES ('1', 'a', 'b', 'c', '01/01/2026', 0)"));
    open();
    // With one record: the save writes the tick as a correction.
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->Checkdaxuly->click();
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(column(QStringLiteral("SELECT da_xuli, kieuupdate FROM cvden2026")), QStringList{QStringLiteral("-1|2")});
    // With several: leaving the record by PgUp asks, and "yes" saves it as a correction.
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui, dv_nhan, tt_ndung, ng_den, kieuupdate) VALUES ('2', 'a', 'b', 'c', '01/01/2026', 0)"));
    app.DocDb->Execute(QStringLiteral("UPDATE cvden2026 SET kieuupdate = 0"));
    form->Data1->Refresh();
    form->Data1->MoveLast();
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->Checkdaxuly->click();
    modal.answers = {QStringLiteral("yes")};
    key(form->Checkdaxuly, Qt::Key_PageUp);  // the form's keys work on the check box too
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Có lưu giữ những sửa đổi vừa thực hiện không ?"));
    EXPECT_EQ(column(QStringLiteral("SELECT stt, da_xuli, kieuupdate FROM cvden2026 ORDER BY id")),
              (QStringList{QStringLiteral("1|-1|0"), QStringLiteral("2|-1|2")}));
    EXPECT_EQ(app.FormMode, QStringLiteral("xemcv"));
}

TEST_P(Register, TwoClerksNeverGetTheSameNumber)
{
    for (int k = 1; k <= 3; ++k) app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui) VALUES ('%1', 'a')").arg(k));
    open();
    engine::Database other(app.DocFile);  // another clerk's program on the same file
    other.Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui, kieuupdate) VALUES ('4', 'b', 1)"));
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(form->mstt->text(), QStringLiteral("5"));  // the other clerk's row is seen
    // The other clerk saves 5 while this clerk is still typing: this one gets the next number.
    other.Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui, kieuupdate) VALUES ('5', 'c', 1)"));
    fill();
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Số 5 vừa được dùng cho một công văn khác. Công văn này được ghi với số 6 !"));
    EXPECT_EQ(form->mstt->text(), QStringLiteral("6"));
    EXPECT_EQ(column(QStringLiteral("SELECT stt, noigui FROM cvden2026 WHERE id > 3 ORDER BY id")),
              (QStringList{QStringLiteral("4|b"), QStringLiteral("6|Sở Y tế"), QStringLiteral("5|c")}));
    // A number the clerk typed with "Số mới" is kept as typed.
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    QTest::mouseClick(form->cmdsuasocvden, Qt::LeftButton);
    form->mstt->setText(QStringLiteral("4"));
    fill();
    modal.messages.clear();
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_TRUE(modal.messages.empty());
    EXPECT_EQ(column(QStringLiteral("SELECT count(*) FROM cvden2026 WHERE stt = '4'")), QStringList{QStringLiteral("2")});
    // A number that an older document already held when it was proposed is kept: the next number
    // comes from the last record, whatever the others carry.
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(form->mstt->text(), QStringLiteral("5"));
    fill();
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_TRUE(modal.messages.empty());
    EXPECT_EQ(column(QStringLiteral("SELECT count(*) FROM cvden2026 WHERE stt = '5'")), QStringList{QStringLiteral("2")});
}

TEST_P(Register, TwoClerksCorrectingTheSameDocumentLoseNothingUnseen)
{
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, so_cv, noigui, dv_nhan, tt_ndung, ng_den) VALUES ('1', '10/UB', 'a', 'b', 'c', '01/01/2026')"));
    open();
    engine::Database other(app.DocFile);
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->mso_cv->setText(QStringLiteral("11/UB"));
    other.Execute(QStringLiteral("UPDATE cvden2026 SET so_cv = '12/UB', kieuupdate = 2"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    ASSERT_FALSE(modal.systemMessages.isEmpty());
    EXPECT_TRUE(modal.systemMessages.last().startsWith(QStringLiteral("Lỗi dữ liệu : ")));
    EXPECT_EQ(app.FormMode, QStringLiteral("suacv"));
    EXPECT_EQ(form->mso_cv->text(), QStringLiteral("12/UB"));  // the row as the other clerk left it
    EXPECT_EQ(column(QStringLiteral("SELECT so_cv FROM cvden2026")), QStringList{QStringLiteral("12/UB")});
    // The message names the field with both texts; what this clerk typed is one key away.
    EXPECT_TRUE(modal.systemMessages.last().contains(QStringLiteral("\r- Số công văn : trong file \"12/UB\", bạn gõ \"11/UB\"")))
        << modal.systemMessages.last().toStdString();
    EXPECT_TRUE(modal.systemMessages.last().endsWith(QStringLiteral("\rF7 : đưa lại vào các ô những gì bạn đã gõ.")));
    EXPECT_TRUE(form->lblhuongdan->text().contains(QStringLiteral("F7 : đưa lại những gì bạn đã gõ mà chưa ghi được")));
    form->cmdUpdate->setFocus();
    key(form->cmdUpdate, Qt::Key_F7);
    EXPECT_EQ(form->mso_cv->text(), QStringLiteral("11/UB"));
    EXPECT_FALSE(form->lblhuongdan->text().contains(QStringLiteral("F7")));
    // Corrected again over what is now there, the save goes through.
    form->mso_cv->setText(QStringLiteral("13/UB"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("xemcv"));
    EXPECT_EQ(column(QStringLiteral("SELECT so_cv, kieuupdate FROM cvden2026")), QStringList{QStringLiteral("13/UB|2")});
    // Left with Esc after a refusal, the typed text still comes back at the next correction.
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->mnoigui->setText(QStringLiteral("Sở Tư pháp"));
    other.Execute(QStringLiteral("UPDATE cvden2026 SET noigui = 'Sở Xây dựng'"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(form->mnoigui->text(), QStringLiteral("Sở Xây dựng"));
    key(form->mnoigui, Qt::Key_Escape);
    EXPECT_EQ(app.FormMode, QStringLiteral("xemcv"));
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    key(form->mnoigui, Qt::Key_F7);
    EXPECT_EQ(form->mnoigui->text(), QStringLiteral("Sở Tư pháp"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(column(QStringLiteral("SELECT noigui FROM cvden2026")), QStringList{QStringLiteral("Sở Tư pháp")});
    // Another clerk's backup (which resets the mark) or a change to another field while this clerk
    // corrects is no conflict: both are kept.
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->mso_cv->setText(QStringLiteral("14/UB"));
    other.Execute(QStringLiteral("UPDATE cvden2026 SET kieuupdate = 0, mat = 'Mật'"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("xemcv"));
    EXPECT_EQ(column(QStringLiteral("SELECT so_cv, mat, kieuupdate FROM cvden2026")), QStringList{QStringLiteral("14/UB|Mật|2")});
}

TEST_P(Register, KeysAndEnterWorkOnButtonsPickGridsAndEmptyCarryOvers)
{
    open();
    // Enter on a focused button presses it.
    form->cmdAdd->setFocus();
    key(form->cmdAdd, Qt::Key_Return);
    EXPECT_EQ(app.FormMode, QStringLiteral("napcv"));
    // F6 with nothing to carry over (the first record) keeps what was typed.
    form->mnoigui->setFocus();
    form->mnoigui->setText(QStringLiteral("Sở Y tế"));
    key(form->mnoigui, Qt::Key_F6);
    EXPECT_EQ(form->mnoigui->text(), QStringLiteral("Sở Y tế"));
    // Enter in a pick grid picks the current row; the name column has the room.
    form->mdv_nhan->setFocus();
    key(form->mdv_nhan, Qt::Key_F5);
    ASSERT_TRUE(form->DBGriddv_nhan->isVisible());
    key(form->DBGriddv_nhan, Qt::Key_Down);
    key(form->DBGriddv_nhan, Qt::Key_Return);
    EXPECT_EQ(form->mdv_nhan->text(), QStringLiteral("Văn phòng"));
    EXPECT_GT(form->DBGriddv_nhan->columnWidth(0), form->DBGriddv_nhan->columnWidth(1));
    // Esc on a button runs the save question.
    form->mtt_ndung->setPlainText(QStringLiteral("Về việc"));
    form->cmdclose->setFocus();
    modal.answers = {QStringLiteral("yes")};
    key(form->cmdclose, Qt::Key_Escape);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Có lưu giữ bản ghi đang nạp không ?"));
    EXPECT_EQ(app.FormMode, QStringLiteral("xemcv"));
    EXPECT_EQ(column(QStringLiteral("SELECT dv_nhan FROM cvden2026")), QStringList{QStringLiteral("Văn phòng")});
}

TEST_P(Register, OneRegisterWhicheverWayItIsOpenedAndItsRecordIsItsOwn)
{
    InstallDocumentWindows(app, &main);
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui) VALUES ('1', 'Sở Y tế')"));
    main.show();
    QTest::mouseClick(main.cmdnapcvden, Qt::LeftButton);
    form = qobject_cast<frmcvden*>(app.Window(QStringLiteral("frmcvden")));
    ASSERT_NE(form, nullptr);
    // Register -> search -> list -> back: the register comes back, the search it went through goes.
    QTest::mouseClick(form->Cmdtracuu, Qt::LeftButton);
    auto* search = app.Window(QStringLiteral("frmtracuucvden"));
    ASSERT_NE(search, nullptr);
    QTest::mouseClick(search->findChild<QPushButton*>(QStringLiteral("cmdtracuu")), Qt::LeftButton);
    auto* list = app.Window(QStringLiteral("frmgridcvden"));
    ASSERT_TRUE(list && list->isVisible());
    QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("cmdclose")), Qt::LeftButton);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(search->isVisible());
    EXPECT_FALSE(list->isVisible());

    // A record being added survives the main window opening the register again and other windows.
    QApplication::setActiveWindow(form);
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    fill(QStringLiteral("Bộ Tài chính"));
    main.show();
    QTest::mouseClick(main.cmdnapcvden, Qt::LeftButton);
    EXPECT_EQ(app.Window(QStringLiteral("frmcvden")), form.data());
    int registers = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) registers += qobject_cast<frmcvden*>(w) != nullptr;
    EXPECT_EQ(registers, 1);
    EXPECT_EQ(form->lbltrangthai->text(), QStringLiteral("Nạp công văn đến"));
    // The main window's frame with no answer to the keep question: the program and the record stay.
    modal.answers = {QStringLiteral("esc")};
    EXPECT_FALSE(main.close());
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Có lưu giữ bản ghi đang nạp không ?"));
    ASSERT_TRUE(form && form->isVisible());
    EXPECT_EQ(form->lbltrangthai->text(), QStringLiteral("Nạp công văn đến"));
    main.show();
    QTest::mouseClick(main.Cmdxemcvden, Qt::LeftButton);  // another window takes the hand-over value
    EXPECT_EQ(form->mnoigui->text(), QStringLiteral("Bộ Tài chính"));
    EXPECT_TRUE(form->Save());
    EXPECT_EQ(column(QStringLiteral("SELECT noigui FROM cvden2026 ORDER BY id")),
              (QStringList{QStringLiteral("Sở Y tế"), QStringLiteral("Bộ Tài chính")}));
    EXPECT_EQ(form->lbltrangthai->text(), QStringLiteral("Xem công văn đến"));
}
