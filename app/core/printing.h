// One run of the report engine for the windows that print: the template of the data folder, the
// destination, the preview window placed from the active window, the margin the clerk typed and
// the formulas of the subtitle and the organisation's name.
#pragma once

#include "app.h"
#include "report.h"

#include <QRect>
#include <QString>

class QWidget;

namespace korvane {

class PrintMarks;

struct PrintJob {
    QString templateName;  // a file of the data folder, "brcvden.rpt"
    QString subtitle;      // formula 0, "lbltd1"
    QString marginText;    // the margin box, in millimetres
    QWidget* window = nullptr;  // the active window, where the preview is placed from
    ReportTarget target = ReportTarget::Preview;
    QString pdfFile;       // for ReportTarget::Pdf
    engine::Database* organisation = nullptr;  // holds "tendonvi", the organisation's name
    // When set, the rows are read with this SELECT, from the data file the template names, in
    // place of the template's own source: a list prints the rows it was opened with, whatever
    // another clerk has since saved under the saved query the template reads.
    QString sourceSql;
};

// The path of a template of the data folder.
QString TemplatePath(const App& app, const QString& name);
// The margin typed in millimetres as twips, when it is a number above 0 and below 30; else -1.
int MarginTwips(const QString& text);
// Where the preview goes: 7% of the window's left and top, 6% of its width and height, the
// window's place counted in twips (15 to a pixel) and the result in pixels; empty (the report's
// own placing) when that would be smaller than 480 by 320.
QRect PreviewRect(const QWidget* window);
// The report's rows, read from the open data files: "temp", "doc" and "plan".
report::RowReader DataFileReader(App& app);
// Runs the report; a failure of the engine or of the template is shown and gives false.
bool RunPrintJob(App& app, const PrintJob& job);
// The print of a window: asks where it goes ("Có muốn xem trước khi in không ?") and, for a
// PDF, the file's name, `pdfName` offered; then prints `templateName` with `subtitle` and the
// margin `marginText` from `window`, the organisation's name read from the documents' reference
// file, the rows read with `sourceSql` when it is given (see PrintJob). False when the clerk gave
// up or nothing was printed.
bool AskAndPrint(App& app, QWidget* window, const QString& templateName, const QString& subtitle, const QString& marginText,
                 const QString& pdfName, const QString& sourceSql = {});

// Keeps `sql` under the saved query `name` of `db` (made when missing), in one write.
void KeepQuery(engine::Database& db, const QString& name, const QString& sql);
// Empties the print table `table` of `temp` and copies `rows` (none when null) into it: the
// columns the two have in common, but the table's counter. In one write; how many rows.
long FillPrintTable(engine::Database& temp, const QString& table, engine::Recordset* rows);
// Empties the print table `table` of `temp` and copies into it the rows of `source`, a table of
// `db`, that `marks` holds, read from the file as it is now, their print mark "X": what the clerk
// marked in their own list, whatever other clerks mark meanwhile. The ids are read a few hundred
// at a time, in ascending order, each lot in the order `orderBy` gives; the templates sort the
// print themselves. In one write of `temp`; how many rows (a marked row another clerk has since
// deleted is none).
long FillPrintTable(engine::Database& temp, const QString& table, engine::Database& db, const QString& source, const PrintMarks& marks,
                    const QString& orderBy);

}  // namespace korvane
