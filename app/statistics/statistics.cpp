#include "statistics.h"

#include "app.h"
#include "jetsql.h"
#include "text.h"
#include "workweek.h"

#include <QDate>

#include <algorithm>
#include <map>

namespace korvane {

namespace {

const QString kIn = QStringLiteral("Công văn đến");
const QString kOut = QStringLiteral("Công văn đi");
const QString kUnnamed = QStringLiteral("(không ghi)");

engine::Database& open(const std::unique_ptr<engine::Database>& db, const QString& what)
{
    if (!db || !db->isOpen())
        throw engine::DbError(engine::ErrDatabaseClosed, QStringLiteral("Chưa mở file dữ liệu ") + what + QLatin1Char('.'));
    return *db;
}
engine::Database& docs(App& app) { return open(app.DocDb, QStringLiteral("công văn")); }
engine::Database& plans(App& app) { return open(app.PlanDb, QStringLiteral("kế hoạch và lịch công tác")); }

// " WHERE [column] >= 'from' AND [column] <= 'to'": the period on a yyyymmdd column.
QString within(const QString& column, const Period& p)
{
    return QStringLiteral(" WHERE [%1] >= '%2' AND [%1] <= '%3'").arg(column, engine::escapeQuotes(p.from), engine::escapeQuotes(p.to));
}

// The rows of a grouping statement: its first column as text, and its count "n".
std::vector<std::pair<QString, qint64>> groups(engine::Database& db, const QString& sql)
{
    auto rs = db.OpenRecordset(sql, engine::RecordsetType::Snapshot);
    const QString key = rs->FieldNames().value(0);
    std::vector<std::pair<QString, qint64>> out;
    for (; !rs->Eof(); rs->MoveNext()) out.emplace_back(rs->Field(key).toString(), rs->Field(QStringLiteral("n")).toLongLong());
    return out;
}

// "SELECT [column] AS k, count(*) AS n FROM table WHERE <period> GROUP BY [column]".
std::vector<std::pair<QString, qint64>> countsOf(engine::Database& db, const QString& table, const QString& column,
                                                 const QString& dateColumn, const Period& p)
{
    return groups(db, QStringLiteral("SELECT [%1] AS k, count(*) AS n FROM %2").arg(column, table) + within(dateColumn, p) +
                          QStringLiteral(" GROUP BY [%1]").arg(column));
}

// Counts per name, empty names gathered under one, the names ordered by their total (the most
// first) and then in Vietnamese dictionary order; at most `top` names when `top` > 0.
Tally byName(const QString& key, const QString& title, const QString& axis,
             const std::vector<std::pair<QString, std::vector<std::pair<QString, qint64>>>>& series, int top)
{
    std::map<QString, std::vector<qint64>> perName;
    for (std::size_t s = 0; s < series.size(); ++s)
        for (const auto& [name, n] : series[s].second) {
            const QString shown = name.trimmed().isEmpty() ? kUnnamed : name.trimmed();
            auto& counts = perName[shown];
            counts.resize(series.size());
            counts[s] += n;
        }
    struct Row {
        QString name, sortKey;
        qint64 total;
        std::vector<qint64> counts;
    };
    std::vector<Row> rows;
    for (auto& [name, counts] : perName) {
        qint64 total = 0;
        for (qint64 n : counts) total += n;
        rows.push_back({name, VietSortKey(name, false), total, counts});
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a.total != b.total ? a.total > b.total : a.sortKey < b.sortKey;
    });
    if (top > 0 && int(rows.size()) > top) rows.resize(std::size_t(top));
    Tally t{key, title, axis, {}, {}, {}};
    for (const auto& s : series) t.series << s.first;
    t.counts.resize(t.series.size());
    for (const Row& r : rows) {
        t.categories << r.name;
        for (std::size_t s = 0; s < series.size(); ++s) t.counts[qsizetype(s)] << r.counts[s];
    }
    return t;
}

// A yes/no value as the engine gives it back: -1 (or 1, or "true") for yes.
bool yes(const QVariant& v) { return v.toInt() != 0 || v.toString().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0; }

QDate day(const QString& yyyymmdd) { return QDate::fromString(yyyymmdd, QStringLiteral("yyyyMMdd")); }

}  // namespace

Period WorkYearPeriod(const App& app) { return {app.WorkYear + QStringLiteral("0101"), app.WorkYear + QStringLiteral("1231")}; }

qint64 Tally::Count(const QString& seriesName, const QString& category) const
{
    const qsizetype s = series.indexOf(seriesName), c = categories.indexOf(category);
    return s < 0 || c < 0 ? 0 : Count(int(s), int(c));
}

qint64 Tally::Total(int s) const
{
    qint64 total = 0;
    for (qint64 n : counts.value(s)) total += n;
    return total;
}

Tally DocumentsByMonth(App& app, const Period& period)
{
    Tally t{QStringLiteral("thang"), QStringLiteral("Công văn đến, đi theo tháng"), QStringLiteral("Tháng"), {}, {kIn, kOut}, {}};
    t.counts = {QList<qint64>(), QList<qint64>()};
    const int first = day(period.from).month(), last = day(period.to).month();
    for (int m = first; m <= last; ++m) {
        t.categories << QString::number(m);
        t.counts[0] << 0;
        t.counts[1] << 0;
    }
    engine::Database& db = docs(app);
    const std::pair<QString, QString> tables[] = {{app.InDocTable, QStringLiteral("ng_denchuan")},
                                                  {app.OutDocTable, QStringLiteral("ng_cvchuan")}};
    for (int s = 0; s < 2; ++s) {
        const auto& [table, column] = tables[s];
        // The month is the engine's to take out of the date: one row a month comes back.
        const QString month = QStringLiteral("mid([%1],5,2)").arg(column);
        for (const auto& [mm, n] : groups(db, QStringLiteral("SELECT %1 AS thang, count(*) AS n FROM %2").arg(month, table) +
                                                  within(column, period) + QStringLiteral(" GROUP BY ") + month)) {
            const int at = mm.toInt() - first;
            if (at >= 0 && at < t.categories.size()) t.counts[s][at] += n;
        }
    }
    return t;
}

Tally IncomingBySender(App& app, const Period& period, int top)
{
    return byName(QStringLiteral("noigui"), QStringLiteral("Công văn đến theo nơi gửi (%1 nơi gửi nhiều nhất)").arg(top),
                  QStringLiteral("Nơi gửi"),
                  {{kIn, countsOf(docs(app), app.InDocTable, QStringLiteral("noigui"), QStringLiteral("ng_denchuan"), period)}}, top);
}

Tally DocumentsByType(App& app, const Period& period)
{
    engine::Database& db = docs(app);
    return byName(QStringLiteral("loai"), QStringLiteral("Công văn đến, đi theo loại công văn"), QStringLiteral("Loại công văn"),
                  {{kIn, countsOf(db, app.InDocTable, QStringLiteral("loai"), QStringLiteral("ng_denchuan"), period)},
                   {kOut, countsOf(db, app.OutDocTable, QStringLiteral("loai"), QStringLiteral("ng_cvchuan"), period)}},
                  0);
}

Tally IncomingDealtWith(App& app, const Period& period)
{
    Tally t{QStringLiteral("xuly"), QStringLiteral("Công văn đến đã xử lý xong và chưa xong"), QStringLiteral("Tình trạng"),
            {QStringLiteral("Đã xử lý xong"), QStringLiteral("Chưa xử lý xong")}, {kIn}, {}};
    t.counts = {QList<qint64>(2, 0)};
    for (const auto& [done, n] : countsOf(docs(app), app.InDocTable, QStringLiteral("da_xuli"), QStringLiteral("ng_denchuan"), period))
        t.counts[0][yes(done) ? 0 : 1] += n;
    return t;
}

Tally PlanStates(App& app, const Period& period)
{
    Tally t{QStringLiteral("kehoach"), QStringLiteral("Kế hoạch công tác theo tình trạng"), QStringLiteral("Tình trạng"),
            {QStringLiteral("Tổng số"), QStringLiteral("Đã xong"), QStringLiteral("Chưa xong"), QStringLiteral("Khẩn"),
             QStringLiteral("Quá hạn")},
            {QStringLiteral("Kế hoạch")}, {}};
    t.counts = {QList<qint64>(5, 0)};
    engine::Database& db = plans(app);
    const QString where = within(QStringLiteral("Tgianbdauchuan"), period);
    auto rs = db.OpenRecordset(QStringLiteral("SELECT [ketthuc] AS xong, [khan] AS gap, count(*) AS n FROM ") + app.PlanTable + where +
                                   QStringLiteral(" GROUP BY [ketthuc], [khan]"),
                               engine::RecordsetType::Snapshot);
    QList<qint64>& c = t.counts[0];
    for (; !rs->Eof(); rs->MoveNext()) {
        const qint64 n = rs->Field(QStringLiteral("n")).toLongLong();
        c[0] += n;
        c[yes(rs->Field(QStringLiteral("xong"))) ? 1 : 2] += n;
        if (yes(rs->Field(QStringLiteral("gap")))) c[3] += n;
    }
    // Overdue: not done and its end day already past.
    auto late = db.OpenRecordset(QStringLiteral("SELECT count(*) AS n FROM ") + app.PlanTable + where +
                                     QStringLiteral(" AND [ketthuc] = False AND [Tgiankthucchuan] <> '' AND [Tgiankthucchuan] < '%1'")
                                         .arg(app.Today().toString(QStringLiteral("yyyyMMdd"))),
                                 engine::RecordsetType::Snapshot);
    c[4] = late->Field(QStringLiteral("n")).toLongLong();
    return t;
}

Tally CalendarByWeek(App& app, const Period& period)
{
    Tally t{QStringLiteral("lich"), QStringLiteral("Lịch làm việc: số buổi theo tuần"), QStringLiteral("Tuần (từ thứ Hai)"),
            {}, {QStringLiteral("Lịch làm việc")}, {}};
    t.counts = {QList<qint64>()};
    const QDate first = CurrentWeek(day(period.from)).monday, last = day(period.to);
    for (QDate monday = first; monday.isValid() && monday <= last; monday = monday.addDays(7)) {
        t.categories << monday.toString(QStringLiteral("dd/MM"));
        t.counts[0] << 0;
    }
    // One row a day comes back; the days are gathered into their weeks here.
    for (const auto& [date, n] : countsOf(plans(app), app.CalendarTable, QStringLiteral("ngaychuan"), QStringLiteral("ngaychuan"), period)) {
        const QDate d = day(date);
        if (!d.isValid()) continue;
        const qint64 week = first.daysTo(d) / 7;
        if (week >= 0 && week < t.counts[0].size()) t.counts[0][week] += n;
    }
    return t;
}

const std::vector<TallyMaker>& AllTallies()
{
    static const std::vector<TallyMaker> all = {
        DocumentsByMonth, [](App& a, const Period& p) { return IncomingBySender(a, p); }, DocumentsByType, IncomingDealtWith, PlanStates,
        CalendarByWeek};
    return all;
}

}  // namespace korvane
