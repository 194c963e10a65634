// Where the data files are: their paths, the kind of drive that holds them, the working year, and
// the small settings files beside them that remember the files and the year in use.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace korvane {

// ---- Paths ---------------------------------------------------------------------------------

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

// ---- The working year ----------------------------------------------------------------------

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
