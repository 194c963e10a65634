// The outgoing register through its real window: numbering by type, corrections, two clerks
// saving at once, the keys and lists where it differs from the incoming one.
#include "documents.h"
#include "frmcvdi.h"
#include "jetsql.h"
#include "office.h"

#include <QLabel>
#include <QPushButton>

using namespace korvane;

class OutRegister : public OfficeOnBoth {
protected:
    void SetUp() override
    {
        Office::SetUp();
        if (IsSkipped()) return;
        InstallDocumentWindows(app, &main);
    }
    void TearDown() override { delete form.data(); }
    frmcvdi* open()
    {
        form = frmcvdi::Open(app);
        return activate(form.data());
    }
    void insert(const QString& type, const QString& number)
    {
        app.DocDb->Execute(QStringLiteral("INSERT INTO cvdi2026 (loai, stt, dv_nhan) VALUES ('%1', '%2', 'x')")
                               .arg(engine::escapeQuotes(type), number));
    }
    // A new record of `type`, typed into the type box and left, as a clerk does.
    QString proposedFor(const QString& type)
    {
        form->mloai->setFocus();
        form->mloai->setText(type);
        form->mso_cv->setFocus();
        return form->mstt->text();
    }
    QString proposedAfterNew()
    {
        QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
        return form->mstt->text();
    }
    void fill()
    {
        form->mdv_nhan->setText(QStringLiteral("Bộ Tài chính"));
        form->mnoiluu->setText(QStringLiteral("Văn phòng"));
        form->mnguoiky->setText(QStringLiteral("Giám đốc"));
        form->mtt_ndung->setPlainText(QStringLiteral("Về việc tuyển sinh"));
    }

    QPointer<frmcvdi> form;
};
KORVANE_ON_BOTH_ENGINES(OutRegister);

TEST_P(OutRegister, NumbersFollowTheLastDocumentOfTheirType)
{
    open();
    EXPECT_EQ(form->lbltrangthai->text(), QStringLiteral("Xem công văn đi"));
    // An empty register: 1, and the type "Công văn".
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("napcv"));
    EXPECT_EQ(form->lbltrangthai->text(), QStringLiteral("Nạp công văn đi"));
    EXPECT_EQ(form->mloai->text(), QStringLiteral("Công văn"));
    EXPECT_EQ(form->mstt->text(), QStringLiteral("1"));
    EXPECT_EQ(form->mng_cv->text(), QStringLiteral("09/12/2026"));
    EXPECT_FALSE(form->mstt->isReadOnly());  // open while adding
    // The type put in for the clerk is selected: what is typed replaces it.
    ASSERT_TRUE(form->mloai->hasFocus());
    QTest::keyClicks(form->mloai, QStringLiteral("QD"));
    EXPECT_EQ(form->mloai->text(), QStringLiteral("QD"));
    modal.answers = {QStringLiteral("no")};
    key(form->mloai, Qt::Key_Escape);

    // A, B, A numbered 1, 1, 2; then one with an empty type last, and A 5 before an A 2.
    insert(QStringLiteral("A"), QStringLiteral("1"));
    insert(QStringLiteral("B"), QStringLiteral("1"));
    insert(QStringLiteral("A"), QStringLiteral("2"));
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(form->mloai->text(), QStringLiteral("A"));  // the last record's type
    EXPECT_EQ(form->mstt->text(), QStringLiteral("3"));
    EXPECT_EQ(proposedFor(QStringLiteral("B")), QStringLiteral("2"));
    EXPECT_EQ(proposedFor(QStringLiteral("Tờ trình")), QStringLiteral("1"));
    emit form->DBComboloai->ListClicked(QStringLiteral("A"));  // the list part changes the type too
    EXPECT_EQ(form->mloai->text(), QStringLiteral("A"));
    EXPECT_TRUE(form->mso_cv->hasFocus());
    EXPECT_EQ(form->mstt->text(), QStringLiteral("3"));
    // F5 in the reference box starts it with the number; F5 in the number box numbers again.
    key(form->mso_cv, Qt::Key_F5);
    EXPECT_EQ(form->mso_cv->text(), QStringLiteral("3/"));
    form->mstt->setText(QStringLiteral("77"));
    form->mstt->setFocus();
    key(form->mstt, Qt::Key_F5);
    EXPECT_EQ(form->mstt->text(), QStringLiteral("3"));
    modal.answers = {QStringLiteral("no")};
    key(form->mloai, Qt::Key_Escape);

    insert(QString(), QStringLiteral("9"));
    insert(QStringLiteral("C"), QStringLiteral("5"));
    insert(QStringLiteral("C"), QStringLiteral("2"));
    EXPECT_EQ(proposedAfterNew(), QStringLiteral("3"));  // the last C, not the highest
    modal.answers = {QStringLiteral("no")};
    key(form->mloai, Qt::Key_Escape);
    app.DocDb->Execute(QStringLiteral("INSERT INTO cvdi2026 (loai, stt) VALUES ('', '10')"));
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(form->mloai->text(), QStringLiteral("Công văn"));
    // No type: the clerk is asked for one, and the number stays.
    form->mstt->setText(QStringLiteral("4"));
    EXPECT_EQ(proposedFor(QStringLiteral("  ")), QStringLiteral("4"));
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Cần phải xác định loại công văn trước!\rCần chọn loại công văn từ danh sách"
                                                          " để đảm bảo việc cho số được chính xác!"));
    EXPECT_EQ(modal.busyMessages, 0);  // never the hourglass behind a message
}

TEST_P(OutRegister, CorrectingChecksTheNextDocumentOfTheNewType)
{
    for (const auto& [type, number] : {std::pair{"A", "1"}, std::pair{"B", "1"}, std::pair{"A", "2"}, std::pair{"A", "3"}})
        insert(QLatin1String(type), QLatin1String(number));
    open();
    // The third record (position 2) becomes a B: B 1 comes before it, so 2, and no later B holds 2.
    form->mrecnum->setText(QStringLiteral("3"));
    key(form->mrecnum, Qt::Key_Return);
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("suacv"));
    EXPECT_TRUE(form->mso_cv->hasFocus());
    EXPECT_EQ(proposedFor(QStringLiteral("B")), QStringLiteral("2"));
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);  // "Huỷ sửa"

    // With a later B 2, the change is refused and the type and number come back.
    insert(QStringLiteral("B"), QStringLiteral("2"));
    form->Data1->Refresh();
    form->mrecnum->setText(QStringLiteral("3"));
    key(form->mrecnum, Qt::Key_Return);
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    EXPECT_EQ(proposedFor(QStringLiteral("B")), QStringLiteral("2"));
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Số công văn : 2 cho loại 'B' đã được dùng !Không thể sửa ô Loại CV về loại này được !"));
    EXPECT_EQ(form->mloai->text(), QStringLiteral("A"));
    EXPECT_EQ(form->mstt->text(), QStringLiteral("2"));
    EXPECT_EQ(modal.busyMessages, 0);
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);

    // The first record searches back from the last one (B 2 excluded): A 3 gives 4, and no later check.
    form->mrecnum->setText(QStringLiteral("1"));
    key(form->mrecnum, Qt::Key_Return);
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    EXPECT_EQ(proposedFor(QStringLiteral("B")), QStringLiteral("2"));
    EXPECT_EQ(proposedFor(QStringLiteral("A")), QStringLiteral("4"));
}

TEST_P(OutRegister, TwoClerksSavingTheSameTypeGetDistinctNumbers)
{
    insert(QStringLiteral("Công văn 'mật'"), QStringLiteral("1"));
    open();
    engine::Database other(app.DocFile);  // another clerk's program on the same file
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(form->mloai->text(), QStringLiteral("Công văn 'mật'"));  // a quote in the type is only text
    EXPECT_EQ(form->mstt->text(), QStringLiteral("2"));
    fill();
    // The other clerk saves number 2 of the same type first.
    other.Execute(QStringLiteral("INSERT INTO cvdi2026 (loai, stt, dv_nhan) VALUES ('Công văn ''mật''', '2', 'khác')"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Số công văn : 2 cho loại 'Công văn 'mật'' đã được dùng !Công văn này được cho số "
                                                          "mới là 3, cần xem lại ô Số công văn rồi ghi đĩa."));
    EXPECT_EQ(app.FormMode, QStringLiteral("napcv"));
    EXPECT_EQ(form->mstt->text(), QStringLiteral("3"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("xemcv"));
    EXPECT_EQ(column(QStringLiteral("SELECT stt, dv_nhan, kieuupdate, idcu = id FROM cvdi2026 ORDER BY id")),
              (QStringList{QStringLiteral("1|x||"), QStringLiteral("3|Bộ Tài chính|1|1"), QStringLiteral("2|khác||")}));
    EXPECT_TRUE(form->mso_cv->hasFocus());
}

TEST_P(OutRegister, AButtonPressedFromTheTypeBoxNumbersFirst)
{
    insert(QStringLiteral("A"), QStringLiteral("7"));
    open();
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    fill();
    form->mloai->setFocus();
    form->mloai->setText(QStringLiteral("B"));
    alt(form->mloai, Qt::Key_G);  // "Ghi đĩa" with the focus still in the type box
    EXPECT_EQ(column(QStringLiteral("SELECT loai, stt FROM cvdi2026 ORDER BY id")), (QStringList{QStringLiteral("A|7"), QStringLiteral("B|1")}));
}

TEST_P(OutRegister, RequiredFieldsPickListsAndKeys)
{
    open();
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Cần phải điền đủ nội dung các ô :\rnơi nhận, nơi lưu, người ký, tóm tắt nội dung"));
    EXPECT_TRUE(form->mso_cv->hasFocus());
    // Both pick grids stay open for several names; Esc goes back from the storage grid first.
    form->mdv_nhan->setFocus();
    key(form->mdv_nhan, Qt::Key_F5);
    ASSERT_TRUE(form->DBGridnoinhan->isVisible());
    emit form->DBGridnoinhan->RowDoubleClicked(0);
    emit form->DBGridnoinhan->RowDoubleClicked(1);
    EXPECT_EQ(form->mdv_nhan->text(), QStringLiteral("Bộ Tài chính, Sở Y tế"));
    EXPECT_TRUE(form->DBGridnoinhan->hasFocus());
    key(form->DBGridnoinhan, Qt::Key_Escape);
    EXPECT_TRUE(form->mdv_nhan->hasFocus());
    form->mnoiluu->setFocus();
    key(form->mnoiluu, Qt::Key_F5);
    ASSERT_TRUE(form->DBGridnoiluu->isVisible());
    key(form->DBGridnoiluu, Qt::Key_Return);
    EXPECT_EQ(form->mnoiluu->text(), QStringLiteral("Phòng Tổ chức"));
    key(form->DBGridnoiluu, Qt::Key_Escape);
    EXPECT_TRUE(form->mnoiluu->hasFocus());
    // Leaving the storage and signer boxes expands their abbreviations.
    form->mnoiluu->setText(QStringLiteral("vp"));
    form->mnguoiky->setFocus();
    EXPECT_EQ(form->mnoiluu->text(), QStringLiteral("Văn phòng"));
    // A date the calendar does not have is refused with this register's message.
    form->mng_cv->setFocus();
    form->mng_cv->setText(QStringLiteral("30/2/2026"));
    form->mso_cv->setFocus();
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng !"));
    EXPECT_EQ(form->mng_cv->text(), QString());
}

TEST_P(OutRegister, ClosingBacksUpTheOutgoingRegister)
{
    app.BackupFile = folder.path(QStringLiteral("backup.mdb"));
    QFile::copy(app.DocFile, app.BackupFile);  // a backup file that already exists
    QFile::setPermissions(app.BackupFile, QFile::ReadOwner | QFile::WriteOwner);
    open();
    main.hide();
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    fill();
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    QTest::mouseClick(form->cmdclose, Qt::LeftButton);
    EXPECT_TRUE(main.isVisible());
    engine::Database backup(app.BackupFile);
    auto rs = backup.OpenRecordset(QStringLiteral("SELECT nguoiky FROM cvdi2026"), engine::RecordsetType::Snapshot);
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Field(QStringLiteral("nguoiky")).toString(), QStringLiteral("Giám đốc"));
}

TEST_P(OutRegister, ATypeIsKeptWithoutItsBlanksAndCorrectionsAreMarked)
{
    open();
    // "QĐ" and a blank expand to the type with a blank after it: numbered and saved without it.
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    form->mloai->setFocus();
    form->mloai->setText(QStringLiteral("QĐ"));
    key(form->mloai, Qt::Key_Space);
    ASSERT_EQ(form->mloai->text(), QStringLiteral("Quyết định "));
    fill();
    form->mso_cv->setFocus();
    EXPECT_EQ(form->mloai->text(), QStringLiteral("Quyết định"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(form->mloai->text(), QStringLiteral("Quyết định"));
    EXPECT_EQ(form->mstt->text(), QStringLiteral("2"));
    fill();
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(column(QStringLiteral("SELECT loai, stt, kieuupdate FROM cvdi2026 ORDER BY id")),
              (QStringList{QStringLiteral("Quyết định|1|1"), QStringLiteral("Quyết định|2|1")}));
    // A correction after a backup is marked 2; F6 brings the record before's signer.
    app.DocDb->Execute(QStringLiteral("UPDATE cvdi2026 SET kieuupdate = 0, nguoiky = 'Phó giám đốc' WHERE stt = '1'"));
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    form->mnguoiky->setFocus();
    key(form->mnguoiky, Qt::Key_F6);
    EXPECT_EQ(form->mnguoiky->text(), QStringLiteral("Phó giám đốc"));
    app.DocDb->Execute(QStringLiteral("UPDATE cvdi2026 SET kieuupdate = 0"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(column(QStringLiteral("SELECT nguoiky, kieuupdate FROM cvdi2026 WHERE stt = '2'")), QStringList{QStringLiteral("Phó giám đốc|2")});
    // "In công văn" hands the window its name and the document's date.
    QString title, from;
    modal.drivers[QStringLiteral("frmincv")] = [&](QDialog& d) {
        title = d.findChild<QLabel*>(QStringLiteral("Label1"))->text();
        from = d.findChild<QLineEdit*>(QStringLiteral("mngay1"))->text();
    };
    QTest::mouseClick(form->Cmdin, Qt::LeftButton);
    EXPECT_EQ(title, QStringLiteral("Chọn ngày in công văn đi"));
    EXPECT_EQ(from, QStringLiteral("09/12/2026"));
}

TEST_P(OutRegister, NumberingSkipsUnnumberedDocumentsAndASaveNeedsANumber)
{
    insert(QStringLiteral("A"), QStringLiteral("1"));
    insert(QStringLiteral("A"), QStringLiteral("2"));
    insert(QStringLiteral("A"), QStringLiteral(" "));    // a number cleared in the list
    insert(QStringLiteral("A"), QStringLiteral("chưa"));  // an imported row
    open();
    // The last numbered document of the type gives the number; the others are passed over.
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(form->mloai->text(), QStringLiteral("A"));
    EXPECT_EQ(form->mstt->text(), QStringLiteral("3"));
    EXPECT_TRUE(modal.systemMessages.isEmpty());
    // A number emptied (F4) or typed as text is refused with a message, and nothing is written.
    fill();
    const QString refusal = QStringLiteral("Ô \"Cho số CV đi\" chưa có số hoặc không phải là số !\r"
                                           "Bấm F5 ở ô đó để cho số theo loại công văn, hoặc gõ số vào rồi ghi đĩa.");
    for (const QString& typed : {QString(), QStringLiteral("x12")}) {
        form->mstt->setText(typed);
        QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
        ASSERT_FALSE(modal.messages.empty());
        EXPECT_EQ(modal.messageTexts().last(), refusal);
        EXPECT_EQ(app.FormMode, QStringLiteral("napcv"));
        EXPECT_TRUE(form->mstt->hasFocus());  // open for the number
    }
    // "Nạp mới" saves the record being added the same way: refused too.
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), refusal);
    EXPECT_EQ(column(QStringLiteral("SELECT count(*) FROM cvdi2026")), QStringList{QStringLiteral("4")});
    key(form->mstt, Qt::Key_F5);
    EXPECT_EQ(form->mstt->text(), QStringLiteral("3"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(column(QStringLiteral("SELECT stt FROM cvdi2026 ORDER BY id DESC LIMIT 1")), QStringList{QStringLiteral("3")});
    // A failure of the file while numbering is said, never only recorded.
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    app.DocDb->Execute(QStringLiteral("DROP TABLE cvdi2026"));
    form->mstt->setFocus();
    key(form->mstt, Qt::Key_F5);
    ASSERT_FALSE(modal.systemMessages.isEmpty());
    EXPECT_TRUE(modal.systemMessages.last().startsWith(QStringLiteral("Lỗi dữ liệu : ")));
}

TEST_P(OutRegister, ACorrectionToAnotherTypeIsCheckedInTheFileAndAgainWhenSaved)
{
    insert(QStringLiteral("A"), QStringLiteral("1"));
    insert(QStringLiteral("B"), QStringLiteral("1"));
    open();  // B 1 is the last row the window knows
    engine::Database other(app.DocFile);  // another clerk's program on the same file
    other.Execute(QStringLiteral("INSERT INTO cvdi2026 (loai, stt, dv_nhan) VALUES ('A', '2', 'khác')"));
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    EXPECT_EQ(proposedFor(QStringLiteral("A")), QStringLiteral("1"));  // A 2 is taken: refused
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Số công văn : 2 cho loại 'A' đã được dùng !Không thể sửa ô Loại CV về loại này được !"));
    EXPECT_EQ(form->mloai->text(), QStringLiteral("B"));
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);  // "Huỷ sửa"

    // The number proposed while the other clerk had not yet saved is checked again by the save.
    other.Execute(QStringLiteral("DELETE * FROM cvdi2026 WHERE dv_nhan = 'khác'"));
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    EXPECT_EQ(proposedFor(QStringLiteral("A")), QStringLiteral("2"));
    fill();
    other.Execute(QStringLiteral("INSERT INTO cvdi2026 (loai, stt, dv_nhan) VALUES ('A', '2', 'khác')"));
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Số công văn : 2 cho loại 'A' đã được dùng !Không thể sửa ô Loại CV về loại này được !"));
    EXPECT_EQ(app.FormMode, QStringLiteral("suacv"));
    EXPECT_EQ(form->mloai->text(), QStringLiteral("B"));
    EXPECT_EQ(form->mstt->text(), QStringLiteral("1"));
    EXPECT_EQ(column(QStringLiteral("SELECT loai, stt FROM cvdi2026 ORDER BY id")),
              (QStringList{QStringLiteral("A|1"), QStringLiteral("B|1"), QStringLiteral("A|2")}));
    // Type and number as they were, the correction is saved.
    QTest::mouseClick(form->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(app.FormMode, QStringLiteral("xemcv"));
    EXPECT_EQ(column(QStringLiteral("SELECT loai, stt, nguoiky FROM cvdi2026 WHERE id = 2")), QStringList{QStringLiteral("B|1|Giám đốc")});
}

TEST_P(OutRegister, TheNumberBoxJoinsTheTabChainOnlyAfterSoMoi)
{
    open();
    QTest::mouseClick(form->cmdAdd, Qt::LeftButton);
    fill();
    auto tabsReach = [&](QWidget* target) {
        form->mrecnum->setFocus();
        for (int k = 0; k < 30; ++k) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (QApplication::focusWidget() == target) return true;
        }
        return false;
    };
    EXPECT_FALSE(tabsReach(form->mstt));
    EXPECT_TRUE(tabsReach(form->mloai));
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);  // refused while adding; the number box stays out
    EXPECT_FALSE(tabsReach(form->mstt));
    QTest::mouseClick(form->cmdsuasocvdi, Qt::LeftButton);
    EXPECT_TRUE(form->mstt->hasFocus());
    EXPECT_FALSE(form->mstt->isReadOnly());
    form->mstt->setText(QStringLiteral("5"));
    QTest::keyClick(form->mstt, Qt::Key_Tab);  // left: locked again, out of the chain
    EXPECT_TRUE(form->mstt->isReadOnly());
    EXPECT_FALSE(tabsReach(form->mstt));
    EXPECT_EQ(form->mstt->text(), QStringLiteral("5"));
    modal.answers = {QStringLiteral("no")};
    key(form->mloai, Qt::Key_Escape);

    // Correcting: the same.
    insert(QStringLiteral("A"), QStringLiteral("1"));
    form->Data1->Requery();
    form->Data1->MoveLast();
    QTest::mouseClick(form->Cmdsua, Qt::LeftButton);
    ASSERT_EQ(app.FormMode, QStringLiteral("suacv"));
    EXPECT_FALSE(tabsReach(form->mstt));
}
