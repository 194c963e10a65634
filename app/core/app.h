// The application-wide values that windows share, the open data files, and the one service
// through which every modal interaction goes.
#pragma once

#include "database.h"
#include "datapaths.h"
#include "dates.h"
#include "windowowner.h"

#include <QDate>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>

class QDialog;
class QWidget;

namespace korvane {

class App;

// Where a report goes.
enum class ReportTarget { Preview, Printer, Pdf, Cancel };

// Every modal interaction: the message dialog, the system message box, the file-open dialog,
// running a window modally, opening a help page. The real service shows windows; the tests
// install a scripted one that answers and records.
class ModalService {
public:
    virtual ~ModalService() = default;
    // The message dialog with app.MsgText and app.MsgMode; "ok" and "yesno" wait and set
    // app.MsgResult from the button pressed.
    virtual void message(App& app) = 0;
    // A notice (any other mode): shown without waiting; the caller closes it.
    virtual std::unique_ptr<QWidget> notice(App& app) = 0;
    virtual void systemMessage(const QString& title, const QString& text) = 0;
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) = 0;
    // Where to save a file (a PDF of a report); empty when the user gave up.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter) = 0;
    // Runs a dialog modally and returns its result code.
    virtual int runModal(QDialog& dialog) = 0;
    // Opens a local file (the help pages) with the desktop's viewer; false when it cannot.
    virtual bool openDocument(const QString& path) = 0;
    // Asks "Có muốn xem trước khi in không ?": the preview (yes), the printer (no) or a PDF
    // file; Cancel when the question is closed without an answer.
    virtual ReportTarget reportDestination() = 0;
};

// The real service.
class WidgetModalService : public ModalService {
public:
    void message(App& app) override;
    std::unique_ptr<QWidget> notice(App& app) override;
    void systemMessage(const QString& title, const QString& text) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter) override;
    int runModal(QDialog& dialog) override;
    bool openDocument(const QString& path) override;
    ReportTarget reportDestination() override;
};

class App {
public:
    explicit App(ModalService& modal);
    ~App();

    ModalService& modal() { return modal_; }

    // Shows MsgText in the given mode and returns MsgResult.
    QString Message(const QString& text, const QString& mode = QStringLiteral("ok"));
    // Keeps the failure for Ctrl+End in the message dialog.
    void RecordFailure(int number, const QString& description);
    void RecordFailure(const engine::DbError& e) { RecordFailure(e.number(), e.description()); }

    // ---- Files and years -----------------------------------------------------------------
    QString AppFolder, TemplateFile, TempFile, LocalRefFile, DocFile, PlanFile, DocRefFile, PlanRefFile, BackupFile;
    QString WorkYear;
    // The template file failed its structure check at start-up: no year table can be made.
    bool TemplateBad = false;
    QString PlanTable, CalendarTable, InDocTable, OutDocTable;
    std::unique_ptr<engine::Database> TempDb, LocalRefDb, DocDb, DocRefDb, PlanDb, PlanRefDb;
    MonthAbbrev Months;

    // Shared reference lists, opened at start-up.
    std::unique_ptr<engine::Recordset> AbbreviationList;  // chutat, on LocalRefDb
    std::unique_ptr<engine::Recordset> UnitList;          // donvi, on PlanRefDb
    std::unique_ptr<engine::Recordset> SenderList;        // noigui, on DocRefDb
    std::unique_ptr<engine::Recordset> DocTypeList;       // loaicv, on DocRefDb

    // ---- Hand-over and message values ----------------------------------------------------
    QString FormMode;
    long CurrentDocId = 0;
    // The last document search: its WHERE clause and the year table it searched, which the list
    // over its result marks and prints.
    QString SearchClause, SearchTable;
    // The one window of each kind, by form name ("frmMain", "frmcvden", "frmtracuucvden",
    // "frmgridcvden", ...): the owner makes, shows, hides and ends them. Windows are hidden
    // rather than closed, so that the window that comes back is the one the clerk left.
    WindowOwner& Owner() { return owner_; }
    // The window of that kind, or null.
    QWidget* Window(const QString& name) const { return owner_.Find(name); }
    // Shows a window above the others, with the keyboard.
    static void Present(QWidget* window) { WindowOwner::Present(window); }
    // Before the data files or the working year change: every window but the main window
    // finishes its work (see DataWindow) and is ended, so that none outlives the files it
    // reads. False, with every window kept, when a clerk chose to go on with a record; that
    // window is shown.
    bool CloseDataWindows() { return owner_.CloseDataWindows(); }
    QString ChooserMode;
    QString MsgText, MsgMode, MsgResult;
    QString UserFullName, UserRights, RecheckRights;
    int LastErrorNumber = 0;
    QString LastErrorDescription;

    // ---- Surroundings that tests set -----------------------------------------------------
    std::function<QDate()> Today = [] { return QDate::currentDate(); };
    std::function<DriveKind(const QString&)> DriveKindFor = [](const QString& p) { return DriveKindOf(p); };
    // The logged-on account's name.
    std::function<QString()> LogonName;

    // Windows of the other subsystems, by the name of the main window's button or menu item
    // that opens them; app/main.cpp fills it.
    std::map<QString, std::function<void(App&)>> Openers;

    QString DataFile(const QString& name) const { return DataPath(AppFolder, name); }
    // The four working-year table names for WorkYear.
    void SetYearTables();
    bool WriteSettings() const;

    // Closes every data file and shared list (before the files are changed or the program ends).
    void CloseData();

private:
    ModalService& modal_;
    WindowOwner owner_{*this};
};

// A window that works on the open data files and may hold a clerk's unsaved work (a register
// adding or correcting, a list with a panel being typed). Before the files or the working year
// change, it is asked to finish: it settles what the clerk typed (asking to keep or drop it) and
// does what its closing does (the backup of a document register). False when the clerk chose to
// go on working there.
class DataWindow {
public:
    virtual ~DataWindow() = default;
    virtual bool ReleaseData() = 0;
};

// Qt's own texts (the file dialog, the print preview and print dialog, the standard buttons,
// message boxes, the edit menus) in Vietnamese, from the translation built into the program.
// Installed once on the application before any window; false when it cannot be loaded, and Qt
// then speaks English.
bool InstallQtTranslation();

// Sets the busy pointer for its lifetime.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace korvane
