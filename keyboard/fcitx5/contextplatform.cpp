#include "contextplatform.h"

#include "tcvn3.h"

#include <cstring>

namespace kesmir {

namespace {

constexpr int VK_BACK = 0x08, VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_CAPITAL = 0x14, VK_LEFT = 0x25,
              VK_RIGHT = 0x27, VK_INSERT = 0x2D;

// The code point that ends at byte end of a UTF-8 text, and where it starts.
int previousCodePoint(const char* text, int end, char32_t* codePoint)
{
    int start = end - 1;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    const auto lead = static_cast<unsigned char>(text[start]);
    const int extra = end - start - 1;
    char32_t c = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
    for (int k = start + 1; k < end; ++k) c = (c << 6) | (static_cast<unsigned char>(text[k]) & 0x3F);
    *codePoint = c;
    return start;
}

// The TCVN3 byte of a character the engine may take into a word read back from the program; -1
// for line breaks and characters TCVN3 cannot hold, where the read stops.
int wordByte(char32_t c)
{
    if (c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029) return -1;
    return tcvn3::fromUnicode(c);
}

// Where the last count code points of a UTF-8 text begin (fewer when it has fewer).
int lastChars(const char* text, int end, int count, int* found)
{
    int at = end, n = 0;
    while (at > 0 && n < count) {
        --at;
        while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
        ++n;
    }
    *found = n;
    return at;
}

std::uint32_t hashOf(const char* text, int from, int to)
{
    std::uint32_t h = 2166136261u;
    for (int k = from; k < to; ++k) h = (h ^ static_cast<unsigned char>(text[k])) * 16777619u;
    return h;
}

// The hash of the last count characters of a text, and how many there were.
std::uint32_t tailHash(const char* text, int end, int count, int* found)
{
    return hashOf(text, lastChars(text, end, count, found), end);
}

// Whether the text before the caret (`end` bytes) ends with `tail`.
bool endsWith(const char* text, int end, const char* tail, int size)
{
    return size <= end && std::memcmp(text + end - size, tail, static_cast<std::size_t>(size)) == 0;
}

}  // namespace

int Tcvn3ToUtf8(const unsigned char* bytes, int count, char* out)
{
    int n = 0;
    for (int k = 0; k < count; ++k) {
        const char16_t c = tcvn3::toUnicode(bytes[k]);
        if (c < 0x80) {
            out[n++] = static_cast<char>(c);
        } else if (c < 0x800) {
            out[n++] = static_cast<char>(0xC0 | (c >> 6));
            out[n++] = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out[n++] = static_cast<char>(0xE0 | (c >> 12));
            out[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out[n++] = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return n;
}

ContextPlatform::ContextPlatform(std::string iniFolder) : ini_(std::move(iniFolder)) {}

void ContextPlatform::select(ContextState& state, TextSink& sink)
{
    SetPlatform(this);
    SelectWindowState(&state.engine);
    state_ = &state;
    sink_ = &sink;
    passKey_ = false;
    wordChanged_ = false;
    deletions_ = 0;
    selectable_ = -1;
}

bool ContextPlatform::Key(ContextState& state, TextSink& sink, const EngineKey& key)
{
    select(state, sink);
    Busy busy(this);
    if (!key.release) flushPending();
    key_ = key;
    unsigned char* keys = state.keyState;
    keys[VK_SHIFT] = key.shift ? 0x80 : 0;
    keys[VK_CONTROL] = key.ctrl ? 0x80 : 0;
    keys[VK_MENU] = key.alt ? 0x80 : 0;
    keys[VK_CAPITAL] = key.capsLock ? 1 : 0;
    const auto index = static_cast<unsigned char>(key.key);
    if (key.release) keys[index] = static_cast<unsigned char>(keys[index] & ~0x80);
    else keys[index] = static_cast<unsigned char>(keys[index] | 0x80);

    // The engine follows Shift by its presses and releases; one it did not see (pressed before
    // the program had the focus) is shown to it before the key it changes.
    const bool modifier = key.key == VK_SHIFT || key.key == VK_CONTROL || key.key == VK_MENU;
    if (!key.release && !modifier && (state.engine.ShiftHeld != 0) != key.shift) {
        GetKeyHook(0, VK_SHIFT, key.shift ? 0x002A0001 : static_cast<std::intptr_t>(0xC02A0001u));
        pump();
    }
    // A read of the text before the caret waits for its key's release. A key pressed meanwhile
    // (rolled typing, auto-repeat) finishes it first, as that release would: the read's
    // selection is never taken for the new key's.
    if (!key.release && !modifier && state.engine.ContextMode) {
        GetKeyHook(0, static_cast<std::uintptr_t>(state.engine.ContextKey), static_cast<std::intptr_t>(0xC0000001u));
        pump();
    }
    const bool swallowed = GetKeyHook(0, static_cast<std::uintptr_t>(key.key), static_cast<std::intptr_t>(key.lParam)) != 0;
    pump();
    const bool pass = !swallowed || passKey_;
    finish(pass && !key.release);
    if (pass && !key.release) expectKey();
    return pass;
}

void ContextPlatform::Activate(ContextState& state, TextSink& sink, bool active)
{
    select(state, sink);
    Busy busy(this);
    state.caret.known = false;
    Msg activate{kFocus, WM_ACTIVATE, active ? 1u : 0u, 0};
    GetMessageHook(0, 1, &activate);
    pump();
    finish(false);
}

void ContextPlatform::Click(ContextState& state, TextSink& sink)
{
    select(state, sink);
    Busy busy(this);
    state.caret.known = false;
    Msg click{kFocus, WM_LBUTTONDOWN, 1, 0};
    GetMessageHook(0, 1, &click);
    pump();
    finish(false);
}

void ContextPlatform::Reset(ContextState& state, TextSink& sink)
{
    select(state, sink);
    // A click not yet followed by a letter stays: the next key still starts from the caret's word.
    if (state.engine.MouseClicked) return;
    // A reset that moved nothing (GTK's after a Backspace, or after taking our preedit) leaves
    // the word before the caret as the engine holds it: the word goes on. Otherwise it ends.
    const unsigned char* word = WordText();
    int start = WordLength();
    while (start > 1 && word[start - 1] != ' ') --start;
    const int length = WordLength() - start;
    if (length > 0 && length < 64) {
        const int size = Tcvn3ToUtf8(word + start, length, utf8_);
        // The text as our last changes left it: GTK resets before it reports a Backspace's text.
        const CaretTail& tail = state.caret;
        if (tail.known && endsWith(tail.text, tail.bytes, utf8_, size)) return;
        const char* text = nullptr;
        int end = 0;
        if (sink.textBeforeCursor(&text, &end) && endsWith(text, end, utf8_, size)) return;
    }
    ForgetWord();
}

void ContextPlatform::Forget(ContextState& state, TextSink& sink)
{
    select(state, sink);
    ForgetWord();
}

void ContextPlatform::TextReported(ContextState& state, TextSink& sink)
{
    CaretTail& t = state.caret;
    const char* text = nullptr;
    int end = 0;
    if (!sink.textBeforeCursor(&text, &end)) return;
    // The whole text and the cursor, against the last report's: only the cursor moved?
    const char* after = nullptr;
    int afterSize = 0;
    if (!sink.textAfterCursor(&after, &afterSize)) afterSize = 0;
    std::uint32_t whole = hashOf(text, 0, end);
    for (int k = 0; k < afterSize; ++k) whole = (whole ^ static_cast<unsigned char>(after[k])) * 16777619u;
    int cursor = 0;
    lastChars(text, end, end, &cursor);
    const bool onlyMoved = t.cursor >= 0 && whole == t.wholeHash && cursor != t.cursor;
    const int movedFrom = t.cursor;
    t.wholeHash = whole;
    t.cursor = cursor;
    int found = 0;
    const std::uint32_t reported = tailHash(text, end, CaretTail::kChars, &found);
    const bool known = t.known, changed = reported != t.reportedHash;
    // The end as our changes will leave it, which a report of an earlier state does not change.
    char latest[sizeof t.text];
    const int latestBytes = t.bytes, latestChars = t.chars;
    std::memcpy(latest, t.text, sizeof latest);
    // From now on the reported text is what we build on.
    const int from = lastChars(text, end, CaretTail::kChars, &t.chars);
    t.bytes = end - from;
    std::memcpy(t.text, text + from, static_cast<std::size_t>(t.bytes));
    t.known = true;
    t.reportedHash = reported;
    if (!known) t.expectedCount = 0;
    const bool wordMoved = onlyMoved && state.preeditShown && state.wordLength > 0;
    if ((!known || !changed) && !wordMoved) return;
    for (int k = 0; k < t.expectedCount; ++k) {
        if (tailHash(text, end, t.expected[k].chars, &found) != t.expected[k].hash || found != t.expected[k].chars) continue;
        t.expectedCount -= k + 1;  // this state and those before it are behind us
        std::memmove(t.expected, t.expected + k + 1, sizeof t.expected[0] * static_cast<std::size_t>(t.expectedCount));
        if (t.expectedCount > 0) {  // more is on its way: the next changes build on the latest
            std::memcpy(t.text, latest, sizeof latest);
            t.bytes = latestBytes;
            t.chars = latestChars;
        }
        return;
    }
    t.expectedCount = 0;
    // A program that reports while it takes what we send (inside one of our calls) reports our
    // own change.
    if (busy_) return;
    const bool taken = state.wordLength > 0 && endsWith(text, end, utf8_, Tcvn3ToUtf8(state.word, state.wordLength, utf8_));
    // The program moved its caret while showing our word (a click): the word goes where it was
    // shown, and the caret where the user put it.
    if (!taken && wordMoved && relocate(state, sink, movedFrom, cursor)) {
        Click(state, sink);
        return;
    }
    EndWord(state, sink, !taken);
    if (!taken) Click(state, sink);
}

// Commits the word being typed at `from`, where it was shown, with the caret now at `to` in the
// same text: the text between the two is taken out and typed again beside the word. False when
// that stretch is longer than a few words, or not in the text the program tells.
bool ContextPlatform::relocate(ContextState& state, TextSink& sink, int from, int to)
{
    constexpr int kStretch = 64;
    const int span = from > to ? from - to : to - from;
    if (span > kStretch) return false;
    const char* text = nullptr;
    int size = 0, found = 0, stretchFrom = 0, stretchTo = 0;
    if (from > to) {  // the click was before the word: the stretch follows the caret
        if (!sink.textAfterCursor(&text, &size)) return false;
        for (int k = 0; k < span && stretchTo < size; ++k) {
            ++stretchTo;
            while (stretchTo < size && (static_cast<unsigned char>(text[stretchTo]) & 0xC0) == 0x80) ++stretchTo;
            ++found;
        }
    } else {  // after the word: the stretch precedes the caret
        if (!sink.textBeforeCursor(&text, &size)) return false;
        stretchFrom = lastChars(text, size, span, &found);
        stretchTo = size;
    }
    if (found != span) return false;
    Busy busy(this);  // the program's reports meanwhile are of these changes
    char joined[4 * kStretch + sizeof utf8_];
    const int stretch = stretchTo - stretchFrom;
    const int word = Tcvn3ToUtf8(state.word, state.wordLength, utf8_);
    if (from > to) {
        std::memcpy(joined, text + stretchFrom, static_cast<std::size_t>(stretch));
        std::memcpy(joined + stretch, utf8_, static_cast<std::size_t>(word));
    } else {
        std::memcpy(joined, utf8_, static_cast<std::size_t>(word));
        std::memcpy(joined + word, text + stretchFrom, static_cast<std::size_t>(stretch));
    }
    sink.showPreedit(nullptr, 0);
    state.preeditShown = false;
    if (from > to) sink.deleteAfter(span);
    else sink.deleteBefore(span);
    sink.commit(joined, stretch + word);
    if (from > to) sink.moveLeft(span + state.wordLength);
    state.wordLength = 0;
    state.caret.known = false;
    return true;
}

void ContextPlatform::ReloadSettings()
{
    SetPlatform(this);
    SelectWindowState(nullptr);
    Msg activate{kFocus, WM_ACTIVATE, 1, 0};
    GetMessageHook(0, 1, &activate);
}

void ContextPlatform::EndWord(ContextState& state, TextSink& sink, bool commit)
{
    select(state, sink);
    Busy busy(this);
    if (commit) {
        finish(true);
        return;
    }
    state.wordLength = 0;
    state.commitPending = false;
    if (state.preeditShown) sink.showPreedit(nullptr, 0);
    state.preeditShown = false;
}

void ContextPlatform::pump()
{
    for (int guard = 0; guard < 4 * kQueue && head_ != tail_; ++guard) {
        Msg m = queue_[head_];
        head_ = (head_ + 1) % kQueue;
        GetMessageHook(0, 1, &m);
        dispatch(m);
    }
}

// What a program's edit control does with the message, on our model of it.
void ContextPlatform::dispatch(const Msg& m)
{
    if (m.message == WM_CHAR) {
        type(static_cast<unsigned char>(m.wParam));
        return;
    }
    if (m.message != WM_KEYDOWN) return;
    const auto key = static_cast<int>(m.wParam);
    if (key == key_.key && static_cast<std::uint32_t>(m.lParam) == key_.lParam) {
        // The engine typed the key as it is: the character it types joins the word (after what
        // is queued, as a message loop's key translation posts it). A key that types nothing, or
        // a Backspace with no word of ours to shorten, goes to the program itself.
        if (key == VK_BACK && (state_->wordLength > 0 || state_->selected > 0)) erase();
        else if (key != VK_BACK && key_.character) PostMessage(kFocus, WM_CHAR, key_.character, 1);
        else passKey_ = true;
        return;
    }
    const bool shift = state_->keyState[VK_SHIFT] & 0x80;
    switch (key) {
    case VK_BACK: erase(); break;
    case VK_LEFT:  // the engine selects the word before the caret, one character at a time
        if (!shift) state_->selected = 0;
        else if (state_->selected < selectable()) ++state_->selected;
        break;
    case VK_RIGHT:
        if (!shift || state_->selected == 0) state_->selected = 0;
        else --state_->selected;
        break;
    case VK_INSERT:
        if (state_->keyState[VK_CONTROL] & 0x80) copySelection();
        break;
    default: break;
    }
}

void ContextPlatform::type(unsigned char c)
{
    ContextState& s = *state_;
    if (state_->selected > 0) {  // typed over the selection
        deletions_ += state_->selected;
        state_->selected = 0;
    }
    if (s.wordLength == static_cast<int>(sizeof s.word)) finish(true);
    s.word[s.wordLength++] = c;
    wordChanged_ = true;
}

void ContextPlatform::erase()
{
    ContextState& s = *state_;
    if (state_->selected > 0) {
        deletions_ += state_->selected;
        state_->selected = 0;
    } else if (s.wordLength > 0) {
        --s.wordLength;
        wordChanged_ = true;
    } else {
        ++deletions_;
    }
}

// How many characters before the cursor a selection may take: those of the current line that
// TCVN3 can hold, as many as the engine's read buffer has room for.
int ContextPlatform::selectable()
{
    if (selectable_ >= 0) return selectable_;
    selectable_ = 0;
    const char* text = nullptr;
    int end = 0;
    if (!sink_->textBeforeCursor(&text, &end)) return 0;
    while (end > 0 && selectable_ < static_cast<int>(sizeof clipboard_) - 1) {
        char32_t c;
        end = previousCodePoint(text, end, &c);
        if (wordByte(c) < 0) break;
        ++selectable_;
    }
    return selectable_;
}

// Ctrl+Insert on the selection: its text, in TCVN3, is what the engine reads back.
void ContextPlatform::copySelection()
{
    clipboardLength_ = -1;
    const char* text = nullptr;
    int end = 0;
    if (!sink_->textBeforeCursor(&text, &end)) return;
    const int n = state_->selected < selectable() ? state_->selected : selectable();
    for (int k = n - 1; k >= 0; --k) {
        char32_t c;
        end = previousCodePoint(text, end, &c);
        clipboard_[k] = static_cast<char>(wordByte(c));
    }
    clipboard_[n] = 0;
    clipboardLength_ = n;
}

int ContextPlatform::GetClipboardText(char* text, int size)
{
    if (clipboardLength_ < 0 || size <= 0) return -1;
    const int n = clipboardLength_ < size - 1 ? clipboardLength_ : size - 1;
    std::memcpy(text, clipboard_, static_cast<std::size_t>(n));
    text[n] = 0;
    return n;
}

// The program's text brought up to date: deletions first (the word is not in the program yet),
// then the word, committed when the engine has ended it (or at once in direct mode), else shown.
// The engine's word has ended when its start is where the next character goes: behind a space,
// after a reset. (A word start beyond that is a word that went back over a space or restarted
// the full buffer: it goes on.)
void ContextPlatform::finish(bool commitWord)
{
    ContextState& s = *state_;
    const bool deleted = deletions_ > 0;
    // Text held back waits for the next key's press, past the release of its own.
    if (s.commitPending && !deleted && !commitWord && !wordChanged_) return;
    if (deleted) {
        if (s.preeditShown) sink_->showPreedit(nullptr, 0);
        s.preeditShown = false;
        expectDeleted(deletions_);
        sink_->deleteBefore(deletions_);
        deletions_ = 0;
    }
    s.commitPending = false;
    if (deleted && s.deferCommits && !s.direct && !commitWord && s.wordLength > 0 && WordLength() == WordStart()) {
        sink_->showPreedit(utf8_, Tcvn3ToUtf8(s.word, s.wordLength, utf8_));
        s.preeditShown = true;
        s.commitPending = true;
    } else if (commitWord || s.direct || WordLength() == WordStart()) {
        if (s.wordLength > 0) {
            const int size = Tcvn3ToUtf8(s.word, s.wordLength, utf8_);
            expectCommitted(utf8_, size);
            sink_->commit(utf8_, size);
        }
        s.wordLength = 0;
        if (s.preeditShown) sink_->showPreedit(nullptr, 0);
        s.preeditShown = false;
    } else if (wordChanged_) {
        sink_->showPreedit(utf8_, Tcvn3ToUtf8(s.word, s.wordLength, utf8_));
        s.preeditShown = s.wordLength > 0;
    }
    wordChanged_ = false;
}

// Text held back behind a deletion goes into the program now, before anything else happens.
void ContextPlatform::flushPending()
{
    if (state_->commitPending) finish(true);
}

void CaretTail::expect()
{
    if (expectedCount == static_cast<int>(sizeof expected / sizeof expected[0])) {
        std::memmove(expected, expected + 1, sizeof expected - sizeof expected[0]);
        --expectedCount;
    }
    expected[expectedCount++] = {hashOf(text, 0, bytes), chars};
}

// What the key that goes to the program will do to its text: a character typed, one erased,
// nothing (modifiers, function keys), or what only the program knows (the caret moved, a line
// ended, a shortcut): then its next report is taken as it is.
void ContextPlatform::expectKey()
{
    const int k = key_.key;
    const bool nothing = k == VK_SHIFT || k == VK_CONTROL || k == VK_MENU || k == VK_CAPITAL || k == 0x13 || k == 0x1B ||
                         k == VK_INSERT || (k >= 0x5B && k <= 0x5D) || (k >= 0x70 && k <= 0x87);
    if (nothing) return;
    if (key_.ctrl || key_.alt) {
        state_->caret.known = false;
    } else if (k == VK_BACK) {
        expectDeleted(1);
    } else if (key_.character && k != 0x0D && k != 0x09) {
        char c[4];
        expectCommitted(c, Tcvn3ToUtf8(&key_.character, 1, c));
    } else {
        state_->caret.known = false;
    }
}

// What the end of the program's text will be after a deletion or a commit: one more state the
// program's reports may show. (Expectations are noted before the program is told, as a program
// may report its text while it takes the change.)
void ContextPlatform::expectDeleted(int count)
{
    CaretTail& t = state_->caret;
    if (!t.known) return;
    // Cut count characters off the end.
    for (int k = 0; k < count && t.bytes > 0; ++k) {
        --t.bytes;
        while (t.bytes > 0 && (static_cast<unsigned char>(t.text[t.bytes]) & 0xC0) == 0x80) --t.bytes;
        --t.chars;
    }
    if (t.bytes == 0) t.chars = 0;
    t.expect();
}

void ContextPlatform::expectCommitted(const char* utf8, int size)
{
    CaretTail& t = state_->caret;
    if (!t.known) return;
    // The committed text joins the end; the tail keeps its last characters.
    char joined[sizeof t.text + sizeof utf8_];
    std::memcpy(joined, t.text, static_cast<std::size_t>(t.bytes));
    std::memcpy(joined + t.bytes, utf8, static_cast<std::size_t>(size));
    const int end = t.bytes + size;
    const int from = lastChars(joined, end, CaretTail::kChars, &t.chars);
    t.bytes = end - from;
    std::memcpy(t.text, joined + from, static_cast<std::size_t>(t.bytes));
    t.expect();
}

int ContextPlatform::GetClassName(Hwnd, char* name, int size)
{
    static const char kClass[] = "InputContext";
    const int n = static_cast<int>(sizeof kClass) - 1 < size - 1 ? static_cast<int>(sizeof kClass) - 1 : size - 1;
    if (n < 0) return 0;
    std::memcpy(name, kClass, static_cast<std::size_t>(n));
    name[n] = 0;
    return n;
}

short ContextPlatform::GetKeyState(int key)
{
    if (!state_) return 0;
    const unsigned char s = state_->keyState[key & 0xFF];
    return static_cast<short>(((s & 0x80) ? 0x8000 : 0) | (s & 1));
}

void ContextPlatform::GetKeyboardState(unsigned char state[256])
{
    if (state_) std::memcpy(state, state_->keyState, 256);
    else std::memset(state, 0, 256);
}

void ContextPlatform::SetKeyboardState(const unsigned char state[256])
{
    if (state_) std::memcpy(state_->keyState, state, 256);
}

bool ContextPlatform::PostMessage(Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (window != kFocus) {  // the tray program's window: the mode changed
        if (message == WM_COMMAND && sink_) sink_->modeChanged();
        return true;
    }
    const int next = (tail_ + 1) % kQueue;
    if (next == head_) return false;
    queue_[tail_] = {window, message, wParam, lParam};
    tail_ = next;
    return true;
}

}  // namespace kesmir
