// The plan list through its real windows: the three ways in and out, corrections with their checks
// and stamps, failed writes, deletion, the rights of "CB" staff, printing to PDF, and export.
#include "connection.h"
#include "dbstate.h"
#include "frmcongviec.h"
#include "frmgridcongviec.h"
#include "frmtracuukh.h"
#include "office.h"
#include "plans.h"
#include "printing.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>

using namespace korvane;

namespace {

// Answers the next message dialog with Esc: the click of the scripted answer becomes an Esc.
class EscOnNextMessage : public QObject {
public:
    EscOnNextMessage() { qApp->installEventFilter(this); }
    ~EscOnNextMessage() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* w = qobject_cast<QWidget*>(watched);
        const auto type = event->type();
        if (eaten_ >= 2 || !w || w->window()->objectName() != QLatin1String("frmtbao") ||
            (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease))
            return false;
        if (eaten_++ == 0) QTest::keyClick(w->window(), Qt::Key_Escape);
        return true;
    }

private:
    int eaten_ = 0;
};

}  // namespace

class PlanList : public OfficeOnBoth {
protected:
    void SetUp() override
    {
        Office::SetUp();
        if (IsSkipped()) return;
        InstallPlanWindows(app, &main);
        const char* rows[][5] = {{"Văn phòng", "Việc một", "10/03/2026", "20/03/2026", "Lê Bình"},
                                 {"Phòng Tổ chức", "Việc hai", "01/03/2026", "05/03/2026", ""},
                                 {"Phòng Tổ chức", "Việc ba", "15/01/2026", "30/01/2026", "Trần An"},
                                 {"Văn phòng", "Việc bốn", "01/03/2026", "02/03/2026", "Lê Bình"},
                                 {"Phòng Kế toán", "Việc năm", "01/12/2026", "31/12/2026", ""}};
        for (const auto& r : rows) {
            const QString start = QString::fromUtf8(r[2]), end = QString::fromUtf8(r[3]);
            app.PlanDb->Execute(QStringLiteral("INSERT INTO kehoach2026 (Tendonvi, ndungtt, Tgianbdau, Tgianbdauchuan, Tgiankthuc, "
                                               "Tgiankthucchuan, nguoicapnhat, khan, ketthuc) VALUES ('%1', '%2', '%3', '%4', '%5', '%6', '%7', 0, 0)")
                                    .arg(QString::fromUtf8(r[0]), QString::fromUtf8(r[1]), start, NormalDate(start), end, NormalDate(end),
                                         QString::fromUtf8(r[4])));
        }
        app.DocRefDb->Execute(QStringLiteral("UPDATE tendonvi SET tendonvi = 'Văn phòng Đoàn', tencaptren = 'Uỷ ban nhân dân tỉnh'"));
        app.UserFullName = QStringLiteral("Trần An");
        modal.reportTarget = ReportTarget::Pdf;
        modal.fileToSave = folder.path(QStringLiteral("kh.pdf"));
    }
    frmgridcongviec* openYear(const QString& mode = QStringLiteral("xembangkehoach"))
    {
        app.FormMode = mode;
        frmgridcongviec::Instance(app)->ShowYear();
        return activate(frmgridcongviec::Instance(app));
    }
    QStringList plans(const QString& sql)
    {
        auto rs = app.PlanDb->OpenRecordset(sql, engine::RecordsetType::Snapshot);
        QStringList out;
        for (; !rs->Eof(); rs->MoveNext()) {
            QStringList row;
            for (const QString& f : rs->FieldNames()) row.append(rs->Field(f).toString());
            out.append(row.join(QLatin1Char('|')));
        }
        return out;
    }
    QString pdfText()
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), modal.fileToSave, QStringLiteral("-")});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    // The positions of the summaries in the printed text, -1 for those not printed.
    QList<qsizetype> printed(const QStringList& summaries)
    {
        const QString text = pdfText();
        QList<qsizetype> at;
        for (const QString& s : summaries) at.append(text.indexOf(s));
        return at;
    }
};
KORVANE_ON_BOTH_ENGINES(PlanList);

TEST_P(PlanList, FromTheMainWindowTheFlagsStayLockedAndClosingGoesBack)
{
    main.show();
    QTest::mouseClick(main.cmdxemkh, Qt::LeftButton);
    auto* list = activate(frmgridcongviec::Instance(app));
    EXPECT_FALSE(main.isVisible());
    auto* model = list->DBGrid1->model();
    QStringList order;
    for (int r = 0; r < model->rowCount(); ++r) order.append(model->data(model->index(r, 0)).toString());
    EXPECT_EQ(order.join(QLatin1Char(',')), QStringLiteral("Việc ba,Việc bốn,Việc hai,Việc một,Việc năm"));
    EXPECT_TRUE(list->txtndungtt->isReadOnly());
    QTest::mouseClick(list->Cmdsua, Qt::LeftButton);
    EXPECT_EQ(list->Cmdsua->text(), QStringLiteral("&Huỷ sửa"));
    EXPECT_FALSE(list->txtndungtt->isReadOnly());
    EXPECT_FALSE(list->Check1->isEnabled());
    EXPECT_FALSE(list->Check2->isEnabled());
    EXPECT_FALSE(list->cmdclose->isEnabled());
    // "Huỷ sửa" brings back the plan as the file holds it.
    list->txtndungtt->setText(QStringLiteral("Khác"));
    // The frame while correcting asks the keep question; no answer goes on with the plan as typed.
    modal.answers = {QStringLiteral("esc")};
    list->close();
    ASSERT_FALSE(modal.messages.empty());
    EXPECT_EQ(modal.messages.back().text, QStringLiteral("Có lưu giữ những sửa đổi vừa thực hiện không ?"));
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->txtndungtt->text(), QStringLiteral("Khác"));
    QTest::mouseClick(list->Cmdsua, Qt::LeftButton);
    EXPECT_EQ(list->txtndungtt->text(), QStringLiteral("Việc ba"));
    list->Data1->MoveNext();
    QTest::mouseClick(list->cmdclose, Qt::LeftButton);
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(app.CurrentDocId, 4);
    EXPECT_EQ(plans(QStringLiteral("SELECT ndungtt FROM kehoach2026 WHERE ID = 3")), QStringList{QStringLiteral("Việc ba")});
}

TEST_P(PlanList, ASaveChecksRequiredFieldsAndDatesAndStampsTheSaver)
{
    auto* list = openYear();  // on "Việc ba"
    EXPECT_TRUE(list->Check1->isVisible() && !list->Check1->isEnabled());
    QTest::mouseClick(list->Cmdsua, Qt::LeftButton);
    EXPECT_TRUE(list->Check1->isEnabled());
    list->Txttendonvi->clear();
    list->Txttgianbdau->clear();
    QTest::mouseClick(list->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Cần phải điền đủ nội dung các ô :\rBan, thời gian bắt đầu"));
    EXPECT_TRUE(list->Editing());
    list->Txttendonvi->setText(QStringLiteral("Văn phòng"));
    // A bad date is said when its box is left, and the box emptied.
    list->Txttgianbdau->setFocus();
    list->Txttgianbdau->setText(QStringLiteral("32/1/26"));
    list->txtcanbo->setFocus();
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng !"));
    EXPECT_TRUE(list->Txttgianbdau->text().isEmpty());
    // An end before a start typed after it, saved with the Alt key from the start's box.
    list->Txttgianbdau->setFocus();
    list->Txttgianbdau->setText(QStringLiteral("1/2/26"));
    alt(list->Txttgianbdau, Qt::Key_G);
    EXPECT_EQ(modal.messageTexts().last(),
              QStringLiteral("Thời gian kết thúc không thể đặt trước thời gian bắt đầu!\rCần nạp lại con số thời gian kết thúc!"));
    EXPECT_TRUE(list->Editing());
    EXPECT_EQ(plans(QStringLiteral("SELECT Tendonvi, Tgianbdau FROM kehoach2026 WHERE ID = 3")), QStringList{QStringLiteral("Phòng Tổ chức|15/01/2026")});
    activate(list);  // back from the message
    list->Txttgianbdau->setFocus();
    list->Txttgianbdau->setText(QStringLiteral("2/1/26"));
    alt(list->Txttgianbdau, Qt::Key_G);
    EXPECT_FALSE(list->Editing());
    EXPECT_EQ(plans(QStringLiteral("SELECT Tendonvi, Tgianbdau, Tgianbdauchuan, ngaycapnhat, ngaycapnhatchuan, nguoicapnhat FROM kehoach2026 WHERE ID = 3")),
              QStringList{QStringLiteral("Văn phòng|02/01/2026|20260102|09/12/2026|20261209|Trần An")});
    // A flag ticked alone is a change too; the unnamed user leaves the saver empty.
    app.UserFullName = QStringLiteral("Một người không rõ tên");
    QTest::mouseClick(list->Cmdsua, Qt::LeftButton);
    list->Check2->setChecked(true);
    QTest::mouseClick(list->cmdUpdate, Qt::LeftButton);
    EXPECT_FALSE(list->Editing());
    EXPECT_EQ(plans(QStringLiteral("SELECT ketthuc, nguoicapnhat FROM kehoach2026 WHERE ID = 3")), QStringList{QStringLiteral("-1|")});
}

TEST_P(PlanList, AFailedWriteKeepsTheCorrectionAndWhatWasTyped)
{
    auto* list = openYear();
    engine::Database other(app.PlanFile);  // another clerk's program on the same file
    QTest::mouseClick(list->Cmdsua, Qt::LeftButton);
    list->txtndungtt->setText(QStringLiteral("Việc ba đã sửa"));
    other.Execute(QStringLiteral("UPDATE kehoach2026 SET ndungtt = 'Việc ba của người khác', canbo = 'Bình' WHERE ID = 3"));
    QTest::mouseClick(list->cmdUpdate, Qt::LeftButton);
    ASSERT_FALSE(modal.systemMessages.isEmpty());
    EXPECT_TRUE(modal.systemMessages.last().startsWith(QStringLiteral("Data error event hit err:")));
    EXPECT_TRUE(list->Editing());
    EXPECT_EQ(list->txtndungtt->text(), QStringLiteral("Việc ba của người khác"));  // the plan as it now is
    EXPECT_EQ(list->txtcanbo->text(), QStringLiteral("Bình"));
    EXPECT_TRUE(modal.systemMessages.last().contains(QStringLiteral("\"Việc ba của người khác\", bạn gõ \"Việc ba đã sửa\"")));
    key(list->txtndungtt, Qt::Key_F7);  // what this clerk typed, chosen over it
    EXPECT_EQ(list->txtndungtt->text(), QStringLiteral("Việc ba đã sửa"));
    // The file held by another clerk past the wait: not written, still correcting.
    app.PlanDb->state()->conn.setBusyTimeout(std::chrono::milliseconds(300));
    const qsizetype said = modal.systemMessages.size();
    other.WriteTransaction([&] {
        other.Execute(QStringLiteral("UPDATE kehoach2026 SET khan = 0 WHERE ID = 5"));
        QTest::mouseClick(list->cmdUpdate, Qt::LeftButton);
    });
    EXPECT_GT(modal.systemMessages.size(), said);
    EXPECT_TRUE(list->Editing());
    EXPECT_EQ(list->txtndungtt->text(), QStringLiteral("Việc ba đã sửa"));
    QTest::mouseClick(list->cmdUpdate, Qt::LeftButton);
    EXPECT_FALSE(list->Editing());
    EXPECT_EQ(plans(QStringLiteral("SELECT ndungtt, canbo FROM kehoach2026 WHERE ID = 3")), QStringList{QStringLiteral("Việc ba đã sửa|Bình")});
}

TEST_P(PlanList, OnlyAnExplicitYesDeletesAndTheLastRowGivesWayToTheNewLast)
{
    auto* list = openYear();
    list->Data1->MoveLast();  // "Việc năm"
    modal.answers = {QStringLiteral("no")};
    QTest::mouseClick(list->cmdxoa, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Có thực sự muốn xoá dòng này không ?"));
    {
        EscOnNextMessage esc;
        modal.answers = {QStringLiteral("yes")};  // what the script would have pressed
        QTest::mouseClick(list->cmdxoa, Qt::LeftButton);
    }
    EXPECT_EQ(modal.messages.size(), 2u);
    EXPECT_EQ(plans(QStringLiteral("SELECT count(*) FROM kehoach2026")), QStringList{QStringLiteral("5")});
    modal.answers = {QStringLiteral("yes")};
    QTest::mouseClick(list->cmdxoa, Qt::LeftButton);
    EXPECT_EQ(plans(QStringLiteral("SELECT count(*) FROM kehoach2026 WHERE ID = 5")), QStringList{QStringLiteral("0")});
    EXPECT_EQ(list->Data1->Count(), 4);
    EXPECT_EQ(list->Data1->Position(), 3);
    EXPECT_EQ(list->txtndungtt->text(), QStringLiteral("Việc một"));
}

TEST_P(PlanList, CbStaffChangeOnlyTheirOwnPlansAsTheFileHoldsThem)
{
    app.UserRights = QStringLiteral("CB");
    auto* list = openYear();  // "Việc ba", saved by this user
    EXPECT_TRUE(list->Cmdsua->isEnabled() && list->cmdxoa->isEnabled());
    list->Data1->MoveNext();  // "Việc bốn", saved by another
    EXPECT_FALSE(list->Cmdsua->isEnabled());
    EXPECT_FALSE(list->cmdxoa->isEnabled());
    list->Correct();
    list->Delete();
    EXPECT_FALSE(list->Editing());
    EXPECT_TRUE(modal.messages.empty());
    list->Data1->MoveNext();  // "Việc hai", saved by nobody
    EXPECT_TRUE(list->Cmdsua->isEnabled());
    // Saved meanwhile by another clerk: the correction is refused, nothing written.
    list->Data1->MovePrevious();
    list->Data1->MovePrevious();
    QTest::mouseClick(list->Cmdsua, Qt::LeftButton);
    list->txtndungtt->setText(QStringLiteral("Của tôi"));
    engine::Database(app.PlanFile).Execute(QStringLiteral("UPDATE kehoach2026 SET nguoicapnhat = 'Lê Bình' WHERE ID = 3"));
    QTest::mouseClick(list->cmdUpdate, Qt::LeftButton);
    ASSERT_FALSE(modal.messages.empty());
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Công việc này vừa được người khác sửa, bạn không được sửa, xoá công việc này !"));
    EXPECT_EQ(plans(QStringLiteral("SELECT ndungtt FROM kehoach2026 WHERE ID = 3")), QStringList{QStringLiteral("Việc ba")});
}

TEST_P(PlanList, PrintingSaysWhatStopsItAndCutsTheStatementAtItsFrom)
{
    auto* list = openYear();
    QFile::remove(folder.path(QStringLiteral("data/brkehoach.rpt")));
    QTest::mouseClick(list->cmdin, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Không tìm thấy file ") + folder.path(QStringLiteral("data/brkehoach.rpt")) +
                                               QStringLiteral("\r\nCần copy file này từ đĩa Chương trình gốc vào thư mục Data."));
    EXPECT_FALSE(QFile::exists(modal.fileToSave));
    app.PlanDb->Execute(QStringLiteral("DELETE * FROM kehoach2026"));
    openYear();
    QTest::mouseClick(list->cmdin, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Chưa có công việc nào được nhập!"));
    const QString columns = QStringLiteral("select Tendonvi,ndungtt,Tgianbdau,tgianbdauchuan,Tgiankthuc,ketthuc,chidao,nguoichidao,"
                                           "tgiankthucchuan,canbo,left(ketqua,250) as nhomcongviec ");
    EXPECT_EQ(frmgridcongviec::PrintQuery(QStringLiteral("SELECT * FROM kehoach2026 WHERE [id] > 1 ORDER BY id")),
              columns + QStringLiteral("FROM kehoach2026 WHERE [id] > 1 ORDER BY id"));
}

TEST_P(PlanList, ASearchedListPrintsItsOwnPlansWhateverOthersSaveMeanwhile)
{
    main.show();
    QTest::mouseClick(main.cmdtracuukh, Qt::LeftButton);
    auto* search = activate(frmtracuukh::Instance(app));
    search->mban->setText(QStringLiteral("tổ chức,kế toán"));
    ASSERT_TRUE(search->Search());
    auto* list = activate(frmgridcongviec::Instance(app));
    // Another clerk's search and print rewrite both saved queries before this clerk prints.
    engine::Database other(app.PlanFile);
    other.SetQueryDefSql(QStringLiteral("Qrtracuu"), QStringLiteral("SELECT * FROM kehoach2026"));
    other.CreateQueryDef(QStringLiteral("QrIn"), frmgridcongviec::PrintQuery(QStringLiteral("SELECT * FROM kehoach2026 ORDER BY ID")));
    list->txtle->setText(QStringLiteral("12"));
    QTest::mouseClick(list->cmdin, Qt::LeftButton);
    const QList<qsizetype> at = printed({QStringLiteral("Việc ba"), QStringLiteral("Việc hai"), QStringLiteral("Việc năm"), QStringLiteral("Việc một"),
                                         QStringLiteral("Việc bốn")});
    EXPECT_GE(at[0], 0);
    EXPECT_GT(at[1], at[0]);
    EXPECT_GT(at[2], at[1]);
    EXPECT_EQ(at[3], -1);
    EXPECT_EQ(at[4], -1);
    const QString text = pdfText();
    EXPECT_TRUE(text.contains(QStringLiteral("Văn phòng Đoàn")));
    EXPECT_TRUE(text.contains(QStringLiteral("Uỷ ban nhân dân tỉnh")));
    // The dates as they were typed; their sort keys only order the rows.
    EXPECT_TRUE(text.contains(QStringLiteral("15/01/2026")));
    EXPECT_TRUE(text.contains(QStringLiteral("30/01/2026")));
    EXPECT_FALSE(text.contains(QStringLiteral("20260115")));
    EXPECT_FALSE(text.contains(QStringLiteral("20260130")));
    EXPECT_FALSE(text.contains(QStringLiteral("chuẩn")));
    EXPECT_EQ(app.PlanDb->QueryDefSql(QStringLiteral("QrIn")), frmgridcongviec::PrintQuery(list->Statement()));
    // The same rows to a spreadsheet: the printed columns (the result cut as printed, "X" for a
    // finished plan), dates as dates.
    app.PlanDb->Execute(QStringLiteral("UPDATE kehoach2026 SET ketthuc = -1, ketqua = 'Xong, \"đạt\"' WHERE ndungtt = 'Việc hai'"));
    modal.fileToSave = folder.path(QStringLiteral("kh.csv"));
    QTest::mouseClick(list->cmdxuat, Qt::LeftButton);
    const QString none;
    EXPECT_EQ(testing_support::ReadSpreadsheet(modal.fileToSave),
              (QList<QStringList>{{QStringLiteral("Đơn vị"), QStringLiteral("Tên hay tóm tắt công việc"), QStringLiteral("Bắt đầu"), QStringLiteral("Kết thúc"),
                                   QStringLiteral("Người chỉ đạo"), QStringLiteral("Ý kiến chỉ đạo"), QStringLiteral("Người thực hiện chính"),
                                   QStringLiteral("Kết quả"), QStringLiteral("Đã xong")},
                                  {QStringLiteral("Phòng Tổ chức"), QStringLiteral("Việc ba"), QStringLiteral("2026-01-15"), QStringLiteral("2026-01-30"), none,
                                   none, none, none, none},
                                  {QStringLiteral("Phòng Tổ chức"), QStringLiteral("Việc hai"), QStringLiteral("2026-03-01"), QStringLiteral("2026-03-05"), none,
                                   none, none, QStringLiteral("Xong, \"đạt\""), QStringLiteral("X")},
                                  {QStringLiteral("Phòng Kế toán"), QStringLiteral("Việc năm"), QStringLiteral("2026-12-01"), QStringLiteral("2026-12-31"), none,
                                   none, none, none, none}}));
}

TEST_P(PlanList, PrintingGoesOnWhenQrInCannotBeWritten)
{
    auto* list = openYear();
    // Another clerk holds the file's write lock past the wait: "QrIn" is not written, and the
    // list prints all the same, without a word.
    app.PlanDb->state()->conn.setBusyTimeout(std::chrono::milliseconds(300));
    engine::Database other(app.PlanFile);
    other.WriteTransaction([&] {
        other.Execute(QStringLiteral("UPDATE kehoach2026 SET khan = 0 WHERE ID = 5"));
        QTest::mouseClick(list->cmdin, Qt::LeftButton);
    });
    EXPECT_TRUE(modal.messages.empty()) << modal.messageTexts().join(QLatin1Char('\n')).toStdString();
    EXPECT_GE(printed({QStringLiteral("Việc ba")})[0], 0);
    EXPECT_FALSE(app.PlanDb->HasQueryDef(QStringLiteral("QrIn")));
}

TEST_P(PlanList, APrintJobReadsItsOwnStatementInPlaceOfTheTemplatesSource)
{
    app.PlanDb->CreateQueryDef(QStringLiteral("QrIn"), frmgridcongviec::PrintQuery(QStringLiteral("SELECT * FROM kehoach2026 WHERE ID = 1")));
    PrintJob job;
    job.templateName = QStringLiteral("brkehoach.rpt");
    job.target = ReportTarget::Pdf;
    job.pdfFile = modal.fileToSave;
    job.sourceSql = frmgridcongviec::PrintQuery(QStringLiteral("SELECT * FROM kehoach2026 WHERE ID = 2"));
    ASSERT_TRUE(RunPrintJob(app, job));
    EXPECT_EQ(printed({QStringLiteral("Việc một"), QStringLiteral("Việc hai")})[0], -1);
    EXPECT_GE(printed({QStringLiteral("Việc hai")})[0], 0);
    job.sourceSql.clear();  // the template's saved query
    ASSERT_TRUE(RunPrintJob(app, job));
    EXPECT_GE(printed({QStringLiteral("Việc một")})[0], 0);
    EXPECT_EQ(printed({QStringLiteral("Việc hai")})[0], -1);
}

TEST_P(PlanList, FromTheRegisterAndBackOnThePlanChosenInTheList)
{
    auto* reg = activate(frmcongviec::Open(app));
    QTest::mouseClick(reg->cmdGrid, Qt::LeftButton);
    auto* list = activate(frmgridcongviec::Instance(app));
    EXPECT_FALSE(reg->isVisible());
    EXPECT_EQ(app.FormMode, QStringLiteral("xembangkehoach"));
    EXPECT_TRUE(list->Cmdsua->isEnabled());
    list->DBGrid1->setCurrentIndex(list->DBGrid1->model()->index(2, 0));  // "Việc hai"
    QTest::mouseClick(list->cmdclose, Qt::LeftButton);
    EXPECT_TRUE(reg->isVisible());
    EXPECT_EQ(reg->txtid->text(), QStringLiteral("2"));
    EXPECT_EQ(app.FormMode, QStringLiteral("xemkehoach"));
    delete reg;
}

TEST_P(PlanList, ANoToTheKeepQuestionShowsThePlanAsTheFileHoldsIt)
{
    auto* list = openYear();  // on "Việc ba"
    QTest::mouseClick(list->Cmdsua, Qt::LeftButton);
    list->txtndungtt->setText(QStringLiteral("Khác"));
    // The files are about to change and the clerk drops the correction: the list, viewing again,
    // shows no text that was never written (another window may keep every window open).
    modal.answers = {QStringLiteral("no")};
    EXPECT_TRUE(list->ReleaseData());
    EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Có lưu giữ những sửa đổi vừa thực hiện không ?"));
    EXPECT_FALSE(list->Editing());
    EXPECT_EQ(list->txtndungtt->text(), QStringLiteral("Việc ba"));
    EXPECT_EQ(plans(QStringLiteral("SELECT ndungtt FROM kehoach2026 WHERE ID = 3")), QStringList{QStringLiteral("Việc ba")});
}
