// The same work through the adapter and through the raw SQLCipher C API, on one year table of
// 100,000 rows. Each pair prints its times, then the summary gives adapter / raw.
//
//   build/bench/bench_engine [--benchmark_filter=...]
#include "database.h"
#include "datafiles.h"
#include "tcvn3.h"
#include "yeartables.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kAdds = 10000;
const char* kPassword = "mirokelvas";

QTemporaryDir* workDir = nullptr;
QString docFile;

std::string tc(const char* utf8) { return tcvn3::encodeUtf8(utf8).bytes; }

sqlite3* openRaw()
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(docFile.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_key(db, kPassword, static_cast<int>(std::strlen(kPassword)));
    sqlite3_busy_timeout(db, 8000);
    sqlite3_exec(db, "PRAGMA journal_mode=PERSIST; PRAGMA synchronous=FULL; PRAGMA cache_size=-65536;", nullptr, nullptr, nullptr);
    return db;
}

// A document file whose cvden2008 holds 100,000 rows; the row that the finds look for sits near
// the end.
void makeFile()
{
    workDir = new QTemporaryDir;
    docFile = workDir->filePath(QStringLiteral("zeltcv.mdb"));
    QFile::copy(QStringLiteral(KORVANE_TEMPLATE), docFile);
    QFile::setPermissions(docFile, QFile::ReadOwner | QFile::WriteOwner);
    {
        engine::Database db(docFile);
        korvane::CreateTableFromTemplate(db, db, QStringLiteral("cvdenmau"), QStringLiteral("cvden2008"), true);
    }
    sqlite3* db = openRaw();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO cvden2008 (stt, ng_den, noigui, so_cv, loai, dv_nhan, tt_ndung, ng_denchuan, idcu, kieuupdate, chonin) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 0, '')",
                       -1, &st, nullptr);
    const std::vector<std::string> senders = {tc("Bộ Tài chính"), tc("Sở Giáo dục và Đào tạo Hà Nội"), tc("UBND tỉnh Nghệ An"),
                                              tc("Bộ Nội vụ"), tc("Công an thành phố"), tc("Trường Đại học Huế")};
    const std::string kind = tc("Công văn"), unit = tc("Phòng Tổ chức"), summary = tc("Về việc triển khai kế hoạch công tác năm");
    const std::string rare = tc("Viện Hàn lâm Khoa học");
    for (int k = 1; k <= kRows; ++k) {
        char day[16], norm[16], stt[16];
        std::snprintf(day, sizeof day, "%02d/%02d/2008", k % 28 + 1, k % 12 + 1);
        std::snprintf(norm, sizeof norm, "2008%02d%02d", k % 12 + 1, k % 28 + 1);
        std::snprintf(stt, sizeof stt, "%d", k);
        const std::string& sender = k == kRows - 5000 ? rare : senders[static_cast<std::size_t>(k) % senders.size()];
        sqlite3_bind_text(st, 1, stt, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, day, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, sender.data(), static_cast<int>(sender.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, stt, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 5, kind.data(), static_cast<int>(kind.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 6, unit.data(), static_cast<int>(unit.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 7, summary.data(), static_cast<int>(summary.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 8, norm, -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 9, k);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
}

// ---- opening a data file (start-up opens a dozen, most of them copies of the template) ---------

void Adapter_OpenFile(benchmark::State& state)
{
    for (auto _ : state) {
        engine::Database db(docFile);
        benchmark::DoNotOptimize(db.HasTable(QStringLiteral("cvden2008")));
    }
}

void Raw_OpenFile(benchmark::State& state)
{
    for (auto _ : state) {
        sqlite3* db = openRaw();
        sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        sqlite3_close_v2(db);
    }
}

// ---- open a dynaset and move to the last row ------------------------------------------------

void Adapter_OpenMoveLast(benchmark::State& state)
{
    engine::Database db(docFile);
    for (auto _ : state) {
        auto rs = db.OpenRecordset(QStringLiteral("cvden2008"));
        rs->MoveLast();
        benchmark::DoNotOptimize(rs->Field(QStringLiteral("noigui")));
    }
}

void Raw_OpenMoveLast(benchmark::State& state)
{
    sqlite3* db = openRaw();
    sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    for (auto _ : state) {
        // A cursor over every row: the keys first, then the last row itself.
        sqlite3_stmt* keys = nullptr;
        sqlite3_prepare_v2(db, "SELECT rowid FROM cvden2008", -1, &keys, nullptr);
        std::vector<sqlite3_int64> ids;
        while (sqlite3_step(keys) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(keys, 0));
        sqlite3_finalize(keys);
        sqlite3_stmt* row = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM cvden2008 WHERE rowid=?", -1, &row, nullptr);
        sqlite3_bind_int64(row, 1, ids.back());
        sqlite3_step(row);
        benchmark::DoNotOptimize(sqlite3_column_text(row, 3));
        sqlite3_finalize(row);
    }
    sqlite3_close_v2(db);
}

// ---- FindFirst with a Like criterion -----------------------------------------------------------

void Adapter_FindFirstLike(benchmark::State& state)
{
    engine::Database db(docFile);
    auto rs = db.OpenRecordset(QStringLiteral("cvden2008"));
    for (auto _ : state) {
        rs->FindFirst(QStringLiteral("noigui Like '*hàn lâm*'"));
        benchmark::DoNotOptimize(rs->Field(QStringLiteral("id")));
    }
}

void Raw_FindFirstLike(benchmark::State& state)
{
    sqlite3* db = openRaw();
    const std::string sql = "SELECT * FROM cvden2008 WHERE noigui LIKE '%" + tc("hàn lâm") + "%' ORDER BY rowid LIMIT 1";
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
        sqlite3_step(st);
        benchmark::DoNotOptimize(sqlite3_column_int64(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_close_v2(db);
}

// ---- 10,000 AddNew / Update --------------------------------------------------------------------

void Adapter_AddNewUpdate(benchmark::State& state)
{
    engine::Database db(docFile);
    auto rs = db.OpenRecordset(QStringLiteral("SELECT * FROM cvden2008 WHERE id < 0"));
    for (auto _ : state) bench::addDocuments(*rs, kAdds);
    state.SetItemsProcessed(state.iterations() * kAdds);
}

// The same guarantee by hand: the counter taken in a short transaction of its own, then the row.
void Raw_AddNewUpdate(benchmark::State& state)
{
    sqlite3* db = openRaw();
    auto prep = [db](const char* sql) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
        return st;
    };
    sqlite3_stmt* begin = prep("BEGIN IMMEDIATE");
    sqlite3_stmt* commit = prep("COMMIT");
    sqlite3_stmt* bump = prep("UPDATE sqlite_sequence SET seq = max(seq, (SELECT coalesce(max(rowid), 0) FROM cvden2008)) + 1 WHERE name = 'cvden2008'");
    sqlite3_stmt* get = prep("SELECT seq FROM sqlite_sequence WHERE name = 'cvden2008'");
    sqlite3_stmt* insert = prep("INSERT INTO cvden2008 (id, stt, noigui, tt_ndung, idcu, kieuupdate, da_xuli) VALUES (?, ?, ?, ?, ?, 1, 0)");
    const std::string sender = tc("Bộ Tài chính"), summary = tc("Về việc triển khai kế hoạch công tác năm");
    auto run = [](sqlite3_stmt* st) {
        sqlite3_step(st);
        sqlite3_reset(st);
    };
    for (auto _ : state) {
        for (int k = 0; k < kAdds; ++k) {
            run(begin);
            run(bump);
            sqlite3_step(get);
            const sqlite3_int64 id = sqlite3_column_int64(get, 0);
            sqlite3_reset(get);
            run(commit);
            const std::string stt = std::to_string(k);
            run(begin);
            sqlite3_bind_int64(insert, 1, id);
            sqlite3_bind_text(insert, 2, stt.data(), static_cast<int>(stt.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 3, sender.data(), static_cast<int>(sender.size()), SQLITE_STATIC);
            sqlite3_bind_text(insert, 4, summary.data(), static_cast<int>(summary.size()), SQLITE_STATIC);
            sqlite3_bind_int64(insert, 5, id);
            run(insert);
            run(commit);
        }
    }
    for (sqlite3_stmt* st : {begin, commit, bump, get, insert}) sqlite3_finalize(st);
    sqlite3_close_v2(db);
    state.SetItemsProcessed(state.iterations() * kAdds);
}

// ---- one search statement, as a list window opens it -------------------------------------------
// The found rows are counted and the first screenful (30 rows) is read, as a grid shows them.

const char* kSearch = "SELECT * FROM cvden2008 WHERE (([noigui] Like '*bộ*')) and [ng_denchuan] between '20080101' and '20080630'";
constexpr int kScreen = 30;

void Adapter_Search(benchmark::State& state)
{
    engine::Database db(docFile);
    for (auto _ : state) {
        auto rs = db.OpenRecordset(QString::fromUtf8(kSearch));
        rs->MoveLast();
        state.counters["rows"] = static_cast<double>(rs->RecordCount());
        rs->MoveFirst();
        for (int k = 0; k < kScreen && !rs->Eof(); ++k) {
            benchmark::DoNotOptimize(rs->Field(QStringLiteral("noigui")));
            rs->MoveNext();
        }
    }
}

void Raw_Search(benchmark::State& state)
{
    sqlite3* db = openRaw();
    const std::string sql = "SELECT rowid FROM cvden2008 WHERE ((noigui LIKE '%" + tc("bộ") +
                            "%')) and ng_denchuan between '20080101' and '20080630'";
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
        std::vector<sqlite3_int64> ids;
        while (sqlite3_step(st) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(st, 0));
        sqlite3_finalize(st);
        state.counters["rows"] = static_cast<double>(ids.size());
        sqlite3_stmt* row = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM cvden2008 WHERE rowid=?", -1, &row, nullptr);
        for (std::size_t k = 0; k < ids.size() && k < kScreen; ++k) {
            sqlite3_bind_int64(row, 1, ids[k]);
            sqlite3_step(row);
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(row, 3));
            benchmark::DoNotOptimize(tcvn3::decode(std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(row, 3)))));
            sqlite3_reset(row);
        }
        sqlite3_finalize(row);
    }
    sqlite3_close_v2(db);
}

// Collects each run's time so that the pairs can be compared at the end.
class PairReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) times[r.benchmark_name()] = r.GetAdjustedRealTime();  // in the run's unit: ms
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;  // milliseconds per iteration
};

}  // namespace

BENCHMARK(Adapter_OpenFile)->Unit(benchmark::kMillisecond);
BENCHMARK(Raw_OpenFile)->Unit(benchmark::kMillisecond);
BENCHMARK(Adapter_OpenMoveLast)->Unit(benchmark::kMillisecond);
BENCHMARK(Raw_OpenMoveLast)->Unit(benchmark::kMillisecond);
BENCHMARK(Adapter_FindFirstLike)->Unit(benchmark::kMillisecond);
BENCHMARK(Raw_FindFirstLike)->Unit(benchmark::kMillisecond);
BENCHMARK(Adapter_AddNewUpdate)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Raw_AddNewUpdate)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Adapter_Search)->Unit(benchmark::kMillisecond);
BENCHMARK(Raw_Search)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    makeFile();
    PairReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-16s %12s %12s %8s\n", "work", "adapter ms", "raw ms", "ratio");
    for (const char* work : {"OpenFile", "OpenMoveLast", "FindFirstLike", "AddNewUpdate", "Search"}) {
        const auto a = reporter.times.find(std::string("Adapter_") + work + (std::string(work) == "AddNewUpdate" ? "/iterations:1" : ""));
        const auto r = reporter.times.find(std::string("Raw_") + work + (std::string(work) == "AddNewUpdate" ? "/iterations:1" : ""));
        if (a == reporter.times.end() || r == reporter.times.end()) continue;
        std::printf("%-16s %12.2f %12.2f %8.2f\n", work, a->second, r->second, a->second / r->second);
    }
    delete workDir;
    benchmark::Shutdown();
    return 0;
}
