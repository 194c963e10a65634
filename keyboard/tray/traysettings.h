// The keyboard's settings as the tray program keeps them: the seven keys of "tonvoro.ini" that
// every input context reads, written together after every change.
#pragma once

#include "inifiles.h"

namespace kesmir::tray {

inline constexpr char kSettingsFile[] = "tonvoro.ini";
inline constexpr char kSettingsSection[] = "Tonvoro config";

struct Settings {
    int mode = 1;         // 1 Vietnamese, -2 English
    int style = 0;        // 0 Telex, 1 VNI
    int old = 0;          // old-style tone placement: 0 off, -1 on
    int fastCorrect = 0;  // 0 off, -1 on
    int code = 0;         // 0 the keyboard's own code, 1 TCVN3
    int numLai = 3;       // characters fast correct selects back: 1 or 3
    int autoText = 0;     // AutoText expansion: 0 off, -1 on
    int autoUo = 0;       // Telex "uơ" that goes on becomes "ươ": 0 off, -1 on

    bool vietnamese() const { return mode != -2; }
    bool operator==(const Settings&) const = default;
};

// Reads the keys with the engine's own conversions (a missing or unknown value is the default).
Settings ReadSettings(const IniFiles& ini);
// Writes all the keys in one go, in their fixed order, AutoText's under " _flAutoText".
bool WriteSettings(const IniFiles& ini, const Settings& settings);

// Flags are on at -1 and off at 0: flipping is a bitwise not.
inline int Flip(int flag) { return ~flag; }

}  // namespace kesmir::tray
