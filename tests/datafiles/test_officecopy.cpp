// An office moved onto a server and back: every row of every file arrives unchanged, a place
// that holds data is refused, and a copy cut off half-way leaves nothing under the office's names.
#include "datapaths.h"
#include "officecopy.h"
#include "testfiles.h"

#include "database.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

using namespace korvane;
using testing_support::TempFolder;

namespace {

const QStringList kYears = {QStringLiteral("2024"), QStringLiteral("2025"), QStringLiteral("2026")};

// An office in `folder`/`sub`: three years of `rows` incoming documents with Vietnamese texts,
// quotes and yes/no values, a plan, a saved query and a user of its own.
OfficeFiles makeOffice(const TempFolder& folder, const QString& sub, int rows)
{
    QDir(folder.root()).mkpath(sub);
    const OfficeFiles office = OfficeInFolder(folder.path(sub));
    for (const QString& file : office.all()) folder.copyTemplate(sub + QLatin1Char('/') + QFileInfo(file).fileName());
    engine::Database doc(office.documents);
    for (const QString& year : kYears) {
        engine::TableDef def = doc.TableDefOf(QStringLiteral("cvdenmau"));
        def.name = QStringLiteral("cvden") + year;
        doc.CreateTable(def);
        const QString cols = QStringLiteral("stt, noigui, tt_ndung, ng_denchuan, kieuupdate, da_xuli");
        doc.Execute(QStringLiteral("INSERT INTO %1 (%2) VALUES ('1', 'Sở Tư pháp Đà Nẵng', 'Về việc ''thí điểm'', \"hồ sơ\"', '%3', 1, True)")
                        .arg(def.name, cols, year + QStringLiteral("0105")));
        for (int n = 1; n < rows; n *= 2)
            doc.Execute(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %1").arg(def.name, cols));
        doc.Execute(QStringLiteral("DELETE FROM %1 WHERE id > %2").arg(def.name).arg(rows));
        doc.Execute(QStringLiteral("UPDATE %1 SET stt = id, noigui = noigui & ' số ' & id WHERE id < %2").arg(def.name).arg(rows - 100));
        doc.Execute(QStringLiteral("UPDATE %1 SET da_xuli = False, tt_ndung = Null WHERE id > %2").arg(def.name).arg(rows / 2));
    }
    doc.CreateQueryDef(QStringLiteral("Qrdanang"), QStringLiteral("SELECT * FROM cvden2026 WHERE noigui Like '*Đà Nẵng*'"));
    engine::Database plans(office.plans);
    engine::TableDef plan = plans.TableDefOf(QStringLiteral("kehoachmau"));
    plan.name = QStringLiteral("kehoach2026");
    plans.CreateTable(plan);
    plans.Execute(QStringLiteral("INSERT INTO kehoach2026 (ndungtt, tendonvi) VALUES ('Họp giao ban', 'Văn phòng')"));
    engine::Database(office.reference)
        .Execute(QStringLiteral("INSERT INTO nguoidung (hoten, tentrenmang, quyenhan, matkhau) VALUES ('Nguyễn Thị Lan', 'lan', 'CB', 'mk')"));
    return office;
}

std::vector<engine::TableContents> contentsOf(const QString& name)
{
    engine::Database db(name, engine::Database::Access::ReadOnly);
    return engine::Contents(db);
}

void expectSameRows(const OfficeFiles& a, const OfficeFiles& b)
{
    for (qsizetype k = 0; k < a.all().size(); ++k) {
        SCOPED_TRACE(b.all()[k].toStdString());
        EXPECT_EQ(contentsOf(a.all()[k]), contentsOf(b.all()[k]));
    }
}

bool isThere(const QString& name)
{
    try {
        engine::Database db(name, engine::Database::Access::ReadOnly);
        return true;
    } catch (const engine::DbError& e) {
        EXPECT_EQ(e.number(), engine::ErrFileNotFound) << e.description().toStdString();
        return false;
    }
}

}  // namespace

TEST(ServerOffice, FilesGoToAServerAndBackRowForRow)
{
    if (testing_support::TestServer().isEmpty()) GTEST_SKIP() << testing_support::kNoServer;
    TempFolder folder;
    const OfficeFiles office = makeOffice(folder, QStringLiteral("vanphong"), 10000);
    ASSERT_EQ(contentsOf(office.documents).size(), 17u);  // the template's 14 and three years
    const QString address = testing_support::NewServerDatabase();
    const OfficeFiles server = OfficeOnServer(address + QStringLiteral("#bo qua"));  // a name after "#" is not the office's
    EXPECT_EQ(server.documents, address + QStringLiteral("#zeltcv"));

    int lastDone = -1, lastTotal = 0;
    const CopyOutcome up = CopyOffice(office, server, [&](const QString&, int done, int total) {
        EXPECT_GT(done, lastDone);
        lastDone = done;
        lastTotal = total;
    });
    ASSERT_TRUE(up.done) << up.text.toStdString();
    EXPECT_EQ(lastDone, lastTotal);
    EXPECT_TRUE(up.text.contains(QStringLiteral("%1: 17 bảng, 300").arg(server.documents))) << up.text.toStdString();
    expectSameRows(office, server);
    {
        engine::Database doc(server.documents);
        EXPECT_EQ(doc.QueryDefSql(QStringLiteral("Qrdanang")), QStringLiteral("SELECT * FROM cvden2026 WHERE noigui Like '*Đà Nẵng*'"));
        EXPECT_EQ(doc.OpenRecordset(QStringLiteral("Qrdanang"))->RecordCount(), 10000);
        // The counter goes on after every number the file handed out, rows deleted since included
        // (16,384 were written, 10,000 kept), for a new row and for a statement alike.
        auto rs = doc.OpenRecordset(QStringLiteral("SELECT * FROM cvden2026 WHERE id < 0"));
        rs->AddNew();
        EXPECT_EQ(rs->Field(QStringLiteral("id")).toInt(), 16385);
        rs->CancelUpdate();
        engine::Database ref(server.reference);
        ref.Execute(QStringLiteral("INSERT INTO nguoidung (hoten, tentrenmang, quyenhan, matkhau) VALUES ('Trần Văn Nam', 'nam', 'CB', 'mk')"));
        EXPECT_EQ(ref.OpenRecordset(QStringLiteral("SELECT count(*) AS n FROM nguoidung"), engine::RecordsetType::Snapshot)->Field(QStringLiteral("n")).toInt(),
                  engine::Database(office.reference).OpenRecordset(QStringLiteral("SELECT count(*) AS n FROM nguoidung"), engine::RecordsetType::Snapshot)
                          ->Field(QStringLiteral("n")).toInt() + 1);
        ref.Execute(QStringLiteral("DELETE FROM nguoidung WHERE tentrenmang = 'nam'"));
    }

    // A place holding the office's data is refused and keeps what it holds.
    const CopyOutcome twice = CopyOffice(office, server);
    EXPECT_FALSE(twice.done);
    EXPECT_EQ(twice.text, QStringLiteral("Đã có dữ liệu %1 trên máy chủ: chỉ chép vào cơ sở dữ liệu chưa có dữ liệu.").arg(server.documents));
    EXPECT_EQ(contentsOf(server.documents)[0].rows, contentsOf(office.documents)[0].rows);

    // Back into files: every row equals the first files'.
    const OfficeFiles back = OfficeInFolder(folder.path(QStringLiteral("ve")));
    QDir().mkpath(folder.path(QStringLiteral("ve")));
    const CopyOutcome down = CopyOffice(server, back);
    ASSERT_TRUE(down.done) << down.text.toStdString();
    expectSameRows(office, back);
    {
        // One letter's case in one row is a difference, of that table alone.
        const auto before = contentsOf(back.documents);
        engine::Database(back.documents).Execute(QStringLiteral("UPDATE cvden2025 SET noigui = 'sở Tư pháp Đà Nẵng số 9' WHERE id = 9"));
        const auto after = contentsOf(back.documents);
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t k = 0; k < after.size(); ++k) {
            EXPECT_EQ(after[k].rows, before[k].rows);
            EXPECT_EQ(after[k].checksum == before[k].checksum, after[k].table != QLatin1String("cvden2025")) << after[k].table.toStdString();
        }
    }
    EXPECT_EQ(engine::Database(back.reference).OpenRecordset(QStringLiteral("SELECT hoten FROM nguoidung WHERE tentrenmang = 'lan'"))
                  ->Field(QStringLiteral("hoten")),
              QStringLiteral("Nguyễn Thị Lan"));
    {
        engine::Database doc(back.documents);
        auto rs = doc.OpenRecordset(QStringLiteral("SELECT * FROM cvden2026 WHERE id < 0"));
        rs->AddNew();
        EXPECT_EQ(rs->Field(QStringLiteral("id")).toInt(), 16386);  // past the one the server handed out above, too
        rs->CancelUpdate();
    }
    // A folder holding an office's file, whatever the letter case of its name, is refused.
    QFile::rename(back.plans, folder.path(QStringLiteral("ve/ZELTLICH.MDB")));
    const CopyOutcome filesTwice = CopyOffice(server, OfficeInFolder(folder.path(QStringLiteral("ve"))));
    EXPECT_FALSE(filesTwice.done);
    EXPECT_TRUE(filesTwice.text.startsWith(QStringLiteral("Đã có file %1").arg(back.documents))) << filesTwice.text.toStdString();
    QFile::remove(back.documents);
    const CopyOutcome upperCase = CopyOffice(server, OfficeInFolder(folder.path(QStringLiteral("ve"))));
    EXPECT_FALSE(upperCase.done);
    EXPECT_TRUE(upperCase.text.startsWith(QStringLiteral("Đã có file %1").arg(folder.path(QStringLiteral("ve/ZELTLICH.MDB")))))
        << upperCase.text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(back.documents));

    // Two data files with reference files of their own cannot become one office.
    OfficeFiles split = office;
    split.plans = makeOffice(folder, QStringLiteral("rieng"), 1).plans;
    const CopyOutcome refused = CopyOffice(split, OfficeOnServer(testing_support::NewServerDatabase()));
    EXPECT_FALSE(refused.done);
    EXPECT_TRUE(refused.text.contains(QStringLiteral("không dùng chung một file tham khảo"))) << refused.text.toStdString();
}

TEST(ServerOffice, ACopyCutOffLeavesNothingUnderTheOfficesNamesAndCanBeRunAgain)
{
    if (testing_support::TestServer().isEmpty()) GTEST_SKIP() << testing_support::kNoServer;
    TempFolder folder;
    const OfficeFiles office = makeOffice(folder, QStringLiteral("vanphong"), 10000);
    QDir(folder.root()).mkpath(QStringLiteral("home/data"));
    ASSERT_TRUE(WriteSysmem(folder.path(QStringLiteral("home/data/sysmem")), {office.plans, office.documents, QStringLiteral(" "), QStringLiteral("2026")}));
    const QString address = testing_support::NewServerDatabase();
    const OfficeFiles server = OfficeOnServer(address);

    auto korvane = [&](QProcess& p, QStringList args = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KORVANE_HOME"), folder.path(QStringLiteral("home")));
        p.setProcessEnvironment(env);
        if (args.isEmpty()) args = QStringList{QStringLiteral("--copy-to-server"), address};
        p.start(QStringLiteral(KORVANE_BINARY), args);
        return p.waitForStarted();
    };
    {
        QProcess cut;
        ASSERT_TRUE(korvane(cut));
        QByteArray said;
        while (!said.contains("[3/") && cut.waitForReadyRead(60000)) said += cut.readAllStandardOutput();
        ASSERT_TRUE(said.contains("[3/")) << said.toStdString();
        cut.kill();
        cut.waitForFinished();
    }
    for (const QString& name : server.all()) EXPECT_FALSE(isThere(name)) << name.toStdString();

    QProcess again;
    ASSERT_TRUE(korvane(again));
    ASSERT_TRUE(again.waitForFinished(300000));
    const QString said = QString::fromUtf8(again.readAllStandardOutput());
    EXPECT_EQ(again.exitCode(), 0) << said.toStdString() << again.readAllStandardError().toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("Đã chép xong dữ liệu sang ") + address)) << said.toStdString();
    expectSameRows(office, server);
    EXPECT_FALSE(isThere(address + QStringLiteral("#zeltcv_dangchep")));

    // The server's office back into files, named with --from; an address is no folder.
    const QString back = folder.path(QStringLiteral("ve"));
    QProcess wrong, down;
    ASSERT_TRUE(korvane(wrong, {QStringLiteral("--copy-to-files"), address}));
    ASSERT_TRUE(wrong.waitForFinished(60000));
    EXPECT_EQ(wrong.exitCode(), 2);
    ASSERT_TRUE(korvane(down, {QStringLiteral("--copy-to-files"), back, QStringLiteral("--from"), address}));
    ASSERT_TRUE(down.waitForFinished(300000));
    EXPECT_EQ(down.exitCode(), 0) << down.readAllStandardError().toStdString();
    expectSameRows(office, OfficeInFolder(back));
}
