// KESMIRDLL: the keystroke composition engine. Plain C-style state per process, fixed buffers,
// flags where on is -1 and off is 0, no allocation in the key path.
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

// For tests: the process starts afresh (settings unloaded, empty word), and a view of the word.
void ResetProcessState();
int WordLength();                     // Length: the next free position (1 for an empty word)
const unsigned char* WordText();      // positions 0..127
int WordStart();
int InputMode();                      // 1 Vietnamese, -2 English
int AutoTextCount();

}  // namespace kesmir
