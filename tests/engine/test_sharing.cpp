// Two programs on one shared file, and a program killed while it writes.
#include "fixture.h"

#include <QProcess>
#include <QThread>

#include <set>

namespace {

QProcess* startWriter(const QString& file, int rows, const QString& tag)
{
    auto* p = new QProcess;
    p->start(QStringLiteral(ENGINE_WRITER), {file, QString::number(rows), tag});
    EXPECT_TRUE(p->waitForStarted(10000));
    return p;
}

}  // namespace

TEST_F(EngineTest, TwoProgramsAddingAtOnceGetDistinctIdsAndNoError)
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
