// KESMIRDLL: the keystroke composition engine. Plain C-style state, fixed buffers, flags where on
// is -1 and off is 0, no allocation in the key path. The settings and the AutoText table are kept
// once per process; everything a window's typing needs is kept per window (WindowState), so that
// a process that hosts the typing of many windows gives each its own word.
#pragma once

#include "platform.h"

#include <cstdint>

extern "C" {
// The message hook: sees every message the hooked thread retrieves (and may change it).
long GetMessageHook(int code, std::uintptr_t wParam, kesmir::Msg* message);
// The keyboard hook: sees every key event; a nonzero result swallows the key.
long GetKeyHook(int code, std::uintptr_t wParam, std::intptr_t lParam);
// The control entry of the tray program.
std::int32_t XulyHook(std::uint32_t command, std::intptr_t argument, void* pointer);
int NoticeEndOfGenerating();
}

namespace kesmir {

constexpr int kAutoTextRecords = 64;
constexpr int kAutoTextRecordSize = 129;

// The engine's state for one window: the word and key buffers, their positions, the delivery and
// context-read flags. A fresh object is an empty word.
struct WindowState {
    unsigned char Text[128] = {};
    unsigned char Keys[128] = {};
    int Length = 1;        // the next free position; 1 for an empty word
    int WordStartPos = 1;  // where the current word began
    int EmitFrom = 0;
    int EmitEnd = 0;  // an expansion emits its replacement only, not the space typed after it
    int EraseCount = 0;
    int PrevKey = 0, PrevChar = 0, LastKey = 0;
    int Undone = 0, TonePending = 0, ToneNumber = 0, ShiftHeld = 0, CapsLock = 0, CaseFlag = 0;
    int ContextTrigger = 0;
    Hwnd Focus = 0;
    char ClassName[81] = {};
    int EmitMode = 0;
    int SinglePending = 0;
    unsigned char PendingChar = 0;
    int ContextMode = 0, ContextReemitDone = 0, SelectFailed = 0, MouseClicked = 0;
    int AfterExpansion = 0, EndOfGeneration = 0;
    int ContextKey = 0;  // the key that started the context read
    unsigned char ContextKeyChar = 0;
    char ContextText[80] = {};
};

// The window the following hook calls are about (a platform that hosts many windows selects one
// before each call); null selects the process's own window, the one a hooked program uses.
void SelectWindowState(WindowState* state);

// The selected window's word ends where it stands, as after Enter: the next key starts a new word
// (no click is assumed, so fast correct reads nothing back).
void ForgetWord();

// For tests: the process starts afresh (settings unloaded, the selected window's word empty), and
// a view of the selected window's word.
void ResetProcessState();
int WordLength();                     // Length: the next free position (1 for an empty word)
const unsigned char* WordText();      // positions 0..127
int WordStart();
int InputMode();                      // 1 Vietnamese, -2 English
int AutoTextCount();

// A settings value as the engine reads it: blanks, an optional sign, digits up to the first
// non-digit (empty text is 0); fallback for a number too large for an int.
int ParseSetting(const char* text, int fallback);

}  // namespace kesmir
