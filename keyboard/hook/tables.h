// The keyboard's constant tables, in TCVN3.
#pragma once

#include <array>

namespace kesmir {

// 12 vowel rows (a ă o e â ô ơ ư u i y ê) of 6 forms: no tone, grave, acute, hook, tilde, dot.
extern const unsigned char (&TonedVowels)[72];
// For each TCVN3 byte its position in TonedVowels, 255 for every other byte.
extern const std::array<unsigned char, 256> VowelIndex;

extern const char TelexToneKeys[7];  // "ZFSRXJ"
extern const char VniToneKeys[7];    // "Z21345"
extern const char FinalConsonants[8];  // "CGHMNPT"

struct ShapePair {
    unsigned char plain, shaped;
};
struct DoubleLetter {
    unsigned char key, lower, upper;
};
extern const DoubleLetter DoubleLetters[4];  // D A E O
extern const ShapePair WTable[6];            // O U A o u a -> Ơ Ư Ă ơ ư ă
extern const ShapePair RoofTable[6];         // VNI 6
extern const ShapePair BreveTable[4];        // VNI 8
extern const ShapePair BarTable[2];          // VNI 9

// The capital of a plain vowel (a e i o u y, đ â ê ô, ơ ư ă); the byte itself for others.
unsigned char CapitalOf(unsigned char plain);
// The small letter of Â Ê Ô Ơ Ư Ă; the byte itself for others.
unsigned char SmallOf(unsigned char capital);

extern const unsigned char NavigationKeys[8];
extern const unsigned char TransformationKeys[13];
extern const unsigned char WordEndKeys[11];
bool InList(const unsigned char* list, int count, int key);

}  // namespace kesmir
