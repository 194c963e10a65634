#include "workweek.h"

#include "app.h"

namespace korvane {

Week CurrentWeek(const QDate& today)
{
    const int offset = today.dayOfWeek() - 1;  // Monday 0 ... Sunday 6
    return {today.addDays(-offset), today.addDays(6 - offset)};
}

QDate WeekViewDate(App& app)
{
    const QDate today = app.Today();
    bool isYear = false;
    const int year = app.WorkYear.trimmed().toInt(&isYear);
    if (!isYear || year == today.year()) return today;
    QDate day(year, today.month(), today.day());
    if (!day.isValid()) day = QDate(year, today.month(), 28);
    if (!day.isValid()) return today;
    try {
        if (!app.PlanDb || app.CalendarTable.isEmpty() || !app.PlanDb->HasTable(app.CalendarTable)) return day;
        auto valueOf = [&](const QString& what, const QString& from, const QString& to) {
            auto rs = app.PlanDb->OpenRecordset(QStringLiteral("select ") + what + QStringLiteral(" as n from [") + app.CalendarTable +
                                                    QStringLiteral("] where [ngaychuan]>= '") + from + QStringLiteral("' and [ngaychuan]<= '") +
                                                    to + QLatin1Char('\''),
                                                engine::RecordsetType::Snapshot);
            return rs->Eof() ? QVariant() : rs->Field(QStringLiteral("n"));
        };
        const Week week = CurrentWeek(day);
        const QString key = QStringLiteral("yyyyMMdd");
        if (valueOf(QStringLiteral("count(*)"), week.monday.toString(key), week.sunday.toString(key)).toLongLong() > 0) return day;
        const QDate last = QDate::fromString(
            valueOf(QStringLiteral("max([ngaychuan])"), QDate(year, 1, 1).toString(key), QDate(year, 12, 31).toString(key)).toString(), key);
        if (last.isValid()) return last;
    } catch (const engine::DbError& e) {
        app.RecordFailure(e);
    }
    return day;
}

}  // namespace korvane
