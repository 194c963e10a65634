// Expansion of abbreviations typed into text boxes ("ub" + Space becomes "Ủy ban ").
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace engine {
class Recordset;
}

namespace korvane {

// Called with the released key's code (KeySpace, KeyEnter, KeyComma) or KeyLeave when the box is
// left. The word that ends before the key is looked up in the record set's "chutat" column and,
// when found, replaced by the row's `column`, trimmed. Works on QLineEdit, QPlainTextEdit and
// QTextEdit; any other widget, and a read-only box, is left alone.
void ExpandAbbreviation(QWidget* box, int keyCode, engine::Recordset& abbreviations, const QString& column);

// Wires a box to ExpandAbbreviation: key releases and leaving the box. The record set is asked
// for each time, since the shared ones are reopened when a data file changes.
class AbbreviationExpander : public QObject {
    Q_OBJECT
public:
    AbbreviationExpander(QWidget* box, std::function<engine::Recordset*()> abbreviations, QString column);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* box_;
    std::function<engine::Recordset*()> abbreviations_;
    QString column_;
};

}  // namespace korvane
