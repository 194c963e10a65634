#include "keymap.h"

#include "tcvn3.h"

#include <fcitx-utils/keysym.h>

namespace kesmir {

namespace {

struct Named {
    fcitx::KeySym sym;
    unsigned char key;
};

// Keys by name; the punctuation keys under both their characters.
constexpr Named kNamed[] = {
    {FcitxKey_space, 0x20},       {FcitxKey_Return, 0x0D},       {FcitxKey_KP_Enter, 0x0D},     {FcitxKey_Tab, 0x09},
    {FcitxKey_ISO_Left_Tab, 0x09}, {FcitxKey_BackSpace, 0x08},   {FcitxKey_Escape, 0x1B},       {FcitxKey_Delete, 0x2E},
    {FcitxKey_Insert, 0x2D},      {FcitxKey_Home, 0x24},         {FcitxKey_End, 0x23},          {FcitxKey_Page_Up, 0x21},
    {FcitxKey_Page_Down, 0x22},   {FcitxKey_Left, 0x25},         {FcitxKey_Up, 0x26},           {FcitxKey_Right, 0x27},
    {FcitxKey_Down, 0x28},        {FcitxKey_KP_Home, 0x24},      {FcitxKey_KP_End, 0x23},       {FcitxKey_KP_Page_Up, 0x21},
    {FcitxKey_KP_Page_Down, 0x22}, {FcitxKey_KP_Left, 0x25},     {FcitxKey_KP_Up, 0x26},        {FcitxKey_KP_Right, 0x27},
    {FcitxKey_KP_Down, 0x28},     {FcitxKey_KP_Insert, 0x2D},    {FcitxKey_KP_Delete, 0x2E},    {FcitxKey_Shift_L, 0x10},
    {FcitxKey_Shift_R, 0x10},     {FcitxKey_Control_L, 0x11},    {FcitxKey_Control_R, 0x11},    {FcitxKey_Alt_L, 0x12},
    {FcitxKey_Alt_R, 0x12},       {FcitxKey_Meta_L, 0x12},       {FcitxKey_Meta_R, 0x12},       {FcitxKey_Caps_Lock, 0x14},
    {FcitxKey_Pause, 0x13},       {FcitxKey_Super_L, 0x5B},      {FcitxKey_Super_R, 0x5C},      {FcitxKey_Menu, 0x5D},
    {FcitxKey_KP_Multiply, 0x6A}, {FcitxKey_KP_Add, 0x6B},       {FcitxKey_KP_Separator, 0x6C}, {FcitxKey_KP_Subtract, 0x6D},
    {FcitxKey_KP_Decimal, 0x6E},  {FcitxKey_KP_Divide, 0x6F},    {FcitxKey_bracketleft, 0xDB},  {FcitxKey_braceleft, 0xDB},
    {FcitxKey_bracketright, 0xDD}, {FcitxKey_braceright, 0xDD},  {FcitxKey_comma, 0xBC},        {FcitxKey_less, 0xBC},
    {FcitxKey_period, 0xBE},      {FcitxKey_greater, 0xBE},      {FcitxKey_slash, 0xBF},        {FcitxKey_question, 0xBF},
    {FcitxKey_semicolon, 0xBA},   {FcitxKey_colon, 0xBA},        {FcitxKey_apostrophe, 0xDE},   {FcitxKey_quotedbl, 0xDE},
    {FcitxKey_minus, 0xBD},       {FcitxKey_underscore, 0xBD},   {FcitxKey_equal, 0xBB},        {FcitxKey_plus, 0xBB},
    {FcitxKey_grave, 0xC0},       {FcitxKey_asciitilde, 0xC0},   {FcitxKey_backslash, 0xDC},    {FcitxKey_bar, 0xDC},
};

// The shifted digits of the common layout, for keys that come without a key code.
constexpr char kShiftedDigits[] = ")!@#$%^&*(";

// PC scan codes of the letter keys A..Z, for keys that come without a key code.
constexpr unsigned char kLetterScan[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                           0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

int keyCodeOf(fcitx::KeySym sym, int code)
{
    // X key codes 10..19 are the digit row 1..9, 0 whatever the layout and Shift make of them.
    if (code >= 10 && code <= 19) return code == 19 ? '0' : '1' + (code - 10);
    if (sym >= FcitxKey_a && sym <= FcitxKey_z) return 'A' + (sym - FcitxKey_a);
    if (sym >= FcitxKey_A && sym <= FcitxKey_Z) return 'A' + (sym - FcitxKey_A);
    if (sym >= FcitxKey_0 && sym <= FcitxKey_9) return '0' + (sym - FcitxKey_0);
    if (sym >= FcitxKey_KP_0 && sym <= FcitxKey_KP_9) return 0x60 + (sym - FcitxKey_KP_0);
    if (sym >= FcitxKey_F1 && sym <= FcitxKey_F24) return 0x70 + (sym - FcitxKey_F1);
    if (sym > 0 && sym < 0x80)
        for (int d = 0; d < 10; ++d)
            if (kShiftedDigits[d] == static_cast<char>(sym)) return '0' + d;
    for (const Named& n : kNamed)
        if (n.sym == sym) return n.key;
    return 0xFF;
}

}  // namespace

EngineKey EngineKeyOf(const fcitx::Key& key, bool release)
{
    EngineKey k;
    const fcitx::KeySym sym = key.sym();
    const fcitx::KeyStates states = key.states();
    k.key = keyCodeOf(sym, key.code());
    k.release = release;
    k.shift = states.test(fcitx::KeyState::Shift);
    k.ctrl = states.test(fcitx::KeyState::Ctrl);
    k.alt = states.test(fcitx::KeyState::Alt);
    k.capsLock = states.test(fcitx::KeyState::CapsLock);
    // The flags of a key message: repeat count 1, the scan code (the evdev code, which X offsets
    // by 8), Alt held, and for a release the previous-state and transition bits.
    int scan = key.code() > 8 ? key.code() - 8 : 0;
    if (scan == 0 && k.key >= 'A' && k.key <= 'Z') scan = kLetterScan[k.key - 'A'];
    k.lParam = 1u | (static_cast<std::uint32_t>(scan & 0xFF) << 16) | (k.alt ? 0x20000000u : 0u) |
               (release ? 0xC0000000u : 0u);
    // XIM may report a letter by its unshifted symbol with Shift in the state: the letter the
    // program would type is the capital.
    fcitx::KeySym typed = sym;
    if (sym >= FcitxKey_a && sym <= FcitxKey_z && k.shift && !k.capsLock)
        typed = static_cast<fcitx::KeySym>(FcitxKey_A + (sym - FcitxKey_a));
    const int byte = tcvn3::fromUnicode(fcitx::Key::keySymToUnicode(typed));
    k.character = byte > 0 && byte >= 0x20 ? static_cast<unsigned char>(byte) : 0;
    return k;
}

}  // namespace kesmir
