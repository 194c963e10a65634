// The week view through its real window: the week rule, stepping across a new year with the
// entries of both years' tables, the month list, the two ways in and out, and printing to PDF.
#include "calendar.h"
#include "datafiles.h"
#include "formkit.h"
#include "frmlich.h"
#include "frmlichtuan.h"
#include "office.h"

#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>

// Names taken one by one: the main window's korvane::Week would clash with the fixture's name.
using korvane::CreateTableFromTemplate;
using korvane::frmlich;
using korvane::frmlichtuan;
using korvane::NormalDate;
using korvane::ReportTarget;

class Week : public OfficeOnBoth {
protected:
    void SetUp() override
    {
        Office::SetUp();
        if (IsSkipped()) return;
        InstallCalendarWindows(app, &main);
        app.WorkYear = QStringLiteral("2004");
        app.SetYearTables();
        for (const char* table : {"lich2003", "lich2004"})
            ASSERT_TRUE(CreateTableFromTemplate(*app.PlanDb, *app.PlanDb, QStringLiteral("lichmau"), QLatin1String(table), true));
        app.DocRefDb->Execute(QStringLiteral("UPDATE tendonvi SET tendonvi = 'Văn phòng Đoàn', tencaptren = 'Uỷ ban nhân dân tỉnh'"));
        modal.reportTarget = ReportTarget::Pdf;
        modal.fileToSave = folder.path(QStringLiteral("tuan.pdf"));
    }
    // An entry as the register writes it: the date's normal form and the time's sort key beside them.
    void entry(const char* table, const char* day, const char* time, const char* timeKey, const char* content)
    {
        app.PlanDb->Execute(QStringLiteral("INSERT INTO %1 (ngay, ngaychuan, gio, giochuan, ndung) VALUES ('%2', '%3', '%4', '%5', '%6')")
                                .arg(QLatin1String(table), QLatin1String(day), NormalDate(QLatin1String(day)), QLatin1String(time),
                                     QLatin1String(timeKey), QString::fromUtf8(content)));
    }
    frmlichtuan* open(const QDate& date, const QString& mode = QStringLiteral("xemlich"))
    {
        app.FormMode = mode;
        frmlichtuan::Instance(app)->ShowWeek(date);
        return activate(frmlichtuan::Instance(app));
    }
    static QString bounds(frmlichtuan* w) { return w->txtdautuan->text() + QLatin1Char('-') + w->txtcuoituan->text(); }
    static QStringList contents(frmlichtuan* w)
    {
        QStringList out;
        auto* m = w->DBGrid1->model();
        for (int r = 0; r < m->rowCount(); ++r) out.append(m->data(m->index(r, 3)).toString());
        return out;
    }
    // What a PDF tool says of the printed file.
    QString pdf(const QString& tool)
    {
        QProcess p;
        p.start(tool, tool == QLatin1String("pdfinfo") ? QStringList{modal.fileToSave}
                                                       : QStringList{QStringLiteral("-layout"), modal.fileToSave, QStringLiteral("-")});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
};
KORVANE_ON_BOTH_ENGINES(Week);

TEST_P(Week, RunsMondayToSundayAndStepsAcrossTheNewYearWithBothYearsEntries)
{
    entry("lich2003", "22/12/2003", "8h", "08h", "Giao ban tháng 12");
    entry("lich2003", "31/12/2003", "14h00", "14h00", "Tổng kết năm");
    entry("lich2004", "02/01/2004", "9g30", "09g30", "Chúc Tết");
    entry("lich2004", "30/12/2003", "8h", "08h", "Họp chi bộ");  // typed into the new year's table
    entry("lich2004", "05/01/2004", "8h", "08h", "Giao ban tuần");

    auto* w = open(QDate(2004, 1, 7));
    EXPECT_EQ(bounds(w), QStringLiteral("05/01/2004-11/01/2004"));
    EXPECT_EQ(w->Lbltieude->text(), QStringLiteral("Xem lịch làm việc trong tuần từ 05/01/2004 đến 11/01/2004"));
    EXPECT_EQ(contents(w), QStringList{QStringLiteral("Giao ban tuần")});
    w->ShowWeek(QDate(2004, 1, 11));  // a Sunday ends its week
    EXPECT_EQ(bounds(w), QStringLiteral("05/01/2004-11/01/2004"));
    w->ShowWeek(QDate(2004, 1, 12));
    EXPECT_EQ(bounds(w), QStringLiteral("12/01/2004-18/01/2004"));

    w->ShowWeek(QDate(2004, 1, 1));
    EXPECT_EQ(bounds(w), QStringLiteral("29/12/2003-04/01/2004"));
    EXPECT_EQ(contents(w), (QStringList{QStringLiteral("Họp chi bộ"), QStringLiteral("Tổng kết năm"), QStringLiteral("Chúc Tết")}));
    QTest::mouseClick(w->cmdsau, Qt::LeftButton);
    EXPECT_EQ(bounds(w), QStringLiteral("05/01/2004-11/01/2004"));
    QTest::mouseClick(w->cmdtruoc, Qt::LeftButton);
    QTest::mouseClick(w->cmdtruoc, Qt::LeftButton);
    EXPECT_EQ(bounds(w), QStringLiteral("22/12/2003-28/12/2003"));
    EXPECT_EQ(contents(w), QStringList{QStringLiteral("Giao ban tháng 12")});
    // Without last year's table the week shows what the working year's table holds.
    app.PlanDb->Execute(QStringLiteral("DROP TABLE lich2003"));
    QTest::mouseClick(w->cmdsau, Qt::LeftButton);
    EXPECT_EQ(contents(w), (QStringList{QStringLiteral("Họp chi bộ"), QStringLiteral("Chúc Tết")}));
}

TEST_P(Week, AMonthOfTheWorkingYearShowsTheWeekOfItsFirstDay)
{
    auto* w = open(QDate(2004, 1, 7));
    EXPECT_FALSE(w->List1->isVisible());
    QTest::mouseClick(w->cmdthang, Qt::LeftButton);
    ASSERT_TRUE(w->List1->isVisible());
    EXPECT_EQ(w->List1->count(), 12);
    QTest::mouseClick(w->List1->viewport(), Qt::LeftButton, {}, w->List1->visualItemRect(w->List1->item(2)).center());
    EXPECT_EQ(bounds(w), QStringLiteral("01/03/2004-07/03/2004"));  // not 3 January
    EXPECT_FALSE(w->List1->isVisible());
    QTest::mouseClick(w->cmdthang, Qt::LeftButton);
    w->List1->setCurrentRow(4);
    key(w->List1, Qt::Key_Return);
    EXPECT_EQ(bounds(w), QStringLiteral("26/04/2004-02/05/2004"));  // Saturday 1 May
}

TEST_P(Week, ClosingGoesBackTheWayItCame)
{
    main.show();
    QTest::mouseClick(main.Cmdxemlich, Qt::LeftButton);
    auto* w = activate(frmlichtuan::Instance(app));
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(bounds(w), QStringLiteral("06/12/2004-12/12/2004"));  // today's day in the working year
    QTest::mouseClick(w->cmdsau, Qt::LeftButton);  // steps straight away
    EXPECT_EQ(bounds(w), QStringLiteral("13/12/2004-19/12/2004"));
    QTest::mouseClick(w->cmdclose, Qt::LeftButton);
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(w->isVisible());

    // From the register: the chosen entry goes back with it, unless another year's table holds it.
    entry("lich2003", "31/12/2003", "14h00", "14h00", "Tổng kết năm");
    entry("lich2004", "02/01/2004", "9g30", "09g30", "Chúc Tết");
    auto* reg = frmlich::Open(app);
    reg->hide();
    w = open(QDate(2004, 1, 2));
    w->DBGrid1->setCurrentIndex(w->DBGrid1->model()->index(1, 0));
    QTest::mouseClick(w->cmdclose, Qt::LeftButton);
    EXPECT_EQ(app.CurrentDocId, 1);
    EXPECT_TRUE(reg->isVisible());
    EXPECT_FALSE(w->isVisible());
    reg->hide();
    w = open(QDate(2004, 1, 2));
    QTest::mouseClick(w->cmdclose, Qt::LeftButton);
    EXPECT_EQ(app.CurrentDocId, 0);
}

TEST_P(Week, TheMainWindowOpensAnotherWorkingYearOnTodaysWeekThereOrItsLastWeekWithWork)
{
    // Today, Wednesday 9 December 2026, is Thursday 9 December 2004.
    main.show();
    entry("lich2004", "12/12/2004", "8h", "08h", "Tổng kết quý");
    QTest::mouseClick(main.Cmdxemlich, Qt::LeftButton);
    auto* w = frmlichtuan::Instance(app);
    EXPECT_EQ(bounds(w), QStringLiteral("06/12/2004-12/12/2004"));
    EXPECT_EQ(contents(w), QStringList{QStringLiteral("Tổng kết quý")});
    EXPECT_EQ(main.WeekHeading(), QStringLiteral("Xem lịch làm việc trong tuần từ 06/12/2004 đến 12/12/2004"));
    QTest::mouseClick(w->cmdclose, Qt::LeftButton);

    // That week empty: the year's last week with an entry, whatever the order the entries were
    // typed in; a date of the next year typed into the year's table does not count.
    app.PlanDb->Execute(QStringLiteral("DELETE * FROM lich2004"));
    entry("lich2004", "20/10/2004", "8h", "08h", "Hội nghị");
    entry("lich2004", "15/03/2004", "8h", "08h", "Giao ban");
    entry("lich2004", "03/01/2005", "8h", "08h", "Sang năm");
    QTest::mouseClick(main.Cmdxemlich, Qt::LeftButton);
    EXPECT_EQ(bounds(w), QStringLiteral("18/10/2004-24/10/2004"));
    EXPECT_EQ(contents(w), QStringList{QStringLiteral("Hội nghị")});
    EXPECT_EQ(main.WeekSource(), QStringLiteral("Select * from lich2004 where [ngaychuan]>= '20041018' and [ngaychuan]<= '20041024' "
                                                "order by [ngaychuan],[giochuan]"));
    QTest::mouseClick(w->cmdclose, Qt::LeftButton);

    // A 29 February that the working year lacks is its 28th.
    entry("lich2003", "01/03/2003", "8h", "08h", "Thứ bảy");
    entry("lich2003", "09/12/2003", "8h", "08h", "Năm cũ");
    app.Today = [] { return QDate(2008, 2, 29); };
    app.WorkYear = QStringLiteral("2003");
    app.SetYearTables();
    QTest::mouseClick(main.Cmdxemlich, Qt::LeftButton);
    EXPECT_EQ(bounds(w), QStringLiteral("24/02/2003-02/03/2003"));
    QTest::mouseClick(w->cmdclose, Qt::LeftButton);

    // In this year's working year the week is today's, empty or not.
    app.Today = [] { return QDate(2004, 12, 9); };
    app.WorkYear = QStringLiteral("2004");
    app.SetYearTables();
    QTest::mouseClick(main.Cmdxemlich, Qt::LeftButton);
    EXPECT_EQ(bounds(w), QStringLiteral("06/12/2004-12/12/2004"));
    EXPECT_TRUE(contents(w).isEmpty());
}

TEST_P(Week, PrintsTheWeekInDateAndTimeOrderOnOneLandscapePage)
{
    entry("lich2004", "06/01/2004", "14h00", "14h00", "Họp giao ban chiều thứ ba");
    entry("lich2004", "06/01/2004", "9g30", "09g30", "Tiếp khách sáng thứ ba");
    entry("lich2004", "05/01/2004", "8H30", "08H30", "Chào cờ đầu tuần");
    entry("lich2004", "12/01/2004", "8h", "08h", "Việc tuần sau");
    entry("lich2003", "31/12/2003", "8h", "08h", "Việc năm cũ");
    auto* w = open(QDate(2004, 1, 7));
    // F4 in a week box changes nothing that is printed; in the margin box it empties it.
    w->txtdautuan->setFocus();
    key(w->txtdautuan, Qt::Key_F4);
    EXPECT_EQ(w->txtdautuan->text(), QStringLiteral("05/01/2004"));
    key(w->Txtle, Qt::Key_F4);
    EXPECT_TRUE(w->Txtle->text().isEmpty());
    QTest::mouseClick(w->Cmdinlich, Qt::LeftButton);

    const QString text = pdf(QStringLiteral("pdftotext"));
    EXPECT_TRUE(text.contains(QStringLiteral("(Từ 05/01/2004 đến 11/01/2004)")));
    const qsizetype org = text.indexOf(QStringLiteral("Văn phòng Đoàn")), monday = text.indexOf(QStringLiteral("Chào cờ")),
                    morning = text.indexOf(QStringLiteral("Tiếp khách")), afternoon = text.indexOf(QStringLiteral("Họp giao ban"));
    EXPECT_TRUE(text.contains(QStringLiteral("Uỷ ban nhân dân tỉnh")));
    EXPECT_GE(org, 0);
    EXPECT_GT(monday, org);
    EXPECT_GT(morning, monday);
    EXPECT_GT(afternoon, morning);
    EXPECT_FALSE(text.contains(QStringLiteral("Việc tuần sau")));
    EXPECT_FALSE(text.contains(QStringLiteral("Việc năm cũ")));
    const QString info = pdf(QStringLiteral("pdfinfo"));
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n")))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("842 x 595"))) << info.toStdString();

    // The week across the new year prints the entries of both tables.
    w->ShowWeek(QDate(2003, 12, 31));
    QTest::mouseClick(w->Cmdinlich, Qt::LeftButton);
    EXPECT_TRUE(pdf(QStringLiteral("pdftotext")).contains(QStringLiteral("Việc năm cũ")));
}

TEST_P(Week, AnEmptyWeekIsSaidInsteadOfPrinted)
{
    auto* w = open(QDate(2004, 2, 18));
    QTest::mouseClick(w->Cmdinlich, Qt::LeftButton);
    EXPECT_EQ(modal.messageTexts(), QStringList{QStringLiteral("Không có lịch làm việc nào cả !")});
    EXPECT_FALSE(QFile::exists(modal.fileToSave));
}
