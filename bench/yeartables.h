// Year tables of a realistic size for the start-up benchmarks.
#pragma once

#include "database.h"
#include "recordset.h"

#include <QString>

namespace bench {

// Fills a year table to `rows` rows by doubling it, then trimming.
inline void fill(engine::Database& db, const QString& table, const QString& columns, const QString& values, int rows)
{
    db.Execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns, values));
    for (int n = 1; n < rows; n *= 2) db.Execute(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %1").arg(table, columns));
    db.Execute(QStringLiteral("DELETE * FROM %1 WHERE id > %2").arg(table).arg(rows));
}

// Adds `count` documents to cvden2008 through a record set opened on it, one AddNew/Update
// each, as the register's save does.
inline void addDocuments(engine::Recordset& rs, int count)
{
    for (int k = 0; k < count; ++k) {
        rs.AddNew();
        rs.SetField(QStringLiteral("idcu"), rs.Field(QStringLiteral("id")));
        rs.SetField(QStringLiteral("stt"), QString::number(k));
        rs.SetField(QStringLiteral("noigui"), QStringLiteral("Bộ Tài chính"));
        rs.SetField(QStringLiteral("tt_ndung"), QStringLiteral("Về việc triển khai kế hoạch công tác năm"));
        rs.SetField(QStringLiteral("kieuupdate"), 1);
        rs.Update();
    }
}

// The four year tables of `year` in the data folder's document and plan files, `rows` rows each.
inline void fillYearTables(const QString& dataFolder, const QString& year, int rows)
{
    engine::Database doc(dataFolder + QStringLiteral("/zeltcv.MDB"));
    fill(doc, QStringLiteral("cvden") + year, QStringLiteral("stt, noigui, tt_ndung, ng_denchuan, kieuupdate"),
         QStringLiteral("'1', 'Bộ Tài chính', 'Về việc tăng lương', '20080105', 0"), rows);
    fill(doc, QStringLiteral("cvdi") + year, QStringLiteral("stt, dv_nhan, tt_ndung, ng_cvchuan, kieuupdate"),
         QStringLiteral("'1', 'Sở Y tế', 'Về việc phòng dịch', '20080105', 0"), rows);
    engine::Database plan(dataFolder + QStringLiteral("/zeltlich.MDB"));
    fill(plan, QStringLiteral("kehoach") + year, QStringLiteral("Tendonvi, ndungtt, Tgianbdauchuan"),
         QStringLiteral("'Văn phòng', 'Tổng kết năm', '20080105'"), rows);
    fill(plan, QStringLiteral("lich") + year, QStringLiteral("ndung, ngaychuan, giochuan"), QStringLiteral("'Giao ban', '20080105', '0800'"), rows);
}

}  // namespace bench
