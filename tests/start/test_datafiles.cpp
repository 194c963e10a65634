// The data-file helpers and the settings files.
#include "database.h"
#include "datafiles.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace korvane;

namespace {

bool readOnly(const QString& path) { return !(QFile::permissions(path) & QFile::WriteOwner); }

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(DataFiles, PathsAndExistence)
{
    testing_support::TempFolder folder;
    EXPECT_EQ(PathExists(QString()), QString());
    EXPECT_EQ(PathExists(folder.path(QStringLiteral("khongco.mdb"))), QString());
    EXPECT_EQ(PathExists(folder.root()), QStringLiteral("  "));
    const QString file = folder.copyTemplate(QStringLiteral("zeltcv.MDB"));
    EXPECT_EQ(PathExists(file), QStringLiteral("zeltcv.MDB"));

    EXPECT_EQ(FolderOf(QStringLiteral("/mnt/chung/vanphong/zeltcv.mdb")), QStringLiteral("/mnt/chung/vanphong/"));
    EXPECT_EQ(RefFileFor(QStringLiteral("/mnt/chung/vanphong/cv2008.mdb")), QStringLiteral("/mnt/chung/vanphong/zelttk.mdb"));
    EXPECT_EQ(DataPath(QStringLiteral("/opt/korvane"), QStringLiteral("sysmem")), QStringLiteral("/opt/korvane/data/sysmem"));
    qputenv("KORVANE_HOME", folder.root().toUtf8());
    EXPECT_EQ(AppFolderPath(), QDir(folder.root()).absolutePath());
    qunsetenv("KORVANE_HOME");
    EXPECT_EQ(DriveKindOf(QStringLiteral("/proc/self")), DriveKind::LocalHardDisk);
    EXPECT_EQ(DriveKindName(DriveKind::NetworkDriver), QStringLiteral("Network Driver"));
}

TEST(DataFiles, StructureCheckByKind)
{
    testing_support::TempFolder folder;
    QString msg;
    const QString tmpl = testing_support::templatePath();
    // The shipped template passes its own check and the reference-file check.
    EXPECT_TRUE(KiemtraMDB(tmpl, QStringLiteral("zeltgoc"), msg, nullptr));
    EXPECT_TRUE(KiemtraMDB(tmpl, QStringLiteral("zelttk"), msg, nullptr));
    // A document file holding only the templates passes: they match cvden* and cvdi*.
    const QString doc = folder.copyTemplate(QStringLiteral("zeltcv.MDB"));
    EXPECT_TRUE(KiemtraMDB(doc, QStringLiteral("zeltcv"), msg, nullptr));
    EXPECT_TRUE(KiemtraMDB(doc, QStringLiteral("zeltlich"), msg, nullptr));
    EXPECT_FALSE(KiemtraMDB(doc, QStringLiteral("zeltkhac"), msg, nullptr));
    {
        engine::Database db(doc);
        db.Execute(QStringLiteral("DROP TABLE cvdimau"));
        ASSERT_TRUE(CreateTableFromTemplate(db, db, QStringLiteral("cvdenmau"), QStringLiteral("cvden2008"), true));
        // Neither cvdenmau nor cvden2008 satisfies cvdi*.
        EXPECT_FALSE(TableExists(QStringLiteral("cvdi*"), db));
        EXPECT_TRUE(TableExists(QStringLiteral("CVDEN????"), db));
        EXPECT_FALSE(TableExists(QStringLiteral("cvden?"), db));
    }
    EXPECT_FALSE(KiemtraMDB(doc, QStringLiteral("zeltcv"), msg, nullptr));
    EXPECT_FALSE(KiemtraMDB(folder.path(QStringLiteral("khongco.mdb")), QStringLiteral("zeltcv"), msg, nullptr));
    const QString junk = folder.path(QStringLiteral("rac.mdb"));
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    EXPECT_FALSE(KiemtraMDB(junk, QStringLiteral("zeltcv"), msg, nullptr));
    EXPECT_TRUE(msg.isEmpty());  // the check itself shows nothing
}

TEST(DataFiles, OnlyTheTemplateKeepsItsReadOnlyAttribute)
{
    testing_support::TempFolder folder;
    const QString goc = folder.copyTemplate(QStringLiteral("zeltgoc.mdb"));
    const QString doc = folder.copyTemplate(QStringLiteral("zeltcv.MDB"));
    for (const QString& f : {goc, doc}) QFile::setPermissions(f, QFile::ReadOwner | QFile::ReadGroup);
    QString msg;
    int shown = 0;
    const ShowMessage show = [&](const QString&) { ++shown; };
    EXPECT_TRUE(KiemtraMDB(goc, QStringLiteral("zeltgoc"), msg, show));
    EXPECT_TRUE(readOnly(goc));
    EXPECT_TRUE(KiemtraMDB(doc, QStringLiteral("zeltcv"), msg, show));
    EXPECT_FALSE(readOnly(doc));
    EXPECT_EQ(shown, 0);
    ClearReadOnly(folder.path(QStringLiteral("khongco")), msg, show);  // a missing file is left alone
    EXPECT_TRUE(msg.isEmpty());
}

TEST(DataFiles, YearTablesFromTheirTemplate)
{
    testing_support::TempFolder folder;
    engine::Database db(folder.copyTemplate(QStringLiteral("zeltcv.MDB")));
    ASSERT_TRUE(CreateTableFromTemplate(db, db, QStringLiteral("cvdimau"), QStringLiteral("cvdi2009"), true));
    const engine::TableDef made = db.TableDefOf(QStringLiteral("cvdi2009"));
    const engine::TableDef model = db.TableDefOf(QStringLiteral("cvdimau"));
    ASSERT_EQ(made.fields.size(), model.fields.size());
    for (qsizetype k = 0; k < made.fields.size(); ++k) {
        EXPECT_EQ(made.fields[k].name, model.fields[k].name);
        EXPECT_EQ(made.fields[k].type, model.fields[k].type);
        EXPECT_EQ(made.fields[k].size, model.fields[k].size);
        EXPECT_EQ(made.fields[k].attributes, model.fields[k].attributes);
        EXPECT_EQ(made.fields[k].allowZeroLength, model.fields[k].allowZeroLength);
    }
    ASSERT_EQ(made.indexes.size(), model.indexes.size());  // the key and the index on the type
    EXPECT_TRUE(made.indexes[0].primary);
    EXPECT_EQ(made.indexes.value(1).fields, QStringList{QStringLiteral("loai")});

    // An existing year table is left as it is, whatever the case of its name.
    db.Execute(QStringLiteral("INSERT INTO cvdi2009 (stt) VALUES ('1')"));
    EXPECT_TRUE(CreateTableFromTemplate(db, db, QStringLiteral("cvdimau"), QStringLiteral("CVDI2009"), true));
    EXPECT_EQ(db.OpenRecordset(QStringLiteral("cvdi2009"))->RecordCount(), 1);
    // Without the check the name is taken, and the failure answers no.
    EXPECT_FALSE(CreateTableFromTemplate(db, db, QStringLiteral("cvdimau"), QStringLiteral("cvdi2009"), false));
    EXPECT_FALSE(CreateTableFromTemplate(db, db, QStringLiteral("khongco"), QStringLiteral("cvdi2010"), true));

    engine::TableDef small{QStringLiteral("ba"), {engine::FieldDef::counter(QStringLiteral("ID")), engine::FieldDef::text(QStringLiteral("stt"), 5),
                                                  engine::FieldDef::text(QStringLiteral("ng_den"), 10)}, {}};
    db.CreateTable(small);
    EXPECT_EQ(FieldListWithoutId(QStringLiteral("ba"), db), QStringLiteral("stt,ng_den"));
}

TEST(DataFiles, SettingsFileHoldsFourQuotedTexts)
{
    testing_support::TempFolder folder;
    const QString file = folder.path(QStringLiteral("sysmem"));
    EXPECT_FALSE(ReadSysmem(file).has_value());
    const Sysmem s{QStringLiteral("/mnt/chung/kế hoạch, lịch/zeltlich.MDB"), QStringLiteral("/mnt/chung/zeltcv.MDB"),
                   QStringLiteral(" "), QStringLiteral("2008")};
    ASSERT_TRUE(WriteSysmem(file, s));
    EXPECT_EQ(contents(file), QStringLiteral("\"/mnt/chung/kế hoạch, lịch/zeltlich.MDB\",\"/mnt/chung/zeltcv.MDB\",\" \",\"2008\"\r\n").toUtf8());
    EXPECT_EQ(ReadSysmem(file), s);
    // Files inside the settings file's folder are written relative to it (a neighbour whose name
    // only begins with the folder's is not inside), and read back whole; so are old whole paths.
    const Sysmem inside{folder.path(QStringLiteral("zeltlich.MDB")), folder.path(QStringLiteral("nam 2008/zeltcv.MDB")),
                        folder.root() + QStringLiteral("2/backup.mdb"), QStringLiteral("2008")};
    ASSERT_TRUE(WriteSysmem(file, inside));
    EXPECT_EQ(contents(file), QStringLiteral("\"zeltlich.MDB\",\"nam 2008/zeltcv.MDB\",\"%1\",\"2008\"\r\n")
                                  .arg(folder.root() + QStringLiteral("2/backup.mdb")).toUtf8());
    EXPECT_EQ(ReadSysmem(file), inside);
    const Sysmem d = DefaultSysmem(QStringLiteral("/opt/k"), 2026);
    EXPECT_EQ(d.PlanFile, QStringLiteral("/opt/k/data/zeltlich.MDB"));
    EXPECT_EQ(d.DocFile, QStringLiteral("/opt/k/data/zeltcv.MDB"));
    EXPECT_EQ(d.BackupFile, QStringLiteral(" "));
    EXPECT_EQ(d.WorkYear, QStringLiteral("2026"));
}

TEST(DataFiles, UsedFileListsKeepTheMostRecentFirst)
{
    testing_support::TempFolder folder;
    QDir(folder.root()).mkpath(QStringLiteral("data"));
    const QString app = folder.root();
    const QString list = DataPath(app, QStringLiteral("sysmem2"));
    RememberUsedFile(app, QStringLiteral("sysmem2"), QStringLiteral("/a/cv.mdb"));
    EXPECT_EQ(contents(list), QByteArray("\"/a/cv.mdb\"\r\n"));
    // A file of the data folder, once named whole by an older version, is named relative to it
    // when the list is written again.
    const QString local = DataPath(app, QStringLiteral("zeltcv.MDB"));
    QFile::remove(list);
    RememberUsedFile(app, QStringLiteral("sysmem2"), local);
    EXPECT_EQ(contents(list), QByteArray("\"zeltcv.MDB\"\r\n"));
    QFile old(list);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QStringLiteral("\"%1\"\r\n\"/a/cv.mdb\"\r\n").arg(local).toUtf8());
    old.close();
    EXPECT_EQ(ReadUsedFiles(app, QStringLiteral("sysmem2")), (QStringList{local, QStringLiteral("/a/cv.mdb")}));
    RememberUsedFile(app, QStringLiteral("sysmem2"), local);
    EXPECT_EQ(contents(list), QByteArray("\"zeltcv.MDB\"\r\n\"/a/cv.mdb\"\r\n"));
    QFile::remove(list);
    RememberUsedFile(app, QStringLiteral("sysmem2"), QStringLiteral("/a/cv.mdb"));
    RememberUsedFile(app, QStringLiteral("sysmem2"), QStringLiteral("/b/cv.mdb"));
    RememberUsedFile(app, QStringLiteral("sysmem2"), QStringLiteral("/c/cv.mdb"));
    EXPECT_EQ(ReadUsedFiles(app, QStringLiteral("sysmem2")),
              (QStringList{QStringLiteral("/c/cv.mdb"), QStringLiteral("/b/cv.mdb"), QStringLiteral("/a/cv.mdb")}));
    // A path further down moves to the top, once.
    RememberUsedFile(app, QStringLiteral("sysmem2"), QStringLiteral("/a/cv.mdb"));
    EXPECT_EQ(ReadUsedFiles(app, QStringLiteral("sysmem2")),
              (QStringList{QStringLiteral("/a/cv.mdb"), QStringLiteral("/c/cv.mdb"), QStringLiteral("/b/cv.mdb")}));
    // The first line already equal: the file is not rewritten (a read-only list stays as it is).
    QFile::setPermissions(list, QFile::ReadOwner);
    const QDateTime before = QFileInfo(list).lastModified();
    RememberUsedFile(app, QStringLiteral("sysmem2"), QStringLiteral("/a/cv.mdb"));
    EXPECT_TRUE(readOnly(list));
    EXPECT_EQ(QFileInfo(list).lastModified(), before);
    // Only the first 21 lines are carried on.
    for (int k = 0; k < 30; ++k) RememberUsedFile(app, QStringLiteral("sysmem2"), QStringLiteral("/d%1/cv.mdb").arg(k));
    EXPECT_EQ(ReadUsedFiles(app, QStringLiteral("sysmem2")).size(), 22);
}

TEST(DataFiles, CopyOrDelete)
{
    testing_support::TempFolder folder;
    const QString source = folder.copyTemplate(QStringLiteral("a.mdb"));
    const QString target = folder.path(QStringLiteral("b.mdb"));
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    QFile::setPermissions(target, QFile::ReadOwner);
    EXPECT_TRUE(CopyOrDelete(source, target, QStringLiteral("copy")));
    EXPECT_EQ(contents(target), contents(source));
    EXPECT_TRUE(CopyOrDelete(source, QString(), QStringLiteral("xoa")));
    EXPECT_FALSE(QFile::exists(source));
    EXPECT_FALSE(CopyOrDelete(source, target, QStringLiteral("copy")));  // nothing to copy: the target stays
    EXPECT_TRUE(QFile::exists(target));
}
