// The week view over a 100,000-row calendar table (entries spread evenly over the year, about
// 1,900 a week): opening a week, stepping a week on and back with the grid's first screen drawn,
// and filling the print table with a week's entries.
//   QT_QPA_PLATFORM=offscreen build-cal-bench/bench/bench_week
#include "quietmodal.h"
#include "app.h"
#include "calendar.h"
#include "datafiles.h"
#include "formkit.h"
#include "frmlichtuan.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
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
        app.PlanFile = copy(QStringLiteral("zeltlich.MDB"));
        app.TempFile = copy(QStringLiteral("zelttemp.MDB"));
        app.WorkYear = QStringLiteral("2026");
        app.SetYearTables();
        app.PlanDb = std::make_unique<engine::Database>(app.PlanFile);
        app.TempDb = std::make_unique<engine::Database>(app.TempFile);
        engine::Database& db = *app.PlanDb;
        korvane::CreateTableFromTemplate(db, db, QStringLiteral("lichmau"), app.CalendarTable, true);
        // One entry a day, then doubled until the table holds the rows.
        db.WriteTransaction([&] {
            for (QDate d(2026, 1, 1); d.year() == 2026; d = d.addDays(1))
                db.Execute(QStringLiteral("INSERT INTO lich2026 (thu, ngay, ngaychuan, gio, giochuan, ndung, diadiem, nguoictri, thanhphan) "
                                          "VALUES ('%1', '%2', '%3', '8h30', '08h30', 'Giao ban lãnh đạo', 'Phòng họp số 1', "
                                          "'Giám đốc', 'Các trưởng phòng')")
                               .arg(korvane::WeekdayName(korvane::WeekdayNumber(d)), d.toString(QStringLiteral("dd/MM/yyyy")),
                                    d.toString(QStringLiteral("yyyyMMdd"))));
        });
        const QString columns = QStringLiteral("thu, ngay, ngaychuan, gio, giochuan, ndung, diadiem, nguoictri, thanhphan");
        for (int n = 365; n < kRows; n *= 2)
            db.Execute(QStringLiteral("INSERT INTO lich2026 (%1) SELECT %1 FROM lich2026").arg(columns));
        db.Execute(QStringLiteral("DELETE * FROM lich2026 WHERE id > %1").arg(kRows));
        korvane::InstallCalendarWindows(app, nullptr);
    }
};

Office* office = nullptr;

void OpenWeek(benchmark::State& state)
{
    auto* view = korvane::frmlichtuan::Instance(office->app);
    for (auto _ : state) {
        view->ShowWeek(QDate(2026, 6, 17));
        QApplication::processEvents();  // the grid's first screen drawn
    }
    state.counters["rows"] = view->DBGrid1->model()->rowCount();
    view->hide();
}

// "Tuần Sau" and "Tuần Trước" in turn: one step an iteration.
void StepWeek(benchmark::State& state)
{
    auto* view = korvane::frmlichtuan::Instance(office->app);
    view->ShowWeek(QDate(2026, 6, 17));
    QApplication::processEvents();
    bool forward = true;
    for (auto _ : state) {
        if (forward) view->NextWeek();
        else view->PreviousWeek();
        forward = !forward;
        QApplication::processEvents();
    }
    state.counters["rows"] = view->DBGrid1->model()->rowCount();
    view->hide();
}

// "In ": the week's entries copied into the print table, up to the preview question.
void FillPrintTable(benchmark::State& state)
{
    auto* view = korvane::frmlichtuan::Instance(office->app);
    view->ShowWeek(QDate(2026, 6, 17));
    for (auto _ : state) view->Print();
    auto printed = office->app.TempDb->OpenRecordset(QStringLiteral("SELECT count(*) AS n FROM inlich"), engine::RecordsetType::Snapshot);
    state.counters["rows"] = printed->Field(QStringLiteral("n")).toDouble();
    view->hide();
}

}  // namespace

BENCHMARK(OpenWeek)->Unit(benchmark::kMillisecond);
BENCHMARK(StepWeek)->Unit(benchmark::kMillisecond);
BENCHMARK(FillPrintTable)->Unit(benchmark::kMillisecond);

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
