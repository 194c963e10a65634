// A document file with a year table, a plan table and a few reference rows, and a second file
// (the "other" file) for statements that name a path. BothEngines runs a test on such a file and
// on the same data file kept on a PostgreSQL server.
#pragma once

#include "database.h"
#include "datafiles.h"
#include "recordset.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using testing_support::Backend;
inline std::string backendName(const ::testing::TestParamInfo<Backend>& info) { return testing_support::backendName(info); }

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { open(Backend::File); }

    // `docPath` names the document file: a path, or the data file on the test server.
    void open(Backend backend)
    {
        docPath = folder.copyTemplate(QStringLiteral("zeltcv.mdb"));
        otherPath = folder.copyTemplate(QStringLiteral("backup.mdb"));
        if (backend == Backend::Server) docPath = testing_support::ServerCopyOf(docPath);
        db = std::make_unique<engine::Database>(docPath);
        ASSERT_TRUE(korvane::CreateTableFromTemplate(*db, *db, QStringLiteral("cvdenmau"), QStringLiteral("cvden2008"), true));
        ASSERT_TRUE(korvane::CreateTableFromTemplate(*db, *db, QStringLiteral("kehoachmau"), QStringLiteral("kehoach2008"), true));
        const char* rows[] = {
            "INSERT INTO cvden2008 (stt, ng_den, noigui, loai, dv_nhan, tt_ndung, ng_denchuan, kieuupdate, idcu, chonin, da_xuli) "
            "VALUES ('1', '05/01/2008', 'Bộ Tài chính', 'Công văn', 'Phòng Tổ chức', 'Về việc tăng lương', '20080105', 1, 1, '', False)",
            "INSERT INTO cvden2008 (stt, ng_den, noigui, loai, dv_nhan, tt_ndung, ng_denchuan, kieuupdate, idcu, chonin, da_xuli) "
            "VALUES ('2', '10/02/2008', 'Sở Giáo dục Hà Nội', 'Quyết định', 'Văn phòng', 'Thư của O''Brien', '20080210', 2, 2, 'X', False)",
            "INSERT INTO cvden2008 (stt, ng_den, noigui, loai, dv_nhan, tt_ndung, ng_denchuan, kieuupdate, idcu, chonin, da_xuli) "
            "VALUES ('12a', '15/03/2008', 'UBND tỉnh', '', 'Văn phòng', 'Kế hoạch năm', '20080315', 0, 3, '', False)",
            "INSERT INTO cvden2008 (stt, ng_den, noigui, loai, dv_nhan, tt_ndung, ng_denchuan, kieuupdate, idcu, chonin, da_xuli) "
            "VALUES ('100', '31/12/2008', 'BỘ NỘI VỤ', 'Công văn', 'Phòng Tổ chức', 'Tổng kết', '20081231', 1, 4, 'X', True)",
            "INSERT INTO kehoach2008 (Tendonvi, ndungtt, Tgianbdauchuan, Tgiankthucchuan) VALUES ('Ban Tổ chức', 'a', '20080110', '20080120')",
            "INSERT INTO kehoach2008 (Tendonvi, ndungtt, Tgianbdauchuan, Tgiankthucchuan) VALUES ('Văn phòng', 'b', '20080105', '20080301')",
            "INSERT INTO kehoach2008 (Tendonvi, ndungtt, Tgianbdauchuan, Tgiankthucchuan) VALUES ('  ', 'c', '20080105', '20080201')",
            "INSERT INTO donvi (tendonvi, chutat, matt) VALUES ('Văn phòng', 'VP', 'v')",
            "INSERT INTO donvi (tendonvi, chutat, matt) VALUES ('Ban Tuyên giáo', 'TG', 'b')",
            "INSERT INTO bophan (donvi, phong, matt) VALUES ('Văn phòng', 'Tổng hợp', '2')",
            "INSERT INTO bophan (donvi, phong, matt) VALUES ('Văn phòng', 'Hành chính', '1')",
            "INSERT INTO bophan (donvi, phong, matt) VALUES ('Ban Tổ chức', 'Cán bộ', '1')",
        };
        for (const char* sql : rows) db->Execute(QString::fromUtf8(sql));
    }

    // The first column of every row of a query, joined by ",".
    QString firstColumn(engine::Database& on, const QString& sql)
    {
        auto rs = on.OpenRecordset(sql, engine::RecordsetType::Snapshot);
        QStringList values;
        while (!rs->Eof()) {
            values.append(rs->Field(rs->FieldNames().front()).toString());
            rs->MoveNext();
        }
        return values.join(QLatin1Char(','));
    }

    testing_support::TempFolder folder;
    QString docPath, otherPath;
    std::unique_ptr<engine::Database> db;
};

class BothEngines : public EngineTest, public ::testing::WithParamInterface<Backend> {
protected:
    void SetUp() override
    {
        if (GetParam() == Backend::Server && testing_support::TestServer().isEmpty())
            GTEST_SKIP() << testing_support::kNoServer;
        open(GetParam());
    }
    bool onServer() const { return GetParam() == Backend::Server; }
};

// The number of the DbError that `f` raises; 0 when it raises none.
template <class F>
int errorNumber(F&& f)
{
    try {
        f();
    } catch (const engine::DbError& e) {
        return e.number();
    }
    return 0;
}
