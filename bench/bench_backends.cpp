// The same single-clerk work on a data file and on a data file kept on a PostgreSQL server, each
// holding a document year table of 100,000 rows: the file is filled once, then copied to the
// server. Each piece of work prints its time on both, then the summary gives server / file.
//
//   tests/support/with_server.sh build-rel/bench/bench_backends [--benchmark_filter=...]
//
// Without KORVANE_TEST_PG (set by with_server.sh) only the file half runs. The copy on the server
// (bench_PID) is left there; with_server.sh drops its whole cluster afterwards.
#include "conditions.h"
#include "database.h"
#include "sqlfunctions.h"
#include "yeartables.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kAdds = 10000;
constexpr int kNumbered = 1000;
constexpr int kScreen = 30;
constexpr int kRareRow = kRows - 5000;  // the only sender the Like find matches

const QString kTable = QStringLiteral("cvden2008");

QTemporaryDir* workDir = nullptr;
QString fileName;    // the document file
QString serverName;  // its copy on the server; empty when this run has none

// The year table of the document file: made from its template table as the program makes it,
// filled to kRows rows, then given senders, dates and summaries that vary from block to block
// (so that each condition of a search keeps only part of the rows), with one rare sender near
// the end for the find.
void makeFile()
{
    workDir = new QTemporaryDir;
    fileName = workDir->filePath(QStringLiteral("zeltcv.mdb"));
    QFile::copy(QStringLiteral(KORVANE_TEMPLATE), fileName);
    QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner);
    engine::Database db(fileName);
    engine::TableDef def = db.TableDefOf(QStringLiteral("cvdenmau"));
    def.name = kTable;
    db.CreateTable(def);
    bench::fill(db, kTable, QStringLiteral("stt, noigui, tt_ndung, ng_denchuan, kieuupdate"),
                QStringLiteral("'1', 'Bộ Tài chính', 'Về việc tăng lương', '20080105', 0"), kRows);
    const QStringList senders = {QStringLiteral("Bộ Tài chính"), QStringLiteral("UBND tỉnh Nghệ An"), QStringLiteral("Bộ Nội vụ"),
                                 QStringLiteral("Công an thành phố"), QStringLiteral("Trường Đại học Huế")};
    const QStringList summaries = {QStringLiteral("Về việc triển khai kế hoạch công tác năm"), QStringLiteral("Về việc tăng lương"),
                                   QStringLiteral("Về việc phòng dịch"), QStringLiteral("Báo cáo tổng kết quý"),
                                   QStringLiteral("Về kế hoạch tuyển dụng"), QStringLiteral("Giấy mời họp"),
                                   QStringLiteral("Về việc nâng bậc lương")};
    constexpr int kBlock = 250;
    db.WriteTransaction([&] {
        for (int first = 1, k = 0; first <= kRows; first += kBlock, ++k) {
            const int month = k % 12 + 1, day = k % 28 + 1;
            db.Execute(QStringLiteral("UPDATE %1 SET noigui = '%2', tt_ndung = '%3', ng_denchuan = '2008%4%5', ng_den = '%5/%4/2008', "
                                      "stt = '%6' WHERE id BETWEEN %7 AND %8")
                           .arg(kTable, senders[k % senders.size()], summaries[k % summaries.size()])
                           .arg(month, 2, 10, QLatin1Char('0'))
                           .arg(day, 2, 10, QLatin1Char('0'))
                           .arg(first + kBlock - 1)
                           .arg(first)
                           .arg(std::min(kRows, first + kBlock - 1)));
        }
        db.Execute(QStringLiteral("UPDATE %1 SET noigui = 'Sở Giáo dục và Đào tạo' WHERE id = %2").arg(kTable).arg(kRareRow));
    });
}

// A new data file on the server holding a copy of every table and saved query of the file.
void copyToServer()
{
    serverName = qEnvironmentVariable("KORVANE_TEST_PG") + QStringLiteral("#bench_%1").arg(QCoreApplication::applicationPid());
    engine::Database::createFile(serverName);
    engine::Database from(fileName, engine::Database::Access::ReadOnly);
    engine::Database to(serverName);
    engine::CopyDataFile(from, to);
}

const QString& nameOf(bool server) { return server ? serverName : fileName; }

// ---- open a dynaset over the table and move to its last row ------------------------------------

void OpenMoveLast(benchmark::State& state, bool server)
{
    engine::Database db(nameOf(server));
    for (auto _ : state) {
        auto rs = db.OpenRecordset(kTable);
        rs->MoveLast();
        benchmark::DoNotOptimize(rs->Field(QStringLiteral("noigui")));
    }
}

// ---- FindFirst with a Like criterion, the match near the end -----------------------------------

void FindFirstLike(benchmark::State& state, bool server)
{
    engine::Database db(nameOf(server));
    auto rs = db.OpenRecordset(kTable);
    for (auto _ : state) {
        rs->FindFirst(QStringLiteral("noigui Like '*sở*'"));
        if (rs->NoMatch() || rs->Field(QStringLiteral("id")).toInt() != kRareRow) {
            state.SkipWithError("the find did not reach its row");
            break;
        }
    }
}

// ---- a search to a list's first screen ---------------------------------------------------------
// Three conditions as the document search window writes them (a sender, a period, a summary),
// opened as a dynaset; the first screenful is read, as the list shows it.

// `withoutMarks`: the same search typed without marks, with "Không phân biệt dấu" ticked.
QString searchStatement(bool withoutMarks)
{
    QString clause;
    int count = 0;
    korvane::TextCondition(withoutMarks ? QStringLiteral("bo") : QStringLiteral("bộ"), QStringLiteral("noigui"), clause, count, withoutMarks);
    korvane::DateRangeCondition(QStringLiteral("01/01/2008"), QStringLiteral("30/06/2008"), QStringLiteral("ng_denchuan"), clause, count);
    korvane::TextCondition(withoutMarks ? QStringLiteral("ke hoach") : QStringLiteral("kế hoạch"), QStringLiteral("tt_ndung"), clause, count,
                           withoutMarks);
    return QStringLiteral("SELECT * FROM ") + kTable + QStringLiteral(" WHERE ") + clause;
}

void searchRun(benchmark::State& state, bool server, bool withoutMarks)
{
    engine::Database db(nameOf(server));
    const QString statement = searchStatement(withoutMarks);
    for (auto _ : state) {
        auto rs = db.OpenRecordset(statement, engine::RecordsetType::Dynaset);
        int read = 0;
        for (; read < kScreen && !rs->Eof(); ++read) {
            benchmark::DoNotOptimize(rs->Field(QStringLiteral("noigui")));
            benchmark::DoNotOptimize(rs->Field(QStringLiteral("tt_ndung")));
            rs->MoveNext();
        }
        state.counters["rows"] = static_cast<double>(rs->RecordCount());
        if (read < kScreen) {
            state.SkipWithError("the search found less than a screenful");
            break;
        }
    }
}

void Search(benchmark::State& state, bool server) { searchRun(state, server, false); }
void SearchWithoutMarks(benchmark::State& state, bool server) { searchRun(state, server, true); }

// ---- 10,000 AddNew / SetField / Update ---------------------------------------------------------

void AddNewUpdate(benchmark::State& state, bool server)
{
    engine::Database db(nameOf(server));
    auto rs = db.OpenRecordset(QStringLiteral("SELECT * FROM cvden2008 WHERE id < 0"));
    for (auto _ : state) bench::addDocuments(*rs, kAdds);
    state.SetItemsProcessed(state.iterations() * kAdds);
}

// ---- numbering: 1,000 saves that each take the register's next number --------------------------
// In one write transaction, as a register's save keeps its number unique: the number of the
// register's newest row is read, and the new row is written with the one after it.

void Numbering(benchmark::State& state, bool server)
{
    engine::Database db(nameOf(server));
    auto rs = db.OpenRecordset(QStringLiteral("SELECT * FROM cvden2008 WHERE id < 0"));
    const QString last = QStringLiteral("SELECT stt FROM cvden2008 ORDER BY id DESC LIMIT 1");
    qint64 previous = -1;
    for (auto _ : state) {
        for (int k = 0; k < kNumbered; ++k) {
            qint64 next = 0;
            db.WriteTransaction([&] {
                auto newest = db.OpenRecordset(last, engine::RecordsetType::Snapshot);
                next = static_cast<qint64>(engine::leadingNumber(newest->Field(QStringLiteral("stt")).toString().toStdString())) + 1;
                rs->AddNew();
                rs->SetField(QStringLiteral("stt"), QString::number(next));
                rs->SetField(QStringLiteral("noigui"), QStringLiteral("Bộ Nội vụ"));
                rs->SetField(QStringLiteral("tt_ndung"), QStringLiteral("Về việc nâng bậc lương"));
                rs->SetField(QStringLiteral("kieuupdate"), 1);
                rs->Update();
            });
            if (previous >= 0 && next != previous + 1) {
                state.SkipWithError("a number was skipped or taken twice");
                return;
            }
            previous = next;
        }
    }
    state.SetItemsProcessed(state.iterations() * kNumbered);
}

// Collects each run's time so that the file and the server can be compared at the end.
class PairReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred) times[r.benchmark_name()] = r.GetAdjustedRealTime();  // ms
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;  // milliseconds per iteration
};

struct Work {
    const char* name;
    void (*run)(benchmark::State&, bool);
    bool once;  // one iteration: the work itself is long and changes the table
    const char* figure;
};

const Work kWorks[] = {
    {"OpenMoveLast", OpenMoveLast, false, "open + MoveLast (100,000 rows)"},
    {"FindFirstLike", FindFirstLike, false, "FindFirst Like, 95,000 rows in"},
    {"Search", Search, false, "search, first 30 rows"},
    {"SearchWithoutMarks", SearchWithoutMarks, false, "the same typed without marks"},
    {"AddNewUpdate", AddNewUpdate, true, "10,000 AddNew + Update"},
    {"Numbering", Numbering, true, "1,000 numbered saves"},
};

std::string nameFor(const Work& w, bool server)
{
    return std::string(w.name) + (server ? "/server" : "/file") + (w.once ? "/iterations:1" : "");
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const bool withServer = !qEnvironmentVariableIsEmpty("KORVANE_TEST_PG");
    try {
        makeFile();
        if (withServer) copyToServer();
    } catch (const engine::DbError& e) {
        std::fprintf(stderr, "cannot make the data files: %d %s\n", e.number(), e.description().toUtf8().constData());
        return 1;
    }
    if (!withServer)
        std::printf("KORVANE_TEST_PG is not set: only the file half runs (tests/support/with_server.sh runs both)\n");
    // File and server side by side, each piece of work on both before the next.
    for (const Work& w : kWorks)
        for (const bool server : {false, true}) {
            if (server && !withServer) continue;
            auto* b = benchmark::RegisterBenchmark((std::string(w.name) + (server ? "/server" : "/file")).c_str(), w.run, server);
            b->Unit(benchmark::kMillisecond);
            if (w.once) b->Iterations(1);
        }
    PairReporter reporter;
    try {
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } catch (const engine::DbError& e) {
        std::fprintf(stderr, "failed: %d %s\n", e.number(), e.description().toUtf8().constData());
        return 1;
    }
    std::printf("\n%-32s %10s %10s %13s\n", "work", "file ms", "server ms", "server/file");
    for (const Work& w : kWorks) {
        const auto f = reporter.times.find(nameFor(w, false));
        if (f == reporter.times.end()) continue;
        const auto s = reporter.times.find(nameFor(w, true));
        if (s == reporter.times.end()) {
            std::printf("%-32s %10.2f %10s %13s\n", w.figure, f->second, "-", "-");
            continue;
        }
        std::printf("%-32s %10.2f %10.2f %13.2f\n", w.figure, f->second, s->second, s->second / f->second);
    }
    // The search typed without marks against the same search with its marks (goal: at most 1.3).
    for (const bool server : {false, true}) {
        const auto plain = reporter.times.find(std::string("Search") + (server ? "/server" : "/file"));
        const auto folded = reporter.times.find(std::string("SearchWithoutMarks") + (server ? "/server" : "/file"));
        if (plain != reporter.times.end() && folded != reporter.times.end())
            std::printf("search without marks / with marks, %s: %.2f\n", server ? "server" : "file", folded->second / plain->second);
    }
    delete workDir;
    benchmark::Shutdown();
    return 0;
}
