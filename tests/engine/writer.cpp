// A second program writing to a shared data file, for the tests of sharing:
//   engine_writer FILE ROWS TAG      adds ROWS rows to cvden2008, one AddNew/Update each
// It prints "ok" at the end, or the error's number and description.
#include "database.h"
#include "recordset.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) return 2;
    const QString file = QString::fromLocal8Bit(argv[1]);
    const int rows = QString::fromLatin1(argv[2]).toInt();
    const QString tag = QString::fromLatin1(argv[3]);
    try {
        engine::Database db(file);
        auto rs = db.OpenRecordset(QStringLiteral("SELECT * FROM cvden2008 WHERE id < 0"));
        for (int k = 0; k < rows; ++k) {
            rs->AddNew();
            const QVariant id = rs->Field(QStringLiteral("id"));
            rs->SetField(QStringLiteral("idcu"), id);
            rs->SetField(QStringLiteral("stt"), QString::number(k));
            rs->SetField(QStringLiteral("noigui"), QStringLiteral("Nơi gửi %1").arg(tag));
            rs->SetField(QStringLiteral("tt_ndung"), QStringLiteral("Nội dung số %1 của %2").arg(k).arg(tag));
            rs->SetField(QStringLiteral("kieuupdate"), 1);
            rs->Update();
            if (k == 20) {
                std::printf("writing\n");
                std::fflush(stdout);
            }
        }
        std::printf("ok\n");
    } catch (const engine::DbError& e) {
        std::printf("%d %s\n", e.number(), e.description().toUtf8().constData());
        return 1;
    }
    return 0;
}
