#include "datafiles.h"

#include "database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>

#include <sys/stat.h>

#include <cstdio>

namespace korvane {

// ---- Paths ---------------------------------------------------------------------------------

QString InstalledDataFolder(const QString& programDir)
{
    const QDir dir(programDir);
    // A data folder beside the program is the build's (or a copied program folder's): it wins.
    if (QFileInfo::exists(dir.filePath(QStringLiteral("data")))) return QString();
    const QString shipped = QDir::cleanPath(dir.filePath(QStringLiteral("../share/korvane/data")));
    if (!QFileInfo(shipped + QStringLiteral("/zeltgoc.mdb")).isFile()) return QString();
    return shipped;
}

QString AppFolderFor(const QString& programDir, const AppFolderEnvironment& env)
{
    if (!env.korvaneHome.isEmpty()) return QDir(env.korvaneHome).absolutePath();
    if (InstalledDataFolder(programDir).isEmpty()) return programDir;
    // A relative $XDG_DATA_HOME is not valid and counts as not set.
    QString dataHome = env.xdgDataHome;
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome)) dataHome = QDir(env.home).filePath(QStringLiteral(".local/share"));
    return QDir::cleanPath(QDir(dataHome).filePath(QStringLiteral("korvane")));
}

bool PrepareAppFolder(const QString& appFolder, const QString& installedData)
{
    const QDir data(QDir(appFolder).filePath(QStringLiteral("data")));
    if (!data.mkpath(QStringLiteral("."))) return false;
    bool ok = true;
    for (const QString& name : QDir(installedData).entryList(QDir::Files)) {
        const QString target = data.filePath(name);
        if (QFileInfo::exists(target)) continue;
        ok = CopyOrDelete(QDir(installedData).filePath(name), target, QStringLiteral("copy")) && ok;
    }
    return ok;
}

QString AppFolderPath()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    const AppFolderEnvironment env{qEnvironmentVariable("KORVANE_HOME"), qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath()};
    const QString folder = AppFolderFor(programDir, env);
    // A failure here is not reported on its own: start-up finds the template missing and says
    // which folder it needs.
    if (env.korvaneHome.isEmpty() && folder != programDir) PrepareAppFolder(folder, InstalledDataFolder(programDir));
    return folder;
}

QString DataPath(const QString& appFolder, const QString& name)
{
    return QDir(appFolder).filePath(QStringLiteral("data/") + name);
}

QString FolderOf(const QString& path)
{
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
    return cut < 0 ? QString() : path.left(cut + 1);
}

bool SameFile(const QString& a, const QString& b)
{
    const QFileInfo x(a), y(b);
    if (x.exists() && y.exists()) return x.canonicalFilePath() == y.canonicalFilePath();
    return QDir::cleanPath(x.absoluteFilePath()) == QDir::cleanPath(y.absoluteFilePath());
}

QString RefFileFor(const QString& dataFile)
{
    // Names are compared without regard to case, as on the shares the files come from: the local
    // reference file "zelttk.MDB" is the reference file of the data folder.
    const QString folder = FolderOf(dataFile);
    const QStringList found = QDir(folder.isEmpty() ? QStringLiteral(".") : folder)
                                  .entryList({QStringLiteral("zelttk.mdb")}, QDir::Files | QDir::CaseSensitive);
    if (!found.isEmpty()) return folder + found.front();
    for (const QString& name : QDir(folder.isEmpty() ? QStringLiteral(".") : folder).entryList(QDir::Files))
        if (name.compare(QLatin1String("zelttk.mdb"), Qt::CaseInsensitive) == 0) return folder + name;
    return folder + QStringLiteral("zelttk.mdb");
}

DriveKind DriveKindOf(const QString& path)
{
    // The mount that holds the path is the longest mount point that prefixes it.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (!mounts.open(QIODevice::ReadOnly)) return DriveKind::LocalHardDisk;
    QString bestPoint, bestType, bestDevice;
    for (const QByteArray& line : mounts.readAll().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() < 3) continue;
        const QString point = QString::fromUtf8(f[1]).replace(QLatin1String("\\040"), QLatin1String(" "));
        const bool holds = absolute == point || absolute.startsWith(point.endsWith(QLatin1Char('/')) ? point : point + QLatin1Char('/'));
        if (holds && point.size() >= bestPoint.size()) {
            bestPoint = point;
            bestType = QString::fromUtf8(f[2]);
            bestDevice = QString::fromUtf8(f[0]);
        }
    }
    static const QStringList network = {QStringLiteral("cifs"), QStringLiteral("smb3"), QStringLiteral("smbfs"),
                                        QStringLiteral("nfs"),  QStringLiteral("nfs4"), QStringLiteral("fuse.sshfs"),
                                        QStringLiteral("9p"),   QStringLiteral("afs"),  QStringLiteral("ncpfs"),
                                        QStringLiteral("fuse.rclone"), QStringLiteral("davfs")};
    if (network.contains(bestType)) return DriveKind::NetworkDriver;
    if (bestType == QLatin1String("iso9660") || bestType == QLatin1String("udf")) return DriveKind::CdRom;
    if (bestDevice.startsWith(QLatin1String("/dev/"))) {
        // /dev/sdb1 -> /sys/block/sdb/removable
        QString disk = QFileInfo(bestDevice).canonicalFilePath().mid(5);
        while (!disk.isEmpty() && disk.back().isDigit() && !QFileInfo::exists(QStringLiteral("/sys/block/") + disk)) disk.chop(1);
        if (disk.endsWith(QLatin1Char('p')) && !QFileInfo::exists(QStringLiteral("/sys/block/") + disk)) disk.chop(1);
        QFile removable(QStringLiteral("/sys/block/%1/removable").arg(disk));
        if (removable.open(QIODevice::ReadOnly) && removable.readAll().trimmed() == "1") return DriveKind::FloppyUsb;
    }
    return DriveKind::LocalHardDisk;
}

QString DriveKindName(DriveKind kind)
{
    switch (kind) {
    case DriveKind::NetworkDriver: return QStringLiteral("Network Driver");
    case DriveKind::FloppyUsb: return QStringLiteral("Floppy USB");
    case DriveKind::CdRom: return QStringLiteral("CDROM");
    case DriveKind::LocalHardDisk: break;
    }
    return QStringLiteral("Local Hard Disk");
}

// ---- Helpers -------------------------------------------------------------------------------

QString PathExists(const QString& path)
{
    if (path.isEmpty()) return QString();
    const QFileInfo info(path);
    if (!info.exists()) return QString();
    if (info.isDir()) return QStringLiteral("  ");
    return info.fileName();
}

namespace {

constexpr QFile::Permissions kWriteBits = QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;

// "*" any run, "?" one character; both texts already lower-cased.
bool wildcardMatch(const QString& pattern, const QString& text)
{
    qsizetype p = 0, t = 0, starP = -1, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = ++p;
            starT = t;
        } else if (starP >= 0) {
            p = starP;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*')) ++p;
    return p == pattern.size();
}

}  // namespace

void ClearReadOnly(const QString& path, QString& MsgText, const ShowMessage& show)
{
    QFile file(path);
    if (!file.exists()) return;
    const QFile::Permissions perms = file.permissions();
    if (perms & QFile::WriteOwner) return;
    if (!file.setPermissions(perms | QFile::WriteOwner | QFile::WriteUser)) {
        MsgText = QStringLiteral("Gặp lỗi khi đang sửa tính chất Readonly của file ") + path.trimmed();
        if (show) show(MsgText);
    }
}

namespace {

// Reading every page of a large data file takes a good part of a second. A file that passed the
// page check is noted, with what the file system says of it, in a small note in its folder; as
// long as it is the same file with the same size and the same change and modification times, no
// byte of it can have changed and it is not read again. A folder that cannot be written keeps
// no note, and its files are read at every start.
const QString kCheckedNote = QStringLiteral(".korvane-checked");

QString fileStamp(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return QString();
    return QStringLiteral("%1:%2:%3:%4.%5:%6.%7")
        .arg(st.st_dev)
        .arg(st.st_ino)
        .arg(st.st_size)
        .arg(st.st_mtim.tv_sec)
        .arg(st.st_mtim.tv_nsec)
        .arg(st.st_ctim.tv_sec)
        .arg(st.st_ctim.tv_nsec);
}

QString checkedNotePath(const QString& path) { return QFileInfo(path).absolutePath() + QLatin1Char('/') + kCheckedNote; }

QHash<QString, QString> readCheckedNote(const QString& note)
{
    QHash<QString, QString> stamps;
    QFile f(note);
    if (!f.open(QIODevice::ReadOnly)) return stamps;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const qsizetype tab = line.lastIndexOf('\t');
        if (tab > 0) stamps.insert(QString::fromUtf8(line.left(tab)), QString::fromUtf8(line.mid(tab + 1)));
    }
    return stamps;
}

bool pagesCheckedBefore(const QString& path, const QString& stamp)
{
    return !stamp.isEmpty() && readCheckedNote(checkedNotePath(path)).value(QFileInfo(path).fileName()) == stamp;
}

void notePagesChecked(const QString& path, const QString& stamp)
{
    if (stamp.isEmpty()) return;
    const QString note = checkedNotePath(path);
    QHash<QString, QString> stamps = readCheckedNote(note);
    stamps.insert(QFileInfo(path).fileName(), stamp);
    QByteArray text;
    for (auto it = stamps.cbegin(); it != stamps.cend(); ++it) text += it.key().toUtf8() + '\t' + it.value().toUtf8() + '\n';
    const QString temp = note + QStringLiteral(".part");
    QFile f(temp);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    const bool written = f.write(text) == text.size();
    f.close();
    if (!written || std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(note).constData()) != 0) QFile::remove(temp);
}

}  // namespace

bool KiemtraMDB(const QString& path, const QString& kind, QString& MsgText, const ShowMessage& show)
{
    if (PathExists(path).isEmpty()) return false;
    MsgText.clear();
    if (!wildcardMatch(QStringLiteral("*goc.mdb"), path.toLower())) ClearReadOnly(path, MsgText, show);
    if (!MsgText.isEmpty()) return false;
    QStringList required;
    if (kind == QLatin1String("zeltgoc")) {
        required = {QStringLiteral("kehoachmau"), QStringLiteral("lichmau"), QStringLiteral("cvdenmau"), QStringLiteral("cvdimau")};
    } else if (kind == QLatin1String("zelttk")) {
        required = {QStringLiteral("donvi"),  QStringLiteral("bophan"), QStringLiteral("chutat"),  QStringLiteral("noigui"),
                    QStringLiteral("loaicv"), QStringLiteral("inlich"), QStringLiteral("incvden"), QStringLiteral("incvdi")};
    } else if (kind == QLatin1String("zeltcv")) {
        required = {QStringLiteral("cvdi*"), QStringLiteral("cvden*")};
    } else if (kind == QLatin1String("zeltlich")) {
        required = {QStringLiteral("lich*"), QStringLiteral("kehoach*")};
    } else {
        return false;
    }
    try {
        engine::Database db(path, engine::Database::Access::ReadOnly);
        for (const QString& pattern : required)
            if (!TableExists(pattern, db)) return false;
        // A damaged page is found here, before anything is written into the file. The stamp is
        // taken before the check: a change made meanwhile makes the next start read it again.
        const QString stamp = fileStamp(path);
        if (pagesCheckedBefore(path, stamp)) return true;
        if (!db.CheckPages().isEmpty()) return false;
        notePagesChecked(path, stamp);
        return true;
    } catch (const engine::DbError&) {
        return false;
    }
}

bool TableExists(const QString& pattern, engine::Database& db)
{
    const QString p = pattern.toLower();
    for (const QString& name : db.TableNames())
        if (wildcardMatch(p, name.toLower())) return true;
    return false;
}

bool QueryExists(const QString& name, engine::Database& db) { return db.HasQueryDef(name); }

bool CopyOrDelete(const QString& source, const QString& target, const QString& action)
{
    if (action == QLatin1String("xoa")) return QFile::remove(source);
    if (action != QLatin1String("copy")) return false;
    // Copy beside the target first, so that a failed copy never leaves half a file in its place.
    const QString temp = target + QStringLiteral(".part");
    QFile::remove(temp);
    if (!QFile::copy(source, temp)) return false;
    if (QFile::exists(target)) {
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
        if (!QFile::remove(target)) {
            QFile::remove(temp);
            return false;
        }
    }
    return QFile::rename(temp, target);
}

bool CreateTableFromTemplate(engine::Database& source, engine::Database& target, const QString& templateTable,
                             const QString& newTable, bool checkFirst)
{
    try {
        if (checkFirst)
            for (const QString& name : target.TableNames())
                if (name.toUpper() == newTable.toUpper()) return true;
        engine::TableDef def = source.TableDefOf(templateTable);
        def.name = newTable;
        target.CreateTable(def);
        return true;
    } catch (const engine::DbError&) {
        return false;
    }
}

QString FieldListWithoutId(const QString& table, engine::Database& db)
{
    QStringList names;
    for (const engine::FieldDef& f : db.TableDefOf(table).fields)
        if (f.name.toLower() != QLatin1String("id")) names.append(f.name);
    return names.join(QLatin1Char(','));
}

QString KeepDamagedFile(const QString& path, const QDateTime& now)
{
    const QString base = path + QStringLiteral(".hong-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString kept = base;
    for (int n = 2; QFileInfo::exists(kept); ++n) kept = base + QLatin1Char('-') + QString::number(n);
    if (QFile::rename(path, kept)) return kept;
    return QFile::copy(path, kept) ? kept : QString();
}

bool IsWorkYear(const QString& year)
{
    if (year.size() != 4) return false;
    for (const QChar c : year)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

// ---- Settings files ------------------------------------------------------------------------

QString StoredPath(const QString& folder, const QString& path)
{
    if (path.trimmed().isEmpty() || QDir::isRelativePath(path)) return path;
    const QString relative = QDir(QDir(folder).absolutePath()).relativeFilePath(QDir::cleanPath(path));
    if (relative.isEmpty() || relative == QLatin1String(".") || relative == QLatin1String("..") ||
        relative.startsWith(QLatin1String("../")) || QDir::isAbsolutePath(relative))
        return path;
    return relative;
}

QString ResolvedPath(const QString& folder, const QString& stored)
{
    if (stored.trimmed().isEmpty() || QDir::isAbsolutePath(stored)) return stored;
    return QDir(folder).filePath(stored);
}

namespace {

// The folder of a settings file: the data folder, which the paths inside it are relative to.
QString folderOf(const QString& settingsFile) { return QFileInfo(settingsFile).path(); }

// Splits a line at the commas outside double quotes and drops the quotes.
QStringList splitQuoted(const QString& line)
{
    QStringList parts;
    QString current;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == QLatin1Char('"')) quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted) {
            parts.append(current);
            current.clear();
        } else current += c;
    }
    parts.append(current);
    return parts;
}

QString quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

QStringList readLines(const QString& file, int limit)
{
    QStringList lines;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return lines;
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    while (!in.atEnd() && (limit < 0 || lines.size() < limit)) lines.append(in.readLine());
    return lines;
}

bool writeLines(const QString& file, const QStringList& lines)
{
    QFile f(file);
    if (f.exists()) f.setPermissions(f.permissions() | QFile::WriteOwner);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    QByteArray bytes;
    for (const QString& line : lines) bytes += line.toUtf8() + "\r\n";
    return f.write(bytes) == bytes.size();
}

}  // namespace

std::optional<Sysmem> ReadSysmem(const QString& file)
{
    const QStringList lines = readLines(file, 1);
    if (lines.isEmpty()) return std::nullopt;
    const QStringList v = splitQuoted(lines.front());
    const QString folder = folderOf(file);
    return Sysmem{ResolvedPath(folder, v.value(0)), ResolvedPath(folder, v.value(1)), ResolvedPath(folder, v.value(2)), v.value(3)};
}

bool WriteSysmem(const QString& file, const Sysmem& s)
{
    const QString folder = folderOf(file);
    return writeLines(file, {QStringList{quoted(StoredPath(folder, s.PlanFile)), quoted(StoredPath(folder, s.DocFile)),
                                         quoted(StoredPath(folder, s.BackupFile)), quoted(s.WorkYear)}
                                 .join(QLatin1Char(','))});
}

Sysmem DefaultSysmem(const QString& appFolder, int currentYear)
{
    return {DataPath(appFolder, QStringLiteral("zeltlich.MDB")), DataPath(appFolder, QStringLiteral("zeltcv.MDB")),
            QStringLiteral(" "), QString::number(currentYear)};
}

void RememberUsedFile(const QString& appFolder, const QString& listName, const QString& path)
{
    const QString file = DataPath(appFolder, listName);
    const QString folder = folderOf(file);
    const QString first = quoted(StoredPath(folder, path));
    if (!QFile::exists(file)) {
        writeLines(file, {first});
        return;
    }
    const QStringList lines = readLines(file, 21);
    // Already first, and written as it is written now: the list stays as it is.
    if (!lines.isEmpty() && lines.front() == first) return;
    QStringList out{first};
    for (const QString& line : lines) {
        if (line.isEmpty()) break;
        const QString used = ResolvedPath(folder, splitQuoted(line).value(0));
        if (used != path) out.append(quoted(StoredPath(folder, used)));
    }
    writeLines(file, out);
}

QStringList ReadUsedFiles(const QString& appFolder, const QString& listName)
{
    QStringList paths;
    const QString file = DataPath(appFolder, listName);
    for (const QString& line : readLines(file, -1))
        if (!line.isEmpty()) paths.append(ResolvedPath(folderOf(file), splitQuoted(line).value(0)));
    return paths;
}

}  // namespace korvane
