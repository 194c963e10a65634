#include "dates.h"

#include "sqlfunctions.h"

#include <QSet>

namespace korvane {

namespace {

const std::array<QString, 12> kFixedMonths = {
    QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
    QStringLiteral("May"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Aug"),
    QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};

bool allDigits(const QString& s)
{
    if (s.isEmpty()) return false;
    for (const QChar c : s)
        if (!c.isDigit()) return false;
    return true;
}

bool isSeparator(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('-') || c == QLatin1Char('.'); }

struct DateParts {
    QString day, month, year;
};

// Scans from the last character to the first: the last separator closes the year, the one
// before it the month; the rest is the day.
DateParts splitDate(const QString& text, bool trim)
{
    QString tokens[3];
    int closed = 0;
    QString current;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const QChar c = text[i];
        if (isSeparator(c) && closed < 2) {
            tokens[closed++] = trim ? current.trimmed() : current;
            current.clear();
        } else {
            current.prepend(c);
        }
    }
    DateParts p;
    const QString rest = trim ? current.trimmed() : current;
    if (closed == 0) {
        p.day = rest;
    } else if (closed == 1) {
        p.year = tokens[0];
        p.month = rest;
    } else {
        p.year = tokens[0];
        p.month = tokens[1];
        p.day = rest;
    }
    return p;
}

QString pad2(const QString& s) { return s.size() == 1 ? QLatin1Char('0') + s : s; }

}  // namespace

MonthAbbrev::MonthAbbrev() : names_(kFixedMonths) {}

MonthAbbrev MonthAbbrev::fromLocale(const QLocale& locale)
{
    MonthAbbrev table;
    std::array<QString, 12> names;
    QDate date(1998, 1, 1);
    static const int steps[11] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30};
    QSet<QString> seen;
    bool usable = true;
    for (int m = 0; m < 12; ++m) {
        const QString name = locale.toString(date, QStringLiteral("MMM/dd/yyyy")).left(3);
        // The parser reads "dd/Mmm/yyyy": a name must be three characters without separators or digits only.
        if (name.size() != 3 || name.contains(QLatin1Char('/')) || name.trimmed() != name || allDigits(name) ||
            seen.contains(name.toLower()))
            usable = false;
        seen.insert(name.toLower());
        names[static_cast<std::size_t>(m)] = name;
        if (m < 11) date = date.addDays(steps[m]);
    }
    if (usable) table.names_ = names;
    return table;
}

const QString& MonthAbbrev::name(int month) const
{
    static const QString none;
    return month >= 1 && month <= 12 ? names_[static_cast<std::size_t>(month - 1)] : none;
}

int MonthAbbrev::monthOf(const QString& abbreviation) const
{
    for (int m = 0; m < 12; ++m)
        if (names_[static_cast<std::size_t>(m)].compare(abbreviation, Qt::CaseInsensitive) == 0) return m + 1;
    return 0;
}

QString MonthNameDate(const QString& text, const MonthAbbrev& months)
{
    const QString month = text.mid(3, 2);
    int number = 0;
    if (month.size() == 2 && allDigits(month)) number = month.toInt();
    return text.left(2) + QLatin1Char('/') + months.name(number) + QLatin1Char('/') + text.mid(6, 4);
}

bool IsMonthNameDate(const QString& text, const MonthAbbrev& months)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    if (parts.size() != 3 || !allDigits(parts[0]) || !allDigits(parts[2]) || parts[0].size() > 2 || parts[2].size() > 4)
        return false;
    const int month = months.monthOf(parts[1]);
    return month > 0 && QDate(parts[2].toInt(), month, parts[0].toInt()).isValid() && parts[2].toInt() > 0;
}

QString CheckDateText(QString& text, const MonthAbbrev& months, int currentYear)
{
    text = text.trimmed();
    if (text.size() < 4) return QString();
    DateParts p = splitDate(text, true);
    if (p.year.size() == 2 && allDigits(p.year)) {
        int year = QString::number(currentYear).left(2).toInt() * 100 + p.year.toInt();
        if (year > currentYear && year - currentYear > 20) year -= 100;
        else if (year <= currentYear && currentYear - year > 80) year += 100;
        p.year = QString::number(year);
    }
    const QString joined = pad2(p.day) + QLatin1Char('/') + pad2(p.month) + QLatin1Char('/') + p.year;
    return IsMonthNameDate(MonthNameDate(joined, months), months) && joined.size() == 10 ? joined : QString();
}

QString NormalDate(const QString& text)
{
    if (text.size() < 4) return QString();
    const DateParts p = splitDate(text, false);
    const QString year = p.year.size() == 2 ? QStringLiteral("19") + p.year : p.year;
    return year + pad2(p.month) + pad2(p.day);
}

QString DisplayDate(const QDate& date, const MonthAbbrev& months)
{
    if (!date.isValid()) return QString();
    const int month = months.monthOf(months.name(date.month()));
    if (month == 0) return QString();
    return QStringLiteral("%1/%2/%3").arg(date.day(), 2, 10, QLatin1Char('0')).arg(month, 2, 10, QLatin1Char('0')).arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString WeekdayName(int weekday)
{
    static const QString names[7] = {QStringLiteral("Chủ nhật"), QStringLiteral("Thứ hai"), QStringLiteral("Thứ ba"),
                                     QStringLiteral("Thứ tư"),   QStringLiteral("Thứ năm"), QStringLiteral("Thứ sáu"),
                                     QStringLiteral("Thứ bảy")};
    return weekday >= 1 && weekday <= 7 ? names[weekday - 1] : QString();
}

int WeekdayNumber(const QDate& date) { return date.dayOfWeek() % 7 + 1; }

QString SteppedDate(const QString& text, int delta, const MonthAbbrev& months, int currentYear)
{
    const QString t = text.trimmed();
    const long day = static_cast<long>(engine::leadingNumber(t.left(2).toStdString()));
    QString candidate = QString::number(day + delta) + t.mid(2);
    return CheckDateText(candidate, months, currentYear);
}

}  // namespace korvane
