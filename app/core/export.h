// A list handed to a spreadsheet ("Xuất Excel"): the columns the list prints, its rows in its own
// order (only the marked ones when some are marked), written as an XLSX workbook or as CSV.
//
// Dates are real dates: a column whose rows hold a yyyymmdd twin ("ng_den" and "ng_denchuan")
// takes its date from the twin; any other text that is a whole dd/mm/yyyy date becomes one too.
// An XLSX date cell carries the format dd/mm/yyyy; CSV writes it as yyyy-mm-dd, which every
// spreadsheet program reads as a date whatever its language. Numbers stay numbers, yes/no columns
// print "X" as the report does, everything else is the text as stored.
//
// A file is first written beside its destination under a hidden name and takes the name asked
// for only when it is whole: a failure (a folder that cannot be written, a full disk) leaves no
// file that looks complete.
#pragma once

#include "app.h"
#include "formkit.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

class QWidget;

namespace korvane {

struct ExportColumn {
    QString heading;   // the column's caption
    QString field;     // the field of the rows
    bool yesNo = false;  // "X" for a true value, nothing otherwise
};

enum class ExportFormat { Xlsx, Csv };

// Why a file could not be written, in Vietnamese.
class ExportError : public std::runtime_error {
public:
    explicit ExportError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// The columns a report template prints, in its order; the blank columns left for handwriting are
// none of them. Throws report::ReportError when the template cannot be read.
QList<ExportColumn> TemplateColumns(const QString& path);
// The columns a grid shows, but its print-mark column.
QList<ExportColumn> GridColumns(const DBGrid& grid, const QString& markField = QStringLiteral("chonin"));

// CSV for a name ending in ".csv" (any case), else XLSX.
ExportFormat FormatOf(const QString& path);

// The rows handed to a file, one after another.
class ExportSource {
public:
    virtual ~ExportSource() = default;
    virtual QStringList FieldNames() const = 0;
    // The next row becomes current (the first, at the first call); false after the last.
    virtual bool Next() = 0;
    // A field of the current row, by its place in FieldNames().
    virtual QVariant Value(int field) const = 0;
};

// The rows of a record set from its first to its last; only those whose "id" `marks` holds when
// it is given and holds any.
class RecordsetSource : public ExportSource {
public:
    explicit RecordsetSource(std::unique_ptr<engine::Recordset> rows, const PrintMarks* marks = nullptr);
    ~RecordsetSource() override;
    QStringList FieldNames() const override { return names_; }
    bool Next() override;
    QVariant Value(int field) const override;

private:
    std::unique_ptr<engine::Recordset> rows_;
    const PrintMarks* marks_;
    QStringList names_;
    bool started_ = false;
};

// The rows of `table` of `db` whose ids `ids` lists, in that order, read a few hundred at a time
// as the file holds them now (a row deleted meanwhile is none): a long list never lies whole in
// memory, as it would in one record set.
class LotSource : public ExportSource {
public:
    LotSource(engine::Database& db, const QString& table, std::vector<qlonglong> ids);
    ~LotSource() override;
    QStringList FieldNames() const override { return names_; }
    bool Next() override;
    QVariant Value(int field) const override;

private:
    void readLot();

    engine::Database& db_;
    QString table_;
    std::vector<qlonglong> ids_;
    std::size_t next_ = 0;  // the first id not yet read
    QStringList names_;
    std::vector<std::vector<QVariant>> lot_;  // the rows read, in the order of ids_
    std::size_t at_ = 0;  // the current row of lot_, plus one
};

// The source of a list read with `statement` from `table` of `db`, `marks` (when it holds any)
// choosing the rows: read in lots when the statement reads every column of that table (its
// "SELECT * FROM"), else as one record set.
std::unique_ptr<ExportSource> ListSource(engine::Database& db, const QString& statement, const QString& table, const PrintMarks* marks);

// Writes `columns` of every row of `rows` into `path`. How many rows were written. Throws
// ExportError when the file cannot be written and the engine's failure when the rows cannot be
// read; the file at `path` is then as it was before.
long ExportRows(const QString& path, ExportFormat format, const QList<ExportColumn>& columns, ExportSource& rows);

// What the button "Xuất Excel" does: asks where the file goes (through the same file dialog as a
// PDF of a print, `suggested` offered, XLSX or CSV), reads the rows with `open`, writes the file
// and opens it with the desktop's program. Every failure is said on screen; false when nothing
// was written.
bool AskAndExport(App& app, QWidget* window, const QString& suggested, const QList<ExportColumn>& columns,
                  const std::function<std::unique_ptr<ExportSource>()>& open);

// "Xuất Excel" of a list shown in `grid` over `source` (a reference list): the grid's columns,
// the rows of the source's statement read anew on its file, in its order.
bool ExportGrid(App& app, QWidget* window, const DataSource& source, const DBGrid& grid, const QString& suggested);

}  // namespace korvane
