#include "frmthongke.h"

#include "app.h"
#include "dates.h"
#include "formkit.h"
#include "keys.h"
#include "printing.h"
#include "report.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QValueAxis>
#include <QVBoxLayout>

namespace korvane {

namespace {

// The tabs' captions: Alt with the number goes to the tab.
const char* const kTabs[] = {"&1 Theo tháng", "&2 Nơi gửi", "&3 Loại công văn", "&4 Xử lý công văn", "&5 Kế hoạch", "&6 Lịch tuần"};

// The charts whose categories are names read better with the bars lying down.
bool lying(const Tally& t) { return t.key == QLatin1String("noigui") || t.key == QLatin1String("loai"); }
// The tables that end with a row of totals (the sender chart shows only the most frequent).
bool totalled(const Tally& t) { return t.key != QLatin1String("noigui") && t.key != QLatin1String("kehoach"); }

const QColor kColours[] = {QColor(0x1a, 0x3d, 0x7c), QColor(0xd9, 0x7b, 0x16)};

constexpr int kPrintDpi = 300;
constexpr int kMostNames = 20;

// A font of `points` at the print's resolution, whatever the device's own.
QFont printFont(qreal points, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(qRound(points * kPrintDpi / 72.0));
    f.setBold(bold);
    return f;
}

}  // namespace

frmthongke::frmthongke(App& app) : QWidget(nullptr, Qt::Window), app_(app)
{
    setObjectName(QStringLiteral("frmthongke"));
    setWindowTitle(QStringLiteral("Thống kê công văn, kế hoạch và lịch công tác"));
    lbltrangthai = NewListCaption(this);

    auto box = [this](const char* name) {
        auto* b = new QLineEdit(this);
        b->setObjectName(QLatin1String(name));
        b->setMaxLength(10);
        b->setMaximumWidth(120);
        b->installEventFilter(this);
        return b;
    };
    mtungay = box("mtungay");
    mdenngay = box("mdenngay");
    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    cmdxem = NamedButton(this, "cmdxem", QStringLiteral("&Xem"));
    cmdcanam = NamedButton(this, "cmdcanam", QStringLiteral("&Cả năm"));
    cmdin = NamedButton(this, "cmdin", QStringLiteral("&In, lưu PDF"));
    cmdclose = NamedButton(this, "cmdclose", QStringLiteral("&Kết thúc"));
    auto* period = new QHBoxLayout;
    period->addWidget(label(QStringLiteral("Từ &ngày"), mtungay));
    period->addWidget(mtungay);
    period->addWidget(label(QStringLiteral("Đến ngà&y"), mdenngay));
    period->addWidget(mdenngay);
    period->addWidget(cmdxem);
    period->addWidget(cmdcanam);
    period->addStretch();

    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabs"));
    int index = 0;
    for (const char* caption : kTabs) {
        auto* split = new QSplitter(Qt::Horizontal, tabs);
        auto* view = new QChartView(split);
        view->setObjectName(QStringLiteral("chart%1").arg(index));
        view->setRenderHint(QPainter::Antialiasing);
        view->setFocusPolicy(Qt::NoFocus);
        auto* table = new QTableWidget(split);
        table->setObjectName(QStringLiteral("table%1").arg(index));
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->verticalHeader()->setVisible(false);
        table->setAlternatingRowColors(true);
        split->addWidget(view);
        split->addWidget(table);
        split->setStretchFactor(0, 3);
        split->setStretchFactor(1, 2);
        split->setSizes({640, 380});  // the chart takes the room, whatever the table asks for
        charts << view;
        tables << table;
        tabs->addTab(split, QString::fromUtf8(caption));
        ++index;
    }

    auto* bottom = new QHBoxLayout;
    auto* help = new QLabel(QStringLiteral("F5 : ngày hôm nay    Ctrl+Tab : biểu đồ sau    Esc : đóng"), this);
    help->setEnabled(false);
    bottom->addWidget(help);
    bottom->addStretch();
    bottom->addWidget(cmdin);
    bottom->addWidget(cmdclose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbltrangthai);
    layout->addLayout(period);
    layout->addWidget(tabs, 1);
    layout->addLayout(bottom);
    ChainTabOrder({mtungay, mdenngay, cmdxem, cmdcanam, tabs, tables[0], cmdin, cmdclose});
    PressButtonsWithEnter(this);

    connect(cmdxem, &QPushButton::clicked, this, &frmthongke::Refresh);
    connect(cmdcanam, &QPushButton::clicked, this, &frmthongke::ShowYear);
    connect(cmdin, &QPushButton::clicked, this, &frmthongke::Print);
    connect(cmdclose, &QPushButton::clicked, this, &QWidget::close);
    // Each tab's table takes the keys after the tab bar.
    connect(tabs, &QTabWidget::currentChanged, this, [this](int i) {
        setTabOrder(tabs, tables.value(i));
        setTabOrder(tables.value(i), cmdin);
    });
    resize(1040, 700);
}

frmthongke* frmthongke::Instance(App& app) { return app.Owner().Get<frmthongke>(QStringLiteral("frmthongke")); }

void frmthongke::ShowYear()
{
    const Period year = WorkYearPeriod(app_);
    mtungay->setText(DisplayDate(QDate::fromString(year.from, QStringLiteral("yyyyMMdd")), app_.Months));
    mdenngay->setText(DisplayDate(QDate::fromString(year.to, QStringLiteral("yyyyMMdd")), app_.Months));
    Refresh();
}

bool frmthongke::readPeriod(Period& period)
{
    const int year = app_.WorkYear.toInt();
    for (QLineEdit* b : {mtungay, mdenngay}) {
        QString text = b->text();
        const QString date = CheckDateText(text, app_.Months, year);
        if (date.isEmpty() || QDate::fromString(NormalDate(date), QStringLiteral("yyyyMMdd")).year() != year) {
            app_.Message(QStringLiteral("Ngày phải là một ngày của năm làm việc ") + app_.WorkYear + QStringLiteral(" (ngày/tháng/năm)."));
            b->setFocus();
            b->selectAll();
            return false;
        }
        b->setText(date);
    }
    period = {NormalDate(mtungay->text()), NormalDate(mdenngay->text())};
    if (period.from > period.to) {
        app_.Message(QStringLiteral("Ngày 'Từ ngày' phải trước ngày 'Đến ngày'."));
        mtungay->setFocus();
        return false;
    }
    return true;
}

QString frmthongke::periodText() const
{
    auto shown = [this](const QString& d) { return DisplayDate(QDate::fromString(d, QStringLiteral("yyyyMMdd")), app_.Months); };
    return shown_.from == WorkYearPeriod(app_).from && shown_.to == WorkYearPeriod(app_).to
               ? QStringLiteral("Năm ") + app_.WorkYear
               : QStringLiteral("Từ ngày ") + shown(shown_.from) + QStringLiteral(" đến ngày ") + shown(shown_.to);
}

bool frmthongke::Refresh()
{
    Period period;
    if (!readPeriod(period)) return false;
    std::vector<Tally> read;
    try {
        BusyCursor busy;
        for (const TallyMaker& make : AllTallies()) read.push_back(make(app_, period));
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        ShowStatus(lbltrangthai, QStringLiteral("Không đọc được số liệu : ") + e.description(), true);
        app_.Message(QStringLiteral("Lỗi dữ liệu : ") + e.description());
        return false;
    }
    tallies_ = std::move(read);
    shown_ = period;
    for (int i = 0; i < int(tallies_.size()); ++i) showTally(i);
    ShowStatus(lbltrangthai, QStringLiteral("Thống kê - ") + periodText(), false);
    return true;
}

QChart* frmthongke::MakeChart(const Tally& tally)
{
    auto* chart = new QChart;
    chart->setTitle(tally.title);
    QFont titleFont = chart->titleFont();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    chart->setTitleFont(titleFont);
    chart->setAnimationOptions(QChart::NoAnimation);
    // Names down the side: the 20 most frequent, so that each keeps a readable line (the
    // table beside the chart lists them all).
    const int shown = lying(tally) ? std::min<int>(int(tally.categories.size()), kMostNames) : int(tally.categories.size());
    QAbstractBarSeries* series = lying(tally) ? static_cast<QAbstractBarSeries*>(new QHorizontalBarSeries)
                                              : static_cast<QAbstractBarSeries*>(new QBarSeries);
    qint64 most = 0;
    for (int s = 0; s < tally.series.size(); ++s) {
        auto* set = new QBarSet(tally.series[s]);
        set->setColor(kColours[s % 2]);
        // Lying bars read from the top, the most frequent first.
        for (int c = 0; c < shown; ++c) {
            const int at = lying(tally) ? shown - 1 - c : c;
            *set << qreal(tally.Count(s, at));
            most = std::max(most, tally.Count(s, at));
        }
        series->append(set);
    }
    chart->addSeries(series);
    QStringList categories = tally.categories.mid(0, shown);
    if (lying(tally)) std::reverse(categories.begin(), categories.end());
    QAbstractAxis* names = nullptr;
    const int n = int(categories.size());
    if (n > 16 && !lying(tally)) {
        // Many weeks: a label every few bars, each under the first bar of its stretch, so that
        // the labels keep their full text.
        auto* stretches = new QCategoryAxis;
        stretches->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        const int step = (n + 11) / 12;
        stretches->setStartValue(-0.5);
        for (int i = 0; i < n; i += step) stretches->append(categories[i], i);
        stretches->setRange(-0.5, n - 0.5);
        stretches->setGridLineVisible(false);
        names = stretches;
    } else {
        auto* axis = new QBarCategoryAxis;
        axis->append(categories);
        if (n > 10) {
            // Many names down the side: a smaller letter, so that each fits its bar's height.
            QFont small = axis->labelsFont();
            small.setPointSizeF(n > 20 ? 6 : 7);
            axis->setLabelsFont(small);
        }
        names = axis;
    }
    names->setTitleText(shown < tally.categories.size() ? tally.axis + QStringLiteral(" (%1 nhiều nhất)").arg(shown) : tally.axis);
    auto* values = new QValueAxis;
    values->setLabelFormat(QStringLiteral("%d"));
    values->setRange(0, std::max<qint64>(most + most / 8 + 1, 4));
    values->applyNiceNumbers();
    values->setTitleText(QStringLiteral("Số lượng"));
    chart->addAxis(names, lying(tally) ? Qt::AlignLeft : Qt::AlignBottom);
    chart->addAxis(values, lying(tally) ? Qt::AlignBottom : Qt::AlignLeft);
    series->attachAxis(names);
    series->attachAxis(values);
    chart->legend()->setVisible(tally.series.size() > 1);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

void frmthongke::showTally(int index)
{
    const Tally& t = tallies_[std::size_t(index)];
    QChart* old = charts[index]->chart();
    charts[index]->setChart(MakeChart(t));
    delete old;
    QTableWidget* table = tables[index];
    const bool total = totalled(t);
    table->clear();
    table->setColumnCount(int(t.series.size()) + 1);
    table->setRowCount(int(t.categories.size()) + (total ? 1 : 0));
    table->setHorizontalHeaderLabels(QStringList{t.axis} + t.series);
    auto cell = [table](int row, int column, const QString& text, bool number, bool bold) {
        auto* item = new QTableWidgetItem(text);
        if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (bold) {
            QFont f = item->font();
            f.setBold(true);
            item->setFont(f);
        }
        table->setItem(row, column, item);
    };
    for (int c = 0; c < t.categories.size(); ++c) {
        cell(c, 0, t.key == QLatin1String("thang") ? QStringLiteral("Tháng ") + t.categories[c] : t.categories[c], false, false);
        for (int s = 0; s < t.series.size(); ++s) cell(c, s + 1, QString::number(t.Count(s, c)), true, false);
    }
    if (total) {
        const int row = int(t.categories.size());
        cell(row, 0, QStringLiteral("Cộng"), false, true);
        for (int s = 0; s < t.series.size(); ++s) cell(row, s + 1, QString::number(t.Total(s)), true, true);
    }
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int s = 1; s < table->columnCount(); ++s) table->horizontalHeader()->setSectionResizeMode(s, QHeaderView::ResizeToContents);
}

void frmthongke::PaintPage(QPainter& painter, const QRectF& page, const Tally& tally, const QStringList& heading)
{
    const qreal margin = page.width() * 0.05;
    QRectF area = page.adjusted(margin, margin, -margin, -margin);
    painter.save();
    painter.setPen(Qt::black);
    // The heading: the organisation, the chart's name, the period.
    qreal y = area.top();
    for (int i = 0; i < heading.size(); ++i) {
        const QFont f = printFont(i == 1 ? 16 : 11, i < 2);
        painter.setFont(f);
        const qreal h = QFontMetricsF(f).height() * 1.3;
        painter.drawText(QRectF(area.left(), y, area.width(), h), (i == 0 ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter,
                         heading[i]);
        y += h;
    }
    area.setTop(y + margin / 3);

    // The chart, laid out at the screen's scale and drawn scaled onto its place, in outlines.
    const QRectF chartPlace(area.left(), area.top(), area.width() * 0.62, area.height());
    {
        QGraphicsScene scene;
        QChart* chart = MakeChart(tally);
        chart->setTitle(QString());  // the page's heading names it
        scene.addItem(chart);
        const qreal toScreen = 96.0 / kPrintDpi;
        chart->setGeometry(QRectF(0, 0, chartPlace.width() * toScreen, chartPlace.height() * toScreen));
        scene.setSceneRect(chart->geometry());
        painter.setRenderHint(QPainter::Antialiasing);
        scene.render(&painter, chartPlace, scene.sceneRect(), Qt::KeepAspectRatio);
    }

    // The table beside it, its rows fitted into the height of the page.
    const QRectF tablePlace(chartPlace.right() + margin / 2, area.top(), area.right() - chartPlace.right() - margin / 2, area.height());
    const bool total = totalled(tally);
    // The heading row takes two lines: the series' names wrap there.
    const int rows = int(tally.categories.size()) + (total ? 1 : 0) + 2;
    qreal points = 10;
    QFont f = printFont(points);
    while (QFontMetricsF(f).height() * 1.3 * rows > tablePlace.height() && points > 3) f = printFont(points -= 0.5);
    const qreal rowHeight = std::min(QFontMetricsF(f).height() * 1.5, tablePlace.height() / rows);
    const int columns = int(tally.series.size()) + 1;
    const qreal pad = rowHeight / 5;
    QFont bold = f;
    bold.setBold(true);
    qreal numberWidth = QFontMetricsF(f).horizontalAdvance(QStringLiteral("0000000"));
    // Room for two of the series' longest words a line.
    for (const QString& name : tally.series)
        for (const QString& word : name.split(QLatin1Char(' ')))
            numberWidth = std::max(numberWidth, QFontMetricsF(bold).horizontalAdvance(word + QStringLiteral(" ") + word) + 2 * pad);
    numberWidth = std::min(numberWidth, tablePlace.width() * 0.6 / (columns - 1));
    const qreal nameWidth = tablePlace.width() - numberWidth * (columns - 1);
    qreal top = tablePlace.top();
    auto row = [&](const QStringList& texts, bool isBold, bool heading) {
        painter.setFont(isBold ? bold : f);
        const qreal height = heading ? 2 * rowHeight : rowHeight;
        qreal x = tablePlace.left();
        for (int c = 0; c < texts.size(); ++c) {
            const qreal w = c == 0 ? nameWidth : numberWidth;
            const QRectF cell(x, top, w, height);
            painter.drawRect(cell);
            const QRectF inside = cell.adjusted(pad, 0, -pad, 0);
            if (heading)
                painter.drawText(inside, Qt::AlignCenter | Qt::TextWordWrap, texts[c]);
            else
                painter.drawText(inside, (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter,
                                 QFontMetricsF(painter.font()).elidedText(texts[c], Qt::ElideRight, inside.width()));
            x += w;
        }
        top += height;
    };
    painter.setPen(QPen(Qt::black, 2));
    row(QStringList{tally.axis} + tally.series, true, true);
    for (int c = 0; c < tally.categories.size(); ++c) {
        QStringList texts{tally.key == QLatin1String("thang") ? QStringLiteral("Tháng ") + tally.categories[c] : tally.categories[c]};
        for (int s = 0; s < tally.series.size(); ++s) texts << QString::number(tally.Count(s, c));
        row(texts, false, false);
    }
    if (total) {
        QStringList texts{QStringLiteral("Cộng")};
        for (int s = 0; s < tally.series.size(); ++s) texts << QString::number(tally.Total(s));
        row(texts, true, false);
    }
    painter.restore();
}

bool frmthongke::Print()
{
    if (tallies_.empty() && !Refresh()) return false;
    const ReportTarget target = app_.modal().reportDestination();
    if (target == ReportTarget::Cancel) return false;
    QString pdf;
    if (target == ReportTarget::Pdf) {
        pdf = app_.modal().saveFileName(this, QStringLiteral("Lưu bản in"), QStringLiteral("thongke.pdf"), QStringLiteral("PDF (*.pdf)"));
        if (pdf.isEmpty()) return false;
    }
    QString organisation;
    try {
        if (app_.DocRefDb) {
            auto org = app_.DocRefDb->OpenRecordset(QStringLiteral("select * from tendonvi"), engine::RecordsetType::Snapshot);
            if (!org->Eof()) organisation = org->Field(QStringLiteral("tendonvi")).toString();
        }
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);  // the pages go out without the organisation's name
    }
    report::Pages pages;
    pages.paper = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    pages.title = QStringLiteral("Thống kê - ") + periodText();
    pages.count = int(tallies_.size());
    pages.dpi = kPrintDpi;
    const QRectF paper = pages.paper.fullRectPixels(kPrintDpi);
    const std::vector<Tally> printed = tallies_;
    const QStringList heading{organisation, QString(), periodText()};
    pages.paint = [printed, heading, paper](QPainter& painter, int index) {
        const Tally& t = printed[std::size_t(index)];
        QStringList lines = heading;
        lines[1] = t.title;
        PaintPage(painter, paper, t, lines);
    };
    try {
        report::Send(pages,
                     target == ReportTarget::Printer ? report::Destination::Printer
                     : target == ReportTarget::Pdf   ? report::Destination::Pdf
                                                     : report::Destination::Preview,
                     pdf, PreviewRect(this), [this](QDialog& d) { return app_.modal().runModal(d); }, this);
    } catch (const report::ReportError& e) {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        app_.Message(QStringLiteral("Không in được : ") + e.message());
        return false;
    }
    return true;
}

void frmthongke::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool frmthongke::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && event->type() == QEvent::KeyRelease) {
        const int code = KeyCodeOf(static_cast<QKeyEvent*>(event));
        if (code == KeyF1 + 3) box->clear();
        if (code == KeyF1 + 4) box->setText(DisplayDate(app_.Today(), app_.Months));
    }
    return QWidget::eventFilter(watched, event);
}

void InstallStatisticsWindow(App& app)
{
    app.Owner().Register(QStringLiteral("frmthongke"), [](App& a) { return new frmthongke(a); });
    app.Openers[QStringLiteral("mnuthongke")] = [](App& a) {
        frmthongke* window = frmthongke::Instance(a);
        window->ShowYear();
        BringToFront(window, window->mtungay);
    };
}

}  // namespace korvane
