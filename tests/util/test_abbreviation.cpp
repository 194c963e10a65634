// Abbreviations typed into real text boxes.
#include "abbreviation.h"
#include "database.h"
#include "datafiles.h"
#include "keys.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using namespace korvane;

class Abbreviations : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<engine::Database>(folder.copyTemplate(QStringLiteral("zelttk.MDB")));
        // Kept in TCVN3, which writes the capital Ủ with the code of ủ.
        db->Execute(QStringLiteral("INSERT INTO chutat (chutat, chudu) VALUES ('UB', '  Ủy ban  ')"));
        db->Execute(QStringLiteral("INSERT INTO chutat (chutat, chudu) VALUES ('hn', 'Hà Nội')"));
        db->Execute(QStringLiteral("INSERT INTO chutat (chutat, chudu) VALUES ('o''b', 'O''Brien')"));
        list = db->OpenRecordset(QStringLiteral("SELECT * FROM chutat ORDER BY matt"));
    }

    testing_support::TempFolder folder;
    std::unique_ptr<engine::Database> db;
    std::unique_ptr<engine::Recordset> list;
};

TEST_F(Abbreviations, TypingInASingleLineBox)
{
    QLineEdit box;
    AbbreviationExpander expander(&box, [this] { return list.get(); }, QStringLiteral("chudu"));
    box.show();
    box.setFocus();
    box.insert(QStringLiteral("Gửi "));  // typed on a Vietnamese keyboard
    QTest::keyClicks(&box, QStringLiteral("ub"));
    QTest::keyClick(&box, Qt::Key_Space);
    EXPECT_EQ(box.text(), QStringLiteral("Gửi ủy ban "));
    EXPECT_EQ(box.cursorPosition(), box.text().size());
    QTest::keyClicks(&box, QStringLiteral("(hn"));
    QTest::keyClick(&box, Qt::Key_Comma);
    EXPECT_EQ(box.text(), QStringLiteral("Gửi ủy ban (Hà Nội,"));
    QTest::keyClicks(&box, QStringLiteral(" x-ub"));
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_EQ(box.text(), QStringLiteral("Gửi ủy ban (Hà Nội, x-ủy ban"));
    EXPECT_EQ(box.cursorPosition(), box.text().size());
    // An unknown word is left as typed; a quote ends a word like any punctuation.
    box.setText(QStringLiteral("abc"));
    QTest::keyClick(&box, Qt::Key_Space);
    EXPECT_EQ(box.text(), QStringLiteral("abc "));
    box.setText(QStringLiteral("o'b"));
    QTest::keyClick(&box, Qt::Key_Space);
    EXPECT_EQ(box.text(), QStringLiteral("o'b "));
}

TEST_F(Abbreviations, TheCaretDecidesWhatIsExpanded)
{
    QLineEdit box;
    // In the middle of the text: only the word before the caret, and the text after it stays.
    box.setText(QStringLiteral("ub ở hn"));
    box.setCursorPosition(2);
    ExpandAbbreviation(&box, KeyLeave, *list, QStringLiteral("chudu"));
    EXPECT_EQ(box.text(), QStringLiteral("ủy ban ở hn"));
    EXPECT_EQ(box.cursorPosition(), 6);
    // Leading blanks: the trimmed text is shorter than the caret, nothing is expanded.
    box.setText(QStringLiteral("  ub"));
    box.setCursorPosition(4);
    ExpandAbbreviation(&box, KeyLeave, *list, QStringLiteral("chudu"));
    EXPECT_EQ(box.text(), QStringLiteral("  ub"));
    // Caret at the start, other keys, and boxes that are not text boxes do nothing.
    box.setText(QStringLiteral("ub"));
    box.setCursorPosition(0);
    ExpandAbbreviation(&box, KeyLeave, *list, QStringLiteral("chudu"));
    box.setCursorPosition(2);
    ExpandAbbreviation(&box, 'A', *list, QStringLiteral("chudu"));
    EXPECT_EQ(box.text(), QStringLiteral("ub"));
    QWidget other;
    ExpandAbbreviation(&other, KeyLeave, *list, QStringLiteral("chudu"));
}

TEST_F(Abbreviations, MultiLineBoxesAndLeavingTheBox)
{
    QPlainTextEdit box;
    AbbreviationExpander expander(&box, [this] { return list.get(); }, QStringLiteral("chudu"));
    QLineEdit next;
    box.show();
    next.show();
    box.setFocus();
    box.insertPlainText(QStringLiteral("Kính gửi "));
    QTest::keyClicks(&box, QStringLiteral("hn"));
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_EQ(box.toPlainText(), QStringLiteral("Kính gửi Hà Nội\n"));
    EXPECT_EQ(box.textCursor().position(), box.toPlainText().size());
    QTest::keyClicks(&box, QStringLiteral("ub"));
    QFocusEvent leave(QEvent::FocusOut);
    QApplication::sendEvent(&box, &leave);
    EXPECT_EQ(box.toPlainText(), QStringLiteral("Kính gửi Hà Nội\nủy ban"));
}

TEST(KeyCodes, QtKeysMapToTheWindowsCodes)
{
    struct Case {
        int qtKey;
        int code;
    } cases[] = {{Qt::Key_Space, KeySpace}, {Qt::Key_Return, KeyEnter}, {Qt::Key_Enter, KeyEnter}, {Qt::Key_Comma, KeyComma},
                 {Qt::Key_F4, KeyF1 + 3}, {Qt::Key_F5, 116}, {Qt::Key_PageUp, KeyPageUp}, {Qt::Key_Escape, KeyEscape},
                 {Qt::Key_A, 'A'}, {Qt::Key_7, '7'}, {Qt::Key_Question, KeyNone}};
    for (const Case& c : cases) {
        QKeyEvent e(QEvent::KeyRelease, c.qtKey, Qt::NoModifier);
        EXPECT_EQ(KeyCodeOf(&e), c.code) << c.qtKey;
    }
}
