#include "testfiles.h"

#include <gtest/gtest.h>

#include "app.h"
#include "database.h"
#include "startup.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

QList<QStringList> ReadSpreadsheet(const QString& path, QList<double>* widths)
{
    static const char* const reader = R"(
import csv, datetime, json, sys
path = sys.argv[1]
def cell(v):
    if v is None: return ""
    if isinstance(v, datetime.datetime): return "D:" + v.date().isoformat()
    return str(v)
widths = []
if path.lower().endswith(".xlsx"):
    import openpyxl
    from openpyxl.utils import get_column_letter
    sheet = openpyxl.load_workbook(path).active
    rows = [[cell(v) for v in r] for r in sheet.iter_rows(values_only=True)]
    widths = [sheet.column_dimensions[get_column_letter(c)].width for c in range(1, sheet.max_column + 1)]
else:
    with open(path, encoding="utf-8-sig", newline="") as f:
        rows = list(csv.reader(f))
print(json.dumps({"rows": rows, "widths": widths}))
)";
    // The system's Python, which holds the distribution's openpyxl.
    const QString python = QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3") : QStringLiteral("python3");
    QProcess p;
    p.start(python, {QStringLiteral("-c"), QString::fromUtf8(reader), path});
    p.waitForFinished(60000);
    const QByteArray out = p.readAllStandardOutput();
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QJsonObject read = QJsonDocument::fromJson(out).object();
    QList<QStringList> rows;
    for (const QJsonValue& r : read.value(QStringLiteral("rows")).toArray()) {
        QStringList row;
        for (const QJsonValue& c : r.toArray()) row.append(c.toString());
        rows.append(row);
    }
    if (widths)
        for (const QJsonValue& w : read.value(QStringLiteral("widths")).toArray()) widths->append(w.toDouble());
    return rows;
}

}  // namespace testing_support
