#include "plans.h"

#include "app.h"
#include "frmcongviec.h"
#include "frmgridcongviec.h"
#include "frmtracuukh.h"

namespace korvane {

void InstallPlanWindows(App& app, QWidget* mainWindow)
{
    app.Openers[QStringLiteral("cmdnapkh")] = [mainWindow](App& a) { frmcongviec::Open(a, mainWindow); };
    // The search and the list, from the main window ("tracuukehoach", "xemgridkehoach") and from
    // the register ("timkiemkehoach", "xembangkehoach"); App::FormMode says where they return.
    app.Openers[QStringLiteral("cmdtracuukh")] = [](App& a) { frmtracuukh::Instance(a)->show(); };
    app.Openers[QStringLiteral("frmtracuukh")] = [](App& a) { frmtracuukh::Instance(a)->show(); };
    app.Openers[QStringLiteral("cmdxemkh")] = [](App& a) { frmgridcongviec::Instance(a)->ShowYear(); };
    app.Openers[QStringLiteral("frmgridcongviec")] = [](App& a) { frmgridcongviec::Instance(a)->ShowYear(); };
}

}  // namespace korvane
