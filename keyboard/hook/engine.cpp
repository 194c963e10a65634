// The composition engine: keyboard hook, shape and tone steps, deliveries, message hook,
// context read and rebuild, settings, AutoText expansion.
#include "kesmir.h"

#include "tables.h"

#include <cstring>

namespace kesmir {
namespace {

// ---- Per-process state ---------------------------------------------------------------------

Platform* P = nullptr;

unsigned char Text[128];
unsigned char Keys[128];
int Length = 1;
int WordStartPos = 1;
int EmitFrom = 0;
int EmitEnd = 0;  // an expansion emits its replacement only, not the space typed after it
int EraseCount = 0;
int PrevKey = 0, PrevChar = 0, LastKey = 0;
int Undone = 0, TonePending = 0, ToneNumber = 0, ShiftHeld = 0, CapsLock = 0, CaseFlag = 0;
int ContextTrigger = 0;

Hwnd Focus = 0;
char ClassName[81];
int EmitMode = 0;
int SinglePending = 0;
unsigned char PendingChar = 0;
int ContextMode = 0, ContextReemitDone = 0, SelectFailed = 0, MouseClicked = 0, ReloadPending = 0;
int SettingsLoaded = 0, AfterExpansion = 0, EndOfGeneration = 0;
int ContextKey = 0;           // the key that started the context read
unsigned char ContextKeyChar = 0;
char ContextText[80];

// Settings copy.
int Mode = 1, VniStyle = 0, Old = 0, FastCorrect = 0, FlagChuan = 0, NumLai = 3, AutoTextOn = 0;
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
    Length = 1;
    Text[0] = 0;
    Keys[0] = 0;
    Undone = 0;
    WordStartPos = 1;
    ContextTrigger = 0;
}

void Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) { P->PostMessage(Focus, message, wParam, lParam); }

void PostErase(int count)
{
    for (int k = 0; k < count; ++k) {
        Post(WM_KEYDOWN, VK_BACK, kErase1);
        Post(WM_KEYUP, VK_BACK, kErase2);
    }
}

void PostMarker() { Post(WM_KEYUP, VK_PAUSE, kMarker); }

void Beep() { P->MessageBeep(); }

// A decimal integer as the settings hold it: blanks, an optional sign, digits.
int ParseInt(const char* s)
{
    while (*s == ' ') ++s;
    int sign = 1;
    if (*s == '-' || *s == '+') sign = *s++ == '-' ? -1 : 1;
    int v = 0;
    while (*s >= '0' && *s <= '9') v = v * 10 + (*s++ - '0');
    return sign * v;
}

int ReadSetting(const char* key)
{
    char value[25];
    P->GetProfileString("Tonvoro config", key, "", value, sizeof value, "tonvoro.ini");
    return ParseInt(value);
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
    Mode = ReadSetting("flagvnkey") == -2 ? -2 : 1;
    VniStyle = ReadSetting("VNIStyle") == 1 ? 1 : 0;
    Old = ReadSetting("Old") == -1 ? -1 : 0;
    FastCorrect = ReadSetting("FastCorrect") == -1 ? -1 : 0;
    FlagChuan = ReadSetting("flagchuan") == 1 ? 1 : 0;
    NumLai = ReadSetting("NUMLAI") == 1 ? 1 : 3;
    AutoTextOn = ReadSetting("_flAutoText") == -1 ? -1 : 0;
    if (AutoTextOn) LoadAutoText();
    SettingsLoaded = -1;
}

// Appends a character and its key to the word, restarting the buffer when it is full.
void AppendToWord(unsigned char text, unsigned char key)
{
    if (Length > 119) Length = 0;
    Text[Length] = text;
    Keys[Length] = key;
    ++Length;
}

// ---- Deliveries ----------------------------------------------------------------------------

void ReplaceLast(unsigned char c)
{
    if (!ContextMode) {
        PostErase(1);
        PostMarker();
        SinglePending = -1;
        PendingChar = c;
    }
    Text[Length - 1] = c;
    Keys[Length - 1] = c;
}

void AppendChar(unsigned char c)
{
    if (!ContextMode) Post(WM_CHAR, c, 0x00FC0001);
    AppendToWord(c, c);
}

// Takes a shape back: the plain vowel, then the typed key's character behind it.
void Undo(unsigned char plain, unsigned char typed, unsigned char keyLetter)
{
    Text[Length - 1] = plain;
    Keys[Length - 1] = plain;
    EmitFrom = Length - 1;
    if (Length > 119) Length = 0;
    Text[Length] = typed;
    Keys[Length] = keyLetter;
    ++Length;
    EraseCount = 1;
}

// ---- Shape steps ---------------------------------------------------------------------------

int TelexShape(int key, unsigned char recorded)
{
    for (const DoubleLetter& d : DoubleLetters) {
        if (key != d.key) continue;
        if (PrevKey == key) {
            ReplaceLast(CaseFlag ? d.upper : d.lower);
            return 1;
        }
        if (PrevChar == d.lower || PrevChar == d.upper) {
            const unsigned char plain = static_cast<unsigned char>(CaseFlag ? d.key : d.key + 0x20);
            Undo(plain, recorded, d.key);
            if (d.key != 'O') Undone = -1;
            return 5;
        }
    }
    if (key == 'W') {
        const unsigned char w = CaseFlag ? 'W' : 'w';
        for (const ShapePair& s : WTable)
            if (PrevChar == s.plain) {
                ReplaceLast(s.shaped);
                // A ư made from u keeps the U key, so that a second W gives the u back rather than
                // taking it for the ư of a lone W. Tone placement reads U in front of ơ as it reads ư.
                if (s.plain == 'u' || s.plain == 'U') Keys[Length - 1] = 'U';
                return 1;
            }
        if ((PrevChar == 0xAD || PrevChar == 0xA6) && PrevKey != 'U') {
            ReplaceLast(w);
            Undone = -1;
            return 1;
        }
        for (const ShapePair& s : WTable)
            if (PrevChar == s.shaped) {
                Undo(s.plain, w, 'W');
                Undone = -1;
                return 5;
            }
        AppendChar(CaseFlag ? 0xA6 : 0xAD);
        return 11;
    }
    if (key == 0xDD || key == 0xDB) {
        const bool horn = key == 0xDD;
        const unsigned char lower = horn ? 0xAD : 0xAC, upper = horn ? 0xA6 : 0xA5;
        if (PrevChar == lower || PrevChar == upper) {
            ReplaceLast(horn ? (CaseFlag ? '}' : ']') : (CaseFlag ? '{' : '['));
        } else {
            AppendChar(CaseFlag ? upper : lower);
        }
        return 1;
    }
    TonePending = 0;
    if (ShiftHeld) return 0;
    for (int t = 0; t < 6; ++t)
        if (key == TelexToneKeys[t]) {
            TonePending = -1;
            ToneNumber = t;
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
    if (table && PrevChar != 0) {
        for (int k = 0; k < count; ++k)
            if (PrevChar == table[k].plain) {
                ReplaceLast(table[k].shaped);
                return 1;
            }
        for (int k = 0; k < count; ++k)
            if (PrevChar == table[k].shaped) {
                Undo(table[k].plain, recorded, static_cast<unsigned char>(key));
                return 5;
            }
    }
    TonePending = 0;
    for (int t = 0; t < 6; ++t)
        if (key == VniToneKeys[t]) {
            TonePending = -1;
            ToneNumber = t;
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
    const int tone = ToneNumber;
    int p = Length - 1;
    int skipped = 0;
    while (p >= 1 && IsFinal(Keys[p])) {
        --p;
        ++skipped;
    }
    if (p < 1) p = -1;
    if (skipped >= 3) return 3;
    const bool hasFinal = p != Length - 1;
    int found[5] = {0, 0, 0, 0, 0};
    int vowels = 0;
    while (p >= 0) {
        unsigned char c = Text[p];
        const unsigned char small = SmallOf(c);
        if (small != c) Text[p] = c = small;
        const int index = VowelOf(c);
        if (index == 255) break;
        if (vowels < 5) found[vowels] = index;
        ++vowels;
        --p;
    }
    if (vowels == 0) return 3;
    const int g = found[0] / 6;
    const unsigned char f = Keys[p + 1];
    int k = 1;
    if (vowels == 2) {
        const unsigned char before = p >= 0 ? Keys[p] : 0;
        if (((f == 0xAD || f == 0xA6) && g == 6) || (f == 'O' && (g == 0 || g == 1 || g == 2 || g == 3 || g == 4)) ||
            (f == 'U' && (g == 4 || g == 10 || g == 5 || g == 11 || g == 6)) || (f == 'Y' && g == 11) ||
            (f == 'I' && (before == 'G' || g == 11)) || (f == 'U' && before == 'Q') || ((f == 'U' || f == 'I') && hasFinal) ||
            (f == 'o' && g == 2))
            k = 2;
        if (Old && !hasFinal && ((f == 'O' && (g == 0 || g == 3)) || (f == 'U' && g == 10))) k = 1;
    } else if (vowels == 3) {
        k = (g == 11 || g == 5) ? 3 : 2;
    } else if (vowels > 3) {
        k = vowels;
    }
    int position = p + k;
    if (hasFinal && Length - position - 3 > 0) position += Length - position - 3;
    if (position < 0) position = 0;
    EraseCount = Length - position;
    const int v = VowelOf(Text[position]);
    if (v == 255) return 3;
    const unsigned char plain = TonedVowels[v - v % 6];
    unsigned char c = TonedVowels[v - v % 6 + tone];
    if (c == Text[position]) {
        Undone = -1;
        c = (CapsLock & 1) ? CapitalOf(plain) : plain;
        if (Length > 119) Length = 0;
        Text[Length] = recorded;
        Keys[Length] = static_cast<unsigned char>(key);
        ++Length;
    }
    Text[position] = c;
    Keys[position] = c;
    EmitFrom = position;
    return 0;
}

// ---- AutoText ------------------------------------------------------------------------------

bool ExpandAutoText()
{
    const int length = Length - WordStartPos;
    if (length <= 0) return false;
    for (int r = 0; r < AutoCount; ++r) {
        const unsigned char* record = AutoText[r];
        if (static_cast<int>(std::strlen(reinterpret_cast<const char*>(record))) != length) continue;
        if (std::memcmp(record, Text + WordStartPos, static_cast<std::size_t>(length)) != 0) continue;
        PostErase(length);
        const unsigned char* replacement = record + 9;
        int n = 0;
        while (n < 119 && replacement[n]) {
            Text[1 + n] = replacement[n];
            Keys[1 + n] = replacement[n];
            ++n;
        }
        Length = n + 1;
        EmitFrom = 1;
        EmitEnd = Length;
        EndOfGeneration = 0;
        AfterExpansion = -1;
        EmitMode = 2;
        PostMarker();
        return true;
    }
    return false;
}

// ---- Plain typing --------------------------------------------------------------------------

long PlainTyping(int key, std::uintptr_t wParam, std::intptr_t lParam, unsigned char recorded)
{
    if (key == VK_SPACE && Length > WordStartPos) {
        const bool expanded = AutoTextOn && ExpandAutoText();
        if (!expanded && ContextTrigger) {
            ContextTrigger = 0;
            WordStartPos = Length;
        }
    }
    if (key == VK_BACK) {
        if (Length > 1) --Length;
        LastKey = VK_BACK;
        Post(WM_KEYDOWN, wParam, lParam);
        return 1;
    }
    // The number pad's keys go into the key buffer as the characters they type: their key codes
    // are those of small letters.
    const bool pad = key >= 0x60 && key <= 0x6F;
    AppendToWord(recorded, pad ? recorded : static_cast<unsigned char>(key));
    LastKey = key;
    if (key == VK_SPACE) {
        WordStartPos = Length;
        Undone = 0;
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
    if (!P->PostMessage(Focus, WM_KEYDOWN, VK_INSERT, 0x01520001)) SelectFailed = -1;
    ContextMode = -1;
}

// Rebuilds the word from the copied text and applies the key that started the read. The selection
// is then shrunk from its left end to the part that changes, and the end marker types the new text
// over it; a key that changes nothing is typed there once, after the unchanged word.
void ContextRebuild()
{
    std::memset(ContextText, 0, sizeof ContextText);
    const int got = P->GetClipboardText(ContextText, sizeof ContextText);
    SetKeyState(VK_CONTROL, 1, false);
    const int n = got < 0 ? 0 : got;
    Length = NumLai + 1;
    EmitFrom = NumLai;
    if (NumLai > n) {  // the caret was nearer the start than the look-back count: n characters
        Length = n + 1;
        EmitFrom = n > 0 ? n : 1;
    }
    int offset = 0;
    auto put = [](int at, unsigned char c) {
        Text[at] = c;
        Keys[at] = (c >= 0x61 && c <= 0x7D) ? static_cast<unsigned char>(c - 0x20) : c;
    };
    const auto* t = reinterpret_cast<const unsigned char*>(ContextText);
    // The rows for 2, 5 and 7 characters are selections that took in line breaks; other short
    // selections are words near the start of the text.
    const auto size = static_cast<std::size_t>(n);
    const bool lineBreak = std::memchr(t, '\r', size) || std::memchr(t, '\n', size);
    bool empty = false;
    if (n == 6 && t[0] == '\r' && t[2] != '\r') {
        put(1, t[2]);
        put(2, t[3]);
        Length = 3;
        offset = 1;
    } else if (n == 6 && t[0] == '\r' && t[2] == '\r') {
        Length = 1;
        offset = 3;
        empty = true;
    } else if (n == 6 && t[1] == '\r') {
        put(1, t[3]);
        Length = 2;
        EmitFrom = 1;
        offset = 2;
    } else if (n == 7 && lineBreak) {
        put(1, t[4]);
        Length = 2;
        EmitFrom = 1;
        offset = 2;
    } else if ((n == 2 || n == 5) && lineBreak) {
        Length = 1;
        offset = 3;
        empty = true;
    } else {
        const int count = n < 79 ? n : 79;
        for (int k = 0; k < count && k < 119; ++k) put(k + 1, t[k]);
        if (Length > count + 1) Length = count + 1;
    }
    if (empty) {
        Text[0] = Keys[0] = 0;
        LastKey = 0;
    }
    PrevKey = Length > 1 ? Keys[Length - 1] : 0;
    PrevChar = Length > 1 ? Text[Length - 1] : 0;
    const int key = ContextKey;
    const unsigned char recorded = ContextKeyChar;
    const int oldLength = Length;
    const int result = Shape(key, recorded);
    if (result == 11) {
        EmitFrom = Length - 1;
    } else if (result == 0 || (result == 2 && PlaceTone(key, recorded) == 3)) {
        // No shape and no place for a tone: the key follows the word as typed, and only it is
        // emitted, so the end marker types it once.
        AppendToWord(recorded, static_cast<unsigned char>(key));
        EmitFrom = oldLength;
    }
    ContextMode = 0;
    WordStartPos = Length;
    SetKeyState(VK_SHIFT, 0x81, true);
    Post(WM_KEYUP, VK_MENU, kReload);
    // The selection ends at the caret: n steps right bring it back there, more would select (and
    // the end marker then overwrite) the text after the caret.
    int rights = EmitFrom + offset - 1;
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
    if (key >= 'A' && key <= 'Z') return static_cast<unsigned char>(CaseFlag ? key : key + 0x20);
    if (key >= 0x60 && key <= 0x6F && key != 0x6C) return static_cast<unsigned char>("0123456789*+ -./"[key - 0x60]);
    static const struct {
        unsigned char key;
        char plain, shifted;
    } punctuation[] = {{0xDB, '[', '{'}, {0xDD, ']', '}'}, {0xBC, ',', '<'}, {0xBE, '.', '>'}, {0xBF, '/', '?'}, {0xBA, ';', ':'},
                       {0xDE, '\'', '"'}, {0xBD, '-', '_'}, {0xBB, '=', '+'}, {0xC0, '`', '~'}, {0xDC, '\\', '|'}};
    for (const auto& p : punctuation)
        if (p.key == key) return static_cast<unsigned char>(ShiftHeld ? p.shifted : p.plain);
    return key >= 0x5B ? 0 : static_cast<unsigned char>(key);
}

bool ClassStartsWithExcel()
{
    char head[7];
    for (int k = 0; k < 6; ++k) {
        char c = ClassName[k];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
        head[k] = c;
    }
    head[6] = 0;
    return std::strcmp(head, "EXCEL5") == 0 || std::strcmp(head, "EXCEL9") == 0;
}

// ---- The keyboard hook ---------------------------------------------------------------------

long KeyHook(int code, std::uintptr_t wParam, std::intptr_t lParam)
{
    CapsLock = P->GetKeyState(VK_CAPITAL) & 1;
    if (ReloadPending) {
        LoadSettings();
        ReloadPending = 0;
    }
    if (lParam == kReload || static_cast<std::intptr_t>(wParam) == kReload) ReloadPending = -1;
    if (code < 0) return 0;
    const int key = static_cast<int>(wParam & 0xFF);
    if (static_cast<std::uint32_t>(lParam) & 0x80000000u) {  // key-up
        if (key == VK_SHIFT) ShiftHeld = 0;
        if (AfterExpansion) {
            AfterExpansion = 0;
            Post(WM_KEYDOWN, VK_MENU, kReload);
            Post(WM_KEYDOWN, VK_MENU, kReload);
        }
        if (ContextMode) ContextRebuild();
        return 0;
    }
    if (SelectFailed) {
        SetKeyState(VK_CONTROL, 1, false);
        SelectFailed = 0;
        Beep();
        Post(WM_KEYDOWN, VK_RIGHT, 0x014D0001);
        return 1;
    }
    unsigned char recorded = static_cast<unsigned char>(key);
    Focus = P->GetFocus();
    ClassName[0] = 0;
    P->GetClassName(Focus, ClassName, sizeof ClassName);
    if (!ClassName[0]) {
        ResetWord();
        return 0;
    }
    if ((static_cast<std::uint32_t>(lParam) & 0x20FF0001u) == 0x202C0001u) {  // Alt+Z
        Mode = ~Mode;
        Beep();
        P->WriteProfileString("Tonvoro config", "flagvnkey", Mode == 1 ? "1" : "-2", "tonvoro.ini");
        Length = 1;
        char window[25];
        P->GetProfileString("TR config", "hWndMain", "", window, sizeof window, "tr.ini");
        P->PostMessage(static_cast<Hwnd>(ParseInt(window)), WM_COMMAND, 3002, 0);
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
        ShiftHeld = 1;
        Post(WM_KEYDOWN, wParam, lParam);
        return 1;
    }
    CaseFlag = (CapsLock ^ ShiftHeld) & 1;
    recorded = CharOfKey(key);
    PrevKey = Length > 1 ? Keys[Length - 1] : 0;
    PrevChar = Length > 1 ? Text[Length - 1] : 0;
    if (!(key >= 'A' && key <= 'Z') && key != VK_SPACE) Undone = 0;  // any key but a letter, the number pad too

    bool transform = false;
    bool context = false;
    if (FastCorrect) {
        if (MouseClicked) context = true;
        else if (LastKey == VK_BACK && Length > 1) transform = true;
        else if (InList(NavigationKeys, 8, LastKey)) context = true;
        else {
            MouseClicked = 0;
            transform = !Undone;
        }
    } else {
        if (MouseClicked) {
            MouseClicked = 0;
            ResetWord();
            return 0;
        }
        transform = !Undone;
    }
    if (context) {
        MouseClicked = 0;
        if (ClassStartsWithExcel()) return PlainTyping(key, wParam, lParam, recorded);
        ContextReemitDone = 0;
        if (InList(TransformationKeys, 13, key)) {
            ContextKey = key;
            ContextKeyChar = recorded;
            ContextRead();
            PrevKey = 0;
            LastKey = 0;
            ContextTrigger = -1;
            return 1;
        }
        return PlainTyping(key, wParam, lParam, recorded);
    }
    if (!transform) return PlainTyping(key, wParam, lParam, recorded);
    const int result = Shape(key, recorded);
    if (result == 1 || result == 11) return 1;
    if (result == 5) {
        PostErase(EraseCount);
        PostMarker();
        EmitMode = 1;
        return 1;
    }
    if (TonePending) {
        if (PlaceTone(key, recorded) != 3) {
            PostErase(EraseCount);
            PostMarker();
            EmitMode = 1;
            return 1;
        }
    }
    return PlainTyping(key, wParam, lParam, recorded);
}

long MessageHook(int code, Msg* m)
{
    if (!m) return 0;
    if (m->lParam == kMarker) {
        if (EmitMode == 1 || EmitMode == 2) {
            const int end = EmitMode == 2 ? EmitEnd : Length;
            for (int k = EmitFrom; k < end; ++k)
                P->PostMessage(m->hwnd, WM_CHAR, Text[k], k == EmitFrom ? 0x00000001 : 0x00FC0001);
            if (EmitMode == 2) ResetWord();
            EmitMode = 0;
            return 1;
        }
        if (SinglePending) {
            P->PostMessage(m->hwnd, WM_CHAR, PendingChar, 0x00FC0001);
            SinglePending = 0;
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
        if (!ContextReemitDone)
            for (int k = EmitFrom; k < Length; ++k) P->PostMessage(P->GetFocus(), WM_CHAR, Text[k], 0x00FC0001);
        ContextReemitDone = -1;
        return 1;
    }
    if (code >= 0) {
        if (m->message == WM_ACTIVATE) LoadSettings();
        if (m->message == WM_LBUTTONDOWN) {
            MouseClicked = -1;
            LoadSettings();
        }
    }
    return 0;
}

}  // namespace

void SetPlatform(Platform* platform) { P = platform; }

void ResetProcessState()
{
    std::memset(Text, 0, sizeof Text);
    std::memset(Keys, 0, sizeof Keys);
    ResetWord();
    EmitFrom = EraseCount = PrevKey = PrevChar = LastKey = 0;
    TonePending = ToneNumber = ShiftHeld = CapsLock = CaseFlag = 0;
    Focus = 0;
    ClassName[0] = 0;
    EmitMode = SinglePending = 0;
    PendingChar = 0;
    ContextMode = ContextReemitDone = SelectFailed = MouseClicked = ReloadPending = 0;
    SettingsLoaded = AfterExpansion = EndOfGeneration = 0;
    Mode = 1;
    VniStyle = Old = FastCorrect = FlagChuan = AutoTextOn = 0;
    NumLai = 3;
    AutoCount = 0;
}

int WordLength() { return Length; }
const unsigned char* WordText() { return Text; }
int WordStart() { return WordStartPos; }
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
    EndOfGeneration = -1;
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
