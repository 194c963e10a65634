// korvane: the records office.
#include "app.h"
#include "calendar.h"
#include "datafiles.h"
#include "documents.h"
#include "frmmain.h"
#include "frmchondulieu.h"
#include "frmchepdulieu.h"
#include "frmloaitien.h"
#include "frmnamlamviec.h"
#include "frmthongke.h"
#include "importdata.h"
#include "officecopy.h"
#include "referencelists.h"
#include "plans.h"
#include "startup.h"
#include "windowplaces.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    // Moving the office onto a server or back into files needs no window.
    for (int k = 1; k < argc; ++k) {
        if (qstrcmp(argv[k], "--copy-to-server") == 0 || qstrcmp(argv[k], "--copy-to-files") == 0) {
            QCoreApplication tool(argc, argv);
            return korvane::RunCopyCommand(tool.arguments(), korvane::AppFolderPath());
        }
    }
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Korvane"));
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    korvane::InstallQtTranslation();
    // A save that waits for other clerks' writes shows the busy pointer while it waits.
    engine::SetBusyWaitObserver([](bool waiting) {
        if (waiting) QApplication::setOverrideCursor(Qt::WaitCursor);
        else QApplication::restoreOverrideCursor();
    });
    korvane::WindowPlaces places;  // every window inside the screen, where the clerk last left it
    korvane::WidgetModalService modal;
    korvane::App app(modal);
    korvane::frmMain main(app);
    // The main window is hidden while a register or a chooser is open, so the last visible window
    // closing (a message box after a refused choice) says nothing about ending: only the main
    // window's own close does.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&main, &korvane::frmMain::Ended, &application, &QCoreApplication::quit, Qt::QueuedConnection);
    korvane::InstallDocumentWindows(app, &main);
    korvane::InstallPlanWindows(app, &main);
    korvane::InstallCalendarWindows(app, &main);
    app.Openers[QStringLiteral("mnuchonnamlamviec")] = korvane::ChooseWorkYear;
    korvane::InstallUserWindow(app);
    korvane::InstallReferenceListWindows(app);
    korvane::InstallDataFileChooser(app);
    korvane::InstallOfficeCopy(app);
    korvane::InstallImport(app);
    korvane::InstallStatisticsWindow(app);
    // A start-up that ended the program (files that cannot be used, the login given up) is not
    // a run: the status says so to whatever started it.
    if (!korvane::Startup(app, main).Run()) return 1;
    // --quit: leave as soon as start-up has prepared the main window; the dialogs on the way are
    // answered by whoever started it (the smoke test and the process benchmark).
    if (application.arguments().contains(QStringLiteral("--quit"))) QTimer::singleShot(0, &main, &QWidget::close);
    return application.exec();
}
