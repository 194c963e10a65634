#include "datapaths.h"

#include "database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace korvane {

// ---- Paths ---------------------------------------------------------------------------------

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
    if (!engine::Database::IsPath(dataFile)) return engine::Database::Beside(dataFile, QStringLiteral("zelttk"));
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

// ---- The working year ----------------------------------------------------------------------

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
    if (path.trimmed().isEmpty() || QDir::isRelativePath(path) || !engine::Database::IsPath(path)) return path;
    const QString relative = QDir(QDir(folder).absolutePath()).relativeFilePath(QDir::cleanPath(path));
    if (relative.isEmpty() || relative == QLatin1String(".") || relative == QLatin1String("..") ||
        relative.startsWith(QLatin1String("../")) || QDir::isAbsolutePath(relative))
        return path;
    return relative;
}

QString ResolvedPath(const QString& folder, const QString& stored)
{
    // A server's data is named by its address, never by a place in the folder.
    if (stored.trimmed().isEmpty() || QDir::isAbsolutePath(stored) || !engine::Database::IsPath(stored)) return stored;
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
