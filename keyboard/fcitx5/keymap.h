// fcitx5's keys as the engine's key codes and key-message flags.
#pragma once

#include "contextplatform.h"

#include <fcitx-utils/key.h>

namespace kesmir {

// A key press or release: letters by their letter, digits by the physical key (Shift+1 is the
// key 1, as VNI wants it), punctuation by the key it is on, and the keys the engine knows by name.
// Keys the engine has no code for get 0xFF, which it passes on and which ends the word.
EngineKey EngineKeyOf(const fcitx::Key& key, bool release);

}  // namespace kesmir
