// The condition language: the fragments to the blank, and the rows they find when run through
// the adapter against a real year table.
#include "conditions.h"
#include "database.h"
#include "jetsql.h"
#include "datafiles.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <random>

using namespace korvane;

namespace {

QString text(const QString& typed, const QString& field = QStringLiteral("[noigui]"), bool withoutMarks = false)
{
    QString clause;
    int count = 0;
    TextCondition(typed, field, clause, count, withoutMarks);
    return clause;
}

QString number(const QString& typed, QString* validity = nullptr)
{
    QString clause, v = QStringLiteral("unset");
    int count = 0;
    NumberCondition(typed, QStringLiteral("[stt]"), clause, count, v);
    if (validity) *validity = v;
    return clause;
}

}  // namespace

TEST(Conditions, TextFragmentsToTheBlank)
{
    EXPECT_EQ(text(QStringLiteral("bộ")), QStringLiteral("(([noigui] Like '*bộ*'))"));
    EXPECT_EQ(text(QStringLiteral("bộ,sở")), QStringLiteral("(([noigui] Like '*bộ*') or ([noigui] Like '*sở*'))"));
    EXPECT_EQ(text(QStringLiteral("sở+!hà nội")), QStringLiteral("(([noigui] Like '*sở*' and [noigui] Not Like '*hà nội*'))"));
    EXPECT_EQ(text(QStringLiteral("a,,b")), QStringLiteral("(([noigui] Like '*a*') or ([noigui] Like '*b*'))"));
    EXPECT_EQ(text(QStringLiteral(", a")), QStringLiteral("(([noigui] Like '*a*'))"));
    EXPECT_EQ(text(QStringLiteral("!")), QStringLiteral("(([noigui] Not Like '**'))"));
    EXPECT_EQ(text(QStringLiteral("#  ab ")), QStringLiteral("(([noigui] Not Like '*ab*'))"));
    EXPECT_EQ(text(QStringLiteral("a +b")), QStringLiteral("(([noigui] Like '*a *' and [noigui] Like '*b*'))"));
    // Mended: quotes are searched for literally; nothing but separators appends nothing.
    EXPECT_EQ(text(QStringLiteral("O'Brien")), QStringLiteral("(([noigui] Like '*O''Brien*'))"));
    EXPECT_EQ(text(QStringLiteral(",")), QString());
    EXPECT_EQ(text(QStringLiteral(" , + ,")), QString());
    EXPECT_EQ(text(QStringLiteral("a+")), QStringLiteral("(([noigui] Like '*a*'))"));
    EXPECT_EQ(text(QStringLiteral("a+,b")), QStringLiteral("(([noigui] Like '*a*') or ([noigui] Like '*b*'))"));
    // Without marks told apart: each term typed without marks is matched folded, one with marks
    // ("đ" too) as typed.
    const QString f = QStringLiteral("[noigui]");
    EXPECT_EQ(text(QStringLiteral("cong van"), f, true), QStringLiteral("((Fold([noigui]) Like '*cong van*'))"));
    EXPECT_EQ(text(QStringLiteral("UBND+!Hà,đa"), f, true),
              QStringLiteral("((Fold([noigui]) Like '*UBND*' and [noigui] Not Like '*Hà*') or ([noigui] Like '*đa*'))"));

    // Blanks only leave the count; two fields are joined in their order.
    QString clause;
    int count = 0;
    TextCondition(QStringLiteral("   "), QStringLiteral("[noigui]"), clause, count);
    EXPECT_EQ(count, 0);
    TextCondition(QStringLiteral("bộ"), QStringLiteral("[noigui]"), clause, count);
    TextCondition(QStringLiteral("tài"), QStringLiteral("[tt_ndung]"), clause, count);
    EXPECT_EQ(clause, QStringLiteral("(([noigui] Like '*bộ*')) and (([tt_ndung] Like '*tài*'))"));
    EXPECT_EQ(count, 2);
}

TEST(Conditions, NumberFragmentsAndValidity)
{
    QString v;
    EXPECT_EQ(number(QStringLiteral("5"), &v), QStringLiteral("([stt]=5)"));
    EXPECT_EQ(v, QStringLiteral("dung"));
    EXPECT_EQ(number(QStringLiteral(">10")), QStringLiteral("([stt]>10)"));
    EXPECT_EQ(number(QStringLiteral("> 3")), QStringLiteral("([stt]> 3)"));
    EXPECT_EQ(number(QStringLiteral("!7")), QStringLiteral("([stt] <> 7)"));
    EXPECT_EQ(number(QStringLiteral("#7")), QStringLiteral("([stt] <> 7)"));
    EXPECT_EQ(number(QStringLiteral("20-30")), QStringLiteral("([stt] between 20 and 30)"));
    EXPECT_EQ(number(QStringLiteral("5,>10,!7,20-30")), QStringLiteral("([stt]=5 or [stt]>10 or [stt] <> 7 or [stt] between 20 and 30)"));
    EXPECT_EQ(number(QStringLiteral("5 ,6")), QStringLiteral("([stt]=5  or [stt]=6)"));
    EXPECT_EQ(number(QStringLiteral(">=10,4")), QStringLiteral("([stt]=4)"));
    for (const char* bad : {"abc", "1-x", ">=10", "'", "-", "1.2.3"}) {
        EXPECT_EQ(number(QString::fromUtf8(bad), &v), QString()) << bad;
        EXPECT_EQ(v, QStringLiteral("sai")) << bad;
    }
    // An invalid item after another field leaves the clause ending in " and ".
    QString clause = QStringLiteral("x");
    int count = 1;
    NumberCondition(QStringLiteral("abc"), QStringLiteral("[stt]"), clause, count, v);
    EXPECT_EQ(clause, QStringLiteral("x and "));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(InvalidConditionMessage(QStringLiteral(" 1-x ")),
              QStringLiteral("Điều kiện  '1-x'  không hợp lệ!\r\nCần dùng đúng các ký hiệu '<','>','-','!' và '#' như sau : "
                             "<a ; >a ; a-b (các số từ a đến b) ; !a hoặc #a (khác a)"));
}

TEST(Conditions, DatesAndEquals)
{
    QString clause;
    int count = 0;
    DateRangeCondition(QStringLiteral("01/01/2001"), QStringLiteral("31/12/2001"), QStringLiteral("[ng_denchuan]"), clause, count);
    EXPECT_EQ(clause, QStringLiteral("[ng_denchuan] between '20010101' and '20011231'"));
    DateRangeCondition(QString(), QStringLiteral("31/12/2001"), QStringLiteral("[ng_cvchuan]"), clause, count);
    EXPECT_EQ(clause, QStringLiteral("[ng_denchuan] between '20010101' and '20011231' and [ng_cvchuan]  <= '20011231'"));
    clause.clear();
    count = 0;
    DateRangeCondition(QStringLiteral("01/01/2001"), QString(), QStringLiteral("[ng_denchuan]"), clause, count);
    EXPECT_EQ(clause, QStringLiteral("[ng_denchuan]  >= '20010101'"));
    DateRangeCondition(QString(), QString(), QStringLiteral("[ng_denchuan]"), clause, count);
    EXPECT_EQ(count, 1);
    EqualsCondition(QStringLiteral("-1"), QStringLiteral("[khan]"), clause, count);
    EXPECT_EQ(clause, QStringLiteral("[ng_denchuan]  >= '20010101' and [khan] = -1"));
    EXPECT_EQ(count, 1);
}

class ConditionsOnATable : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<engine::Database>(folder.copyTemplate(QStringLiteral("zeltcv.MDB")));
        ASSERT_TRUE(CreateTableFromTemplate(*db, *db, QStringLiteral("cvdenmau"), QStringLiteral("cvden2008"), true));
        const char* rows[][5] = {
            {"1", "Bộ Tài chính", "Về việc lương", "20080105", "Công văn"},
            {"2", "Sở Giáo dục Hà Nội", "Tuyển sinh", "20080210", "Quyết định"},
            {"12a", "UBND tỉnh Hà Nam", "Kế hoạch O'Brien", "20080315", ""},
            {"100", "BỘ NỘI VỤ", "Tổng kết", "20081231", "Công văn"},
            {"15", "Sở Y tế", "Phòng dịch", "20080601", "Công điện"},
        };
        for (const auto& r : rows)
            db->Execute(QStringLiteral("INSERT INTO cvden2008 (stt, noigui, tt_ndung, ng_denchuan, loai) VALUES ('%1', '%2', '%3', '%4', '%5')")
                            .arg(QString::fromUtf8(r[0]), engine::escapeQuotes(QString::fromUtf8(r[1])),
                                 engine::escapeQuotes(QString::fromUtf8(r[2])), QString::fromUtf8(r[3]), QString::fromUtf8(r[4])));
    }

    QString found(const QString& clause)
    {
        auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM cvden2008 WHERE ") + clause + QStringLiteral(" ORDER BY id"));
        QStringList ids;
        for (; !rs->Eof(); rs->MoveNext()) ids.append(rs->Field(QStringLiteral("stt")).toString());
        return ids.join(QLatin1Char(','));
    }

    testing_support::TempFolder folder;
    std::unique_ptr<engine::Database> db;
};

TEST_F(ConditionsOnATable, TypedConditionsFindTheRowsAPersonExpects)
{
    struct Case {
        const char* typed;
        const char* field;
        const char* expected;
    } cases[] = {
        {"bộ", "[noigui]", "1,100"},                  // any letter case of Vietnamese letters
        {"BỘ", "[noigui]", "1,100"},
        {"sở", "[noigui]", "2,15"},
        {"hà", "[noigui]", "2,12a"},
        {"sở+!hà nội", "[noigui]", "15"},
        {"bộ,y tế", "[noigui]", "1,100,15"},
        {"!công", "[loai]", "2,12a"},                  // an empty text has no "công" either
        {"o'brien", "[tt_ndung]", "12a"},
        {",", "[noigui]", ""},
    };
    // Marks not told apart: "ha" finds "Hà", "Hạ" and "ha"; "đ" is "d"; a term with marks keeps them.
    const Case folded[] = {
        {"ha", "[noigui]", "2,12a"},    {"ubnd tinh ha nam", "[noigui]", "12a"}, {"bo noi", "[noigui]", "100"},
        {"giao duc+!ha nam", "[noigui]", "2"}, {"cong dien", "[loai]", "15"},    {"quyet dinh", "[loai]", "2"},
        {"Bộ", "[noigui]", "1,100"},    {"cong", "[loai]", "1,100,15"},          {"hả", "[noigui]", ""},
    };
    for (const Case& c : folded) {
        QString clause;
        int count = 0;
        TextCondition(QString::fromUtf8(c.typed), QString::fromUtf8(c.field), clause, count, true);
        EXPECT_EQ(found(clause), QString::fromUtf8(c.expected)) << c.typed;
    }
    for (const Case& c : cases) {
        QString clause;
        int count = 0;
        TextCondition(QString::fromUtf8(c.typed), QString::fromUtf8(c.field), clause, count);
        if (clause.isEmpty()) {
            EXPECT_STREQ(c.expected, "") << c.typed;
            continue;
        }
        EXPECT_EQ(found(clause), QString::fromUtf8(c.expected)) << c.typed;
    }
    struct NumberCase {
        const char* typed;
        const char* expected;
    } numbers[] = {{"12", "12a"}, {">10", "12a,100,15"}, {"<3", "1,2"}, {"!1", "2,12a,100,15"}, {"10-20", "12a,15"}, {"1,100", "1,100"}};
    for (const NumberCase& c : numbers) {
        QString clause, v;
        int count = 0;
        NumberCondition(QString::fromUtf8(c.typed), QStringLiteral("[stt]"), clause, count, v);
        EXPECT_EQ(found(clause), QString::fromUtf8(c.expected)) << c.typed;
    }
    QString clause;
    int count = 0;
    TextCondition(QStringLiteral("công"), QStringLiteral("[loai]"), clause, count);
    DateRangeCondition(QStringLiteral("1/1/2008"), QStringLiteral("30/6/2008"), QStringLiteral("[ng_denchuan]"), clause, count);
    EXPECT_EQ(found(clause), QStringLiteral("1,15"));
}

TEST_F(ConditionsOnATable, RandomTypingGivesSaiOrAClauseThatRuns)
{
    std::mt19937 rng(20261209);
    const QString alphabet = QStringLiteral("abộởĐ019,,++!#<>--'\"  .");
    auto typed = [&] {
        QString s;
        const int n = static_cast<int>(rng() % 12);
        for (int k = 0; k < n; ++k) s += alphabet[static_cast<qsizetype>(rng() % alphabet.size())];
        return s;
    };
    int ran = 0, refused = 0;
    for (int k = 0; k < 3000; ++k) {
        QString clause, validity;
        int count = 0;
        const QString t1 = typed(), t2 = typed(), n = rng() % 2 ? QString() : typed();
        TextCondition(t1, QStringLiteral("[noigui]"), clause, count);
        NumberCondition(n, QStringLiteral("[stt]"), clause, count, validity);
        TextCondition(t2, QStringLiteral("[tt_ndung]"), clause, count);
        if (validity == QLatin1String("sai")) {
            ++refused;
            continue;  // the search window stops here
        }
        if (count == 0) continue;
        try {
            found(clause);
            ++ran;
        } catch (const engine::DbError& e) {
            ADD_FAILURE() << "[" << t1.toStdString() << "] [" << n.toStdString() << "] [" << t2.toStdString() << "] -> "
                          << clause.toStdString() << ": " << e.description().toStdString();
        }
    }
    EXPECT_GT(ran, 1200);
    EXPECT_GT(refused, 100);
}
