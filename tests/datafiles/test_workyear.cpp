// The working-year window through its real dialog: the years offered, a new year's tables made
// from the templates and remembered, and the years it refuses without touching anything.
#include "frmnamlamviec.h"
#include "office.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

using namespace korvane;

class WorkYear : public Office {
protected:
    // Opens the window from the main window's year label and confirms `year` in it.
    void choose(const QString& year)
    {
        app.Openers[QStringLiteral("mnuchonnamlamviec")] = ChooseWorkYear;
        modal.drivers[QStringLiteral("frmnamlamviec")] = [this, year](QDialog& d) {
            auto& w = static_cast<frmnamlamviec&>(d);
            offered.clear();
            for (int k = 0; k < w.Combonamlamviec->count(); ++k) offered.append(w.Combonamlamviec->itemText(k));
            shownFirst = w.Combonamlamviec->currentText();
            w.Combonamlamviec->setEditText(year);
            QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
        };
        QTest::mouseDClick(main.Lblnamlamviec, Qt::LeftButton);
    }
    bool hasTable(engine::Database& db, const QString& name) { return db.TableNames().contains(name, Qt::CaseInsensitive); }
    QStringList offered;
    QString shownFirst;
};

TEST_F(WorkYear, ANewYearGetsItsTablesOnceAndIsRememberedAndShown)
{
    app.DocDb->Execute(QStringLiteral("CREATE TABLE cvden2024 (id INTEGER PRIMARY KEY)"));
    app.DocDb->Execute(QStringLiteral("CREATE TABLE cvdi2025 (id INTEGER PRIMARY KEY)"));
    choose(QStringLiteral("2027"));
    EXPECT_EQ(offered, (QStringList{QStringLiteral("2026"), QStringLiteral("2025"), QStringLiteral("2024")}));  // no "mau"
    EXPECT_EQ(shownFirst, QStringLiteral("2026"));
    EXPECT_EQ(app.WorkYear, QStringLiteral("2027"));
    EXPECT_EQ(app.PlanTable, QStringLiteral("kehoach2027"));
    for (const char* t : {"kehoach2027", "lich2027"}) EXPECT_TRUE(hasTable(*app.PlanDb, QLatin1String(t))) << t;
    for (const char* t : {"cvden2027", "cvdi2027"}) EXPECT_TRUE(hasTable(*app.DocDb, QLatin1String(t))) << t;
    EXPECT_EQ(main.Lblnamlamviec->text(), QStringLiteral("Dữ liệu năm 2027"));
    const auto settings = ReadSysmem(app.DataFile(QStringLiteral("sysmem")));
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(settings->WorkYear, QStringLiteral("2027"));

    // Confirmed again, the year's tables are left as they are.
    app.PlanDb->Execute(QStringLiteral("INSERT INTO kehoach2027 (ndungtt) VALUES ('giữ lại')"));
    choose(QStringLiteral("2027"));
    EXPECT_EQ(Rows(*app.PlanDb, QStringLiteral("SELECT ndungtt FROM kehoach2027")), QStringList{QStringLiteral("giữ lại")});
    EXPECT_TRUE(modal.messages.empty());
}

TEST_F(WorkYear, AYearThatIsNoneIsRefusedAndAFailureKeepsThePreviousYear)
{
    // Fifty years from the clock (2026) is too far; forty-nine is not.
    choose(QStringLiteral("1976"));
    EXPECT_EQ(modal.messages.back().text, QStringLiteral("Cần chọn lại số năm cho đúng"));
    EXPECT_EQ(app.WorkYear, QStringLiteral("2026"));
    choose(QStringLiteral("207"));  // not four digits: never a table name
    EXPECT_EQ(modal.messages.size(), 2u);
    EXPECT_FALSE(hasTable(*app.PlanDb, QStringLiteral("kehoach207")));
    choose(QStringLiteral("1977"));
    EXPECT_EQ(app.WorkYear, QStringLiteral("1977"));

    // A file that refuses the new tables: the message, and the year before stays in use.
    app.PlanDb = std::make_unique<engine::Database>(app.PlanFile, engine::Database::Access::ReadOnly);
    choose(QStringLiteral("2030"));
    EXPECT_EQ(modal.messages.back().text,
              QStringLiteral("Gặp lỗi khi đang chọn năm làm việc ! \rChương trình không đặt được năm làm việc vừa chọn !"));
    EXPECT_EQ(app.WorkYear, QStringLiteral("1977"));
    EXPECT_EQ(app.CalendarTable, QStringLiteral("lich1977"));
    EXPECT_EQ(ReadSysmem(app.DataFile(QStringLiteral("sysmem")))->WorkYear, QStringLiteral("1977"));
    EXPECT_EQ(main.Lblnamlamviec->text(), QStringLiteral("Dữ liệu năm 1977"));
}
