// The report engine: a template in data/*.rpt names its rows and lays them out as a table with
// a header, column headings on every page and a page footer; the pages go to a preview window,
// the default printer or a PDF file.
//
//   report::Report r;
//   r.ReportFileName = dataFolder + "/brcvden.rpt";
//   r.Target = report::Destination::Preview;
//   r.SetFormula(0, "lbltd1 = '(Những công văn được chọn)'");
//   r.Reader = [&](const QString& fileKey, const QString& source) { ... return table; };
//   r.Run(window);
#pragma once

#include <QList>
#include <QPageLayout>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <stdexcept>
#include <vector>

class QDialog;
class QPainter;
class QWidget;

namespace report {

// The rows a template names, as texts.
struct Table {
    QStringList fields;             // field names as the source gives them (compared ignoring case)
    std::vector<QStringList> rows;  // one text per field
};

// Reads the rows of `source` from the data file the template names by its key ("temp", "doc",
// "plan"). `source` is the template's text as written: a table name, a saved query name or SQL.
// Whatever it throws reaches the caller of Run as a ReportError carrying its message.
using RowReader = std::function<Table(const QString& fileKey, const QString& source)>;

enum class Destination { Preview, Printer, Pdf };

// Pages that a caller paints itself (a chart with its table), sent to the destinations a
// template's pages go to. `paint` draws page `index` (0-based) with the painter scaled so that
// one unit is one pixel at `dpi` and (0,0) is the paper's corner.
struct Pages {
    QPageLayout paper;
    QString title;  // the PDF's title, the preview's caption, the printer's document name
    int count = 1;
    int dpi = 300;
    std::function<void(QPainter& painter, int index)> paint;
};

// A missing or malformed template (its message names the file and line), a field the rows lack,
// a failure of the reader, a printer or PDF file that cannot be written.
class ReportError : public std::runtime_error {
public:
    explicit ReportError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Sends `pages` to `target`: the preview window (placed at `windowRect` when it is not empty, run
// through `runModal` when given), the default printer, or the PDF file `pdfFile`. Throws
// ReportError when the destination cannot be written.
void Send(const Pages& pages, Destination target, const QString& pdfFile, const QRect& windowRect,
          const std::function<int(QDialog&)>& runModal, QWidget* parent = nullptr);

class Report {
public:
    QString ReportFileName;  // the template file
    Destination Target = Destination::Preview;
    QString PdfFile;         // for Destination::Pdf
    QRect WindowRect;        // where the preview window goes; empty: most of the screen, centred
    // The two margins a caller may set, in twips (1440 to the inch); -1 keeps the template's own.
    int MarginLeftTwips = -1;
    int MarginRightTwips = -1;
    RowReader Reader;
    // How the preview dialog is shown; empty: QDialog::exec().
    std::function<int(QDialog&)> RunModal;

    // Formula `index` (0..2) from a text "name = 'value'"; the value runs from the first quote
    // after "=" to the last quote, so it may hold quotes itself. An empty text clears the formula.
    // Throws ReportError for an index outside 0..2 or a text with no name before "=".
    void SetFormula(int index, const QString& text);
    QString Formula(int index) const;               // the text as set
    QString FormulaValue(const QString& name) const;  // by name, ignoring case; empty when not set

    // Reads the template and the rows, lays them out and sends the pages to the target.
    void Run(QWidget* parent = nullptr);

    // The pages as laid out for the template's paper at `dpi` (72 to 300; others are brought into
    // that range), in pixels of that dpi. Reads the template and the rows as Run does.
    struct Page {
        QList<int> rows;             // indexes into the reader's rows, in print order
        QList<int> heights;          // the height each of those rows takes on this page
        bool continuesRow = false;   // the first row began on the page before (a row taller than a page)
        bool rowGoesOn = false;      // the last row goes on onto the next page
        int top = 0;                 // where the rows begin, under the column headings
        int bottom = 0;              // how far down they may reach
        QList<int> columnEdges;      // x of the table's vertical lines, left to right
        QSize paper;                 // the whole sheet
    };
    QList<Page> Paginate(int dpi = 300);

private:
    std::array<QString, 3> formulas_;
};

}  // namespace report
