// The schema text and the template file built from it.
#include "database.h"
#include "recordset.h"
#include "schema.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSet>

#include <stdexcept>

using namespace korvane;

namespace {

Schema shippedSchema()
{
    QFile f(QStringLiteral(KORVANE_SCHEMA));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return parseSchema(QString::fromUtf8(f.readAll()));
}

}  // namespace

TEST(Schema, MistakesNameTheirLine)
{
    const char* bad[] = {
        "stt text 20",                          // a field outside a table
        "table a\n  x text",                    // text without a size
        "table a\n  x text 300",                // larger than a text field holds
        "table a\n  x blob",                    // an unknown kind
        "table a\n  x long\n  x long",          // a field twice
        "table a\ntable a",                     // a table twice
        "table b like nothing",                 // a model that does not exist
        "table a\n  x long\n  index i unique y",  // an index on a missing field
    };
    for (const char* text : bad) {
        try {
            parseSchema(QString::fromUtf8(text));
            ADD_FAILURE() << "accepted: " << text;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("line"), std::string::npos) << e.what();
        }
    }
}

TEST(Schema, TheTemplateHoldsEveryTableOfTheSchema)
{
    const Schema schema = shippedSchema();
    engine::Database db(testing_support::templatePath(), engine::Database::Access::ReadOnly);
    for (const engine::TableDef& t : schema.tables) {
        SCOPED_TRACE(t.name.toStdString());
        const engine::TableDef made = db.TableDefOf(t.name);
        ASSERT_EQ(made.fields.size(), t.fields.size());
        for (qsizetype k = 0; k < t.fields.size(); ++k) {
            EXPECT_EQ(made.fields[k].name, t.fields[k].name);
            EXPECT_EQ(made.fields[k].type, t.fields[k].type);
            EXPECT_EQ(made.fields[k].size, t.fields[k].size);
        }
        // Every table is keyed by its counter.
        ASSERT_FALSE(made.indexes.isEmpty());
        EXPECT_TRUE(made.indexes[0].primary);
        EXPECT_TRUE(made.field(made.indexes[0].fields.value(0))->isCounter());
    }
    // The print tables have the year tables' columns in the same order.
    for (const auto& [print, year] : {std::pair{"incvden", "cvdenmau"}, std::pair{"incvdi", "cvdimau"}, std::pair{"inlich", "lichmau"}}) {
        QStringList a, b;
        for (const auto& f : db.TableDefOf(QString::fromLatin1(print)).fields) a.append(f.name);
        for (const auto& f : db.TableDefOf(QString::fromLatin1(year)).fields) b.append(f.name);
        EXPECT_EQ(a, b) << print;
    }
    // Long texts, yes/no fields and the one empty row of the organisation's name.
    EXPECT_EQ(db.TableDefOf(QStringLiteral("kehoachmau")).field(QStringLiteral("ndungct"))->type, engine::FieldType::Memo);
    EXPECT_EQ(db.TableDefOf(QStringLiteral("kehoachmau")).field(QStringLiteral("ketqua"))->type, engine::FieldType::Memo);
    EXPECT_EQ(db.TableDefOf(QStringLiteral("cvdenmau")).field(QStringLiteral("da_xuli"))->type, engine::FieldType::Boolean);
    EXPECT_NE(db.TableDefOf(QStringLiteral("nguoidung")).field(QStringLiteral("cothesua")), nullptr);
    auto row = db.OpenRecordset(QStringLiteral("tendonvi"), engine::RecordsetType::Snapshot);
    EXPECT_EQ(row->RecordCount(), 1);
    EXPECT_EQ(row->Field(QStringLiteral("tendonvi")).toString(), QString());
    EXPECT_TRUE(schema.table(QStringLiteral("cvdenmau")) != nullptr);
}

TEST(Schema, TheTemplateShipsTheDocumentKindsAndTheGuidesAbbreviationsInListOrder)
{
    engine::Database db(testing_support::templatePath(), engine::Database::Access::ReadOnly);
    auto kinds = db.OpenRecordset(QStringLiteral("SELECT loai, chutat FROM loaicv ORDER BY matt"), engine::RecordsetType::Snapshot);
    QStringList names;
    QSet<QString> shortForms;
    for (; !kinds->Eof(); kinds->MoveNext()) {
        names.append(kinds->Field(QStringLiteral("loai")).toString());
        shortForms.insert(kinds->Field(QStringLiteral("chutat")).toString().toLower());
    }
    EXPECT_EQ(names.size(), 29);
    EXPECT_EQ(shortForms.size(), 29);  // every short form expands to one kind only
    // Dictionary order: plain letters before marked ones, "Đ" after "D".
    EXPECT_TRUE(names.first().startsWith(QLatin1Char('B')));
    EXPECT_LT(names.indexOf(QStringLiteral("Dự án")), names.indexOf(QStringLiteral("Đề án")));
    EXPECT_LT(names.indexOf(QStringLiteral("Thông báo")), names.indexOf(QStringLiteral("Thông cáo")));
    EXPECT_LT(names.indexOf(QStringLiteral("Thông cáo")), names.indexOf(QStringLiteral("Thư công")));
    auto ub = db.OpenRecordset(QStringLiteral("SELECT chudu FROM chutat WHERE chutat = 'ub'"), engine::RecordsetType::Snapshot);
    ASSERT_FALSE(ub->Eof());
    EXPECT_EQ(ub->Field(QStringLiteral("chudu")).toString(), QStringLiteral("ủy ban"));
}
