#include "conditions.h"

#include "dates.h"
#include "jetsql.h"
#include "text.h"

#include <QStringList>

namespace korvane {

namespace {

void joinFragment(QString& clause, int count)
{
    if (count > 0) clause += QStringLiteral(" and ");
}

// Cuts at every separator; the part before a cut is kept as typed, the rest is trimmed before
// the next cut.
QStringList cutKeepingBlanksBefore(const QString& text, QChar separator)
{
    QStringList parts;
    QString rest = text;
    for (;;) {
        const qsizetype at = rest.indexOf(separator);
        if (at < 0) {
            parts.append(rest);
            return parts;
        }
        parts.append(rest.left(at));
        rest = rest.mid(at + 1).trimmed();
    }
}

}  // namespace

bool IsNumberText(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) ++i;
    bool digit = false, point = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9')) digit = true;
        else if (t[i] == QLatin1Char('.') && !point) point = true;
        else return false;
    }
    return digit;
}

void TextCondition(const QString& typed, const QString& field, QString& clause, int& count, bool withoutMarks)
{
    const QString s = typed.trimmed();
    if (s.isEmpty()) return;
    QStringList alternatives;
    for (const QString& part : s.split(QLatin1Char(','))) {
        const QString alternative = part.trimmed();
        if (alternative.isEmpty()) continue;
        QStringList tests;
        for (const QString& term : cutKeepingBlanksBefore(alternative, QLatin1Char('+'))) {
            if (term.isEmpty()) continue;  // "a+" or "+": no empty test
            const bool negative = term.startsWith(QLatin1Char('!')) || term.startsWith(QLatin1Char('#'));
            const QString text = negative ? term.mid(1).trimmed() : term;
            const QString tested = withoutMarks && !HasMarks(text) ? QStringLiteral("Fold(") + field + QLatin1Char(')') : field;
            tests.append(tested + (negative ? QStringLiteral(" Not Like ") : QStringLiteral(" Like ")) +
                         QStringLiteral("'*") + engine::escapeQuotes(text) + QStringLiteral("*'"));
        }
        if (!tests.isEmpty()) alternatives.append(QLatin1Char('(') + tests.join(QStringLiteral(" and ")) + QLatin1Char(')'));
    }
    if (alternatives.isEmpty()) return;  // only commas and plus signs were typed
    joinFragment(clause, count);
    clause += QLatin1Char('(') + alternatives.join(QStringLiteral(" or ")) + QLatin1Char(')');
    ++count;
}

void NumberCondition(const QString& typed, const QString& field, QString& clause, int& count, QString& validity)
{
    const QString s = typed.trimmed();
    if (s.isEmpty()) return;
    QStringList comparisons;
    for (const QString& item : cutKeepingBlanksBefore(s, QLatin1Char(','))) {
        if (item.isEmpty()) continue;
        const qsizetype dash = item.indexOf(QLatin1Char('-'));
        if (dash >= 0) {
            const QString a = item.left(dash).trimmed(), b = item.mid(dash + 1).trimmed();
            if (IsNumberText(a) && IsNumberText(b)) comparisons.append(QStringLiteral(" between ") + a + QStringLiteral(" and ") + b);
            continue;
        }
        const QChar first = item[0];
        if (first == QLatin1Char('>') || first == QLatin1Char('<')) {
            if (IsNumberText(item.mid(1))) comparisons.append(item);
        } else if (first == QLatin1Char('!') || first == QLatin1Char('#')) {
            if (IsNumberText(item.mid(1))) comparisons.append(QStringLiteral(" <> ") + item.mid(1).trimmed());
        } else if (IsNumberText(item)) {
            comparisons.append(QLatin1Char('=') + item);
        }
    }
    joinFragment(clause, count);
    if (comparisons.isEmpty()) {
        validity = QStringLiteral("sai");
        return;
    }
    validity = QStringLiteral("dung");
    clause += QLatin1Char('(') + field + comparisons.join(QStringLiteral(" or ") + field) + QLatin1Char(')');
    ++count;
}

void DateRangeCondition(const QString& from, const QString& to, const QString& field, QString& clause, int& count)
{
    if (from.isEmpty() && to.isEmpty()) return;
    // The callers pass checked dates; quotes are doubled all the same, so no text can end the literal.
    const QString a = engine::escapeQuotes(NormalDate(from)), b = engine::escapeQuotes(NormalDate(to));
    joinFragment(clause, count);
    if (!from.isEmpty() && !to.isEmpty())
        clause += field + QStringLiteral(" between '") + a + QStringLiteral("' and '") + b + QLatin1Char('\'');
    else if (!from.isEmpty())
        clause += field + QStringLiteral("  >= '") + a + QLatin1Char('\'');
    else
        clause += field + QStringLiteral("  <= '") + b + QLatin1Char('\'');
    ++count;
}

void EqualsCondition(const QString& value, const QString& field, QString& clause, int count)
{
    joinFragment(clause, count);
    clause += field + QStringLiteral(" = ") + value;
}

bool NumberConditionIsWrong(const QString& typed)
{
    QString scratch, validity;
    int count = 0;
    NumberCondition(typed, QStringLiteral("[id]"), scratch, count, validity);
    return validity == QLatin1String("sai");
}

QString InvalidConditionMessage(const QString& typed)
{
    return QStringLiteral("Điều kiện  '") + typed.trimmed() + QStringLiteral("'  không hợp lệ!") + QStringLiteral("\r\n") +
           QStringLiteral("Cần dùng đúng các ký hiệu '<','>','-',") + QStringLiteral("'!' và '#' như sau : ") +
           QStringLiteral("<a ; >a ; a-b ") + QStringLiteral("(các số từ a đến b) ; !a hoặc #a (khác a)");
}

}  // namespace korvane
