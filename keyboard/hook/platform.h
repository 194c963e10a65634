// The operations the keyboard engine asks of the desktop it runs in: the focus window and its
// class, key state, posting messages to a window, a beep, the clipboard, profile (INI) files and
// installing the two hooks. A Linux input-method backend and the simulator of the tests are its
// two implementations.
#pragma once

#include <cstdint>

namespace kesmir {

using Hwnd = std::uintptr_t;

enum : unsigned {
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_CHAR = 0x0102,
    WM_COMMAND = 0x0111,
    WM_ACTIVATE = 0x0006,
    WM_LBUTTONDOWN = 0x0201,
};

struct Msg {
    Hwnd hwnd;
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

class Platform {
public:
    virtual ~Platform() = default;
    virtual Hwnd GetFocus() = 0;
    // Copies the window's class name (zero-terminated, at most size-1 characters); returns its length.
    virtual int GetClassName(Hwnd window, char* name, int size) = 0;
    // High bit: the key is down; low bit: the key is toggled (CapsLock).
    virtual short GetKeyState(int key) = 0;
    virtual void GetKeyboardState(unsigned char state[256]) = 0;
    virtual void SetKeyboardState(const unsigned char state[256]) = 0;
    virtual bool PostMessage(Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    virtual void MessageBeep() = 0;
    // The clipboard's text (zero-terminated, cut to size-1 bytes); returns its length, -1 when none.
    virtual int GetClipboardText(char* text, int size) = 0;
    // Profile files: a bare file name, a section and a key. A null key returns the section's keys,
    // each zero-terminated, with an extra zero at the end.
    virtual int GetProfileString(const char* section, const char* key, const char* fallback, char* out, int size,
                                 const char* file) = 0;
    // A null value deletes the key.
    virtual bool WriteProfileString(const char* section, const char* key, const char* value, const char* file) = 0;
    // Installs (or removes) the keyboard hook and the message hook for every thread.
    virtual bool InstallHooks() = 0;
    virtual void RemoveHooks() = 0;
};

// The platform the engine of this process uses.
void SetPlatform(Platform* platform);

}  // namespace kesmir
