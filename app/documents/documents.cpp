#include "documents.h"

#include "app.h"
#include "frmcvden.h"
#include "frmcvdi.h"
#include "frmgrid.h"
#include "frmincv.h"
#include "frmtracuu.h"

#include <QApplication>

namespace korvane {

void InstallDocumentWindows(App& app, QWidget* mainWindow)
{
    WindowOwner& owner = app.Owner();
    owner.Register(QStringLiteral("frmcvden"), [mainWindow](App& a) { return new frmcvden(a, mainWindow); });
    owner.Register(QStringLiteral("frmcvdi"), [mainWindow](App& a) { return new frmcvdi(a, mainWindow); });
    owner.Register(QStringLiteral("frmtracuucvden"), [](App& a) { return new frmtracuucvden(a); });
    owner.Register(QStringLiteral("frmtracuucvdi"), [](App& a) { return new frmtracuucvdi(a); });
    owner.Register(QStringLiteral("frmgridcvden"), [](App& a) { return new frmgridcvden(a); });
    owner.Register(QStringLiteral("frmgridcvdi"), [](App& a) { return new frmgridcvdi(a); });
    // Printing by date, over the window that asked for it.
    owner.Register(QStringLiteral("frmincv"), [](App& a) { return new frmincv(a, QApplication::activeWindow()); });

    app.Openers[QStringLiteral("cmdnapcvden")] = [](App& a) { frmcvden::Open(a); };
    app.Openers[QStringLiteral("cmdnapcvdi")] = [](App& a) { frmcvdi::Open(a); };
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
    // The main window's count of incoming documents not yet dealt with: their list, as a search
    // shows what it found ("Chọn tất" marks them all).
    app.Openers[QStringLiteral("cmdchuaxuly")] = [](App& a) {
        frmgridcvden* list = frmgridcvden::Instance(a);
        if (!list->KeepPanelEdits()) {  // the list as it was, the refused box in focus
            list->show();
            list->raise();
            return;
        }
        const QString clause = QStringLiteral("[da_xuli] = False");
        const QString statement = QStringLiteral("SELECT * FROM ") + a.InDocTable + QStringLiteral(" WHERE ") + clause;
        list->ShowRows(statement, a.InDocTable, clause, a.DocDb->OpenRecordset(statement, engine::RecordsetType::Dynaset));
        list->show();
        list->raise();
        list->activateWindow();
    };
}

}  // namespace korvane
