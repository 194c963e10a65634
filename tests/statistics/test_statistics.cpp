// The statistics window and the main window's count of documents not yet dealt with, on files
// and on the server: the engine's counts against rows typed here, the window driven by its keys,
// and its print read back from the PDF.
#include "office.h"

#include "documents.h"
#include "formkit.h"
#include "frmgrid.h"
#include "frmthongke.h"
#include "statistics.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

using namespace korvane;

namespace {

class Statistics : public OfficeOnBoth {
protected:
    void SetUp() override
    {
        OfficeOnBoth::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        InstallStatisticsWindow(app);
        InstallDocumentWindows(app, &main);
        ASSERT_EQ(app.WorkYear, QStringLiteral("2026"));
        // Incoming: date, sender, type, dealt with. The last has no date: in the year's table
        // (the main window counts it) but in no period.
        const char* incoming[][4] = {{"20260105", "Bộ Tài chính", "Công văn", "True"}, {"20260120", "Bộ Tài chính", "Quyết định", "False"},
                                     {"20260203", "Sở Y tế", "Công văn", "False"},     {"20260315", "Bộ Tài chính", "Công văn", "True"},
                                     {"20260315", "", "Công văn", "False"},            {"20261231", "Sở Y tế", "", "True"},
                                     {"", "Bộ Tài chính", "Công văn", "False"}};
        for (const auto& r : incoming)
            app.DocDb->Execute(QStringLiteral("INSERT INTO %1 (stt, ng_denchuan, noigui, loai, da_xuli, kieuupdate) VALUES ('1', '%2', '%3', '%4', %5, 0)")
                                   .arg(app.InDocTable, QLatin1String(r[0]), QString::fromUtf8(r[1]), QString::fromUtf8(r[2]), QLatin1String(r[3])));
        const char* outgoing[][2] = {{"20260110", "Công văn"}, {"20260301", "Tờ trình"}, {"20260302", "Công văn"}};
        for (const auto& r : outgoing)
            app.DocDb->Execute(QStringLiteral("INSERT INTO %1 (stt, ng_cvchuan, loai, kieuupdate) VALUES ('1', '%2', '%3', 0)")
                                   .arg(app.OutDocTable, QLatin1String(r[0]), QString::fromUtf8(r[1])));
        // Plans: begun, ended, done, urgent. Today is 9 December 2026: the second is overdue; the
        // fourth has no end and the last no beginning.
        const char* planned[][4] = {{"20260105", "20260201", "True", "False"}, {"20260110", "20261130", "False", "True"},
                                    {"20260301", "20261231", "False", "False"}, {"20260401", "", "False", "True"},
                                    {"", "20260101", "False", "True"}};
        for (const auto& r : planned)
            app.PlanDb->Execute(QStringLiteral("INSERT INTO %1 (Tendonvi, ndungtt, Tgianbdauchuan, Tgiankthucchuan, ketthuc, khan) "
                                               "VALUES ('Văn phòng', 'Tổng kết', '%2', '%3', %4, %5)")
                                    .arg(app.PlanTable, QLatin1String(r[0]), QLatin1String(r[1]), QLatin1String(r[2]), QLatin1String(r[3])));
        // Calendar: 1 January 2026 is a Thursday, its week begins on 29 December 2025.
        for (const char* d : {"20260101", "20260104", "20260105", "20260105", "20261231"})
            app.PlanDb->Execute(QStringLiteral("INSERT INTO %1 (ndung, ngaychuan) VALUES ('Giao ban', '%2')").arg(app.CalendarTable, QLatin1String(d)));
    }
    QString pdfText(const QString& file)
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    frmthongke* openWindow()
    {
        main.mnuthongke->trigger();
        auto* w = app.Owner().Find<frmthongke>(QStringLiteral("frmthongke"));
        EXPECT_TRUE(w && w->isVisible());
        return w ? activate(w) : nullptr;
    }
};

TEST_P(Statistics, EngineCountsTheRowsOfThePeriod)
{
    const Period year = WorkYearPeriod(app);
    Tally months = DocumentsByMonth(app, year);
    ASSERT_EQ(months.categories.size(), 12);
    EXPECT_EQ(months.counts[0], (QList<qint64>{2, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(months.counts[1], (QList<qint64>{1, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // A period: its months only, both ends included.
    months = DocumentsByMonth(app, {QStringLiteral("20260201"), QStringLiteral("20260315")});
    EXPECT_EQ(months.categories, (QStringList{QStringLiteral("2"), QStringLiteral("3")}));
    EXPECT_EQ(months.counts, (QList<QList<qint64>>{{1, 2}, {0, 2}}));

    const Tally senders = IncomingBySender(app, year);
    EXPECT_EQ(senders.categories, (QStringList{QStringLiteral("Bộ Tài chính"), QStringLiteral("Sở Y tế"), QStringLiteral("(không ghi)")}));
    EXPECT_EQ(senders.counts[0], (QList<qint64>{3, 2, 1}));
    EXPECT_EQ(IncomingBySender(app, year, 2).categories.size(), 2);  // only the most frequent

    // In and out together, the most used first, equal totals in dictionary order.
    const Tally types = DocumentsByType(app, year);
    EXPECT_EQ(types.categories, (QStringList{QStringLiteral("Công văn"), QStringLiteral("(không ghi)"), QStringLiteral("Quyết định"),
                                             QStringLiteral("Tờ trình")}));
    EXPECT_EQ(types.counts, (QList<QList<qint64>>{{4, 1, 1, 0}, {2, 0, 0, 1}}));

    EXPECT_EQ(IncomingDealtWith(app, year).counts[0], (QList<qint64>{3, 3}));
    EXPECT_EQ(IncomingDealtWith(app, {QStringLiteral("20260101"), QStringLiteral("20260131")}).counts[0], (QList<qint64>{1, 1}));
    // All, done, not done, urgent, overdue.
    EXPECT_EQ(PlanStates(app, year).counts[0], (QList<qint64>{4, 1, 3, 2, 1}));

    const Tally weeks = CalendarByWeek(app, year);
    ASSERT_EQ(weeks.categories.size(), 53);
    EXPECT_EQ(weeks.categories.first(), QStringLiteral("29/12"));
    EXPECT_EQ(weeks.categories.last(), QStringLiteral("28/12"));
    EXPECT_EQ(weeks.counts[0][0], 2);
    EXPECT_EQ(weeks.counts[0][1], 2);
    EXPECT_EQ(weeks.counts[0][52], 1);
    EXPECT_EQ(weeks.Total(0), 5);
}

TEST_P(Statistics, WindowShowsThePeriodByKeysAndPrintsEveryChart)
{
    frmthongke* w = openWindow();
    ASSERT_TRUE(w);
    ASSERT_EQ(w->tabs->count(), 6);
    EXPECT_TRUE(w->lbltrangthai->text().contains(QStringLiteral("Năm 2026")));
    // The chart and its table say the same.
    auto* bars = qobject_cast<QBarSeries*>(w->charts[0]->chart()->series().value(0));
    ASSERT_TRUE(bars);
    ASSERT_EQ(bars->count(), 2);
    EXPECT_EQ(bars->barSets()[0]->at(0), 2);
    EXPECT_EQ(bars->barSets()[1]->at(2), 2);
    EXPECT_EQ(w->tables[0]->item(2, 0)->text(), QStringLiteral("Tháng 3"));
    EXPECT_EQ(w->tables[0]->item(12, 1)->text(), QStringLiteral("6"));  // "Cộng"
    EXPECT_EQ(w->tables[4]->item(4, 1)->text(), QStringLiteral("1"));   // overdue

    // A period typed and read with Alt+X; a day outside the working year is refused.
    w->mtungay->setFocus();
    w->mtungay->setText(QStringLiteral("1.2.2026"));
    w->mdenngay->setText(QStringLiteral("15/3/26"));
    alt(w->mdenngay, Qt::Key_X);
    EXPECT_EQ(w->mtungay->text(), QStringLiteral("01/02/2026"));
    EXPECT_EQ(w->Tallies()[0].categories, (QStringList{QStringLiteral("2"), QStringLiteral("3")}));
    EXPECT_EQ(w->tables[0]->rowCount(), 3);
    w->mdenngay->setText(QStringLiteral("05/01/2027"));
    EXPECT_FALSE(w->Refresh());
    EXPECT_TRUE(modal.messageTexts().last().startsWith(QStringLiteral("Ngày phải là một ngày của năm làm việc 2026")));
    EXPECT_EQ(w->Shown().to, QStringLiteral("20260315"));  // the charts shown stay

    // Every chart on its page, drawn by the chart itself (its axis and legend are text).
    w->mdenngay->setText(QStringLiteral("31/12/2026"));
    alt(w->mdenngay, Qt::Key_C);  // "Cả năm"
    modal.fileToSave = folder.path(QStringLiteral("thongke.pdf"));
    QTest::mouseClick(w->cmdin, Qt::LeftButton);
    ASSERT_GT(QFileInfo(modal.fileToSave).size(), 0);
    const QString text = pdfText(modal.fileToSave);
    for (const char* title : {"Công văn đến, đi theo tháng", "Công văn đến theo nơi gửi", "Công văn đến, đi theo loại công văn",
                              "Công văn đến đã xử lý xong và chưa xong", "Kế hoạch công tác", "Lịch làm việc: số buổi theo tuần"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(title))) << title;
    EXPECT_EQ(text.count(QStringLiteral("Năm 2026")), 6);
    EXPECT_EQ(text.count(QStringLiteral("Số lượng")), 6);  // each chart's value axis
    EXPECT_TRUE(text.contains(QStringLiteral("Tháng 12")));
    if (const QByteArray shots = qgetenv("KORVANE_SHOTS"); !shots.isEmpty()) {
        for (int i = 0; i < w->tabs->count(); ++i) {
            w->tabs->setCurrentIndex(i);
            w->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/thongke%1.png").arg(i + 1));
        }
        QFile::remove(QString::fromLocal8Bit(shots) + QStringLiteral("/thongke.pdf"));
        QFile::copy(modal.fileToSave, QString::fromLocal8Bit(shots) + QStringLiteral("/thongke.pdf"));
    }

    key(w->tables[0], Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
}

TEST_P(Statistics, MainWindowCountsUndealtDocumentsAndOpensTheirList)
{
    // Counted again when the main window comes back (from a register, say).
    main.hide();
    main.show();
    EXPECT_TRUE(main.cmdchuaxuly->text().endsWith(QStringLiteral("năm 2026: 4"))) << main.cmdchuaxuly->text().toStdString();
    if (const QByteArray shots = qgetenv("KORVANE_SHOTS"); !shots.isEmpty())
        main.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/frmmain.png"));
    QTest::mouseClick(main.cmdchuaxuly, Qt::LeftButton);
    auto* list = app.Owner().Find<frmgridcvden>(QStringLiteral("frmgridcvden"));
    ASSERT_TRUE(list && list->isVisible());
    EXPECT_EQ(list->Data1->Count(), 4);
    EXPECT_EQ(list->Clause(), QStringLiteral("[da_xuli] = False"));
    EXPECT_FALSE(main.isVisible());  // as its list buttons do, the main window waits behind
}

TEST_P(Statistics, EngineFailuresAreSaidOnScreen)
{
    frmthongke* w = openWindow();
    ASSERT_TRUE(w);
    app.InDocTable = QStringLiteral("cvden1999");
    EXPECT_FALSE(w->Refresh());
    EXPECT_TRUE(w->lbltrangthai->text().startsWith(QStringLiteral("Không đọc được số liệu")));
    EXPECT_TRUE(modal.messageTexts().last().startsWith(QStringLiteral("Lỗi dữ liệu")));
    EXPECT_EQ(w->Tallies().size(), 6u);  // the charts read before stay
    main.ShowUndealtCount();
    EXPECT_TRUE(main.cmdchuaxuly->text().startsWith(QStringLiteral("Không đếm được")));
    EXPECT_FALSE(main.cmdchuaxuly->isEnabled());
}

KORVANE_ON_BOTH_ENGINES(Statistics);

}  // namespace
