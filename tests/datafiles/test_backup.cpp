// The incremental backup: after any sequence of adds, corrections and backups, the backup file's
// table holds exactly the register's rows.
#include "app.h"
#include "backup.h"
#include "connection.h"
#include "datafiles.h"
#include "dbstate.h"
#include "jetsql.h"
#include "scriptedmodal.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <future>
#include <random>
#include <thread>

using namespace korvane;

// On both engines: the register's rows in a file, or on a server; the backup file is a file.
class Backup : public ::testing::TestWithParam<testing_support::Backend> {
protected:
    bool onServer() const { return GetParam() == testing_support::Backend::Server; }
    void SetUp() override
    {
        if (onServer() && testing_support::TestServer().isEmpty()) GTEST_SKIP() << testing_support::kNoServer;
        app.AppFolder = folder.root();
        app.DocFile = folder.copyTemplate(QStringLiteral("zeltcv.MDB"));
        app.BackupFile = folder.path(QStringLiteral("sao luu's.mdb"));  // a quote in the path, too
        app.WorkYear = QStringLiteral("2026");
        app.SetYearTables();
        app.DocDb = std::make_unique<engine::Database>(app.DocFile);
        ASSERT_TRUE(CreateTableFromTemplate(*app.DocDb, *app.DocDb, QStringLiteral("cvdenmau"), app.InDocTable, true));
        ASSERT_TRUE(CreateTableFromTemplate(*app.DocDb, *app.DocDb, QStringLiteral("cvdimau"), app.OutDocTable, true));
        if (onServer()) {
            app.DocDb.reset();
            app.DocFile = testing_support::ServerCopyOf(app.DocFile);
            app.DocDb = std::make_unique<engine::Database>(app.DocFile);
        }
    }
    // Gives every field of the row but its key and backup bookkeeping a value of its own.
    static void fillRow(engine::Recordset& rs, int n, const QString& tag)
    {
        for (const QString& name : rs.FieldNames()) {
            const engine::FieldDef& f = rs.FieldInfo(name);
            const QString lower = name.toLower();
            if (f.isCounter() || lower == QLatin1String("kieuupdate") || lower == QLatin1String("idcu")) continue;
            if (f.type == engine::FieldType::Boolean) rs.SetField(name, (n % 2 != 0) != (tag == QLatin1String("n")));  // a correction flips it
            else if (f.isText()) rs.SetField(name, QStringLiteral("%1%2%3").arg(tag).arg(n).arg(name).left(f.size ? f.size : 255));
            else rs.SetField(name, n);
        }
    }
    // A row saved with "Ghi đĩa" in add mode.
    void add(int n, const QString& table = QStringLiteral("cvden2026"))
    {
        auto rs = app.DocDb->OpenRecordset(QStringLiteral("SELECT * FROM %1 WHERE id < 0").arg(table));
        rs->AddNew();
        rs->SetField(QStringLiteral("idcu"), rs->Field(QStringLiteral("id")));
        fillRow(*rs, n, QStringLiteral("n"));
        rs->SetField(QStringLiteral("kieuupdate"), 1);
        rs->Update();
    }
    // A correction of every field saved with "Ghi đĩa": the state becomes 2 unless it is 1.
    void correct(long id, const QString& tag, const QString& table = QStringLiteral("cvden2026"))
    {
        auto rs = app.DocDb->OpenRecordset(QStringLiteral("SELECT * FROM %1 WHERE id = %2").arg(table).arg(id));
        if (rs->Eof()) return;
        rs->Edit();
        fillRow(*rs, static_cast<int>(id), tag);
        rs->SetField(QStringLiteral("idcu"), rs->Field(QStringLiteral("id")));
        if (rs->Field(QStringLiteral("kieuupdate")).toInt() != 1) rs->SetField(QStringLiteral("kieuupdate"), 2);
        rs->Update();
    }
    // Every field but the key and the backup state, row by row.
    static QStringList rows(engine::Database& db, const QString& table = QStringLiteral("cvden2026"))
    {
        QStringList fields;
        for (const engine::FieldDef& f : db.TableDefOf(table).fields)
            if (!f.isCounter() && f.name.toLower() != QLatin1String("kieuupdate")) fields.append(f.name);
        auto rs = db.OpenRecordset(QStringLiteral("SELECT %1 FROM %2 ORDER BY idcu").arg(fields.join(QLatin1Char(',')), table),
                                   engine::RecordsetType::Snapshot);
        QStringList out;
        for (; !rs->Eof(); rs->MoveNext()) {
            QStringList row;
            for (const QString& f : fields) row.append(f + QLatin1Char('=') + rs->Field(f).toString());
            out.append(row.join(QLatin1Char('|')));
        }
        return out;
    }
    void expectSame(const QString& table = QStringLiteral("cvden2026"), const QString& backupFile = QString())
    {
        engine::Database backup(backupFile.isEmpty() ? app.BackupFile : backupFile);
        EXPECT_EQ(rows(backup, table), rows(*app.DocDb, table));
        auto pending = app.DocDb->OpenRecordset(QStringLiteral("SELECT count(*) AS n FROM %1 WHERE kieuupdate > 0").arg(table));
        EXPECT_EQ(pending->Field(QStringLiteral("n")).toInt(), 0);
    }

    testing_support::TempFolder folder;
    testing_support::ScriptedModal modal;
    App app{modal};
};

INSTANTIATE_TEST_SUITE_P(On, Backup, ::testing::Values(testing_support::Backend::File, testing_support::Backend::Server),
                         testing_support::backendName<::testing::TestParamInfo<testing_support::Backend>>);

TEST_P(Backup, NoPathOrTheDocumentFileItselfDoesNothing)
{
    add(1);
    for (const QString& path : {QString(), QStringLiteral(" "), QStringLiteral("ab"), app.DocFile}) {
        app.BackupFile = path;
        BackupRegister(app, QStringLiteral("cvden"));
    }
    EXPECT_EQ(QDir(folder.root()).entryList({QStringLiteral("*.mdb")}, QDir::Files | QDir::CaseSensitive), QStringList{});
    EXPECT_TRUE(modal.messages.empty());
}

TEST_P(Backup, ARegisterOf10000RowsStaysExactlyCopiedThroughAnySequence)
{
    // 10,000 rows saved over time, none backed up yet.
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui, tt_ndung, kieuupdate) VALUES ('1', 'Bộ Tài chính', 'Về việc', 1)"));
    for (int n = 1; n < 10000; n *= 2)
        app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui, tt_ndung, kieuupdate) SELECT stt, noigui, tt_ndung, 1 FROM cvden2026"));
    app.DocDb->Execute(QStringLiteral("DELETE * FROM cvden2026 WHERE id > 10000"));
    app.DocDb->Execute(QStringLiteral("UPDATE cvden2026 SET idcu = id, stt = id"));

    BackupRegister(app, QStringLiteral("cvden"));  // the first: the whole file (a notice while it is copied from a server)
    expectSame();
    modal.messages.clear();
    BackupRegister(app, QStringLiteral("cvden"));  // nothing pending: nothing happens, nothing shown
    EXPECT_TRUE(modal.messages.empty());

    std::mt19937 rng(42);
    long next = 20000;
    for (int round = 0; round < 6; ++round) {
        for (int k = 0; k < 30; ++k) {
            switch (rng() % 4) {
            case 0: add(static_cast<int>(++next)); break;
            case 1: correct(1 + static_cast<long>(rng() % 10000), QStringLiteral("Sửa%1'").arg(round)); break;
            case 2: {  // added and corrected before any backup: state 2 without a copy
                add(static_cast<int>(++next));
                auto last = app.DocDb->OpenRecordset(QStringLiteral("SELECT max(id) AS m FROM cvden2026"));
                const qlonglong id = last->Field(QStringLiteral("m")).toLongLong();
                correct(id, QStringLiteral("ngay"));
                app.DocDb->Execute(QStringLiteral("UPDATE cvden2026 SET kieuupdate = 2 WHERE id = %1").arg(id));
                break;
            }
            default: correct(1 + static_cast<long>(rng() % 10000), QStringLiteral("k%1-").arg(k)); break;
            }
        }
        BackupRegister(app, QStringLiteral("cvden"));
        SCOPED_TRACE(round);
        expectSame();
    }
    EXPECT_EQ(modal.messageTexts().count(QStringLiteral("Máy tính đang backup dữ liệu !...")), 6);
}

TEST_P(Backup, EveryFieldOfBothRegistersReachesTheBackup)
{
    for (const QString& table : {QStringLiteral("cvden2026"), QStringLiteral("cvdi2026")}) add(1, table);
    BackupRegister(app, QStringLiteral("cvden"));  // the first: the whole file
    for (const QString& table : {QStringLiteral("cvden2026"), QStringLiteral("cvdi2026")}) {
        add(2, table);                           // a new row, every field filled
        correct(1, QStringLiteral("sửa"), table);  // a correction of every field of a copied row
    }
    BackupRegister(app, QStringLiteral("cvden"));
    BackupRegister(app, QStringLiteral("cvdi"));
    for (const QString& table : {QStringLiteral("cvden2026"), QStringLiteral("cvdi2026")}) {
        SCOPED_TRACE(table.toStdString());
        expectSame(table);
        engine::Database backup(app.BackupFile);
        EXPECT_EQ(backup.OpenRecordset(QStringLiteral("SELECT so_cv FROM %1 WHERE idcu = 1").arg(table))->Field(QStringLiteral("so_cv")),
                  QStringLiteral("sửa1so_cv"));
    }
}

TEST_P(Backup, AMissingTableIsCopiedWholeAndTheQueriesAreKept)
{
    add(1);
    BackupRegister(app, QStringLiteral("cvden"));  // whole file, before the outgoing table has rows
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvdi2026 (stt, dv_nhan, kieuupdate, idcu) VALUES ('1', 'Sở Y tế', 1, 1)"));
    {
        engine::Database backup(app.BackupFile);
        backup.Execute(QStringLiteral("DROP TABLE cvdi2026"));
    }
    BackupRegister(app, QStringLiteral("cvdi"));
    {
        engine::Database backup(app.BackupFile);
        EXPECT_EQ(backup.OpenRecordset(QStringLiteral("cvdi2026"))->Field(QStringLiteral("dv_nhan")).toString(), QStringLiteral("Sở Y tế"));
        EXPECT_TRUE(backup.TableDefOf(QStringLiteral("cvdi2026")).indexes.value(0).primary);
    }
    EXPECT_EQ(app.DocDb->OpenRecordset(QStringLiteral("cvdi2026"))->Field(QStringLiteral("kieuupdate")).toInt(), 0);
    // The saved queries come into being on the next incremental run, and a text that differs only
    // by line breaks, blanks, case or a final ";" is left as it is.
    add(2);
    BackupRegister(app, QStringLiteral("cvden"));
    const QString wanted = QStringLiteral("select * from cvden2026 in '%1'").arg(engine::escapeQuotes(app.BackupFile));
    EXPECT_EQ(app.DocDb->QueryDefSql(QStringLiteral("Qrbangcvden")), wanted);
    const QString variant = QStringLiteral("SELECT *\r\nFROM  cvden2026 in '%1';").arg(engine::escapeQuotes(app.BackupFile));
    app.DocDb->SetQueryDefSql(QStringLiteral("Qrbangcvden"), variant);
    add(3);
    BackupRegister(app, QStringLiteral("cvden"));
    EXPECT_EQ(app.DocDb->QueryDefSql(QStringLiteral("Qrbangcvden")), variant);
    expectSame();
}

TEST_P(Backup, AFailureInTheMiddleLosesNoRow)
{
    add(1);
    BackupRegister(app, QStringLiteral("cvden"));
    add(2);
    correct(1, QStringLiteral("đã sửa"));
    // The backup's table lacks a column: the copy fails half-way.
    {
        engine::Database backup(app.BackupFile);
        backup.Execute(QStringLiteral("DROP TABLE cvden2026"));
        backup.Execute(QStringLiteral("CREATE TABLE cvden2026 (id INTEGER PRIMARY KEY, stt TEXT)"));
    }
    BackupRegister(app, QStringLiteral("cvden"));
    // A server's backup names its step: the rows were read, the file refused them.
    const QString step = onServer() ? QStringLiteral("ghi các công văn vào file backup.") : QStringLiteral("mở file backup công văn.");
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Gặp lỗi khi đang ") + step +
                                               QStringLiteral("\r Việc backup không thực hiện được. Cần thông báo cho cán bộ quản trị mạng biết !"));
    auto states = app.DocDb->OpenRecordset(QStringLiteral("SELECT kieuupdate FROM cvden2026 ORDER BY id"), engine::RecordsetType::Snapshot);
    EXPECT_EQ(states->Field(QStringLiteral("kieuupdate")).toInt(), 2);
    states->MoveNext();
    EXPECT_EQ(states->Field(QStringLiteral("kieuupdate")).toInt(), 1);
    // Mended table: the next backup copies both rows.
    {
        engine::Database backup(app.BackupFile);
        backup.Execute(QStringLiteral("DROP TABLE cvden2026"));
    }
    BackupRegister(app, QStringLiteral("cvden"));
    expectSame();
}

TEST_P(Backup, AFirstCopyThatCannotCommitLeavesNoFileAndTheNextCopiesEachRowOnce)
{
    for (int n = 1; n <= 3; ++n) add(n);
    if (!onServer()) {
        // Another clerk is reading the file: this write cannot commit.
        engine::Database reader(app.DocFile);
        engine::Statement reading(reader.state()->conn, "SELECT * FROM cvden2026");
        ASSERT_TRUE(reading.step());
        app.DocDb->state()->conn.setBusyTimeout(std::chrono::milliseconds(200));
        BackupRegister(app, QStringLiteral("cvden"));
        reading.reset();
        ASSERT_FALSE(modal.messages.empty());  // the clerk is told the backup was not made
        EXPECT_TRUE(modal.messageTexts().last().startsWith(QStringLiteral("Gặp lỗi khi đang chép toàn bộ dữ liệu công văn sang file backup ")));
    }
    EXPECT_FALSE(QFile::exists(app.BackupFile));
    // A copy cut off half-way by a crash is left beside the backup path.
    QFile half(app.BackupFile + QStringLiteral(".new"));
    ASSERT_TRUE(half.open(QIODevice::WriteOnly) && half.write("half a copy") > 0);
    half.close();
    BackupRegister(app, QStringLiteral("cvden"));
    EXPECT_FALSE(half.exists());
    expectSame();
    add(4);
    correct(1, QStringLiteral("sửa"));
    BackupRegister(app, QStringLiteral("cvden"));
    expectSame();
}

TEST_P(Backup, ClerksWithBackupFilesOfTheirOwnEachReceiveEveryChange)
{
    for (int n = 1; n <= 3; ++n) add(n);
    // The second clerk's backup file was made before this program kept a change log (a plain copy).
    testing_support::ScriptedModal modal2;
    App clerk2{modal2};
    clerk2.AppFolder = app.AppFolder;
    clerk2.DocFile = app.DocFile;
    clerk2.BackupFile = folder.path(QStringLiteral("clerk2.mdb"));
    clerk2.WorkYear = app.WorkYear;
    clerk2.SetYearTables();
    clerk2.DocDb = std::make_unique<engine::Database>(clerk2.DocFile);
    if (onServer()) {
        engine::Database::createFile(clerk2.BackupFile);
        engine::Database copy(clerk2.BackupFile);
        engine::CopyDataFile(*app.DocDb, copy);
    } else {
        ASSERT_TRUE(QFile::copy(app.DocFile, clerk2.BackupFile));
    }
    app.DocDb->Execute(QStringLiteral("UPDATE cvden2026 SET kieuupdate = 0"));
    add(4);
    correct(2, QStringLiteral("trước"));
    BackupRegister(app, QStringLiteral("cvden"));  // the first clerk's first: the whole file
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        // Written by each clerk, and by a writer that leaves the backup state alone.
        add(10 + round);
        clerk2.DocDb->Execute(QStringLiteral("UPDATE cvden2026 SET tt_ndung = 'lần %1', kieuupdate = 2 WHERE id = 1").arg(round));
        app.DocDb->Execute(QStringLiteral("UPDATE cvden2026 SET so_cv = 'số %1' WHERE id = 3").arg(round));
        App& first = round % 2 ? clerk2 : app;
        App& second = round % 2 ? app : clerk2;
        BackupRegister(first, QStringLiteral("cvden"));
        BackupRegister(second, QStringLiteral("cvden"));
        expectSame(QStringLiteral("cvden2026"), app.BackupFile);
        expectSame(QStringLiteral("cvden2026"), clerk2.BackupFile);
    }
    // A save that began first but commits after a later one: the backup waits for it, or the
    // next would take its change for copied.
    {
        std::promise<void> written;
        std::thread slowClerk([&] {
            engine::Database other(app.DocFile);
            engine::Connection& c = other.state()->conn;
            c.rowTransaction([&] {
                c.exec("UPDATE cvden2026 SET tt_ndung = 'cham' WHERE id = 2");
                written.set_value();
                std::this_thread::sleep_for(std::chrono::milliseconds(400));
            });
        });
        written.get_future().wait();
        if (onServer()) app.DocDb->Execute(QStringLiteral("UPDATE cvden2026 SET tt_ndung = 'nhanh' WHERE id = 3"));
        BackupRegister(app, QStringLiteral("cvden"));
        slowClerk.join();
        BackupRegister(app, QStringLiteral("cvden"));
        expectSame(QStringLiteral("cvden2026"), app.BackupFile);
    }
    EXPECT_TRUE(modal.messages.empty() || modal.messageTexts().count(QStringLiteral("Máy tính đang backup dữ liệu !...")) == modal.messageTexts().size());
    EXPECT_TRUE(modal2.messageTexts().count(QStringLiteral("Máy tính đang backup dữ liệu !...")) == modal2.messageTexts().size());
}
