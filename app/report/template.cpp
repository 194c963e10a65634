#include "template.h"

#include "report.h"

#include <QFile>
#include <QFileInfo>

namespace report {

namespace {

// A directive line cut into words; a word in double quotes may hold blanks.
QStringList Words(const QString& line, bool* unbalanced)
{
    QStringList words;
    *unbalanced = false;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && line[i].isSpace()) ++i;
        if (i == n) break;
        if (line[i] == u'"') {
            const qsizetype close = line.indexOf(u'"', i + 1);
            if (close < 0) {
                *unbalanced = true;
                return words;
            }
            words << line.mid(i + 1, close - i - 1);
            i = close + 1;
        } else {
            const qsizetype start = i;
            while (i < n && !line[i].isSpace()) ++i;
            words << line.mid(start, i - start);
        }
    }
    return words;
}

class Parser {
public:
    explicit Parser(const QString& fileName) { t_.file = fileName; }

    Template parse(const QString& text)
    {
        const QStringList lines = text.split(u'\n');
        for (int i = 0; i < lines.size(); ++i) {
            line_ = i + 1;
            QString l = lines[i];
            if (l.endsWith(u'\r')) l.chop(1);
            const QString trimmed = l.trimmed();
            if (trimmed.isEmpty() || trimmed.startsWith(u'#')) continue;
            qsizetype blank = 0;
            while (blank < trimmed.size() && !trimmed[blank].isSpace()) ++blank;
            if (blank == trimmed.size()) blank = -1;
            const QString keyword = (blank < 0 ? trimmed : trimmed.left(blank)).toLower();
            const QString rest = blank < 0 ? QString() : trimmed.mid(blank + 1).trimmed();
            directive(keyword, rest);
        }
        if (t_.sourceKey.isEmpty()) throw ReportError(QStringLiteral("%1: thiếu chỉ thị 'source' (nguồn dữ liệu).").arg(t_.file));
        if (t_.columns.empty()) throw ReportError(QStringLiteral("%1: mẫu báo cáo không có cột nào.").arg(t_.file));
        return t_;
    }

private:
    [[noreturn]] void fail(const QString& what) const
    {
        throw ReportError(QStringLiteral("%1, dòng %2: %3").arg(t_.file).arg(line_).arg(what));
    }

    double number(const QString& word, double low, double high) const
    {
        bool ok = false;
        const double v = word.toDouble(&ok);
        if (!ok || v < low || v > high)
            fail(QStringLiteral("'%1' không phải số từ %2 đến %3.").arg(word).arg(low).arg(high));
        return v;
    }

    void directive(const QString& keyword, const QString& rest)
    {
        bool unbalanced = false;
        if (keyword == u"source") {
            const QStringList w = Words(rest, &unbalanced);
            if (w.size() < 2) fail(QStringLiteral("'source' cần tên tệp dữ liệu (temp, doc, plan) và bảng, truy vấn hay câu SQL."));
            const QString key = w[0].toLower();
            if (key != u"temp" && key != u"doc" && key != u"plan") fail(QStringLiteral("tệp dữ liệu '%1' không có; chỉ có temp, doc, plan.").arg(w[0]));
            t_.sourceKey = key;
            t_.source = rest.mid(w[0].size()).trimmed();
        } else if (keyword == u"paper") {
            const QStringList w = Words(rest, &unbalanced);
            if (w.isEmpty() || w.size() > 2) fail(QStringLiteral("'paper' cần khổ giấy và hướng giấy."));
            const QString size = w[0].toUpper();
            if (size == u"A4") t_.paper = QPageSize::A4;
            else if (size == u"A3") t_.paper = QPageSize::A3;
            else if (size == u"A5") t_.paper = QPageSize::A5;
            else fail(QStringLiteral("khổ giấy '%1' không có; chỉ có A3, A4, A5.").arg(w[0]));
            const QString orientation = w.size() > 1 ? w[1].toLower() : QStringLiteral("portrait");
            if (orientation != u"portrait" && orientation != u"landscape") fail(QStringLiteral("hướng giấy '%1' không có; chỉ có portrait, landscape.").arg(w[1]));
            t_.landscape = orientation == u"landscape";
        } else if (keyword == u"margins") {
            const QStringList w = Words(rest, &unbalanced);
            if (w.size() != 4) fail(QStringLiteral("'margins' cần bốn số (mm): trái, phải, trên, dưới."));
            t_.marginLeft = number(w[0], 0, 100);
            t_.marginRight = number(w[1], 0, 100);
            t_.marginTop = number(w[2], 0, 100);
            t_.marginBottom = number(w[3], 0, 100);
        } else if (keyword == u"font") {
            const QStringList w = Words(rest, &unbalanced);
            if (w.size() != 1) fail(QStringLiteral("'font' cần một cỡ chữ."));
            t_.fontPoints = number(w[0], 6, 16);
        } else if (keyword == u"left") {
            TextLine line{rest, false};
            if (rest.startsWith(QStringLiteral("bold ")) || rest == u"bold") {
                line.bold = true;
                line.text = rest.mid(4).trimmed();
            }
            t_.left.push_back(line);
        } else if (keyword == u"title") {
            t_.title = rest;
        } else if (keyword == u"subtitle") {
            t_.subtitle = rest;
        } else if (keyword == u"footer") {
            t_.footer = rest;
        } else if (keyword == u"column") {
            column(rest);
        } else {
            fail(QStringLiteral("không hiểu chỉ thị '%1'.").arg(keyword));
        }
        if (unbalanced) fail(QStringLiteral("thiếu dấu \" đóng."));
    }

    void column(const QString& rest)
    {
        bool unbalanced = false;
        const QStringList w = Words(rest, &unbalanced);
        if (unbalanced) fail(QStringLiteral("thiếu dấu \" đóng."));
        if (!rest.startsWith(u'"') || w.size() < 3)
            fail(QStringLiteral("'column' cần \"tiêu đề\", tên trường và độ rộng."));
        Column c;
        c.heading = w[0];
        c.field = w[1] == u"-" ? QString() : w[1];
        c.width = number(w[2], 0.1, 1000);
        c.line = line_;
        for (int i = 3; i < w.size(); ++i) {
            const QString option = w[i].toLower();
            if (option == u"left") c.align = Qt::AlignLeft;
            else if (option == u"center") c.align = Qt::AlignHCenter;
            else if (option == u"right") c.align = Qt::AlignRight;
            else if (option == u"yesno") c.yesNo = true;
            else fail(QStringLiteral("'%1' không phải left, center, right hay yesno.").arg(w[i]));
        }
        t_.columns.push_back(c);
    }

    Template t_;
    int line_ = 0;
};

}  // namespace

Template ParseTemplate(const QString& text, const QString& fileName)
{
    return Parser(fileName).parse(text);
}

Template ReadTemplate(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw ReportError(QStringLiteral("Không tìm thấy mẫu báo cáo %1.").arg(path));
    return ParseTemplate(QString::fromUtf8(file.readAll()), path);
}

QString Substitute(const QString& text, const std::function<QString(const QString&)>& value)
{
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf(u'{', i);
        const qsizetype close = open < 0 ? -1 : text.indexOf(u'}', open + 1);
        if (close < 0) {
            out += QStringView(text).mid(i);
            break;
        }
        out += QStringView(text).mid(i, open - i);
        out += value(text.mid(open + 1, close - open - 1).trimmed());
        i = close + 1;
    }
    return out;
}

}  // namespace report
