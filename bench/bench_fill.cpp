// Makes a program folder whose data files hold year tables of a realistic size, for timing the
// whole program's start:  bench_fill FOLDER ROWS
// FOLDER gets data/ with the template (from beside this program's build) and the four local data
// files, whose year tables of the current year hold ROWS rows each.
#include "datafiles.h"
#include "yeartables.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_fill FOLDER ROWS\n");
        return 2;
    }
    const QString data = QDir(QString::fromLocal8Bit(argv[1])).filePath(QStringLiteral("data"));
    const int rows = QString::fromLatin1(argv[2]).toInt();
    const QString year = QString::number(QDate::currentDate().year());
    QDir().mkpath(data);
    try {
        QFile::copy(QStringLiteral(KORVANE_TEMPLATE), data + QStringLiteral("/zeltgoc.mdb"));
        for (const char* name : {"zeltcv.MDB", "zeltlich.MDB", "zelttk.MDB", "zelttemp.MDB"}) {
            const QString path = data + QLatin1Char('/') + QLatin1String(name);
            QFile::copy(QStringLiteral(KORVANE_TEMPLATE), path);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        }
        engine::Database doc(data + QStringLiteral("/zeltcv.MDB"));
        engine::Database plan(data + QStringLiteral("/zeltlich.MDB"));
        const bool made = korvane::CreateTableFromTemplate(doc, doc, QStringLiteral("cvdenmau"), QStringLiteral("cvden") + year, true) &&
                          korvane::CreateTableFromTemplate(doc, doc, QStringLiteral("cvdimau"), QStringLiteral("cvdi") + year, true) &&
                          korvane::CreateTableFromTemplate(plan, plan, QStringLiteral("kehoachmau"), QStringLiteral("kehoach") + year, true) &&
                          korvane::CreateTableFromTemplate(plan, plan, QStringLiteral("lichmau"), QStringLiteral("lich") + year, true);
        if (!made) throw engine::DbError(engine::ErrEngine, QStringLiteral("cannot make the year tables"));
        doc.Close();
        plan.Close();
        bench::fillYearTables(data, year, rows);
    } catch (const engine::DbError& e) {
        std::fprintf(stderr, "bench_fill: %d %s\n", e.number(), e.description().toUtf8().constData());
        return 1;
    }
    return 0;
}
