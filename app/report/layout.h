// The pages of one report run: every row is measured once (the number of lines its tallest cell
// wraps to, by Qt's own line breaking in QTextLayout), the rows are cut into pages by those
// heights, and a page is laid out again only when it is painted. All sizes are whole pixels at
// the layout's dpi; the painter scales them onto the device.
#pragma once

#include "report.h"
#include "template.h"

#include <QFont>
#include <QSize>

#include <functional>
#include <vector>

class QPainter;
class QTextLayout;

namespace report {

class Layout {
public:
    // Throws ReportError when a column names a field the rows lack, or the margins leave no room.
    Layout(const Template& t, Table rows, const std::function<QString(const QString&)>& formula, int dpi);

    const Template& source() const { return t_; }  // with the formulas filled in
    int dpi() const { return dpi_; }
    QSize paper() const { return paper_; }
    int pageCount() const { return int(pages_.size()); }
    Report::Page page(int index) const;

    // Paints page `index` with the painter in this layout's pixels, origin at the paper's corner.
    void paint(QPainter& painter, int index) const;

private:
    // Rows first..last of a page; the first may begin at a later line (continued from the page
    // before), the last may stop before its end (continued on the next).
    struct Span {
        int first = 0;
        int firstLine = 0;
        int last = -1;
        int lastLineEnd = -1;  // -1: the last row ends on this page
    };
    struct Part {
        int row, from, to;  // lines [from, to) of `row`
    };

    QString cellText(int row, int column) const;
    int countLines(const QString& text, int column) const;
    int layCell(QTextLayout& tl, int column) const;  // returns the number of lines
    int linesOf(int row) const { return lines_[size_t(row)]; }
    int partHeight(int lines) const { return lines * lineHeight_ + 2 * padY_; }
    std::vector<Part> partsOf(const Span& span) const;
    int rowsTop(int page) const { return (page == 0 ? top_ + headerHeight_ : top_) + headingHeight_; }
    void paginate();
    int measureHeader() const;
    void paintHeader(QPainter& painter) const;
    void paintHeadings(QPainter& painter, int tableTop) const;

    Template t_;
    Table table_;
    std::vector<int> fieldOf_;  // per column: the field's index in the rows, -1 for an empty column
    std::vector<int> lines_;    // per row: the lines of its tallest cell
    std::vector<Span> pages_;
    std::function<QString(const QString&)> formula_;

    int dpi_;
    QSize paper_;
    int left_ = 0, right_ = 0, top_ = 0, bottom_ = 0;  // the printed area
    int padX_ = 0, padY_ = 0;
    int lineHeight_ = 0, headingLineHeight_ = 0;
    int headerHeight_ = 0;   // the block above the table on the first page
    int headingHeight_ = 0;  // the column headings
    int rowsBottom_ = 0;     // how far rows may reach; the footer lies below
    std::vector<int> edges_;
    QFont body_, bold_, title_, subtitle_;
};

}  // namespace report
