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
    WindowOwner& owner = app.Owner();
    owner.Register(QStringLiteral("frmlich"), [mainWindow](App& a) { return new frmlich(a, mainWindow); });
    owner.Register(QStringLiteral("frmlichtuan"), [](App& a) { return new frmlichtuan(a); });
    owner.Register(QStringLiteral("frmGridlich"), [](App& a) { return new frmGridlich(a); });
    owner.Register(QStringLiteral("frmtracuulich"), [](App& a) { return new frmtracuulich(a); });

    app.Openers[QStringLiteral("cmdnaplich")] = [](App& a) { frmlich::Open(a); };
    // From the main window ("xemlichtuan"): the week of today, or its like in another working year.
    app.Openers[QStringLiteral("Cmdxemlich")] = [](App& a) { frmlichtuan::Instance(a)->ShowWeek(WeekViewDate(a)); };
    // The search from the main window ("tracuulich") and from the register ("xemlich").
    app.Openers[QStringLiteral("cmdtracuulich")] = [](App& a) { frmtracuulich::Instance(a)->show(); };
    app.Openers[QStringLiteral("frmtracuulich")] = [](App& a) { frmtracuulich::Instance(a)->show(); };
}

}  // namespace korvane
