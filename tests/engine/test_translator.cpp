// Statements of the Jet dialect, run through the adapter against real files: each rule of the
// translator with the rows it must find.
#include "fixture.h"

#include "connection.h"
#include "dbstate.h"
#include "jetsql.h"
#include "sqlfunctions.h"

#include <random>

using engine::DbError;

namespace {

enum Where { Here, Other, Fails };

struct Case {
    const char* statement;  // %1 stands for the other file's path
    const char* check;      // a query whose first column is compared; empty: the statement itself
    const char* expected;
    Where where = Here;     // the file it runs on, or Fails: it must fail cleanly
};

// In order: later cases see what earlier ones changed.
const Case kCases[] = {
    // Like / Not Like: "*" and "?", ignoring case on Vietnamese letters.
    {"SELECT * FROM cvden2008 WHERE [noigui] Like '*bộ*'", "", "1,4"},
    {"SELECT * FROM cvden2008 WHERE (([noigui] Like '*sở*' and [noigui] Not Like '*hà nội*'))", "", ""},
    {"SELECT * FROM cvden2008 WHERE (([noigui] Like '*bộ*') or ([noigui] Like '*sở*'))", "", "1,2,4"},
    {"SELECT * FROM cvden2008 WHERE [noigui] Not Like '*bộ*'", "", "2,3"},
    {"SELECT * FROM cvden2008 WHERE [stt] Like '1?\?'", "", "3,4"},
    {"SELECT * FROM cvden2008 WHERE noigui Like 'ubnd*'", "", "3"},
    {"SELECT * FROM cvden2008 WHERE [noigui] Not Like '**'", "", ""},
    {"SELECT * FROM cvden2008 WHERE [tt_ndung] Like '*O''Brien*'", "", "2"},
    // Fold: the text without marks, "đ" as "d", in any letter case; without it marks count.
    {"SELECT * FROM cvden2008 WHERE Fold([noigui]) Like '*bo*'", "", "1,4"},
    {"SELECT * FROM cvden2008 WHERE [noigui] Like '*bo*'", "", ""},
    {"SELECT * FROM cvden2008 WHERE (Fold([noigui]) Like '*ha noi*') or (Fold(noigui) Like 'ubnd tinh')", "", "2,3"},
    {"SELECT * FROM cvden2008 WHERE Fold([dv_nhan]) Like '*to chuc*' and Fold([noigui]) Not Like '*NOI VU*'", "", "1"},
    {"SELECT * FROM cvden2008 WHERE Fold(loai) Like '*dinh' or Fold(tt_ndung) Like '*tang luong'", "", "1,2"},
    {"SELECT * FROM cvden2008 WHERE Fold(noigui) Like 'b? n[o]i*' or Fold(dv_nhan) = 'van phong'", "", "2,3,4"},
    // Text compared with numbers: the leading number counts.
    {"SELECT * FROM cvden2008 WHERE ([stt]=12)", "", "3"},
    {"SELECT * FROM cvden2008 WHERE ([stt]>10)", "", "3,4"},
    {"SELECT * FROM cvden2008 WHERE ([stt]=5  or [stt]=2)", "", "2"},
    {"SELECT * FROM cvden2008 WHERE ([stt] <> 1)", "", "2,3,4"},
    {"SELECT * FROM cvden2008 WHERE ([stt] between 2 and 20)", "", "2,3"},
    {"SELECT * FROM cvden2008 WHERE 50 < [stt]", "", "4"},
    {"SELECT * FROM cvden2008 WHERE [stt] = '12a'", "", "3"},
    // between on texts, dates as yyyymmdd.
    {"SELECT * FROM cvden2008 WHERE [ng_denchuan] between '20080201' and '20080401'", "", "2,3"},
    {"SELECT * FROM cvden2008 WHERE [ng_denchuan]  >= '20080301'", "", "3,4"},
    {"SELECT * FROM cvden2008 WHERE (([noigui] Like '*bộ*')) and [ng_denchuan]  <= '20080630'", "", "1"},
    // True/False, functions.
    {"SELECT * FROM cvden2008 WHERE da_xuli = True", "", "4"},
    {"SELECT * FROM cvden2008 WHERE da_xuli = False ORDER BY id DESC", "", "3,2,1"},
    {"SELECT * FROM cvden2008 WHERE format( ng_den ,'yyyymmdd' ) = '20080105'", "", "1"},
    {"SELECT * FROM cvden2008 WHERE left(tt_ndung,7) = 'về việc'", "", "1"},
    {"SELECT * FROM cvden2008 WHERE len(noigui) = 9", "", "3,4"},
    {"select distinct loai from cvden2008 where loai<>''", "", "Công văn,Quyết định"},
    {"select distinct tendonvi from kehoach2008 where len(trim(tendonvi))>0 order by tendonvi", "", "Ban Tổ chức,Văn phòng"},
    // "+" joins texts in an ordering.
    {"SELECT ndungtt FROM kehoach2008 ORDER BY tgianbdauchuan+tgiankthucchuan ", "", "c,b,a"},
    {"SELECT ndungtt & '-' & loai FROM kehoach2008 WHERE ndungtt = 'a'", "", "a-"},
    {"SELECT ndungtt + '!' FROM kehoach2008 WHERE ndungtt = 'a'", "", "a!"},
    // Orderings and reference lists.
    {"SELECT * FROM bophan ORDER BY matt", "", "2,3,1"},
    {"select distinct matt from bophan order by matt desc", "", "2,1"},
    {"select * from bophan order by donvi, phong", "", "3,2,1"},
    {"SELECT * FROM donvi WHERE tendonvi not IN (select distinct Tendonvi from kehoach2008)", "", "2"},
    // Print marks.
    {"UPDATE cvden2008 SET chonin = '' where [chonin]='X' ;", "SELECT id FROM cvden2008 WHERE chonin = 'X'", ""},
    {"UPDATE cvden2008 SET chonin = 'X' where (([noigui] Like '*bộ*'))", "SELECT id FROM cvden2008 WHERE [chonin]= 'X'", "1,4"},
    {"DELETE * FROM incvden ;", "SELECT id FROM incvden", ""},
    {" INSERT INTO incvden Select * from cvden2008 where [chonin]= 'X' order by [id]", "SELECT id FROM incvden", "1,4"},
    {"DELETE incvden.* FROM incvden WHERE id = 1", "SELECT id FROM incvden", "4"},
    // An update joined to another table of the same file.
    {"UPDATE kehoach2008, donvi SET kehoach2008.ndungtt = donvi.chutat WHERE kehoach2008.Tendonvi = donvi.tendonvi AND donvi.matt = 'v'",
     "SELECT ndungtt FROM kehoach2008 ORDER BY Tgianbdauchuan, ndungtt", "c,VP,a"},
    // Copies into another file named by its path.
    {" INSERT INTO cvden2008 IN '%1' Select stt,ng_den,noigui from cvden2008 where kieuupdate=1 order by id", "", "", Fails},
    {"SELECT cvden2008.* INTO cvden2008 IN '%1' FROM cvden2008 ;", "SELECT id FROM cvden2008 IN '%1'", "1,2,3,4"},
    {"CREATE INDEX idprimarykey ON cvden2008(id ASC) WITH  PRIMARY ", "SELECT count(*) FROM cvden2008", "4", Other},
    {"CREATE INDEX idcu ON cvden2008(idcu)", "SELECT count(*) FROM cvden2008", "4", Other},
    {" INSERT INTO cvden2008 IN '%1' Select stt,ng_den,noigui,idcu from cvden2008 where kieuupdate=1 order by id",
     "SELECT stt FROM cvden2008 IN '%1' ORDER BY id", "1,2,12a,100,1,100"},
    {"select * into temp in '%1' from donvi", "SELECT tendonvi FROM temp IN '%1'", "Văn phòng,Ban Tuyên giáo"},
    {"SELECT * FROM cvden2008 WHERE idcu IN (SELECT idcu FROM cvden2008 IN '%1' WHERE stt = '12a')", "", "3"},
    // A text put in order against digits compares byte by byte on both engines: "~" comes after
    // the digits, not before them as in a case-blind collation.
    {"UPDATE cvden2008 SET ng_cvchuan = '2008~' WHERE id = 2",
     "SELECT id FROM cvden2008 WHERE id = 2 AND ng_cvchuan BETWEEN '2008' AND '20089'", ""},
    {"SELECT id FROM cvden2008 WHERE id = 2 AND ng_cvchuan > '20089' AND '2008' < ng_cvchuan", "", "2"},
    // Fold over lists and ranges, then over every letter of the alphabet in both cases.
    {"SELECT id FROM cvden2008 WHERE Fold(noigui) Like '[A-C]*' or Fold(noigui) Like '*[!a-z ]'", "", "1,4"},
    {"SELECT id FROM cvden2008 WHERE Fold(noigui) Like '*[đ]*' and Fold(tt_ndung) Like '[s-v]*'", "", "2"},
    {"UPDATE cvden2008 SET tt_ndung = 'aàáảãạăằắẳẵặâầấẩẫậbcdđeèéẻẽẹêềếểễệghiìíỉĩịklmnoòóỏõọôồốổỗộơờớởỡợpqrstuùúủũụưừứửữựvxyỳýỷỹỵAÀÁẢÃẠĂẰẮẲẴẶÂẦẤẨẪẬBCDĐEÈÉẺẼẸÊỀẾỂỄỆGHIÌÍỈĨỊKLMNOÒÓỎÕỌÔỒỐỔỖỘƠỜỚỞỠỢPQRSTUÙÚỦŨỤƯỪỨỬỮỰVXYỲÝỶỸỴ' WHERE id = 3",
     "SELECT id FROM cvden2008 WHERE Fold(tt_ndung) Like 'aaaaaaaaaaaaaaaaaabcddeeeeeeeeeeeeghiiiiiiklmnoooooooooooooooooopqrstuuuuuuuuuuuuvxyyyyyyaaaaaaaaaaaaaaaaaabcddeeeeeeeeeeeeghiiiiiiklmnoooooooooooooooooopqrstuuuuuuuuuuuuvxyyyyyy'", "3"},
};

}  // namespace

class TranslatorTable : public BothEngines {};

INSTANTIATE_TEST_SUITE_P(On, TranslatorTable, ::testing::Values(Backend::File, Backend::Server), backendName);

TEST_P(TranslatorTable, EveryStatementFindsItsRows)
{
    for (const Case& c : kCases) {
        const QString statement = QString::fromUtf8(c.statement).replace(QLatin1String("%1"), otherPath);
        const QString check = QString::fromUtf8(c.check).replace(QLatin1String("%1"), otherPath);
        SCOPED_TRACE(statement.toStdString());
        if (c.where == Fails) {
            EXPECT_THROW(db->Execute(statement), DbError);
            continue;
        }
        try {
            std::unique_ptr<engine::Database> other;
            if (c.where == Other) other = std::make_unique<engine::Database>(otherPath);
            engine::Database& on = other ? *other : *db;
            if (check.isEmpty()) {
                EXPECT_EQ(firstColumn(on, statement), QString::fromUtf8(c.expected));
            } else {
                on.Execute(statement);
                EXPECT_EQ(firstColumn(on, check), QString::fromUtf8(c.expected));
            }
        } catch (const DbError& e) {
            ADD_FAILURE() << e.number() << " " << e.description().toStdString();
        }
    }
    // The key and index made on the other file are in its catalogue.
    engine::Database other(otherPath);
    const engine::TableDef def = other.TableDefOf(QStringLiteral("cvden2008"));
    ASSERT_EQ(def.indexes.size(), 2);
    EXPECT_TRUE(def.indexes[0].primary);
    EXPECT_EQ(def.indexes[0].fields, QStringList{QStringLiteral("id")});
    EXPECT_EQ(def.indexes[1].name, QStringLiteral("idcu"));
    EXPECT_FALSE(def.indexes[1].unique);
    EXPECT_FALSE(def.indexes[1].primary);
}

TEST_P(BothEngines, SavedQueriesStandForTablesAlsoInAnotherFile)
{
    db->Execute(QStringLiteral("SELECT cvden2008.* INTO cvden2008 IN '%1' FROM cvden2008 ;").arg(otherPath));
    db->CreateQueryDef(QStringLiteral("Qrbangcvden"), QStringLiteral("select * from cvden2008 in '%1'").arg(otherPath));
    EXPECT_EQ(firstColumn(*db, QStringLiteral("SELECT stt FROM Qrbangcvden WHERE idcu > 2")), QStringLiteral("12a,100"));
    {
        engine::Database other(otherPath);
        other.CreateQueryDef(QStringLiteral("Qrmoi"), QStringLiteral("SELECT * FROM cvden2008 WHERE kieuupdate = 1;"));
    }
    EXPECT_EQ(firstColumn(*db, QStringLiteral("select * from Qrmoi in '%1'").arg(otherPath)), QStringLiteral("1,4"));
    // A record set opened on the query's name.
    auto rs = db->OpenRecordset(QStringLiteral("Qrbangcvden"));
    EXPECT_EQ(rs->RecordCount(), 4);
}

TEST_P(BothEngines, JoinedUpdateThroughASavedQueryOfAnotherFile)
{
    db->Execute(QStringLiteral("SELECT cvden2008.* INTO cvden2008 IN '%1' FROM cvden2008 ;").arg(otherPath));
    db->CreateQueryDef(QStringLiteral("Qrbangcvden"), QStringLiteral("select * from cvden2008 in '%1'").arg(otherPath));
    db->Execute(QStringLiteral("UPDATE cvden2008 SET noigui = 'Bộ Công an', tt_ndung = 'Đã sửa' WHERE kieuupdate = 2"));
    db->Execute(QStringLiteral("UPDATE cvden2008 SET noigui = 'Không chép' WHERE kieuupdate = 0"));
    const long changed = db->Execute(QStringLiteral(
        "update cvden2008, Qrbangcvden set Qrbangcvden.noigui=cvden2008.noigui, Qrbangcvden.tt_ndung=cvden2008.tt_ndung  "
        "where Qrbangcvden.idcu=cvden2008.idcu  and cvden2008.kieuupdate=2 "));
    EXPECT_EQ(changed, 1);
    engine::Database other(otherPath);
    EXPECT_EQ(firstColumn(other, QStringLiteral("SELECT noigui FROM cvden2008 ORDER BY idcu")),
              QStringLiteral("Bộ Tài chính,Bộ Công an,UBND tỉnh,Bộ NộI Vụ"));
    EXPECT_EQ(firstColumn(other, QStringLiteral("SELECT tt_ndung FROM cvden2008 WHERE idcu = 2")), QStringLiteral("Đã sửa"));
}

TEST_P(BothEngines, ValuesSplicedIntoCriteriaAreQuotedByOneHelper)
{
    EXPECT_EQ(engine::escapeQuotes(QStringLiteral("O'Brien")), QStringLiteral("O''Brien"));
    const QString typed = QStringLiteral("' or ''='");
    const QString criteria = QStringLiteral("noigui = '%1'").arg(engine::escapeQuotes(typed));
    EXPECT_EQ(firstColumn(*db, QStringLiteral("SELECT * FROM cvden2008 WHERE ") + criteria), QString());
    auto rs = db->OpenRecordset(QStringLiteral("cvden2008"));
    rs->FindFirst(QStringLiteral("tt_ndung = '%1'").arg(engine::escapeQuotes(QStringLiteral("Thư của O'Brien"))));
    EXPECT_FALSE(rs->NoMatch());
    EXPECT_EQ(rs->Field(QStringLiteral("id")).toInt(), 2);
}

TEST_P(BothEngines, MalformedStatementsGiveSyntaxErrors)
{
    const char* bad[] = {
        "SELECT * FROM cvden2008 WHERE noigui = 'unclosed",
        "SELECT * FROM cvden2008 WHERE [noigui = 'x'",
        "SELEKT * FROM cvden2008",
        "UPDATE cvden2008 chonin = 'X'",
        "SELECT * FROM cvden2008 WHERE ((stt = 1)",
        "",
        "CREATE INDEX ix ON cvden2008",
        "update cvden2008, Qr set Qr.stt = cvden2008.stt",
    };
    for (const char* sql : bad) {
        SCOPED_TRACE(sql);
        try {
            db->Execute(QString::fromUtf8(sql));
            ADD_FAILURE() << "no error";
        } catch (const DbError& e) {
            EXPECT_TRUE(e.number() == engine::ErrSyntax || e.number() == engine::ErrTableNotFound) << e.number();
            EXPECT_FALSE(e.description().isEmpty());
        }
    }
}

TEST_P(BothEngines, TextAfterTheStatementIsRefusedNeverDropped)
{
    // Were the text after the first ";" dropped, each of these would run its first part and
    // report success; were it run, the table would be gone.
    const char* twoStatements[] = {
        "UPDATE cvden2008 SET chonin = 'Z'; DROP TABLE cvden2008",
        "UPDATE cvden2008 SET chonin = 'Z' ; ; DELETE * FROM cvden2008",
        "UPDATE cvden2008 SET chonin = 'Z' WHERE tt_ndung <> 'a;b';\r\nDELETE * FROM cvden2008",
        "DELETE * FROM cvden2008 WHERE id = 1;x",
        "SELECT cvden2008.* INTO cvden2008 IN '%1' FROM cvden2008 ; DROP TABLE cvden2008",
    };
    for (const char* sql : twoStatements) {
        const QString statement = QString::fromUtf8(sql).replace(QLatin1String("%1"), otherPath);
        SCOPED_TRACE(sql);
        EXPECT_EQ(errorNumber([&] { db->Execute(statement); }), engine::ErrSyntax);
    }
    // A record source, a saved query and a find are statements too.
    EXPECT_EQ(errorNumber([&] { db->OpenRecordset(QStringLiteral("SELECT * FROM cvden2008; DELETE * FROM cvden2008")); }),
              engine::ErrSyntax);
    db->CreateQueryDef(QStringLiteral("Qrhai"), QStringLiteral("SELECT * FROM cvden2008;DELETE * FROM cvden2008"));
    EXPECT_EQ(errorNumber([&] { db->OpenRecordset(QStringLiteral("Qrhai")); }), engine::ErrSyntax);
    EXPECT_EQ(errorNumber([&] { db->Execute(QStringLiteral("DELETE * FROM incvden WHERE id IN (SELECT id FROM Qrhai)")); }),
              engine::ErrSyntax);
    auto rs = db->OpenRecordset(QStringLiteral("cvden2008"));
    for (const char* criteria : {"id = 2; DELETE * FROM cvden2008", "id = 2;", "id = 2 or 1=1; x"}) {
        SCOPED_TRACE(criteria);
        EXPECT_EQ(errorNumber([&] { rs->FindFirst(QString::fromUtf8(criteria)); }), engine::ErrSyntax);
    }
    EXPECT_EQ(firstColumn(*db, QStringLiteral("SELECT count(*) FROM cvden2008 WHERE chonin = 'Z'")),
              QStringLiteral("0"));
    EXPECT_EQ(firstColumn(*db, QStringLiteral("SELECT count(*) FROM cvden2008")), QStringLiteral("4"));
    EXPECT_FALSE(engine::Database(otherPath).HasTable(QStringLiteral("cvden2008")));

    // One closing ";" with blanks and line breaks after it is how saved queries are kept; a ";"
    // between quotes or brackets is text.
    EXPECT_EQ(db->Execute(QStringLiteral("UPDATE cvden2008 SET tt_ndung = 'một; hai' WHERE id = 2 ;\r\n  \t")), 1);
    EXPECT_EQ(db->Execute(QStringLiteral("UPDATE [cvden2008] SET [chonin] = ';' WHERE [tt_ndung] = 'một; hai';")), 1);
    rs->FindFirst(QStringLiteral("tt_ndung = 'một; hai' and chonin = ';'"));
    EXPECT_FALSE(rs->NoMatch());
    EXPECT_EQ(rs->Field(QStringLiteral("id")).toInt(), 2);
}

TEST_F(EngineTest, APreparedStatementRefusesWhatTheEngineLeftUnread)
{
    // Below the translator: whatever reaches the engine runs one statement or none.
    engine::Connection& conn = db->state()->conn;
    for (const char* sql : {"UPDATE cvden2008 SET chonin = 'Z'; DROP TABLE cvden2008", "SELECT 1; SELECT 2",
                            "UPDATE cvden2008 SET chonin = 'Z';; DROP TABLE cvden2008", "SELECT 1; -- x"}) {
        SCOPED_TRACE(sql);
        EXPECT_EQ(errorNumber([&] { engine::Statement(conn, sql).run(); }), engine::ErrSyntax);
        EXPECT_EQ(errorNumber([&] { conn.exec(sql); }), engine::ErrSyntax);
    }
    for (const char* sql : {"UPDATE cvden2008 SET chonin = 'a' WHERE id = 1", "UPDATE cvden2008 SET chonin = 'b' WHERE id = 2;",
                            "UPDATE cvden2008 SET chonin = 'c' WHERE id = 3 ;\r\n ; \n"}) {
        SCOPED_TRACE(sql);
        EXPECT_EQ(errorNumber([&] { engine::Statement(conn, sql).run(); }), 0);
    }
    EXPECT_EQ(firstColumn(*db, QStringLiteral("SELECT chonin FROM cvden2008 ORDER BY id")), QStringLiteral("a,b,c,X"));
}

TEST(JetLike, WildcardsAndTheFastPathAgree)
{
    using engine::jetLike;
    EXPECT_TRUE(jetLike("*b\xAB*", "B\xABn"));  // "*bô*" finds "Bôn"
    EXPECT_TRUE(jetLike("\xA8n*", "\xA1N KH\xA1N"));  // ă folds with Ă
    EXPECT_TRUE(jetLike("a?c", "abc"));
    EXPECT_FALSE(jetLike("a?c", "ac"));
    EXPECT_TRUE(jetLike("so #", "so 7"));
    EXPECT_FALSE(jetLike("so #", "so x"));
    EXPECT_TRUE(jetLike("[a-c]x", "Bx"));
    EXPECT_FALSE(jetLike("[!a-c]x", "bx"));
    EXPECT_FALSE(jetLike("[ab", "a"));
    EXPECT_TRUE(jetLike("", ""));
    EXPECT_FALSE(jetLike("", "a"));
    // Random patterns of literal runs and stars: the fast path must agree with the matcher.
    std::mt19937 rng(7);
    const std::string alphabet = "abAB*\xA8\xA1";
    auto randomText = [&](bool stars) {
        std::string t;
        const int n = static_cast<int>(rng() % 7);
        for (int k = 0; k < n; ++k) {
            char c = alphabet[rng() % alphabet.size()];
            if (!stars && c == '*') c = 'a';
            t.push_back(c);
        }
        return t;
    };
    for (int k = 0; k < 20000; ++k) {
        const std::string pattern = randomText(true), text = randomText(false);
        ASSERT_EQ(engine::jetLikeCompiled(pattern, text), jetLike(pattern, text)) << pattern << " / " << text;
    }
}
