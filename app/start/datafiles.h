// The program's folder, and the helpers with which start-up and the data-file windows check,
// repair, copy and extend data files. The paths, drive kinds, working year and settings files
// they work with are in datapaths.h.
#pragma once

#include "datapaths.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace engine {
class Database;
}

namespace korvane {

// Shows a text in the message dialog in mode "ok".
using ShowMessage = std::function<void(const QString&)>;

// ---- The program's folder ------------------------------------------------------------------

// The program's folder: $KORVANE_HOME when set; the user's own folder for an installed program,
// its data folder filled from the installed one on the way (PrepareAppFolder); otherwise the
// folder of the program file, as in the build.
QString AppFolderPath();

// The environment values the program's folder depends on; empty when not set.
struct AppFolderEnvironment {
    QString korvaneHome;  // $KORVANE_HOME
    QString xdgDataHome;  // $XDG_DATA_HOME
    QString home;         // the user's home folder
};
// The data folder an installed program ships, <programDir>/../share/korvane/data, when it holds
// the template and the program has no data folder of its own beside it; empty otherwise.
QString InstalledDataFolder(const QString& programDir);
// The program's folder for a program file in `programDir`: $KORVANE_HOME when set; for an
// installed program <XDG_DATA_HOME or ~/.local/share>/korvane; otherwise `programDir`.
QString AppFolderFor(const QString& programDir, const AppFolderEnvironment& env);
// Makes <appFolder>/data and copies into it every file of `installedData` it does not have yet;
// files already there, the user's data and any template or report of an older install, are left
// as they are. False when the folder could not be made or a file not copied.
bool PrepareAppFolder(const QString& appFolder, const QString& installedData);

// ---- Helpers -------------------------------------------------------------------------------

// A non-empty text when a file or folder of that name exists ("  " for a folder found only as
// a folder), otherwise empty.
QString PathExists(const QString& path);
// Removes the read-only attribute of an existing file. On failure it sets MsgText and shows it.
void ClearReadOnly(const QString& path, QString& MsgText, const ShowMessage& show);
// True when the file exists, opens and holds the tables of its kind: "zeltgoc", "zelttk",
// "zeltcv" or "zeltlich". Any file but the template loses its read-only attribute on the way.
// `why`, when given, receives why the file could not be opened (a server that does not answer).
bool KiemtraMDB(const QString& path, const QString& kind, QString& MsgText, const ShowMessage& show, QString* why = nullptr);
// Why the data file `name` cannot be opened (a server that cannot be reached, with libpq's
// reason); empty when it opens.
QString WhyNotOpened(const QString& name);
// True when some table's name matches the pattern ("*" any run, "?" one character), ignoring case.
bool TableExists(const QString& pattern, engine::Database& db);
bool QueryExists(const QString& name, engine::Database& db);
// "copy" copies source over target; "xoa" deletes source. Returns whether it worked.
bool CopyOrDelete(const QString& source, const QString& target, const QString& action);
bool CreateTableFromTemplate(engine::Database& source, engine::Database& target, const QString& templateTable,
                             const QString& newTable, bool checkFirst);
QString FieldListWithoutId(const QString& table, engine::Database& db);
// Moves a damaged data file aside before it is replaced, to "<name>.hong-<date>-<time>" in the
// same folder, and returns that path; empty when it could not be moved (the file is then kept
// where it is and must not be replaced).
QString KeepDamagedFile(const QString& path, const QDateTime& now);

}  // namespace korvane
