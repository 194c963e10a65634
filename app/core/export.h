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

#include <functional>
#include <memory>
#include <stdexcept>

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

// Writes `columns` of the rows of `rows`, from the first to the last, into `path`: those `keep`
// lets through (every row when it is empty). How many rows were written. Throws ExportError when
// the file cannot be written and the engine's failure when the rows cannot be read; the file at
// `path` is then as it was before.
using ExportFilter = std::function<bool(const engine::Recordset&)>;
long ExportRows(const QString& path, ExportFormat format, const QList<ExportColumn>& columns, engine::Recordset& rows,
                const ExportFilter& keep = {});

// What the button "Xuất Excel" does: asks where the file goes (through the same file dialog as a
// PDF of a print, `suggested` offered, XLSX or CSV), reads the rows with `open`, keeps the rows
// `marks` holds when it holds any (by their "id"), writes the file and opens it with the desktop's
// program. Every failure is said on screen; false when nothing was written.
bool AskAndExport(App& app, QWidget* window, const QString& suggested, const QList<ExportColumn>& columns,
                  const std::function<std::unique_ptr<engine::Recordset>()>& open, const PrintMarks* marks = nullptr);

// "Xuất Excel" of a list shown in `grid` over `source` (a reference list): the grid's columns,
// the rows of the source's statement read anew on its file, in its order.
bool ExportGrid(App& app, QWidget* window, const DataSource& source, const DBGrid& grid, const QString& suggested);

}  // namespace korvane
