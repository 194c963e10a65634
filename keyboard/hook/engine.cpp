// The composition engine: keyboard hook, shape and tone steps, deliveries, message hook,
// context read and rebuild, settings, AutoText expansion.
#include "kesmir.h"

#include "tables.h"

#include <cstring>

namespace kesmir {
namespace {

// ---- Per-process state ---------------------------------------------------------------------

Platform* P = nullptr;

// The window (input context) the current call is about; the process's own unless a platform
// selects another.
WindowState ProcessWindow;
WindowState* W = &ProcessWindow;

// Shared by every window: the settings are loaded once for all of them, and a reload signal seen
// in one window reloads them at the next key event of any.
int ReloadPending = 0, SettingsLoaded = 0;

// Settings copy.
int Mode = 1, VniStyle = 0, Old = 0, FastCorrect = 0, FlagChuan = 0, NumLai = 3, AutoTextOn = 0;
// Telex "uo" + w made "uơ"; with this on, the u takes its horn too when the syllable goes on.
int AutoUo = 0;
Hwnd MainWindow = 0;
unsigned char AutoText[kAutoTextRecords][kAutoTextRecordSize];
int AutoCount = 0;
unsigned char ReservedOption15 = 0, ReservedOption16 = 0;

constexpr std::intptr_t kErase1 = 0x000E0001, kErase2 = static_cast<std::intptr_t>(0xC00E0001u);
constexpr std::intptr_t kMarker = static_cast<std::intptr_t>(0xC0380011u);
constexpr std::intptr_t kReload = static_cast<std::intptr_t>(0xC0380001u);
constexpr std::intptr_t kCopyMarker = 0x06000001, kEndMarker = 0x07000001;
constexpr int VK_BACK = 0x08, VK_TAB = 0x09, VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_PAUSE = 0x13,
              VK_CAPITAL = 0x14, VK_LEFT = 0x25, VK_RIGHT = 0x27, VK_INSERT = 0x2D, VK_SPACE = 0x20;

void ResetWord()
{
    W->Length = 1;
    W->Text[0] = 0;
    W->Keys[0] = 0;
    W->Undone = 0;
    W->WordStartPos = 1;
    W->ContextTrigger = 0;
}

void Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) { P->PostMessage(W->Focus, message, wParam, lParam); }

void PostErase(int count)
{
    for (int k = 0; k < count; ++k) {
        Post(WM_KEYDOWN, VK_BACK, kErase1);
        Post(WM_KEYUP, VK_BACK, kErase2);
    }
}

void PostMarker() { Post(WM_KEYUP, VK_PAUSE, kMarker); }

void Beep() { P->MessageBeep(); }

int ReadSetting(const char* key, int fallback)
{
    char value[25];
    P->GetProfileString("Tonvoro config", key, "", value, sizeof value, "tonvoro.ini");
    return ParseSetting(value, fallback);
}

void LoadAutoText()
{
    char keys[640];
    std::memset(keys, 0, sizeof keys);
    P->GetProfileString("AutoText", nullptr, "", keys, sizeof keys, "TRAUTO.INI");
    AutoCount = 0;
    for (const char* k = keys; *k && k < keys + sizeof keys && AutoCount < kAutoTextRecords; k += std::strlen(k) + 1) {
        const std::size_t length = std::strlen(k);
        if (length > 8) continue;
        unsigned char* record = AutoText[AutoCount];
        std::memset(record, 0, kAutoTextRecordSize);
        std::memcpy(record, k, length);
        P->GetProfileString("AutoText", k, "", reinterpret_cast<char*>(record + 9), 120, "TRAUTO.INI");
        ++AutoCount;
    }
}

void LoadSettings()
{
    Mode = ReadSetting("flagvnkey", 1) == -2 ? -2 : 1;
    VniStyle = ReadSetting("VNIStyle", 0) == 1 ? 1 : 0;
    Old = ReadSetting("Old", 0) == -1 ? -1 : 0;
    FastCorrect = ReadSetting("FastCorrect", 0) == -1 ? -1 : 0;
    AutoUo = ReadSetting("AutoUo", 0) == -1 ? -1 : 0;
    FlagChuan = ReadSetting("flagchuan", 0) == 1 ? 1 : 0;
    NumLai = ReadSetting("NUMLAI", 3) == 1 ? 1 : 3;
    AutoTextOn = ReadSetting("_flAutoText", 0) == -1 ? -1 : 0;
    if (AutoTextOn) LoadAutoText();
    SettingsLoaded = -1;
}

// Makes room for one more character. When the buffer is full the words before the one being
// typed are done with: the word moves to the start (position 0 stays empty, as before a first
// word), so that a line of any length types as its words do one by one. Returns how far the word
// moved back, for positions the caller holds.
int MakeRoom()
{
    if (W->Length <= 119) return 0;
    int from = W->Length;
    while (from > 1 && W->Keys[from - 1] != VK_SPACE && W->Length - from < 40) --from;
    const int shift = from - 1;
    const int count = W->Length - from;
    std::memmove(W->Text + 1, W->Text + from, static_cast<std::size_t>(count));
    std::memmove(W->Keys + 1, W->Keys + from, static_cast<std::size_t>(count));
    W->Text[0] = W->Keys[0] = 0;
    W->Length = count + 1;
    for (int* at : {&W->WordStartPos, &W->EmitFrom, &W->EmitEnd}) *at = *at - shift < 1 ? 1 : *at - shift;
    return shift;
}

// Appends a character and its key to the word.
void AppendToWord(unsigned char text, unsigned char key)
{
    MakeRoom();
    W->Text[W->Length] = text;
    W->Keys[W->Length] = key;
    ++W->Length;
}

// ---- Deliveries ----------------------------------------------------------------------------

void ReplaceLast(unsigned char c)
{
    if (!W->ContextMode) {
        PostErase(1);
        PostMarker();
        W->SinglePending = -1;
        W->PendingChar = c;
    }
    W->Text[W->Length - 1] = c;
    W->Keys[W->Length - 1] = c;
}

void AppendChar(unsigned char c)
{
    if (!W->ContextMode) Post(WM_CHAR, c, 0x00FC0001);
    AppendToWord(c, c);
}

// Takes a shape back: the plain vowel, then the typed key's character behind it.
void Undo(unsigned char plain, unsigned char typed, unsigned char keyLetter)
{
    W->Text[W->Length - 1] = plain;
    W->Keys[W->Length - 1] = plain;
    W->EmitFrom = W->Length - 1;
    MakeRoom();
    W->Text[W->Length] = typed;
    W->Keys[W->Length] = keyLetter;
    ++W->Length;
    W->EraseCount = 1;
}

// ---- Shape steps ---------------------------------------------------------------------------

// The keys that carry a syllable on after "ươ": the vowels i, u, y and the final consonants.
bool GoesOn(int key)
{
    return key == 'I' || key == 'U' || key == 'Y' || key == 'C' || key == 'M' || key == 'N' || key == 'P' || key == 'T';
}

// The vowel at `at` takes its horn, and the key's character follows: both are typed again from
// there (the shape step's result 5).
int HornAndType(int at, unsigned char horned, int key, unsigned char recorded)
{
    W->Text[at] = W->Keys[at] = horned;
    W->EmitFrom = at;
    W->EraseCount = W->Length - at;
    AppendToWord(recorded, static_cast<unsigned char>(key));
    return 5;
}

int TelexShape(int key, unsigned char recorded)
{
    for (const DoubleLetter& d : DoubleLetters) {
        if (key != d.key) continue;
        if (W->PrevKey == key) {
            ReplaceLast(W->CaseFlag ? d.upper : d.lower);
            return 1;
        }
        if (W->PrevChar == d.lower || W->PrevChar == d.upper) {
            const unsigned char plain = static_cast<unsigned char>(W->CaseFlag ? d.key : d.key + 0x20);
            Undo(plain, recorded, d.key);
            if (d.key != 'O') W->Undone = -1;
            return 5;
        }
    }
    if (key == 'W') {
        const unsigned char w = W->CaseFlag ? 'W' : 'w';
        // After Q, and after the U of "qu", a W is no ư: Vietnamese has no "qư".
        const bool afterQ = W->PrevKey == 'Q' ||
                            ((W->PrevChar == 'u' || W->PrevChar == 'U') && W->Length >= 3 && W->Keys[W->Length - 2] == 'Q');
        if (afterQ) return 0;
        for (const ShapePair& s : WTable)
            if (W->PrevChar == s.plain) {
                ReplaceLast(s.shaped);
                // A ư made from u keeps the U key, so that a second W gives the u back rather than
                // taking it for the ư of a lone W. Tone placement reads U in front of ơ as it reads ư.
                if (s.plain == 'u' || s.plain == 'U') W->Keys[W->Length - 1] = 'U';
                return 1;
            }
        if ((W->PrevChar == 0xAD || W->PrevChar == 0xA6) && W->PrevKey != 'U') {
            ReplaceLast(w);
            W->Undone = -1;
            return 1;
        }
        for (const ShapePair& s : WTable)
            if (W->PrevChar == s.shaped) {
                Undo(s.plain, w, 'W');
                W->Undone = -1;
                return 5;
            }
        AppendChar(W->CaseFlag ? 0xA6 : 0xAD);
        return 11;
    }
    if (key == 0xDD || key == 0xDB) {
        const bool horn = key == 0xDD;
        const unsigned char lower = horn ? 0xAD : 0xAC, upper = horn ? 0xA6 : 0xA5;
        if (W->PrevChar == lower || W->PrevChar == upper) {
            ReplaceLast(horn ? (W->CaseFlag ? '}' : ']') : (W->CaseFlag ? '{' : '['));
        } else {
            AppendChar(W->CaseFlag ? upper : lower);
        }
        return 1;
    }
    // "ưo" goes on only as "ươ" (ươi, ươu, ươc, ươm, ươn, ươp, ươt): the o takes its horn when
    // the syllable goes on. With "ươ tự động", a "uơ" that goes on is "ươ" too (thường, ưới); at
    // the end of a syllable it stays "uơ" (thuở, huơ), and after Q it is the "quơ" of the consonant.
    if (GoesOn(key) && W->Length >= 3) {
        const unsigned char first = W->Text[W->Length - 2], second = W->Text[W->Length - 1];
        const bool uHorn = first == 0xAD || first == 0xA6, oHorn = second == 0xAC || second == 0xA5;
        const bool afterQ = W->Length >= 4 && W->Keys[W->Length - 3] == 'Q';
        if (uHorn && (second == 'o' || second == 'O')) return HornAndType(W->Length - 1, second == 'o' ? 0xAC : 0xA5, key, recorded);
        if (AutoUo && oHorn && !afterQ && (first == 'u' || first == 'U'))
            return HornAndType(W->Length - 2, first == 'u' ? 0xAD : 0xA6, key, recorded);
    }
    W->TonePending = 0;
    if (W->ShiftHeld) return 0;
    for (int t = 0; t < 6; ++t)
        if (key == TelexToneKeys[t]) {
            W->TonePending = -1;
            W->ToneNumber = t;
            return 2;
        }
    return 0;
}

int VniShape(int key, unsigned char recorded)
{
    const ShapePair* table = nullptr;
    int count = 0;
    switch (key) {
    case '7': table = WTable; count = 6; break;
    case '6': table = RoofTable; count = 6; break;
    case '8': table = BreveTable; count = 4; break;
    case '9': table = BarTable; count = 2; break;
    default: break;
    }
    if (table && W->PrevChar != 0) {
        for (int k = 0; k < count; ++k)
            if (W->PrevChar == table[k].plain) {
                ReplaceLast(table[k].shaped);
                return 1;
            }
        for (int k = 0; k < count; ++k)
            if (W->PrevChar == table[k].shaped) {
                Undo(table[k].plain, recorded, static_cast<unsigned char>(key));
                return 5;
            }
    }
    W->TonePending = 0;
    for (int t = 0; t < 6; ++t)
        if (key == VniToneKeys[t]) {
            W->TonePending = -1;
            W->ToneNumber = t;
            return 2;
        }
    return 0;
}

int Shape(int key, unsigned char recorded) { return VniStyle ? VniShape(key, recorded) : TelexShape(key, recorded); }

// ---- Tone placement ------------------------------------------------------------------------

int VowelOf(unsigned char c)
{
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 0x20);
    return VowelIndex[c];
}

bool IsFinal(unsigned char key)
{
    for (int k = 0; FinalConsonants[k]; ++k)
        if (key == static_cast<unsigned char>(FinalConsonants[k])) return true;
    return false;
}

int PlaceTone(int key, unsigned char recorded)
{
    const int tone = W->ToneNumber;
    int p = W->Length - 1;
    int skipped = 0;
    while (p >= 1 && IsFinal(W->Keys[p])) {
        --p;
        ++skipped;
    }
    if (p < 1) p = -1;
    if (skipped >= 3) return 3;
    const bool hasFinal = p != W->Length - 1;
    int found[5] = {0, 0, 0, 0, 0};
    int vowels = 0;
    while (p >= 0) {
        unsigned char c = W->Text[p];
        const unsigned char small = SmallOf(c);
        if (small != c) W->Text[p] = c = small;
        const int index = VowelOf(c);
        if (index == 255) break;
        if (vowels < 5) found[vowels] = index;
        ++vowels;
        --p;
    }
    if (vowels == 0) return 3;
    const int g = found[0] / 6;
    const unsigned char f = W->Keys[p + 1];
    int k = 1;
    if (vowels == 2) {
        const unsigned char before = p >= 0 ? W->Keys[p] : 0;
        if (((f == 0xAD || f == 0xA6) && g == 6) || (f == 'O' && (g == 0 || g == 1 || g == 2 || g == 3 || g == 4)) ||
            (f == 'U' && (g == 4 || g == 10 || g == 5 || g == 11 || g == 6)) || (f == 'Y' && g == 11) ||
            (f == 'I' && (before == 'G' || g == 11)) || (f == 'U' && before == 'Q') || ((f == 'U' || f == 'I') && hasFinal) ||
            (f == 'o' && g == 2))
            k = 2;
        // After Q the U belongs to the consonant: quý, quỳ in either style.
        if (Old && !hasFinal && ((f == 'O' && (g == 0 || g == 3)) || (f == 'U' && g == 10 && before != 'Q'))) k = 1;
    } else if (vowels == 3) {
        k = (g == 11 || g == 5) ? 3 : 2;
    } else if (vowels > 3) {
        k = vowels;
    }
    int position = p + k;
    if (hasFinal && W->Length - position - 3 > 0) position += W->Length - position - 3;
    if (position < 0) position = 0;
    W->EraseCount = W->Length - position;
    const int v = VowelOf(W->Text[position]);
    if (v == 255) return 3;
    const unsigned char plain = TonedVowels[v - v % 6];
    unsigned char c = TonedVowels[v - v % 6 + tone];
    if (c == W->Text[position]) {
        W->Undone = -1;
        c = (W->CapsLock & 1) ? CapitalOf(plain) : plain;
        position -= MakeRoom();
        W->Text[W->Length] = recorded;
        W->Keys[W->Length] = static_cast<unsigned char>(key);
        ++W->Length;
    }
    W->Text[position] = c;
    W->Keys[position] = c;
    W->EmitFrom = position;
    return 0;
}

// ---- AutoText ------------------------------------------------------------------------------

bool ExpandAutoText()
{
    const int length = W->Length - W->WordStartPos;
    if (length <= 0) return false;
    for (int r = 0; r < AutoCount; ++r) {
        const unsigned char* record = AutoText[r];
        if (static_cast<int>(std::strlen(reinterpret_cast<const char*>(record))) != length) continue;
        if (std::memcmp(record, W->Text + W->WordStartPos, static_cast<std::size_t>(length)) != 0) continue;
        PostErase(length);
        const unsigned char* replacement = record + 9;
        int n = 0;
        while (n < 119 && replacement[n]) {
            W->Text[1 + n] = replacement[n];
            W->Keys[1 + n] = replacement[n];
            ++n;
        }
        W->Length = n + 1;
        W->EmitFrom = 1;
        W->EmitEnd = W->Length;
        W->EndOfGeneration = 0;
        W->AfterExpansion = -1;
        W->EmitMode = 2;
        PostMarker();
        return true;
    }
    return false;
}

// ---- Plain typing --------------------------------------------------------------------------

long PlainTyping(int key, std::uintptr_t wParam, std::intptr_t lParam, unsigned char recorded)
{
    if (key == VK_SPACE && W->Length > W->WordStartPos) {
        const bool expanded = AutoTextOn && ExpandAutoText();
        if (!expanded && W->ContextTrigger) {
            W->ContextTrigger = 0;
            W->WordStartPos = W->Length;
        }
    }
    if (key == VK_BACK) {
        if (W->Length > 1) --W->Length;
        W->LastKey = VK_BACK;
        Post(WM_KEYDOWN, wParam, lParam);
        return 1;
    }
    // The number pad's keys go into the key buffer as the characters they type: their key codes
    // are those of small letters.
    const bool pad = key >= 0x60 && key <= 0x6F;
    AppendToWord(recorded, pad ? recorded : static_cast<unsigned char>(key));
    W->LastKey = key;
    if (key == VK_SPACE) {
        W->WordStartPos = W->Length;
        W->Undone = 0;
        Post(WM_KEYDOWN, wParam, lParam);
        return 1;
    }
    if ((FastCorrect && InList(WordEndKeys, 11, key)) || key < 0x30 || (!FastCorrect && key > 0x7A) || recorded == 0) {
        ResetWord();
        return 0;
    }
    Post(WM_KEYDOWN, wParam, lParam);
    return 1;
}

// ---- Context read and rebuild --------------------------------------------------------------

void SetKeyState(int key, unsigned char value, bool include)
{
    unsigned char state[256];
    P->GetKeyboardState(state);
    state[key] = include ? static_cast<unsigned char>(state[key] | value) : value;
    P->SetKeyboardState(state);
}

void ContextRead()
{
    SetKeyState(VK_SHIFT, 0x81, true);
    Post(WM_KEYDOWN, VK_CONTROL, 0x001D0001);
    for (int k = 0; k < NumLai; ++k) Post(WM_KEYDOWN, VK_LEFT, 0x014B0001);
    Post(WM_KEYDOWN, VK_BACK, kCopyMarker);
    if (!P->PostMessage(W->Focus, WM_KEYDOWN, VK_INSERT, 0x01520001)) W->SelectFailed = -1;
    W->ContextMode = -1;
}

// Rebuilds the word from the copied text and applies the key that started the read. The selection
// is then shrunk from its left end to the part that changes, and the end marker types the new text
// over it; a key that changes nothing is typed there once, after the unchanged word.
void ContextRebuild()
{
    std::memset(W->ContextText, 0, sizeof W->ContextText);
    const int got = P->GetClipboardText(W->ContextText, sizeof W->ContextText);
    SetKeyState(VK_CONTROL, 1, false);
    const int n = got < 0 ? 0 : got;
    W->Length = NumLai + 1;
    W->EmitFrom = NumLai;
    if (NumLai > n) {  // the caret was nearer the start than the look-back count: n characters
        W->Length = n + 1;
        W->EmitFrom = n > 0 ? n : 1;
    }
    int offset = 0;
    auto put = [](int at, unsigned char c) {
        W->Text[at] = c;
        W->Keys[at] = (c >= 0x61 && c <= 0x7D) ? static_cast<unsigned char>(c - 0x20) : c;
    };
    const auto* t = reinterpret_cast<const unsigned char*>(W->ContextText);
    // The rows for 2, 5 and 7 characters are selections that took in line breaks; other short
    // selections are words near the start of the text.
    const auto size = static_cast<std::size_t>(n);
    const bool lineBreak = std::memchr(t, '\r', size) || std::memchr(t, '\n', size);
    bool empty = false;
    if (n == 6 && t[0] == '\r' && t[2] != '\r') {
        put(1, t[2]);
        put(2, t[3]);
        W->Length = 3;
        offset = 1;
    } else if (n == 6 && t[0] == '\r' && t[2] == '\r') {
        W->Length = 1;
        offset = 3;
        empty = true;
    } else if (n == 6 && t[1] == '\r') {
        put(1, t[3]);
        W->Length = 2;
        W->EmitFrom = 1;
        offset = 2;
    } else if (n == 7 && lineBreak) {
        put(1, t[4]);
        W->Length = 2;
        W->EmitFrom = 1;
        offset = 2;
    } else if ((n == 2 || n == 5) && lineBreak) {
        W->Length = 1;
        offset = 3;
        empty = true;
    } else {
        const int count = n < 79 ? n : 79;
        for (int k = 0; k < count && k < 119; ++k) put(k + 1, t[k]);
        if (W->Length > count + 1) W->Length = count + 1;
    }
    if (empty) {
        W->Text[0] = W->Keys[0] = 0;
        W->LastKey = 0;
    }
    W->PrevKey = W->Length > 1 ? W->Keys[W->Length - 1] : 0;
    W->PrevChar = W->Length > 1 ? W->Text[W->Length - 1] : 0;
    const int key = W->ContextKey;
    const unsigned char recorded = W->ContextKeyChar;
    const int oldLength = W->Length;
    const int result = Shape(key, recorded);
    if (result == 11) {
        W->EmitFrom = W->Length - 1;
    } else if (result == 0 || (result == 2 && PlaceTone(key, recorded) == 3)) {
        // No shape and no place for a tone: the key follows the word as typed, and only it is
        // emitted, so the end marker types it once.
        AppendToWord(recorded, static_cast<unsigned char>(key));
        W->EmitFrom = oldLength;
    }
    W->ContextMode = 0;
    W->WordStartPos = W->Length;
    SetKeyState(VK_SHIFT, 0x81, true);
    Post(WM_KEYUP, VK_MENU, kReload);
    // The selection ends at the caret: n steps right bring it back there, more would select (and
    // the end marker then overwrite) the text after the caret.
    int rights = W->EmitFrom + offset - 1;
    if (rights > n) rights = n;
    for (int k = 0; k < rights; ++k) Post(WM_KEYDOWN, VK_RIGHT, 0x014D0001);
    Post(WM_KEYDOWN, VK_TAB, kEndMarker);
}

// The character a key types: letters in the case the case flag gives, punctuation keys as the
// characters on them (a bracket key is recorded as "[" or "{", never as its key code, so that a
// word re-emitted after a correction types what the user typed), the number pad's keys as their
// digits and operators. 0 for the keys from 0x5B up that type nothing known here (Windows and
// Apps keys, F-keys, media keys, ...): their codes would read as letters or toned vowels.
unsigned char CharOfKey(int key)
{
    if (key >= 'A' && key <= 'Z') return static_cast<unsigned char>(W->CaseFlag ? key : key + 0x20);
    if (key >= 0x60 && key <= 0x6F && key != 0x6C) return static_cast<unsigned char>("0123456789*+ -./"[key - 0x60]);
    static const struct {
        unsigned char key;
        char plain, shifted;
    } punctuation[] = {{0xDB, '[', '{'}, {0xDD, ']', '}'}, {0xBC, ',', '<'}, {0xBE, '.', '>'}, {0xBF, '/', '?'}, {0xBA, ';', ':'},
                       {0xDE, '\'', '"'}, {0xBD, '-', '_'}, {0xBB, '=', '+'}, {0xC0, '`', '~'}, {0xDC, '\\', '|'}};
    for (const auto& p : punctuation)
        if (p.key == key) return static_cast<unsigned char>(W->ShiftHeld ? p.shifted : p.plain);
    return key >= 0x5B ? 0 : static_cast<unsigned char>(key);
}

bool ClassStartsWithExcel()
{
    char head[7];
    for (int k = 0; k < 6; ++k) {
        char c = W->ClassName[k];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
        head[k] = c;
    }
    head[6] = 0;
    return std::strcmp(head, "EXCEL5") == 0 || std::strcmp(head, "EXCEL9") == 0;
}

// ---- The keyboard hook ---------------------------------------------------------------------

long KeyHook(int code, std::uintptr_t wParam, std::intptr_t lParam)
{
    W->CapsLock = P->GetKeyState(VK_CAPITAL) & 1;
    if (ReloadPending) {
        LoadSettings();
        ReloadPending = 0;
    }
    if (lParam == kReload || static_cast<std::intptr_t>(wParam) == kReload) ReloadPending = -1;
    if (code < 0) return 0;
    const int key = static_cast<int>(wParam & 0xFF);
    if (static_cast<std::uint32_t>(lParam) & 0x80000000u) {  // key-up
        if (key == VK_SHIFT) W->ShiftHeld = 0;
        if (W->AfterExpansion) {
            W->AfterExpansion = 0;
            Post(WM_KEYDOWN, VK_MENU, kReload);
            Post(WM_KEYDOWN, VK_MENU, kReload);
        }
        if (W->ContextMode) ContextRebuild();
        return 0;
    }
    if (W->SelectFailed) {
        SetKeyState(VK_CONTROL, 1, false);
        W->SelectFailed = 0;
        Beep();
        Post(WM_KEYDOWN, VK_RIGHT, 0x014D0001);
        return 1;
    }
    unsigned char recorded = static_cast<unsigned char>(key);
    W->Focus = P->GetFocus();
    W->ClassName[0] = 0;
    P->GetClassName(W->Focus, W->ClassName, sizeof W->ClassName);
    if (!W->ClassName[0]) {
        ResetWord();
        return 0;
    }
    if ((static_cast<std::uint32_t>(lParam) & 0x20FF0001u) == 0x202C0001u) {  // Alt+Z
        Mode = ~Mode;
        Beep();
        P->WriteProfileString("Tonvoro config", "flagvnkey", Mode == 1 ? "1" : "-2", "tonvoro.ini");
        W->Length = 1;
        char window[25];
        P->GetProfileString("TR config", "hWndMain", "", window, sizeof window, "tr.ini");
        P->PostMessage(static_cast<Hwnd>(ParseSetting(window, 0)), WM_COMMAND, 3002, 0);
        return 1;
    }
    if (!SettingsLoaded) LoadSettings();
    if (Mode == -2 || (static_cast<std::uint32_t>(lParam) & 0x20000000u)) {
        ResetWord();
        return 0;
    }
    unsigned char state[256];
    P->GetKeyboardState(state);
    if (state[VK_CONTROL] > 1) {
        ResetWord();
        return 0;
    }
    if (key == VK_SHIFT) {
        W->ShiftHeld = 1;
        Post(WM_KEYDOWN, wParam, lParam);
        return 1;
    }
    W->CaseFlag = (W->CapsLock ^ W->ShiftHeld) & 1;
    recorded = CharOfKey(key);
    W->PrevKey = W->Length > 1 ? W->Keys[W->Length - 1] : 0;
    W->PrevChar = W->Length > 1 ? W->Text[W->Length - 1] : 0;
    if (!(key >= 'A' && key <= 'Z') && key != VK_SPACE) W->Undone = 0;  // any key but a letter, the number pad too

    bool transform = false;
    bool context = false;
    if (FastCorrect && W->MouseClicked && key == VK_BACK) {
        // After a click the buffer is not the text before the caret: it ends, and the Backspace
        // goes to the program. The click stays noted: the next key reads the word the caret is in.
        ResetWord();
        W->LastKey = VK_BACK;
        Post(WM_KEYDOWN, wParam, lParam);
        return 1;
    }
    if (FastCorrect) {
        if (W->MouseClicked) context = true;
        else if (W->LastKey == VK_BACK && W->Length > 1) transform = true;
        else if (InList(NavigationKeys, 8, W->LastKey)) context = true;
        else {
            W->MouseClicked = 0;
            transform = !W->Undone;
        }
    } else {
        if (W->MouseClicked) {
            // A click ends the word; the key is the first letter of the next one.
            W->MouseClicked = 0;
            ResetWord();
            W->PrevKey = W->PrevChar = 0;
        }
        transform = !W->Undone;
    }
    if (context) {
        W->MouseClicked = 0;
        if (ClassStartsWithExcel()) return PlainTyping(key, wParam, lParam, recorded);
        W->ContextReemitDone = 0;
        if (InList(TransformationKeys, 13, key)) {
            W->ContextKey = key;
            W->ContextKeyChar = recorded;
            ContextRead();
            W->PrevKey = 0;
            W->LastKey = 0;
            W->ContextTrigger = -1;
            return 1;
        }
        return PlainTyping(key, wParam, lParam, recorded);
    }
    if (!transform) return PlainTyping(key, wParam, lParam, recorded);
    const int result = Shape(key, recorded);
    if (result == 1 || result == 11) return 1;
    if (result == 5) {
        PostErase(W->EraseCount);
        PostMarker();
        W->EmitMode = 1;
        return 1;
    }
    if (W->TonePending) {
        if (PlaceTone(key, recorded) != 3) {
            PostErase(W->EraseCount);
            PostMarker();
            W->EmitMode = 1;
            return 1;
        }
    }
    return PlainTyping(key, wParam, lParam, recorded);
}

long MessageHook(int code, Msg* m)
{
    if (!m) return 0;
    if (m->lParam == kMarker) {
        if (W->EmitMode == 1 || W->EmitMode == 2) {
            const int end = W->EmitMode == 2 ? W->EmitEnd : W->Length;
            for (int k = W->EmitFrom; k < end; ++k)
                P->PostMessage(m->hwnd, WM_CHAR, W->Text[k], k == W->EmitFrom ? 0x00000001 : 0x00FC0001);
            if (W->EmitMode == 2) ResetWord();
            W->EmitMode = 0;
            return 1;
        }
        if (W->SinglePending) {
            P->PostMessage(m->hwnd, WM_CHAR, W->PendingChar, 0x00FC0001);
            W->SinglePending = 0;
            return 1;
        }
    }
    if (m->lParam == kCopyMarker) {
        unsigned char state[256];
        P->GetKeyboardState(state);
        state[VK_SHIFT] = 1;
        state[VK_CONTROL] = 0x81;
        P->SetKeyboardState(state);
        m->wParam = VK_SHIFT;
        return 1;
    }
    if (m->lParam == kEndMarker) {
        for (int attempt = 0; attempt < 8; ++attempt) {
            SetKeyState(VK_SHIFT, 1, false);
            SetKeyState(VK_CONTROL, 1, false);
            unsigned char state[256];
            P->GetKeyboardState(state);
            if (state[VK_SHIFT] == 1 && state[VK_CONTROL] == 1) break;
        }
        m->wParam = VK_SHIFT;
        if (!W->ContextReemitDone)
            for (int k = W->EmitFrom; k < W->Length; ++k) P->PostMessage(P->GetFocus(), WM_CHAR, W->Text[k], 0x00FC0001);
        W->ContextReemitDone = -1;
        return 1;
    }
    if (code >= 0) {
        if (m->message == WM_ACTIVATE) LoadSettings();
        if (m->message == WM_LBUTTONDOWN) {
            W->MouseClicked = -1;
            LoadSettings();
        }
    }
    return 0;
}

}  // namespace

// A decimal integer as the settings hold it: blanks, an optional sign, digits up to the first
// non-digit (empty text is 0). A number too large for an int is not a value at all: the caller
// takes the key's default rather than a wrapped-around number.
int ParseSetting(const char* s, int fallback)
{
    while (*s == ' ') ++s;
    const bool negative = *s == '-';
    if (*s == '-' || *s == '+') ++s;
    const long long limit = negative ? 2147483648LL : 2147483647LL;
    long long v = 0;
    while (*s >= '0' && *s <= '9') {
        v = v * 10 + (*s++ - '0');
        if (v > limit) return fallback;
    }
    return static_cast<int>(negative ? -v : v);
}

void SetPlatform(Platform* platform) { P = platform; }

void SelectWindowState(WindowState* state) { W = state ? state : &ProcessWindow; }

void ResetProcessState()
{
    *W = WindowState{};
    ReloadPending = SettingsLoaded = 0;
    Mode = 1;
    VniStyle = Old = FastCorrect = FlagChuan = AutoTextOn = 0;
    NumLai = 3;
    AutoCount = 0;
}

int WordLength() { return W->Length; }
const unsigned char* WordText() { return W->Text; }
int WordStart() { return W->WordStartPos; }

void ForgetWord()
{
    ResetWord();
    W->MouseClicked = 0;
    W->LastKey = W->PrevKey = W->PrevChar = 0;
}
int InputMode() { return Mode; }
int AutoTextCount() { return AutoCount; }

}  // namespace kesmir

using namespace kesmir;

extern "C" long GetKeyHook(int code, std::uintptr_t wParam, std::intptr_t lParam)
{
    return P ? KeyHook(code, wParam, lParam) : 0;
}

extern "C" long GetMessageHook(int code, std::uintptr_t, Msg* message) { return P ? MessageHook(code, message) : 0; }

extern "C" int NoticeEndOfGenerating()
{
    W->EndOfGeneration = -1;
    return 1;
}

extern "C" std::int32_t XulyHook(std::uint32_t command, std::intptr_t argument, void* pointer)
{
    if (!P) return 0;
    switch (command & 0xFFFF) {
    case 1:
        MainWindow = static_cast<Hwnd>(argument);
        if (!P->InstallHooks()) {
            P->RemoveHooks();
            return 0;
        }
        FlagChuan = 1;
        Beep();
        return 1;
    case 2:
        P->RemoveHooks();
        return 1;
    case 3:
        if (argument == 0) Mode = -2;
        else if (argument == 1) Mode = 1;
        Beep();
        return 1;
    case 4:
        if (argument == 0 || argument == 1) VniStyle = static_cast<int>(argument);
        return 1;
    case 5:
        if (argument == 0) FastCorrect = 0;
        else if (argument == 1) FastCorrect = -1;
        return 1;
    case 10:
        if (argument < 0 || argument >= kAutoTextRecords - 1 || !pointer) return 0;
        std::memcpy(AutoText[argument], pointer, kAutoTextRecordSize);
        AutoText[argument][8] = 0;
        AutoText[argument][kAutoTextRecordSize - 1] = 0;
        if (argument >= AutoCount) AutoCount = static_cast<int>(argument) + 1;
        return 1;
    case 11:
        if (!pointer) return 1;
        if (argument < 0 || argument >= kAutoTextRecords) std::memset(pointer, 0, kAutoTextRecordSize);
        else std::memcpy(pointer, AutoText[argument], kAutoTextRecordSize);
        return 1;
    case 14:
        AutoTextOn = static_cast<signed char>(argument & 0xFF);
        return 1;
    case 15:
        ReservedOption15 = static_cast<unsigned char>(argument);
        return 1;
    case 16:
        ReservedOption16 = static_cast<unsigned char>(argument);
        return 1;
    case 17:
    case 18:
        return 1;
    default:
        return 0;
    }
}
