// The start-up procedure: finds, repairs and opens the data files, checks the working year,
// creates the year tables, logs the user in and prepares the main window.
#pragma once

#include "datafiles.h"

#include <QString>

namespace korvane {

class App;
class frmMain;

// The four tables of App::WorkYear: each one missing is made from its template table of the same
// file. A table another clerk made meanwhile counts as made. False when one could not be made.
bool OpenYearTables(App& app);
// The shared reference lists of App (abbreviations, units, senders, document types), opened again
// from the files. Throws the engine's failure.
void OpenReferenceLists(App& app);

class Startup {
public:
    Startup(App& app, frmMain& main);

    // False when the program is to end.
    bool Run();

    QString StepText;
    bool TemplateBad = false;
    QString FailedPath;
    QString FailedWhy;  // why FailedPath could not be opened, when it could not

private:
    enum class Next { Continue, Again, End };
    Next openFiles();            // local files to the working year (steps 5-13)
    Next offerFallback();        // step 14
    Next unexpected(const QString& description);
    bool yearTables();           // step 15
    bool login();                // step 16
    void referenceLists();       // step 17
    void backupWarning();        // step 18
    void prepareMainWindow();    // step 19
    QString currentYear() const;
    QString dataFolder() const;  // the program's data folder, as messages name it
    ShowMessage show();  // the message dialog in mode "ok"

    App& app_;
    frmMain& main_;
    int unexpectedFailures_ = 0;
};

}  // namespace korvane
