// Many clerks saving into one shared data file at once: W writer programs each add N rows to a
// year table (AddNew / SetField / Update, as the register windows do) while R reader programs keep
// opening record sets and finding rows in the same table until the writers are done. Each run
// starts from a fresh copy of the template: a file in the run's folder, or with --server a new
// data file on that PostgreSQL server that every table of the template is copied into. Per run
// it prints the failed programs, the rows in the file afterwards, the rows saved per second, the
// longest single AddNew+Update and the CPU time the writers used; at the end the totals over all
// runs. It exits with 1 when a program failed or a row is missing or saved twice.
//
//   build/bench/stress_writers [--runs 20] [--writers 8] [--rows 1000] [--readers 2]
//                              [--dir FOLDER] [--keep] [--server postgresql://[host/db][#prefix]]
//
// With --server (or a --dir that names a server) run N's data file is PREFIX_PID_N on that server
// ("stress" when no prefix is given); it stays there afterwards. An empty host takes the server
// from PGHOST/PGPORT/PGUSER, e.g. under tests/support/with_server.sh:
//   tests/support/with_server.sh build-rel/bench/stress_writers --server postgresql:// --runs 3
// Mind the server's max_connections: every writer and reader holds one link.
//
// The same program is also the writer and the reader (started by itself):
//   stress_writers --writer FILE ROWS TAG    prints "ok ROWS MAXMS CPUMS" or
//                                            "fail ROWS MAXMS CPUMS NUMBER TEXT"
//                                            (MAXMS counts the failed call too)
//   stress_writers --reader FILE STOPFILE    prints "ok READS ERRORS [NUMBER TEXT of the first error]"
#include "connection.h"
#include "database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The CPU time this process has used so far, user and system, in milliseconds.
double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

int runWriter(const QString& file, int rows, const QString& tag)
{
    int written = 0;
    double longest = 0;
    Clock::time_point start = Clock::now();
    try {
        engine::Database db(file);
        auto rs = db.OpenRecordset(QStringLiteral("SELECT * FROM cvden2008 WHERE id < 0"));
        for (int k = 0; k < rows; ++k) {
            start = Clock::now();
            rs->AddNew();
            const QVariant id = rs->Field(QStringLiteral("id"));
            rs->SetField(QStringLiteral("idcu"), id);
            rs->SetField(QStringLiteral("stt"), QString::number(k));
            rs->SetField(QStringLiteral("noigui"), QStringLiteral("Nơi gửi %1").arg(tag));
            rs->SetField(QStringLiteral("tt_ndung"), QStringLiteral("Nội dung số %1 của %2").arg(k).arg(tag));
            rs->SetField(QStringLiteral("ng_denchuan"), QStringLiteral("2008%1%2").arg(k % 12 + 1, 2, 10, QLatin1Char('0')).arg(k % 28 + 1, 2, 10, QLatin1Char('0')));
            rs->SetField(QStringLiteral("kieuupdate"), 1);
            rs->Update();
            longest = std::max(longest, msSince(start));
            ++written;
        }
    } catch (const engine::DbError& e) {
        longest = std::max(longest, msSince(start));
        std::printf("fail %d %.0f %.0f %d %s\n", written, longest, cpuMs(), e.number(), e.description().toUtf8().constData());
        return 1;
    }
    std::printf("ok %d %.0f %.0f\n", written, longest, cpuMs());
    return 0;
}

// Reads the way list and search windows do: a filtered, ordered dynaset moved to its end and a
// screenful read, a find with a Like criterion, a count.
int runReader(const QString& file, const QString& stopFile)
{
    long reads = 0, errors = 0;
    QString firstError;
    std::unique_ptr<engine::Database> db;
    int k = 0;
    while (!QFile::exists(stopFile)) {
        try {
            if (!db) db = std::make_unique<engine::Database>(file, engine::Database::Access::Shared);
            auto list = db->OpenRecordset(
                QStringLiteral("SELECT * FROM cvden2008 WHERE noigui Like '*%1*' ORDER BY ng_denchuan").arg(k % 8));
            if (list->RecordCount() > 0) {
                list->MoveLast();
                list->MoveFirst();
                for (int r = 0; r < 30 && !list->Eof(); ++r) {
                    list->Field(QStringLiteral("tt_ndung"));
                    list->MoveNext();
                }
            }
            auto table = db->OpenRecordset(QStringLiteral("cvden2008"));
            if (table->RecordCount() > 0) {
                table->FindFirst(QStringLiteral("tt_ndung Like '*số %1 *'").arg(k % 1000));
                table->FindLast(QStringLiteral("stt = '%1'").arg(k % 1000));
            }
            auto count = db->OpenRecordset(QStringLiteral("SELECT count(*) AS n FROM cvden2008"), engine::RecordsetType::Snapshot);
            count->Field(QStringLiteral("n"));
            ++reads;
        } catch (const engine::DbError& e) {
            if (errors++ == 0) firstError = QStringLiteral("%1 %2").arg(e.number()).arg(e.description());
            db.reset();
        }
        ++k;
    }
    std::printf("ok %ld %ld %s\n", reads, errors, firstError.toUtf8().constData());
    return 0;
}

struct Options {
    int runs = 20;
    int writers = 8;
    int rows = 1000;
    int readers = 2;
    QString dir;
    bool keep = false;
    QString server;  // a server's address: the runs' data files are made there
};

// The data file of one run on the server: the address without its "#name", then the prefix
// (the name given after '#', else "stress"), this program's id and the run's number.
QString serverFileOf(const QString& server, const QString& run)
{
    const qsizetype hash = server.lastIndexOf(QLatin1Char('#'));
    const QString address = hash < 0 ? server : server.left(hash);
    const QString prefix = hash < 0 || hash + 1 == server.size() ? QStringLiteral("stress") : server.mid(hash + 1);
    return address + QStringLiteral("#%1_%2_%3").arg(prefix).arg(QCoreApplication::applicationPid()).arg(run);
}

struct RunResult {
    int failures = 0;  // writers that gave up, and readers that met an error
    long rows = 0;     // rows in the table afterwards
    long distinctIds = 0;
    long distinctRows = 0;  // distinct (writer, row number) pairs
    double longestMs = 0;
    double writersMs = 0;     // from the first writer's start to the last one's end
    double writersCpuMs = 0;  // CPU time of all writers
    long reads = 0;
    QStringList errors;
};

QString lastLine(QProcess& p)
{
    const QList<QByteArray> lines = p.readAllStandardOutput().trimmed().split('\n');
    return QString::fromUtf8(lines.isEmpty() ? QByteArray() : lines.back()).trimmed();
}

RunResult oneRun(const Options& o, const QString& folder, int run)
{
    RunResult result;
    QDir().mkpath(folder);
    const QString copy = folder + QStringLiteral("/zeltcv.mdb");
    const QString file = o.server.isEmpty() ? copy : serverFileOf(o.server, QString::number(run));
    const QString stop = folder + QStringLiteral("/stop");
    QFile::remove(copy);
    QFile::remove(stop);
    if (!QFile::copy(QStringLiteral(KORVANE_TEMPLATE), copy)) {
        result.failures = 1;
        result.errors << QStringLiteral("cannot copy the template");
        return result;
    }
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (!o.server.isEmpty()) {
        try {
            // A new data file on the server holding every table and saved query of the template.
            engine::Database::createFile(file);
            engine::Database from(copy);
            engine::Database to(file);
            engine::CopyDataFile(from, to);
        } catch (const engine::DbError& e) {
            result.failures = 1;
            result.errors << QStringLiteral("cannot copy the template to %1: %2 %3").arg(file).arg(e.number()).arg(e.description());
            return result;
        }
    }
    try {
        // The year table, made from its template table as the program makes it.
        engine::Database db(file);
        engine::TableDef def = db.TableDefOf(QStringLiteral("cvdenmau"));
        def.name = QStringLiteral("cvden2008");
        db.CreateTable(def);
    } catch (const engine::DbError& e) {
        result.failures = 1;
        result.errors << QStringLiteral("cannot create cvden2008: %1 %2").arg(e.number()).arg(e.description());
        return result;
    }
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<std::unique_ptr<QProcess>> readers, writers;
    for (int k = 0; k < o.readers; ++k) {
        readers.push_back(std::make_unique<QProcess>());
        readers.back()->start(self, {QStringLiteral("--reader"), file, stop});
    }
    const Clock::time_point writersStart = Clock::now();
    for (int k = 0; k < o.writers; ++k) {
        writers.push_back(std::make_unique<QProcess>());
        writers.back()->start(self, {QStringLiteral("--writer"), file, QString::number(o.rows), QString::number(k)});
    }
    for (auto& w : writers) {
        w->waitForFinished(-1);
        const QString line = lastLine(*w);
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() >= 3) result.longestMs = std::max(result.longestMs, parts[2].toDouble());
        if (parts.size() >= 4) result.writersCpuMs += parts[3].toDouble();
        if (w->exitStatus() != QProcess::NormalExit || w->exitCode() != 0 || !line.startsWith(QLatin1String("ok "))) {
            ++result.failures;
            result.errors << QStringLiteral("writer: ") + (line.isEmpty() ? QStringLiteral("no output") : line);
        }
    }
    result.writersMs = msSince(writersStart);
    QFile(stop).open(QIODevice::WriteOnly);
    for (auto& r : readers) {
        r->waitForFinished(-1);
        const QString line = lastLine(*r);
        const QStringList parts = line.split(QLatin1Char(' '));
        result.reads += parts.size() >= 2 ? parts[1].toLong() : 0;
        if (r->exitCode() != 0 || parts.size() < 3 || parts[2] != QLatin1String("0")) {
            ++result.failures;
            result.errors << QStringLiteral("reader: ") + (line.isEmpty() ? QStringLiteral("no output") : line);
        }
    }
    try {
        engine::Database db(file, engine::Database::Access::ReadOnly);
        auto rs = db.OpenRecordset(QStringLiteral("SELECT count(*) AS n, count(distinct id) AS d FROM cvden2008"),
                                   engine::RecordsetType::Snapshot);
        result.rows = rs->Field(QStringLiteral("n")).toLongLong();
        result.distinctIds = rs->Field(QStringLiteral("d")).toLongLong();
        // Each writer numbers its rows: a row saved twice repeats its writer and number.
        QSet<QString> pairs;
        auto all = db.OpenRecordset(QStringLiteral("SELECT noigui, stt FROM cvden2008"), engine::RecordsetType::Snapshot);
        for (; !all->Eof(); all->MoveNext())
            pairs.insert(all->Field(QStringLiteral("noigui")).toString() + QLatin1Char('/') + all->Field(QStringLiteral("stt")).toString());
        result.distinctRows = pairs.size();
    } catch (const engine::DbError& e) {
        ++result.failures;
        result.errors << QStringLiteral("check: %1 %2").arg(e.number()).arg(e.description());
    }
    const long expected = static_cast<long>(o.writers) * o.rows;
    if (result.rows != expected || result.distinctIds != result.rows || result.distinctRows != result.rows) {
        ++result.failures;
        result.errors << QStringLiteral("rows: %1 of %2 in the file, %3 distinct ids, %4 distinct rows (lost or saved twice)")
                             .arg(result.rows)
                             .arg(expected)
                             .arg(result.distinctIds)
                             .arg(result.distinctRows);
    }
    if (!o.keep) QDir(folder).removeRecursively();
    return result;
}

int runAll(const Options& o)
{
    std::unique_ptr<QTemporaryDir> temp;
    QString base = o.dir;
    if (base.isEmpty()) {
        temp = std::make_unique<QTemporaryDir>();
        temp->setAutoRemove(!o.keep);
        base = temp->path();
    }
    std::printf("%d runs of %d writers x %d rows and %d readers, in %s\n", o.runs, o.writers, o.rows, o.readers,
                (o.server.isEmpty() ? base : serverFileOf(o.server, QStringLiteral("N"))).toUtf8().constData());
    int failures = 0;
    double longest = 0, writersMs = 0, cpuMsTotal = 0;
    long rows = 0;
    for (int run = 1; run <= o.runs; ++run) {
        const Clock::time_point start = Clock::now();
        const RunResult r = oneRun(o, base + QStringLiteral("/run%1").arg(run), run);
        failures += r.failures;
        longest = std::max(longest, r.longestMs);
        rows += r.rows;
        writersMs += r.writersMs;
        cpuMsTotal += r.writersCpuMs;
        std::printf("run %2d: failures %d, rows %ld (distinct ids %ld, distinct rows %ld), %.0f rows/s, longest AddNew+Update %.0f ms, "
                    "writers' CPU %.1f s, reads %ld, %.1f s\n",
                    run, r.failures, r.rows, r.distinctIds, r.distinctRows, r.writersMs > 0 ? r.rows * 1000.0 / r.writersMs : 0.0,
                    r.longestMs, r.writersCpuMs / 1000, r.reads, msSince(start) / 1000);
        for (const QString& e : r.errors) std::printf("        %s\n", e.toUtf8().constData());
        std::fflush(stdout);
    }
    std::printf("runs %d, failures %d, rows %ld of %ld, %.0f rows/s, longest single write %.0f ms, writers' CPU %.1f s "
                "(%.1f s per run)\n",
                o.runs, failures, rows, static_cast<long>(o.runs) * o.writers * o.rows, writersMs > 0 ? rows * 1000.0 / writersMs : 0.0,
                longest, cpuMsTotal / 1000, cpuMsTotal / 1000 / std::max(1, o.runs));
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 4 && args[0] == QLatin1String("--writer")) return runWriter(args[1], args[2].toInt(), args[3]);
    if (args.size() == 3 && args[0] == QLatin1String("--reader")) return runReader(args[1], args[2]);
    Options o;
    for (qsizetype k = 0; k < args.size(); ++k) {
        const QString& a = args[k];
        const bool hasValue = k + 1 < args.size();
        if (a == QLatin1String("--runs") && hasValue) o.runs = args[++k].toInt();
        else if (a == QLatin1String("--writers") && hasValue) o.writers = args[++k].toInt();
        else if (a == QLatin1String("--rows") && hasValue) o.rows = args[++k].toInt();
        else if (a == QLatin1String("--readers") && hasValue) o.readers = args[++k].toInt();
        else if (a == QLatin1String("--dir") && hasValue && engine::isServerName(args[k + 1])) o.server = args[++k];
        else if (a == QLatin1String("--dir") && hasValue) o.dir = args[++k];
        else if (a == QLatin1String("--server") && hasValue && engine::isServerName(args[k + 1])) o.server = args[++k];
        else if (a == QLatin1String("--keep")) o.keep = true;
        else {
            std::fprintf(stderr,
                         "usage: stress_writers [--runs N] [--writers N] [--rows N] [--readers N] [--dir FOLDER] [--keep]\n"
                         "                      [--server postgresql://[host/db][#prefix]]\n");
            return 2;
        }
    }
    return runAll(o);
}
