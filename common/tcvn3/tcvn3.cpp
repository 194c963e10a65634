#include "tcvn3.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tcvn3 {
namespace {

// The twelve vowels with their six tone forms (none, grave, acute, hook above, tilde, dot below):
// the code points of the small letters and their TCVN3 bytes, in the keyboard's row order.
constexpr std::array<std::array<char16_t, 6>, 12> kVowelUnicode{{
    {u'a', 0x00E0, 0x00E1, 0x1EA3, 0x00E3, 0x1EA1},
    {0x0103, 0x1EB1, 0x1EAF, 0x1EB3, 0x1EB5, 0x1EB7},
    {u'o', 0x00F2, 0x00F3, 0x1ECF, 0x00F5, 0x1ECD},
    {u'e', 0x00E8, 0x00E9, 0x1EBB, 0x1EBD, 0x1EB9},
    {0x00E2, 0x1EA7, 0x1EA5, 0x1EA9, 0x1EAB, 0x1EAD},
    {0x00F4, 0x1ED3, 0x1ED1, 0x1ED5, 0x1ED7, 0x1ED9},
    {0x01A1, 0x1EDD, 0x1EDB, 0x1EDF, 0x1EE1, 0x1EE3},
    {0x01B0, 0x1EEB, 0x1EE9, 0x1EED, 0x1EEF, 0x1EF1},
    {u'u', 0x00F9, 0x00FA, 0x1EE7, 0x0169, 0x1EE5},
    {u'i', 0x00EC, 0x00ED, 0x1EC9, 0x0129, 0x1ECB},
    {u'y', 0x1EF3, 0x00FD, 0x1EF7, 0x1EF9, 0x1EF5},
    {0x00EA, 0x1EC1, 0x1EBF, 0x1EC3, 0x1EC5, 0x1EC7},
}};
constexpr std::array<std::array<unsigned char, 6>, 12> kVowelBytes{{
    {0x61, 0xB5, 0xB8, 0xB6, 0xB7, 0xB9},
    {0xA8, 0xBB, 0xBE, 0xBC, 0xBD, 0xC6},
    {0x6F, 0xDF, 0xE3, 0xE1, 0xE2, 0xE4},
    {0x65, 0xCC, 0xD0, 0xCE, 0xCF, 0xD1},
    {0xA9, 0xC7, 0xCA, 0xC8, 0xC9, 0xCB},
    {0xAB, 0xE5, 0xE8, 0xE6, 0xE7, 0xE9},
    {0xAC, 0xEA, 0xED, 0xEB, 0xEC, 0xEE},
    {0xAD, 0xF5, 0xF8, 0xF6, 0xF7, 0xF9},
    {0x75, 0xEF, 0xF3, 0xF1, 0xF2, 0xF4},
    {0x69, 0xD7, 0xDD, 0xD8, 0xDC, 0xDE},
    {0x79, 0xFA, 0xFD, 0xFB, 0xFC, 0xFE},
    {0xAA, 0xD2, 0xD5, 0xD3, 0xD4, 0xD6},
}};
// Rows reached from a plain vowel row by a shape mark.
enum Row { A, AW, O, E, AA, OO, OW, UW, U, I, Y, EE };

// The capital of a small Vietnamese letter (the Latin-1 and Vietnamese-extended pairings).
constexpr char32_t upperOf(char32_t c)
{
    if (c >= 0x1EA0 && c <= 0x1EF9) return c & ~char32_t{1};
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
    switch (c) {
    case 0x0103: case 0x0111: case 0x0129: case 0x0169: case 0x01A1: case 0x01B0: return c - 1;
    default: return c;
    }
}

struct Tables {
    std::array<char16_t, 256> toUni{};
    // (code point, byte) sorted by code point: every letter above ASCII, capital toned vowels included.
    std::array<std::pair<char16_t, unsigned char>, 160> fromUni{};
    std::size_t fromCount = 0;

    Tables()
    {
        for (int b = 0; b < 256; ++b) toUni[b] = b < 0x80 ? char16_t(b) : char16_t(0xFFFD);
        toUni[0xA0] = 0x00A0;
        constexpr char16_t capitals[7] = {0x0102, 0x00C2, 0x00CA, 0x00D4, 0x01A0, 0x01AF, 0x0110};
        constexpr char16_t smalls[7] = {0x0103, 0x00E2, 0x00EA, 0x00F4, 0x01A1, 0x01B0, 0x0111};
        for (int k = 0; k < 7; ++k) {
            toUni[0xA1 + k] = capitals[k];
            toUni[0xA8 + k] = smalls[k];
        }
        for (std::size_t r = 0; r < 12; ++r)
            for (std::size_t t = 0; t < 6; ++t) toUni[kVowelBytes[r][t]] = kVowelUnicode[r][t];

        auto add = [this](char32_t cp, unsigned char b) {
            if (cp < 0x80) return;
            for (std::size_t k = 0; k < fromCount; ++k)
                if (fromUni[k].first == cp) return;
            fromUni[fromCount++] = {char16_t(cp), b};
        };
        for (int b = 0x80; b < 256; ++b)
            if (toUni[b] != 0xFFFD) add(toUni[b], static_cast<unsigned char>(b));
        // Capital toned vowels share the code of their small letter.
        for (std::size_t r = 0; r < 12; ++r)
            for (std::size_t t = 1; t < 6; ++t) add(upperOf(kVowelUnicode[r][t]), kVowelBytes[r][t]);
        std::sort(fromUni.begin(), fromUni.begin() + fromCount);
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

// Where a precomposed vowel sits: row, tone and whether it is a capital.
struct VowelPlace {
    int row = -1, tone = 0;
    bool upper = false;
};

VowelPlace placeOf(char32_t c)
{
    for (int r = 0; r < 12; ++r)
        for (int t = 0; t < 6; ++t) {
            const char32_t small = kVowelUnicode[r][t];
            if (c == small) return {r, t, false};
            if (c == upperOf(small)) return {r, t, true};
        }
    return {};
}

int toneOfMark(char32_t m)
{
    switch (m) {
    case 0x0300: return 1;
    case 0x0301: return 2;
    case 0x0309: return 3;
    case 0x0303: return 4;
    case 0x0323: return 5;
    default: return -1;
    }
}

// Row reached by putting a shape mark (breve, circumflex, horn) on a vowel row; -1 if none.
int shapedRow(int row, char32_t mark)
{
    switch (mark) {
    case 0x0306: return row == A ? AW : -1;
    case 0x0302: return row == A ? AA : row == E ? EE : row == O ? OO : -1;
    case 0x031B: return row == O ? OW : row == U ? UW : -1;
    default: return -1;
    }
}

bool isCombining(char32_t c) { return c >= 0x0300 && c <= 0x036F; }

}  // namespace

char16_t toUnicode(unsigned char byte) { return tables().toUni[byte]; }

bool isAssigned(unsigned char byte) { return tables().toUni[byte] != 0xFFFD; }

int fromUnicode(char32_t cp)
{
    if (cp < 0x80) return static_cast<int>(cp);
    const Tables& t = tables();
    const auto* begin = t.fromUni.data();
    const auto* end = begin + t.fromCount;
    const auto* it = std::lower_bound(begin, end, cp,
                                      [](const auto& entry, char32_t v) { return entry.first < v; });
    return (it != end && it->first == cp) ? it->second : -1;
}

std::u16string decode(std::string_view bytes)
{
    std::u16string out;
    out.resize(bytes.size());
    const auto& table = tables().toUni;
    for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = table[static_cast<unsigned char>(bytes[i])];
    return out;
}

Encoded encode(std::u16string_view text)
{
    Encoded result;
    result.bytes.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const char16_t c = text[i];
        if (c < 0x80 && (i + 1 == text.size() || !isCombining(text[i + 1]))) {
            result.bytes.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        if (isCombining(c)) {  // a mark with no letter before it
            result.badIndex = i;
            return result;
        }
        std::size_t next = i + 1;
        char32_t cp = c;
        if (next < text.size() && isCombining(text[next])) {
            // Decomposed input: apply the marks to the base vowel, then look the letter up.
            VowelPlace place = placeOf(cp);
            while (next < text.size() && isCombining(text[next])) {
                const char32_t mark = text[next];
                const int tone = toneOfMark(mark);
                if (place.row < 0) {
                    result.badIndex = next;
                    return result;
                }
                if (tone > 0) {
                    if (place.tone != 0) {
                        result.badIndex = next;
                        return result;
                    }
                    place.tone = tone;
                } else {
                    const int row = shapedRow(place.row, mark);
                    if (row < 0) {
                        result.badIndex = next;
                        return result;
                    }
                    place.row = row;
                }
                ++next;
            }
            const char32_t small = kVowelUnicode[place.row][place.tone];
            cp = place.upper ? upperOf(small) : small;
        }
        const int b = fromUnicode(cp);
        if (b < 0) {
            result.badIndex = i;
            return result;
        }
        result.bytes.push_back(static_cast<char>(b));
        i = next;
    }
    return result;
}

std::string decodeToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    const auto& table = tables().toUni;
    for (const char ch : bytes) {
        const char16_t c = table[static_cast<unsigned char>(ch)];
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

Encoded encodeUtf8(std::string_view utf8)
{
    std::u16string wide;
    wide.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        char32_t cp = 0xFFFD;
        std::size_t len = 1;
        if (b < 0x80) {
            cp = b;
        } else if ((b >> 5) == 6 && i + 1 < utf8.size()) {
            cp = ((b & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
            len = 2;
        } else if ((b >> 4) == 14 && i + 2 < utf8.size()) {
            cp = ((b & 0x0Fu) << 12) | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6) |
                 (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
            len = 3;
        } else if ((b >> 3) == 30 && i + 3 < utf8.size()) {
            len = 4;  // outside the BMP: TCVN3 holds nothing there
        }
        wide.push_back(cp > 0xFFFF ? char16_t(0xFFFD) : char16_t(cp));
        i += len;
    }
    return encode(wide);
}

char16_t withoutMarks(char16_t c)
{
    if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    // Each row: the base letter, then every letter built on it, both cases, all five tones.
    static const std::u16string_view rows[] = {
        u"aàáảãạăằắẳẵặâầấẩẫậAÀÁẢÃẠĂẰẮẲẴẶÂẦẤẨẪẬ",
        u"eèéẻẽẹêềếểễệEÈÉẺẼẸÊỀẾỂỄỆ",
        u"iìíỉĩịIÌÍỈĨỊ",
        u"oòóỏõọôồốổỗộơờớởỡợOÒÓỎÕỌÔỒỐỔỖỘƠỜỚỞỠỢ",
        u"uùúủũụưừứửữựUÙÚỦŨỤƯỪỨỬỮỰ",
        u"yỳýỷỹỵYỲÝỶỸỴ",
        u"dđĐ",
    };
    for (const std::u16string_view row : rows)
        if (row.find(c) != std::u16string_view::npos) return row.front();
    return c;
}

const unsigned char* withoutMarksTable()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int i = 0; i < 256; ++i) {
            const auto byte = static_cast<unsigned char>(i);
            const int folded = isAssigned(byte) ? fromUnicode(withoutMarks(toUnicode(byte))) : -1;
            t[static_cast<std::size_t>(i)] = folded < 0 ? byte : static_cast<unsigned char>(folded);
        }
        return t;
    }();
    return table.data();
}

unsigned char withoutMarksByte(unsigned char b) { return withoutMarksTable()[b]; }

}  // namespace tcvn3
