// Record sets: moving, finding, adding, editing and deleting, as the windows use them.
#include "fixture.h"

using engine::Database;
using engine::DbError;
using engine::Recordset;
using engine::RecordsetType;

namespace {

int idOf(const Recordset& rs) { return rs.Field(QStringLiteral("id")).toInt(); }

template <class F>
int errorOf(F&& f)
{
    try {
        f();
    } catch (const DbError& e) {
        return e.number();
    }
    return 0;
}

}  // namespace

TEST_F(EngineTest, MovingThroughADynaset)
{
    auto rs = db->OpenRecordset(QStringLiteral("cvden2008"));
    EXPECT_TRUE(rs->Updatable());
    EXPECT_EQ(rs->RecordCount(), 4);
    EXPECT_FALSE(rs->Bof());
    EXPECT_EQ(rs->AbsolutePosition(), 0);
    EXPECT_EQ(idOf(*rs), 1);
    rs->MovePrevious();
    EXPECT_TRUE(rs->Bof());
    EXPECT_EQ(rs->AbsolutePosition(), -1);
    EXPECT_EQ(errorOf([&] { rs->Field(QStringLiteral("id")); }), engine::ErrNoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs->MovePrevious(); }), engine::ErrNoCurrentRecord);
    rs->MoveLast();
    EXPECT_EQ(idOf(*rs), 4);
    const qint64 mark = rs->Bookmark();
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(errorOf([&] { rs->MoveNext(); }), engine::ErrNoCurrentRecord);
    rs->SetBookmark(mark);
    EXPECT_EQ(idOf(*rs), 4);
    rs->SetAbsolutePosition(1);
    EXPECT_EQ(idOf(*rs), 2);
    EXPECT_EQ(errorOf([&] { rs->SetAbsolutePosition(4); }), engine::ErrInvalidArgument);
    EXPECT_EQ(errorOf([&] { rs->Field(QStringLiteral("khongco")); }), engine::ErrItemNotFound);

    // Text comes back in Unicode; yes/no fields hold -1 and 0.
    rs->SetAbsolutePosition(0);
    EXPECT_EQ(rs->Field(QStringLiteral("noigui")).toString(), QStringLiteral("Bộ Tài chính"));
    EXPECT_EQ(rs->Field(QStringLiteral("da_xuli")).toInt(), 0);
    rs->MoveLast();
    EXPECT_EQ(rs->Field(QStringLiteral("da_xuli")).toInt(), -1);

    auto empty = db->OpenRecordset(QStringLiteral("SELECT * FROM cvden2008 WHERE id > 100"));
    EXPECT_TRUE(empty->Eof());
    EXPECT_TRUE(empty->Bof());
    EXPECT_EQ(empty->RecordCount(), 0);
    EXPECT_EQ(errorOf([&] { empty->MoveFirst(); }), engine::ErrNoCurrentRecord);
}

TEST_F(EngineTest, FindingWithCriteria)
{
    for (const QString& source : {QStringLiteral("cvden2008"), QStringLiteral("SELECT * FROM cvden2008 ORDER BY stt DESC")}) {
        for (RecordsetType type : {RecordsetType::Dynaset, RecordsetType::Snapshot}) {
            SCOPED_TRACE(source.toStdString() + (type == RecordsetType::Dynaset ? " dynaset" : " snapshot"));
            auto rs = db->OpenRecordset(source, type);
            const bool descending = source.contains(QLatin1String("DESC"));
            rs->FindFirst(QStringLiteral("noigui Like '*BỘ*'"));
            ASSERT_FALSE(rs->NoMatch());
            const int first = idOf(*rs);
            rs->FindNext(QStringLiteral("noigui Like '*BỘ*'"));
            ASSERT_FALSE(rs->NoMatch());
            const int second = idOf(*rs);
            // stt DESC orders as text: 2, 12a, 100, 1
            EXPECT_EQ(first, descending ? 4 : 1);
            EXPECT_EQ(second, descending ? 1 : 4);
            rs->FindNext(QStringLiteral("noigui Like '*BỘ*'"));
            EXPECT_TRUE(rs->NoMatch());
            EXPECT_EQ(idOf(*rs), second);  // a failed find leaves the row where it was
            rs->FindPrevious(QStringLiteral("[stt] > 10 and kieuupdate <> 1"));
            EXPECT_FALSE(rs->NoMatch());
            EXPECT_EQ(idOf(*rs), 3);
            rs->FindLast(QStringLiteral("noigui = 'ubnd TỈNH'"));
            EXPECT_EQ(idOf(*rs), 3);
            rs->FindFirst(QStringLiteral("id = 2"));
            EXPECT_EQ(idOf(*rs), 2);
            rs->FindFirst(QStringLiteral("chonin = 'Y'"));
            EXPECT_TRUE(rs->NoMatch());
            EXPECT_EQ(errorOf([&] { rs->FindFirst(QStringLiteral("noigui = = 'x'")); }), engine::ErrSyntax);
        }
    }
}

TEST_F(EngineTest, AddingEditingAndDeletingRows)
{
    auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM cvden2008 ORDER BY id"));
    rs->MoveFirst();
    rs->AddNew();
    EXPECT_EQ(rs->EditMode(), engine::EditAdd);
    const int id = rs->Field(QStringLiteral("id")).toInt();
    EXPECT_EQ(id, 5);  // known before the row is written
    rs->SetField(QStringLiteral("stt"), QStringLiteral("5"));
    rs->SetField(QStringLiteral("idcu"), id);
    rs->SetField(QStringLiteral("noigui"), QStringLiteral("Trường Đại học Huế"));
    rs->SetField(QStringLiteral("kieuupdate"), QStringLiteral("1"));
    rs->SetField(QStringLiteral("da_xuli"), true);
    EXPECT_EQ(errorOf([&] { rs->SetField(QStringLiteral("id"), 9); }), engine::ErrNotUpdatable);
    EXPECT_EQ(errorOf([&] { rs->SetField(QStringLiteral("mat"), QString(21, QLatin1Char('m'))); }), engine::ErrFieldTooSmall);
    EXPECT_EQ(errorOf([&] { rs->SetField(QStringLiteral("mat"), QStringLiteral("Ω")); }), engine::ErrCharacterNotStorable);
    EXPECT_EQ(errorOf([&] { rs->SetField(QStringLiteral("idcu"), QStringLiteral("abc")); }), engine::ErrTypeMismatch);
    rs->Update();
    EXPECT_EQ(rs->EditMode(), engine::EditNone);
    EXPECT_EQ(idOf(*rs), 1);  // the current row stays where it was
    EXPECT_EQ(rs->RecordCount(), 5);
    rs->SetBookmark(rs->LastModified());
    EXPECT_EQ(idOf(*rs), 5);
    EXPECT_EQ(rs->Field(QStringLiteral("noigui")).toString(), QStringLiteral("Trường Đại học Huế"));
    EXPECT_EQ(rs->Field(QStringLiteral("kieuupdate")).toInt(), 1);
    EXPECT_EQ(rs->Field(QStringLiteral("da_xuli")).toInt(), -1);

    // A cancelled row leaves a gap; the id is never handed out again.
    rs->AddNew();
    EXPECT_EQ(rs->Field(QStringLiteral("id")).toInt(), 6);
    rs->CancelUpdate();
    rs->AddNew();
    EXPECT_EQ(rs->Field(QStringLiteral("id")).toInt(), 7);
    rs->Update();
    EXPECT_EQ(firstColumn(*db, QStringLiteral("SELECT id FROM cvden2008 WHERE id > 4")), QStringLiteral("5,7"));

    rs->FindFirst(QStringLiteral("id = 2"));
    rs->Edit();
    rs->SetField(QStringLiteral("noigui"), QStringLiteral("SỞ Y TẾ"));
    EXPECT_EQ(rs->Field(QStringLiteral("noigui")).toString(), QStringLiteral("SỞ Y TẾ"));  // the buffer, as typed
    rs->Update();
    EXPECT_EQ(rs->LastModified(), rs->Bookmark());
    // Stored in TCVN3, where capital toned vowels take their small letter's code.
    EXPECT_EQ(rs->Field(QStringLiteral("noigui")).toString(), QStringLiteral("Sở Y Tế"));
    rs->Collect(QStringLiteral("chonin"), QStringLiteral("X"));
    EXPECT_EQ(rs->Field(QStringLiteral("chonin")).toString(), QStringLiteral("X"));
    EXPECT_EQ(errorOf([&] { rs->Update(); }), engine::ErrUpdateWithoutEdit);

    rs->Delete();
    EXPECT_EQ(errorOf([&] { rs->Field(QStringLiteral("id")); }), engine::ErrRecordDeleted);
    rs->MoveNext();
    EXPECT_EQ(idOf(*rs), 3);  // the row after the deleted one
    EXPECT_EQ(rs->RecordCount(), 5);
    EXPECT_EQ(firstColumn(*db, QStringLiteral("SELECT id FROM cvden2008")), QStringLiteral("1,3,4,5,7"));
}

TEST_F(EngineTest, SnapshotsAndJoinsAreReadOnly)
{
    auto rs = db->OpenRecordset(QStringLiteral("cvden2008"), RecordsetType::Snapshot);
    EXPECT_FALSE(rs->Updatable());
    EXPECT_EQ(errorOf([&] { rs->AddNew(); }), engine::ErrNotUpdatable);
    EXPECT_EQ(errorOf([&] { rs->Edit(); }), engine::ErrNotUpdatable);
    auto distinct = db->OpenRecordset(QStringLiteral("select distinct dv_nhan from cvden2008 order by dv_nhan"));
    EXPECT_EQ(distinct->type(), RecordsetType::Snapshot);
    EXPECT_EQ(distinct->RecordCount(), 2);
    EXPECT_EQ(distinct->FieldNames(), QStringList{QStringLiteral("dv_nhan")});
}

TEST_F(EngineTest, ClonesAndRequery)
{
    auto rs = db->OpenRecordset(QStringLiteral("cvden2008"));
    auto clone = rs->Clone();
    clone->MoveLast();
    EXPECT_EQ(idOf(*clone), 4);
    EXPECT_EQ(idOf(*rs), 1);
    rs->SetBookmark(clone->Bookmark());
    EXPECT_EQ(idOf(*rs), 4);

    // Another clerk adds a row: Requery brings it in; a row they change shows at once.
    Database otherClerk(docPath);
    otherClerk.Execute(QStringLiteral("INSERT INTO cvden2008 (stt, noigui) VALUES ('5', 'Bộ Y tế')"));
    otherClerk.Execute(QStringLiteral("UPDATE cvden2008 SET noigui = 'Đổi' WHERE id = 4"));
    rs->MoveFirst();
    rs->MoveLast();  // the row is read again as it becomes current
    EXPECT_EQ(rs->Field(QStringLiteral("noigui")).toString(), QStringLiteral("Đổi"));
    EXPECT_EQ(rs->RecordCount(), 4);
    rs->Requery();
    EXPECT_EQ(rs->RecordCount(), 5);
    EXPECT_EQ(rs->AbsolutePosition(), 0);
    otherClerk.Execute(QStringLiteral("DELETE * FROM cvden2008 WHERE id = 1"));
    rs->MoveFirst();
    EXPECT_EQ(errorOf([&] { rs->Field(QStringLiteral("id")); }), engine::ErrRecordDeleted);
    rs->Close();
    EXPECT_EQ(errorOf([&] { rs->MoveNext(); }), engine::ErrDatabaseClosed);
}

TEST_F(EngineTest, AnOpenRecordsetNeverBlocksAnotherClerksSave)
{
    auto grid = db->OpenRecordset(QStringLiteral("SELECT * FROM cvden2008 ORDER BY stt"));
    grid->MoveLast();
    grid->Field(QStringLiteral("noigui"));
    grid->FindFirst(QStringLiteral("noigui Like '*a*'"));
    auto snapshot = db->OpenRecordset(QStringLiteral("cvden2008"), RecordsetType::Snapshot);
    snapshot->MoveNext();
    Database otherClerk(docPath);
    // With a read lock left behind, this would wait out the busy timeout and then fail.
    EXPECT_EQ(otherClerk.Execute(QStringLiteral("UPDATE cvden2008 SET chonin = 'X'")), 4);
    auto adder = otherClerk.OpenRecordset(QStringLiteral("cvden2008"));
    adder->AddNew();
    adder->SetField(QStringLiteral("stt"), QStringLiteral("9"));
    adder->Update();
    EXPECT_EQ(firstColumn(*db, QStringLiteral("SELECT count(*) FROM cvden2008")), QStringLiteral("5"));
}
