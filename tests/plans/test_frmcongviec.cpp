// The plan register through its real window: adding with carried-over values, the save's checks
// and stamps, the rights of "CB" staff, deleting, and the ways out and back.
#include "frmcongviec.h"
#include "frmtxt.h"
#include "office.h"
#include "plans.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace korvane;

class PlanRegister : public OfficeOnBoth {
protected:
    void SetUp() override
    {
        Office::SetUp();
        if (IsSkipped()) return;
        InstallPlanWindows(app, &main);
        app.UserFullName = QStringLiteral("Lan");
        app.PlanRefDb->Execute(QStringLiteral("INSERT INTO bophan (donvi, phong, matt) VALUES ('Văn phòng', 'Phòng Hành chính', 'h')"));
    }
    void TearDown() override { delete form.data(); }
    frmcongviec* open()
    {
        form = frmcongviec::Open(app);
        return activate(form.data());
    }
    // A plan as another clerk (or an older session) left it in the file.
    void insertPlan(const QString& summary, const QString& start, const QString& end, const QString& saver = QString())
    {
        app.PlanDb->Execute(QStringLiteral("INSERT INTO kehoach2026 (Tendonvi, bophan, loai, ndungtt, Tgianbdau, Tgiankthuc, "
                                           "Tgianbdauchuan, Tgiankthucchuan, canbo, nguoicapnhat) VALUES ('Văn phòng', "
                                           "'Phòng Hành chính', 'Hội nghị', '%1', '%2', '%3', '%4', '%5', 'Cán bộ %1', '%6')")
                                .arg(summary, start, end, NormalDate(start), NormalDate(end), saver));
    }
    QStringList plans(const QString& sql) { return Rows(*app.PlanDb, sql); }
    void fill(const QString& summary, const QString& start, const QString& end)
    {
        form->txtban->setText(QStringLiteral("Văn phòng"));
        form->txtndungtt->setText(summary);
        form->Txttgianbdau->setText(start);
        form->Txttgiankthuc->setText(end);
    }
    static frmtxt* shownZoom()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* z = qobject_cast<frmtxt*>(w); z && z->isVisible()) return z;
        return nullptr;
    }
    QPointer<frmcongviec> form;
};
KORVANE_ON_BOTH_ENGINES(PlanRegister);

TEST_P(PlanRegister, NewPlansCarryTheLastUnitDepartmentAndTypeAndAreStampedWhenSaved)
{
    main.show();
    QTest::mouseClick(main.cmdnapkh, Qt::LeftButton);
    form = frmcongviec::Find(app);
    ASSERT_TRUE(form);
    activate(form.data());
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(app.FormMode, QStringLiteral("xemkehoach"));
    EXPECT_FALSE(form->Cmdsua->isEnabled());  // nothing to correct or delete yet
    EXPECT_FALSE(form->cmdDelete->isEnabled());

    // On an empty table the new plan starts empty, and F6 has only empty text to give.
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("napkehoach"));
    EXPECT_EQ(form->cmdAdd->text(), QStringLiteral("&Huỷ nạp"));
    EXPECT_EQ(form->lbltrangthai->text(), QStringLiteral("Nạp công việc"));
    // The main window opening the register again, then the list, leaves the plan being typed.
    main.show();
    QTest::mouseClick(main.cmdnapkh, Qt::LeftButton);
    main.show();
    QTest::mouseClick(main.cmdxemkh, Qt::LeftButton);
    EXPECT_EQ(frmcongviec::Find(app), form.data());
    EXPECT_EQ(form->lbltrangthai->text(), QStringLiteral("Nạp công việc"));
    EXPECT_EQ(form->cmdAdd->text(), QStringLiteral("&Huỷ nạp"));
    activate(form.data());
    EXPECT_TRUE(form->txtban->text().isEmpty());
    form->txtcanbo->setText(QStringLiteral("gõ dở"));
    form->txtcanbo->setFocus();
    key(form->txtcanbo, Qt::Key_F6);
    EXPECT_TRUE(form->txtcanbo->text().isEmpty());

    // A unit picked from its list fills the name and the hidden id.
    ASSERT_EQ(form->DBCombodonvi->count(), 2);
    form->DBCombodonvi->setCurrentIndex(1);
    emit form->DBCombodonvi->activated(1);
    EXPECT_EQ(form->txtban->text(), QStringLiteral("Văn phòng"));
    EXPECT_FALSE(form->txtiddonvi->text().isEmpty());
    form->DBCombophong->setCurrentIndex(0);
    emit form->DBCombophong->activated(0);
    form->txtloai->setText(QStringLiteral("Hội nghị"));
    form->txtndungtt->setText(QStringLiteral("Tổng kết năm"));
    form->Txttgianbdau->setText(QStringLiteral("5/2/2026"));
    form->Txttgiankthuc->setText(QStringLiteral("05/02/2026"));  // the same day is allowed
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("xemkehoach"));
    EXPECT_EQ(plans(QStringLiteral("SELECT Tendonvi, bophan, Tgianbdau, Tgianbdauchuan, Tgiankthucchuan, ngaycapnhat, ngaycapnhatchuan, "
                                   "nguoicapnhat FROM kehoach2026")),
              QStringList{QStringLiteral("Văn phòng|Phòng Hành chính|05/02/2026|20260205|20260205|09/12/2026|20261209|") + app.UserFullName});
    EXPECT_EQ(form->mrecnum->text(), QStringLiteral("1/1"));
    EXPECT_EQ(form->DBComboloai->findText(QStringLiteral("Hội nghị")), 0);  // the new type is offered at once

    // The next plan starts with the last plan's unit, department and type, not its hidden ids.
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(form->txtban->text(), QStringLiteral("Văn phòng"));
    EXPECT_EQ(form->txtphong->text(), QStringLiteral("Phòng Hành chính"));
    EXPECT_EQ(form->txtloai->text(), QStringLiteral("Hội nghị"));
    EXPECT_TRUE(form->txtiddonvi->text().isEmpty() || form->txtiddonvi->text() == QStringLiteral("0"));
    EXPECT_TRUE(form->txtndungtt->text().isEmpty());
    // "Huỷ nạp" gives it up.
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("xemkehoach"));
    EXPECT_EQ(plans(QStringLiteral("SELECT count(*) FROM kehoach2026")), QStringList{QStringLiteral("1")});

    QTest::mouseClick(form->cmdclose, Qt::LeftButton);
    EXPECT_TRUE(main.isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(form);
}

TEST_P(PlanRegister, TheSaveChecksRequiredFieldsAndDatesEvenWhenStartedByItsAltKey)
{
    open();
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    form->txtndungtt->setText(QStringLiteral("Họp giao ban"));
    form->Txttgiankthuc->setText(QStringLiteral("06/02/2026"));
    alt(form->txtndungtt, Qt::Key_G);
    ASSERT_FALSE(modal.messages.empty());
    EXPECT_EQ(modal.messages.back().text, QStringLiteral("Cần phải điền đủ nội dung các ô :\rBan, thời gian bắt đầu"));
    EXPECT_EQ(app.FormMode, QStringLiteral("napkehoach"));

    // An end before the start is refused, also when the start was typed after the end.
    form->txtban->setText(QStringLiteral("Văn phòng"));
    activate(form.data());
    form->Txttgianbdau->setFocus();
    QTest::keyClicks(form->Txttgianbdau, QStringLiteral("10/02/2026"));
    alt(form->Txttgianbdau, Qt::Key_G);
    EXPECT_EQ(modal.messages.back().text,
              QStringLiteral("Thời gian kết thúc không thể đặt trước thời gian bắt đầu!\rCần nạp lại con số thời gian kết thúc!"));
    EXPECT_EQ(app.FormMode, QStringLiteral("napkehoach"));
    EXPECT_EQ(form->Txttgiankthuc->text(), QStringLiteral("06/02/2026"));  // its text stays to be corrected

    // A date that is none, still in its box when the Alt key saves, is refused and emptied.
    form->Txttgiankthuc->setText(QStringLiteral("32/13/2026"));
    activate(form.data());
    form->Txttgiankthuc->setFocus();
    alt(form->Txttgiankthuc, Qt::Key_G);
    EXPECT_EQ(modal.messages.back().text, QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng !"));
    EXPECT_TRUE(form->Txttgiankthuc->text().isEmpty());
    EXPECT_EQ(plans(QStringLiteral("SELECT count(*) FROM kehoach2026")), QStringList{QStringLiteral("0")});

    form->Txttgiankthuc->setText(QStringLiteral("12/02/2026"));
    activate(form.data());
    form->txtndungtt->setFocus();
    alt(form->txtndungtt, Qt::Key_G);
    EXPECT_EQ(app.FormMode, QStringLiteral("xemkehoach"));
    EXPECT_EQ(plans(QStringLiteral("SELECT Tgianbdauchuan, Tgiankthucchuan FROM kehoach2026")), QStringList{QStringLiteral("20260210|20260212")});
}

TEST_P(PlanRegister, CorrectingCarriesFromThePlanBeforeAndATickAloneIsSaved)
{
    insertPlan(QStringLiteral("Một"), QStringLiteral("01/03/2026"), QStringLiteral("02/03/2026"), QStringLiteral("Người trước"));
    insertPlan(QStringLiteral("Hai"), QStringLiteral("03/03/2026"), QStringLiteral("04/03/2026"), QStringLiteral("Người trước"));
    open();
    EXPECT_EQ(form->txtndungtt->text(), QStringLiteral("Hai"));  // opened on the last plan
    // F4 and F5 change nothing while viewing.
    form->Txttgianbdau->setFocus();
    key(form->Txttgianbdau, Qt::Key_F4);
    key(form->Txttgianbdau, Qt::Key_F5);
    EXPECT_EQ(form->Txttgianbdau->text(), QStringLiteral("03/03/2026"));
    EXPECT_TRUE(form->txtban->isReadOnly());

    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    EXPECT_EQ(form->Cmdsua->text(), QStringLiteral("&Huỷ sửa"));
    EXPECT_FALSE(form->cmdDelete->isEnabled());
    EXPECT_FALSE(form->cmdclose->isEnabled());
    key(form->txtndungtt, Qt::Key_F6);
    EXPECT_EQ(form->txtndungtt->text(), QStringLiteral("Một"));  // from the plan before
    key(form->Txttgiankthuc, Qt::Key_F5);
    EXPECT_EQ(form->Txttgiankthuc->text(), DisplayDate(app.Today(), app.Months));
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);  // "Huỷ sửa": nothing is kept
    EXPECT_EQ(form->txtndungtt->text(), QStringLiteral("Hai"));

    // On the first plan F6 copies from that plan itself.
    key(form->txtndungtt, Qt::Key_PageUp);
    EXPECT_EQ(form->mrecnum->text(), QStringLiteral("1/2"));
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->txtcanbo->clear();
    key(form->txtcanbo, Qt::Key_F6);
    EXPECT_EQ(form->txtcanbo->text(), QStringLiteral("Cán bộ Một"));
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);

    // Ticking "khẩn" alone is a correction, written with the saver's stamp.
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->chkkhan->setChecked(true);
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(plans(QStringLiteral("SELECT ndungtt, khan, nguoicapnhat, ngaycapnhatchuan FROM kehoach2026 WHERE khan <> 0")),
              QStringList{QStringLiteral("Một|-1|") + app.UserFullName + QStringLiteral("|20261209")});

    // The enlarged text: read only while viewing; while correcting, its change comes back.
    QTest::mouseClick(form->cmdxemct, Qt::LeftButton);
    frmtxt* zoom = shownZoom();
    ASSERT_TRUE(zoom);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(zoom->Text1->isReadOnly());
    activate(zoom);
    QTest::keyClick(zoom->Text1, Qt::Key_Escape);  // the keyboard's way back
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(zoom->isVisible());
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    QTest::mouseClick(form->cmdxemct, Qt::LeftButton);
    zoom = shownZoom();
    ASSERT_TRUE(zoom);
    // A character the data file cannot hold is refused as it is typed, not lost at closing.
    zoom->Text1->setPlainText(QStringLiteral("Giá 5 €"));
    EXPECT_EQ(zoom->Text1->toPlainText(), QString());
    zoom->Text1->setPlainText(QStringLiteral("Chi tiết mới"));
    zoom->close();
    EXPECT_EQ(form->txtndungct->toPlainText(), QStringLiteral("Chi tiết mới"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(plans(QStringLiteral("SELECT ndungct FROM kehoach2026 WHERE ndungtt = 'Một'")), QStringList{QStringLiteral("Chi tiết mới")});

    // Esc while correcting asks whether to keep the change; "no" drops it.
    activate(form.data());
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->txtcanbo->setText(QStringLiteral("bỏ đi"));
    modal.answers = {QStringLiteral("no")};
    QTest::keyClick(form->txtcanbo, Qt::Key_Escape);
    EXPECT_EQ(modal.messages.back().text, QStringLiteral("Có lưu giữ những sửa đổi vừa thực hiện không ?"));
    EXPECT_EQ(app.FormMode, QStringLiteral("xemkehoach"));
    EXPECT_EQ(form->txtcanbo->text(), QStringLiteral("Cán bộ Một"));

    // A user without a name of their own leaves the saver empty.
    app.UserFullName = QStringLiteral("Một người không rõ tên");
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->chkketthuc->setChecked(true);
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(plans(QStringLiteral("SELECT ketthuc, nguoicapnhat FROM kehoach2026 WHERE ndungtt = 'Một'")), QStringList{QStringLiteral("-1|")});
}

TEST_P(PlanRegister, ADeleteNeedsAYesAndAFailedWriteStaysOpen)
{
    insertPlan(QStringLiteral("Một"), QStringLiteral("01/03/2026"), QStringLiteral("02/03/2026"));
    insertPlan(QStringLiteral("Hai"), QStringLiteral("03/03/2026"), QStringLiteral("04/03/2026"));
    open();
    // An earlier "yes" must not answer a question closed with Esc.
    modal.answers = {QStringLiteral("yes")};
    app.Message(QStringLiteral("Câu hỏi trước"), QStringLiteral("yesno"));
    modal.answers = {QStringLiteral("esc")};
    QTest::mouseClick(form->cmdDelete, Qt::LeftButton);
    EXPECT_EQ(modal.messages.back().text, QStringLiteral("Có thực sự muốn xoá bản ghi này không ?"));
    modal.answers = {QStringLiteral("no")};
    QTest::mouseClick(form->cmdDelete, Qt::LeftButton);
    EXPECT_EQ(plans(QStringLiteral("SELECT count(*) FROM kehoach2026")), QStringList{QStringLiteral("2")});
    // Deleting the last plan moves to the new last one.
    modal.answers = {QStringLiteral("yes")};
    QTest::mouseClick(form->cmdDelete, Qt::LeftButton);
    EXPECT_EQ(plans(QStringLiteral("SELECT ndungtt FROM kehoach2026")), QStringList{QStringLiteral("Một")});
    EXPECT_EQ(form->txtndungtt->text(), QStringLiteral("Một"));
    EXPECT_EQ(form->mrecnum->text(), QStringLiteral("1/1"));

    // Deleting while adding is refused.
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    form->cmdDelete->setEnabled(true);  // as an older window would have left it
    QTest::mouseClick(form->cmdDelete, Qt::LeftButton);
    EXPECT_EQ(modal.messages.back().text, QStringLiteral("Bạn phải nạp xong mới xoá được !"));
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);

    // A file that refuses the write: the message, and the plan stays open as typed.
    app.PlanDb = std::make_unique<engine::Database>(app.PlanFile, engine::Database::Access::ReadOnly);
    delete form.data();
    open();
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->txtketqua->setPlainText(QStringLiteral("Đã xong"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    ASSERT_FALSE(modal.systemMessages.isEmpty());
    EXPECT_TRUE(modal.systemMessages.last().startsWith(QStringLiteral("Data error event hit err:")));
    EXPECT_EQ(app.FormMode, QStringLiteral("suakehoach"));
    EXPECT_EQ(form->txtketqua->toPlainText(), QStringLiteral("Đã xong"));
    EXPECT_EQ(form->lbltrangthai->text(), QStringLiteral("sửa nội dung công việc"));
}

TEST_P(PlanRegister, CbStaffChangeOnlyTheirOwnPlansByAnyRoute)
{
    insertPlan(QStringLiteral("Của người khác"), QStringLiteral("01/03/2026"), QStringLiteral("02/03/2026"), QStringLiteral("Bình"));
    insertPlan(QStringLiteral("Chưa ai ghi"), QStringLiteral("03/03/2026"), QStringLiteral("04/03/2026"));
    insertPlan(QStringLiteral("Của tôi"), QStringLiteral("05/03/2026"), QStringLiteral("06/03/2026"), QStringLiteral("An"));
    app.UserRights = QStringLiteral("CB");
    app.UserFullName = QStringLiteral("An");
    open();
    auto rights = [&] { return std::make_pair(form->Cmdsua->isEnabled(), form->cmdDelete->isEnabled()); };
    EXPECT_EQ(rights(), std::make_pair(true, true));  // mine
    key(form->txtndungtt, Qt::Key_PageUp);
    EXPECT_EQ(rights(), std::make_pair(true, true));  // nobody's yet
    key(form->txtndungtt, Qt::Key_PageUp);
    EXPECT_EQ(form->txtndungtt->text(), QStringLiteral("Của người khác"));
    EXPECT_EQ(rights(), std::make_pair(false, false));
    // Nothing typed while viewing reaches the plan.
    EXPECT_TRUE(form->txtban->isReadOnly());
    EXPECT_FALSE(form->chkkhan->isEnabled());

    // Back from the list, the register views again and the rule holds on the plan shown.
    QTest::mouseClick(form->cmdGrid, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("xembangkehoach"));
    EXPECT_FALSE(form->isVisible());
    app.FormMode = QStringLiteral("suakehoach");  // whatever the list left behind
    form->ComeBack(plans(QStringLiteral("SELECT ID FROM kehoach2026 WHERE ndungtt = 'Của người khác'")).value(0).toLongLong());
    EXPECT_EQ(app.FormMode, QStringLiteral("xemkehoach"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->txtndungtt->text(), QStringLiteral("Của người khác"));
    EXPECT_EQ(rights(), std::make_pair(false, false));

    // My plan, saved by another clerk while I correct it, is theirs now: the save is refused.
    key(form->txtndungtt, Qt::Key_PageDown);
    key(form->txtndungtt, Qt::Key_PageDown);
    EXPECT_EQ(form->txtndungtt->text(), QStringLiteral("Của tôi"));
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    ASSERT_EQ(app.FormMode, QStringLiteral("suakehoach"));
    engine::Database other(app.PlanFile);
    other.Execute(QStringLiteral("UPDATE kehoach2026 SET nguoicapnhat = 'Bình' WHERE ndungtt = 'Của tôi'"));
    form->txtketqua->setPlainText(QStringLiteral("Sửa của tôi"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("suakehoach"));
    EXPECT_EQ(plans(QStringLiteral("SELECT count(*) FROM kehoach2026 WHERE ketqua = 'Sửa của tôi'")), QStringList{QStringLiteral("0")});
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    EXPECT_EQ(rights(), std::make_pair(false, false));
}

TEST_P(PlanRegister, ARefusedSaveShowsTheOtherClerksPlanAndKeepsWhatWasTyped)
{
    insertPlan(QStringLiteral("Họp giao ban"), QStringLiteral("01/03/2026"), QStringLiteral("02/03/2026"));
    open();
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->txtketqua->setPlainText(QStringLiteral("Đã họp xong"));
    form->txtcanbo->setText(QStringLiteral("Lan, Hoa"));
    engine::Database other(app.PlanFile);  // another clerk saves the same plan first
    other.Execute(QStringLiteral("UPDATE kehoach2026 SET ketqua = 'Hoãn họp', nguoicapnhat = 'Bình'"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("suakehoach"));
    // The plan as it is now, with the conflicting field and both texts in the message.
    EXPECT_EQ(form->txtketqua->toPlainText(), QStringLiteral("Hoãn họp"));
    EXPECT_EQ(form->txtcanbo->text(), QStringLiteral("Cán bộ Họp giao ban"));
    ASSERT_FALSE(modal.systemMessages.isEmpty());
    const QString shown = modal.systemMessages.last();
    EXPECT_TRUE(shown.contains(QStringLiteral("\r- Kết quả thực hiện : trong file \"Hoãn họp\", bạn gõ \"Đã họp xong\""))) << shown.toStdString();
    EXPECT_FALSE(shown.contains(QStringLiteral("Cán bộ thực hiện")));  // the other clerk left it alone
    EXPECT_TRUE(form->lblhuongdan->text().contains(QStringLiteral("F7 : đưa lại những gì bạn đã gõ mà chưa ghi được")));
    EXPECT_EQ(plans(QStringLiteral("SELECT ketqua, canbo FROM kehoach2026")), QStringList{QStringLiteral("Hoãn họp|Cán bộ Họp giao ban")});
    // F7 gives the clerk's text back; saved, it is what the clerk chose to write over.
    key(form->txtndungtt, Qt::Key_F7);
    EXPECT_EQ(form->txtketqua->toPlainText(), QStringLiteral("Đã họp xong"));
    EXPECT_EQ(form->txtcanbo->text(), QStringLiteral("Lan, Hoa"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("xemkehoach"));
    EXPECT_EQ(plans(QStringLiteral("SELECT ketqua, canbo, nguoicapnhat FROM kehoach2026")), QStringList{QStringLiteral("Đã họp xong|Lan, Hoa|Lan")});
}
