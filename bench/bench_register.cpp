// The incoming register over a 100,000-row year table: opening it, paging, a grid scrolled to
// the middle, and an incremental backup of 1,000 changed rows.
//   QT_QPA_PLATFORM=offscreen build/bench/bench_register
#include "app.h"
#include "backup.h"
#include "formkit.h"
#include "frmcvden.h"
#include "frmcvdi.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>

namespace {

class Quiet : public korvane::ModalService {
public:
    void message(korvane::App& app) override { app.MsgResult = QStringLiteral("no"); }
    std::unique_ptr<QWidget> notice(korvane::App&) override { return nullptr; }
    void systemMessage(const QString&, const QString&) override {}
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    int runModal(QDialog& d) override { return d.result(); }
    bool openDocument(const QString&) override { return false; }
    korvane::ReportTarget reportDestination() override { return korvane::ReportTarget::Cancel; }
};

constexpr int kRows = 100000;

struct Office {
    QTemporaryDir dir;
    Quiet modal;
    korvane::App app{modal};

    Office()
    {
        auto copy = [this](const QString& name) {
            const QString path = dir.filePath(name);
            QFile::copy(QStringLiteral(KORVANE_TEMPLATE), path);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
            return path;
        };
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
    }
};

Office* office = nullptr;

void OpenRegister(benchmark::State& state)
{
    for (auto _ : state) {
        auto* form = korvane::frmcvden::Open(office->app, nullptr);
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
    auto* form = korvane::frmcvden::Open(office->app, nullptr);
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
    auto* form = korvane::frmcvdi::Open(office->app, nullptr);
    form->StartNew();
    const QString type = state.range(0) ? QStringLiteral("Loại 3") : QStringLiteral("Tờ trình");  // in use, or not yet
    for (auto _ : state) {
        form->Number(type);
        benchmark::DoNotOptimize(form->mstt->text());
    }
    state.SetLabel(type.toStdString() + " -> " + form->mstt->text().toStdString());
    delete form;
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
