// The calendar search through its real windows: the statement it builds, the checks made when a
// box is left and again when the search runs, the year list and the ways back.
#include "calendar.h"
#include "calendarfields.h"
#include "conditions.h"
#include "datafiles.h"
#include "frmgridlich.h"
#include "frmlich.h"
#include "frmtracuulich.h"
#include "office.h"

#include <QComboBox>
#include <QPushButton>

using namespace korvane;

class CalendarSearch : public OfficeOnBoth {
protected:
    void SetUp() override
    {
        Office::SetUp();
        if (IsSkipped()) return;
        InstallCalendarWindows(app, &main);
        ASSERT_TRUE(CreateTableFromTemplate(*app.PlanDb, *app.PlanDb, QStringLiteral("lichmau"), QStringLiteral("lich2003"), true));
        entry(QStringLiteral("lich2026"), QStringLiteral("12/01/2026"), QStringLiteral("Họp với ông O'Brien"), QStringLiteral("Giám đốc"));
        entry(QStringLiteral("lich2026"), QStringLiteral("04/01/2026"), QStringLiteral("Chào cờ"), QStringLiteral("Phó giám đốc"));
        entry(QStringLiteral("lich2026"), QStringLiteral("05/01/2026"), QStringLiteral("Tiếp khách"), QStringLiteral("Giám đốc"));
        entry(QStringLiteral("lich2026"), QStringLiteral("20/02/2026"), QStringLiteral("Tổng kết"), QStringLiteral("Văn phòng"));
        entry(QStringLiteral("lich2003"), QStringLiteral("06/01/2003"), QStringLiteral("Năm cũ"), QString());
        main.show();
        QTest::mouseClick(main.cmdtracuulich, Qt::LeftButton);
        search = activate(frmtracuulich::Instance(app));
    }
    void entry(const QString& table, const QString& day, const QString& content, const QString& presides)
    {
        app.PlanDb->Execute(QStringLiteral("INSERT INTO %1 (ngay, ngaychuan, gio, giochuan, ndung, nguoictri, chonin) "
                                           "VALUES ('%2', '%3', '8h', '08h', '%4', '%5', 'X')")
                                .arg(table, day, NormalDate(day), QString(content).replace(QLatin1Char('\''), QStringLiteral("''")), presides));
    }
    frmGridlich* grid() { return frmGridlich::Instance(app); }
    QStringList listed()
    {
        QStringList out;
        auto* model = grid()->DBGrid1->model();
        for (int r = 0; r < model->rowCount(); ++r) out.append(model->data(model->index(r, 3)).toString());
        return out;
    }
    QString marks(const QString& table)
    {
        auto rs = app.PlanDb->OpenRecordset(QStringLiteral("SELECT count(*) AS n FROM ") + table + QStringLiteral(" WHERE chonin = 'X'"),
                                            engine::RecordsetType::Snapshot);
        return rs->Field(QStringLiteral("n")).toString();
    }
    static QString found(const QString& clause)
    {
        return QStringLiteral("SELECT * FROM lich2026 WHERE ") + clause + QStringLiteral(" order by [ngaychuan], [giochuan]");
    }

    frmtracuulich* search = nullptr;
};
KORVANE_ON_BOTH_ENGINES(CalendarSearch);

TEST_P(CalendarSearch, AFromDateAloneListsTheEntriesFromThatDayOnInDateOrder)
{
    search->mngay1->setText(QStringLiteral("05/01/2026"));
    ASSERT_TRUE(search->Search());
    const QString clause = QStringLiteral("[ngaychuan]  >= '20260105'");
    EXPECT_EQ(grid()->Statement(), found(clause));
    EXPECT_EQ(app.SearchClause, clause);
    EXPECT_EQ(app.SearchTable, QStringLiteral("lich2026"));
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Tiếp khách"), QStringLiteral("Họp với ông O'Brien"), QStringLiteral("Tổng kết")}));
    // The grid starts with no mark; the shared file's field is left to other tools.
    EXPECT_TRUE(grid()->Marks().Empty());
    EXPECT_EQ(grid()->DBGrid1->Model()->Field(0, QStringLiteral("chonin")).toString(), QString());
    EXPECT_EQ(marks(QStringLiteral("lich2026")), QStringLiteral("4"));
    EXPECT_FALSE(search->isVisible());
    // Back from the grid the search shows its conditions; "Kết thúc" goes to the main window and
    // the next opening starts empty.
    QTest::mouseClick(grid()->cmdclose, Qt::LeftButton);
    EXPECT_TRUE(search->isVisible());
    EXPECT_EQ(search->mngay1->text(), QStringLiteral("05/01/2026"));
    QTest::mouseClick(search->cmdclose, Qt::LeftButton);
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(search->mngay1->text().isEmpty());
}

TEST_P(CalendarSearch, QuotesAreSearchedForAndAnEmptyResultOpensAnEmptyGrid)
{
    search->mndung->setText(QStringLiteral("O'Brien"));
    ASSERT_TRUE(search->Search());
    EXPECT_EQ(listed(), QStringList{QStringLiteral("Họp với ông O'Brien")});
    grid()->hide();
    search->show();
    search->mndung->setText(QStringLiteral("không có việc này"));
    ASSERT_TRUE(search->Search());
    EXPECT_TRUE(grid()->isVisible());
    EXPECT_EQ(grid()->Data1->Count(), 0);
    QTest::mouseClick(grid()->Cmdin, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Không có lịch làm việc nào cả !"));
}

TEST_P(CalendarSearch, ConditionsAreCheckedOnLeavingAndAgainAtTheSearch)
{
    search->txtid->setFocus();
    search->txtid->setText(QStringLiteral("abc"));
    search->mgio->setFocus();
    ASSERT_FALSE(modal.messages.empty());
    EXPECT_EQ(modal.messageTexts().last(), InvalidConditionMessage(QStringLiteral("abc")));
    EXPECT_TRUE(search->txtid->hasFocus());
    modal.messages.clear();
    EXPECT_FALSE(search->Search());
    EXPECT_EQ(modal.messageTexts(), QStringList{InvalidConditionMessage(QStringLiteral("abc"))});
    EXPECT_FALSE(grid()->isVisible());
    search->txtid->clear();
    // A reversed pair is said when the second box is left, and again when the search is pressed
    // with its Alt key from that box.
    activate(search);
    search->mngay1->setFocus();
    search->mngay1->setText(QStringLiteral("10/1/26"));
    search->mngay2->setFocus();
    search->mngay2->setText(QStringLiteral("5/1/26"));
    search->mndung->setFocus();
    const QString reversed = QStringLiteral("Không đặt trước thời điểm bắt đầu :10/01/2026\r\nCần nạp lại con số thời gian này!");
    EXPECT_EQ(modal.messageTexts().last(), reversed);
    activate(search);
    modal.messages.clear();
    alt(search->mngay2, Qt::Key_T);
    EXPECT_EQ(modal.messageTexts(), QStringList{reversed});
    EXPECT_FALSE(grid()->isVisible());
    activate(search);
    search->mngay2->setText(QStringLiteral("20/1/26"));
    alt(search->mngay2, Qt::Key_T);
    EXPECT_EQ(search->mngay2->text(), QStringLiteral("20/01/2026"));
    EXPECT_EQ(grid()->Statement(), found(QStringLiteral("[ngaychuan] between '20260110' and '20260120'")));
}

TEST_P(CalendarSearch, TheYearListOffersTheCalendarTablesAndFromTheRegisterItGoesBackThere)
{
    QStringList years;
    for (int k = 0; k < search->Combonamlamviec->count(); ++k) years.append(search->Combonamlamviec->itemText(k));
    years.sort();
    EXPECT_EQ(years, (QStringList{QStringLiteral("2003"), QStringLiteral("2026")}));  // never the template
    EXPECT_EQ(search->Combonamlamviec->currentText(), QStringLiteral("2026"));
    EXPECT_FALSE(search->Combonamlamviec->isEditable());
    QTest::mouseClick(search->cmdclose, Qt::LeftButton);

    // From the register: a search of another year, and the grid's close returns to the register.
    auto* reg = activate(frmlich::Open(app));
    QTest::mouseClick(reg->Cmdtracuu, Qt::LeftButton);
    ASSERT_TRUE(search->isVisible());
    EXPECT_EQ(app.FormMode, QStringLiteral("xemlich"));
    search->Combonamlamviec->setCurrentIndex(search->Combonamlamviec->findText(QStringLiteral("2003")));
    ASSERT_TRUE(search->Search());
    EXPECT_EQ(listed(), QStringList{QStringLiteral("Năm cũ")});
    QTest::mouseClick(grid()->cmdclose, Qt::LeftButton);
    EXPECT_TRUE(reg->isVisible());
    // The search's own "Kết thúc" returns to the register as well.
    QTest::mouseClick(reg->Cmdtracuu, Qt::LeftButton);
    QTest::mouseClick(search->cmdclose, Qt::LeftButton);
    EXPECT_TRUE(reg->isVisible());
}
