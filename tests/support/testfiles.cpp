#include "testfiles.h"

#include <gtest/gtest.h>

#include "database.h"

#include <QCoreApplication>
#include <QFile>

#include <atomic>

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

}  // namespace testing_support
