#include "traysettings.h"

#include "kesmir.h"

#include <string>

namespace kesmir::tray {

namespace {

int read(const IniFiles& ini, const char* key, int fallback)
{
    char value[25];
    ini.Get(kSettingsSection, key, "", value, sizeof value, kSettingsFile);
    return ParseSetting(value, fallback);
}

}  // namespace

Settings ReadSettings(const IniFiles& ini)
{
    Settings s;
    s.mode = read(ini, "flagvnkey", 1) == -2 ? -2 : 1;
    s.style = read(ini, "VNIStyle", 0) == 1 ? 1 : 0;
    s.old = read(ini, "Old", 0) == -1 ? -1 : 0;
    s.fastCorrect = read(ini, "FastCorrect", 0) == -1 ? -1 : 0;
    s.code = read(ini, "flagchuan", 0) == 1 ? 1 : 0;
    s.numLai = read(ini, "NUMLAI", 3) == 1 ? 1 : 3;
    s.autoText = read(ini, "_flAutoText", 0) == -1 ? -1 : 0;
    s.autoUo = read(ini, "AutoUo", 0) == -1 ? -1 : 0;
    return s;
}

bool WriteSettings(const IniFiles& ini, const Settings& s)
{
    const std::string values[] = {std::to_string(s.mode),        std::to_string(s.style),  std::to_string(s.old),
                                  std::to_string(s.fastCorrect), std::to_string(s.code),   std::to_string(s.numLai),
                                  std::to_string(s.autoText),    std::to_string(s.autoUo)};
    const IniFiles::KeyValue pairs[] = {{"flagvnkey", values[0].c_str()},   {"VNIStyle", values[1].c_str()},
                                        {"Old", values[2].c_str()},         {"FastCorrect", values[3].c_str()},
                                        {"flagchuan", values[4].c_str()},   {"NUMLAI", values[5].c_str()},
                                        {" _flAutoText", values[6].c_str()}, {"AutoUo", values[7].c_str()}};
    return ini.WriteAll(kSettingsSection, pairs, 8, kSettingsFile);
}

}  // namespace kesmir::tray
