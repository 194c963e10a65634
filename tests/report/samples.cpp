#include "samples.h"

#include <QDate>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

namespace samples {

namespace {

const QStringList kWords = QStringLiteral(
    "về việc triển khai kế hoạch năm tổ chức hội nghị tổng kết công tác phòng chống lụt bão đề nghị báo cáo tình "
    "hình thực hiện nhiệm vụ quý các đơn vị trực thuộc sở ban ngành đoàn thể ủy nhân dân tỉnh huyện xã hướng dẫn "
    "kiểm tra giám sát đột xuất đảm bảo an toàn giao thông quyết định bổ nhiệm cán bộ ngân sách đầu tư xây dựng "
    "giáo dục đào tạo y tế văn hóa Hà Nội Huế Đà Nẵng Cần Thơ Quảng Ngãi Nghệ An Thừa Thiên giải phóng mặt bằng")
                                  .split(u' ');
const QStringList kDateFields = QStringLiteral("ng_den ng_cv ngay tgianbdau tgiankthuc").split(u' ');

QString Words(int count, unsigned& state)
{
    QStringList w;
    for (int i = 0; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        w << kWords[int((state >> 16) % unsigned(kWords.size()))];
    }
    return w.join(u' ');
}

QString Run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(120000) && p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

}  // namespace

const Kind& KindAt(int i)
{
    static const Kind kinds[] = {
        {QStringLiteral("brcvden.rpt"), QStringLiteral("temp"), QStringLiteral("select * from incvden order by id"),
         QStringLiteral("Số|Ngày đến|Nơi gửi|Số CV|Ngày CV|Tóm tắt nội dung|Nơi nhận").split(u'|'), 5,
         QStringLiteral("tt_ndung id stt ng_den noigui so_cv ng_cv loai dv_nhan cd_dang mat da_xuli ng_denchuan chonin").split(u' ')},
        {QStringLiteral("brcvdi.rpt"), QStringLiteral("temp"), QStringLiteral("select * from incvdi order by id"),
         QStringLiteral("Số|Số công văn|Ngày CV|Loại|Nơi nhận|Tóm tắt nội dung|Người ký|Nơi lưu").split(u'|'), 5,
         QStringLiteral("tt_ndung id stt so_cv ng_cv loai dv_nhan noiluu nguoiky ng_cvchuan idcu kieuupdate chonin").split(u' ')},
        {QStringLiteral("brlichtuan.rpt"), QStringLiteral("temp"), QStringLiteral("select * from inlich order by ngaychuan, giochuan"),
         QStringLiteral("Thứ|Ngày|Giờ|Nội dung|Địa điểm|Chủ trì|Thành phần|Chuẩn bị|Ghi chú").split(u'|'), 3,
         QStringLiteral("ndung ID thu ngay gio ngaychuan giochuan diadiem nguoicbi nguoictri thanhphan ghichu chonin").split(u' ')},
        // The plan query's spelling differs in case from the template's on purpose.
        {QStringLiteral("brkehoach.rpt"), QStringLiteral("plan"), QStringLiteral("QrIn"),
         QStringLiteral("Đơn vị|Tên hay tóm tắt công việc|Bắt đầu|Kết thúc|Người chỉ đạo|Ý kiến chỉ đạo|Người thực hiện chính|Kết quả|Đã xong").split(u'|'), 1,
         QStringLiteral("NDUNGTT tendonvi tgianbdau tgianbdauchuan tgiankthuc ketthuc chidao nguoichidao tgiankthucchuan canbo nhomcongviec").split(u' ')},
    };
    return kinds[i];
}

QString Begin(int row) { return QStringLiteral("BẮTĐẦU%1").arg(row); }
QString End(int row) { return QStringLiteral("KẾTTHÚC%1").arg(row); }
QString DataFolder() { return QFileInfo(QStringLiteral(KORVANE_TEMPLATE)).absolutePath(); }

report::Table Rows(const Kind& kind, int rows)
{
    report::Table t{kind.fields, {}};
    unsigned state = 7;
    for (int r = 0; r < rows; ++r) {
        const bool longRow = r % 23 == 11;
        QStringList values{Begin(r) + u' ' + Words(r % 37 == 5 ? 160 : longRow ? 60 : 4 + r % 40, state) + u' ' + End(r)};
        for (const QString& f : kind.fields.mid(1)) {
            if (kDateFields.contains(f.toLower())) values << QDate(2004, 1, 1).addDays(r / 4).toString(QStringLiteral("dd/MM/yyyy"));
            else if (f.endsWith(QStringLiteral("chuan"))) values << QDate(2004, 1, 1).addDays(r / 4).toString(QStringLiteral("yyyyMMdd"));
            else if (f == u"ketthuc") values << (r % 3 ? QStringLiteral("0") : QStringLiteral("-1"));
            else if (f == u"stt") values << QString::number(r + 1);
            else values << Words(longRow ? 40 : 1 + r % 9, state);
        }
        t.rows.push_back(values);
    }
    return t;
}

const Word* PdfPage::find(const QString& word) const
{
    for (const Word& w : words)
        if (w.text == word) return &w;
    return nullptr;
}

bool PdfPage::has(const QString& text) const
{
    const QStringList want = text.split(u' ');
    for (size_t i = 0; i + size_t(want.size()) <= words.size(); ++i) {
        int k = 0;
        while (k < want.size() && words[i + size_t(k)].text == want[k]) ++k;
        if (k == want.size()) return true;
    }
    return false;
}

std::vector<PdfPage> ReadPdf(const QString& file)
{
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    std::vector<PdfPage> pages;
    for (auto it = tag.globalMatch(Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")})); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(1).isEmpty()) {
            pages.emplace_back();
        } else if (!pages.empty()) {
            QString text = m.captured(5);
            text.replace(QLatin1String("&#39;"), QLatin1String("'")).replace(QLatin1String("&apos;"), QLatin1String("'"));
            text.replace(QLatin1String("&quot;"), QLatin1String("\"")).replace(QLatin1String("&amp;"), QLatin1String("&"));
            pages.back().words.push_back(Word{text, QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                                           QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
        }
    }
    return pages;
}

QStringList PdfFonts(const QString& file)
{
    QStringList names;
    for (const QString& line : Run(QStringLiteral("pdffonts"), {file}).split(u'\n', Qt::SkipEmptyParts).mid(2)) names << line.section(u' ', 0, 0);
    return names;
}

}  // namespace samples
