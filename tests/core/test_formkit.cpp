// The form kit: typed text kept within TCVN3, typing limits from the fields, the data source's
// events and writes.
#include "formkit.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QToolTip>

using namespace korvane;

TEST(FormKit, TypedTextStaysWithinTcvn3)
{
    QLineEdit box;
    Tcvn3Validator validator(&box);
    QString typed = QStringLiteral("GIÁ BÁN Ở HÀ NỘI");
    int pos = static_cast<int>(typed.size());
    EXPECT_EQ(validator.validate(typed, pos), QValidator::Acceptable);
    // Capital toned vowels take the letter TCVN3 stores.
    EXPECT_EQ(typed, QStringLiteral("GIá BáN ở Hà NộI"));
    EXPECT_EQ(pos, typed.size());
    bool refused = false;
    EXPECT_EQ(NormalizeTcvn3(QStringLiteral("Đường Ă Â"), &refused), QStringLiteral("Đường Ă Â"));
    EXPECT_FALSE(refused);
    // Pasted typography keeps its meaning; decomposed letters keep their marks.
    EXPECT_EQ(NormalizeTcvn3(QStringLiteral("Năm 2026–2027 — “Kế hoạch” ‘A’…\u00A0xong"), &refused),
              QStringLiteral("Năm 2026-2027 - \"Kế hoạch\" 'A'... xong"));
    EXPECT_FALSE(refused);
    EXPECT_EQ(NormalizeTcvn3(QStringLiteral("Ha\u0300 No\u0323\u0302i"), &refused), QStringLiteral("Hà Nội"));
    EXPECT_FALSE(refused);
    // What TCVN3 cannot hold at all is refused whole: nothing is dropped in part.
    EXPECT_EQ(NormalizeTcvn3(QStringLiteral("giá 5€"), &refused), QStringLiteral("giá 5€"));
    EXPECT_TRUE(refused);
}

TEST(FormKit, ARefusedPasteLeavesTheBoxAsItWas)
{
    QWidget window;  // the clerk's window, with the box in use
    BoundLineEdit line(QStringLiteral("noigui"), &window);
    BoundTextEdit text(QStringLiteral("tt_ndung"), &window);
    window.show();
    QApplication::setActiveWindow(&window);
    line.setFocus();
    line.load(QStringLiteral("Sở "));
    line.setCursorPosition(3);
    text.load(QStringLiteral("Về "));
    text.moveCursor(QTextCursor::End);
    for (const auto& [pasted, kept] : {std::pair{QStringLiteral("Tài chính 2026–2027"), QStringLiteral("Tài chính 2026-2027")},
                                       std::pair{QStringLiteral("giá 5€ ☎"), QString()}}) {
        line.insert(pasted);
        text.insertPlainText(pasted);
        EXPECT_EQ(line.text(), QStringLiteral("Sở ") + kept);
        EXPECT_EQ(text.toPlainText(), QStringLiteral("Về ") + kept);
        EXPECT_EQ(line.DataChanged, !kept.isEmpty());
        EXPECT_EQ(text.DataChanged, !kept.isEmpty());
        line.load(QStringLiteral("Sở "));
        line.setCursorPosition(3);
        text.load(QStringLiteral("Về "));
        text.moveCursor(QTextCursor::End);
    }
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Ký tự \"€\" không dùng được"));
    // Longer than the field, as pasted or after the mapping: cut at the limit, the text after the
    // caret kept whole, and the box says so.
    line.limit = 5;
    line.insert(QStringLiteral("Tài chính"));
    EXPECT_EQ(line.text(), QStringLiteral("Sở Tà"));
    EXPECT_TRUE(line.DataChanged);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Tối đa 5 ký tự"));
    line.load(QStringLiteral("ab"));
    line.setCursorPosition(1);
    line.insert(QStringLiteral("x…"));
    EXPECT_EQ(line.text(), QStringLiteral("ax..b"));
    text.limit = 5;
    text.insertPlainText(QStringLiteral("Tài chính"));
    EXPECT_EQ(text.toPlainText(), QStringLiteral("Về Tà"));
    EXPECT_TRUE(text.DataChanged);
    // A margin is a number: letters are refused with the reason.
    QLineEdit* margin = NewMarginBox(&window);
    margin->show();
    margin->selectAll();
    margin->insert(QStringLiteral("ab"));
    EXPECT_EQ(margin->text(), QStringLiteral("10"));
    EXPECT_TRUE(QToolTip::text().startsWith(QStringLiteral("Lề in chỉ gồm chữ số")));
}

class DataSourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<engine::Database>(folder.copyTemplate(QStringLiteral("zelttk.mdb")));
        for (const char* name : {"Bộ Tài chính", "Sở Y tế", "Văn phòng"})
            db->Execute(QStringLiteral("INSERT INTO noigui (tendonvi, chutat) VALUES ('%1', 'x')").arg(QString::fromUtf8(name)));
        source.Database = db.get();
        source.RecordSource = QStringLiteral("SELECT * FROM noigui ORDER BY id");
        source.Bind(&name);
        ASSERT_TRUE(source.Refresh());
    }
    testing_support::TempFolder folder;
    std::unique_ptr<engine::Database> db;
    DataSource source;
    BoundLineEdit name{QStringLiteral("tendonvi")};
};

TEST_F(DataSourceTest, MovesValidateWriteChangedFieldsAndReload)
{
    EXPECT_EQ(name.limit, 100);  // the field's size
    EXPECT_EQ(name.text(), QStringLiteral("Bộ Tài chính"));
    EXPECT_FALSE(name.DataChanged);
    int validations = 0, repositions = 0;
    bool keep = false;
    QObject::connect(&source, &DataSource::Validate, [&](bool& cancel) {
        ++validations;
        cancel = keep;
    });
    QObject::connect(&source, &DataSource::Reposition, [&] { ++repositions; });
    name.setText(QStringLiteral("Bộ Tài chính (sửa)"));
    EXPECT_TRUE(name.DataChanged);
    ASSERT_TRUE(source.MoveNext());  // the changed field is written into the row being left
    EXPECT_EQ(name.text(), QStringLiteral("Sở Y tế"));
    EXPECT_EQ(validations, 1);
    EXPECT_EQ(repositions, 1);
    auto check = db->OpenRecordset(QStringLiteral("SELECT tendonvi FROM noigui WHERE id = 1"));
    EXPECT_EQ(check->Field(QStringLiteral("tendonvi")).toString(), QStringLiteral("Bộ Tài chính (sửa)"));
    keep = true;  // a handler that keeps the row stops the move
    EXPECT_FALSE(source.MoveNext());
    EXPECT_EQ(source.Position(), 1);
    keep = false;
    // A new row: the counter is known at once; cancelling returns to the row before.
    ASSERT_TRUE(source.AddNew());
    EXPECT_TRUE(source.IsNew());
    EXPECT_EQ(source.Value(QStringLiteral("id")).toInt(), 4);
    EXPECT_EQ(name.text(), QString());
    source.CancelAdd();
    EXPECT_EQ(name.text(), QStringLiteral("Sở Y tế"));
    ASSERT_TRUE(source.AddNew());
    name.setText(QStringLiteral("Công an tỉnh"));
    ASSERT_TRUE(source.UpdateRecord({{QStringLiteral("chutat"), QStringLiteral("cat")}}));
    EXPECT_EQ(source.Count(), 4);
    EXPECT_EQ(source.Value(QStringLiteral("id")).toInt(), 5);  // the written row is current; 4 is the gap
    EXPECT_EQ(source.Value(QStringLiteral("chutat")).toString(), QStringLiteral("cat"));
    // A refused write is an error event, and the row is left as it was.
    QString error;
    QObject::connect(&source, &DataSource::Error, [&](int, const QString& d) { error = d; });
    name.setText(QString(101, QLatin1Char('x')));
    EXPECT_FALSE(source.UpdateRecord());
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(DataSourceTest, AGridReadsOnlyTheRowsItShows)
{
    DBGrid grid;
    auto rs = db->OpenRecordset(QStringLiteral("noigui"));
    grid.SetSource(rs.get(), {{QStringLiteral("tendonvi"), QStringLiteral("Tên đơn vị")}, {QStringLiteral("chutat"), QStringLiteral("Chữ tắt")}});
    EXPECT_EQ(grid.model()->rowCount(), 3);
    EXPECT_EQ(grid.model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Tên đơn vị"));
    EXPECT_EQ(grid.Model()->Field(2, QStringLiteral("tendonvi")).toString(), QStringLiteral("Văn phòng"));
    grid.HideOnFocusOut = true;
    QLineEdit other;
    grid.show();
    other.show();
    QApplication::setActiveWindow(&grid);
    grid.setFocus();
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&grid, &out);
    EXPECT_FALSE(grid.isVisible());
}
