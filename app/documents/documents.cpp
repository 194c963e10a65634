#include "documents.h"

#include "app.h"
#include "frmcvden.h"
#include "frmcvdi.h"
#include "frmgrid.h"
#include "frmtracuu.h"

namespace korvane {

void InstallDocumentWindows(App& app, QWidget* mainWindow)
{
    app.Openers[QStringLiteral("cmdnapcvden")] = [mainWindow](App& a) { frmcvden::Open(a, mainWindow); };
    app.Openers[QStringLiteral("cmdnapcvdi")] = [mainWindow](App& a) { frmcvdi::Open(a, mainWindow); };
    // From the main window the pick lists offer the values used in the working year.
    app.Openers[QStringLiteral("cmdtracuucvden")] = [](App& a) {
        auto* search = frmtracuucvden::Instance(a);
        search->UseYearLists();
        search->show();
    };
    app.Openers[QStringLiteral("cmdtracuucvdi")] = [](App& a) {
        auto* search = frmtracuucvdi::Instance(a);
        search->UseYearLists();
        search->show();
    };
    // From a register the lists stay what they were; the years are read again.
    app.Openers[QStringLiteral("frmtracuucvden")] = [](App& a) {
        auto* search = frmtracuucvden::Instance(a);
        search->FillYears();
        search->show();
    };
    app.Openers[QStringLiteral("frmtracuucvdi")] = [](App& a) {
        auto* search = frmtracuucvdi::Instance(a);
        search->FillYears();
        search->show();
    };
    app.Openers[QStringLiteral("Cmdxemcvden")] = [](App& a) { frmgridcvden::Instance(a)->ShowYear(); };
    app.Openers[QStringLiteral("cmdxemcvdi")] = [](App& a) { frmgridcvdi::Instance(a)->ShowYear(); };
}

}  // namespace korvane
