// Printing a period's documents: the dates, the subtitle, the print table and the report, the
// way the registers open the window.
#include "documents.h"
#include "frmcvden.h"
#include "frmincv.h"
#include "office.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

using namespace korvane;

class PrintByDate : public OfficeOnBoth {
protected:
    void SetUp() override
    {
        Office::SetUp();
        if (IsSkipped()) return;
        InstallDocumentWindows(app, &main);
        for (const auto& [date, normal] : {std::pair{"05/03/2001", "20010305"}, std::pair{"31/03/2001", "20010331"},
                                           std::pair{"01/04/2001", "20010401"}, std::pair{"05/03/2008", "20080305"}})
            for (const char* table : {"cvden2026", "cvdi2026"}) {
                const bool in = QLatin1String(table) == QLatin1String("cvden2026");
                app.DocDb->Execute(QStringLiteral("INSERT INTO %1 (stt, %2, %3, tt_ndung) VALUES ('1', '%4', '%5', 'Về ngày %4')")
                                       .arg(QLatin1String(table), in ? QStringLiteral("ng_den") : QStringLiteral("ng_cv"),
                                            in ? QStringLiteral("ng_denchuan") : QStringLiteral("ng_cvchuan"), QLatin1String(date),
                                            QLatin1String(normal)));
            }
        modal.reportTarget = ReportTarget::Pdf;
        modal.fileToSave = folder.path(QStringLiteral("in.pdf"));
    }
    // Opens the window as a register would and runs `drive` in it.
    void run(const QString& caller, const QString& date, std::function<void(frmincv&)> drive)
    {
        modal.drivers[QStringLiteral("frmincv")] = [this, drive](QDialog& d) {
            auto& w = static_cast<frmincv&>(d);
            activate(&w);
            drive(w);
        };
        frmincv::Show(app, caller, date);
    }
    QStringList printed(const QString& table)
    {
        auto rs = app.TempDb->OpenRecordset(QStringLiteral("SELECT tt_ndung FROM %1 ORDER BY id").arg(table), engine::RecordsetType::Snapshot);
        QStringList out;
        for (; !rs->Eof(); rs->MoveNext()) out.append(rs->Field(QStringLiteral("tt_ndung")).toString());
        return out;
    }
    QString pdfText()
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {modal.fileToSave, QStringLiteral("-")});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
};
KORVANE_ON_BOTH_ENGINES(PrintByDate);

TEST_P(PrintByDate, OneDayAPeriodAndTheSubtitles)
{
    run(QStringLiteral("frmcvden"), QStringLiteral("5/3/2001"), [this](frmincv& w) {
        EXPECT_EQ(w.Label1->text(), QStringLiteral("Chọn ngày in công văn đến"));
        EXPECT_EQ(w.mngay1->text(), QStringLiteral("05/03/2001"));
        EXPECT_EQ(w.txtle->text(), QStringLiteral("10"));
        QTest::mouseClick(w.cmdpdf, Qt::LeftButton);
        EXPECT_EQ(w.mngay2->text(), QStringLiteral("05/03/2001"));  // the to-date takes the from-date
        EXPECT_EQ(printed(QStringLiteral("incvden")), QStringList{QStringLiteral("Về ngày 05/03/2001")});
        EXPECT_TRUE(pdfText().contains(QStringLiteral("(Ngày 05/03/2001)")));
        w.mngay1->setText(QStringLiteral("01/03/2001"));
        w.mngay2->setText(QStringLiteral("31/03/2001"));
        QTest::mouseClick(w.cmdpdf, Qt::LeftButton);
        EXPECT_EQ(printed(QStringLiteral("incvden")), (QStringList{QStringLiteral("Về ngày 05/03/2001"), QStringLiteral("Về ngày 31/03/2001")}));
        EXPECT_TRUE(pdfText().contains(QStringLiteral("(Từ ngày 01/03/2001 đến 31/03/2001)")));
        EXPECT_TRUE(w.isVisible());  // the window stays open after a print
    });
}

TEST_P(PrintByDate, TheOutgoingSideAndADateLeftInItsBox)
{
    run(QStringLiteral("frmgridcvdi"), QString(), [this](frmincv& w) {
        EXPECT_EQ(w.Label1->text(), QStringLiteral("Chọn ngày in công văn đi"));
        EXPECT_FALSE(w.Incoming());
        // "5/3/08" typed and the button pressed with its Alt key: the focus never left the box.
        w.mngay1->setFocus();
        QTest::keyClicks(w.mngay1, QStringLiteral("5/3/08"));
        const qsizetype previews = modal.modalWindows.size();
        alt(w.mngay1, Qt::Key_X);  // "Xem trước khi in"
        EXPECT_EQ(w.mngay1->text(), QStringLiteral("05/03/2008"));
        EXPECT_EQ(printed(QStringLiteral("incvdi")), QStringList{QStringLiteral("Về ngày 05/03/2008")});
        EXPECT_EQ(modal.modalWindows.size(), previews + 1);
        // The PDF of our own: the outgoing report.
        QTest::mouseClick(w.cmdpdf, Qt::LeftButton);
        EXPECT_TRUE(pdfText().contains(QStringLiteral("SỔ CÔNG VĂN ĐI")));
        EXPECT_TRUE(pdfText().contains(QStringLiteral("(Ngày 05/03/2008)")));
        w.mngay1->setText(QStringLiteral("01/03/2001"));
        w.mngay2->setText(QStringLiteral("01/04/2001"));
        QTest::mouseClick(w.cmdpdf, Qt::LeftButton);
        EXPECT_TRUE(pdfText().contains(QStringLiteral("(Từ ngày 01/03/2001 đến 01/04/2001)")));
    });
}

TEST_P(PrintByDate, MessagesForMissingDatesEmptyPeriodsAndAMissingReport)
{
    run(QStringLiteral("frmcvden"), QString(), [this](frmincv& w) {
        QTest::mouseClick(w.cmdOK, Qt::LeftButton);
        EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Phải nạp ngày định in vào ô 'Từ ngày'"));
        EXPECT_TRUE(w.mngay1->hasFocus());
        w.mngay1->setText(QStringLiteral("31/2/2001"));
        w.mngay2->setFocus();
        EXPECT_EQ(modal.messageTexts().last(), QStringLiteral(" Bạn cần nạp lại ngày tháng năm cho đúng! "));
        w.mngay1->setText(QStringLiteral("10/10/2001"));
        w.mngay2->setFocus();
        w.mngay2->setText(QStringLiteral("zz"));
        w.mngay1->setFocus();
        EXPECT_EQ(modal.messageTexts().last(), QStringLiteral(" Bạn cần nạp lại ngày tháng năm cho đúng!  "));
        // A from-date after the to-date is an empty period: said, and the window goes.
        w.mngay2->setText(QStringLiteral("01/10/2001"));
        QTest::mouseClick(w.cmdxemin, Qt::LeftButton);
        EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Không tìm thấy công văn nào trong khoảng thời gian này!"));
        EXPECT_FALSE(w.isVisible());
    });
    QFile::remove(folder.path(QStringLiteral("data/brcvden.rpt")));
    run(QStringLiteral("frmcvden"), QStringLiteral("05/03/2001"), [this](frmincv& w) {
        QTest::mouseClick(w.cmdpdf, Qt::LeftButton);
        EXPECT_EQ(modal.messageTexts().last(), QStringLiteral("Không tìm thấy file report (brcvden.rpt,brcvdi.rpt). \r\n\r\nCần copy các "
                                                              "file này từ đĩa gốc vào thư mục %1/data.")
                                                   .arg(folder.root()));
        // Nothing is printed; the print table keeps the rows just put in it.
        EXPECT_FALSE(QFile::exists(modal.fileToSave));
        EXPECT_EQ(printed(QStringLiteral("incvden")), QStringList{QStringLiteral("Về ngày 05/03/2001")});
    });
}

TEST_P(PrintByDate, PreviewOnceAndPrintNowStillPreviews)
{
    modal.reportTarget = ReportTarget::Preview;
    run(QStringLiteral("frmcvden"), QStringLiteral("05/03/2001"), [this](frmincv& w) {
        const qsizetype before = modal.modalWindows.size();
        QTest::mouseClick(w.cmdxemin, Qt::LeftButton);
        QTest::mouseClick(w.cmdOK, Qt::LeftButton);
        EXPECT_EQ(modal.modalWindows.size(), before + 2);  // two previews, no printer
    });
}

TEST_P(PrintByDate, TheRegisterHandsOverItsNameAndTheArrivalDate)
{
    auto* form = activate(frmcvden::Open(app));
    form->Data1->MoveFirst();
    QString title, from;
    modal.drivers[QStringLiteral("frmincv")] = [&](QDialog& d) {
        auto& w = static_cast<frmincv&>(d);
        title = w.Label1->text();
        from = w.mngay1->text();
    };
    QTest::mouseClick(form->Cmdin, Qt::LeftButton);
    EXPECT_EQ(title, QStringLiteral("Chọn ngày in công văn đến"));
    EXPECT_EQ(from, QStringLiteral("05/03/2001"));
    delete form;
}
