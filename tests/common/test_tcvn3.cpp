#include "tcvn3.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>

#include <map>

namespace {

std::u16string u16(const QString& s) { return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())); }
QString q(const std::u16string& s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

std::string encodeOk(const QString& s)
{
    const tcvn3::Encoded e = tcvn3::encode(u16(s));
    EXPECT_TRUE(e.ok()) << s.toStdString();
    return e.bytes;
}

// glibc's TCVN5712-1 charmap, bytes 0xA0-0xFF, as code point per byte.
std::map<int, char32_t> glibcCharmap()
{
    std::map<int, char32_t> map;
    QProcess zcat;
    zcat.start(QStringLiteral("zcat"), {QStringLiteral("/usr/share/i18n/charmaps/TCVN5712-1.gz")});
    if (!zcat.waitForFinished(10000) || zcat.exitCode() != 0) return map;
    static const QRegularExpression line(QStringLiteral("^<U([0-9A-F]{4})>\\s+/x([0-9a-f]{2})\\s"));
    for (const QString& l : QString::fromUtf8(zcat.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const auto m = line.match(l);
        if (m.hasMatch()) map[m.captured(2).toInt(nullptr, 16)] = m.captured(1).toUInt(nullptr, 16);
    }
    return map;
}

}  // namespace

TEST(Tcvn3, AgreesWithTheGlibcCharmapAbove0xA0)
{
    const auto charmap = glibcCharmap();
    if (charmap.empty()) GTEST_SKIP() << "glibc's TCVN5712-1 charmap is not installed";
    int compared = 0;
    for (int b = 0xA0; b <= 0xFF; ++b) {
        const auto it = charmap.find(b);
        ASSERT_NE(it, charmap.end());
        const char32_t cp = it->second;
        // glibc puts combining marks and capital toned vowels in the slots TCVN3 leaves free.
        const bool combining = cp >= 0x0300 && cp <= 0x036F;
        const bool capitalToned = QChar(char16_t(cp)).isUpper() && !(b >= 0xA1 && b <= 0xA7);
        if (combining || capitalToned) {
            EXPECT_FALSE(tcvn3::isAssigned(static_cast<unsigned char>(b))) << std::hex << b;
            continue;
        }
        EXPECT_EQ(tcvn3::toUnicode(static_cast<unsigned char>(b)), cp) << std::hex << b;
        ++compared;
    }
    EXPECT_EQ(compared, 75);
}

TEST(Tcvn3, EveryAssignedByteRoundTripsAndDecodesToNfc)
{
    int assigned = 0;
    for (int b = 1; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        if (!tcvn3::isAssigned(byte)) continue;
        ++assigned;
        const std::string one(1, static_cast<char>(byte));
        const QString text = q(tcvn3::decode(one));
        EXPECT_EQ(text, text.normalized(QString::NormalizationForm_C));
        EXPECT_EQ(encodeOk(text), one);
    }
    EXPECT_EQ(assigned, 127 + 75);
}

TEST(Tcvn3, CapitalTonedVowelsEncodeAsTheirSmallLetters)
{
    int capitals = 0;
    for (int b = 0xA0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        if (!tcvn3::isAssigned(byte)) continue;
        const QString small = QString(QChar(tcvn3::toUnicode(byte)));
        const QString upper = small.toUpper();
        if (upper == small || (byte >= 0xA8 && byte <= 0xAE)) continue;  // no case, or a capital of its own
        ++capitals;
        EXPECT_EQ(tcvn3::fromUnicode(upper.at(0).unicode()), byte) << upper.toStdString();
    }
    EXPECT_EQ(capitals, 60);
    // The seven capitals with codes of their own keep them.
    EXPECT_EQ(encodeOk(QStringLiteral("ĂÂÊÔƠƯĐ")), "\xA1\xA2\xA3\xA4\xA5\xA6\xA7");
    EXPECT_EQ(encodeOk(QStringLiteral("BỘ NỘI VỤ")), "B\xE9 N\xE9I V\xF4");
}

TEST(Tcvn3, SentencesRoundTrip)
{
    const QString text = QStringLiteral("Công văn đến của Sở Giáo dục và Đào tạo Hà Nội về việc tuyển sinh năm học mới; "
                                        "ý kiến chỉ đạo: khẩn trương, đúng hạn. Người ký: Nguyễn Văn Hưởng");
    const std::string bytes = encodeOk(text);
    EXPECT_EQ(bytes.size(), static_cast<std::size_t>(text.size()));  // one byte per letter
    EXPECT_EQ(q(tcvn3::decode(bytes)), text);
    EXPECT_EQ(tcvn3::decodeToUtf8(bytes), text.toStdString());
    EXPECT_EQ(tcvn3::encodeUtf8(text.toStdString()).bytes, bytes);
}

TEST(Tcvn3, DecomposedInputIsComposed)
{
    const QString composed = QStringLiteral("Nguyễn Thị Hường, Đặng Quốc Ấn");
    const QString decomposed = composed.normalized(QString::NormalizationForm_D);
    ASSERT_NE(decomposed.size(), composed.size());
    EXPECT_EQ(encodeOk(decomposed), encodeOk(composed));
    // Shape mark written after the tone mark.
    EXPECT_EQ(encodeOk(QStringLiteral("a\u0301\u0302")), encodeOk(QStringLiteral("ấ")));
}

TEST(Tcvn3, CharactersOutsideTcvn3AreReportedWithTheirPlace)
{
    struct Case {
        QString text;
        std::size_t bad;
    } cases[] = {
        {QStringLiteral("giá 100€"), 7},
        {QStringLiteral("中文"), 0},
        {QStringLiteral("ác\u0327"), 2},  // ç: no cedilla in TCVN3
        {QStringLiteral("x\u0301"), 1},          // a tone on a consonant
        {QStringLiteral("\u0301a"), 0},          // a mark with nothing before it
        {QStringLiteral("ế\u0301"), 1},          // a second tone
        {QStringLiteral("Ñ"), 0},
    };
    for (const Case& c : cases) {
        const tcvn3::Encoded e = tcvn3::encode(u16(c.text));
        EXPECT_FALSE(e.ok()) << c.text.toStdString();
        EXPECT_EQ(e.badIndex, c.bad) << c.text.toStdString();
    }
}

TEST(Tcvn3, FoldingPairsCapitalsWithSmallLetters)
{
    // Without marks: every letter of the alphabet, both cases, becomes the small letter its
    // canonical decomposition starts with ("đ" and "Đ": "d"), in Unicode and in TCVN3 alike.
    const QString small = QStringLiteral("aàáảãạăằắẳẵặâầấẩẫậbcdđeèéẻẽẹêềếểễệghiìíỉĩịklmnoòóỏõọôồốổỗộơờớởỡợpqrstuùúủũụưừứửữựvxyỳýỷỹỵ");
    for (const QString& alphabet : {small, small.toUpper()}) {
        for (const QChar c : alphabet) {
            const QChar base = c.toLower() == QChar(u'đ') ? QChar(u'd') : QString(c).normalized(QString::NormalizationForm_D).at(0).toLower();
            EXPECT_EQ(tcvn3::withoutMarks(c.unicode()), base.unicode()) << QString(c).toStdString();
            const int stored = tcvn3::fromUnicode(c.unicode());
            ASSERT_GE(stored, 0) << QString(c).toStdString();
            EXPECT_EQ(tcvn3::withoutMarksByte(static_cast<unsigned char>(stored)), base.toLatin1()) << QString(c).toStdString();
        }
    }
    for (const char16_t other : {u'0', u'-', u'\'', u'ç', u'Ç', u'ñ'}) EXPECT_EQ(tcvn3::withoutMarks(other), other);

    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        if (!tcvn3::isAssigned(byte)) continue;
        const QString letter(QChar(tcvn3::toUnicode(byte)));
        const QString lower = letter.toLower();
        const int lowerByte = tcvn3::fromUnicode(lower.at(0).unicode());
        EXPECT_EQ(tcvn3::foldByte(byte), lowerByte) << b;
    }
}
