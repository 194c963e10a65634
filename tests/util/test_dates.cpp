#include "dates.h"
#include "text.h"

#include <gtest/gtest.h>

using namespace korvane;

TEST(Dates, CheckDateTextAcceptsExactlyTheRealDates)
{
    const MonthAbbrev months;
    struct Case {
        QString typed, expected;
    } cases[] = {
        {QStringLiteral("5/3/08"), QStringLiteral("05/03/2008")},
        {QStringLiteral("31/2/2008"), QString()},
        {QStringLiteral("29/2/2008"), QStringLiteral("29/02/2008")},
        {QStringLiteral("29/2/2009"), QString()},
        {QStringLiteral("29/2/1900"), QString()},  // not a leap year
        {QStringLiteral("29/2/2000"), QStringLiteral("29/02/2000")},
        {QStringLiteral("5.3.2008"), QStringLiteral("05/03/2008")},
        {QStringLiteral("5-3-2008"), QStringLiteral("05/03/2008")},
        {QStringLiteral("5/3"), QString()},
        {QStringLiteral("5/13/2008"), QString()},
        {QStringLiteral("0/3/2008"), QString()},
        {QStringLiteral("31/4/2008"), QString()},
        {QStringLiteral("31/12/2008"), QStringLiteral("31/12/2008")},
        {QStringLiteral("30"), QString()},
        {QStringLiteral("abc/de/fghi"), QString()},
        {QStringLiteral("5/Mar/2008"), QString()},
        {QStringLiteral("5 / 3 / 2008"), QStringLiteral("05/03/2008")},
        {QStringLiteral("05/03/30"), QStringLiteral("05/03/2030")},
        {QStringLiteral("05/03/31"), QStringLiteral("05/03/1931")},
    };
    for (Case& c : cases) EXPECT_EQ(CheckDateText(c.typed, months, 2010), c.expected) << c.typed.toStdString();
    QString typed = QStringLiteral("   1/1/1999  ");
    EXPECT_EQ(CheckDateText(typed, months, 2010), QStringLiteral("01/01/1999"));
    EXPECT_EQ(typed, QStringLiteral("1/1/1999"));  // the caller's text is trimmed
}

TEST(Dates, NormalFormsAndNames)
{
    EXPECT_EQ(NormalDate(QStringLiteral("05/03/2008")), QStringLiteral("20080305"));
    EXPECT_EQ(NormalDate(QStringLiteral("5/3/08")), QStringLiteral("19080305"));
    EXPECT_EQ(NormalDate(QStringLiteral("20080305")), QStringLiteral("20080305"));
    EXPECT_EQ(NormalDate(QStringLiteral("5/3")), QString());
    EXPECT_EQ(NormalDate(QStringLiteral("5-3-2008")), QStringLiteral("20080305"));
    EXPECT_EQ(WeekdayName(4), QStringLiteral("Thứ tư"));
    EXPECT_EQ(WeekdayName(1), QStringLiteral("Chủ nhật"));
    EXPECT_EQ(WeekdayName(7), QStringLiteral("Thứ bảy"));
    EXPECT_EQ(WeekdayName(0), QString());
    EXPECT_EQ(WeekdayName(8), QString());
    EXPECT_EQ(WeekdayName(WeekdayNumber(QDate(2026, 12, 9))), QStringLiteral("Thứ tư"));
    EXPECT_EQ(WeekdayName(WeekdayNumber(QDate(2026, 12, 13))), QStringLiteral("Chủ nhật"));
}

TEST(Dates, MonthTableIsTwelveDistinctNamesInAnyLanguage)
{
    for (const char* name : {"vi_VN", "en_US", "fr_FR", "de_DE", "ja_JP", "ru_RU", "zh_CN"}) {
        SCOPED_TRACE(name);
        const MonthAbbrev months = MonthAbbrev::fromLocale(QLocale(QString::fromLatin1(name)));
        QStringList seen;
        for (int m = 1; m <= 12; ++m) {
            EXPECT_FALSE(seen.contains(months.name(m), Qt::CaseInsensitive)) << months.name(m).toStdString();
            seen.append(months.name(m));
            EXPECT_EQ(months.monthOf(months.name(m)), m);
        }
        // Every date of a leap year survives the round trip through the month names.
        for (QDate d(2008, 1, 1); d.year() == 2008; d = d.addDays(1)) {
            const QString shown = DisplayDate(d, months);
            ASSERT_EQ(shown, d.toString(QStringLiteral("dd/MM/yyyy")));
            QString typed = shown;
            ASSERT_EQ(CheckDateText(typed, months, 2010), shown);
            ASSERT_TRUE(IsMonthNameDate(MonthNameDate(shown, months), months));
        }
    }
    // The Vietnamese names all begin "thg": the fixed table takes their place.
    const MonthAbbrev vi = MonthAbbrev::fromLocale(QLocale(QStringLiteral("vi_VN")));
    EXPECT_EQ(vi.name(3), QStringLiteral("Mar"));
    EXPECT_EQ(MonthNameDate(QStringLiteral("05/03/2008"), vi), QStringLiteral("05/Mar/2008"));
    EXPECT_EQ(MonthNameDate(QStringLiteral("05/13/2008"), vi), QStringLiteral("05//2008"));
    EXPECT_EQ(MonthAbbrev::fromLocale(QLocale(QStringLiteral("en_US"))).name(12), QStringLiteral("Dec"));
}

TEST(SortKey, VietnameseDictionaryOrder)
{
    EXPECT_EQ(VietSortKey(QStringLiteral("Đà"), false), QStringLiteral("D10a01"));
    EXPECT_EQ(VietSortKey(QStringLiteral("Đà"), true), QStringLiteral("Da"));
    EXPECT_EQ(VietSortKey(QStringLiteral("bac"), false), QStringLiteral("ba00c"));
    EXPECT_EQ(VietSortKey(QStringLiteral("   "), false), QString());
    EXPECT_EQ(VietSortKey(QStringLiteral("Nguyễn Thị Hường, Đặng"), true), QStringLiteral("Nguyen Thi Huong, Dang"));
    // Words in dictionary order get keys in the same plain-text order.
    const QStringList ordered = {QStringLiteral("ba"), QStringLiteral("bà"), QStringLiteral("bá"),
                                 QStringLiteral("bác"), QStringLiteral("bạ"), QStringLiteral("bâc"), QStringLiteral("bấc"), QStringLiteral("bắc"),
                                 QStringLiteral("da"), QStringLiteral("đa"), QStringLiteral("đà"), QStringLiteral("e"),
                                 QStringLiteral("ê"), QStringLiteral("o"), QStringLiteral("ô"), QStringLiteral("ơ"),
                                 QStringLiteral("u"), QStringLiteral("ư")};
    for (qsizetype k = 1; k < ordered.size(); ++k)
        EXPECT_LT(VietSortKey(ordered[k - 1], false), VietSortKey(ordered[k], false)) << ordered[k].toStdString();
    // The 88 letters of the table: every one of them gets a three-character code.
    const QString letters = QStringLiteral("AaàáảãạÂâầấẩẫậĂăằắẳẵặDdĐđEeèéẻẽẹÊêềếểễệIiìíỉĩịOoòóỏõọÔôồốổỗộƠơờớởỡợUuùúủũụƯưừứửữựYyỳýỷỹỵ");
    ASSERT_EQ(letters.size(), 88);
    EXPECT_EQ(VietSortKey(letters, false).size(), 88 * 3);
}
