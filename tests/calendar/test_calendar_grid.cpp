// The calendar grid through its real windows: the marks and the table they land in, printing the
// marked entries and handing them to a spreadsheet, the edit panel's questions, deletion, failed
// writes and the ways back.
#include "calendar.h"
#include "calendarfields.h"
#include "datafiles.h"
#include "frmgridlich.h"
#include "frmlich.h"
#include "frmtracuulich.h"
#include "office.h"

#include <QComboBox>
#include <QProcess>
#include <QPushButton>

using namespace korvane;

class CalendarGrid : public OfficeOnBoth {
protected:
    void SetUp() override
    {
        Office::SetUp();
        if (IsSkipped()) return;
        InstallCalendarWindows(app, &main);
        app.UserFullName = QStringLiteral("Lan");
        // Typed out of order; two on the same day at different times.
        entry(QStringLiteral("12/01/2026"), QStringLiteral("14h00"), QStringLiteral("Họp chiều"));
        entry(QStringLiteral("05/01/2026"), QStringLiteral("8h30"), QStringLiteral("Tiếp khách"));
        entry(QStringLiteral("12/01/2026"), QStringLiteral("8h00"), QStringLiteral("Họp sáng"));
        entry(QStringLiteral("03/01/2026"), QStringLiteral("9h"), QStringLiteral("Kiểm kho"), QStringLiteral("Bình"));
        entry(QStringLiteral("20/02/2026"), QStringLiteral("10h"), QStringLiteral("Tổng kết"));
        modal.fileToSave = folder.path(QStringLiteral("lich.pdf"));
    }
    void entry(const QString& day, const QString& time, const QString& content, const QString& saver = QString(),
               const QString& table = QStringLiteral("lich2026"))
    {
        app.PlanDb->Execute(QStringLiteral("INSERT INTO %1 (ngay, ngaychuan, gio, giochuan, ndung, nguoicapnhat, chonin) "
                                           "VALUES ('%2', '%3', '%4', '%5', '%6', '%7', '')")
                                .arg(table, day, NormalDate(day), time, TimeSortKey(time), content, saver));
    }
    QStringList rows(const QString& sql)
    {
        auto rs = app.PlanDb->OpenRecordset(sql, engine::RecordsetType::Snapshot);
        QStringList out;
        for (; !rs->Eof(); rs->MoveNext()) out.append(rs->Field(rs->FieldNames().front()).toString());
        return out;
    }
    frmGridlich* grid() { return frmGridlich::Instance(app); }
    frmGridlich* openYear(qlonglong id = 0)
    {
        grid()->ShowYear(id);
        return activate(grid());
    }
    // The contents the grid shows, top to bottom.
    QStringList listed()
    {
        QStringList out;
        auto* model = grid()->DBGrid1->model();
        for (int r = 0; r < model->rowCount(); ++r) out.append(model->data(model->index(r, 3)).toString());
        return out;
    }
    // The contents of the entries the grid shows marked, top to bottom.
    QStringList marked(frmGridlich* g = nullptr)
    {
        RecordsetModel* model = (g ? g : grid())->DBGrid1->Model();
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->data(model->index(r, 0), Qt::DisplayRole).toString() == QLatin1String("X")) out.append(model->data(model->index(r, 3), Qt::DisplayRole).toString());
        return out;
    }
    // A double click as the mouse gives it: a click, then the second press.
    void doubleClick(int row)
    {
        DBGrid* g = grid()->DBGrid1;
        const QPoint at = g->visualRect(g->model()->index(row, 1)).center();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    void selectRow(int row) { grid()->DBGrid1->setCurrentIndex(grid()->DBGrid1->model()->index(row, 1)); }
    QString pdfText()
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), modal.fileToSave, QStringLiteral("-")});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    // A search of 2003 from the main window, with the working year still 2026.
    frmGridlich* search2003(const QString& content)
    {
        if (!CreateTableFromTemplate(*app.PlanDb, *app.PlanDb, QStringLiteral("lichmau"), QStringLiteral("lich2003"), true)) return nullptr;
        entry(QStringLiteral("02/03/2003"), QStringLiteral("8h"), QStringLiteral("Họp năm cũ"), QString(), QStringLiteral("lich2003"));
        entry(QStringLiteral("01/03/2003"), QStringLiteral("8h"), QStringLiteral("Họp đầu năm cũ"), QString(), QStringLiteral("lich2003"));
        entry(QStringLiteral("04/03/2003"), QStringLiteral("8h"), QStringLiteral("Đi công tác"), QString(), QStringLiteral("lich2003"));
        app.PlanDb->Execute(QStringLiteral("UPDATE lich2003 SET chonin = 'X' WHERE ndung = 'Đi công tác'"));  // left from before
        main.show();
        QTest::mouseClick(main.cmdtracuulich, Qt::LeftButton);
        auto* search = activate(frmtracuulich::Instance(app));
        search->Combonamlamviec->setCurrentIndex(search->Combonamlamviec->findText(QStringLiteral("2003")));
        search->mndung->setText(content);
        if (!search->Search()) return nullptr;
        return activate(grid());
    }
};
KORVANE_ON_BOTH_ENGINES(CalendarGrid);

TEST_P(CalendarGrid, FromTheRegisterMarksAreClearedToggledAndSetOnEveryRowAndCloseReturnsOnTheRow)
{
    app.PlanDb->Execute(QStringLiteral("UPDATE lich2026 SET chonin = 'X' WHERE ID = 5"));  // the shared field, as another tool left it
    auto* reg = activate(frmlich::Open(app));
    QTest::mouseClick(reg->cmdbang, Qt::LeftButton);
    auto* g = activate(grid());
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Kiểm kho"), QStringLiteral("Tiếp khách"), QStringLiteral("Họp sáng"),
                                     QStringLiteral("Họp chiều"), QStringLiteral("Tổng kết")}));
    EXPECT_EQ(marked(), QStringList{});  // none of the grid's own; the shared field is left
    EXPECT_EQ(rows(QStringLiteral("SELECT ID FROM lich2026 WHERE chonin = 'X'")), QStringList{QStringLiteral("5")});
    EXPECT_EQ(g->txtid->text(), QStringLiteral("5"));  // the register's entry (its last)

    doubleClick(1);
    EXPECT_EQ(marked(), QStringList{QStringLiteral("Tiếp khách")});
    selectRow(1);
    QTest::keyClick(g->DBGrid1, Qt::Key_Space);  // the keyboard's double-click
    EXPECT_EQ(marked(), QStringList{});

    selectRow(2);
    QTest::mouseClick(g->Cmdchontat, Qt::LeftButton);
    EXPECT_EQ(marked(), listed());
    EXPECT_EQ(g->txtid->text(), QStringLiteral("3"));  // back on the row it was on
    QTest::mouseClick(g->Cmdhuychon, Qt::LeftButton);
    EXPECT_EQ(marked(), QStringList{});

    QTest::mouseClick(g->cmdclose, Qt::LeftButton);
    EXPECT_FALSE(g->isVisible());
    EXPECT_TRUE(reg->isVisible());
    EXPECT_EQ(reg->txtFields->text(), QStringLiteral("3"));
}

TEST_P(CalendarGrid, ASearchOfAnotherYearMarksAndPrintsInThatYearsTable)
{
    auto* g = search2003(QStringLiteral("họp"));
    ASSERT_TRUE(g);
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Họp đầu năm cũ"), QStringLiteral("Họp năm cũ")}));
    // Another search elsewhere changes the shared clause; the grid keeps its own.
    app.SearchClause.clear();
    app.SearchTable = QStringLiteral("lich2026");
    QTest::mouseClick(g->Cmdchontat, Qt::LeftButton);
    EXPECT_EQ(marked(), (QStringList{QStringLiteral("Họp đầu năm cũ"), QStringLiteral("Họp năm cũ")}));
    EXPECT_EQ(g->Marks().Ids(), (std::set<qlonglong>{1, 2}));  // ids of lich2003
    doubleClick(0);
    EXPECT_EQ(marked(), QStringList{QStringLiteral("Họp năm cũ")});

    QTest::mouseClick(g->Cmdin, Qt::LeftButton);
    const QString text = pdfText();
    EXPECT_TRUE(text.contains(QStringLiteral("Họp năm cũ")));
    EXPECT_FALSE(text.contains(QStringLiteral("Họp đầu năm cũ")));
    EXPECT_FALSE(text.contains(QStringLiteral("Đi công tác")));
    // Closing goes back to the search it came from.
    QTest::mouseClick(g->cmdclose, Qt::LeftButton);
    EXPECT_TRUE(frmtracuulich::Instance(app)->isVisible());
}

TEST_P(CalendarGrid, PrintingRefusesNoMarkAndPrintsTheMarkedInDateAndTimeOrder)
{
    app.PlanDb->Execute(QStringLiteral("UPDATE lich2026 SET chonin = 'X' WHERE ID IN (2, 5)"));  // the shared field decides nothing
    auto* g = openYear();
    QTest::mouseClick(g->Cmdin, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Chưa có lịch làm việc nào được chọn để in !"));
    EXPECT_FALSE(QFile::exists(modal.fileToSave));

    // Marked out of order; another clerk's list rewrites the saved query meanwhile.
    for (int row : {3, 0, 2}) emit g->DBGrid1->RowDoubleClicked(row);
    engine::Database(app.PlanFile).CreateQueryDef(QStringLiteral("qrdata1"), QStringLiteral("SELECT * FROM lich2026 WHERE ID = 2"));
    g->txtle->setText(QStringLiteral("12"));
    QTest::mouseClick(g->Cmdin, Qt::LeftButton);
    const QString text = pdfText();
    EXPECT_TRUE(text.contains(QStringLiteral("(Lịch làm việc được chọn)")));
    const qsizetype kho = text.indexOf(QStringLiteral("Kiểm kho")), sang = text.indexOf(QStringLiteral("Họp sáng")),
                    chieu = text.indexOf(QStringLiteral("Họp chiều"));
    EXPECT_GE(kho, 0);
    EXPECT_GT(sang, kho);
    EXPECT_GT(chieu, sang);
    EXPECT_FALSE(text.contains(QStringLiteral("Tiếp khách")));
    EXPECT_FALSE(text.contains(QStringLiteral("Tổng kết")));
    // The same marked entries to a spreadsheet, in the grid's order: the printed columns, the
    // day a date, the time as typed.
    modal.fileToSave = folder.path(QStringLiteral("lich.csv"));
    QTest::mouseClick(g->cmdxuat, Qt::LeftButton);
    const QString none;
    EXPECT_EQ(testing_support::ReadSpreadsheet(modal.fileToSave),
              (QList<QStringList>{{QStringLiteral("Thứ"), QStringLiteral("Ngày"), QStringLiteral("Giờ"), QStringLiteral("Nội dung"), QStringLiteral("Địa điểm"),
                                   QStringLiteral("Chủ trì"), QStringLiteral("Thành phần"), QStringLiteral("Chuẩn bị"), QStringLiteral("Ghi chú")},
                                  {none, QStringLiteral("2026-01-03"), QStringLiteral("9h"), QStringLiteral("Kiểm kho"), none, none, none, none, none},
                                  {none, QStringLiteral("2026-01-12"), QStringLiteral("8h00"), QStringLiteral("Họp sáng"), none, none, none, none, none},
                                  {none, QStringLiteral("2026-01-12"), QStringLiteral("14h00"), QStringLiteral("Họp chiều"), none, none, none, none, none}}));
}

TEST_P(CalendarGrid, EachClerkPrintsTheMarksOfTheirOwnGrid)
{
    // Clerk A marks "Kiểm kho" and "Tiếp khách".
    auto* mine = openYear();
    emit mine->DBGrid1->RowDoubleClicked(0);
    emit mine->DBGrid1->RowDoubleClicked(1);
    // Clerk B, another program on the same folder, opens the same grid and marks "Họp chiều",
    // then marks all, clears all, searches and marks "Họp chiều" again.
    const auto clerk = anotherClerk();
    App& other = clerk->app;
    frmMain& otherMain = clerk->main;
    InstallCalendarWindows(other, &otherMain);
    auto* theirs = frmGridlich::Instance(other);
    ASSERT_NE(theirs, mine);
    theirs->ShowYear(0);
    emit theirs->DBGrid1->RowDoubleClicked(3);
    QTest::mouseClick(theirs->Cmdchontat, Qt::LeftButton);
    QTest::mouseClick(theirs->Cmdhuychon, Qt::LeftButton);
    otherMain.show();
    QTest::mouseClick(otherMain.cmdtracuulich, Qt::LeftButton);
    ASSERT_TRUE(frmtracuulich::Instance(other)->Search());
    emit theirs->DBGrid1->RowDoubleClicked(3);
    EXPECT_EQ(marked(theirs), QStringList{QStringLiteral("Họp chiều")});
    // A's grid and A's print: A's two entries, exactly.
    EXPECT_EQ(marked(mine), (QStringList{QStringLiteral("Kiểm kho"), QStringLiteral("Tiếp khách")}));
    QTest::mouseClick(mine->Cmdin, Qt::LeftButton);
    const QString text = pdfText();
    EXPECT_TRUE(text.contains(QStringLiteral("Kiểm kho")));
    EXPECT_TRUE(text.contains(QStringLiteral("Tiếp khách")));
    for (const char* other : {"Họp sáng", "Họp chiều", "Tổng kết"}) EXPECT_FALSE(text.contains(QString::fromUtf8(other))) << other;
}

TEST_P(CalendarGrid, ThePanelAsksBeforeLeavingAnEntryAndChecksTheDateAgainAtTheSave)
{
    auto* g = openYear();
    QTest::mouseClick(g->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(g->Mode(), QStringLiteral("naplich"));
    EXPECT_EQ(g->mngay->text(), QStringLiteral("09/12/2026"));
    g->mngay->setFocus();
    g->mngay->setText(QStringLiteral("4/1/26"));
    g->mgio->setFocus();  // leaving the date fills the weekday
    EXPECT_EQ(g->mthu->text(), QStringLiteral("Chủ nhật"));
    g->mgio->setText(QStringLiteral("7h"));
    g->mndung->setText(QStringLiteral("Chào cờ"));
    // Another row while adding: the question; any answer but "no" saves.
    modal.answers = {QStringLiteral("yes")};
    selectRow(2);
    ASSERT_FALSE(modal.messages.empty());
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Có lưu giữ bản ghi đang nạp không ?"));
    EXPECT_EQ(g->Mode(), QStringLiteral("xemlich"));
    QTest::qWait(50);  // the grid is read again once the move is over
    EXPECT_EQ(listed().mid(1, 2), (QStringList{QStringLiteral("Chào cờ"), QStringLiteral("Tiếp khách")}));
    EXPECT_EQ(rows(QStringLiteral("SELECT giochuan FROM lich2026 WHERE ndung = 'Chào cờ'")), QStringList{QStringLiteral("07h")});

    // A bad date saved with the Alt key, the focus still in the box: said, and still correcting.
    activate(g);
    QTest::mouseClick(g->Cmdsua, Qt::LeftButton);
    g->mngay->setFocus();
    g->mngay->setText(QStringLiteral("31/2/26"));
    alt(g->mngay, Qt::Key_G);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng !"));
    EXPECT_EQ(g->Mode(), QStringLiteral("sualich"));
    // Closing while correcting: "no" brings the entry back as the file holds it.
    activate(g);
    g->mndung->setText(QStringLiteral("Khác"));
    modal.answers = {QStringLiteral("no")};
    QTest::mouseClick(g->cmdclose, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Có lưu giữ những sửa đổi vừa thực hiện không ?"));
    EXPECT_EQ(g->Mode(), QStringLiteral("xemlich"));
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM lich2026 WHERE ndung = 'Khác' OR ngay = '31/02/2026'")), QStringList{QStringLiteral("0")});
}

TEST_P(CalendarGrid, OnlyAnExplicitYesDeletesAndCbStaffKeepToTheirOwnEntries)
{
    app.UserRights = QStringLiteral("CB");
    auto* g = openYear();  // "Kiểm kho", saved by another clerk
    EXPECT_FALSE(g->Cmdsua->isEnabled());
    EXPECT_FALSE(g->cmdxoa->isEnabled());
    selectRow(1);
    EXPECT_TRUE(g->cmdxoa->isEnabled());
    for (const char* answer : {"esc", "no"}) {
        modal.answers = {QLatin1String(answer)};
        QTest::mouseClick(g->cmdxoa, Qt::LeftButton);
        EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Có thực sự muốn xoá dòng này không ?"));
        EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM lich2026")), QStringList{QStringLiteral("5")}) << answer;
    }
    modal.answers = {QStringLiteral("yes")};
    QTest::mouseClick(g->cmdxoa, Qt::LeftButton);
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM lich2026 WHERE ID = 2")), QStringList{QStringLiteral("0")});
    EXPECT_EQ(g->txtid->text(), QStringLiteral("3"));  // the next row
    // While correcting, deleting is refused with a word.
    QTest::mouseClick(g->Cmdsua, Qt::LeftButton);
    QTest::mouseClick(g->cmdxoa, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Bạn phải nạp hoặc sửa xong mới xoá được !"));
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM lich2026")), QStringList{QStringLiteral("4")});
}

TEST_P(CalendarGrid, AFailedWriteStaysInItsModeWithWhatWasTyped)
{
    app.PlanDb = std::make_unique<engine::Database>(app.PlanFile, engine::Database::Access::ReadOnly);
    auto* g = openYear(3);
    // Marks and printing write nothing into the file: they work as on any other.
    emit g->DBGrid1->RowDoubleClicked(2);
    QTest::mouseClick(g->Cmdin, Qt::LeftButton);
    EXPECT_TRUE(modal.messages.empty() && modal.systemMessages.isEmpty()) << modal.messageTexts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(pdfText().contains(QStringLiteral("Họp sáng")));
    QTest::mouseClick(g->Cmdsua, Qt::LeftButton);
    g->mndung->setText(QStringLiteral("Họp sáng đã sửa"));
    QTest::mouseClick(g->cmdUpdate, Qt::LeftButton);
    ASSERT_FALSE(modal.systemMessages.isEmpty());
    EXPECT_TRUE(modal.systemMessages.last().startsWith(QStringLiteral("Data error event hit err:")));
    EXPECT_EQ(g->Mode(), QStringLiteral("sualich"));
    EXPECT_EQ(g->mndung->text(), QStringLiteral("Họp sáng đã sửa"));
    EXPECT_EQ(rows(QStringLiteral("SELECT ndung FROM lich2026 WHERE ID = 3")), QStringList{QStringLiteral("Họp sáng")});
}
