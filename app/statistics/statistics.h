// The figures of the statistics window: what the working year's registers, plans and calendar
// hold in a period, counted by the engine (GROUP BY) and arranged for a bar chart and its table.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace korvane {

class App;

// A period inside the working year, both days included, as yyyymmdd.
struct Period {
    QString from, to;
};
// The whole working year of `app`.
Period WorkYearPeriod(const App& app);

// One chart: a count for each series (the bars of one colour) and category (a place on the axis).
struct Tally {
    QString key;    // the chart's name: "thang", "noigui", "loai", "xuly", "kehoach", "lich"
    QString title;  // its heading, as shown and printed
    QString axis;   // what the categories are ("Tháng", "Nơi gửi", ...)
    QStringList categories;
    QStringList series;
    QList<QList<qint64>> counts;  // counts[series][category]

    qint64 Count(int series, int category) const { return counts.value(series).value(category); }
    // The count at a category's name in a series' name; 0 when either is not there.
    qint64 Count(const QString& series, const QString& category) const;
    qint64 Total(int series) const;
};

// Each reads the open data files and throws engine::DbError when the engine fails.
// Documents in and out per month of the period (ng_denchuan, ng_cvchuan).
Tally DocumentsByMonth(App& app, const Period& period);
// Incoming documents per sender, the `top` most frequent, the most first.
Tally IncomingBySender(App& app, const Period& period, int top = 20);
// Documents in and out per type, the most used first.
Tally DocumentsByType(App& app, const Period& period);
// Incoming documents dealt with ("Đã xử lý xong") and not.
Tally IncomingDealtWith(App& app, const Period& period);
// Plans begun in the period: all of them, done, not done, urgent, and overdue on app.Today()
// (not done, their end before today).
Tally PlanStates(App& app, const Period& period);
// Calendar entries per week (Monday to Sunday) of the period.
Tally CalendarByWeek(App& app, const Period& period);

// Every chart of the window, in its order.
using TallyMaker = std::function<Tally(App&, const Period&)>;
const std::vector<TallyMaker>& AllTallies();

}  // namespace korvane
