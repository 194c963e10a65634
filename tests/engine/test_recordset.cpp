// Record sets: moving, finding, adding, editing and deleting, as the windows use them.
#include "fixture.h"

using engine::Database;
using engine::DbError;
using engine::Recordset;
using engine::RecordsetType;

namespace {

int idOf(const Recordset& rs) { return rs.Field(QStringLiteral("id")).toInt(); }

}  // namespace

INSTANTIATE_TEST_SUITE_P(On, BothEngines, ::testing::Values(Backend::File, Backend::Server), backendName);

TEST_P(BothEngines, MovingThroughADynaset)
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
    EXPECT_EQ(errorNumber([&] { rs->Field(QStringLiteral("id")); }), engine::ErrNoCurrentRecord);
    EXPECT_EQ(errorNumber([&] { rs->MovePrevious(); }), engine::ErrNoCurrentRecord);
    rs->MoveLast();
    EXPECT_EQ(idOf(*rs), 4);
    const qint64 mark = rs->Bookmark();
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(errorNumber([&] { rs->MoveNext(); }), engine::ErrNoCurrentRecord);
    rs->SetBookmark(mark);
    EXPECT_EQ(idOf(*rs), 4);
    rs->SetAbsolutePosition(1);
    EXPECT_EQ(idOf(*rs), 2);
    EXPECT_EQ(errorNumber([&] { rs->SetAbsolutePosition(4); }), engine::ErrInvalidArgument);
    EXPECT_EQ(errorNumber([&] { rs->Field(QStringLiteral("khongco")); }), engine::ErrItemNotFound);

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
    EXPECT_EQ(errorNumber([&] { empty->MoveFirst(); }), engine::ErrNoCurrentRecord);
}

TEST_P(BothEngines, FindingWithCriteria)
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
            EXPECT_EQ(errorNumber([&] { rs->FindFirst(QStringLiteral("noigui = = 'x'")); }), engine::ErrSyntax);
        }
    }
}

TEST_P(BothEngines, AddingEditingAndDeletingRows)
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
    EXPECT_EQ(errorNumber([&] { rs->SetField(QStringLiteral("id"), 9); }), engine::ErrNotUpdatable);
    EXPECT_EQ(errorNumber([&] { rs->SetField(QStringLiteral("mat"), QString(21, QLatin1Char('m'))); }), engine::ErrFieldTooSmall);
    EXPECT_EQ(errorNumber([&] { rs->SetField(QStringLiteral("mat"), QStringLiteral("Ω")); }), engine::ErrCharacterNotStorable);
    EXPECT_EQ(errorNumber([&] { rs->SetField(QStringLiteral("idcu"), QStringLiteral("abc")); }), engine::ErrTypeMismatch);
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
    EXPECT_EQ(errorNumber([&] { rs->Update(); }), engine::ErrUpdateWithoutEdit);

    rs->Delete();
    EXPECT_EQ(errorNumber([&] { rs->Field(QStringLiteral("id")); }), engine::ErrRecordDeleted);
    rs->MoveNext();
    EXPECT_EQ(idOf(*rs), 3);  // the row after the deleted one
    EXPECT_EQ(rs->RecordCount(), 5);
    EXPECT_EQ(firstColumn(*db, QStringLiteral("SELECT id FROM cvden2008")), QStringLiteral("1,3,4,5,7"));
}

TEST_P(BothEngines, SnapshotsAndJoinsAreReadOnly)
{
    auto rs = db->OpenRecordset(QStringLiteral("cvden2008"), RecordsetType::Snapshot);
    EXPECT_FALSE(rs->Updatable());
    EXPECT_EQ(errorNumber([&] { rs->AddNew(); }), engine::ErrNotUpdatable);
    EXPECT_EQ(errorNumber([&] { rs->Edit(); }), engine::ErrNotUpdatable);
    auto distinct = db->OpenRecordset(QStringLiteral("select distinct dv_nhan from cvden2008 order by dv_nhan"));
    EXPECT_EQ(distinct->type(), RecordsetType::Snapshot);
    EXPECT_EQ(distinct->RecordCount(), 2);
    EXPECT_EQ(distinct->FieldNames(), QStringList{QStringLiteral("dv_nhan")});
}

TEST_P(BothEngines, ClonesAndRequery)
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
    EXPECT_EQ(errorNumber([&] { rs->Field(QStringLiteral("id")); }), engine::ErrRecordDeleted);
    rs->Close();
    EXPECT_EQ(errorNumber([&] { rs->MoveNext(); }), engine::ErrDatabaseClosed);
}

TEST_P(BothEngines, AnOpenRecordsetNeverBlocksAnotherClerksSave)
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

// Two clerks correcting the same document. As the form kit saves: the window shows the row as
// the record set read it when it became current, and Edit, the changed fields and Update follow
// at save time.
TEST_P(BothEngines, AnUpdateNeverOverwritesAnotherClerksChange)
{
    Database clerkB(docPath);
    auto a = db->OpenRecordset(QStringLiteral("SELECT * FROM cvden2008 ORDER BY id"));
    a->SetAbsolutePosition(1);
    EXPECT_EQ(a->Field(QStringLiteral("tt_ndung")).toString(), QStringLiteral("Thư của O'Brien"));
    clerkB.Execute(QStringLiteral("UPDATE cvden2008 SET tt_ndung = 'Sửa của B', noigui = 'Sở Y tế' WHERE id = 2"));
    a->Edit();
    a->SetField(QStringLiteral("tt_ndung"), QStringLiteral("Sửa của A"));
    EXPECT_EQ(errorNumber([&] { a->Update(); }), engine::ErrChangedByOther);
    // Nothing of A's was written, B's change stands, and A now reads the row as B left it.
    EXPECT_EQ(firstColumn(clerkB, QStringLiteral("SELECT noigui & '/' & tt_ndung FROM cvden2008 WHERE id = 2")),
              QStringLiteral("Sở Y tế/Sửa của B"));
    EXPECT_EQ(a->EditMode(), engine::EditNone);
    EXPECT_EQ(a->Field(QStringLiteral("tt_ndung")).toString(), QStringLiteral("Sửa của B"));
    // Saved again over what A now shows, it goes through.
    a->Edit();
    a->SetField(QStringLiteral("tt_ndung"), QStringLiteral("Sửa của A"));
    a->Update();
    EXPECT_EQ(firstColumn(clerkB, QStringLiteral("SELECT noigui & '/' & tt_ndung FROM cvden2008 WHERE id = 2")),
              QStringLiteral("Sở Y tế/Sửa của A"));

    // A field A leaves alone keeps what B wrote into it, and A's save goes through beside it.
    auto narrow = db->OpenRecordset(QStringLiteral("SELECT id, noigui, so_cv, kieuupdate FROM cvden2008 WHERE id >= 3"));
    narrow->Field(QStringLiteral("noigui"));
    clerkB.Execute(QStringLiteral("UPDATE cvden2008 SET loai = 'Của B', so_cv = '' WHERE id = 3"));
    narrow->Edit();
    narrow->SetField(QStringLiteral("noigui"), QStringLiteral("Của A"));
    narrow->Update();
    EXPECT_EQ(firstColumn(clerkB, QStringLiteral("SELECT noigui & '/' & loai FROM cvden2008 WHERE id = 3")), QStringLiteral("Của A/Của B"));
    // A Null that became an empty text is a change; a value stored again in another type is not.
    clerkB.Execute(QStringLiteral("UPDATE cvden2008 SET so_cv = NULL WHERE id = 3"));
    narrow->Field(QStringLiteral("noigui"));
    clerkB.Execute(QStringLiteral("UPDATE cvden2008 SET so_cv = '' WHERE id = 3"));
    narrow->Edit();
    narrow->SetField(QStringLiteral("so_cv"), QStringLiteral("5/A"));
    EXPECT_EQ(errorNumber([&] { narrow->Update(); }), engine::ErrChangedByOther);
    narrow->MoveNext();
    narrow->Field(QStringLiteral("noigui"));
    clerkB.Execute(QStringLiteral("UPDATE cvden2008 SET kieuupdate = 1.0 WHERE id = 4"));
    narrow->Edit();
    narrow->SetField(QStringLiteral("kieuupdate"), 2);
    narrow->Update();
    // The writer's bookkeeping is its own to set, whatever another clerk left in it.
    clerkB.Execute(QStringLiteral("UPDATE cvden2008 SET kieuupdate = 0 WHERE id = 4"));
    narrow->Edit();
    narrow->SetBookkeeping(QStringLiteral("kieuupdate"), 2);
    narrow->Update();
    EXPECT_EQ(firstColumn(clerkB, QStringLiteral("SELECT kieuupdate FROM cvden2008 WHERE id = 4")), QStringLiteral("2"));

    // A row B deleted fails as deleted, as it always has.
    a->MoveFirst();
    a->Field(QStringLiteral("noigui"));
    clerkB.Execute(QStringLiteral("DELETE * FROM cvden2008 WHERE id = 1"));
    a->Edit();
    a->SetField(QStringLiteral("noigui"), QStringLiteral("Của A"));
    EXPECT_EQ(errorNumber([&] { a->Update(); }), engine::ErrRecordDeleted);
}

TEST_P(BothEngines, AClerksOwnChangesDoNotTripTheCheck)
{
    auto rs = db->OpenRecordset(QStringLiteral("cvden2008"));
    rs->Field(QStringLiteral("noigui"));
    for (const char* summary : {"Một", "Hai"}) {
        rs->Edit();
        rs->SetField(QStringLiteral("tt_ndung"), QString::fromUtf8(summary));
        rs->Update();
    }
    // Read, then changed through the same file by a statement, a field written directly and
    // another record set before this one saves.
    rs->Field(QStringLiteral("noigui"));
    db->Execute(QStringLiteral("UPDATE cvden2008 SET chonin = 'X' WHERE id = 1"));
    auto list = db->OpenRecordset(QStringLiteral("SELECT * FROM cvden2008 ORDER BY id"));
    list->Collect(QStringLiteral("mat"), QStringLiteral("M"));
    list->Edit();
    list->SetField(QStringLiteral("loai"), QStringLiteral("Ba"));
    list->Update();
    rs->Edit();
    rs->SetField(QStringLiteral("stt"), QStringLiteral("9"));
    rs->Update();
    EXPECT_EQ(firstColumn(*db, QStringLiteral("SELECT stt & tt_ndung & chonin & mat & loai FROM cvden2008 WHERE id = 1")),
              QStringLiteral("9HaiXMBa"));

    // Two record sets of the same file (two windows) that both read the row and save the same
    // field: the second save is refused as if another clerk had made the first.
    auto first = db->OpenRecordset(QStringLiteral("cvden2008"));
    auto second = db->OpenRecordset(QStringLiteral("SELECT * FROM cvden2008 ORDER BY id"));
    first->Field(QStringLiteral("noigui"));
    second->Field(QStringLiteral("noigui"));
    first->Edit();
    first->SetField(QStringLiteral("noigui"), QStringLiteral("Của cửa sổ 1"));
    first->Update();
    second->Edit();
    second->SetField(QStringLiteral("noigui"), QStringLiteral("Của cửa sổ 2"));
    EXPECT_EQ(errorNumber([&] { second->Update(); }), engine::ErrChangedByOther);
    EXPECT_EQ(firstColumn(*db, QStringLiteral("SELECT noigui FROM cvden2008 WHERE id = 1")), QStringLiteral("Của cửa sổ 1"));
}

// A caller's check inside the write: it sees the file as no other clerk can change it until the
// write ends, and what it throws leaves the record set adding or editing, nothing written.
TEST_P(BothEngines, ACheckInsideTheWriteCanRefuseIt)
{
    Database clerkB(docPath);
    auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM cvden2008 WHERE id < 0"));
    rs->AddNew();
    const qlonglong id = rs->Field(QStringLiteral("id")).toLongLong();
    rs->SetField(QStringLiteral("stt"), QStringLiteral("5"));
    clerkB.Execute(QStringLiteral("INSERT INTO cvden2008 (stt) VALUES ('5')"));
    struct Taken {};
    auto noFive = [&] {
        if (firstColumn(*db, QStringLiteral("SELECT count(*) FROM cvden2008 WHERE stt = '5'")) != QLatin1String("0")) throw Taken{};
    };
    EXPECT_THROW(rs->Update(noFive), Taken);
    EXPECT_EQ(rs->EditMode(), engine::EditAdd);
    EXPECT_EQ(firstColumn(clerkB, QStringLiteral("SELECT count(*) FROM cvden2008 WHERE stt = '5'")), QStringLiteral("1"));
    // The check may still set fields: they are written.
    rs->Update([&] { rs->SetField(QStringLiteral("stt"), QStringLiteral("6")); });
    EXPECT_EQ(firstColumn(clerkB, QStringLiteral("SELECT stt FROM cvden2008 WHERE id = %1").arg(id)), QStringLiteral("6"));
    rs->SetBookmark(rs->LastModified());
    rs->Edit();
    rs->SetField(QStringLiteral("noigui"), QStringLiteral("Của A"));
    EXPECT_THROW(rs->Update([] { throw Taken{}; }), Taken);
    EXPECT_EQ(rs->EditMode(), engine::EditInProgress);
    rs->Update();
    EXPECT_EQ(firstColumn(clerkB, QStringLiteral("SELECT noigui FROM cvden2008 WHERE id = %1").arg(id)), QStringLiteral("Của A"));

    // A statement that fails inside the write and is caught there: a file goes on with the rest
    // of the write; the server ends the write, which must then be refused, never look saved.
    bool saved = true;
    try {
        db->WriteTransaction([&] {
            db->Execute(QStringLiteral("UPDATE cvden2008 SET noigui = 'Trước' WHERE id = %1").arg(id));
            EXPECT_THROW(db->Execute(QStringLiteral("INSERT INTO cvden2008 (id) VALUES (%1)").arg(id)), DbError);
        });
    } catch (const DbError& e) {
        saved = false;
        EXPECT_FALSE(e.description().isEmpty());
    }
    EXPECT_EQ(saved, GetParam() == Backend::File);
    EXPECT_EQ(firstColumn(clerkB, QStringLiteral("SELECT noigui FROM cvden2008 WHERE id = %1").arg(id)),
              saved ? QStringLiteral("Trước") : QStringLiteral("Của A"));
}
