#include "datafiles.h"

#include "database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sys/stat.h>

#include <cstdio>

namespace korvane {

// ---- The program's folder ------------------------------------------------------------------

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

bool KiemtraMDB(const QString& path, const QString& kind, QString& MsgText, const ShowMessage& show, QString* why)
{
    if (why) why->clear();
    // A server's data has no file to look at: opening it tells whether it is there.
    const bool file = engine::Database::IsPath(path);
    if (file && PathExists(path).isEmpty()) return false;
    MsgText.clear();
    if (file && !wildcardMatch(QStringLiteral("*goc.mdb"), path.toLower())) ClearReadOnly(path, MsgText, show);
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
        if (!file) return true;  // the server keeps its own pages sound
        // A damaged page is found here, before anything is written into the file. The stamp is
        // taken before the check: a change made meanwhile makes the next start read it again.
        const QString stamp = fileStamp(path);
        if (pagesCheckedBefore(path, stamp)) return true;
        if (!db.CheckPages().isEmpty()) return false;
        notePagesChecked(path, stamp);
        return true;
    } catch (const engine::DbError& e) {
        if (why) *why = e.description();
        return false;
    }
}

QString WhyNotOpened(const QString& name)
{
    try {
        engine::Database db(name, engine::Database::Access::ReadOnly);
        return QString();
    } catch (const engine::DbError& e) {
        return e.description();
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

}  // namespace korvane
