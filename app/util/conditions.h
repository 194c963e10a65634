// The search-condition language: what a user types into a search box becomes one fragment of
// an SQL WHERE clause.
//
//   a,b   a or b          a+b   a and b         !a or #a   not a
//   >3  <15  7  !7        numbers               10-45      numbers from 10 to 45
//
// Each operation appends its fragment to `clause`, joined by " and " when `count` is above 0,
// and counts it.
#pragma once

#include <QString>

namespace korvane {

// Like / Not Like tests, anywhere in the field. Quotes typed in the text are searched for
// literally. A text of blanks, commas or plus signs only appends nothing. With `withoutMarks`, a
// term typed without marks matches the field's text with any marks ("da nang" finds "Đà Nẵng");
// a term typed with marks matches them as typed.
void TextCondition(const QString& typed, const QString& field, QString& clause, int& count, bool withoutMarks = false);

// Comparisons with numbers. `validity` becomes "dung", or "sai" when no item of the text is a
// condition (the caller then shows InvalidConditionMessage and does not search).
void NumberCondition(const QString& typed, const QString& field, QString& clause, int& count, QString& validity);

// Whether NumberCondition would find the typed text "sai" (a box left with it is refused).
bool NumberConditionIsWrong(const QString& typed);

// A period of normal-form dates; either end may be empty.
void DateRangeCondition(const QString& from, const QString& to, const QString& field, QString& clause, int& count);

// field = value, the value written as it must appear in SQL. The count is the caller's.
void EqualsCondition(const QString& value, const QString& field, QString& clause, int count);

// The message shown for a number condition that yields nothing.
QString InvalidConditionMessage(const QString& typed);

// True for what counts as a number in a condition: blanks, an optional sign, digits with at most
// one decimal point.
bool IsNumberText(const QString& text);

}  // namespace korvane
