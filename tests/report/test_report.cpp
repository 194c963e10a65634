// The engine's rules apart from the four templates: errors naming the template and line,
// formulas, the caller's margins, cell texts, the preview window.
#include "report.h"
#include "samples.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QFile>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>

namespace {

const QString kSmall = QStringLiteral(
    "# a small register\nsource doc select * from nhat\npaper A4 portrait\ncolumn \"Số\" id 5 center\n"
    "column \"Tên\" ten 40\ncolumn \"Xong\" XONG 5 center yesno\ncolumn \"Ký\" - 5\nfooter {page}/{pages}\n");

report::Report Over(const QTemporaryDir& dir, const QString& templateText)
{
    report::Report r;
    r.ReportFileName = dir.filePath(QStringLiteral("mẫu.rpt"));
    QFile f(r.ReportFileName);
    if (f.open(QIODevice::WriteOnly)) f.write(templateText.toUtf8());
    r.Reader = [](const QString&, const QString&) {
        return report::Table{{QStringLiteral("ID"), QStringLiteral("Ten"), QStringLiteral("xong")},
                             {{QStringLiteral("1"), QStringLiteral("một"), QStringLiteral("-1")},
                              {QStringLiteral("2"), QStringLiteral("một\r\nhai"), QStringLiteral("0")},
                              {QStringLiteral("3"), QStringLiteral("một\nhai\nba"), QStringLiteral("True")},
                              {QStringLiteral("4"), QString(), QString()}}};
    };
    return r;
}

QString Failure(report::Report& r)
{
    try {
        r.Paginate();
    } catch (const report::ReportError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

TEST(ReportErrors, TemplateFaultsNameTheFileAndLine)
{
    const QString head = QStringLiteral("source doc nhat\n# comment\n");
    const struct {
        QString text;
        int line;  // 0: the whole file is at fault
        QString says;
    } cases[] = {
        {head + QStringLiteral("colum \"Số\" id 5\n"), 3, QStringLiteral("colum")},
        {head + QStringLiteral("column \"Số\" id\n"), 3, QStringLiteral("column")},
        {head + QStringLiteral("column \"Số\" id 5 middle\n"), 3, QStringLiteral("middle")},
        {head + QStringLiteral("column \"Số id 5\n"), 3, QStringLiteral("\"")},
        {head + QStringLiteral("column \"Số\" id 5\n\npaper B5\n"), 5, QStringLiteral("B5")},
        {head + QStringLiteral("margins 10 10 10\n"), 3, QStringLiteral("margins")},
        {QStringLiteral("source net nhat\n"), 1, QStringLiteral("net")},
        {head + QStringLiteral("column \"Lạ\" khongco 5\n"), 3, QStringLiteral("khongco")},
        {QStringLiteral("column \"Số\" id 5\n"), 0, QStringLiteral("source")},
        {head, 0, QStringLiteral("cột")},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        report::Report r = Over(dir, c.text);
        const QString message = Failure(r);
        EXPECT_TRUE(message.contains(r.ReportFileName) && message.contains(c.says)) << message.toStdString();
        EXPECT_EQ(message.contains(QStringLiteral("dòng %1:").arg(c.line)), c.line > 0) << message.toStdString();
    }
    report::Report missing = Over(dir, kSmall);
    missing.ReportFileName = dir.filePath(QStringLiteral("brcvden.rpt"));
    EXPECT_TRUE(Failure(missing).contains(missing.ReportFileName));
    missing.Target = report::Destination::Pdf;
    missing.PdfFile = dir.filePath(QStringLiteral("x.pdf"));
    EXPECT_THROW(missing.Run(), report::ReportError);
    EXPECT_FALSE(QFile::exists(missing.PdfFile));
}

TEST(ReportErrors, ReaderAndOutputFailuresBecomeReportErrors)
{
    QTemporaryDir dir;
    report::Report r = Over(dir, kSmall);
    r.Reader = [](const QString&, const QString&) -> report::Table { throw std::runtime_error("ổ đĩa mạng không trả lời"); };
    const QString message = Failure(r);
    EXPECT_TRUE(message.contains(QStringLiteral("ổ đĩa mạng không trả lời")) && message.contains(QStringLiteral("select * from nhat")));
    r.Reader = nullptr;
    EXPECT_THROW(r.Paginate(), report::ReportError);
    r = Over(dir, kSmall);
    r.Target = report::Destination::Pdf;
    r.PdfFile = dir.filePath(QStringLiteral("no/such/folder/x.pdf"));
    EXPECT_THROW(r.Run(), report::ReportError);
}

TEST(ReportFormulas, ValueRunsFromTheFirstToTheLastQuote)
{
    report::Report r;
    r.SetFormula(0, QStringLiteral("lbltd1 = '(Từ ngày 01/03/2001đến 31/03/2001)'"));
    r.SetFormula(1, QStringLiteral("tencaptren='Sở 'Kế hoạch' và Đầu tư'"));
    r.SetFormula(2, QStringLiteral("  tendonvi   =   'a = b'  "));
    EXPECT_EQ(r.FormulaValue(QStringLiteral("lbltd1")), QStringLiteral("(Từ ngày 01/03/2001đến 31/03/2001)"));
    EXPECT_EQ(r.FormulaValue(QStringLiteral("TenCapTren")), QStringLiteral("Sở 'Kế hoạch' và Đầu tư"));
    EXPECT_EQ(r.FormulaValue(QStringLiteral("tendonvi")), QStringLiteral("a = b"));
    r.SetFormula(1, QString());
    EXPECT_EQ(r.FormulaValue(QStringLiteral("tencaptren")), QString());
    for (const auto& [index, text] : {std::pair{3, "x = 'y'"}, {-1, "x = 'y'"}, {0, "'không có tên'"}, {0, " = 'y'"}})
        EXPECT_THROW(r.SetFormula(index, QString::fromUtf8(text)), report::ReportError) << text;
    EXPECT_EQ(r.Formula(0), QStringLiteral("lbltd1 = '(Từ ngày 01/03/2001đến 31/03/2001)'"));
}

TEST(ReportLayout, CallerMarginsMoveTheTableEdges)
{
    report::Report r;
    r.ReportFileName = samples::DataFolder() + QStringLiteral("/brcvden.rpt");
    const report::Table rows = samples::Rows(samples::KindAt(0), 40);
    r.Reader = [&rows](const QString&, const QString&) { return rows; };
    auto px = [](double mm, int dpi) { return qRound(mm * dpi / 25.4); };
    const auto own = r.Paginate(300).front();
    EXPECT_EQ(own.paper, QSize(3507, 2480)) << "A4 landscape in whole pixels";
    EXPECT_EQ(own.columnEdges.front(), px(15, 300));
    EXPECT_EQ(own.columnEdges.back(), 3507 - px(10, 300));

    r.MarginLeftTwips = qRound(25 * 1440 / 25.4);
    r.MarginRightTwips = qRound(20 * 1440 / 25.4);
    const auto set = r.Paginate(150).front();
    EXPECT_NEAR(set.columnEdges.front(), px(25, 150), 1);
    EXPECT_NEAR(set.columnEdges.back(), set.paper.width() - px(20, 150), 1);
    r.MarginLeftTwips = r.MarginRightTwips = 1440 * 6;  // six inches a side leave no room on A4
    EXPECT_THROW(r.Paginate(), report::ReportError);
}

// Memo line ends break lines, yes/no prints X, an empty row and a blank column take one line.
TEST(ReportLayout, CellTextsBreakAtLineEndsAndYesNoPrintsX)
{
    QTemporaryDir dir;
    report::Report r = Over(dir, kSmall);
    const QList<int> h = r.Paginate().front().heights;
    ASSERT_EQ(h.size(), 4);
    EXPECT_LT(h[0], h[1]);
    EXPECT_EQ(h[2] - h[1], h[1] - h[0]) << "one line more each";
    EXPECT_EQ(h[3], h[0]);
    r.Target = report::Destination::Pdf;
    r.PdfFile = dir.filePath(QStringLiteral("nho.pdf"));
    r.Run();
    const auto pdf = samples::ReadPdf(r.PdfFile);
    ASSERT_EQ(pdf.size(), 1u);
    EXPECT_EQ(std::count_if(pdf[0].words.begin(), pdf[0].words.end(), [](const auto& w) { return w.text == u"X"; }), 2);
    EXPECT_TRUE(pdf[0].has(QStringLiteral("1/1")));
    ASSERT_TRUE(pdf[0].find(QStringLiteral("ba")) && pdf[0].find(QStringLiteral("hai")));
    EXPECT_GT(pdf[0].find(QStringLiteral("ba"))->box.top(), pdf[0].find(QStringLiteral("hai"))->box.top());

    r.Reader = [](const QString&, const QString&) { return report::Table{{QStringLiteral("id"), QStringLiteral("ten"), QStringLiteral("xong")}, {}}; };
    const auto empty = r.Paginate();
    EXPECT_TRUE(empty.size() == 1 && empty[0].rows.isEmpty()) << "no rows: one page of headings";
}

TEST(ReportPreview, ShowsEveryPageWhereTheCallerPlacesIt)
{
    report::Report r;
    r.ReportFileName = samples::DataFolder() + QStringLiteral("/brlichtuan.rpt");
    const report::Table rows = samples::Rows(samples::KindAt(2), 120);
    r.Reader = [&rows](const QString&, const QString&) { return rows; };
    const int expected = int(r.Paginate().size());
    r.Target = report::Destination::Preview;
    r.WindowRect = QRect(70, 35, 540, 360);
    int shownPages = -1;
    QRect placed;
    r.RunModal = [&](QDialog& dialog) {
        dialog.show();
        placed = dialog.geometry();
        if (auto* preview = dialog.findChild<QPrintPreviewWidget*>()) shownPages = preview->pageCount();
        return 0;
    };
    r.Run();
    EXPECT_GT(expected, 1);
    EXPECT_EQ(placed, r.WindowRect);
    EXPECT_EQ(shownPages, expected);
}

}  // namespace
