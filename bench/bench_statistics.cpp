// The statistics window over a 100,000-row year: each chart counted by the engine and drawn (the
// chart view rendered, as on the screen), and the whole window read for the year.
//   QT_QPA_PLATFORM=offscreen build-release/bench/bench_statistics
#include "quietmodal.h"
#include "app.h"
#include "datafiles.h"
#include "frmthongke.h"
#include "statistics.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QChartView>
#include <QTabWidget>
#include <QTemporaryDir>

namespace {

constexpr int kRows = 100000;

struct Office {
    QTemporaryDir dir;
    bench::QuietModal modal;
    korvane::App app{modal};

    Office()
    {
        auto copy = [this](const QString& name) { return bench::CopyTemplate(dir.filePath(name)); };
        app.DocFile = copy(QStringLiteral("zeltcv.MDB"));
        app.PlanFile = copy(QStringLiteral("zeltlich.MDB"));
        app.WorkYear = QStringLiteral("2026");
        app.SetYearTables();
        app.Today = [] { return QDate(2026, 12, 9); };
        app.DocDb = std::make_unique<engine::Database>(app.DocFile);
        app.PlanDb = std::make_unique<engine::Database>(app.PlanFile);
        engine::Database& doc = *app.DocDb;
        engine::Database& plan = *app.PlanDb;
        korvane::CreateTableFromTemplate(doc, doc, QStringLiteral("cvdenmau"), app.InDocTable, true);
        korvane::CreateTableFromTemplate(doc, doc, QStringLiteral("cvdimau"), app.OutDocTable, true);
        korvane::CreateTableFromTemplate(plan, plan, QStringLiteral("kehoachmau"), app.PlanTable, true);
        korvane::CreateTableFromTemplate(plan, plan, QStringLiteral("lichmau"), app.CalendarTable, true);
        // A row a day of each table, 97 senders, 29 types, a third dealt with; then doubled
        // until each table holds the rows.
        const auto eachDay = [](engine::Database& db, const std::function<QString(int, const QString&)>& row) {
            db.WriteTransaction([&] {
                int k = 0;
                for (QDate d(2026, 1, 1); d.year() == 2026; d = d.addDays(1), ++k) db.Execute(row(k, d.toString(QStringLiteral("yyyyMMdd"))));
            });
        };
        eachDay(doc, [this](int k, const QString& d) {
            return QStringLiteral("INSERT INTO %1 (stt, ng_denchuan, noigui, loai, da_xuli, tt_ndung, kieuupdate) "
                                  "VALUES ('%2', '%3', 'Sở, ngành số %4', 'Loại %5', %6, 'Về việc triển khai kế hoạch công tác năm', 0)")
                .arg(app.InDocTable).arg(k).arg(d).arg(k % 97).arg(k % 29).arg(k % 3 == 0 ? -1 : 0);
        });
        eachDay(doc, [this](int k, const QString& d) {
            return QStringLiteral("INSERT INTO %1 (stt, ng_cvchuan, dv_nhan, loai, tt_ndung, kieuupdate) "
                                  "VALUES ('%2', '%3', 'Sở Y tế', 'Loại %4', 'Về việc phòng dịch', 0)")
                .arg(app.OutDocTable).arg(k).arg(d).arg(k % 29);
        });
        eachDay(plan, [this](int k, const QString& d) {
            return QStringLiteral("INSERT INTO %1 (Tendonvi, ndungtt, Tgianbdauchuan, Tgiankthucchuan, ketthuc, khan) "
                                  "VALUES ('Văn phòng', 'Tổng kết năm', '%2', '%2', %3, %4)")
                .arg(app.PlanTable, d).arg(k % 2 ? -1 : 0).arg(k % 5 ? 0 : -1);
        });
        eachDay(plan, [this](int, const QString& d) {
            return QStringLiteral("INSERT INTO %1 (ndung, ngaychuan, giochuan) VALUES ('Giao ban', '%2', '08h00')").arg(app.CalendarTable, d);
        });
        const std::pair<engine::Database*, std::pair<QString, QString>> tables[] = {
            {&doc, {app.InDocTable, QStringLiteral("stt, ng_denchuan, noigui, loai, da_xuli, tt_ndung, kieuupdate")}},
            {&doc, {app.OutDocTable, QStringLiteral("stt, ng_cvchuan, dv_nhan, loai, tt_ndung, kieuupdate")}},
            {&plan, {app.PlanTable, QStringLiteral("Tendonvi, ndungtt, Tgianbdauchuan, Tgiankthucchuan, ketthuc, khan")}},
            {&plan, {app.CalendarTable, QStringLiteral("ndung, ngaychuan, giochuan")}}};
        for (const auto& [db, t] : tables) {
            for (int n = 365; n < kRows; n *= 2) db->Execute(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %1").arg(t.first, t.second));
            db->Execute(QStringLiteral("DELETE * FROM %1 WHERE id > %2").arg(t.first).arg(kRows));
        }
        korvane::InstallStatisticsWindow(app);
    }
};

Office* office = nullptr;

// One chart of the year: counted by the engine, made and drawn in a view of the window's size.
void Chart(benchmark::State& state)
{
    const korvane::TallyMaker& make = korvane::AllTallies()[std::size_t(state.range(0))];
    const korvane::Period year = korvane::WorkYearPeriod(office->app);
    QChartView view;
    view.resize(620, 520);
    qint64 counted = 0;
    std::string key;
    for (auto _ : state) {
        const korvane::Tally t = make(office->app, year);
        QChart* old = view.chart();
        view.setChart(korvane::frmthongke::MakeChart(t));
        delete old;
        benchmark::DoNotOptimize(view.grab());
        counted = 0;
        for (int s = 0; s < t.series.size(); ++s) counted += t.Total(s);
        key = t.key.toStdString();
    }
    state.SetLabel(key);
    state.counters["counted"] = double(counted);
}

// The window read for the year ("Cả năm"): every chart and table, the shown tab drawn.
void WholeWindow(benchmark::State& state)
{
    auto* window = korvane::frmthongke::Instance(office->app);
    window->show();
    for (auto _ : state) {
        window->ShowYear();
        benchmark::DoNotOptimize(window->grab());
    }
    // KORVANE_SHOTS names a folder for pictures of the six tabs over the full year.
    if (const QByteArray shots = qgetenv("KORVANE_SHOTS"); !shots.isEmpty())
        for (int i = 0; i < window->tabs->count(); ++i) {
            window->tabs->setCurrentIndex(i);
            window->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/year%1.png").arg(i + 1));
        }
    window->hide();
}

}  // namespace

BENCHMARK(Chart)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(WholeWindow)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    office = new Office;
    benchmark::RunSpecifiedBenchmarks();
    delete office;
    benchmark::Shutdown();
    return 0;
}
