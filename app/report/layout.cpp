#include "layout.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QPen>
#include <QTextLayout>
#include <QtMath>

namespace report {

namespace {

const QString kFamily = QStringLiteral("DejaVu Sans");

// A font measured as it prints at `dpi`; hinting is off so that widths do not depend on the
// screen the program happens to run on.
QFont PrintFont(double points, bool bold, bool italic, int dpi)
{
    QFont f(kFamily);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferOutline);
    QImage device(1, 1, QImage::Format_Mono);
    device.setDotsPerMeterX(qRound(dpi / 0.0254));
    device.setDotsPerMeterY(qRound(dpi / 0.0254));
    return QFont(f, &device);
}

int LineHeight(const QFont& f)
{
    return qCeil(QFontMetricsF(f).lineSpacing());
}

// Breaks the layout's text into lines of `width`, one below the other `lineHeight` apart;
// returns how many lines it takes (at least one).
int LayLines(QTextLayout& tl, qreal width, int lineHeight)
{
    int n = 0;
    tl.beginLayout();
    for (QTextLine line = tl.createLine(); line.isValid(); line = tl.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, n * lineHeight));
        ++n;
    }
    tl.endLayout();
    return qMax(n, 1);
}

QTextOption Option(Qt::Alignment align)
{
    QTextOption o(align);
    o.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return o;
}

// A text laid out centred in `width` with `font`; returns its height.
int CentredBlock(QTextLayout& tl, const QString& text, const QFont& font, int width)
{
    tl.setText(text);
    tl.setFont(font);
    tl.setTextOption(Option(Qt::AlignHCenter));
    const int lh = LineHeight(font);
    return LayLines(tl, width, lh) * lh;
}

bool IsTrue(const QString& v)
{
    const QString t = v.trimmed().toLower();
    return t == u"-1" || t == u"1" || t == u"true" || t == u"yes" || t == u"x";
}

}  // namespace

Layout::Layout(const Template& t, Table rows, const std::function<QString(const QString&)>& formula, int dpi)
    : t_(t), table_(std::move(rows)), formula_(formula), dpi_(dpi)
{
    for (const Column& c : t_.columns) {
        int index = -1;
        if (!c.field.isEmpty()) {
            for (int i = 0; i < table_.fields.size() && index < 0; ++i)
                if (table_.fields[i].compare(c.field, Qt::CaseInsensitive) == 0) index = i;
            if (index < 0)
                throw ReportError(QStringLiteral("%1, dòng %2: dữ liệu không có trường '%3' (có: %4).")
                                      .arg(t_.file).arg(c.line).arg(c.field, table_.fields.join(QStringLiteral(", "))));
        }
        fieldOf_.push_back(index);
    }
    for (TextLine& l : t_.left) l.text = Substitute(l.text, formula_);
    t_.title = Substitute(t_.title, formula_);
    t_.subtitle = Substitute(t_.subtitle, formula_);

    auto px = [dpi](double mm) { return qRound(mm * dpi / 25.4); };
    QSizeF mm = QPageSize(t_.paper).size(QPageSize::Millimeter);
    if (t_.landscape) mm.transpose();
    paper_ = QSize(int(mm.width() * dpi / 25.4), int(mm.height() * dpi / 25.4));
    left_ = px(t_.marginLeft);
    right_ = paper_.width() - px(t_.marginRight);
    top_ = px(t_.marginTop);
    bottom_ = paper_.height() - px(t_.marginBottom);
    if (right_ - left_ < px(50) || bottom_ - top_ < px(50))
        throw ReportError(QStringLiteral("%1: lề giấy quá lớn, không còn chỗ in.").arg(t_.file));
    padX_ = px(1.0);
    padY_ = px(0.6);

    body_ = PrintFont(t_.fontPoints, false, false, dpi);
    bold_ = PrintFont(t_.fontPoints, true, false, dpi);
    title_ = PrintFont(t_.fontPoints * 1.5, true, false, dpi);
    subtitle_ = PrintFont(t_.fontPoints + 1, false, true, dpi);
    lineHeight_ = LineHeight(body_);
    headingLineHeight_ = LineHeight(bold_);

    double total = 0;
    for (const Column& c : t_.columns) total += c.width;
    double sum = 0;
    edges_.push_back(left_);
    for (const Column& c : t_.columns) {
        sum += c.width;
        edges_.push_back(left_ + qRound((right_ - left_) * sum / total));
    }

    headerHeight_ = measureHeader();
    int headingLines = 1;
    for (size_t c = 0; c < t_.columns.size(); ++c) {
        QTextLayout tl(t_.columns[c].heading, bold_);
        tl.setTextOption(Option(Qt::AlignHCenter));
        headingLines = qMax(headingLines, LayLines(tl, edges_[c + 1] - edges_[c] - 2 * padX_, headingLineHeight_));
    }
    headingHeight_ = headingLines * headingLineHeight_ + 2 * padY_;
    rowsBottom_ = bottom_ - lineHeight_ - px(2);
    if (rowsBottom_ - rowsTop(0) < partHeight(1) || rowsBottom_ - rowsTop(1) < partHeight(1))
        throw ReportError(QStringLiteral("%1: lề giấy quá lớn, không còn chỗ in.").arg(t_.file));

    lines_.reserve(table_.rows.size());
    for (int r = 0; r < int(table_.rows.size()); ++r) {
        int n = 1;
        for (int c = 0; c < int(t_.columns.size()); ++c) n = qMax(n, countLines(cellText(r, c), c));
        lines_.push_back(n);
    }
    paginate();
}

QString Layout::cellText(int row, int column) const
{
    const int field = fieldOf_[size_t(column)];
    const QStringList& values = table_.rows[size_t(row)];
    if (field < 0 || field >= values.size()) return QString();
    if (t_.columns[size_t(column)].yesNo) return IsTrue(values[field]) ? QStringLiteral("X") : QString();
    QString text = values[field];
    // Line ends of a memo field break the line; a tab is a blank.
    text.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    text.replace(u'\n', QChar::LineSeparator);
    text.replace(u'\r', QChar::LineSeparator);
    text.replace(u'\t', u' ');
    return text.trimmed();
}

int Layout::layCell(QTextLayout& tl, int column) const
{
    tl.setFont(body_);
    tl.setTextOption(Option(t_.columns[size_t(column)].align));
    return LayLines(tl, edges_[size_t(column) + 1] - edges_[size_t(column)] - 2 * padX_, lineHeight_);
}

int Layout::countLines(const QString& text, int column) const
{
    if (text.isEmpty()) return 1;
    QTextLayout tl(text);
    return layCell(tl, column);
}

void Layout::paginate()
{
    const int rowCount = int(table_.rows.size());
    Span span;
    int y = rowsTop(0);
    int row = 0, line = 0;  // the next lines to place
    auto newPage = [&] {
        pages_.push_back(span);
        span = Span{row, line, row - 1, -1};
        y = rowsTop(int(pages_.size()));
    };
    span.first = 0;
    while (row < rowCount) {
        const int h = partHeight(linesOf(row) - line);
        if (y + h <= rowsBottom_) {
            span.last = row;
            span.lastLineEnd = -1;
            y += h;
            ++row;
            line = 0;
            continue;
        }
        if (span.last >= span.first) {  // the page holds rows: the row starts on the next one
            newPage();
            continue;
        }
        // Alone on its page and still too tall: as many lines as fit, the rest goes on.
        const int fit = (rowsBottom_ - y - 2 * padY_) / lineHeight_;
        line += fit;
        span.last = row;
        span.lastLineEnd = line;
        newPage();
    }
    pages_.push_back(span);
}

std::vector<Layout::Part> Layout::partsOf(const Span& span) const
{
    std::vector<Part> parts;
    for (int r = span.first; r <= span.last; ++r) {
        const int from = r == span.first ? span.firstLine : 0;
        const int to = r == span.last && span.lastLineEnd >= 0 ? span.lastLineEnd : linesOf(r);
        parts.push_back(Part{r, from, to});
    }
    return parts;
}

Report::Page Layout::page(int index) const
{
    const Span& span = pages_[size_t(index)];
    Report::Page p;
    for (const Part& part : partsOf(span)) {
        p.rows << part.row;
        p.heights << partHeight(part.to - part.from);
    }
    p.continuesRow = span.firstLine > 0;
    p.rowGoesOn = span.lastLineEnd >= 0;
    p.top = rowsTop(index);
    p.bottom = rowsBottom_;
    for (int e : edges_) p.columnEdges << e;
    p.paper = paper_;
    return p;
}

int Layout::measureHeader() const
{
    const int width = right_ - left_;
    int left = 0;
    QTextLayout tl;
    for (const TextLine& l : t_.left) left += CentredBlock(tl, l.text, l.bold ? bold_ : body_, width * 45 / 100);
    int h = left;
    const int gap = qRound(2.0 * dpi_ / 25.4);
    if (!t_.title.isEmpty()) h += (h ? gap : 0) + CentredBlock(tl, t_.title, title_, width);
    if (!t_.subtitle.isEmpty()) h += CentredBlock(tl, t_.subtitle, subtitle_, width);
    return h ? h + 2 * gap : 0;
}

void Layout::paintHeader(QPainter& painter) const
{
    const int width = right_ - left_;
    const int gap = qRound(2.0 * dpi_ / 25.4);
    int y = top_;
    QTextLayout tl;
    for (const TextLine& l : t_.left) {
        const int h = CentredBlock(tl, l.text, l.bold ? bold_ : body_, width * 45 / 100);
        tl.draw(&painter, QPointF(left_, y));
        y += h;
    }
    if (!t_.title.isEmpty()) {
        if (y > top_) y += gap;
        const int h = CentredBlock(tl, t_.title, title_, width);
        tl.draw(&painter, QPointF(left_, y));
        y += h;
    }
    if (!t_.subtitle.isEmpty()) {
        CentredBlock(tl, t_.subtitle, subtitle_, width);
        tl.draw(&painter, QPointF(left_, y));
    }
}

void Layout::paintHeadings(QPainter& painter, int tableTop) const
{
    for (size_t c = 0; c < t_.columns.size(); ++c) {
        QTextLayout tl(t_.columns[c].heading, bold_);
        tl.setTextOption(Option(Qt::AlignHCenter));
        const int lines = LayLines(tl, edges_[c + 1] - edges_[c] - 2 * padX_, headingLineHeight_);
        const int offset = (headingHeight_ - lines * headingLineHeight_) / 2;
        tl.draw(&painter, QPointF(edges_[c] + padX_, tableTop + offset));
    }
}

void Layout::paint(QPainter& painter, int index) const
{
    const Span& span = pages_[size_t(index)];
    painter.setPen(QPen(Qt::black, qMax(1.0, 0.2 * dpi_ / 25.4)));
    if (index == 0) paintHeader(painter);
    const int tableTop = rowsTop(index) - headingHeight_;
    paintHeadings(painter, tableTop);

    QList<QLineF> rules;
    int y = rowsTop(index);
    rules << QLineF(left_, tableTop, right_, tableTop) << QLineF(left_, y, right_, y);
    QTextLayout tl;
    for (const Part& part : partsOf(span)) {
        for (int c = 0; c < int(t_.columns.size()); ++c) {
            const QString text = cellText(part.row, c);
            if (text.isEmpty()) continue;
            tl.setText(text);
            layCell(tl, c);
            const QPointF origin(edges_[size_t(c)] + padX_, y + padY_ - part.from * lineHeight_);
            if (part.from == 0 && part.to >= tl.lineCount()) {
                tl.draw(&painter, origin);
            } else {
                for (int l = part.from; l < qMin(part.to, tl.lineCount()); ++l) tl.lineAt(l).draw(&painter, origin);
            }
        }
        y += partHeight(part.to - part.from);
        rules << QLineF(left_, y, right_, y);
    }
    for (int e : edges_) rules << QLineF(e, tableTop, e, y);
    painter.drawLines(rules);

    if (!t_.footer.isEmpty()) {
        const QString text = Substitute(t_.footer, [&](const QString& name) {
            if (name.compare(u"page", Qt::CaseInsensitive) == 0) return QString::number(index + 1);
            if (name.compare(u"pages", Qt::CaseInsensitive) == 0) return QString::number(pageCount());
            return formula_(name);
        });
        CentredBlock(tl, text, body_, right_ - left_);
        tl.draw(&painter, QPointF(left_, bottom_ - lineHeight_));
    }
}

}  // namespace report
