// The four templates of the data folder over 3, 300 and 3,000 rows of long Vietnamese texts,
// printed to PDF and read back with poppler: the pages must be those the pagination gives, each
// row whole on its page, inside its band and column, with headings, formulas and "n/N".
#include "report.h"
#include "samples.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <map>
#include <numeric>

namespace {

using Pages = QList<report::Report::Page>;
constexpr double kPt = 72.0 / 300;  // PDF points per pixel of the 300-dpi pagination
constexpr double kSlack = 0.5;      // points

int Sum(const QList<int>& v) { return std::accumulate(v.begin(), v.end(), 0); }

// Every row once and in order (a row taller than a page over consecutive pages), each page
// within its band and filled as far as the next row allows.
void CheckPagination(const Pages& pages, int rowCount)
{
    int next = 0;
    for (int p = 0; p < pages.size(); ++p) {
        const auto& page = pages[p];
        ASSERT_EQ(page.rows.size(), page.heights.size());
        EXPECT_LE(Sum(page.heights), page.bottom - page.top) << "page " << p + 1;
        for (int i = 0; i < page.rows.size(); ++i) {
            if (i == 0 && page.continuesRow) {
                EXPECT_TRUE(p > 0 && pages[p - 1].rowGoesOn && page.rows[0] == pages[p - 1].rows.back());
            } else {
                EXPECT_EQ(page.rows[i], next++) << "page " << p + 1;
            }
        }
        if (p + 1 < pages.size() && !pages[p + 1].continuesRow && !pages[p + 1].rowGoesOn) {
            EXPECT_GT(Sum(page.heights) + pages[p + 1].heights.value(0), page.bottom - page.top) << "page " << p + 1 << " ends early";
        }
    }
    EXPECT_EQ(next, rowCount);
    EXPECT_FALSE(pages.back().rowGoesOn);
}

// The PDF against the pagination: headings and footer on each page; each row's first and last
// word on the pages the pagination gives, inside the row's band and its column; no word across
// a column line, no date broken over two lines, the footer below the rows.
void CheckPdf(const samples::Kind& kind, const Pages& pages, const std::vector<samples::PdfPage>& shown)
{
    static const QRegularExpression brokenDate(QStringLiteral("^\\d\\d/\\d\\d/\\d{0,3}$"));
    ASSERT_EQ(shown.size(), size_t(pages.size()));
    for (int p = 0; p < pages.size(); ++p) {
        const auto& page = pages[p];
        const samples::PdfPage& pdf = shown[size_t(p)];
        EXPECT_TRUE(pdf.has(QStringLiteral("Trang %1/%2").arg(p + 1).arg(pages.size()))) << "page " << p + 1;
        for (const QString& h : kind.headings) EXPECT_TRUE(pdf.has(h)) << h.toStdString() << " on page " << p + 1;
        QHash<QString, const samples::Word*> words;
        for (const samples::Word& w : pdf.words) words.insert(w.text, &w);
        int y = page.top;
        for (int i = 0; i < page.rows.size(); ++i) {
            const QRectF band(QPointF(page.columnEdges[kind.longColumn] * kPt - kSlack, y * kPt - kSlack),
                              QPointF(page.columnEdges[kind.longColumn + 1] * kPt + kSlack, (y + page.heights[i]) * kPt + kSlack));
            y += page.heights[i];
            const bool starts = !(i == 0 && page.continuesRow), ends = !(i == page.rows.size() - 1 && page.rowGoesOn);
            for (const auto& [marker, here] : {std::pair{samples::Begin(page.rows[i]), starts}, std::pair{samples::End(page.rows[i]), ends}}) {
                const samples::Word* w = words.value(marker);
                EXPECT_EQ(w != nullptr, here) << marker.toStdString() << " on page " << p + 1;
                EXPECT_TRUE(!w || band.contains(w->box)) << marker.toStdString() << " outside its row and column";
            }
        }
        const samples::Word* footer = pdf.find(QStringLiteral("Trang"));
        ASSERT_TRUE(footer);
        EXPECT_GE(footer->box.top(), y * kPt) << "the footer lies below the rows on page " << p + 1;
        for (const samples::Word& w : pdf.words) {
            EXPECT_FALSE(brokenDate.match(w.text).hasMatch()) << "a date broken over two lines on page " << p + 1;
            if (w.box.top() < page.top * kPt || w.box.bottom() > page.bottom * kPt) continue;  // rows only
            for (int e : page.columnEdges)
                EXPECT_FALSE(w.box.left() < e * kPt - kSlack && w.box.right() > e * kPt + kSlack) << w.text.toStdString() << " crosses a column line";
        }
    }
}

struct Printed {
    Pages pages;
    std::vector<samples::PdfPage> pdf;
    QStringList asked;  // what the template asked the reader for
    QStringList fonts;
};

Printed Print(const samples::Kind& kind, const report::Table& table, const std::function<void(report::Report&)>& setUp = {})
{
    Printed out;
    report::Report r;
    r.ReportFileName = samples::DataFolder() + u'/' + kind.file;
    r.Reader = [&](const QString& key, const QString& source) {
        out.asked << key << source;
        return table;
    };
    if (setUp) setUp(r);
    out.pages = r.Paginate();
    QTemporaryDir dir;
    r.Target = report::Destination::Pdf;
    r.PdfFile = dir.filePath(QStringLiteral("out.pdf"));
    r.Run();
    out.pdf = samples::ReadPdf(r.PdfFile);
    out.fonts = samples::PdfFonts(r.PdfFile);
    if (qEnvironmentVariableIsSet("KORVANE_REPORT_PDFS") && table.rows.size() == 300)  // to look at them
        QFile::copy(r.PdfFile, QDir(qEnvironmentVariable("KORVANE_REPORT_PDFS")).filePath(QString(kind.file).replace(QStringLiteral(".rpt"), QStringLiteral(".pdf"))));
    return out;
}

class TemplateRun : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(TemplateRun, PdfShowsThePagesAsPaginated)
{
    const samples::Kind& kind = samples::KindAt(std::get<0>(GetParam()));
    const int rowCount = std::get<1>(GetParam());
    const bool plans = kind.file == u"brkehoach.rpt", organisation = rowCount > 3;  // 3 rows: no organisation row
    const QString subtitle = QStringLiteral("(Từ ngày 01/03/2001 đến 31/03/2001)"), unit = QStringLiteral("Văn phòng 'Đoàn' đại biểu");
    const Printed out = Print(kind, samples::Rows(kind, rowCount), [&](report::Report& r) {
        if (!plans) r.SetFormula(0, QStringLiteral("lbltd1 = '%1'").arg(subtitle));
        if (organisation) r.SetFormula(1, QStringLiteral("tencaptren = 'ỦY BAN NHÂN DÂN TỈNH'"));
        if (organisation) r.SetFormula(2, QStringLiteral("tendonvi = '%1'").arg(unit));
    });
    EXPECT_EQ(out.asked, (QStringList{kind.key, kind.source, kind.key, kind.source}));  // paginated, then printed
    CheckPagination(out.pages, rowCount);
    EXPECT_EQ(out.pages.size() == 1, rowCount == 3);
    CheckPdf(kind, out.pages, out.pdf);
    ASSERT_FALSE(out.pdf.empty());

    const QString title = QStringList{QStringLiteral("SỔ CÔNG VĂN ĐẾN"), QStringLiteral("SỔ CÔNG VĂN ĐI"), QStringLiteral("LỊCH LÀM VIỆC"),
                                      QStringLiteral("KẾ HOẠCH CÔNG TÁC")}[std::get<0>(GetParam())];
    EXPECT_TRUE(out.pdf[0].has(title));
    EXPECT_EQ(out.pdf[0].has(subtitle), !plans);
    EXPECT_EQ(out.pdf[0].has(QStringLiteral("ỦY BAN NHÂN DÂN TỈNH")), organisation);
    EXPECT_EQ(out.pdf[0].has(unit), organisation);
    EXPECT_FALSE(out.pdf.back().has(title) && out.pdf.size() > 1) << "the title block belongs to the first page";
    for (const auto& page : out.pdf)
        for (const auto& w : page.words) ASSERT_FALSE(w.text.contains(u'{')) << w.text.toStdString();
    EXPECT_FALSE(out.fonts.isEmpty());
    for (const QString& f : out.fonts) EXPECT_TRUE(f.contains(QStringLiteral("DejaVuSans"))) << f.toStdString();
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<int, int>>& info)
{
    static const char* names[] = {"Incoming", "Outgoing", "Calendar", "Plans"};
    return std::string(names[std::get<0>(info.param)]) + "_" + std::to_string(std::get<1>(info.param)) + "Rows";
}
INSTANTIATE_TEST_SUITE_P(FourTemplates, TemplateRun, ::testing::Combine(::testing::Range(0, 4), ::testing::Values(3, 300, 3000)), CaseName);

// A row taller than a page starts on a page of its own and runs on under the headings of the
// next ones; no line of it is lost or printed twice, and the next row follows it.
TEST(TallRow, RunsOnOverPagesWithoutLosingALine)
{
    const samples::Kind& kind = samples::KindAt(2);
    report::Table table = samples::Rows(kind, 12);
    const int tall = 4, words = 2500;
    QStringList text{samples::Begin(tall)};
    for (int i = 0; i < words; ++i) text << QStringLiteral("chữ%1").arg(i);
    table.rows[tall][0] = (text << samples::End(tall)).join(u' ');

    const Printed out = Print(kind, table);
    CheckPagination(out.pages, 12);
    CheckPdf(kind, out.pages, out.pdf);
    QList<int> on;
    for (int p = 0; p < out.pages.size(); ++p)
        if (out.pages[p].rows.contains(tall)) on << p;
    ASSERT_GE(on.size(), 3) << "2,500 words fill more than two pages";
    EXPECT_EQ(out.pages[on.front()].rows, QList<int>{tall});
    for (int p : on.mid(1)) EXPECT_TRUE(out.pages[p].continuesRow);
    EXPECT_EQ(out.pages[on.back()].rows.value(1), tall + 1);
    std::map<int, int> seen;
    for (const auto& page : out.pdf)
        for (const auto& w : page.words)
            if (w.text.startsWith(QStringLiteral("chữ"))) ++seen[w.text.mid(3).toInt()];
    EXPECT_EQ(int(seen.size()), words);
    for (const auto& [word, count] : seen) ASSERT_EQ(count, 1) << "chữ" << word;
}

}  // namespace
