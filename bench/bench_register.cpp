// The incoming register over a 100,000-row year table: opening it, paging, a grid scrolled to
// the middle, and an incremental backup of 1,000 changed rows.
//   QT_QPA_PLATFORM=offscreen build/bench/bench_register
#include "quietmodal.h"
#include "app.h"
#include "backup.h"
#include "datafiles.h"
#include "documents.h"
#include "formkit.h"
#include "frmcvden.h"
#include "frmcvdi.h"
#include "frmgrid.h"
#include "frmtracuu.h"

#include <sqlite3.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>

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
        app.DocRefFile = copy(QStringLiteral("zelttk.mdb"));
        app.PlanRefFile = app.DocRefFile;
        app.WorkYear = QStringLiteral("2026");
        app.SetYearTables();
        app.DocDb = std::make_unique<engine::Database>(app.DocFile);
        app.DocRefDb = std::make_unique<engine::Database>(app.DocRefFile);
        app.PlanRefDb = std::make_unique<engine::Database>(app.PlanRefFile);
        korvane::CreateTableFromTemplate(*app.DocDb, *app.DocDb, QStringLiteral("cvdenmau"), app.InDocTable, true);
        engine::Database& db = *app.DocDb;
        db.Execute(QStringLiteral("INSERT INTO cvden2026 (stt, ng_den, noigui, dv_nhan, tt_ndung, ng_denchuan, kieuupdate) "
                                  "VALUES ('1', '05/01/2026', 'Bộ Tài chính', 'Văn phòng', 'Về việc triển khai kế hoạch năm', '20260105', 1)"));
        for (int n = 1; n < kRows; n *= 2)
            db.Execute(QStringLiteral("INSERT INTO cvden2026 (stt, ng_den, noigui, dv_nhan, tt_ndung, ng_denchuan, kieuupdate) "
                                      "SELECT stt, ng_den, noigui, dv_nhan, tt_ndung, ng_denchuan, kieuupdate FROM cvden2026"));
        db.Execute(QStringLiteral("DELETE * FROM cvden2026 WHERE id > %1").arg(kRows));
        db.Execute(QStringLiteral("UPDATE cvden2026 SET idcu = id, stt = id"));
        // The outgoing register: ten document types taking turns, each numbered on its own.
        korvane::CreateTableFromTemplate(db, db, QStringLiteral("cvdimau"), app.OutDocTable, true);
        db.Execute(QStringLiteral("INSERT INTO cvdi2026 (loai, so_cv, dv_nhan, tt_ndung) VALUES ('Công văn', '1/UB', 'Sở Y tế', 'Về việc')"));
        for (int n = 1; n < kRows; n *= 2)
            db.Execute(QStringLiteral("INSERT INTO cvdi2026 (loai, so_cv, dv_nhan, tt_ndung) SELECT loai, so_cv, dv_nhan, tt_ndung FROM cvdi2026"));
        db.Execute(QStringLiteral("DELETE * FROM cvdi2026 WHERE id > %1").arg(kRows));
        db.Execute(QStringLiteral("UPDATE cvdi2026 SET loai = 'Loại ' & (id - (id / 10) * 10), stt = id / 10"));
        korvane::InstallDocumentWindows(app, nullptr);
    }
};

Office* office = nullptr;

void OpenRegister(benchmark::State& state)
{
    for (auto _ : state) {
        auto* form = korvane::frmcvden::Open(office->app);
        benchmark::DoNotOptimize(form->mstt->text());
        state.PauseTiming();
        form->deleteLater();
        form->hide();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

void PageUp100(benchmark::State& state)
{
    auto* form = korvane::frmcvden::Open(office->app);
    for (auto _ : state) {
        for (int k = 0; k < 100; ++k) form->Data1->MovePrevious();
        state.PauseTiming();
        form->Data1->MoveLast();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 100);
    delete form;
}

void GridScreenInTheMiddle(benchmark::State& state)
{
    auto rs = office->app.DocDb->OpenRecordset(QStringLiteral("cvden2026"));
    korvane::RecordsetModel model(rs.get(), {{QStringLiteral("stt"), QStringLiteral("Số")}, {QStringLiteral("noigui"), QStringLiteral("Nơi gửi")},
                                             {QStringLiteral("tt_ndung"), QStringLiteral("Nội dung")}});
    int top = 0;
    for (auto _ : state) {
        top = (top + 7919) % (kRows - 40);  // a new screen each time
        for (int r = top; r < top + 30; ++r)
            for (int c = 0; c < 3; ++c) benchmark::DoNotOptimize(model.data(model.index(r, c), Qt::DisplayRole));
    }
}

// The next number of a type, read from the file as the clerk changes the type of a new record.
void OutgoingNumbering(benchmark::State& state)
{
    auto* form = korvane::frmcvdi::Open(office->app);
    form->StartNew();
    const QString type = state.range(0) ? QStringLiteral("Loại 3") : QStringLiteral("Tờ trình");  // in use, or not yet
    for (auto _ : state) {
        form->Number(type);
        benchmark::DoNotOptimize(form->mstt->text());
    }
    state.SetLabel(type.toStdString() + " -> " + form->mstt->text().toStdString());
    delete form;
}

// ---- Searches and lists over the 100,000 rows -------------------------------------------------

void SearchWindowOpened(benchmark::State& state)
{
    for (auto _ : state) {
        auto* search = new korvane::frmtracuucvden(office->app);
        search->UseYearLists();
        search->show();
        state.PauseTiming();
        delete search;
        state.ResumeTiming();
    }
}

// Three conditions (numbers, a sender, a period), then the list showing its first screen.
void fillThreeConditions(korvane::DocumentSearch& search)
{
    search.mstt->setText(QStringLiteral("1000-90000"));
    search.findChild<QLineEdit*>(QStringLiteral("mnoigui"))->setText(QStringLiteral("tài"));
    search.findChild<QLineEdit*>(QStringLiteral("mng_den1"))->setText(QStringLiteral("01/01/2026"));
    search.findChild<QLineEdit*>(QStringLiteral("mng_den2"))->setText(QStringLiteral("31/12/2026"));
}

void SearchThreeConditionsToFirstScreen(benchmark::State& state)
{
    auto* search = new korvane::frmtracuucvden(office->app);
    fillThreeConditions(*search);
    long rows = 0;
    for (auto _ : state) {
        search->Search();
        auto* list = korvane::frmgridcvden::Instance(office->app);
        benchmark::DoNotOptimize(list->DBGrid1->grab());  // the first screen drawn
        rows = list->Data1->Count();
    }
    state.counters["rows"] = static_cast<double>(rows);
    delete search;
}

// The same search through the C API: the year's marks cleared, the row ids of the rows found,
// then the first screen's rows.
void SearchThreeConditionsRawCApi(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(office->app.DocFile.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const char* password = "mirokelvas";
    sqlite3_key(db, password, static_cast<int>(std::strlen(password)));
    sqlite3_exec(db, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);  // as the adapter sets it
    const char* keys = "SELECT rowid FROM cvden2026 WHERE (CAST(stt AS REAL) BETWEEN 1000 AND 90000) AND (noigui LIKE '%t\xb5i%') "
                       "AND ng_denchuan BETWEEN '20260101' AND '20261231' ORDER BY rowid";
    sqlite3_stmt* find = nullptr;
    sqlite3_stmt* row = nullptr;
    sqlite3_prepare_v2(db, keys, -1, &find, nullptr);
    sqlite3_prepare_v2(db, "SELECT * FROM cvden2026 WHERE rowid = ?", -1, &row, nullptr);
    long found = 0;
    for (auto _ : state) {
        sqlite3_exec(db, "UPDATE cvden2026 SET chonin = '' WHERE chonin = 'X'", nullptr, nullptr, nullptr);
        std::vector<sqlite3_int64> ids;
        while (sqlite3_step(find) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(find, 0));
        sqlite3_reset(find);
        for (std::size_t k = 0; k < ids.size() && k < 30; ++k) {
            sqlite3_bind_int64(row, 1, ids[k]);
            if (sqlite3_step(row) == SQLITE_ROW)
                for (int c = 0; c < sqlite3_column_count(row); ++c) benchmark::DoNotOptimize(sqlite3_column_text(row, c));
            sqlite3_reset(row);
        }
        found = static_cast<long>(ids.size());
    }
    state.counters["rows"] = static_cast<double>(found);
    sqlite3_finalize(find);
    sqlite3_finalize(row);
    sqlite3_close_v2(db);
}

void ToggleOneMark(benchmark::State& state)
{
    auto* list = korvane::frmgridcvden::Instance(office->app);
    list->ShowYear();
    int row = 0;
    for (auto _ : state) {
        list->ToggleMark(row);
        row = (row + 7919) % 1000;
    }
}

void MarkAllOfTheYear(benchmark::State& state)
{
    auto* list = korvane::frmgridcvden::Instance(office->app);
    list->ShowYear();
    for (auto _ : state) list->MarkAll();
}

void IncrementalBackup1000Of100000(benchmark::State& state)
{
    korvane::App& app = office->app;
    QTemporaryDir dir;
    app.BackupFile = dir.filePath(QStringLiteral("backup.mdb"));
    korvane::BackupRegister(app, QStringLiteral("cvden"));  // the first backup: the whole file
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        app.DocDb->Execute(QStringLiteral("UPDATE cvden2026 SET tt_ndung = 'Sửa lần %1', kieuupdate = 2 WHERE (id - %2) / 100 * 100 = id - %2")
                               .arg(round)
                               .arg(round % 100));
        state.ResumeTiming();
        korvane::BackupRegister(app, QStringLiteral("cvden"));
    }
}

}  // namespace

BENCHMARK(OpenRegister)->Unit(benchmark::kMillisecond);
BENCHMARK(PageUp100)->Unit(benchmark::kMillisecond);
BENCHMARK(GridScreenInTheMiddle)->Unit(benchmark::kMicrosecond);
BENCHMARK(OutgoingNumbering)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchWindowOpened)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchThreeConditionsToFirstScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchThreeConditionsRawCApi)->Unit(benchmark::kMillisecond);
BENCHMARK(ToggleOneMark)->Unit(benchmark::kMillisecond);
BENCHMARK(MarkAllOfTheYear)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(IncrementalBackup1000Of100000)->Unit(benchmark::kMillisecond)->Iterations(5);

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
