// The engine hosted by an input-method server: the platform the engine talks to when it runs for
// one input context. The engine's posted messages are played here, at once and in order, on a
// small model of what the program shows: the word being typed (kept by us, shown as preedit), the
// text already in the program (reached only through deletions before the cursor, and read through
// the surrounding text the program offers), and the selection the engine makes there to read the
// word before the caret. What the model decides reaches the program through a TextSink.
#pragma once

#include "inifiles.h"
#include "kesmir.h"
#include "platform.h"

#include <cstdint>

namespace kesmir {

// Where the text goes: the input-method server's calls for one input context.
class TextSink {
public:
    virtual ~TextSink() = default;
    // Deletes characters before the cursor of the program's own text.
    virtual void deleteBefore(int count) = 0;
    virtual void commit(const char* utf8, int size) = 0;
    // Shows the word being typed at the cursor; size 0 hides it.
    virtual void showPreedit(const char* utf8, int size) = 0;
    // The text before the cursor as the program last told it, in UTF-8; false when the program
    // offers none.
    virtual bool textBeforeCursor(const char** utf8, int* size) = 0;
    // The text after the cursor, likewise.
    virtual bool textAfterCursor(const char** utf8, int* size) = 0;
    // Deletes characters after the cursor of the program's own text.
    virtual void deleteAfter(int count) = 0;
    // Moves the program's cursor count characters to the left (with the arrow key).
    virtual void moveLeft(int count) = 0;
    // The toggle key changed the input mode: the tray program is told.
    virtual void modeChanged() = 0;
};

// One key event as the engine sees it: the key code, the key-message flags, and the character the
// key types (TCVN3; 0 for a key that types none, or one that TCVN3 cannot hold).
struct EngineKey {
    int key = 0;
    std::uint32_t lParam = 0;
    unsigned char character = 0;
    bool release = false;
    bool shift = false, ctrl = false, alt = false, capsLock = false;
};

// The end of the program's text before its caret, as it will read once the program has applied
// what we sent: the last characters (UTF-8), and the states it passes through on the way.
struct CaretTail {
    static constexpr int kChars = 16;
    char text[4 * kChars] = {};
    int bytes = 0, chars = 0;
    bool known = false;
    struct Expected {
        std::uint32_t hash;
        int chars;
    } expected[16] = {};
    int expectedCount = 0;
    std::uint32_t reportedHash = 0;
    // The whole text of the last report and where its cursor was (in characters; -1 unknown).
    std::uint32_t wholeHash = 0;
    int cursor = -1;
    void expect();  // the text as it stands now is one more state to come
};

// Everything one input context keeps between key events.
struct ContextState {
    WindowState engine;
    unsigned char keyState[256] = {};
    unsigned char word[256] = {};  // TCVN3 bytes not yet in the program
    int wordLength = 0;
    bool preeditShown = false;
    bool direct = false;  // no preedit: every character is committed at once
    // The program may apply a deletion after the text sent behind it (GTK 4, XIM): text that
    // follows a deletion is shown first and committed at the next event.
    bool deferCommits = false;
    bool commitPending = false;  // the preedit holds such text
    int forwarded = 0;           // keys forwarded to the program that it may send back
    int selected = 0;     // characters a read of this context selected before its cursor
    CaretTail caret;
};

class ContextPlatform : public Platform {
public:
    explicit ContextPlatform(std::string iniFolder);

    // One key event of an input context: the engine's hooks, then the messages they posted, then
    // the program's text brought up to date. True when the key must reach the program as it is.
    bool Key(ContextState& state, TextSink& sink, const EngineKey& key);
    // The input context gained or lost the focus, was reset (a click, the caret moved by the
    // program), or the settings file changed: the engine reloads its settings.
    void Activate(ContextState& state, TextSink& sink, bool active);
    void Click(ContextState& state, TextSink& sink);
    // The program reset the input context (GTK does on every caret move and Backspace): the word
    // being typed ends. A caret the program moved is told by its text (TextReported), not here.
    void Reset(ContextState& state, TextSink& sink);
    // The word ends where it stands: the next key starts a new one.
    void Forget(ContextState& state, TextSink& sink);
    // The program told its text again. When the text before the caret is not what our own
    // commits and deletions made of it, the caret was moved (a click the program did not report
    // as a reset): the word is committed where the program shows it, and the engine sees a click.
    // When it ends with our word, the program took the word itself: ours is dropped.
    void TextReported(ContextState& state, TextSink& sink);
    void ReloadSettings();
    // The word being typed goes into the program (commit) or is dropped (the program took it).
    void EndWord(ContextState& state, TextSink& sink, bool commit);
    // The word is left to the program as it shows it: the program (or the server for it) commits
    // the preedit itself when the focus leaves. The preedit is not touched.
    static void LeaveWord(ContextState& state)
    {
        state.wordLength = 0;
        state.preeditShown = false;
        state.commitPending = false;
    }

    const IniFiles& ini() const { return ini_; }
    int beeps() const { return beeps_; }

    // Platform
    Hwnd GetFocus() override { return kFocus; }
    int GetClassName(Hwnd window, char* name, int size) override;
    short GetKeyState(int key) override;
    void GetKeyboardState(unsigned char state[256]) override;
    void SetKeyboardState(const unsigned char state[256]) override;
    bool PostMessage(Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void MessageBeep() override { ++beeps_; }
    int GetClipboardText(char* text, int size) override;
    int GetProfileString(const char* section, const char* key, const char* fallback, char* out, int size,
                         const char* file) override
    {
        return ini_.Get(section, key, fallback, out, size, file);
    }
    bool WriteProfileString(const char* section, const char* key, const char* value, const char* file) override
    {
        return ini_.Write(section, key, value, file);
    }
    bool InstallHooks() override { return true; }
    void RemoveHooks() override {}

    static constexpr Hwnd kFocus = 1;

private:
    void select(ContextState& state, TextSink& sink);
    void pump();
    void dispatch(const Msg& m);
    void type(unsigned char c);
    void erase();
    void copySelection();
    void finish(bool commitWord);
    void flushPending();
    void expectKey();
    void expectDeleted(int count);
    void expectCommitted(const char* utf8, int size);
    int selectable();
    bool relocate(ContextState& state, TextSink& sink, int from, int to);

    // Marks a call under way, during which the program's reports are of our own changes.
    struct Busy {
        explicit Busy(ContextPlatform* p) : platform(p) { platform->busy_ = true; }
        ~Busy() { platform->busy_ = false; }
        ContextPlatform* platform;
    };

    IniFiles ini_;
    int beeps_ = 0;
    bool busy_ = false;
    // The input context of the call under way.
    ContextState* state_ = nullptr;
    TextSink* sink_ = nullptr;
    EngineKey key_;
    bool passKey_ = false;  // the key's own press goes to the program
    bool wordChanged_ = false;
    int deletions_ = 0;  // characters of the program's text to delete before the word
    int selectable_ = -1;
    char clipboard_[128] = {};
    int clipboardLength_ = -1;
    // The thread's message queue of a hooked program: a fixed ring.
    static constexpr int kQueue = 1024;
    Msg queue_[kQueue] = {};
    int head_ = 0, tail_ = 0;
    char utf8_[1024] = {};
};

// TCVN3 bytes as UTF-8 into out (room for three bytes a character); returns the length.
int Tcvn3ToUtf8(const unsigned char* bytes, int count, char* out);

}  // namespace kesmir
