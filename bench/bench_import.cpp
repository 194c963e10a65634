// Importing an old document file whose year holds 100,000 incoming documents (distinct keys)
// into a fresh document file, and importing the same file again (every row already there).
//   QT_QPA_PLATFORM=offscreen build/bench/bench_import
#include "quietmodal.h"
#include "app.h"
#include "datafiles.h"
#include "importdata.h"
#include "yeartables.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr int kRows = 100000;

struct Office {
    QTemporaryDir dir;
    bench::QuietModal modal;
    korvane::App app{modal};
    QString old;

    Office()
    {
        QDir(dir.path()).mkpath(QStringLiteral("data"));
        old = bench::CopyTemplate(dir.filePath(QStringLiteral("old.mdb")));
        engine::Database src(old);
        korvane::CreateTableFromTemplate(src, src, QStringLiteral("cvdenmau"), QStringLiteral("cvden2005"), true);
        bench::fill(src, QStringLiteral("cvden2005"), QStringLiteral("stt, noigui, so_cv, tt_ndung, ng_denchuan, kieuupdate"),
                    QStringLiteral("'1', 'Bộ Tài chính', '1', 'Về việc tăng lương', '20050105', 0"), kRows);
        src.Execute(QStringLiteral("UPDATE cvden2005 SET so_cv = id, stt = id"));
        modal.file = old;
        app.AppFolder = dir.path();
        app.WorkYear = QStringLiteral("2026");
    }
    long imported()
    {
        auto rs = app.DocDb->OpenRecordset(QStringLiteral("select count(*) as n from cvden2005 where idcu = id and kieuupdate = 1"),
                                           engine::RecordsetType::Snapshot);
        return rs->Field(QStringLiteral("n")).toLongLong();
    }
    // A fresh document file in the data folder.
    void freshTarget()
    {
        app.DocDb.reset();
        app.PlanDb.reset();
        app.DocFile = bench::CopyTemplate(dir.filePath(QStringLiteral("data/zeltcv.MDB")));
        app.PlanFile = bench::CopyTemplate(dir.filePath(QStringLiteral("data/zeltlich.MDB")));
        app.DocDb = std::make_unique<engine::Database>(app.DocFile);
        app.PlanDb = std::make_unique<engine::Database>(app.PlanFile);
    }
};

Office* office = nullptr;

void ImportYearOf100000(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        office->freshTarget();
        state.ResumeTiming();
        korvane::ImportOldDataChecked(office->app, QStringLiteral("cv"));
    }
    if (office->imported() != kRows) state.SkipWithError("the import did not copy every row");
}

// The second import of the same file: a question, then nothing (answer "no") or every row replaced ("yes").
void ImportAgain(benchmark::State& state)
{
    office->freshTarget();
    office->modal.answer = QStringLiteral("no");
    korvane::ImportOldDataChecked(office->app, QStringLiteral("cv"));
    office->modal.answer = state.range(0) ? QStringLiteral("yes") : QStringLiteral("no");
    for (auto _ : state) korvane::ImportOldDataChecked(office->app, QStringLiteral("cv"));
    if (office->imported() != kRows) state.SkipWithError("the second import changed the number of rows");
}

}  // namespace

BENCHMARK(ImportYearOf100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ImportAgain)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

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
