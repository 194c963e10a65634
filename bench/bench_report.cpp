// The report engine over rows of long Vietnamese texts (the rows of the report tests): to PDF,
// measuring and paginating alone, and a 300-row preview until its pages are painted.
//   QT_QPA_PLATFORM=offscreen build/bench/bench_report
//   QT_QPA_PLATFORM=offscreen /usr/bin/time -v build/bench/bench_report --benchmark_filter='Pdf/0/10000'
// "peak_MB" is the process's peak resident memory so far; run one case alone to read it for that case.
#include "../tests/report/samples.h"

#include "report.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QPixmap>
#include <QTemporaryDir>

#include <sys/resource.h>

namespace {

double PeakMegabytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

report::Report Prepared(const samples::Kind& kind, const report::Table& rows)
{
    report::Report r;
    r.ReportFileName = samples::DataFolder() + u'/' + kind.file;
    r.Reader = [&rows](const QString&, const QString&) { return rows; };
    r.SetFormula(0, QStringLiteral("lbltd1 = '(Những công văn được chọn)'"));
    r.SetFormula(1, QStringLiteral("tencaptren = 'ỦY BAN NHÂN DÂN TỈNH QUẢNG NGÃI'"));
    r.SetFormula(2, QStringLiteral("tendonvi = 'Văn phòng'"));
    return r;
}

// Args: template (0 incoming, 1 outgoing, 2 calendar, 3 plans), rows.
void Pdf(benchmark::State& state)
{
    const samples::Kind& kind = samples::KindAt(int(state.range(0)));
    const report::Table rows = samples::Rows(kind, int(state.range(1)));
    QTemporaryDir dir;
    report::Report r = Prepared(kind, rows);
    r.Target = report::Destination::Pdf;
    r.PdfFile = dir.filePath(QStringLiteral("bench.pdf"));
    for (auto _ : state) r.Run();
    state.counters["pages"] = double(r.Paginate().size());
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(Pdf)->Args({0, 1000})->Args({1, 1000})->Args({2, 1000})->Args({3, 1000})->Args({0, 10000})->Args({3, 10000})
    ->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);

void Paginate(benchmark::State& state)
{
    const samples::Kind& kind = samples::KindAt(int(state.range(0)));
    const report::Table rows = samples::Rows(kind, int(state.range(1)));
    report::Report r = Prepared(kind, rows);
    int pages = 0;
    for (auto _ : state) pages = int(r.Paginate().size());
    state.counters["pages"] = pages;
}
BENCHMARK(Paginate)->Args({0, 10000})->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);

// From Run() until the preview window shows its first page: the dialog has the pages painted
// when it is shown, and grabbing the window draws the visible page onto it.
void PreviewShown(benchmark::State& state)
{
    const samples::Kind& kind = samples::KindAt(int(state.range(0)));
    const report::Table rows = samples::Rows(kind, int(state.range(1)));
    report::Report r = Prepared(kind, rows);
    r.Target = report::Destination::Preview;
    r.WindowRect = QRect(70, 35, 900, 700);
    r.RunModal = [](QDialog& dialog) {
        dialog.show();
        benchmark::DoNotOptimize(dialog.grab());
        dialog.hide();
        return 0;
    };
    for (auto _ : state) r.Run();
    state.counters["pages"] = double(r.Paginate().size());
}
BENCHMARK(PreviewShown)->Args({0, 300})->Args({2, 300})->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
