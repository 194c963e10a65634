#include "abbreviation.h"

#include "database.h"
#include "jetsql.h"
#include "keys.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace korvane {

namespace {

struct Box {
    QLineEdit* line = nullptr;
    QPlainTextEdit* plain = nullptr;
    QTextEdit* rich = nullptr;

    explicit Box(QWidget* w)
        : line(qobject_cast<QLineEdit*>(w)), plain(qobject_cast<QPlainTextEdit*>(w)), rich(qobject_cast<QTextEdit*>(w))
    {
    }
    bool isTextBox() const { return line || plain || rich; }
    bool readOnly() const { return line ? line->isReadOnly() : plain ? plain->isReadOnly() : rich->isReadOnly(); }
    bool multiLine() const { return !line; }
    QString text() const { return line ? line->text() : plain ? plain->toPlainText() : rich->toPlainText(); }
    int caret() const
    {
        return line ? line->cursorPosition() : plain ? plain->textCursor().position() : rich->textCursor().position();
    }
    void set(const QString& text, int caret) const
    {
        if (line) {
            line->setText(text);
            line->setCursorPosition(caret);
            return;
        }
        if (plain) plain->setPlainText(text);
        else rich->setPlainText(text);
        QTextCursor c = plain ? plain->textCursor() : rich->textCursor();
        c.setPosition(std::min<int>(caret, static_cast<int>(text.size())));
        if (plain) plain->setTextCursor(c);
        else rich->setTextCursor(c);
    }
};

}  // namespace

void ExpandAbbreviation(QWidget* widget, int keyCode, engine::Recordset& abbreviations, const QString& column)
{
    const Box box(widget);
    // A locked box is only looked at: no key may change what it holds.
    if (!box.isTextBox() || box.readOnly()) return;
    if (keyCode != KeySpace && keyCode != KeyEnter && keyCode != KeyComma && keyCode != KeyLeave) return;
    const int caret = box.caret();
    if (caret <= 0) return;
    // The abbreviation ends at p: before the typed blank or comma, before the line break that
    // Enter put into a multi-line box (one character here), at the caret otherwise.
    const bool typedOne = keyCode == KeySpace || keyCode == KeyComma || (keyCode == KeyEnter && box.multiLine());
    const int p = typedOne ? caret - 1 : caret;
    if (p < 0) return;
    const QString text = box.text();
    const QString before = text.left(p).trimmed();
    const QString after = text.mid(p);
    // Walk back from character p of the trimmed text; a blank, punctuation or a control
    // character (codes below "0") ends the abbreviation.
    QString abbreviation;
    for (int k = p - 1; k >= 0 && k < before.size(); --k) {
        const QChar c = before[k];
        if (c.unicode() < u'0') break;
        abbreviation.prepend(c);
    }
    if (abbreviation.isEmpty()) return;
    QString expansion;
    try {
        abbreviations.FindFirst(QStringLiteral("chutat = '%1'").arg(engine::escapeQuotes(abbreviation)));
        if (abbreviations.NoMatch()) return;
        expansion = abbreviations.Field(column).toString().trimmed();
    } catch (const engine::DbError&) {
        return;  // a list that cannot be read expands nothing; typing goes on
    }
    const QString head = before.left(p - abbreviation.size()) + expansion;
    box.set(head + after, static_cast<int>(head.size()) + (typedOne ? 1 : 0));
}

AbbreviationExpander::AbbreviationExpander(QWidget* box, std::function<engine::Recordset*()> abbreviations, QString column)
    : QObject(box), box_(box), abbreviations_(std::move(abbreviations)), column_(std::move(column))
{
    box->installEventFilter(this);
}

bool AbbreviationExpander::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == box_ && (event->type() == QEvent::KeyRelease || event->type() == QEvent::FocusOut)) {
        const int code = event->type() == QEvent::FocusOut ? KeyLeave : KeyCodeOf(static_cast<QKeyEvent*>(event));
        if (engine::Recordset* rs = abbreviations_()) ExpandAbbreviation(box_, code, *rs, column_);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace korvane
