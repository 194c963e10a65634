// Creates the template data file from the schema text:  maketemplate SCHEMA OUTPUT
// The output is made afresh and left read-only, as the program expects its template.
#include "database.h"
#include "schema.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: maketemplate SCHEMA OUTPUT\n");
        return 2;
    }
    const QString schemaPath = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    try {
        QFile in(schemaPath);
        if (!in.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + schemaPath.toStdString());
        const korvane::Schema schema = korvane::parseSchema(QString::fromUtf8(in.readAll()));
        const QString temp = output + QStringLiteral(".new");
        QFile::remove(temp);
        engine::Database::createFile(temp);
        {
            engine::Database db(temp);
            korvane::buildSchema(db, schema);
        }
        QFile::remove(temp + QStringLiteral("-journal"));
        QFile::setPermissions(output, QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(output);
        if (!QFile::rename(temp, output)) throw std::runtime_error("cannot write " + output.toStdString());
        QFile::setPermissions(output, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "maketemplate: %s\n", e.what());
        return 1;
    }
    return 0;
}
