// Dates as users type them, as the windows show them ("dd/mm/yyyy") and in the normal form
// "yyyymmdd" that sorts and compares as text; weekday names.
#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

#include <array>

namespace korvane {

// Twelve three-letter month abbreviations, January first. They are taken from the computer's
// language (1 January, 1 February, 2 March, ... 1998 formatted as "MMM/dd/yyyy", first three
// characters). Where the language's abbreviations are not twelve distinct usable texts (the
// Vietnamese ones all begin "thg"), the fixed English table is used instead.
class MonthAbbrev {
public:
    MonthAbbrev();  // the fixed table
    static MonthAbbrev fromLocale(const QLocale& locale);

    const QString& name(int month) const;  // 1..12; empty otherwise
    int monthOf(const QString& abbreviation) const;  // 1..12, or 0 when not in the table

private:
    std::array<QString, 12> names_;
};

// The typed text trimmed in place; the date as "dd/mm/yyyy", or empty when it is not a real
// calendar date. A two-digit year is placed within 20 years ahead and 80 years behind `currentYear`.
QString CheckDateText(QString& text, const MonthAbbrev& months, int currentYear = QDate::currentDate().year());

// The F5 / Shift+F5 step of a date box: the number in the first two characters of the trimmed
// text raised (or lowered) by `delta`, the rest kept, and the result checked as CheckDateText
// checks; empty when that is no date ("5/03/2001" reads 5 and becomes "603/2001").
QString SteppedDate(const QString& text, int delta, const MonthAbbrev& months, int currentYear);

// "dd/mm/yyyy" (or d-m-yy, d.m.yyyy, ...) as "yyyymmdd"; a two-digit year means 19xx. Texts
// shorter than 4 characters give empty; a text without separators comes back as it is.
QString NormalDate(const QString& text);

// "dd/mm/yyyy" as "dd/Mmm/yyyy" with the table's month abbreviation.
QString MonthNameDate(const QString& text, const MonthAbbrev& months);

// True for "dd/Mmm/yyyy" texts that name a real calendar date.
bool IsMonthNameDate(const QString& text, const MonthAbbrev& months);

// A date as "dd/mm/yyyy", whatever the computer's date settings.
QString DisplayDate(const QDate& date, const MonthAbbrev& months);

// 1 "Chủ nhật", 2 "Thứ hai", ... 7 "Thứ bảy"; empty for other numbers.
QString WeekdayName(int weekday);
// The weekday number of a date, Sunday first (1..7).
int WeekdayNumber(const QDate& date);

}  // namespace korvane
