// The simulated desktop of the tests and benchmarks: one thread's posted-message queue, a
// focused edit control that applies what a real one does with the messages it is sent (typed
// characters, backspaces, arrows with and without Shift, Ctrl+Insert copy, the number pad with
// NumLock on), the thread's key state, a clipboard and profile files in a folder.
#pragma once

#include "inifiles.h"
#include "platform.h"

#include <deque>
#include <string>
#include <vector>

namespace kesmir {

class SimPlatform : public Platform {
public:
    explicit SimPlatform(const std::string& iniFolder);

    // ---- The edit control (TCVN3 bytes) ----
    std::string text;
    int anchor = 0, caret = 0;  // the selection runs between them
    std::string className = "Edit";
    std::string clipboard;
    bool clipboardHasText = false;

    // ---- What the engine did ----
    int beeps = 0;
    std::vector<Msg> toOtherWindows;  // messages posted to windows other than the control
    bool hooksInstalled = false;
    bool failInstall = false;
    bool failInsert = false;  // posting Insert fails (a context read cannot copy)

    static constexpr Hwnd kControl = 0x100;

    // Physical keys: the keyboard hook sees them, then the thread retrieves what was posted.
    void KeyDown(int key, bool alt = false);
    void KeyUp(int key, bool alt = false);
    void Press(int key, bool alt = false);
    // Types ASCII text: letters (capitals with Shift), digits, blanks and brackets.
    void Type(const std::string& keys);
    void Click();  // a mouse click in the control (the message hook sees WM_LBUTTONDOWN)
    void Click(int position);  // a click that puts the caret at a position (and drops the selection)
    void Pump();
    void ToggleCapsLock();
    std::string Utf8() const;
    unsigned char keyState[256] = {};
    IniFiles ini;

    // Platform
    Hwnd GetFocus() override { return kControl; }
    int GetClassName(Hwnd window, char* name, int size) override;
    short GetKeyState(int key) override;
    void GetKeyboardState(unsigned char state[256]) override;
    void SetKeyboardState(const unsigned char state[256]) override;
    bool PostMessage(Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void MessageBeep() override { ++beeps; }
    int GetClipboardText(char* out, int size) override;
    int GetProfileString(const char* section, const char* key, const char* fallback, char* out, int size, const char* file) override
    {
        return ini.Get(section, key, fallback, out, size, file);
    }
    bool WriteProfileString(const char* section, const char* key, const char* value, const char* file) override
    {
        return ini.Write(section, key, value, file);
    }
    bool InstallHooks() override;
    void RemoveHooks() override { hooksInstalled = false; }

private:
    void dispatch(const Msg& m);
    void insert(unsigned char c);
    void eraseSelection();
    std::deque<Msg> queue_;
};

}  // namespace kesmir
