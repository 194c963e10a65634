#include "officecopy.h"

#include "database.h"
#include "datapaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

namespace korvane {

namespace {

const QString kCRLF = QStringLiteral("\r\n");

// Where a file is made before it is compared and named: beside its name, with a suffix that no
// data file of an office has. A server's names are kept in small letters.
QString stagingName(const QString& name)
{
    return engine::Database::IsPath(name) ? name + QStringLiteral(".dangchep") : name + QStringLiteral("_dangchep");
}

// Why the place of `name` cannot take the copy: it holds that data file with tables in it.
// Empty when the place is free (or holds the data file empty, left by a copy that was undone).
QString occupied(const QString& name, bool* emptyThere)
{
    *emptyThere = false;
    if (engine::Database::IsPath(name)) {
        // Names are compared without regard to case, as the program finds its files.
        const QFileInfo file(name);
        for (const QString& there : file.dir().entryList(QDir::Files | QDir::Hidden))
            if (there.compare(file.fileName(), Qt::CaseInsensitive) == 0)
                return QStringLiteral("Đã có file %1: chỉ chép vào thư mục chưa có dữ liệu.").arg(file.dir().filePath(there));
        return QString();
    }
    try {
        engine::Database there(name, engine::Database::Access::ReadOnly);
        if (!there.TableNames().isEmpty() || !there.QueryDefNames().isEmpty())
            return QStringLiteral("Đã có dữ liệu %1 trên máy chủ: chỉ chép vào cơ sở dữ liệu chưa có dữ liệu.").arg(name);
        *emptyThere = true;
    } catch (const engine::DbError& e) {
        if (e.number() != engine::ErrFileNotFound) throw;
    }
    return QString();
}

// The first difference between a data file and its copy, or empty.
QString difference(engine::Database& source, engine::Database& copy)
{
    const std::vector<engine::TableContents> a = engine::Contents(source), b = engine::Contents(copy);
    for (std::size_t k = 0; k < std::max(a.size(), b.size()); ++k) {
        if (k >= a.size() || k >= b.size() || a[k].table.compare(b[k].table, Qt::CaseInsensitive) != 0)
            return QStringLiteral("các bảng của bản chép khác các bảng của %1").arg(source.Name());
        if (a[k].rows != b[k].rows)
            return QStringLiteral("bảng %1 có %2 dòng, bản chép có %3").arg(a[k].table).arg(a[k].rows).arg(b[k].rows);
        if (a[k].checksum != b[k].checksum) return QStringLiteral("nội dung bảng %1 của bản chép khác bản gốc").arg(a[k].table);
    }
    QStringList queries = source.QueryDefNames(), copied = copy.QueryDefNames();
    queries.sort(Qt::CaseInsensitive);
    copied.sort(Qt::CaseInsensitive);
    if (queries.join(QLatin1Char('\n')).toLower() != copied.join(QLatin1Char('\n')).toLower())
        return QStringLiteral("các truy vấn của bản chép khác các truy vấn của %1").arg(source.Name());
    for (const QString& q : queries)
        if (source.QueryDefSql(q) != copy.QueryDefSql(q)) return QStringLiteral("truy vấn %1 của bản chép khác bản gốc").arg(q);
    return QString();
}

long long rowsOf(engine::Database& db)
{
    long long rows = 0;
    for (const engine::TableContents& t : engine::Contents(db)) rows += t.rows;
    return rows;
}

}  // namespace

OfficeFiles OfficeOnServer(const QString& address)
{
    QString a = address.trimmed();
    const qsizetype hash = a.lastIndexOf(QLatin1Char('#'));
    if (hash >= 0) a.truncate(hash);
    return {a + QStringLiteral("#zeltcv"), a + QStringLiteral("#zeltlich"), a + QStringLiteral("#zelttk")};
}

OfficeFiles OfficeInFolder(const QString& folder)
{
    const QDir dir(folder);
    return {dir.absoluteFilePath(QStringLiteral("zeltcv.mdb")), dir.absoluteFilePath(QStringLiteral("zeltlich.mdb")),
            dir.absoluteFilePath(QStringLiteral("zelttk.mdb"))};
}

OfficeFiles CurrentOffice(const QString& appFolder)
{
    Sysmem s = DefaultSysmem(appFolder, 2008);
    if (const std::optional<Sysmem> read = ReadSysmem(DataPath(appFolder, QStringLiteral("sysmem")))) s = *read;
    return {s.DocFile, s.PlanFile, RefFileFor(s.DocFile)};
}

CopyOutcome CopyOffice(const OfficeFiles& from, const OfficeFiles& to, const CopyProgress& progress)
{
    const auto tell = [&](const QString& step, int done, int total) {
        if (progress) progress(step, done, total);
    };
    // The users and the reference lists live in one file beside both data files; an office whose
    // two data files have reference files of their own cannot be put into one.
    if (RefFileFor(from.plans) != from.reference && !SameFile(RefFileFor(from.plans), from.reference))
        return {false, QStringLiteral("File công văn (%1) và file kế hoạch, lịch công tác (%2) không dùng chung một file tham khảo: "
                                      "cần để hai file này cùng một thư mục trước khi chép.")
                           .arg(from.documents, from.plans)};
    const QStringList sources = from.all(), targets = to.all();
    QStringList staging;
    for (const QString& t : targets) staging.append(stagingName(t));
    std::vector<std::pair<QString, QString>> renames;
    QStringList emptyTargets, named;  // named: the targets this copy has given their names
    bool staged = false;              // whether anything was made under the staging names
    try {
        for (const QString& t : targets) {
            bool empty = false;
            const QString refused = occupied(t, &empty);
            if (!refused.isEmpty()) return {false, refused};
            if (empty) emptyTargets.append(t);
        }
        // What a copy that was cut off left behind goes first.
        staged = true;
        engine::Database::dropFiles(staging);
        int total = 0;
        std::vector<std::unique_ptr<engine::Database>> opened;
        for (const QString& s : sources) {
            opened.push_back(std::make_unique<engine::Database>(s, engine::Database::Access::ReadOnly));
            total += static_cast<int>(opened.back()->TableNames().size());
        }
        total += static_cast<int>(sources.size());  // each file compared with its copy
        int done = 0;
        QStringList counts;
        for (std::size_t k = 0; k < opened.size(); ++k) {
            engine::Database& source = *opened[k];
            engine::Database::createFile(staging[static_cast<qsizetype>(k)]);
            engine::Database copy(staging[static_cast<qsizetype>(k)]);
            engine::CopyDataFile(source, copy, [&](const QString& table) {
                tell(QStringLiteral("Đang chép bảng %1 của %2").arg(table, sources[static_cast<qsizetype>(k)]), done++, total);
            });
            tell(QStringLiteral("Đang so sánh bản chép với %1").arg(sources[static_cast<qsizetype>(k)]), done++, total);
            const QString differs = difference(source, copy);
            if (!differs.isEmpty()) throw engine::DbError(engine::ErrEngine, QStringLiteral("Bản chép không khớp: ") + differs + QLatin1Char('.'));
            counts.append(QStringLiteral("%1: %2 bảng, %3 dòng")
                              .arg(targets[static_cast<qsizetype>(k)])
                              .arg(copy.TableNames().size())
                              .arg(rowsOf(copy)));
            renames.emplace_back(staging[static_cast<qsizetype>(k)], targets[static_cast<qsizetype>(k)]);
        }
        opened.clear();
        engine::Database::dropFiles(emptyTargets);
        if (engine::Database::IsPath(to.documents)) {
            // One file at a time, the reference file first and the documents last: a folder is
            // never taken for an office before its last file is there, and a failure takes back
            // the names already given.
            for (auto it = renames.rbegin(); it != renames.rend(); ++it) {
                engine::Database::renameFiles({*it});
                named.append(it->second);
            }
        } else {
            engine::Database::renameFiles(renames);  // a server's, in one transaction
        }
        tell(QStringLiteral("Đã chép xong"), total, total);
        const QString place = engine::Database::IsPath(to.documents) ? FolderOf(to.documents)
                                                                     : to.documents.left(to.documents.lastIndexOf(QLatin1Char('#')));
        return {true, QStringLiteral("Đã chép xong dữ liệu sang %1, mọi dòng đã được so khớp với bản gốc:").arg(place) + kCRLF +
                          counts.join(kCRLF)};
    } catch (const engine::DbError& e) {
        QString cleanup;
        try {
            if (staged) engine::Database::dropFiles(staging + named);
        } catch (const engine::DbError& again) {
            cleanup = kCRLF + QStringLiteral("Chưa xoá được bản chép dở: ") + again.description();
        }
        return {false, QStringLiteral("Chưa chép được dữ liệu; nơi nhận vẫn như trước. ") + e.description() + cleanup};
    }
}

OfficeFiles OfficeAt(const QString& place)
{
    return engine::Database::IsPath(place) ? OfficeInFolder(place) : OfficeOnServer(place);
}

CopyOutcome CopyOfficeInto(const OfficeFiles& from, const QString& place, const CopyProgress& progress)
{
    // A folder made for the copy goes again when nothing was copied into it.
    const bool made = engine::Database::IsPath(place) && !QFileInfo(place).isDir();
    if (made && !QDir().mkpath(place)) return {false, QStringLiteral("Không tạo được thư mục %1 !").arg(place)};
    const CopyOutcome outcome = CopyOffice(from, OfficeAt(place), progress);
    if (made && !outcome.done) QDir().rmdir(place);
    return outcome;
}

int RunCopyCommand(const QStringList& arguments, const QString& appFolder)
{
    const qsizetype toServer = arguments.indexOf(QStringLiteral("--copy-to-server"));
    const qsizetype toFiles = arguments.indexOf(QStringLiteral("--copy-to-files"));
    if (toServer < 0 && toFiles < 0) return -1;
    const qsizetype at = toServer >= 0 ? toServer : toFiles;
    const QString place = arguments.value(at + 1).trimmed();
    const qsizetype fromAt = arguments.indexOf(QStringLiteral("--from"));
    const QString from = fromAt >= 0 ? arguments.value(fromAt + 1).trimmed() : QString();
    if (place.isEmpty() || engine::Database::IsPath(place) != (toFiles >= 0) || (fromAt >= 0 && from.isEmpty())) {
        std::fprintf(stderr, "%s\n",
                     qUtf8Printable(QStringLiteral("Cách dùng: korvane --copy-to-server postgresql://maychu/vanphong [--from THƯ_MỤC]\n"
                                                   "           korvane --copy-to-files THƯ_MỤC [--from postgresql://maychu/vanphong]\n"
                                                   "Không có --from: chép dữ liệu chương trình đang dùng.")));
        return 2;
    }
    const CopyOutcome outcome =
        CopyOfficeInto(from.isEmpty() ? CurrentOffice(appFolder) : OfficeAt(from), place, [](const QString& step, int done, int total) {
            std::printf("[%d/%d] %s\n", done, total, qUtf8Printable(step));
            std::fflush(stdout);
        });
    std::fprintf(outcome.done ? stdout : stderr, "%s\n", qUtf8Printable(QString(outcome.text).replace(kCRLF, QStringLiteral("\n"))));
    return outcome.done ? 0 : 1;
}

}  // namespace korvane
