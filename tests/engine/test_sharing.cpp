// Two programs on one shared file, and a program killed while it writes.
#include "connection.h"
#include "dbstate.h"
#include "fixture.h"

#include <QFile>
#include <QProcess>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>

#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

QProcess* startWriter(const QString& file, int rows, const QString& tag)
{
    auto* p = new QProcess;
    p->start(QStringLiteral(ENGINE_WRITER), {file, QString::number(rows), tag});
    EXPECT_TRUE(p->waitForStarted(10000));
    return p;
}

}  // namespace

TEST_P(BothEngines, TwoProgramsAddingAtOnceGetDistinctIdsAndNoError)
{
    db.reset();
    std::unique_ptr<QProcess> a(startWriter(docPath, 500, QStringLiteral("A")));
    std::unique_ptr<QProcess> b(startWriter(docPath, 500, QStringLiteral("B")));
    for (QProcess* p : {a.get(), b.get()}) {
        ASSERT_TRUE(p->waitForFinished(600000));
        EXPECT_EQ(p->exitCode(), 0);
        EXPECT_TRUE(p->readAllStandardOutput().endsWith("ok\n"));
    }
    engine::Database check(docPath);
    auto rs = check.OpenRecordset(QStringLiteral("SELECT id, idcu, noigui FROM cvden2008 WHERE id > 4"), engine::RecordsetType::Snapshot);
    EXPECT_EQ(rs->RecordCount(), 1000);
    std::set<int> ids;
    int fromA = 0;
    while (!rs->Eof()) {
        ids.insert(rs->Field(QStringLiteral("id")).toInt());
        EXPECT_EQ(rs->Field(QStringLiteral("id")), rs->Field(QStringLiteral("idcu")));
        if (rs->Field(QStringLiteral("noigui")).toString().endsWith(QLatin1Char('A'))) ++fromA;
        rs->MoveNext();
    }
    EXPECT_EQ(ids.size(), 1000u);
    EXPECT_EQ(fromA, 500);
}

TEST_F(EngineTest, AProgramKilledWhileWritingLeavesASoundFile)
{
    db.reset();
    std::unique_ptr<QProcess> writer(startWriter(docPath, 1000000, QStringLiteral("K")));
    // Once it has written some rows, kill it without warning in the middle of its writing.
    ASSERT_TRUE(writer->waitForReadyRead(60000));
    EXPECT_EQ(writer->readLine().trimmed(), QByteArray("writing"));
    QThread::msleep(300);
    writer->kill();
    writer->waitForFinished(10000);
    QString msg;
    EXPECT_TRUE(korvane::KiemtraMDB(docPath, QStringLiteral("zeltcv"), msg, nullptr));
    engine::Database after(docPath);
    auto check = after.OpenRecordset(QStringLiteral("SELECT count(*) AS n FROM cvden2008"));
    EXPECT_GT(check->Field(QStringLiteral("n")).toInt(), 4 + 20);
    // The file takes new rows, and the counter goes on past every row already written.
    auto rs = after.OpenRecordset(QStringLiteral("cvden2008"));
    rs->MoveLast();
    const int last = rs->Field(QStringLiteral("id")).toInt();
    rs->AddNew();
    EXPECT_GT(rs->Field(QStringLiteral("id")).toInt(), last);
    rs->Update();
}

// A clerk adding rows one after another writes once per row: the id of the next row is taken in
// the write that saves the previous one, so AddNew goes on while another clerk holds the file.
// Ids taken ahead and never used go back only while nobody has taken an id after them.
TEST_F(EngineTest, AddingARowTakesOneWriteAndIdsAreNeverHandedOutTwice)
{
    db->state()->conn.setBusyTimeout(std::chrono::milliseconds(300));
    auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM cvden2008 WHERE id < 0"));
    rs->AddNew();
    EXPECT_EQ(rs->Field(QStringLiteral("id")).toInt(), 5);
    rs->Update();
    {
        engine::Database clerkB(docPath);
        int secondId = 0;
        clerkB.WriteTransaction([&] {
            clerkB.Execute(QStringLiteral("UPDATE cvden2008 SET chonin = 'B' WHERE id = 1"));
            EXPECT_EQ(errorNumber([&] { rs->AddNew(); }), 0);
            secondId = rs->Field(QStringLiteral("id")).toInt();
        });
        EXPECT_EQ(secondId, 6);
        rs->SetField(QStringLiteral("stt"), QStringLiteral("6"));
        rs->Update();
    }
    // Id 7 was taken ahead; closing hands it back, so the next clerk gets it.
    rs.reset();
    db.reset();
    {
        engine::Database next(docPath);
        auto add = next.OpenRecordset(QStringLiteral("cvden2008"));
        add->AddNew();
        EXPECT_EQ(add->Field(QStringLiteral("id")).toInt(), 7);
        add->Update();
        // 8 is taken ahead again; another clerk then takes 9, so 8 stays a gap.
        engine::Database other(docPath);
        auto b = other.OpenRecordset(QStringLiteral("cvden2008"));
        b->AddNew();
        EXPECT_EQ(b->Field(QStringLiteral("id")).toInt(), 9);
        b->CancelUpdate();
    }
    engine::Database last(docPath);
    auto add = last.OpenRecordset(QStringLiteral("cvden2008"));
    add->AddNew();
    EXPECT_EQ(add->Field(QStringLiteral("id")).toInt(), 10);
    add->Update();
    EXPECT_EQ(firstColumn(last, QStringLiteral("SELECT id FROM cvden2008 WHERE id > 4")), QStringLiteral("5,6,7,10"));
}

// A clerk who finds the file locked waits while the clerk holding it makes progress, however
// long that takes, and gives up after the timeout only when nothing moves. The application is
// told when such a wait begins and ends, on the waiting thread.
TEST_F(EngineTest, AWaitingClerkWaitsOnWhileOthersProgressAndIsReported)
{
    struct Event {
        bool waiting;
        std::thread::id thread;
    };
    std::mutex eventsMutex;
    std::vector<Event> events;
    engine::SetBusyWaitObserver([&](bool waiting) {
        std::lock_guard lock(eventsMutex);
        events.push_back({waiting, std::this_thread::get_id()});
    });
    const struct Unset {
        ~Unset() { engine::SetBusyWaitObserver(nullptr); }
    } unset;
    const std::chrono::milliseconds timeout(500);
    // Another clerk saving one row, on a thread of its own.
    auto save = [&](const QString& value, std::thread::id* thread) {
        return std::async(std::launch::async, [=, this] {
            *thread = std::this_thread::get_id();
            return errorNumber([&] {
                engine::Database clerk(docPath);
                clerk.state()->conn.setBusyTimeout(timeout);
                clerk.Execute(QStringLiteral("UPDATE cvden2008 SET chonin = '%1' WHERE id = 1").arg(value));
            });
        });
    };
    for (const bool progress : {true, false}) {
        SCOPED_TRACE(progress ? "the holder makes progress" : "the holder makes none");
        events.clear();
        std::thread::id waiter;
        std::future<int> saved;
        db->WriteTransaction([&] {
            db->Execute(QStringLiteral("UPDATE cvden2008 SET mat = 'giữ' WHERE id = 2"));
            saved = save(progress ? QStringLiteral("P") : QStringLiteral("N"), &waiter);
            // Touching the file stands for the commits of busy clerks. Hold it well past the
            // waiter's timeout, or, with no progress, until the waiter has given up.
            const auto until = std::chrono::steady_clock::now() + 3 * timeout;
            while (std::chrono::steady_clock::now() < until) {
                if (saved.wait_for(std::chrono::milliseconds(100)) == std::future_status::ready) break;
                if (progress) ::utimensat(AT_FDCWD, QFile::encodeName(docPath).constData(), nullptr, 0);
            }
            if (!progress) saved.wait_for(std::chrono::seconds(30));
        });
        EXPECT_EQ(saved.get(), progress ? 0 : engine::ErrBusy);
        // The first round's save, and no other.
        EXPECT_EQ(firstColumn(*db, QStringLiteral("SELECT chonin FROM cvden2008 WHERE id = 1")), QStringLiteral("P"));
        std::lock_guard lock(eventsMutex);
        ASSERT_EQ(events.size(), 2u);
        EXPECT_TRUE(events[0].waiting);
        EXPECT_FALSE(events[1].waiting);
        EXPECT_EQ(events[0].thread, waiter);
        EXPECT_EQ(events[1].thread, waiter);
    }
}
