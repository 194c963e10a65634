#include "text.h"

#include "tcvn3.h"

#include <QHash>

namespace korvane {

namespace {

// The 88 letters of the sort table: for each row, the capital, then the small letter without
// tone and with tones 1 (grave) to 5 (dot below); the base letter and the shape digit.
struct Row {
    const char16_t* letters;  // capital first
    char base;
    char shape;
};

const QHash<QChar, QString>& letterCodes()
{
    static const QHash<QChar, QString> codes = [] {
        static const Row rows[] = {
            {u"Aaàáảãạ", 'a', '0'}, {u"Ââầấẩẫậ", 'a', '1'}, {u"Ăăằắẳẵặ", 'a', '2'}, {u"Eeèéẻẽẹ", 'e', '0'},
            {u"Êêềếểễệ", 'e', '1'}, {u"Iiìíỉĩị", 'i', '0'}, {u"Ooòóỏõọ", 'o', '0'}, {u"Ôôồốổỗộ", 'o', '1'},
            {u"Ơơờớởỡợ", 'o', '3'}, {u"Uuùúủũụ", 'u', '0'}, {u"Ưưừứửữự", 'u', '3'}, {u"Yyỳýỷỹỵ", 'y', '0'},
        };
        QHash<QChar, QString> map;
        for (const Row& r : rows) {
            const QString base(QLatin1Char(r.base));
            map.insert(QChar(r.letters[0]), base.toUpper() + QLatin1Char(r.shape) + QLatin1Char('0'));
            for (int tone = 0; tone <= 5; ++tone)
                map.insert(QChar(r.letters[1 + tone]), base + QLatin1Char(r.shape) + QChar(u'0' + tone));
        }
        map.insert(QChar(u'D'), QStringLiteral("D00"));
        map.insert(QChar(u'd'), QStringLiteral("d00"));
        map.insert(QChar(u'Đ'), QStringLiteral("D10"));
        map.insert(QChar(u'đ'), QStringLiteral("d10"));
        return map;
    }();
    return codes;
}

}  // namespace

QString VietSortKey(const QString& text, bool fold)
{
    if (text.trimmed().isEmpty()) return QString();
    const QHash<QChar, QString>& codes = letterCodes();
    QString key;
    key.reserve(text.size() * (fold ? 1 : 3));
    for (const QChar c : text) {
        const auto it = codes.constFind(c);
        if (it == codes.constEnd()) key += c;
        else if (fold) key += it->at(0);
        else key += *it;
    }
    return key;
}

QString WithoutMarks(const QString& text)
{
    QString out = text.normalized(QString::NormalizationForm_C);
    for (QChar& c : out) c = QChar(tcvn3::withoutMarks(c.unicode()));
    return out;
}

bool HasMarks(const QString& text) { return WithoutMarks(text) != text.normalized(QString::NormalizationForm_C).toLower(); }

}  // namespace korvane
