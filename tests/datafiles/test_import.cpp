// Merging another data file into the current ones: year tables and reference lists arrive once,
// with new ids and backup marks, a second import adds nothing, and a failure changes nothing.
#include "app.h"
#include "datafiles.h"
#include "importdata.h"
#include "scriptedmodal.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace korvane;

class Import : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* sub : {"data", "share"}) QDir(folder.root()).mkpath(QLatin1String(sub));
        app.AppFolder = folder.root();
        app.WorkYear = QStringLiteral("2026");
        const auto open = [this](std::unique_ptr<engine::Database>& db, QString& file, const char* name) {
            file = folder.copyTemplate(QLatin1String(name));
            db = std::make_unique<engine::Database>(file);
        };
        open(app.DocDb, app.DocFile, "data/zeltcv.MDB");
        open(app.PlanDb, app.PlanFile, "share/zeltlich.MDB");
        open(app.DocRefDb, app.DocRefFile, "data/zelttk.mdb");
        open(app.PlanRefDb, app.PlanRefFile, "share/zelttk.mdb");
        app.LocalRefFile = app.DocRefFile;
        app.LocalRefDb = std::make_unique<engine::Database>(app.LocalRefFile);
        modal.fileToOpen = source = old.copyTemplate(QStringLiteral("zelt'cv.mdb"));  // a quote in the path, too
    }
    // Runs statements on the old file; "+name=model" makes a year table from its template.
    void onSource(std::initializer_list<const char*> statements)
    {
        engine::Database src(source);
        for (const char* s : statements) {
            const QString sql = QString::fromUtf8(s);
            if (sql.startsWith(QLatin1Char('+'))) ASSERT_TRUE(CreateTableFromTemplate(src, src, sql.section(QLatin1Char('='), 1), sql.mid(1).section(QLatin1Char('='), 0, 0), true));
            else src.Execute(sql);
        }
    }
    // A key with a quote, two keys that differ only by a missing value against blanks, and tables
    // whose names carry no valid year.
    void oldDocuments()
    {
        onSource({"+cvden2005=cvdenmau", "+cvdi2005=cvdimau", "+cvden1899=cvdenmau", "+cvdenabcd=cvdenmau",
                  "INSERT INTO cvden2005 (stt, noigui, so_cv, tt_ndung, idcu, kieuupdate) VALUES ('1', 'Sở Tư pháp', '12''QĐ', 'Về việc', 7, 0)",
                  "INSERT INTO cvden2005 (stt, noigui, so_cv, tt_ndung, idcu, kieuupdate) VALUES ('2', 'UBND', NULL, 'Họp', 8, 0)",
                  "INSERT INTO cvden2005 (stt, noigui, so_cv, tt_ndung, idcu, kieuupdate) VALUES ('3', 'UBND', '  ', 'Họp', 9, 2)",
                  "INSERT INTO cvdi2005 (stt, dv_nhan, so_cv, tt_ndung) VALUES ('1', 'Bộ', '5', 'Báo cáo')",
                  "INSERT INTO cvden1899 (stt) VALUES ('1')", "INSERT INTO cvdenabcd (stt) VALUES ('1')"});
    }
    // Every field but the counter and its backup copy, row by row in a stable order.
    static QStringList rows(engine::Database& db, const QString& table)
    {
        QStringList fields, out;
        for (const engine::FieldDef& f : db.TableDefOf(table).fields)
            if (!f.isCounter() && f.name.toLower() != QLatin1String("idcu")) fields.append(f.name);
        auto rs = db.OpenRecordset(QStringLiteral("SELECT %1 FROM %2").arg(fields.join(QLatin1Char(',')), table), engine::RecordsetType::Snapshot);
        for (; !rs->Eof(); rs->MoveNext()) {
            QStringList row;
            for (const QString& f : fields) row.append(rs->Field(f).toString());
            out.append(row.join(QLatin1Char('|')));
        }
        out.sort();
        return out;
    }
    static long count(engine::Database& db, const QString& where)
    {
        return db.OpenRecordset(QStringLiteral("select count(*) as n from ") + where, engine::RecordsetType::Snapshot)->Field(QStringLiteral("n")).toLongLong();
    }

    testing_support::TempFolder folder, old;
    testing_support::ScriptedModal modal;
    App app{modal};
    QString source;
};

TEST_F(Import, YearTablesArriveOnceWithNewIdsAndBackupMarks)
{
    oldDocuments();
    ASSERT_TRUE(CreateTableFromTemplate(*app.DocDb, *app.DocDb, QStringLiteral("cvdenmau"), QStringLiteral("cvden2005"), true));
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2005 (stt, noigui, idcu, kieuupdate) VALUES ('9', 'Tỉnh', 1, 0)"));  // backed up already

    ImportOldDataChecked(app, QStringLiteral("cv"));
    ASSERT_EQ(modal.messageTexts().size(), 1);
    EXPECT_TRUE(modal.messageTexts().front().startsWith(QStringLiteral("Đã nhập xong dữ liệu công văn cũ!\r\nBảng công văn đến năm 2005: 3")))
        << modal.messageTexts().front().toStdString();
    EXPECT_EQ(count(*app.DocDb, QStringLiteral("cvden2005 where idcu = id and kieuupdate = 1")), 3);
    EXPECT_EQ(count(*app.DocDb, QStringLiteral("cvden2005 where stt = '9' and idcu = 1 and kieuupdate = 0")), 1);
    EXPECT_EQ(count(*app.DocDb, QStringLiteral("cvdi2005")), 1);
    EXPECT_FALSE(app.DocDb->HasTable(QStringLiteral("cvden1899")) || app.DocDb->HasTable(QStringLiteral("cvdenabcd")));
    EXPECT_TRUE(app.DocDb->HasTable(QStringLiteral("cvden2026")));  // the working year's tables are open again

    // Imported again: one question per year table; either answer gives the same rows as once.
    const QStringList in = rows(*app.DocDb, QStringLiteral("cvden2005")), out = rows(*app.DocDb, QStringLiteral("cvdi2005"));
    for (const char* answer : {"no", "yes"}) {
        SCOPED_TRACE(answer);
        modal.messages.clear();
        modal.answers = {QLatin1String(answer), QLatin1String(answer)};
        ImportOldDataChecked(app, QStringLiteral("cv"));
        EXPECT_EQ(rows(*app.DocDb, QStringLiteral("cvden2005")), in);
        EXPECT_EQ(rows(*app.DocDb, QStringLiteral("cvdi2005")), out);
        ASSERT_EQ(modal.messages.size(), 3u);
        EXPECT_EQ(modal.messages[0].text, QStringLiteral("Bảng công văn đến năm 2005 trong file dữ liệu vừa chọn đã được nhập một lần. \r\n"
                                                         "Có muốn xoá dữ liệu hiện có và nhập lại bảng này không?"));
    }
}

TEST_F(Import, AFailureHalfWayLeavesEveryTableAsItWas)
{
    oldDocuments();
    // Two old rows that the target refuses together: the second breaks a unique number.
    onSource({"INSERT INTO cvden2005 (stt, noigui) VALUES ('5', 'A')", "INSERT INTO cvden2005 (stt, noigui) VALUES ('5', 'B')"});
    ASSERT_TRUE(CreateTableFromTemplate(*app.DocDb, *app.DocDb, QStringLiteral("cvdenmau"), QStringLiteral("cvden2005"), true));
    app.DocDb->CreateIndex(QStringLiteral("cvden2005"), engine::IndexDef{QStringLiteral("sttduynhat"), false, true, {QStringLiteral("stt")}});
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2005 (stt, noigui, so_cv, tt_ndung, kieuupdate) VALUES ('1', 'Sở Tư pháp', '12''QĐ', 'Về việc', 0)"));
    const QStringList before = rows(*app.DocDb, QStringLiteral("cvden2005"));
    modal.answers = {QStringLiteral("yes")};  // replace: the deletion is undone too

    ImportOldDataChecked(app, QStringLiteral("cv"));
    EXPECT_EQ(modal.messageTexts().back(), QStringLiteral("Gặp lỗi khi đang ghép dữ liệu!\r\nCần kiểm tra và thực hiện lại nếu cần!"));
    EXPECT_EQ(rows(*app.DocDb, QStringLiteral("cvden2005")), before);
    EXPECT_FALSE(app.DocDb->HasTable(QStringLiteral("cvdi2005")));  // made in the same run, gone again
}

TEST_F(Import, RefusedFilesAndTargets)
{
    QFile text(old.path(QStringLiteral("cu.mdb")));  // not a data file of ours; an old-format file reads the same
    ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("Standard file of another format") > 0 && text.flush());
    const QString unusable = QStringLiteral("File vừa chọn bị lỗi không dùng được.Cần chọn lại file khác hoặc bấm nút Cancel để kết thúc");
    const QString itself = QStringLiteral("File vừa chọn là file dữ liệu đang dùng, không nhập vào chính nó được.");
    // An unusable file, then Cancel at the dialog shown again.
    const std::vector<std::array<QString, 3>> cases = {{text.fileName(), QStringLiteral("cv"), unusable},
                                                       {app.DocFile, QStringLiteral("cv"), itself},
                                                       {app.PlanRefFile, QStringLiteral("tk"), itself},
                                                       {QString(), QStringLiteral("cv"), QString()}};  // Cancel
    for (const auto& [file, kind, message] : cases) {
        SCOPED_TRACE(file.toStdString());
        modal.messages.clear();
        modal.filesToOpen = {file};
        modal.fileToOpen.clear();
        ImportOldDataChecked(app, kind);
        EXPECT_EQ(modal.messageTexts().join(QLatin1Char('/')).toStdString(), message.toStdString());
    }
    // An unusable file, then a good one: the dialog comes again and the import goes on.
    oldDocuments();
    modal.messages.clear();
    modal.fileDialogs = 0;
    modal.filesToOpen = {text.fileName(), source};
    ImportOldDataChecked(app, QStringLiteral("cv"));
    EXPECT_EQ(modal.fileDialogs, 2);
    ASSERT_EQ(modal.messageTexts().size(), 2);
    EXPECT_EQ(modal.messageTexts().front(), unusable);
    EXPECT_EQ(count(*app.DocDb, QStringLiteral("cvden2005")), 3);
    app.DocDb->Execute(QStringLiteral("DROP TABLE cvden2005"));
    app.DocDb->Execute(QStringLiteral("DROP TABLE cvdi2005"));
    modal.fileToOpen = source;
    app.DocFile = old.path(QStringLiteral("zeltcv.MDB"));  // outside the program's folder
    ImportOldDataChecked(app, QStringLiteral("cv"));
    EXPECT_TRUE(modal.messageTexts().back().startsWith(QStringLiteral("Chỉ được phép nhập dữ liệu vào file dữ liệu đang dùng nằm trong thư mục ")));
    EXPECT_FALSE(app.DocDb->HasTable(QStringLiteral("cvden2005")));
}

TEST_F(Import, ReferenceListsMergeIntoTheFilesTheyAreReadFromOncePerKey)
{
    app.PlanRefDb->Execute(QStringLiteral("INSERT INTO donvi (tendonvi) VALUES ('Văn phòng')"));
    onSource({"INSERT INTO donvi (tendonvi, chutat) VALUES ('Văn phòng', 'x')", "INSERT INTO donvi (tendonvi, chutat) VALUES ('Phòng Kế''toán', 'kt')",
              "INSERT INTO donvi (tendonvi, chutat) VALUES ('Phòng Kế''toán ', 'kt2')",  // the same name with a blank
              "INSERT INTO bophan (donvi, donviid, phong) VALUES ('Phòng Kế''toán', 99, 'Tổ 1')", "INSERT INTO noigui (tendonvi) VALUES ('Sở Y tế')"});
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        modal.messages.clear();
        ImportOldDataChecked(app, QStringLiteral("tk"));
        ASSERT_EQ(modal.messageTexts().size(), 1);
        EXPECT_TRUE(modal.messageTexts().front().startsWith(QStringLiteral("Đã nhập xong các bảng tham khảo!\r\ndonvi: %1\r\nbophan: %1").arg(1 - round)));
        EXPECT_EQ(count(*app.PlanRefDb, QStringLiteral("donvi")), 2);
        EXPECT_EQ(count(*app.PlanRefDb, QStringLiteral("bophan where donviid = (select id from donvi where tendonvi = 'Phòng Kế''toán')")), 1);
        EXPECT_EQ(count(*app.DocRefDb, QStringLiteral("noigui")), 1);
        EXPECT_EQ(count(*app.PlanRefDb, QStringLiteral("noigui")), 0);
    }
    ASSERT_TRUE(app.SenderList);  // the shared lists are open again
    EXPECT_EQ(app.SenderList->RecordCount(), 1);
    // The documents' reference file on a share is changed for every clerk: refused, as the plans' one.
    app.DocRefFile = old.copyTemplate(QStringLiteral("zelttk.mdb"));
    app.DocRefDb = std::make_unique<engine::Database>(app.DocRefFile);
    modal.messages.clear();
    ImportOldDataChecked(app, QStringLiteral("tk"));
    ASSERT_EQ(modal.messageTexts().size(), 1);
    EXPECT_TRUE(modal.messageTexts().back().startsWith(QStringLiteral("Chỉ được phép nhập dữ liệu vào file dữ liệu đang dùng nằm trong thư mục ")));
    EXPECT_EQ(count(*app.DocRefDb, QStringLiteral("noigui")), 0);
}

TEST_F(Import, OnlyTheSameDocumentsCountAsImportedAndNoRowTypedHereIsDeleted)
{
    oldDocuments();
    // Typed here in the year the office changed files: an invitation without a number whose
    // sender and summary are those of an old one.
    ASSERT_TRUE(CreateTableFromTemplate(*app.DocDb, *app.DocDb, QStringLiteral("cvdenmau"), QStringLiteral("cvden2005"), true));
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2005 (stt, ng_den, noigui, tt_ndung, idcu, kieuupdate) VALUES ('40', '05/01/2005', 'UBND', 'Họp', 1, 0)"));
    const auto typedHere = [&] { return count(*app.DocDb, QStringLiteral("cvden2005 where stt = '40' and ng_den = '05/01/2005'")); };
    modal.answers = {QStringLiteral("yes"), QStringLiteral("yes")};  // were it asked
    ImportOldDataChecked(app, QStringLiteral("cv"));
    EXPECT_EQ(modal.messageTexts().size(), 1) << modal.messageTexts().join(QLatin1Char('/')).toStdString();  // no question
    EXPECT_EQ(typedHere(), 1);
    EXPECT_EQ(count(*app.DocDb, QStringLiteral("cvden2005")), 4);
    // The old file gains a row; imported again, only the rows already here are asked about, and
    // whatever the answer the new row arrives and the typed one stays.
    onSource({"INSERT INTO cvden2005 (stt, noigui, so_cv, tt_ndung) VALUES ('4', 'Sở Xây dựng', '7', 'Quy hoạch')"});
    for (const char* answer : {"no", "yes", "esc"}) {
        SCOPED_TRACE(answer);
        modal.messages.clear();
        modal.answers = {QLatin1String(answer), QLatin1String(answer)};
        ImportOldDataChecked(app, QStringLiteral("cv"));
        ASSERT_EQ(modal.messages.size(), 3u);  // one question per year table, then done
        EXPECT_EQ(typedHere(), 1);
        EXPECT_EQ(count(*app.DocDb, QStringLiteral("cvden2005")), 5);
        EXPECT_EQ(count(*app.DocDb, QStringLiteral("cvden2005 where noigui = 'Sở Xây dựng'")), 1);
        EXPECT_EQ(count(*app.DocDb, QStringLiteral("cvdi2005")), 1);
    }
}
