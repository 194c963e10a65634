// "Xuất Excel" of a 100,000-row incoming register: the rows read as the list's button reads them
// (the ids of the print statement, then the rows a lot at a time) and written as XLSX in libxlsxwriter's constant-memory mode,
// or as CSV. Besides the time, `peak_MB` is the process's peak resident memory while the export
// ran (the kernel's high-water mark, reset before each run; the whole process, the rows read
// included) and `base_MB` what was resident before it started.
//   build-release/bench/bench_export
#include "quietmodal.h"
#include "datafiles.h"
#include "database.h"
#include "export.h"
#include "recordset.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kRows = 100000;

// A line of /proc/self/status, in megabytes.
double StatusMegabytes(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::stod(line.substr(std::string(key).size())) / 1024.0;
    return 0;
}

// The peak resident memory starts again from what is resident now.
void ResetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

// The register is made by a child process, so that what making it left resident (the engine's
// caches, the heap) is not counted in this process's memory.
struct Register {
    QTemporaryDir dir;
    std::unique_ptr<engine::Database> db;

    Register()
    {
        const QString file = dir.filePath(QStringLiteral("zeltcv.MDB"));
        const pid_t child = fork();
        if (child == 0) {
            make(file);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        db = std::make_unique<engine::Database>(file);
    }

    static void make(const QString& file)
    {
        engine::Database db(bench::CopyTemplate(file));
        korvane::CreateTableFromTemplate(db, db, QStringLiteral("cvdenmau"), QStringLiteral("cvden2026"), true);
        db.Execute(QStringLiteral("INSERT INTO cvden2026 (stt, ng_den, ng_denchuan, noigui, so_cv, ng_cv, ng_cvchuan, tt_ndung, dv_nhan, kieuupdate) "
                                  "VALUES ('1', '05/01/2026', '20260105', 'Uỷ ban nhân dân tỉnh Đắk Lắk', '12/QĐ-UBND', '02/01/2026', "
                                  "'20260102', 'Về việc triển khai kế hoạch công tác năm 2026, phối hợp \"liên ngành\" của các sở', "
                                  "'Phòng Hành chính, Văn thư', 0)"));
        for (int n = 1; n < kRows; n *= 2)
            db.Execute(QStringLiteral("INSERT INTO cvden2026 (stt, ng_den, ng_denchuan, noigui, so_cv, ng_cv, ng_cvchuan, tt_ndung, dv_nhan, kieuupdate) "
                                      "SELECT stt, ng_den, ng_denchuan, noigui, so_cv, ng_cv, ng_cvchuan, tt_ndung, dv_nhan, kieuupdate FROM cvden2026"));
        db.Execute(QStringLiteral("DELETE * FROM cvden2026 WHERE id > %1").arg(kRows));
        db.Execute(QStringLiteral("UPDATE cvden2026 SET stt = id, tt_ndung = tt_ndung & ' (' & id & ')'"));
    }
};

Register* reg = nullptr;

void Export(benchmark::State& state, korvane::ExportFormat format, const char* name)
{
    const QString templateFile = QFileInfo(QStringLiteral(KORVANE_TEMPLATE)).absolutePath() + QStringLiteral("/brcvden.rpt");
    const QList<korvane::ExportColumn> columns = korvane::TemplateColumns(templateFile);
    const QString path = reg->dir.filePath(QLatin1String(name));
    double base = 0, peak = 0;
    long written = 0;
    for (auto _ : state) {
        QFile::remove(path);
        if (base == 0) base = StatusMegabytes("VmRSS:");  // before the first run
        ResetPeak();
        auto rows = korvane::ListSource(*reg->db, QStringLiteral("select * from cvden2026 order by id"), QStringLiteral("cvden2026"), nullptr);
        written = korvane::ExportRows(path, format, columns, *rows);
        rows.reset();
        peak = std::max(peak, StatusMegabytes("VmHWM:"));
    }
    if (written != kRows) state.SkipWithError("not every row was written");
    state.counters["rows"] = static_cast<double>(written);
    state.counters["base_MB"] = base;
    state.counters["peak_MB"] = peak;
    state.counters["file_MB"] = static_cast<double>(QFileInfo(path).size()) / (1024.0 * 1024.0);
}

void ExportXlsx(benchmark::State& state) { Export(state, korvane::ExportFormat::Xlsx, "ds.xlsx"); }
void ExportCsv(benchmark::State& state) { Export(state, korvane::ExportFormat::Csv, "ds.csv"); }

BENCHMARK(ExportXlsx)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ExportCsv)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    Register r;
    reg = &r;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
