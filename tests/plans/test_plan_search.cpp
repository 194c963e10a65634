// The plan search through its real windows: the statements it builds, the checks made when a box
// is left and again when the search runs, the year list, the flags, and the ways back.
#include "conditions.h"
#include "frmcongviec.h"
#include "frmgridcongviec.h"
#include "frmtracuukh.h"
#include "jetsql.h"
#include "office.h"
#include "plans.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

using namespace korvane;

class PlanSearch : public OfficeOnBoth {
protected:
    void SetUp() override
    {
        Office::SetUp();
        if (IsSkipped()) return;
        InstallPlanWindows(app, &main);
        app.PlanDb->Execute(QStringLiteral("SELECT * INTO kehoach2025 FROM kehoachmau"));
        // Inserted out of order; the start dates of the two first are the same.
        plan(QStringLiteral("Văn phòng"), QStringLiteral("Họp giao ban"), QStringLiteral("05/03/2026"), QStringLiteral("20/03/2026"), true, true);
        plan(QStringLiteral("Phòng Tổ chức"), QStringLiteral("Tuyển dụng"), QStringLiteral("05/03/2026"), QStringLiteral("10/03/2026"), true, false);
        plan(QStringLiteral("Văn phòng"), QStringLiteral("Gặp ông O'Brien"), QStringLiteral("01/02/2026"), QStringLiteral("01/02/2026"), false, true);
        plan(QStringLiteral("Phòng Kế toán"), QStringLiteral("Quyết toán"), QStringLiteral("01/06/2025"), QStringLiteral("30/06/2025"), false, false,
             QStringLiteral("kehoach2025"));
        main.show();
        QTest::mouseClick(main.cmdtracuukh, Qt::LeftButton);
        search = activate(frmtracuukh::Instance(app));
    }
    void plan(const QString& unit, const QString& summary, const QString& start, const QString& end, bool urgent, bool done,
              const QString& table = QStringLiteral("kehoach2026"))
    {
        app.PlanDb->Execute(QStringLiteral("INSERT INTO %1 (Tendonvi, ndungtt, Tgianbdau, Tgianbdauchuan, Tgiankthuc, Tgiankthucchuan, khan, "
                                           "ketthuc) VALUES ('%2', '%3', '%4', '%5', '%6', '%7', %8, %9)")
                                .arg(table, unit, engine::escapeQuotes(summary), start, NormalDate(start), end, NormalDate(end))
                                .arg(urgent ? -1 : 0)
                                .arg(done ? -1 : 0));
    }
    frmgridcongviec* list() { return frmgridcongviec::Instance(app); }
    // The summaries the list shows, top to bottom.
    QStringList listed()
    {
        QStringList out;
        auto* model = list()->DBGrid1->model();
        for (int r = 0; r < model->rowCount(); ++r) out.append(model->data(model->index(r, 0)).toString());
        return out;
    }
    QString found(const QString& clause)
    {
        const QString order = QStringLiteral(" order by tgianbdauchuan+tgiankthucchuan");
        return QStringLiteral("SELECT * FROM kehoach2026") + (clause.isEmpty() ? QString() : QStringLiteral(" WHERE ") + clause) + order;
    }

    frmtracuukh* search = nullptr;
};
KORVANE_ON_BOTH_ENGINES(PlanSearch);

TEST_P(PlanSearch, NoConditionListsTheYearInStartAndEndOrder)
{
    EXPECT_FALSE(main.isVisible());
    ASSERT_TRUE(search->Search());
    EXPECT_EQ(list()->Statement(), found(QString()));
    EXPECT_EQ(app.PlanDb->QueryDefSql(QStringLiteral("Qrtracuu")), found(QString()));
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Gặp ông O'Brien"), QStringLiteral("Tuyển dụng"), QStringLiteral("Họp giao ban")}));
    EXPECT_TRUE(list()->isVisible());
    EXPECT_FALSE(search->isVisible());
    // Closing the list brings the search back with its year and conditions.
    QTest::mouseClick(list()->cmdclose, Qt::LeftButton);
    EXPECT_TRUE(search->isVisible());
}

TEST_P(PlanSearch, AFileThatCannotBeWrittenIsSearchedAllTheSame)
{
    app.PlanDb = std::make_unique<engine::Database>(app.PlanFile, engine::Database::Access::ReadOnly);
    search->mban->setText(QStringLiteral("văn phòng"));
    ASSERT_TRUE(search->Search());  // "Qrtracuu" is not written, and nothing is said of it
    EXPECT_TRUE(modal.messages.empty()) << modal.messageTexts().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(app.PlanDb->HasQueryDef(QStringLiteral("Qrtracuu")));
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Gặp ông O'Brien"), QStringLiteral("Họp giao ban")}));
    EXPECT_TRUE(list()->isVisible());
}

TEST_P(PlanSearch, FlagsJoinWithAndAndTheTwoStatesExcludeEachOther)
{
    search->chkkhan->setChecked(true);
    search->chkhthanh->setChecked(true);
    ASSERT_TRUE(search->Search());
    EXPECT_EQ(list()->Statement(), found(QStringLiteral("[khan] = True and [ketthuc] = True")));
    EXPECT_EQ(listed(), QStringList{QStringLiteral("Họp giao ban")});
    // "Chưa hoàn thành" unticks "Đã hoàn thành" and the other way round.
    search->chkchuahthanh->setChecked(true);
    EXPECT_FALSE(search->chkhthanh->isChecked());
    search->mban->setText(QStringLiteral("phòng"));
    ASSERT_TRUE(search->Search());
    EXPECT_EQ(list()->Statement(), found(QStringLiteral("(([tendonvi] Like '*phòng*')) and [khan] = True and [ketthuc] = False")));
    EXPECT_EQ(listed(), QStringList{QStringLiteral("Tuyển dụng")});
    search->chkhthanh->setChecked(true);
    EXPECT_FALSE(search->chkchuahthanh->isChecked());
    // "Xoá ĐKiện" empties the boxes and unticks the flags, the year stays.
    QTest::mouseClick(search->cmdxoa, Qt::LeftButton);
    EXPECT_TRUE(search->mban->text().isEmpty());
    EXPECT_FALSE(search->chkkhan->isChecked() || search->chkhthanh->isChecked());
}

TEST_P(PlanSearch, YearsComeFromThePlanTablesAndBringTheirLists)
{
    QStringList years;
    for (int k = 0; k < search->Combonamlamviec->count(); ++k) years.append(search->Combonamlamviec->itemText(k));
    years.sort();
    EXPECT_EQ(years, (QStringList{QStringLiteral("2025"), QStringLiteral("2026")}));  // never the template
    EXPECT_EQ(search->Combonamlamviec->currentText(), QStringLiteral("2026"));
    EXPECT_FALSE(search->Combonamlamviec->isEditable());
    EXPECT_EQ(search->DBComboban->count(), 2);  // the units used in 2026
    search->Combonamlamviec->setCurrentIndex(search->Combonamlamviec->findText(QStringLiteral("2025")));
    ASSERT_EQ(search->DBComboban->count(), 1);
    EXPECT_EQ(search->DBComboban->itemText(0), QStringLiteral("Phòng Kế toán"));
    emit search->DBComboban->activated(0);
    EXPECT_EQ(search->mban->text(), QStringLiteral("Phòng Kế toán"));
    ASSERT_TRUE(search->Search());
    EXPECT_EQ(listed(), QStringList{QStringLiteral("Quyết toán")});
}

TEST_P(PlanSearch, ABadNumberIsSaidOnLeavingAndAgainAtTheSearch)
{
    search->txtid->setFocus();
    search->txtid->setText(QStringLiteral("abc"));
    search->mban->setFocus();
    ASSERT_FALSE(modal.messages.empty());
    EXPECT_EQ(modal.messageTexts().last(), InvalidConditionMessage(QStringLiteral("abc")));
    EXPECT_TRUE(search->txtid->hasFocus());
    modal.messages.clear();
    EXPECT_FALSE(search->Search());
    EXPECT_EQ(modal.messageTexts(), QStringList{InvalidConditionMessage(QStringLiteral("abc"))});
    EXPECT_FALSE(app.PlanDb->HasQueryDef(QStringLiteral("Qrtracuu")));
    EXPECT_FALSE(list()->isVisible());
    search->txtid->setText(QStringLiteral("1-2"));
    ASSERT_TRUE(search->Search());
    EXPECT_EQ(list()->Statement(), found(QStringLiteral("([id] between 1 and 2)")));
}

TEST_P(PlanSearch, DatesAreCheckedWhenTheSearchRuns)
{
    // Typed, and the search pressed with its Alt key: the focus never left the box.
    search->mtgianbdau1->setFocus();
    search->mtgianbdau1->setText(QStringLiteral("5/3/26"));
    alt(search->mtgianbdau1, Qt::Key_T);
    EXPECT_EQ(search->mtgianbdau1->text(), QStringLiteral("05/03/2026"));
    EXPECT_EQ(list()->Statement(), found(QStringLiteral("[tgianbdauchuan]  >= '20260305'")));
    list()->hide();
    search->show();
    activate(search);
    // The start period's first box says it without a blank before "!", the others with one.
    search->mtgianbdau1->setText(QStringLiteral("31/2/26"));
    EXPECT_FALSE(search->Search());
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng!"));
    EXPECT_TRUE(search->mtgianbdau1->text().isEmpty());
    search->mtgiankthuc1->setText(QStringLiteral("abc"));
    EXPECT_FALSE(search->Search());
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng !"));
    // A period in the wrong order.
    search->mtgiankthuc1->setText(QStringLiteral("01/04/2026"));
    search->mtgiankthuc2->setText(QStringLiteral("01/03/2026"));
    EXPECT_FALSE(search->Search());
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Không đặt trước thời điểm bắt đầu :01/04/2026\r\nCần nạp lại con số thời gian này!"));
    EXPECT_TRUE(search->mtgiankthuc2->hasFocus());
    EXPECT_FALSE(list()->isVisible());
    EXPECT_EQ(modal.busyMessages, 0);
}

TEST_P(PlanSearch, QuotesAreTextAndAnEmptyResultKeepsTheSearch)
{
    search->mndungtt->setText(QStringLiteral("O'Brien"));
    ASSERT_TRUE(search->Search());
    EXPECT_EQ(listed(), QStringList{QStringLiteral("Gặp ông O'Brien")});
    search->show();
    activate(search);
    search->mndungtt->setText(QStringLiteral("'; DROP TABLE kehoach2026; --"));
    EXPECT_FALSE(search->Search());
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Không có công việc nào thoả mãn điều kiện tìm kiếm !"));
    EXPECT_TRUE(search->isVisible());
    EXPECT_TRUE(app.PlanDb->HasTable(QStringLiteral("kehoach2026")));
    // The engine's refusal is said, not thrown: the year's table gone since the list was made.
    engine::Database(app.PlanFile).Execute(QStringLiteral("DROP TABLE kehoach2025"));
    search->Combonamlamviec->setCurrentIndex(search->Combonamlamviec->findText(QStringLiteral("2025")));
    search->mndungtt->clear();
    EXPECT_FALSE(search->Search());
    EXPECT_TRUE(modal.messageTexts().last().startsWith(QStringLiteral("Lỗi dữ liệu : ")));
}

TEST_P(PlanSearch, ClosingGoesBackWhereTheSearchCameFrom)
{
    // From the main window: back to it; the boxes start empty at the next opening.
    search->mcanbo->setText(QStringLiteral("An"));
    search->Combonamlamviec->setCurrentIndex(search->Combonamlamviec->findText(QStringLiteral("2025")));
    QTest::mouseClick(search->cmdclose, Qt::LeftButton);
    EXPECT_FALSE(search->isVisible());
    EXPECT_TRUE(main.isVisible());
    QTest::mouseClick(main.cmdtracuukh, Qt::LeftButton);
    EXPECT_TRUE(search->mcanbo->text().isEmpty());
    EXPECT_EQ(search->Combonamlamviec->currentText(), QStringLiteral("2026"));
    QTest::mouseClick(search->cmdclose, Qt::LeftButton);
    // From the register: its lists are offered (departments by their names); closing shows it
    // again in viewing mode.
    app.PlanRefDb->Execute(QStringLiteral("INSERT INTO bophan (phong, matt) VALUES ('Phòng Hành chính', 'h')"));
    auto* reg = activate(frmcongviec::Open(app));
    QTest::mouseClick(reg->Cmdtracuu, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("timkiemkehoach"));
    EXPECT_FALSE(reg->isVisible());
    ASSERT_TRUE(search->isVisible());
    ASSERT_GE(search->DBCombobophan->findText(QStringLiteral("Phòng Hành chính")), 0);
    QTest::mouseClick(search->cmdclose, Qt::LeftButton);
    EXPECT_TRUE(reg->isVisible());
    EXPECT_EQ(app.FormMode, QStringLiteral("xemkehoach"));
    delete reg;
}
