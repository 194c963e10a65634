// The document lists through their real windows: the grid and the panel on one row, marks, edits
// that reach the backup, a search, mark and print round trip to PDF, and the list handed to a
// spreadsheet.
#include "conditions.h"
#include "documents.h"
#include "frmcvden.h"
#include "frmgrid.h"
#include "frmtracuu.h"
#include "office.h"
#include "printing.h"
#include "recordset.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>

using namespace korvane;

class Lists : public OfficeOnBoth {
protected:
    void SetUp() override
    {
        Office::SetUp();
        if (IsSkipped()) return;
        InstallDocumentWindows(app, &main);
        for (int k = 1; k <= 6; ++k)
            app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, noigui, ng_den, ng_denchuan, tt_ndung, kieuupdate, chonin) "
                                              "VALUES ('%1', '%2', '0%1/03/2026', '2026030%1', 'Nội dung %1', 0, 'X')")
                                   .arg(k)
                                   .arg(k % 2 ? QStringLiteral("Bộ Tài chính") : QStringLiteral("Sở Y tế")));
        app.DocRefDb->Execute(QStringLiteral("UPDATE tendonvi SET tendonvi = 'Văn phòng Đoàn', tencaptren = 'Uỷ ban nhân dân tỉnh'"));
        modal.reportTarget = ReportTarget::Pdf;
        modal.fileToSave = folder.path(QStringLiteral("ds.pdf"));
    }
    frmgridcvden* openYear()
    {
        main.show();
        QTest::mouseClick(main.Cmdxemcvden, Qt::LeftButton);
        return activate(frmgridcvden::Instance(app));
    }
    frmgridcvden* searchFor(const QString& sender, const QString& year = QStringLiteral("2026"))
    {
        main.show();
        QTest::mouseClick(main.cmdtracuucvden, Qt::LeftButton);
        auto* s = activate(frmtracuucvden::Instance(app));
        s->Combonamlamviec->setCurrentIndex(s->Combonamlamviec->findText(year));
        s->mnoigui->setText(sender);
        EXPECT_TRUE(s->Search());
        return activate(frmgridcvden::Instance(app));
    }
    // The "stt" of the rows a list's grid shows marked, top to bottom.
    static QStringList markedRows(DocumentList* list)
    {
        QStringList out;
        RecordsetModel* m = list->DBGrid1->Model();
        for (int r = 0; r < m->rowCount(); ++r)
            if (m->data(m->index(r, 0), Qt::DisplayRole).toString() == QLatin1String("X")) out.append(m->Field(r, QStringLiteral("stt")).toString());
        return out;
    }
    QString pdfText()
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), modal.fileToSave, QStringLiteral("-")});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
};
KORVANE_ON_BOTH_ENGINES(Lists);

TEST_P(Lists, TheGridAndThePanelStayOnOneRow)
{
    auto* list = openYear();
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(list->mrecnum->text(), QStringLiteral("6/6"));  // the last row
    // The list starts with no mark of its own, whatever the shared field holds, which it leaves.
    EXPECT_EQ(markedRows(list), QStringList{});
    EXPECT_EQ(column(QStringLiteral("SELECT count(*) FROM cvden2026 WHERE chonin = 'X'")), QStringList{QStringLiteral("6")});
    // Drawing every row of the grid never moves the panel's row.
    auto* model = list->DBGrid1->model();
    for (int r = 0; r < model->rowCount(); ++r) model->data(model->index(r, 2), Qt::DisplayRole);
    EXPECT_EQ(list->Data1->Position(), 5);
    EXPECT_EQ(list->DBGrid1->currentIndex().row(), 5);
    // A row chosen in the grid is the panel's row; a move of the panel is the grid's.
    list->DBGrid1->setCurrentIndex(model->index(1, 0));
    EXPECT_EQ(static_cast<QLineEdit*>(list->Field(QStringLiteral("stt")))->text(), QStringLiteral("2"));
    // The register's number is in the grid beside the mark.
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Số đến"));
    EXPECT_EQ(model->data(model->index(1, 1)).toString(), QStringLiteral("2"));
    EXPECT_EQ(list->mrecnum->text(), QStringLiteral("2/6"));
    list->mrecnum->setText(QStringLiteral("4"));
    key(list->mrecnum, Qt::Key_Return);
    EXPECT_EQ(list->DBGrid1->currentIndex().row(), 3);
    // A double-click marks, a second one unmarks; the grid shows it at once.
    emit list->DBGrid1->RowDoubleClicked(3);
    EXPECT_EQ(model->data(model->index(3, 0), Qt::DisplayRole).toString(), QStringLiteral("X"));
    EXPECT_EQ(markedRows(list), QStringList{QStringLiteral("4")});
    emit list->DBGrid1->RowDoubleClicked(3);
    EXPECT_EQ(model->data(model->index(3, 0), Qt::DisplayRole).toString(), QString());
    // "Chọn tất" over the whole year marks it all; "Huỷ chọn" clears it; the row stays current.
    QTest::mouseClick(list->Cmdchontat, Qt::LeftButton);
    EXPECT_EQ(markedRows(list).size(), 6);
    EXPECT_EQ(list->mrecnum->text(), QStringLiteral("4/6"));
    QTest::mouseClick(list->Cmdhuychon, Qt::LeftButton);
    EXPECT_EQ(markedRows(list), QStringList{});
    QTest::mouseClick(list->cmdclose, Qt::LeftButton);
    EXPECT_TRUE(main.isVisible());
}

TEST_P(Lists, EditsInThePanelReachTheBackup)
{
    app.DocDb->Execute(QStringLiteral("UPDATE cvden2026 SET kieuupdate = 1 WHERE stt = '2'"));
    auto* list = openYear();
    list->DBGrid1->setCurrentIndex(list->DBGrid1->model()->index(0, 0));
    static_cast<QLineEdit*>(list->Field(QStringLiteral("noigui")))->setText(QStringLiteral("Bộ Nội vụ"));
    static_cast<QLineEdit*>(list->Field(QStringLiteral("ng_den")))->setText(QStringLiteral("9/3/26"));
    list->DBGrid1->setCurrentIndex(list->DBGrid1->model()->index(1, 0));  // the row left is written
    static_cast<QPlainTextEdit*>(list->Field(QStringLiteral("tt_ndung")))->setPlainText(QStringLiteral("Sửa"));
    QTest::mouseClick(list->cmdclose, Qt::LeftButton);  // so is the row the list closes on
    EXPECT_EQ(column(QStringLiteral("SELECT noigui, ng_den, ng_denchuan, kieuupdate, idcu = id, tt_ndung FROM cvden2026 WHERE id <= 2 ORDER BY id")),
              (QStringList{QStringLiteral("Bộ Nội vụ|09/03/2026|20260309|2|1|Nội dung 1"), QStringLiteral("Sở Y tế|02/03/2026|20260302|1|1|Sửa")}));
}

TEST_P(Lists, MarksActOnTheRowsOfTheSearchInTheYearSearched)
{
    app.DocDb->Execute(QStringLiteral("SELECT * INTO cvden2001 FROM cvden2026"));  // another year, with the same rows
    auto* list = searchFor(QStringLiteral("sở"), QStringLiteral("2001"));
    EXPECT_EQ(list->Data1->Count(), 3);
    QTest::mouseClick(list->Cmdchontat, Qt::LeftButton);
    EXPECT_EQ(markedRows(list), (QStringList{QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("6")}));
    EXPECT_EQ(list->Marks().Ids(), (std::set<qlonglong>{2, 4, 6}));
    QTest::mouseClick(list->Cmdhuychon, Qt::LeftButton);
    EXPECT_TRUE(list->Marks().Empty());
    // Back from a search of 2001 started in the register: the register is not moved to a 2001 id.
    auto* reg = activate(frmcvden::Open(app));
    reg->Data1->MoveFirst();
    QTest::mouseClick(reg->Cmdtracuu, Qt::LeftButton);
    auto* s = frmtracuucvden::Instance(app);
    s->Combonamlamviec->setCurrentIndex(s->Combonamlamviec->findText(QStringLiteral("2001")));
    s->mnoigui->clear();
    ASSERT_TRUE(s->Search());
    list->Data1->MoveLast();
    QTest::mouseClick(list->cmdclose, Qt::LeftButton);
    EXPECT_TRUE(reg->isVisible());
    EXPECT_EQ(reg->mrecnum->text(), QStringLiteral("1/6"));
    delete reg;
}

TEST_P(Lists, SearchMarkAndPrintTheMarkedRowsInIdOrder)
{
    auto* list = searchFor(QStringLiteral("bộ"));
    // Nothing marked yet: said, nothing printed.
    QTest::mouseClick(list->Cmdin, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Chưa có công văn nào được chọn để in!"));
    EXPECT_FALSE(QFile::exists(modal.fileToSave));
    // Rows 5 and 1 marked, in that order: printed 1 then 5.
    list->Data1->MoveLast();
    emit list->DBGrid1->RowDoubleClicked(2);
    emit list->DBGrid1->RowDoubleClicked(0);
    QTest::mouseClick(list->Cmdin, Qt::LeftButton);
    const QString text = pdfText();
    EXPECT_TRUE(text.contains(QStringLiteral("(Những công văn được chọn)")));
    EXPECT_TRUE(text.contains(QStringLiteral("Văn phòng Đoàn")));
    EXPECT_TRUE(text.contains(QStringLiteral("Uỷ ban nhân dân tỉnh")));
    const qsizetype first = text.indexOf(QStringLiteral("Nội dung 1")), fifth = text.indexOf(QStringLiteral("Nội dung 5"));
    EXPECT_GE(first, 0);
    EXPECT_GT(fifth, first);
    EXPECT_FALSE(text.contains(QStringLiteral("Nội dung 3")));
    EXPECT_EQ(app.DocDb->QueryDefSql(QStringLiteral("qrdata1")), list->Data1->RecordSource);
    // An empty list says so.
    frmtracuucvden::Instance(app)->mnoigui->setText(QStringLiteral("không có"));
    ASSERT_TRUE(frmtracuucvden::Instance(app)->Search());
    QTest::mouseClick(list->Cmdin, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Chưa có công văn nào được nạp !"));
    EXPECT_EQ(modal.busyMessages, 0);
}

TEST_P(Lists, AnotherSearchNeitherLosesPanelEditsNorChangesWhatMarkAllMarks)
{
    auto* list = searchFor(QStringLiteral("bộ"));  // ids 1, 3, 5
    list->Data1->MoveFirst();
    static_cast<QLineEdit*>(list->Field(QStringLiteral("noigui")))->setText(QStringLiteral("Bộ Nội vụ"));
    // The same search again: the edit is written before the new rows come.
    ASSERT_TRUE(frmtracuucvden::Instance(app)->Search());
    EXPECT_EQ(column(QStringLiteral("SELECT noigui, kieuupdate FROM cvden2026 WHERE id = 1")), QStringList{QStringLiteral("Bộ Nội vụ|2")});
    // An outgoing search meanwhile does not change the rows the incoming list marks.
    main.show();
    QTest::mouseClick(main.cmdtracuucvdi, Qt::LeftButton);
    auto* out = activate(frmtracuucvdi::Instance(app));
    out->mstt->setText(QStringLiteral("2"));
    ASSERT_TRUE(out->Search());
    activate(list);
    // The current row corrected out of the search: marked no more, and no error when it is gone.
    list->Data1->MoveFirst();
    static_cast<QLineEdit*>(list->Field(QStringLiteral("noigui")))->setText(QStringLiteral("Sở Nội vụ"));
    QTest::mouseClick(list->Cmdchontat, Qt::LeftButton);
    EXPECT_EQ(markedRows(list), (QStringList{QStringLiteral("3"), QStringLiteral("5")}));
    EXPECT_TRUE(modal.systemMessages.isEmpty()) << modal.systemMessages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(list->mrecnum->text(), QStringLiteral("1/2"));
    // A double-click on a row's heading toggles its mark as one on its cells does.
    QHeaderView* heading = list->DBGrid1->verticalHeader();
    QTest::mouseDClick(heading->viewport(), Qt::LeftButton, {}, QPoint(heading->width() / 2, heading->sectionViewportPosition(1) + heading->sectionSize(1) / 2));
    EXPECT_EQ(markedRows(list), QStringList{QStringLiteral("3")});
}

TEST_P(Lists, EachClerkPrintsTheMarksOfTheirOwnList)
{
    // Clerk A marks rows 1 and 2 of the year.
    auto* mine = openYear();
    emit mine->DBGrid1->RowDoubleClicked(0);
    emit mine->DBGrid1->RowDoubleClicked(1);
    // Clerk B, another program on the same folder, opens the same list and marks row 4, then
    // marks all, clears all, searches and marks row 4 again.
    const auto clerk = anotherClerk();
    App& other = clerk->app;
    frmMain& otherMain = clerk->main;
    InstallDocumentWindows(other, &otherMain);
    otherMain.show();
    QTest::mouseClick(otherMain.Cmdxemcvden, Qt::LeftButton);
    auto* theirs = frmgridcvden::Instance(other);
    ASSERT_NE(theirs, mine);
    emit theirs->DBGrid1->RowDoubleClicked(3);
    EXPECT_EQ(markedRows(theirs), QStringList{QStringLiteral("4")});
    QTest::mouseClick(theirs->Cmdchontat, Qt::LeftButton);
    QTest::mouseClick(theirs->Cmdhuychon, Qt::LeftButton);
    auto* theirSearch = frmtracuucvden::Instance(other);
    theirSearch->Combonamlamviec->setCurrentIndex(theirSearch->Combonamlamviec->findText(QStringLiteral("2026")));
    ASSERT_TRUE(theirSearch->Search());
    emit theirs->DBGrid1->RowDoubleClicked(3);
    // A's grid and A's print: rows 1 and 2, exactly.
    EXPECT_EQ(markedRows(mine), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    QTest::mouseClick(mine->Cmdin, Qt::LeftButton);
    QString text = pdfText();
    EXPECT_TRUE(text.contains(QStringLiteral("Nội dung 1")));
    EXPECT_TRUE(text.contains(QStringLiteral("Nội dung 2")));
    for (const char* other : {"Nội dung 3", "Nội dung 4", "Nội dung 5", "Nội dung 6"}) EXPECT_FALSE(text.contains(QString::fromUtf8(other))) << other;
    // B's print: row 4 only.
    QFile::remove(modal.fileToSave);
    QTest::mouseClick(theirs->Cmdin, Qt::LeftButton);
    text = pdfText();
    EXPECT_TRUE(text.contains(QStringLiteral("Nội dung 4")));
    for (const char* other : {"Nội dung 1", "Nội dung 2", "Nội dung 3", "Nội dung 5", "Nội dung 6"})
        EXPECT_FALSE(text.contains(QString::fromUtf8(other))) << other;
}

TEST_P(Lists, AFileThatCannotBeWrittenIsMarkedAndPrinted)
{
    app.DocDb = std::make_unique<engine::Database>(app.DocFile, engine::Database::Access::ReadOnly);
    auto* list = openYear();
    emit list->DBGrid1->RowDoubleClicked(2);
    EXPECT_EQ(markedRows(list), QStringList{QStringLiteral("3")});
    QTest::mouseClick(list->Cmdin, Qt::LeftButton);
    EXPECT_TRUE(modal.messages.empty()) << modal.messageTexts().join(QLatin1Char('\n')).toStdString();
    const QString text = pdfText();
    EXPECT_TRUE(text.contains(QStringLiteral("Nội dung 3")));
    EXPECT_FALSE(text.contains(QStringLiteral("Nội dung 4")));
}

TEST_P(Lists, AThousandMarksPrintInIdOrderAndDeletedRowsAreNone)
{
    app.DocDb->WriteTransaction([&] {
        for (int k = 7; k <= 1206; ++k)
            app.DocDb->Execute(QStringLiteral("INSERT INTO cvden2026 (stt, tt_ndung) VALUES ('%1', 'Nội dung %1')").arg(k));
    });
    PrintMarks marks;
    marks.MarkRows(*app.DocDb, QStringLiteral("cvden2026"), QString());
    ASSERT_EQ(marks.Ids().size(), 1206u);
    EXPECT_FALSE(marks.Toggle(600));
    app.DocDb->Execute(QStringLiteral("DELETE * FROM cvden2026 WHERE id = 1000"));  // by another clerk, after it was marked
    EXPECT_EQ(FillPrintTable(*app.TempDb, QStringLiteral("incvden"), *app.DocDb, QStringLiteral("cvden2026"), marks, QStringLiteral("[id]")), 1204);
    const QStringList stt = Rows(*app.TempDb, QStringLiteral("SELECT stt FROM incvden WHERE chonin = 'X' ORDER BY id"));
    ASSERT_EQ(stt.size(), 1204);
    QStringList expected;
    for (int k = 1; k <= 1206; ++k)
        if (k != 600 && k != 1000) expected.append(QString::number(k));
    EXPECT_EQ(stt, expected);
}

TEST_P(Lists, ExportedFilesReadBackCellForCellAndOnlyTheMarkedRowsWhenMarked)
{
    // 300 documents: Vietnamese texts with quotes, commas and line breaks, dates kept as
    // dd/mm/yyyy beside their yyyymmdd twins, some dates and receivers left empty.
    const QStringList senders = {QStringLiteral("Uỷ ban \"nhân dân\" tỉnh Đắk Lắk"), QStringLiteral("Sở Giáo dục, Đào tạo"), QStringLiteral("Bộ Nội vụ")};
    QList<QStringList> xlsx{{QStringLiteral("Số"), QStringLiteral("Ngày đến"), QStringLiteral("Nơi gửi"), QStringLiteral("Số CV"), QStringLiteral("Ngày CV"),
                             QStringLiteral("Tóm tắt nội dung"), QStringLiteral("Nơi nhận")}};
    QList<QStringList> csv = xlsx;
    app.DocDb->Execute(QStringLiteral("DELETE * FROM cvden2026"));
    app.DocDb->WriteTransaction([&] {
        auto rs = app.DocDb->OpenRecordset(QStringLiteral("cvden2026"), engine::RecordsetType::Dynaset);
        for (int k = 1; k <= 300; ++k) {
            const QDate in = QDate(2026, 1, 1).addDays(k), written = in.addDays(-3);
            const QString dated = k % 5 ? written.toString(QStringLiteral("dd/MM/yyyy")) : QString();
            const QString summary = QStringLiteral("Về việc \"tăng cường\", phối hợp\ndòng %1 - ưu tiên").arg(k) +
                                    (k == 7 ? QStringLiteral(" rất dài để cột rộng ra cho vừa với nội dung của nó") : QString());
            const QString receiver = k % 2 ? QStringLiteral("Phòng Hành chính, Văn thư") : QString();
            rs->AddNew();
            rs->SetField(QStringLiteral("stt"), QString::number(k));
            rs->SetField(QStringLiteral("ng_den"), in.toString(QStringLiteral("dd/MM/yyyy")));
            rs->SetField(QStringLiteral("ng_denchuan"), in.toString(QStringLiteral("yyyyMMdd")));
            rs->SetField(QStringLiteral("noigui"), senders[k % 3]);
            rs->SetField(QStringLiteral("so_cv"), QStringLiteral("%1/QĐ-UBND").arg(k));
            rs->SetField(QStringLiteral("ng_cv"), dated);
            rs->SetField(QStringLiteral("ng_cvchuan"), k % 5 ? written.toString(QStringLiteral("yyyyMMdd")) : QString());
            rs->SetField(QStringLiteral("tt_ndung"), summary);
            rs->SetField(QStringLiteral("dv_nhan"), receiver);
            rs->SetField(QStringLiteral("kieuupdate"), 0);
            rs->Update();
            const QString inIso = in.toString(Qt::ISODate), writtenIso = k % 5 ? written.toString(Qt::ISODate) : QString();
            xlsx.append({QString::number(k), QStringLiteral("D:") + inIso, senders[k % 3], QStringLiteral("%1/QĐ-UBND").arg(k),
                         writtenIso.isEmpty() ? QString() : QStringLiteral("D:") + writtenIso, summary, receiver});
            csv.append({QString::number(k), inIso, senders[k % 3], QStringLiteral("%1/QĐ-UBND").arg(k), writtenIso, summary, receiver});
        }
    });
    auto* list = openYear();
    ASSERT_EQ(list->Data1->Count(), 300);

    // Nothing marked: every row, by the button's Alt key, opened with the desktop's program.
    modal.fileToSave = folder.path(QStringLiteral("ds.xlsx"));
    alt(list->DBGrid1, Qt::Key_E);
    QList<double> widths;
    EXPECT_EQ(testing_support::ReadSpreadsheet(modal.fileToSave, &widths), xlsx);
    EXPECT_EQ(modal.documents, QStringList{modal.fileToSave});
    // Each column as wide as its longest line (and its heading), within reason.
    ASSERT_EQ(widths.size(), 7);
    for (int c = 0; c < 7; ++c) {
        qsizetype longest = 0;
        for (const QStringList& row : xlsx)
            for (const QString& line : row[c].split(QLatin1Char('\n'))) longest = std::max(longest, line.startsWith(QLatin1String("D:")) ? 10 : line.size());
        EXPECT_GE(widths[c], std::min<double>(longest, 60)) << c;
        EXPECT_LE(widths[c], 62) << c;
    }
    modal.fileToSave = folder.path(QStringLiteral("ds.csv"));
    QTest::mouseClick(list->cmdxuat, Qt::LeftButton);
    QFile file(modal.fileToSave);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(testing_support::ReadSpreadsheet(modal.fileToSave), csv);

    // Rows 5 and 2 marked: those two only, in the list's order, in both kinds of file.
    emit list->DBGrid1->RowDoubleClicked(4);
    emit list->DBGrid1->RowDoubleClicked(1);
    for (const char* name : {"chon.xlsx", "chon.csv"}) {
        modal.fileToSave = folder.path(QLatin1String(name));
        QTest::mouseClick(list->cmdxuat, Qt::LeftButton);
        const QList<QStringList>& all = QString::fromLatin1(name).endsWith(QLatin1String("csv")) ? csv : xlsx;
        EXPECT_EQ(testing_support::ReadSpreadsheet(modal.fileToSave), (QList<QStringList>{all[0], all[2], all[5]})) << name;
    }
    EXPECT_TRUE(modal.messages.empty()) << modal.messageTexts().join(QLatin1Char('\n')).toStdString();

    // A folder that cannot be written: said, and no file.
    modal.fileToSave = folder.path(QStringLiteral("khong-co/ds.xlsx"));
    QTest::mouseClick(list->cmdxuat, Qt::LeftButton);
    ASSERT_EQ(modal.messages.size(), 1u);
    EXPECT_TRUE(modal.messages.back().text.startsWith(QStringLiteral("Không ghi được file "))) << modal.messages.back().text.toStdString();
    EXPECT_FALSE(QFile::exists(modal.fileToSave));
    EXPECT_EQ(modal.busyMessages, 0);
}
