#include "printing.h"

#include "formkit.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

#include <cmath>

namespace korvane {

QString TemplatePath(const App& app, const QString& name) { return app.DataFile(name); }

int MarginTwips(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || v <= 0 || v >= 30) return -1;
    return static_cast<int>(std::lround(v * 1440 / 25));
}

QRect PreviewRect(const QWidget* window)
{
    if (!window) return {};
    const QRect g = window->frameGeometry();
    auto scaled = [](int pixels, double factor) { return static_cast<int>(std::lround(pixels * 15.0 * factor)); };
    const QRect r(scaled(g.x(), 0.07), scaled(g.y(), 0.07), scaled(g.width(), 0.06), scaled(g.height(), 0.06));
    // A preview too small to read a page in is no use: the report engine's own size then.
    if (r.width() < 480 || r.height() < 320) return {};
    return r;
}

report::RowReader DataFileReader(App& app)
{
    return [&app](const QString& fileKey, const QString& sql) {
        engine::Database* db = fileKey == QLatin1String("temp") ? app.TempDb.get()
                               : fileKey == QLatin1String("doc") ? app.DocDb.get()
                               : fileKey == QLatin1String("plan") ? app.PlanDb.get()
                                                                  : nullptr;
        if (!db) throw report::ReportError(QStringLiteral("Mẫu in đòi file dữ liệu '%1', chương trình không có file này.").arg(fileKey));
        auto rs = db->OpenRecordset(sql, engine::RecordsetType::Snapshot);
        report::Table table;
        table.fields = rs->FieldNames();
        table.rows.reserve(static_cast<std::size_t>(rs->RecordCount()));
        for (; !rs->Eof(); rs->MoveNext()) {
            QStringList row;
            row.reserve(table.fields.size());
            for (const QString& f : table.fields) row.append(rs->Field(f).toString());
            table.rows.push_back(std::move(row));
        }
        return table;
    };
}

bool RunPrintJob(App& app, const PrintJob& job)
{
    try {
        report::Report r;
        r.ReportFileName = TemplatePath(app, job.templateName);
        r.Target = job.target == ReportTarget::Printer ? report::Destination::Printer
                   : job.target == ReportTarget::Pdf   ? report::Destination::Pdf
                                                       : report::Destination::Preview;
        r.PdfFile = job.pdfFile;
        r.WindowRect = PreviewRect(job.window);
        const int margin = MarginTwips(job.marginText);
        if (margin > 0) r.MarginLeftTwips = r.MarginRightTwips = margin;
        r.SetFormula(0, QStringLiteral("lbltd1 = '") + job.subtitle + QLatin1Char('\''));
        if (job.organisation) {
            auto org = job.organisation->OpenRecordset(QStringLiteral("select * from tendonvi"), engine::RecordsetType::Snapshot);
            if (!org->Eof()) {
                r.SetFormula(1, QStringLiteral("tencaptren = '") + org->Field(QStringLiteral("tencaptren")).toString() + QLatin1Char('\''));
                r.SetFormula(2, QStringLiteral("tendonvi = '") + org->Field(QStringLiteral("tendonvi")).toString() + QLatin1Char('\''));
            }
        }
        r.Reader = DataFileReader(app);
        if (!job.sourceSql.isEmpty())
            r.Reader = [read = r.Reader, sql = job.sourceSql](const QString& fileKey, const QString&) { return read(fileKey, sql); };
        r.RunModal = [&app](QDialog& d) { return app.modal().runModal(d); };
        r.Run(job.window);
        return true;
    } catch (const engine::DbError& e) {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        app.RecordFailure(e);
        app.Message(QStringLiteral("Lỗi dữ liệu : ") + e.description());
    } catch (const report::ReportError& e) {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        app.Message(QStringLiteral("Không in được : ") + e.message());
    }
    return false;
}

bool AskAndPrint(App& app, QWidget* window, const QString& templateName, const QString& subtitle, const QString& marginText,
                 const QString& pdfName, const QString& sourceSql)
{
    PrintJob job;
    job.target = app.modal().reportDestination();
    if (job.target == ReportTarget::Cancel) return false;
    if (job.target == ReportTarget::Pdf) {
        job.pdfFile = app.modal().saveFileName(window, QStringLiteral("Lưu bản in"), pdfName, QStringLiteral("PDF (*.pdf)"));
        if (job.pdfFile.isEmpty()) return false;
    }
    job.templateName = templateName;
    job.subtitle = subtitle;
    job.marginText = marginText;
    job.window = window;
    job.organisation = app.DocRefDb.get();
    job.sourceSql = sourceSql;
    return RunPrintJob(app, job);
}

void KeepQuery(engine::Database& db, const QString& name, const QString& sql)
{
    db.WriteTransaction([&] {
        if (db.HasQueryDef(name)) db.SetQueryDefSql(name, sql);
        else db.CreateQueryDef(name, sql);
    });
}

namespace {

// Appends `rows` to the print table open in `out`: the columns the two have in common, but the
// table's counter; the print mark "X" when `marked`. How many rows.
long copyRows(engine::Recordset& out, engine::Recordset& rows, bool marked)
{
    QStringList columns;
    const QStringList read = rows.FieldNames();
    for (const QString& c : out.FieldNames())
        if (!out.FieldInfo(c).isCounter() && read.contains(c, Qt::CaseInsensitive)) columns.append(c);
    const QString mark = QStringLiteral("chonin");
    const bool setMark = marked && out.FieldNames().contains(mark, Qt::CaseInsensitive);
    long copied = 0;
    for (; !rows.Eof(); rows.MoveNext()) {
        out.AddNew();
        for (const QString& c : columns) out.SetField(c, rows.Field(c));
        if (setMark) out.SetField(mark, QStringLiteral("X"));
        out.Update();
        ++copied;
    }
    return copied;
}

}  // namespace

long FillPrintTable(engine::Database& temp, const QString& table, engine::Recordset* rows)
{
    long copied = 0;
    temp.WriteTransaction([&] {
        temp.Execute(QStringLiteral("DELETE * FROM ") + table + QStringLiteral(" ;"));
        if (!rows) return;
        auto out = temp.OpenRecordset(table, engine::RecordsetType::Dynaset);
        copied = copyRows(*out, *rows, false);
    });
    return copied;
}

long FillPrintTable(engine::Database& temp, const QString& table, engine::Database& db, const QString& source, const PrintMarks& marks,
                    const QString& orderBy)
{
    // A statement names a few hundred ids at most, however many rows "Chọn tất" marked.
    constexpr int kLot = 500;
    std::vector<std::unique_ptr<engine::Recordset>> lots;
    QStringList ids;
    auto readLot = [&] {
        lots.push_back(db.OpenRecordset(QStringLiteral("SELECT * FROM ") + source + QStringLiteral(" WHERE id IN (") + ids.join(QLatin1Char(',')) +
                                            QStringLiteral(") ORDER BY ") + orderBy,
                                        engine::RecordsetType::Snapshot));
        ids.clear();
    };
    for (qlonglong id : marks.Ids()) {
        ids.append(QString::number(id));
        if (ids.size() == kLot) readLot();
    }
    if (!ids.isEmpty()) readLot();
    long copied = 0;
    temp.WriteTransaction([&] {
        temp.Execute(QStringLiteral("DELETE * FROM ") + table + QStringLiteral(" ;"));
        auto out = temp.OpenRecordset(table, engine::RecordsetType::Dynaset);
        for (const auto& rows : lots) copied += copyRows(*out, *rows, true);
    });
    return copied;
}

}  // namespace korvane
