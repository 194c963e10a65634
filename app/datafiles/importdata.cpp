#include "importdata.h"

#include "app.h"
#include "frmlogin.h"
#include "jetsql.h"
#include "startup.h"

#include <QApplication>
#include <QFileInfo>
#include <QProgressDialog>

#include <map>
#include <vector>

namespace korvane {

namespace {

const QString kCRLF = QStringLiteral("\r\n");

// A year table of the kind and how the already-imported question names it.
struct YearKind {
    const char* prefix;
    const char* model;
    const char* label;
};

const std::vector<YearKind>& yearKinds(const QString& kind)
{
    static const std::vector<YearKind> cv = {
        {"cvden", "cvdenmau", "Bảng công văn đến năm "}, {"cvdi", "cvdimau", "Bảng công văn đi năm "}};
    static const std::vector<YearKind> lich = {
        {"kehoach", "kehoachmau", "Bảng kế hoạch công tác năm "}, {"lich", "lichmau", "Bảng lịch công tác năm "}};
    return kind == QLatin1String("cv") ? cv : lich;
}

// The kind of year table a name of the source file is, or null: the prefix, then four characters
// that read as a year from 1900 up to 2499.
const YearKind* yearKindOf(const QString& kind, const QString& name)
{
    const QString lower = name.toLower();
    for (const YearKind& k : yearKinds(kind)) {
        const QString prefix = QLatin1String(k.prefix);
        if (!lower.startsWith(prefix) || lower.size() != prefix.size() + 4) continue;
        bool number = false;
        const int year = lower.right(4).toInt(&number);
        if (number && year >= 1900 && year < 2500) return &k;
    }
    return nullptr;
}

// One text per row made of the given fields, so that a missing value and blanks compare equal to
// an empty one and no field's text can run into the next one's.
QString keyExpression(const QStringList& keys)
{
    QStringList parts;
    for (const QString& k : keys) parts.append(QStringLiteral("coalesce(trim(%1),'')").arg(k));
    return parts.join(QStringLiteral(" + '|' + "));
}

// The fields the target table has beside its counter that the source table has too (a source
// written by an older version may lack a field; the target then leaves it empty).
QStringList sharedFields(const engine::TableDef& target, const engine::TableDef& source)
{
    QStringList fields;
    for (const engine::FieldDef& f : target.fields) {
        if (f.isCounter() || f.name.compare(QLatin1String("id"), Qt::CaseInsensitive) == 0) continue;
        for (const engine::FieldDef& s : source.fields)
            if (s.name.compare(f.name, Qt::CaseInsensitive) == 0) {
                fields.append(f.name);
                break;
            }
    }
    return fields;
}

bool hasField(const engine::TableDef& def, const char* name)
{
    for (const engine::FieldDef& f : def.fields)
        if (f.name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return true;
    return false;
}

long countOf(engine::Database& db, const QString& sql)
{
    auto rs = db.OpenRecordset(sql, engine::RecordsetType::Snapshot);
    return rs->Eof() ? 0 : rs->Field(QStringLiteral("n")).toLongLong();
}

// Whether the file is a data file of this program of the kind asked for.
bool holdsKind(engine::Database& db, const QString& kind)
{
    if (kind == QLatin1String("cv")) return TableExists(QStringLiteral("cvden*"), db) && TableExists(QStringLiteral("cvdi*"), db);
    if (kind == QLatin1String("lich")) return TableExists(QStringLiteral("lich*"), db) && TableExists(QStringLiteral("kehoach*"), db);
    return TableExists(QStringLiteral("donvi"), db) || TableExists(QStringLiteral("noigui"), db) || TableExists(QStringLiteral("chutat"), db);
}

// A progress window over a number of steps that keeps the program answering between them.
class Progress {
public:
    Progress(const QString& text, int steps) : dialog_(text, QString(), 0, steps)
    {
        dialog_.setWindowModality(Qt::ApplicationModal);
        dialog_.setCancelButton(nullptr);
        dialog_.setMinimumDuration(300);
        dialog_.setValue(0);
    }
    void step(const QString& text)
    {
        dialog_.setLabelText(text);
        dialog_.setValue(dialog_.value() + 1);
        QCoreApplication::processEvents();
    }

private:
    QProgressDialog dialog_;
};

// What is to be done with one year table of the source.
struct Plan {
    QString table;
    const YearKind* kind;
    bool exists;
    bool replace;
    QStringList fields;
    bool bookkeeping;  // the table keeps the backup marks idcu and kieuupdate
};

// The fields that make a row the document it is: every shared field but the ids and the marks.
// A source row whose fields all equal those of a row of the target is that row imported before.
QString documentExpression(const QStringList& fields)
{
    QStringList own;
    for (const QString& f : fields) {
        const QString lower = f.toLower();
        if (lower != QLatin1String("idcu") && lower != QLatin1String("kieuupdate") && lower != QLatin1String("chonin")) own.append(f);
    }
    return keyExpression(own);
}

void importYearTables(App& app, const QString& kind, const QString& sourcePath)
{
    const bool documents = kind == QLatin1String("cv");
    engine::Database& target = documents ? *app.DocDb : *app.PlanDb;
    const QString src = engine::escapeQuotes(sourcePath);
    QStringList counts;
    try {
        std::vector<Plan> plans;
        {
            engine::Database source(sourcePath, engine::Database::Access::ReadOnly);
            for (const QString& name : source.TableNames()) {
                const YearKind* k = yearKindOf(kind, name);
                if (!k) continue;
                const engine::TableDef model = target.TableDefOf(QLatin1String(k->model));
                const bool exists = target.HasTable(name);
                const engine::TableDef def = exists ? target.TableDefOf(name) : model;
                plans.push_back({name, k, exists, false, sharedFields(def, source.TableDefOf(name)), hasField(def, "idcu") && hasField(def, "kieuupdate")});
            }
        }
        const auto attached = target.KeepAttached(sourcePath);
        // The questions first, so that the copying itself is one transaction.
        std::vector<Plan> work;
        for (Plan& p : plans) {
            if (countOf(target, QStringLiteral("select count(*) as n from %1 in '%2'").arg(p.table, src)) == 0) continue;
            if (p.exists) {
                // Asked only when rows of the source are here already as the same documents; a
                // row that merely shares its key with one typed here is another document.
                const QString same = documentExpression(p.fields);
                const long found = countOf(target, QStringLiteral("select count(*) as n from %1 in '%2' where %3 IN (select %3 from %1)")
                                                       .arg(p.table, src, same));
                if (found > 0) {
                    const QString answer = app.Message(QString::fromUtf8(p.kind->label) + p.table.right(4) +
                                                           QStringLiteral(" trong file dữ liệu vừa chọn đã được nhập một lần. ") + kCRLF +
                                                           QStringLiteral("Có muốn xoá dữ liệu hiện có và nhập lại bảng này không?"),
                                                       QStringLiteral("yesno"));
                    // "yes" replaces the earlier copies; either way the rows not here yet arrive.
                    p.replace = answer == QLatin1String("yes");
                }
            }
            work.push_back(p);
        }
        Progress progress(QStringLiteral("Đang nhập dữ liệu..."), static_cast<int>(work.size()));
        target.WriteTransaction([&] {
            for (const Plan& p : work) {
                progress.step(QStringLiteral("Đang nhập bảng ") + p.table);
                if (!p.exists) {
                    engine::TableDef def = target.TableDefOf(QLatin1String(p.kind->model));
                    def.name = p.table;
                    target.CreateTable(def);
                }
                const QString same = documentExpression(p.fields);
                long removed = 0;
                // Replacing takes out only the earlier copies: rows equal in every field to a row
                // of the source. A row typed or corrected here differs from every one and stays.
                if (p.replace)
                    removed = target.Execute(QStringLiteral("DELETE * FROM %1 WHERE %3 IN (select %3 from %1 in '%2')").arg(p.table, src, same));
                const long before = countOf(target, QStringLiteral("select max(id) as n from ") + p.table);
                // Every row that is not here yet as the same document: the question was asked
                // before the file was locked, and another clerk may have imported the file since.
                const QString fields = p.fields.join(QLatin1Char(','));
                const long added = target.Execute(QStringLiteral(" INSERT INTO %1 (%3) Select %3 from %1 in '%2' where %4 not IN (select %4 from %1) order by [id]")
                                                      .arg(p.table, src, fields, same));
                // Imported rows are new to this file and to its backup: their own id, not yet backed up.
                if (p.bookkeeping)
                    target.Execute(QStringLiteral("update %1 set idcu=id, kieuupdate=1 where id > %2").arg(p.table).arg(before));
                counts.append(QString::fromUtf8(p.kind->label) + p.table.right(4) + QStringLiteral(": ") + QString::number(added) +
                              (p.replace ? QStringLiteral(" (thay %1)").arg(removed) : QString()));
            }
        });
    } catch (const engine::DbError& e) {
        app.RecordFailure(e);
        OpenYearTables(app);
        app.Message(QStringLiteral("Gặp lỗi khi đang ghép dữ liệu!") + kCRLF + QStringLiteral("Cần kiểm tra và thực hiện lại nếu cần!"));
        return;
    }
    OpenYearTables(app);
    QString done = documents ? QStringLiteral("Đã nhập xong dữ liệu công văn cũ!") : QStringLiteral("Đã nhập xong dữ liệu về kế hoạch, lịch công tác cũ!");
    if (!counts.isEmpty()) done += kCRLF + counts.join(kCRLF);
    app.Message(done);
}

void importReferenceLists(App& app, const QString& sourcePath)
{
    struct Ref {
        const char* table;
        engine::Database* db;
        QString path;
    } refs[] = {{"donvi", app.PlanRefDb.get(), app.PlanRefFile}, {"bophan", app.PlanRefDb.get(), app.PlanRefFile},
                {"noigui", app.DocRefDb.get(), app.DocRefFile},  {"chutat", app.LocalRefDb.get(), app.LocalRefFile},
                {"loaicv", app.DocRefDb.get(), app.DocRefFile},  {"nguoidung", app.PlanRefDb.get(), app.PlanRefFile}};
    QStringList counts, failed;
    {
        engine::Database source(sourcePath, engine::Database::Access::ReadOnly);
        Progress progress(QStringLiteral("Đang nhập các bảng tham khảo..."), 6);
        for (const Ref& r : refs) {
            const QString table = QLatin1String(r.table);
            progress.step(QStringLiteral("Đang nhập bảng ") + table);
            // Each list goes into the file it is read from; a list of the chosen file itself is left.
            if (!r.db || SameFile(r.path, sourcePath)) continue;
            try {
                counts.append(table + QStringLiteral(": ") + QString::number(MergeReferenceTable(table, source, *r.db)));
            } catch (const engine::DbError& e) {
                app.RecordFailure(e);
                failed.append(table);
            }
        }
    }
    try {
        OpenReferenceLists(app);
    } catch (const engine::DbError& e) {
        app.RecordFailure(e);
    }
    QString done = QStringLiteral("Đã nhập xong các bảng tham khảo!");
    if (!counts.isEmpty()) done += kCRLF + counts.join(kCRLF);
    if (!failed.isEmpty()) done += kCRLF + QStringLiteral("Không nhập được: ") + failed.join(QStringLiteral(", "));
    app.Message(done);
}

}  // namespace

long MergeReferenceTable(const QString& table, engine::Database& source, engine::Database& target)
{
    static const std::map<QString, QStringList> keys = {
        {QStringLiteral("donvi"), {QStringLiteral("tendonvi")}},       {QStringLiteral("bophan"), {QStringLiteral("phong"), QStringLiteral("donvi")}},
        {QStringLiteral("noigui"), {QStringLiteral("tendonvi")}},      {QStringLiteral("chutat"), {QStringLiteral("chudu"), QStringLiteral("chutat")}},
        {QStringLiteral("loaicv"), {QStringLiteral("loai")}},          {QStringLiteral("nguoidung"), {QStringLiteral("hoten")}}};
    const auto k = keys.find(table.toLower());
    if (k == keys.end() || !source.HasTable(table) || !target.HasTable(table)) return 0;
    if (countOf(source, QStringLiteral("select count(*) as n from ") + table) == 0) return 0;
    const QString fields = sharedFields(target.TableDefOf(table), source.TableDefOf(table)).join(QLatin1Char(','));
    const QString key = keyExpression(k->second);
    const QString src = engine::escapeQuotes(source.Name());
    const auto attached = target.KeepAttached(source.Name());
    long added = 0;
    target.WriteTransaction([&] {
        const long before = countOf(target, QStringLiteral("select max(id) as n from ") + table);
        // One row per key: the first of the source's rows that carry it.
        added = target.Execute(QStringLiteral("insert into %1 (%3) select %3 from %1 in '%2' where id IN (select min(id) from %1 in '%2' group by %4) "
                                              "and %4 not IN (select %4 from %1) order by id")
                                   .arg(table, src, fields, key));
        // A department added here belongs to the unit of its name in this file.
        if (table.toLower() == QLatin1String("bophan"))
            target.Execute(QStringLiteral("update bophan set donviid = (select min(donvi.id) from donvi where donvi.tendonvi = bophan.donvi) where id > %1")
                               .arg(before));
    });
    return added;
}

void ImportOldDataChecked(App& app, const QString& kind)
{
    const bool reference = kind == QLatin1String("tk");
    const QString target = kind == QLatin1String("cv") ? app.DocFile : kind == QLatin1String("lich") ? app.PlanFile : app.PlanRefFile;
    // Only files of this computer are changed: the reference lists go into each reference file
    // they are read from, so every one of those must lie in the program's folder.
    QStringList changed{target};
    if (reference) {
        if (app.DocRefDb) changed.append(app.DocRefFile);
        if (app.LocalRefDb) changed.append(app.LocalRefFile);
    }
    const QString folder = QFileInfo(app.AppFolder).absoluteFilePath() + QLatin1Char('/');
    for (const QString& file : changed) {
        if (QFileInfo(file).absoluteFilePath().startsWith(folder)) continue;
        app.Message(QStringLiteral("Chỉ được phép nhập dữ liệu vào file dữ liệu đang dùng nằm trong thư mục ") + app.AppFolder +
                    QStringLiteral("/data của máy tính này."));
        return;
    }
    const char* title = reference ? "Chon file du lieu tham khao zelttk.mdb"
                        : kind == QLatin1String("cv") ? "Chon file cong van zeltcv.mdb"
                                                      : "Chon file ke hoach, lich cong tac zeltlich.mdb";
    const char* filter = reference ? "File zelttk.MDB (*.MDB *.mdb);;All (*)"
                         : kind == QLatin1String("cv") ? "File zeltcv.MDB (*.MDB *.mdb);;All (*)"
                                                       : "File zeltlich.MDB (*.MDB *.mdb);;All (*)";
    QString path;
    for (;;) {
        path = app.modal().openFileName(QApplication::activeWindow(), QLatin1String(title), app.DataFile(QString()), QLatin1String(filter));
        if (path.isEmpty()) return;
        if (SameFile(path, target)) {
            app.Message(QStringLiteral("File vừa chọn là file dữ liệu đang dùng, không nhập vào chính nó được."));
            return;
        }
        if (QWidget* w = QApplication::activeWindow()) w->repaint();
        try {
            engine::Database source(path, engine::Database::Access::ReadOnly);
            if (!holdsKind(source, kind)) throw engine::DbError(engine::ErrTableNotFound, QStringLiteral("no tables of the kind"));
            break;
        } catch (const engine::DbError& e) {
            // Files of other programs, damaged files and data files of the old format: the clerk
            // chooses again or cancels.
            app.RecordFailure(e);
            app.Message(QStringLiteral("File vừa chọn bị lỗi không dùng được.") +
                        QStringLiteral("Cần chọn lại file khác hoặc bấm nút Cancel để kết thúc"));
        }
    }
    if (reference) importReferenceLists(app, path);
    else importYearTables(app, kind, path);
}

void ImportOldData(App& app, const QString& kind)
{
    if (KiemtraQuyenQuantri(app, QStringLiteral("q")).isEmpty()) return;
    ImportOldDataChecked(app, kind);
}

void InstallImport(App& app)
{
    app.Openers[QStringLiteral("mnunhapdulieucv")] = [](App& a) { ImportOldData(a, QStringLiteral("cv")); };
    app.Openers[QStringLiteral("mnunhapdulieulich")] = [](App& a) { ImportOldData(a, QStringLiteral("lich")); };
    app.Openers[QStringLiteral("mnunhapbangthamkhao")] = [](App& a) { ImportOldData(a, QStringLiteral("tk")); };
}

}  // namespace korvane
