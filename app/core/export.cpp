#include "export.h"

#include "dberror.h"
#include "recordset.h"
#include "report.h"
#include "template.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <vector>

namespace korvane {

namespace {

// A spreadsheet cell holds at most this many characters.
constexpr qsizetype kMaxCellText = 32767;
// Column widths, in characters of the default font.
constexpr int kMinWidth = 6, kMaxWidth = 60, kDateWidth = 11;

struct Cell {
    enum Kind { Empty, Text, Number, Date } kind = Empty;
    QString text;
    double number = 0;
    QDate date;
};

bool IsTrue(const QVariant& v)
{
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    const QString t = v.toString().trimmed().toLower();
    return t == QLatin1String("-1") || t == QLatin1String("1") || t == QLatin1String("true") || t == QLatin1String("yes");
}

bool IsNumber(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

// A text that is a whole date as the registers write it, "05/03/2026" (one-digit day and month
// too); invalid otherwise.
QDate DateOfText(const QString& text)
{
    static const QRegularExpression date(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"));
    const QRegularExpressionMatch m = date.match(text.trimmed());
    if (!m.hasMatch()) return {};
    return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
}

// Where each column's value comes from in the rows read: the place of its field and of its
// yyyymmdd twin (-1 when it has none) among the rows' fields.
struct Source {
    int field = -1, twin = -1;
    bool yesNo = false;
};

std::vector<Source> Sources(const QList<ExportColumn>& columns, const ExportSource& rows)
{
    const QStringList names = rows.FieldNames();
    auto place = [&](const QString& wanted) {
        for (int i = 0; i < names.size(); ++i)
            if (names[i].compare(wanted, Qt::CaseInsensitive) == 0) return i;
        return -1;
    };
    std::vector<Source> out;
    for (const ExportColumn& c : columns) {
        const Source s{place(c.field), place(c.field + QStringLiteral("chuan")), c.yesNo};
        if (s.field < 0) throw ExportError(QStringLiteral("Danh sách không có cột '%1' để xuất.").arg(c.field));
        out.push_back(s);
    }
    return out;
}

Cell CellOf(const ExportSource& rows, const Source& s)
{
    const QVariant v = rows.Value(s.field);
    Cell c;
    if (s.yesNo) {
        if (IsTrue(v)) c = {Cell::Text, QStringLiteral("X"), 0, {}};
        return c;
    }
    if (v.isNull()) return c;
    if (v.typeId() == QMetaType::Bool) {
        if (v.toBool()) c = {Cell::Text, QStringLiteral("X"), 0, {}};
        return c;
    }
    if (IsNumber(v)) {
        c.kind = Cell::Number;
        c.number = v.toDouble();
        c.text = v.toString();
        return c;
    }
    c.text = v.toString();
    if (c.text.isEmpty()) return c;
    c.kind = Cell::Text;
    QDate d;
    if (s.twin >= 0) {
        const QString twin = rows.Value(s.twin).toString().trimmed();
        if (twin.size() == 8) d = QDate::fromString(twin, QStringLiteral("yyyyMMdd"));
    }
    if (!d.isValid()) d = DateOfText(c.text);
    if (d.isValid()) {
        c.kind = Cell::Date;
        c.date = d;
    }
    return c;
}

// The width a text needs: its longest line.
int TextWidth(const QString& text)
{
    int widest = 0, line = 0;
    for (QChar ch : text) {
        if (ch == QLatin1Char('\n') || ch == QLatin1Char('\r')) {
            line = 0;
            continue;
        }
        widest = std::max(widest, ++line);
    }
    return widest;
}

QString CannotWrite(const QString& path)
{
    return QStringLiteral("Không ghi được file %1 .\r\nThư mục này không cho ghi hoặc đĩa đã đầy; hãy chọn chỗ khác.")
        .arg(QDir::toNativeSeparators(path));
}

// ---- CSV -----------------------------------------------------------------------------------

QByteArray CsvField(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.contains('"') || bytes.contains(',') || bytes.contains('\n') || bytes.contains('\r'))
        bytes = '"' + bytes.replace("\"", "\"\"") + '"';
    return bytes;
}

long WriteCsv(const QString& path, const QList<ExportColumn>& columns, ExportSource& rows)
{
    // QSaveFile writes beside the destination and takes its name only at commit().
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw ExportError(CannotWrite(path));
    const std::vector<Source> sources = Sources(columns, rows);
    QByteArray line("\xEF\xBB\xBF");
    auto endLine = [&] {
        line += "\r\n";
        if (file.write(line) != line.size()) {
            file.cancelWriting();
            throw ExportError(CannotWrite(path));
        }
        line.clear();
    };
    for (qsizetype i = 0; i < columns.size(); ++i) line += (i ? "," : "") + CsvField(columns[i].heading);
    endLine();
    long written = 0;
    while (rows.Next()) {
        for (std::size_t i = 0; i < sources.size(); ++i) {
            if (i) line += ',';
            const Cell c = CellOf(rows, sources[i]);
            if (c.kind == Cell::Date) line += c.date.toString(Qt::ISODate).toLatin1();
            else line += CsvField(c.text);
        }
        endLine();
        ++written;
    }
    if (!file.commit()) throw ExportError(CannotWrite(path));
    return written;
}

// ---- XLSX ----------------------------------------------------------------------------------

long WriteXlsx(const QString& path, const QList<ExportColumn>& columns, ExportSource& rows)
{
    const std::vector<Source> sources = Sources(columns, rows);
    // The workbook is written under a hidden name in the destination's folder and renamed when
    // whole; the temporary file reserves that name and removes it on every way out.
    const QFileInfo target(path);
    QTemporaryFile part(target.absoluteDir().filePath(QStringLiteral(".") + target.fileName() + QStringLiteral(".XXXXXX")));
    if (!part.open()) throw ExportError(CannotWrite(path));
    part.close();
    // Readable by others as a file saved by hand is, not private as a temporary file.
    part.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    const QByteArray partName = QFile::encodeName(part.fileName());

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;  // each row goes to disk when the next one starts
    lxw_workbook* book = workbook_new_opt(partName.constData(), &options);
    if (!book) throw ExportError(CannotWrite(path));
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Danh sách");
    lxw_format* heading = workbook_add_format(book);
    format_set_bold(heading);
    lxw_format* dated = workbook_add_format(book);
    format_set_num_format(dated, "dd/mm/yyyy");

    std::vector<int> widths;
    lxw_error failure = LXW_NO_ERROR;
    auto check = [&](lxw_error e) {
        // Text longer than a cell holds was cut to fit; anything else is a failure to write.
        if (e != LXW_NO_ERROR && e != LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED && failure == LXW_NO_ERROR) failure = e;
    };
    for (qsizetype i = 0; i < columns.size(); ++i) {
        check(worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(i), columns[i].heading.toUtf8().constData(), heading));
        widths.push_back(std::max(kMinWidth, TextWidth(columns[i].heading) + 2));
    }
    worksheet_freeze_panes(sheet, 1, 0);
    long written = 0;
    try {
        while (failure == LXW_NO_ERROR && rows.Next()) {
            const auto r = static_cast<lxw_row_t>(written + 1);
            for (std::size_t i = 0; i < sources.size(); ++i) {
                const Cell c = CellOf(rows, sources[i]);
                const auto col = static_cast<lxw_col_t>(i);
                switch (c.kind) {
                case Cell::Empty:
                    break;
                case Cell::Number:
                    check(worksheet_write_number(sheet, r, col, c.number, nullptr));
                    widths[i] = std::max(widths[i], static_cast<int>(c.text.size()) + 2);
                    break;
                case Cell::Date: {
                    lxw_datetime when{c.date.year(), static_cast<uint8_t>(c.date.month()), static_cast<uint8_t>(c.date.day()), 0, 0, 0};
                    check(worksheet_write_datetime(sheet, r, col, &when, dated));
                    widths[i] = std::max(widths[i], kDateWidth + 1);
                    break;
                }
                case Cell::Text:
                    check(worksheet_write_string(sheet, r, col, c.text.left(kMaxCellText).toUtf8().constData(), nullptr));
                    widths[i] = std::max(widths[i], TextWidth(c.text) + 2);
                    break;
                }
            }
            ++written;
        }
    } catch (...) {
        workbook_close(book);  // frees it; the part file goes with `part`
        throw;
    }
    for (std::size_t i = 0; i < widths.size(); ++i)
        worksheet_set_column(sheet, static_cast<lxw_col_t>(i), static_cast<lxw_col_t>(i), std::min(widths[i], kMaxWidth), nullptr);
    check(workbook_close(book));
    if (failure != LXW_NO_ERROR || std::rename(partName.constData(), QFile::encodeName(path).constData()) != 0)
        throw ExportError(CannotWrite(path));
    part.setAutoRemove(false);  // it is the destination now
    return written;
}

}  // namespace

QList<ExportColumn> TemplateColumns(const QString& path)
{
    QList<ExportColumn> out;
    for (const report::Column& c : report::ReadTemplate(path).columns)
        if (!c.field.isEmpty()) out.append({c.heading, c.field, c.yesNo});
    return out;
}

QList<ExportColumn> GridColumns(const DBGrid& grid, const QString& markField)
{
    QList<ExportColumn> out;
    for (const RecordsetModel::Column& c : grid.Columns())
        if (c.field.compare(markField, Qt::CaseInsensitive) != 0) out.append({c.header, c.field});
    return out;
}

ExportFormat FormatOf(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0 ? ExportFormat::Csv : ExportFormat::Xlsx;
}

// ---- Sources -------------------------------------------------------------------------------

RecordsetSource::RecordsetSource(std::unique_ptr<engine::Recordset> rows, const PrintMarks* marks)
    : rows_(std::move(rows)), marks_(marks && !marks->Empty() ? marks : nullptr), names_(rows_->FieldNames())
{
}

RecordsetSource::~RecordsetSource() = default;

bool RecordsetSource::Next()
{
    do {
        if (started_) rows_->MoveNext();
        else if (rows_->RecordCount() > 0) rows_->MoveFirst();
        started_ = true;
    } while (marks_ && !rows_->Eof() && !marks_->Has(rows_->Field(QStringLiteral("id")).toLongLong()));
    return !rows_->Eof();
}

QVariant RecordsetSource::Value(int field) const { return rows_->Field(names_[field]); }

namespace {

// A statement names a few hundred ids at most.
constexpr std::size_t kLot = 500;

}  // namespace

LotSource::LotSource(engine::Database& db, const QString& table, std::vector<qlonglong> ids) : db_(db), table_(table), ids_(std::move(ids))
{
    names_ = db_.OpenRecordset(QStringLiteral("SELECT * FROM ") + table_ + QStringLiteral(" WHERE id = 0"), engine::RecordsetType::Snapshot)->FieldNames();
}

LotSource::~LotSource() = default;

void LotSource::readLot()
{
    lot_.clear();
    at_ = 0;
    const std::size_t end = std::min(ids_.size(), next_ + kLot);
    QStringList listed;
    for (std::size_t i = next_; i < end; ++i) listed.append(QString::number(ids_[i]));
    auto rows = db_.OpenRecordset(QStringLiteral("SELECT * FROM ") + table_ + QStringLiteral(" WHERE id IN (") + listed.join(QLatin1Char(',')) +
                                      QLatin1Char(')'),
                                  engine::RecordsetType::Snapshot);
    std::unordered_map<qlonglong, std::vector<QVariant>> byId;
    for (; !rows->Eof(); rows->MoveNext()) {
        std::vector<QVariant> row;
        row.reserve(static_cast<std::size_t>(names_.size()));
        for (const QString& n : names_) row.push_back(rows->Field(n));
        byId.emplace(rows->Field(QStringLiteral("id")).toLongLong(), std::move(row));
    }
    for (std::size_t i = next_; i < end; ++i)
        if (auto it = byId.find(ids_[i]); it != byId.end()) lot_.push_back(std::move(it->second));
    next_ = end;
}

bool LotSource::Next()
{
    while (at_ >= lot_.size()) {
        if (next_ >= ids_.size()) return false;
        readLot();
    }
    ++at_;
    return true;
}

QVariant LotSource::Value(int field) const { return lot_[at_ - 1][static_cast<std::size_t>(field)]; }

std::unique_ptr<ExportSource> ListSource(engine::Database& db, const QString& statement, const QString& table, const PrintMarks* marks)
{
    static const QRegularExpression selectAll(QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch all = selectAll.match(statement);
    if (!all.hasMatch() || table.isEmpty())
        return std::make_unique<RecordsetSource>(db.OpenRecordset(statement, engine::RecordsetType::Snapshot), marks);
    // The ids in the list's order, then the rows a lot at a time.
    auto read = db.OpenRecordset(QStringLiteral("SELECT id FROM ") + statement.mid(all.capturedEnd()), engine::RecordsetType::Snapshot);
    std::vector<qlonglong> ids;
    ids.reserve(static_cast<std::size_t>(read->RecordCount()));
    for (; !read->Eof(); read->MoveNext()) {
        const qlonglong id = read->Field(QStringLiteral("id")).toLongLong();
        if (!marks || marks->Empty() || marks->Has(id)) ids.push_back(id);
    }
    return std::make_unique<LotSource>(db, table, std::move(ids));
}

long ExportRows(const QString& path, ExportFormat format, const QList<ExportColumn>& columns, ExportSource& rows)
{
    return format == ExportFormat::Csv ? WriteCsv(path, columns, rows) : WriteXlsx(path, columns, rows);
}

bool AskAndExport(App& app, QWidget* window, const QString& suggested, const QList<ExportColumn>& columns,
                  const std::function<std::unique_ptr<ExportSource>()>& open)
{
    QString path = app.modal().saveFileName(window, QStringLiteral("Xuất danh sách ra bảng tính"), suggested,
                                            QStringLiteral("Bảng tính Excel (*.xlsx);;CSV UTF-8 (*.csv)"));
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".xlsx");
    QString failure;
    long written = 0;
    {
        BusyCursor busy;
        try {
            auto rows = open();
            written = ExportRows(path, FormatOf(path), columns, *rows);
        } catch (const engine::DbError& e) {
            app.RecordFailure(e);
            failure = QStringLiteral("Lỗi dữ liệu : ") + e.description();
        } catch (const ExportError& e) {
            failure = e.message();
        }
    }
    if (!failure.isEmpty()) {
        app.Message(failure);
        return false;
    }
    if (!app.modal().openDocument(path))
        app.Message(QStringLiteral("Đã ghi %1 dòng vào file %2 .").arg(written).arg(QDir::toNativeSeparators(path)));
    return true;
}

bool ExportGrid(App& app, QWidget* window, const DataSource& source, const DBGrid& grid, const QString& suggested)
{
    if (!source.Database || source.Count() == 0) {
        app.Message(QStringLiteral("Danh sách chưa có dòng nào để xuất !"));
        return false;
    }
    engine::Database* db = source.Database;
    const QString sql = source.RecordSource;
    return AskAndExport(app, window, suggested, GridColumns(grid),
                        [db, sql] { return std::make_unique<RecordsetSource>(db->OpenRecordset(sql, engine::RecordsetType::Snapshot)); });
}

}  // namespace korvane
