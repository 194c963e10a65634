// The calendar register through its real window: a new entry's date, weekday and time key, the
// day steps of F5, the save's checks, deleting, and the rights of "CB" staff.
#include "calendar.h"
#include "calendarfields.h"
#include "frmlich.h"
#include "office.h"

#include <QLabel>
#include <QPushButton>

using namespace korvane;

class CalendarRegister : public OfficeOnBoth {
protected:
    void SetUp() override
    {
        Office::SetUp();
        if (IsSkipped()) return;
        InstallCalendarWindows(app, &main);
        app.UserFullName = QStringLiteral("Lan");
    }
    void TearDown() override { delete form.data(); }
    frmlich* open()
    {
        form = frmlich::Open(app);
        return activate(form.data());
    }
    void insertEntry(const QString& day, const QString& time, const QString& content, const QString& saver = QString())
    {
        app.PlanDb->Execute(QStringLiteral("INSERT INTO lich2026 (ngay, ngaychuan, gio, giochuan, ndung, nguoictri, nguoicapnhat) "
                                           "VALUES ('%1', '%2', '%3', '%4', '%5', 'Chủ trì %5', '%6')")
                                .arg(day, NormalDate(day), time, TimeSortKey(time), content, saver));
    }
    QStringList rows(const QString& sql) { return Rows(*app.PlanDb, sql); }
    // Types into a box and leaves it, as a clerk does with Tab.
    void typeAndLeave(QLineEdit* box, const QString& text)
    {
        box->setFocus();
        box->setText(text);
        form->mndung->setFocus();
    }
    QPointer<frmlich> form;
};
KORVANE_ON_BOTH_ENGINES(CalendarRegister);

TEST_P(CalendarRegister, ANewEntryGetsItsWeekdayAndTimeKeyAndIsStampedWhenSaved)
{
    main.show();
    QTest::mouseClick(main.cmdnaplich, Qt::LeftButton);
    form = frmlich::Find(app);
    ASSERT_TRUE(form);
    activate(form.data());
    EXPECT_EQ(app.FormMode, QStringLiteral("xemlich"));
    EXPECT_EQ(form->lbltrangthai->text(), QStringLiteral("Xem lịch làm việc hàng tuần"));

    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("naplich"));
    EXPECT_EQ(form->mngay->text(), QStringLiteral("09/12/2026"));  // only the date is prefilled
    EXPECT_TRUE(form->mthu->text().isEmpty());
    typeAndLeave(form->mngay, QStringLiteral("7/1/2004"));
    EXPECT_EQ(form->mngay->text(), QStringLiteral("07/01/2004"));
    EXPECT_EQ(form->mthu->text(), QStringLiteral("Thứ tư"));
    typeAndLeave(form->mngay, QStringLiteral("11/01/2004"));
    EXPECT_EQ(form->mthu->text(), QStringLiteral("Chủ nhật"));

    // The weekday fills itself: a click into it says so and goes back to the date.
    QTest::mouseClick(form->mthu, Qt::LeftButton);
    EXPECT_EQ(modal.messages.back().text, QStringLiteral("Không cần nạp ô này ! Chương trình sẽ tự động nạp Thứ sau khi bạn nạp xong ô Ngày"));
    EXPECT_EQ(QApplication::focusWidget(), form->mngay);

    // The time is kept as typed; its sort key gets a leading 0 for a single-digit hour.
    const QList<QPair<QString, QString>> times = {{QStringLiteral("9g30"), QStringLiteral("09g30")}, {QStringLiteral("8H30"), QStringLiteral("08H30")},
                                                  {QStringLiteral("9:30"), QStringLiteral("09:30")}, {QStringLiteral("10h15"), QStringLiteral("10h15")},
                                                  {QStringLiteral("8 h30"), QStringLiteral("08h30")},
                                                  {QStringLiteral("h9"), QStringLiteral("h9")}};
    for (const auto& [typed, key] : times) {
        typeAndLeave(form->mgio, typed);
        EXPECT_EQ(form->mgiochuan->text(), key) << typed.toStdString();
        EXPECT_EQ(form->mgio->text(), typed);
    }
    form->mndung->setText(QStringLiteral("Giao ban"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("xemlich"));
    EXPECT_EQ(rows(QStringLiteral("SELECT ngay, ngaychuan, thu, gio, giochuan, ndung, ngaycapnhatchuan, nguoicapnhat FROM lich2026")),
              QStringList{QStringLiteral("11/01/2004|20040111|Chủ nhật|h9|h9|Giao ban|20261209|Lan")});

    QTest::mouseClick(form->cmdclose, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());  // hidden, kept for the next opening
    EXPECT_TRUE(main.isVisible());
}

TEST_P(CalendarRegister, DayStepsRequiredFieldsAndChangesThatCount)
{
    open();
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    form->mngay->clear();
    form->mngay->setFocus();
    key(form->mngay, Qt::Key_F5);  // blank: today
    EXPECT_EQ(form->mngay->text(), DisplayDate(app.Today(), app.Months));
    form->mngay->setText(QStringLiteral("10/03/2004"));
    key(form->mngay, Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_EQ(form->mngay->text(), QStringLiteral("09/03/2004"));
    EXPECT_EQ(form->mthu->text(), QStringLiteral("Thứ ba"));
    form->mngay->setText(QStringLiteral("31/01/2004"));
    key(form->mngay, Qt::Key_F5);  // day 32 is none: the box stays
    EXPECT_EQ(form->mngay->text(), QStringLiteral("31/01/2004"));

    // Required: date and time named with ", "; the content alone has its own spelling.
    form->mngay->clear();
    form->mndung->setText(QStringLiteral("Họp"));
    form->mndung->setFocus();
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(modal.messages.back().text, QStringLiteral("Cần phải điền đủ nội dung các ô :\rNgày, Giờ"));
    form->mngay->setText(QStringLiteral("05/01/2004"));
    form->mgio->setText(QStringLiteral("8h"));
    form->mndung->clear();
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(modal.messages.back().text, QStringLiteral("Cần phải điền đủ nội dung các ô :\rTên hoặc tóm tắt nội dung công viẹc"));
    EXPECT_EQ(app.FormMode, QStringLiteral("naplich"));

    // A date that is none, still in its box when Alt+G saves, is refused.
    form->mndung->setText(QStringLiteral("Họp"));
    form->mngay->setText(QStringLiteral("45/45/2004"));
    activate(form.data());
    form->mngay->setFocus();
    alt(form->mngay, Qt::Key_G);
    EXPECT_TRUE(modal.messageTexts().contains(QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng!")));
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM lich2026")), QStringList{QStringLiteral("0")});
    form->mngay->setText(QStringLiteral("05/01/2004"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(rows(QStringLiteral("SELECT thu, giochuan FROM lich2026")), QStringList{QStringLiteral("Thứ hai|08h")});

    // A note changed alone is saved, not dropped; a correction that changes nothing writes nothing.
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->mghichu->setText(QStringLiteral("ghi chú"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("xemlich"));
    EXPECT_EQ(rows(QStringLiteral("SELECT ghichu, ngaycapnhatchuan FROM lich2026")), QStringList{QStringLiteral("ghi chú|20261209")});
    app.PlanDb->Execute(QStringLiteral("UPDATE lich2026 SET ngaycapnhatchuan = ''"));
    form->ComeBack(0);
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("xemlich"));
    EXPECT_EQ(rows(QStringLiteral("SELECT ngaycapnhatchuan FROM lich2026")), QStringList{QString()});
}

TEST_P(CalendarRegister, ADeleteNeedsAYesAndCorrectingCarriesFromTheEntryBefore)
{
    insertEntry(QStringLiteral("05/01/2004"), QStringLiteral("8h"), QStringLiteral("Một"));
    insertEntry(QStringLiteral("06/01/2004"), QStringLiteral("9h"), QStringLiteral("Hai"));
    open();
    EXPECT_EQ(form->mndung->text(), QStringLiteral("Hai"));
    // On the first entry F6 gives that entry's own presiding person; later, the one before.
    key(form->mngay, Qt::Key_PageUp);
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->mchutri->clear();
    key(form->mchutri, Qt::Key_F6);
    EXPECT_EQ(form->mchutri->text(), QStringLiteral("Chủ trì Một"));
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);  // "Huỷ sửa"
    key(form->mngay, Qt::Key_PageDown);
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    key(form->mchutri, Qt::Key_F6);
    EXPECT_EQ(form->mchutri->text(), QStringLiteral("Chủ trì Một"));
    form->cmdDelete->setEnabled(true);  // as an older window would have left it
    QTest::mouseClick(form->cmdDelete, Qt::LeftButton);
    EXPECT_EQ(modal.messages.back().text, QStringLiteral("Bạn phải nạp hoặc sửa xong mới xoá được !"));
    // Esc while correcting asks whether to keep the changes; "no" drops them.
    modal.answers = {QStringLiteral("no")};
    key(form->mchutri, Qt::Key_Escape);
    EXPECT_EQ(app.FormMode, QStringLiteral("xemlich"));
    EXPECT_EQ(form->mchutri->text(), QStringLiteral("Chủ trì Hai"));

    modal.answers = {QStringLiteral("esc")};
    QTest::mouseClick(form->cmdDelete, Qt::LeftButton);
    EXPECT_EQ(modal.messages.back().text, QStringLiteral("Có thực sự muốn xoá bản ghi này không ?"));
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM lich2026")), QStringList{QStringLiteral("2")});
    modal.answers = {QStringLiteral("yes")};
    QTest::mouseClick(form->cmdDelete, Qt::LeftButton);
    EXPECT_EQ(rows(QStringLiteral("SELECT ndung FROM lich2026")), QStringList{QStringLiteral("Một")});
    EXPECT_EQ(form->mrecnum->text(), QStringLiteral("1/1"));

    // The week of an entry without a date cannot be shown.
    app.PlanDb->Execute(QStringLiteral("UPDATE lich2026 SET ngay = ''"));
    form->ComeBack(0);
    QTest::mouseClick(form->cmdGrid, Qt::LeftButton);
    EXPECT_EQ(modal.messages.back().text, QStringLiteral("Công việc này chưa nạp ngày nên không chuyển sang bảng lịch tuần được"));
    EXPECT_TRUE(form->isVisible());
}

TEST_P(CalendarRegister, CbStaffChangeOnlyTheirOwnEntriesAndAFailedWriteStaysOpen)
{
    insertEntry(QStringLiteral("05/01/2004"), QStringLiteral("8h"), QStringLiteral("Của Bình"), QStringLiteral("Bình"));
    insertEntry(QStringLiteral("06/01/2004"), QStringLiteral("9h"), QStringLiteral("Của tôi"), QStringLiteral("Lan"));
    app.UserRights = QStringLiteral("CB");
    open();
    EXPECT_TRUE(form->Cmdsua->isEnabled());
    key(form->mngay, Qt::Key_PageUp);
    EXPECT_FALSE(form->Cmdsua->isEnabled());
    EXPECT_FALSE(form->cmdDelete->isEnabled());
    key(form->mngay, Qt::Key_PageDown);

    // A file that refuses the write: the message, and the entry stays open as typed.
    app.PlanDb = std::make_unique<engine::Database>(app.PlanFile, engine::Database::Access::ReadOnly);
    form->ComeBack(0);
    form->Data1->Database = app.PlanDb.get();
    form->Data1->Refresh();
    form->Data1->MoveLast();
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    ASSERT_EQ(app.FormMode, QStringLiteral("sualich"));
    form->mndung->setText(QStringLiteral("Đổi nội dung"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    ASSERT_FALSE(modal.systemMessages.isEmpty());
    EXPECT_EQ(app.FormMode, QStringLiteral("sualich"));
    EXPECT_EQ(form->mndung->text(), QStringLiteral("Đổi nội dung"));
}

TEST_P(CalendarRegister, ARefusedSaveShowsTheOtherClerksEntryAndKeepsWhatWasTyped)
{
    insertEntry(QStringLiteral("05/01/2026"), QStringLiteral("8h"), QStringLiteral("Giao ban"));
    open();
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->mndung->setText(QStringLiteral("Giao ban quý"));
    engine::Database other(app.PlanFile);  // another clerk saves the same entry first
    other.Execute(QStringLiteral("UPDATE lich2026 SET ndung = 'Giao ban tháng', nguoicapnhat = 'Bình'"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("sualich"));
    EXPECT_EQ(form->mndung->text(), QStringLiteral("Giao ban tháng"));
    ASSERT_FALSE(modal.systemMessages.isEmpty());
    EXPECT_TRUE(modal.systemMessages.last().contains(
        QStringLiteral("\r- Tên hoặc tóm tắt nội dung công việc : trong file \"Giao ban tháng\", bạn gõ \"Giao ban quý\"")))
        << modal.systemMessages.last().toStdString();
    EXPECT_TRUE(form->lblhuongdan->text().contains(QStringLiteral("F7")));
    // Saving again before F7 writes nothing over the other clerk's entry.
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(rows(QStringLiteral("SELECT ndung FROM lich2026")), QStringList{QStringLiteral("Giao ban tháng")});
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->cmdUpdate->setFocus();
    key(form->cmdUpdate, Qt::Key_F7);
    EXPECT_EQ(form->mndung->text(), QStringLiteral("Giao ban quý"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(rows(QStringLiteral("SELECT ndung FROM lich2026")), QStringList{QStringLiteral("Giao ban quý")});
}
