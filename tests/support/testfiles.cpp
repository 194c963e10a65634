#include "testfiles.h"

#include <gtest/gtest.h>

#include "app.h"
#include "database.h"
#include "startup.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <atomic>
#include <functional>
#include <map>

namespace testing_support {

QString templatePath() { return QStringLiteral(KORVANE_TEMPLATE); }

TempFolder::TempFolder() : root_(dir_.path()) {}

QString TempFolder::path(const QString& name) const { return root_ + QLatin1Char('/') + name; }

QString TempFolder::copyTemplate(const QString& name) const
{
    const QString target = path(name);
    QFile::remove(target);
    if (!QFile::copy(templatePath(), target)) ADD_FAILURE() << "cannot copy the template to " << target.toStdString();
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return target;
}

QString TestServer() { return qEnvironmentVariable("KORVANE_TEST_PG"); }

QString ServerCopyOf(const QString& path)
{
    static std::atomic<int> next{0};
    const QString name = TestServer() + QStringLiteral("#t%1_%2").arg(QCoreApplication::applicationPid()).arg(++next);
    engine::Database::createFile(name);
    engine::Database from(path);
    engine::Database to(name);
    engine::CopyDataFile(from, to);
    return name;
}

QString NewServerDatabase()
{
    static std::atomic<int> next{0};
    const QString name = QStringLiteral("o%1_%2").arg(QCoreApplication::applicationPid()).arg(++next);
    QProcess createdb;
    createdb.start(QStringLiteral("createdb"), {name});
    if (!createdb.waitForFinished(30000) || createdb.exitCode() != 0)
        ADD_FAILURE() << "createdb " << name.toStdString() << ": " << createdb.readAllStandardError().toStdString();
    return TestServer() + QLatin1Char('/') + name;
}

namespace {

struct SharedFile {
    QString korvane::App::*name;
    std::unique_ptr<engine::Database> korvane::App::*db;
};
const SharedFile kShared[] = {{&korvane::App::DocFile, &korvane::App::DocDb},
                              {&korvane::App::DocRefFile, &korvane::App::DocRefDb},
                              {&korvane::App::PlanFile, &korvane::App::PlanDb},
                              {&korvane::App::PlanRefFile, &korvane::App::PlanRefDb}};

void reopen(korvane::App& app, const std::function<QString(const QString&)>& nameFor)
{
    app.UnitList.reset();
    app.SenderList.reset();
    app.DocTypeList.reset();
    for (const SharedFile& f : kShared) {
        const QString name = nameFor(app.*f.name);
        (app.*f.db).reset();
        app.*f.db = std::make_unique<engine::Database>(name);
        app.*f.name = name;
    }
    korvane::OpenReferenceLists(app);
}

}  // namespace

void MoveOfficeToServer(korvane::App& app)
{
    std::map<QString, QString> moved;
    reopen(app, [&](const QString& path) {
        QString& name = moved[path];
        if (name.isEmpty()) name = ServerCopyOf(path);
        return name;
    });
}

void JoinOffice(korvane::App& app, const korvane::App& first)
{
    std::map<QString, QString> names;
    for (const SharedFile& f : kShared) names[app.*f.name] = first.*f.name;
    reopen(app, [&](const QString& path) { return names.at(path); });
}

}  // namespace testing_support
