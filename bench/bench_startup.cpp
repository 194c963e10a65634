// Start-up up to the login dialog: on a fresh data folder (only the template), and on one whose
// four year tables hold 100,000 rows each; the page check of those files alone; and a new
// working year's four tables made beside those.
// Run on the offscreen platform:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_startup
#include "app.h"
#include "frmmain.h"
#include "startup.h"
#include "yeartables.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace {

// Answers every message, and stops the start-up at the login dialog, noting the time.
class StopAtLogin : public korvane::ModalService {
public:
    QElapsedTimer clock;
    double seconds = 0;
    void message(korvane::App& app) override { app.MsgResult = QStringLiteral("ok"); }
    std::unique_ptr<QWidget> notice(korvane::App&) override { return nullptr; }
    void systemMessage(const QString&, const QString&) override {}
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    int runModal(QDialog& dialog) override
    {
        seconds = clock.nsecsElapsed() * 1e-9;
        dialog.reject();
        return QDialog::Rejected;
    }
    bool openDocument(const QString&) override { return false; }
    korvane::ReportTarget reportDestination() override { return korvane::ReportTarget::Cancel; }
};

QString makeFolder(QTemporaryDir& dir)
{
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    const QString tmpl = dir.filePath(QStringLiteral("data/zeltgoc.mdb"));
    QFile::copy(QStringLiteral(KORVANE_TEMPLATE), tmpl);
    return dir.path();
}

double startOnce(const QString& folder)
{
    StopAtLogin modal;
    korvane::App app(modal);
    app.AppFolder = folder;
    korvane::frmMain main(app);
    modal.clock.start();
    korvane::Startup(app, main).Run();
    return modal.seconds;
}

void FreshFolder(benchmark::State& state)
{
    for (auto _ : state) {
        QTemporaryDir dir;
        state.SetIterationTime(startOnce(makeFolder(dir)));
    }
}

void LargeYearTables(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString folder = makeFolder(dir);
    startOnce(folder);  // makes the local files and the year tables
    bench::fillYearTables(dir.filePath(QStringLiteral("data")), QString::number(QDate::currentDate().year()), 100000);
    for (auto _ : state) state.SetIterationTime(startOnce(folder));
}

// The page check that the structure check runs on each file at start-up, alone: the document
// and plan files whose year tables hold 100,000 rows each (about the largest files there are).
void PageCheckOfLargeFiles(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString folder = makeFolder(dir);
    startOnce(folder);
    bench::fillYearTables(dir.filePath(QStringLiteral("data")), QString::number(QDate::currentDate().year()), 100000);
    for (auto _ : state) {
        for (const char* name : {"zeltcv.MDB", "zeltlich.MDB"}) {
            engine::Database db(dir.filePath(QStringLiteral("data/") + QLatin1String(name)), engine::Database::Access::ReadOnly);
            if (!db.CheckPages().isEmpty()) state.SkipWithError("the check failed");
        }
    }
}

// The working-year window's work for a year not yet used: its four tables made from the templates,
// in files whose current year already holds 100,000 rows a table.
void NewWorkingYear(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString folder = makeFolder(dir);
    startOnce(folder);
    bench::fillYearTables(dir.filePath(QStringLiteral("data")), QString::number(QDate::currentDate().year()), 100000);
    StopAtLogin modal;
    korvane::App app(modal);
    app.DocDb = std::make_unique<engine::Database>(dir.filePath(QStringLiteral("data/zeltcv.MDB")));
    app.PlanDb = std::make_unique<engine::Database>(dir.filePath(QStringLiteral("data/zeltlich.MDB")));
    int year = 2040;
    for (auto _ : state) {
        app.WorkYear = QString::number(year++);
        if (!korvane::OpenYearTables(app)) state.SkipWithError("the year tables could not be made");
    }
}

}  // namespace

BENCHMARK(NewWorkingYear)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(FreshFolder)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(LargeYearTables)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(PageCheckOfLargeFiles)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
