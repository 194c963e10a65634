// Data files, their folders and the small settings files beside them, and the shared helpers
// that check, copy and extend data files.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace engine {
class Database;
}

namespace korvane {

// Shows a text in the message dialog in mode "ok".
using ShowMessage = std::function<void(const QString&)>;

// ---- Paths ---------------------------------------------------------------------------------

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

// A file of the data folder: DataPath("zeltgoc.mdb") is <AppFolder>/data/zeltgoc.mdb.
QString DataPath(const QString& appFolder, const QString& name);
// The folder part of a path, up to and including the last separator.
QString FolderOf(const QString& path);
// Whether two paths name the same file (links and "." or ".." resolved).
bool SameFile(const QString& a, const QString& b);
// The reference file that lies beside a data file.
QString RefFileFor(const QString& dataFile);

enum class DriveKind { LocalHardDisk, NetworkDriver, FloppyUsb, CdRom };
// The kind of the file system that holds `path`.
DriveKind DriveKindOf(const QString& path);
QString DriveKindName(DriveKind kind);  // "Local Hard Disk", "Network Driver", ...

// ---- Helpers -------------------------------------------------------------------------------

// A non-empty text when a file or folder of that name exists ("  " for a folder found only as
// a folder), otherwise empty.
QString PathExists(const QString& path);
// Removes the read-only attribute of an existing file. On failure it sets MsgText and shows it.
void ClearReadOnly(const QString& path, QString& MsgText, const ShowMessage& show);
// True when the file exists, opens and holds the tables of its kind: "zeltgoc", "zelttk",
// "zeltcv" or "zeltlich". Any file but the template loses its read-only attribute on the way.
bool KiemtraMDB(const QString& path, const QString& kind, QString& MsgText, const ShowMessage& show);
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
// Four digits, the only form a working year takes ("2008"); anything else counts as no year.
bool IsWorkYear(const QString& year);

// ---- Settings files ------------------------------------------------------------------------

// The settings file "sysmem": one line of four quoted texts.
struct Sysmem {
    QString PlanFile;
    QString DocFile;
    QString BackupFile;
    QString WorkYear;
    bool operator==(const Sysmem&) const = default;
};
// Paths inside the folder of the settings file (the data folder) are written relative to it, so
// that a copied program folder opens its own files; other paths are written whole. Both forms are
// read back as full paths.
std::optional<Sysmem> ReadSysmem(const QString& file);
bool WriteSysmem(const QString& file, const Sysmem& values);
// The values used when "sysmem" is missing.
Sysmem DefaultSysmem(const QString& appFolder, int currentYear);

// A path as the settings files write it: relative to `folder` when it lies inside it, else as it is.
QString StoredPath(const QString& folder, const QString& path);
// A path read from a settings file: a relative one is taken inside `folder`.
QString ResolvedPath(const QString& folder, const QString& stored);

// Used-file lists ("sysmem2" for document files, "sysmem3" for plan files), most recent first,
// their paths written and read as in "sysmem".
void RememberUsedFile(const QString& appFolder, const QString& listName, const QString& path);
QStringList ReadUsedFiles(const QString& appFolder, const QString& listName);

}  // namespace korvane
