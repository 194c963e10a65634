// TCVN3 (VN3) <-> Unicode.
//
// TCVN3 is the one-byte Vietnamese code in which the data files and the keyboard store text:
// ASCII below 0x80, plus 75 letters and the no-break space above it. Capital vowels carrying a
// tone have no code of their own; they are written with the lower-case code, as the users'
// capital fonts expect. Decoding always yields precomposed (NFC) text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tcvn3 {

// The code point that a TCVN3 byte means; U+FFFD for a byte that TCVN3 leaves unassigned.
char16_t toUnicode(unsigned char byte);

// True for a byte that TCVN3 assigns (every ASCII byte and the 75 letters above 0x7F).
bool isAssigned(unsigned char byte);

// The TCVN3 byte for one code point, or -1 when TCVN3 cannot hold it. Capital toned vowels
// give their lower-case code.
int fromUnicode(char32_t codePoint);

std::u16string decode(std::string_view bytes);

struct Encoded {
    std::string bytes;
    // Index (in UTF-16 units of the input) of the first character TCVN3 cannot hold, or npos.
    std::size_t badIndex = std::u16string_view::npos;
    bool ok() const { return badIndex == std::u16string_view::npos; }
};

// Encodes UTF-16 text. A base letter followed by combining marks (decomposed input) is composed
// first. Encoding stops at the first character that cannot be held and reports where it is.
Encoded encode(std::u16string_view text);

// UTF-8 conveniences for code that does not hold UTF-16 text.
std::string decodeToUtf8(std::string_view bytes);
Encoded encodeUtf8(std::string_view utf8);  // badIndex counts UTF-16 units, as encode() does

// Case folding on TCVN3 bytes: A-Z to a-z and the capitals Ă Â Ê Ô Ơ Ư Đ to their small letters.
// Toned vowels have only one code, so they already compare equal in both cases.
inline unsigned char foldByte(unsigned char b)
{
    if (b >= 'A' && b <= 'Z') return static_cast<unsigned char>(b + 32);
    if (b >= 0xA1 && b <= 0xA7) return static_cast<unsigned char>(b + 7);
    return b;
}

// The letter searched for when marks are not told apart: a Vietnamese letter in either case
// (precomposed) becomes its small base letter, "đ" and "Đ" become "d", A-Z become a-z; any other
// character is itself.
char16_t withoutMarks(char16_t c);

// The same rule on TCVN3 bytes: the byte of the letter withoutMarks() gives for the byte's letter.
unsigned char withoutMarksByte(unsigned char b);
// withoutMarksByte() as a table of 256 bytes, for loops over many texts.
const unsigned char* withoutMarksTable();

}  // namespace tcvn3
