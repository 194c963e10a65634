// Where the program keeps its data: beside the program in the build, in the user's folder when
// installed, and the first start of an installed program filling that folder.
#include "datafiles.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace korvane;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An installed layout under a temporary prefix: <prefix>/bin for the program and the shipped
// template, a report and the help in <prefix>/share/korvane/data.
class InstalledLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir(folder.root()).mkpath(QStringLiteral("usr/bin"));
        writeFile(shipped(QStringLiteral("zeltgoc.mdb")), "template v2");
        writeFile(shipped(QStringLiteral("brcvden.rpt")), "report v2");
        writeFile(shipped(QStringLiteral("korvane.html")), "help v2");
    }
    QString bin() const { return folder.path(QStringLiteral("usr/bin")); }
    QString shipped(const QString& name) const { return folder.path(QStringLiteral("usr/share/korvane/data/") + name); }
    QString user() const { return folder.path(QStringLiteral("home/ai")); }

    testing_support::TempFolder folder;
};

}  // namespace

TEST_F(InstalledLayout, UserFolderFollowsXdgDataHome)
{
    EXPECT_EQ(InstalledDataFolder(bin()), folder.path(QStringLiteral("usr/share/korvane/data")));
    const QString xdg = folder.path(QStringLiteral("xdg"));
    EXPECT_EQ(AppFolderFor(bin(), {QString(), xdg, user()}), xdg + QStringLiteral("/korvane"));
    EXPECT_EQ(AppFolderFor(bin(), {QString(), QString(), user()}), user() + QStringLiteral("/.local/share/korvane"));
    // A relative value is not a valid $XDG_DATA_HOME.
    EXPECT_EQ(AppFolderFor(bin(), {QString(), QStringLiteral("xdg"), user()}), user() + QStringLiteral("/.local/share/korvane"));
}

TEST_F(InstalledLayout, KorvaneHomeTheBuildFolderOrNoTemplateKeepTheOldPlaces)
{
    const QString chosen = folder.path(QStringLiteral("vanphong"));
    EXPECT_EQ(AppFolderFor(bin(), {chosen, QString(), user()}), chosen);
    // A data folder beside the program makes it a program folder, even with a shipped template.
    QDir(bin()).mkpath(QStringLiteral("data"));
    EXPECT_EQ(AppFolderFor(bin(), {QString(), QString(), user()}), bin());
    QDir(bin()).rmdir(QStringLiteral("data"));
    QFile::remove(shipped(QStringLiteral("zeltgoc.mdb")));
    EXPECT_EQ(InstalledDataFolder(bin()), QString());
    EXPECT_EQ(AppFolderFor(bin(), {QString(), QString(), user()}), bin());
}

TEST_F(InstalledLayout, FirstStartCopiesWhatIsMissingAndNothingElse)
{
    const QString app = AppFolderFor(bin(), {QString(), QString(), user()});
    ASSERT_TRUE(PrepareAppFolder(app, InstalledDataFolder(bin())));
    EXPECT_EQ(contents(DataPath(app, QStringLiteral("zeltgoc.mdb"))), "template v2");
    EXPECT_EQ(contents(DataPath(app, QStringLiteral("brcvden.rpt"))), "report v2");
    EXPECT_EQ(contents(DataPath(app, QStringLiteral("korvane.html"))), "help v2");

    // The user's files, and an older report kept by the user, survive a later start.
    writeFile(DataPath(app, QStringLiteral("zeltcv.MDB")), "the office's documents");
    writeFile(DataPath(app, QStringLiteral("brcvden.rpt")), "report v1");
    QFile::remove(DataPath(app, QStringLiteral("korvane.html")));
    ASSERT_TRUE(PrepareAppFolder(app, InstalledDataFolder(bin())));
    EXPECT_EQ(contents(DataPath(app, QStringLiteral("zeltcv.MDB"))), "the office's documents");
    EXPECT_EQ(contents(DataPath(app, QStringLiteral("brcvden.rpt"))), "report v1");
    EXPECT_EQ(contents(DataPath(app, QStringLiteral("korvane.html"))), "help v2");
    EXPECT_FALSE(QFileInfo::exists(DataPath(app, QStringLiteral("zeltgoc.mdb.part"))));
}

TEST_F(InstalledLayout, AFolderThatCannotBeMadeIsAFailureNotACrash)
{
    writeFile(user(), "a file where the user's folder should be");
    EXPECT_FALSE(PrepareAppFolder(user() + QStringLiteral("/korvane"), InstalledDataFolder(bin())));
    EXPECT_FALSE(QFileInfo::exists(DataPath(user() + QStringLiteral("/korvane"), QStringLiteral("zeltgoc.mdb"))));
}
