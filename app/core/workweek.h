// The week the main window and the week view open on.
#pragma once

#include <QDate>

namespace korvane {

class App;

// Monday to Sunday of the week that holds `today`.
struct Week {
    QDate monday, sunday;
};
Week CurrentWeek(const QDate& today);
// The day whose week the main window's week button shows. In this year's working year it is
// today. In another working year it is today's day and month in that year (28 February for a
// 29th the year lacks), unless that week holds no entry of the working year's calendar: then it
// is the day of the year's last entry, so the view opens on the last week with work in it.
// Throws nothing: when the calendar cannot be read the shifted day is kept, and the week view
// says the failure when it reads the week.
QDate WeekViewDate(App& app);

}  // namespace korvane
