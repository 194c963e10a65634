// The incremental backup: after any sequence of adds, corrections and backups, the backup file's
// table holds exactly the register's rows.
#include "app.h"
#include "backup.h"
#include "jetsql.h"
#include "scriptedmodal.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <random>

using namespace korvane;

namespace {

const QString kCopied = QStringLiteral("stt,ng_den,noigui,ng_cv,loai,dv_nhan,cd_dang,mat,time_xl,cv_traloi,da_xuli,tt_ndung,ng_denchuan,ng_cvchuan,idcu");

}  // namespace

class Backup : public ::testing::Test {
protected:
    void SetUp() override
    {
        app.AppFolder = folder.root();
        app.DocFile = folder.copyTemplate(QStringLiteral("zeltcv.MDB"));
        app.BackupFile = folder.path(QStringLiteral("sao luu's.mdb"));  // a quote in the path, too
        app.WorkYear = QStringLiteral("2026");
        app.SetYearTables();
        app.DocDb = std::make_unique<engine::Database>(app.DocFile);
        ASSERT_TRUE(CreateTableFromTemplate(*app.DocDb, *app.DocDb, QStringLiteral("cvdenmau"), app.InDocTable, true));
        ASSERT_TRUE(CreateTableFromTemplate(*app.DocDb, *app.DocDb, QStringLiteral("cvdimau"), app.OutDocTable, true));
    }
    // A row saved with "Ghi đĩa" in add mode.
    void add(int n)
    {
        auto rs = app.DocDb->OpenRecordset(QStringLiteral("SELECT * FROM cvden2026 WHERE id < 0"));
        rs->AddNew();
        rs->SetField(QStringLiteral("idcu"), rs->Field(QStringLiteral("id")));
        rs->SetField(QStringLiteral("stt"), QString::number(n));
        rs->SetField(QStringLiteral("noigui"), QStringLiteral("Nơi gửi %1").arg(n));
        rs->SetField(QStringLiteral("tt_ndung"), QStringLiteral("Nội dung %1").arg(n));
        rs->SetField(QStringLiteral("kieuupdate"), 1);
        rs->Update();
    }
    // A correction saved with "Ghi đĩa".
    void correct(long id, const QString& text)
    {
        app.DocDb->Execute(QStringLiteral("UPDATE cvden2026 SET tt_ndung = '%1', da_xuli = True, kieuupdate = 2, idcu = id WHERE id = %2")
                               .arg(engine::escapeQuotes(text))
                               .arg(id));
    }
    QStringList rows(engine::Database& db) const
    {
        auto rs = db.OpenRecordset(QStringLiteral("SELECT ") + kCopied + QStringLiteral(" FROM cvden2026 ORDER BY idcu"), engine::RecordsetType::Snapshot);
        QStringList out;
        for (; !rs->Eof(); rs->MoveNext()) {
            QStringList row;
            for (const QString& f : kCopied.split(QLatin1Char(','))) row.append(rs->Field(f).toString());
            out.append(row.join(QLatin1Char('|')));
        }
        return out;
    }
    void expectSame()
    {
        engine::Database backup(app.BackupFile);
        EXPECT_EQ(rows(backup), rows(*app.DocDb));
        auto pending = app.DocDb->OpenRecordset(QStringLiteral("SELECT count(*) AS n FROM cvden2026 WHERE kieuupdate > 0"));
        EXPECT_EQ(pending->Field(QStringLiteral("n")).toInt(), 0);
    }

    testing_support::TempFolder folder;
    testing_support::ScriptedModal modal;
    App app{modal};
};

TEST_F(Backup, NoPathOrTheDocumentFileItselfDoesNothing)
{
    add(1);
    for (const QString& path : {QString(), QStringLiteral(" "), QStringLiteral("ab"), app.DocFile}) {
        app.BackupFile = path;
        BackupRegister(app, QStringLiteral("cvden"));
    }
    EXPECT_EQ(QDir(folder.root()).entryList({QStringLiteral("*.mdb")}, QDir::Files | QDir::CaseSensitive), QStringList{});
    EXPECT_TRUE(modal.messages.empty());
}

TEST_F(Backup, ARegisterOf10000RowsStaysExactlyCopiedThroughAnySequence)
{
    // 10,000 rows saved over time, none backed up yet.
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui, tt_ndung, kieuupdate) VALUES ('1', 'Bộ Tài chính', 'Về việc', 1)"));
    for (int n = 1; n < 10000; n *= 2)
        app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui, tt_ndung, kieuupdate) SELECT stt, noigui, tt_ndung, 1 FROM cvden2026"));
    app.DocDb->Execute(QStringLiteral("DELETE * FROM cvden2026 WHERE id > 10000"));
    app.DocDb->Execute(QStringLiteral("UPDATE cvden2026 SET idcu = id, stt = id"));

    BackupRegister(app, QStringLiteral("cvden"));  // the first: the whole file
    expectSame();
    BackupRegister(app, QStringLiteral("cvden"));  // nothing pending: nothing happens, nothing shown
    EXPECT_TRUE(modal.messages.empty());

    std::mt19937 rng(42);
    long next = 20000;
    for (int round = 0; round < 6; ++round) {
        for (int k = 0; k < 30; ++k) {
            switch (rng() % 4) {
            case 0: add(static_cast<int>(++next)); break;
            case 1: correct(1 + static_cast<long>(rng() % 10000), QStringLiteral("Sửa lần %1 của O'Brien").arg(round)); break;
            case 2: {  // added and corrected before any backup: state 2 without a copy
                add(static_cast<int>(++next));
                auto last = app.DocDb->OpenRecordset(QStringLiteral("SELECT max(id) AS m FROM cvden2026"));
                correct(last->Field(QStringLiteral("m")).toLongLong(), QStringLiteral("Sửa ngay"));
                break;
            }
            default: correct(1 + static_cast<long>(rng() % 10000), QStringLiteral("Sửa %1").arg(k)); break;
            }
        }
        BackupRegister(app, QStringLiteral("cvden"));
        SCOPED_TRACE(round);
        expectSame();
    }
    EXPECT_EQ(modal.messageTexts().count(QStringLiteral("Máy tính đang backup dữ liệu !...")), 6);
}

TEST_F(Backup, AMissingTableIsCopiedWholeAndTheQueriesAreKept)
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

TEST_F(Backup, AFailureInTheMiddleLosesNoRow)
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
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Gặp lỗi khi đang mở file backup công văn.\r Việc backup không thực hiện được. "
                                                          "Cần thông báo cho cán bộ quản trị mạng biết !"));
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
