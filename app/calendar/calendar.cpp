#include "calendar.h"

#include "app.h"
#include "frmgridlich.h"
#include "frmlich.h"
#include "frmlichtuan.h"
#include "workweek.h"
#include "frmtracuulich.h"

namespace korvane {

void InstallCalendarWindows(App& app, QWidget* mainWindow)
{
    app.Openers[QStringLiteral("cmdnaplich")] = [mainWindow](App& a) { frmlich::Open(a, mainWindow); };
    // From the main window ("xemlichtuan"): the week of today, or its like in another working year.
    app.Openers[QStringLiteral("Cmdxemlich")] = [](App& a) { frmlichtuan::Instance(a)->ShowWeek(WeekViewDate(a)); };
    // The search from the main window ("tracuulich") and from the register ("xemlich").
    app.Openers[QStringLiteral("cmdtracuulich")] = [](App& a) { frmtracuulich::Instance(a)->show(); };
    app.Openers[QStringLiteral("frmtracuulich")] = [](App& a) { frmtracuulich::Instance(a)->show(); };
}

}  // namespace korvane
