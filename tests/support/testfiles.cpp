#include "testfiles.h"

#include <gtest/gtest.h>

#include <QFile>

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

}  // namespace testing_support
