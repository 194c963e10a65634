// A clerk of the failover run (failover.sh): adds rows to a data file on a server through the
// engine, as the register windows do (AddNew, fields, Update), and carries on when the server
// under it fails and its standby takes over.
//
//   clerk setup NAME                makes the data file NAME and its table soghi
//   clerk add NAME CLERK STOPFILE   adds rows tagged (CLERK, 1, 2, ...) until STOPFILE exists
//
// "add" keeps one Database and one record set for the whole run, so that every reconnection is
// the engine's own. It prints one line per event, with the wall-clock time in milliseconds:
//   saved SEQ MS                    Update returned: the row is committed
//   failed SEQ MS STEP NUMBER TEXT  a DbError in STEP (addnew, update, or look: reading the row
//                                   back), reported; the clerk waits and repeats the same step
//   kept SEQ MS                     the save repeated after a failure found its own row there
//                                   (the failure hid a commit that had gone through)
//   clash SEQ MS ID CLERK SEQ       the row's id is held by another clerk's row (0 0: by none);
//                                   the row starts again with a new id
//   gave_up SEQ MS                  failures went on for too long; exits with 1
#include "database.h"
#include "recordset.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QThread>

#include <cstdio>
#include <memory>

using engine::Database;
using engine::DbError;

namespace {

const QString kTable = QStringLiteral("soghi");
constexpr int kPauseMs = 200;           // after a failure, before the same step is repeated
constexpr qint64 kGiveUpMs = 30000;     // failures without a success in between

qint64 now() { return QDateTime::currentMSecsSinceEpoch(); }

int setUp(const QString& name)
{
    Database::createFile(name);
    Database db(name);
    engine::TableDef t;
    t.name = kTable;
    t.fields = {engine::FieldDef::counter(QStringLiteral("id")), engine::FieldDef::longInt(QStringLiteral("thuky")),
                engine::FieldDef::longInt(QStringLiteral("stt")), engine::FieldDef::text(QStringLiteral("noidung"), 100)};
    t.indexes = {{QStringLiteral("PrimaryKey"), true, true, {QStringLiteral("id")}}};
    db.CreateTable(t);
    std::printf("ok\n");
    return 0;
}

class Clerk {
public:
    Clerk(const QString& name, int clerk) : db_(name), clerk_(clerk)
    {
        rows_ = db_.OpenRecordset(QStringLiteral("SELECT * FROM %1 WHERE id < 0").arg(kTable));
    }

    // One row, saved however many failures it takes; false when the clerk gives up.
    bool add(int seq)
    {
        qint64 failingSince = 0;
        // Reports a failure; false once they have gone on for too long.
        auto failed = [&](const char* step, const DbError& e) {
            const qint64 t = now();
            std::printf("failed %d %lld %s %d %s\n", seq, static_cast<long long>(t), step, e.number(),
                        e.description().simplified().toUtf8().constData());
            std::fflush(stdout);
            if (!failingSince) failingSince = t;
            if (t - failingSince > kGiveUpMs) {
                std::printf("gave_up %d %lld\n", seq, static_cast<long long>(t));
                return false;
            }
            QThread::msleep(kPauseMs);
            return true;
        };
        for (;;) {
            for (;;) {
                try {
                    rows_->AddNew();
                    break;
                } catch (const DbError& e) {
                    if (!failed("addnew", e)) return false;
                }
            }
            const qint64 id = rows_->Field(QStringLiteral("id")).toLongLong();
            rows_->SetField(QStringLiteral("thuky"), clerk_);
            rows_->SetField(QStringLiteral("stt"), seq);
            rows_->SetField(QStringLiteral("noidung"), QStringLiteral("Thư ký %1, văn bản số %2").arg(clerk_).arg(seq));
            for (;;) {
                try {
                    rows_->Update();
                    print("saved", seq);
                    return true;
                } catch (const DbError& e) {
                    if (e.number() != engine::ErrDuplicateKey) {
                        if (!failed("update", e)) return false;
                        continue;
                    }
                    // The id this row was given is taken: by this very row when a save that
                    // failed had in fact been committed, else by someone else's row (a clash,
                    // printed): then the row starts again with a new id.
                    const bool own = ownsRow(id, seq);
                    rows_->CancelUpdate();
                    if (own) {
                        print("kept", seq);
                        return true;
                    }
                    if (!failed("update", e)) return false;
                    break;
                }
            }
        }
    }

private:
    void print(const char* what, int seq)
    {
        std::printf("%s %d %lld\n", what, seq, static_cast<long long>(now()));
        std::fflush(stdout);
    }

    // Whether the row with this id is this clerk's row number `seq`; a failure to look is
    // reported and the look repeated.
    bool ownsRow(qint64 id, int seq)
    {
        const qint64 start = now();
        for (;;) {
            try {
                auto rs = db_.OpenRecordset(QStringLiteral("SELECT thuky, stt FROM %1 WHERE id = %2").arg(kTable).arg(id),
                                            engine::RecordsetType::Snapshot);
                const int clerk = rs->Eof() ? 0 : rs->Field(QStringLiteral("thuky")).toInt();
                const int stt = rs->Eof() ? 0 : rs->Field(QStringLiteral("stt")).toInt();
                if (clerk == clerk_ && stt == seq) return true;
                std::printf("clash %d %lld %lld %d %d\n", seq, static_cast<long long>(now()), static_cast<long long>(id), clerk, stt);
                std::fflush(stdout);
                return false;
            } catch (const DbError& e) {
                std::printf("failed %d %lld look %d %s\n", seq, static_cast<long long>(now()), e.number(),
                            e.description().simplified().toUtf8().constData());
                std::fflush(stdout);
                if (now() - start > kGiveUpMs) return false;
                QThread::msleep(kPauseMs);
            }
        }
    }

    Database db_;
    int clerk_;
    std::unique_ptr<engine::Recordset> rows_;
};

int addRows(const QString& name, int clerk, const QString& stopFile)
{
    std::unique_ptr<Clerk> c;
    try {
        c = std::make_unique<Clerk>(name, clerk);
    } catch (const DbError& e) {
        std::printf("open_failed 0 %lld %d %s\n", static_cast<long long>(now()), e.number(), e.description().toUtf8().constData());
        return 1;
    }
    for (int seq = 1; !QFile::exists(stopFile); ++seq)
        if (!c->add(seq)) return 1;
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() == 3 && args[1] == QLatin1String("setup")) return setUp(args[2]);
        if (args.size() == 5 && args[1] == QLatin1String("add")) return addRows(args[2], args[3].toInt(), args[4]);
    } catch (const DbError& e) {
        std::printf("error %d %s\n", e.number(), e.description().toUtf8().constData());
        return 1;
    }
    std::fprintf(stderr, "usage: clerk setup NAME | clerk add NAME CLERK STOPFILE\n");
    return 2;
}
