#include "plans.h"

#include "app.h"
#include "frmcongviec.h"
#include "frmgridcongviec.h"
#include "frmtracuukh.h"
#include "frmtxt.h"

namespace korvane {

void InstallPlanWindows(App& app, QWidget* mainWindow)
{
    WindowOwner& owner = app.Owner();
    owner.Register(QStringLiteral("frmcongviec"), [mainWindow](App& a) { return new frmcongviec(a, mainWindow); });
    owner.Register(QStringLiteral("frmtracuukh"), [](App& a) { return new frmtracuukh(a); });
    owner.Register(QStringLiteral("frmgridcongviec"), [](App& a) { return new frmgridcongviec(a); });
    // The register's enlarged text.
    owner.Register(QStringLiteral("frmtxt"), [](App& a) { return new frmtxt(a); });

    app.Openers[QStringLiteral("cmdnapkh")] = [](App& a) { frmcongviec::Open(a); };
    // The search and the list, from the main window ("tracuukehoach", "xemgridkehoach") and from
    // the register ("timkiemkehoach", "xembangkehoach"); App::FormMode says where they return.
    app.Openers[QStringLiteral("cmdtracuukh")] = [](App& a) { frmtracuukh::Instance(a)->show(); };
    app.Openers[QStringLiteral("frmtracuukh")] = [](App& a) { frmtracuukh::Instance(a)->show(); };
    app.Openers[QStringLiteral("cmdxemkh")] = [](App& a) { frmgridcongviec::Instance(a)->ShowYear(); };
    app.Openers[QStringLiteral("frmgridcongviec")] = [](App& a) { frmgridcongviec::Instance(a)->ShowYear(); };
}

}  // namespace korvane
