// The statistics window "Thống kê": for the working year or a period of it, a bar chart with its
// table for each of the figures of statistics.h, one tab each, printed one page a chart.
#pragma once

#include "statistics.h"

#include <QWidget>

class QChart;
class QChartView;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QPainter;

namespace korvane {

class App;

class frmthongke : public QWidget {
    Q_OBJECT
public:
    explicit frmthongke(App& app);
    static frmthongke* Instance(App& app);

    // The whole working year in the period boxes, read and shown.
    void ShowYear();
    // Reads every chart for the period in the boxes. False, after saying why, when a date is not
    // one of the working year or the engine fails (the charts read before it stay).
    bool Refresh();
    // Asks where the charts go (preview, printer, PDF) and prints one page a chart. False when
    // the clerk gave up or nothing was printed.
    bool Print();

    // What the charts show now, in the tabs' order.
    const std::vector<Tally>& Tallies() const { return tallies_; }
    const Period& Shown() const { return shown_; }

    // A bar chart of `tally` (its categories down the side when their names are long); the
    // caller owns it.
    static QChart* MakeChart(const Tally& tally);
    // Draws `tally` on a page of `page` pixels: the heading lines, the chart on the left and its
    // table on the right.
    static void PaintPage(QPainter& painter, const QRectF& page, const Tally& tally, const QStringList& heading);

    QLabel* lbltrangthai;
    QLineEdit *mtungay, *mdenngay;
    QPushButton *cmdxem, *cmdcanam, *cmdin, *cmdclose;
    QTabWidget* tabs;
    QList<QChartView*> charts;
    QList<QTableWidget*> tables;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showTally(int index);
    bool readPeriod(Period& period);
    QString periodText() const;

    App& app_;
    std::vector<Tally> tallies_;
    Period shown_;
};

// Registers the window with the owner and the main window's menu item "mnuthongke" that opens it.
void InstallStatisticsWindow(App& app);

}  // namespace korvane
