#include "report.h"

#include "layout.h"
#include "template.h"

#include <QDialog>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QWidget>

#include <map>

namespace report {

namespace {

// Rows are measured at this resolution whatever the device; the painter scales them.
constexpr int kLayoutDpi = 300;

Table ReadRows(const Template& t, const RowReader& reader)
{
    if (!reader) throw ReportError(QStringLiteral("%1: chưa có nơi đọc dữ liệu cho báo cáo.").arg(t.file));
    try {
        return reader(t.sourceKey, t.source);
    } catch (const ReportError&) {
        throw;
    } catch (const std::exception& e) {
        throw ReportError(QStringLiteral("%1: không đọc được dữ liệu (%2 %3): %4")
                              .arg(t.file, t.sourceKey, t.source, QString::fromUtf8(e.what())));
    }
}

Layout LayOut(const Report& r, int dpi)
{
    Template t = ReadTemplate(r.ReportFileName);
    if (r.MarginLeftTwips >= 0) t.marginLeft = r.MarginLeftTwips * 25.4 / 1440;
    if (r.MarginRightTwips >= 0) t.marginRight = r.MarginRightTwips * 25.4 / 1440;
    return Layout(t, ReadRows(t, r.Reader), [&r](const QString& name) { return r.FormulaValue(name); }, dpi);
}

QPageLayout PaperOf(const Template& t)
{
    return QPageLayout(QPageSize(t.paper), t.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

// Pages first..last (0-based) onto a device whose painter starts at the paper's corner.
template <typename Device>
void PaintPages(Device& device, const Pages& pages, int first, int last, const QString& where)
{
    QPainter painter(&device);
    if (!painter.isActive()) throw ReportError(QStringLiteral("Không in được ra %1.").arg(where));
    const qreal scale = qreal(device.resolution()) / pages.dpi;
    for (int i = first; i <= last; ++i) {
        if (i > first) device.newPage();
        painter.save();
        painter.scale(scale, scale);
        pages.paint(painter, i);
        painter.restore();
    }
}

void PrintTo(QPrinter& printer, const Pages& pages)
{
    int first = 0, last = pages.count - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = qBound(0, printer.fromPage() - 1, last);
        last = qBound(first, printer.toPage() > 0 ? printer.toPage() - 1 : last, last);
    }
    PaintPages(printer, pages, first, last, printer.printerName().isEmpty() ? printer.outputFileName() : printer.printerName());
}

QString TitleOf(const Template& t)
{
    return t.title.isEmpty() ? t.file : t.title;
}

}  // namespace

void Report::SetFormula(int index, const QString& text)
{
    if (index < 0 || index >= int(formulas_.size()))
        throw ReportError(QStringLiteral("Công thức số %1 không có (chỉ có 0 đến 2).").arg(index));
    if (!text.trimmed().isEmpty() && (text.indexOf(u'=') <= 0 || text.left(text.indexOf(u'=')).trimmed().isEmpty()))
        throw ReportError(QStringLiteral("Công thức không đúng dạng tên = 'giá trị': %1").arg(text));
    formulas_[size_t(index)] = text;
}

QString Report::Formula(int index) const
{
    return index >= 0 && index < int(formulas_.size()) ? formulas_[size_t(index)] : QString();
}

QString Report::FormulaValue(const QString& name) const
{
    for (const QString& f : formulas_) {
        const qsizetype eq = f.indexOf(u'=');
        if (eq <= 0 || f.left(eq).trimmed().compare(name.trimmed(), Qt::CaseInsensitive) != 0) continue;
        const QString rest = f.mid(eq + 1);
        const qsizetype open = rest.indexOf(u'\'');
        if (open < 0) return rest.trimmed();
        const qsizetype close = rest.lastIndexOf(u'\'');
        return close > open ? rest.mid(open + 1, close - open - 1) : rest.mid(open + 1);
    }
    return QString();
}

QList<Report::Page> Report::Paginate(int dpi)
{
    const Layout layout = LayOut(*this, qBound(72, dpi, kLayoutDpi));
    QList<Page> pages;
    for (int i = 0; i < layout.pageCount(); ++i) pages << layout.page(i);
    return pages;
}

void Report::Run(QWidget* parent)
{
    const Layout layout = LayOut(*this, kLayoutDpi);
    const Template& t = layout.source();
    Pages pages;
    pages.paper = PaperOf(t);
    pages.title = TitleOf(t);
    pages.count = layout.pageCount();
    pages.dpi = layout.dpi();
    pages.paint = [&layout](QPainter& painter, int index) { layout.paint(painter, index); };
    Send(pages, Target, PdfFile, WindowRect, RunModal, parent);
}

void Send(const Pages& pages, Destination target, const QString& pdfFile, const QRect& windowRect,
          const std::function<int(QDialog&)>& runModal, QWidget* parent)
{
    switch (target) {
    case Destination::Pdf: {
        if (pdfFile.isEmpty()) throw ReportError(QStringLiteral("Chưa có tên tệp PDF để in ra."));
        QPdfWriter writer(pdfFile);
        writer.setResolution(pages.dpi);
        writer.setPageLayout(pages.paper);
        writer.setTitle(pages.title);
        writer.setCreator(QStringLiteral("korvane"));
        PaintPages(writer, pages, 0, pages.count - 1, pdfFile);
        break;
    }
    case Destination::Printer: {
        if (QPrinterInfo::defaultPrinter().isNull()) throw ReportError(QStringLiteral("Máy tính chưa có máy in mặc định."));
        QPrinter printer(QPrinter::HighResolution);
        printer.setFullPage(true);
        printer.setPageLayout(pages.paper);
        printer.setDocName(pages.title);
        PrintTo(printer, pages);
        break;
    }
    case Destination::Preview: {
        QPrinter printer(QPrinter::HighResolution);
        printer.setFullPage(true);
        printer.setPageLayout(pages.paper);
        printer.setDocName(pages.title);
        QPrintPreviewDialog dialog(&printer, parent);
        dialog.setObjectName(QStringLiteral("reportPreview"));
        dialog.setWindowTitle(QStringLiteral("Xem trước khi in - %1").arg(pages.title));
        // The preview's own Print button prints from inside the dialog's event loop: a printer
        // that cannot be written is said there, never thrown through the toolkit.
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&pages, &dialog](QPrinter* p) {
            try {
                PrintTo(*p, pages);
            } catch (const ReportError& e) {
                QMessageBox::warning(&dialog, dialog.windowTitle(), e.message());
            }
        });
        if (!windowRect.isEmpty()) {
            dialog.setGeometry(windowRect);
        } else if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            QRect r(0, 0, area.width() * 4 / 5, area.height() * 4 / 5);
            r.moveCenter(area.center());
            dialog.setGeometry(r);
        }
        if (runModal) runModal(dialog);
        else dialog.exec();
        break;
    }
    }
}

}  // namespace report
