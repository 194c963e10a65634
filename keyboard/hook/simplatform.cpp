#include "simplatform.h"

#include "kesmir.h"
#include "tcvn3.h"

#include <algorithm>

namespace kesmir {

namespace {

int scanCode(int key)
{
    static const unsigned char letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                              0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    if (key >= 'A' && key <= 'Z') return letters[key - 'A'];
    if (key >= '1' && key <= '9') return 0x02 + (key - '1');
    if (key == '0') return 0x0B;
    if (key == 0x20) return 0x39;
    return 0x50;
}

}  // namespace

SimPlatform::SimPlatform(const std::string& iniFolder) : ini(iniFolder) {}

int SimPlatform::GetClassName(Hwnd, char* name, int size)
{
    const int n = std::min(static_cast<int>(className.size()), size - 1);
    className.copy(name, static_cast<std::size_t>(n));
    name[n] = 0;
    return n;
}

short SimPlatform::GetKeyState(int key)
{
    const unsigned char s = keyState[key & 0xFF];
    return static_cast<short>(((s & 0x80) ? 0x8000 : 0) | (s & 1));
}

void SimPlatform::GetKeyboardState(unsigned char state[256]) { std::copy(keyState, keyState + 256, state); }

void SimPlatform::SetKeyboardState(const unsigned char state[256]) { std::copy(state, state + 256, keyState); }

bool SimPlatform::PostMessage(Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (failInsert && message == WM_KEYDOWN && wParam == 0x2D) return false;
    if (window != kControl) {
        toOtherWindows.push_back({window, message, wParam, lParam});
        return true;
    }
    queue_.push_back({window, message, wParam, lParam});
    return true;
}

int SimPlatform::GetClipboardText(char* out, int size)
{
    if (!clipboardHasText) return -1;
    const int n = std::min(static_cast<int>(clipboard.size()), size - 1);
    clipboard.copy(out, static_cast<std::size_t>(n));
    out[n] = 0;
    return n;
}

bool SimPlatform::InstallHooks()
{
    hooksInstalled = !failInstall;
    return hooksInstalled;
}

void SimPlatform::KeyDown(int key, bool alt)
{
    if (key == 0x14) keyState[0x14] ^= 1;
    keyState[key] |= 0x80;
    if (alt) keyState[0x12] |= 0x80;
    const std::intptr_t lParam = 1 | (scanCode(key) << 16) | (alt ? 0x20000000 : 0);
    if (!GetKeyHook(0, static_cast<std::uintptr_t>(key), lParam)) queue_.push_front({kControl, WM_KEYDOWN, static_cast<std::uintptr_t>(key), lParam});
    Pump();
}

void SimPlatform::KeyUp(int key, bool alt)
{
    keyState[key] &= static_cast<unsigned char>(~0x80);
    const std::intptr_t lParam = static_cast<std::intptr_t>(0xC0000001u | (scanCode(key) << 16) | (alt ? 0x20000000u : 0));
    if (!GetKeyHook(0, static_cast<std::uintptr_t>(key), lParam)) dispatch({kControl, WM_KEYUP, static_cast<std::uintptr_t>(key), lParam});
    if (alt) keyState[0x12] &= static_cast<unsigned char>(~0x80);
    Pump();
}

void SimPlatform::Press(int key, bool alt)
{
    KeyDown(key, alt);
    KeyUp(key, alt);
}

void SimPlatform::ToggleCapsLock() { Press(0x14); }

void SimPlatform::Type(const std::string& keys)
{
    for (const char c : keys) {
        if (c >= 'A' && c <= 'Z') {
            KeyDown(0x10);
            Press(c);
            KeyUp(0x10);
        } else if (c >= 'a' && c <= 'z') {
            Press(c - 0x20);
        } else if (c == '[') {
            Press(0xDB);
        } else if (c == ']') {
            Press(0xDD);
        } else if (c == ',') {
            Press(0xBC);
        } else if (c == '.') {
            Press(0xBE);
        } else {
            Press(static_cast<unsigned char>(c));
        }
    }
}

void SimPlatform::Click()
{
    Msg click{kControl, WM_LBUTTONDOWN, 0, 0};
    GetMessageHook(0, 1, &click);
    Pump();
}

void SimPlatform::Click(int position)
{
    anchor = caret = std::clamp(position, 0, static_cast<int>(text.size()));
    Click();
}

void SimPlatform::Pump()
{
    for (int guard = 0; guard < 100000 && !queue_.empty(); ++guard) {
        Msg m = queue_.front();
        queue_.pop_front();
        GetMessageHook(0, 1, &m);
        dispatch(m);
    }
}

void SimPlatform::eraseSelection()
{
    const int from = std::min(anchor, caret), to = std::max(anchor, caret);
    text.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
    anchor = caret = from;
}

void SimPlatform::insert(unsigned char c)
{
    eraseSelection();
    text.insert(text.begin() + caret, static_cast<char>(c));
    anchor = caret = caret + 1;
}

// What an edit control does with a message (with the key translation a message loop makes).
void SimPlatform::dispatch(const Msg& m)
{
    const bool shift = keyState[0x10] & 0x80;
    const bool ctrl = keyState[0x11] & 0x80;
    if (m.message == WM_CHAR) {
        insert(static_cast<unsigned char>(m.wParam));
        return;
    }
    if (m.message != WM_KEYDOWN) return;
    const int key = static_cast<int>(m.wParam);
    // A character key becomes a WM_CHAR behind what is already queued, as the message loop's
    // key translation posts it.
    auto translate = [this, &m](unsigned char c) { queue_.push_back({m.hwnd, WM_CHAR, c, 1}); };
    if (key >= 'A' && key <= 'Z') {
        if (ctrl) return;
        const bool upper = shift != static_cast<bool>(keyState[0x14] & 1);
        translate(static_cast<unsigned char>(upper ? key : key + 0x20));
    } else if ((key >= '0' && key <= '9') || key == 0x20) {
        translate(static_cast<unsigned char>(key));
    } else if (key >= 0x60 && key <= 0x6F) {  // the number pad; 0x6C (separator) types nothing
        static const char pad[] = "0123456789*+ -./";
        if (key != 0x6C) translate(static_cast<unsigned char>(pad[key - 0x60]));
    } else if (key == 0x08) {
        if (anchor != caret) eraseSelection();
        else if (caret > 0) {
            text.erase(static_cast<std::size_t>(caret - 1), 1);
            anchor = caret = caret - 1;
        }
    } else if (key == 0x25 || key == 0x27) {
        const int step = key == 0x25 ? -1 : 1;
        caret = std::clamp(caret + step, 0, static_cast<int>(text.size()));
        if (!shift) anchor = caret;
    } else if (key == 0x2D && ctrl) {
        const int from = std::min(anchor, caret), to = std::max(anchor, caret);
        clipboard = text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
        clipboardHasText = true;
    } else {
        static const struct {
            int key;
            char plain, shifted;
        } punctuation[] = {{0xDB, '[', '{'}, {0xDD, ']', '}'}, {0xBC, ',', '<'}, {0xBE, '.', '>'}, {0xBF, '/', '?'},
                           {0xBA, ';', ':'}, {0xDE, '\'', '"'}, {0xBD, '-', '_'}, {0xBB, '=', '+'}, {0xC0, '`', '~'}};
        for (const auto& p : punctuation)
            if (p.key == key) translate(static_cast<unsigned char>(shift ? p.shifted : p.plain));
    }
}

std::string SimPlatform::Utf8() const { return tcvn3::decodeToUtf8(text); }

}  // namespace kesmir
