// The engine's state per window, and the settings files as the engine and the tray program share
// them.
#include "kesmir.h"
#include "simplatform.h"

#include "tempfolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

using namespace kesmir;

namespace {

using Folder = TempFolder;

std::string get(const IniFiles& ini, const char* section, const char* key, const char* file)
{
    char value[64];
    ini.Get(section, key, "(none)", value, sizeof value, file);
    return value;
}

}  // namespace

TEST(KeyboardWindows, EachWindowKeepsItsOwnWordWhileTheyTypeInTurn)
{
    Folder folder;
    SimPlatform first(folder.path), second(folder.path);
    WindowState firstState, secondState;
    auto in = [](SimPlatform& sim, WindowState& state, const std::string& keys) {
        SetPlatform(&sim);
        SelectWindowState(&state);
        sim.Type(keys);
    };
    SetPlatform(&first);
    ResetProcessState();
    // Key by key in turn: a tone typed in one window never lands on the other's vowels.
    const std::string a = "nguwowif", b = "tieengs";
    for (std::size_t k = 0; k < a.size() || k < b.size(); ++k) {
        if (k < a.size()) in(first, firstState, a.substr(k, 1));
        if (k < b.size()) in(second, secondState, b.substr(k, 1));
    }
    EXPECT_EQ(first.Utf8(), "người");
    EXPECT_EQ(second.Utf8(), "tiếng");
    SelectWindowState(&firstState);
    EXPECT_EQ(WordLength(), 6);
    SelectWindowState(&secondState);
    EXPECT_EQ(WordLength(), 6);
    // The settings are one copy for all windows: VNI chosen in one is VNI in the other.
    std::ofstream(folder.path + "/tonvoro.ini", std::ios::binary) << "[Tonvoro config]\r\nVNIStyle=1\r\n";
    Msg activate{SimPlatform::kControl, WM_ACTIVATE, 1, 0};
    GetMessageHook(0, 1, &activate);
    in(first, firstState, " a1");
    in(second, secondState, " o6");
    EXPECT_EQ(first.Utf8(), "người á");
    EXPECT_EQ(second.Utf8(), "tiếng ô");
    // The process's own window is a third one, untouched by both.
    SelectWindowState(nullptr);
    EXPECT_EQ(WordLength(), 1);
    SetPlatform(nullptr);
}

TEST(KeyboardSettingsFiles, AKeyWrittenWithBlanksIsTheKeyAlreadyThere)
{
    Folder folder;
    IniFiles ini(folder.path);
    ini.Write("Tonvoro config", "_flAutoText", "0", "tonvoro.ini");
    ini.Write("Tonvoro config", " _flAutoText", "-1", "tonvoro.ini");
    ini.Write(" Tonvoro config ", "_flAutoText ", "-1", "tonvoro.ini");
    ini.Write("TR config", "hWndMain ", "11", "tr.ini");
    ini.Write("TR config", "hWndMain ", "22", "tr.ini");
    EXPECT_EQ(folder.read("tonvoro.ini"), "[Tonvoro config]\r\n_flAutoText=-1\r\n");
    EXPECT_EQ(folder.read("tr.ini"), "[TR config]\r\nhWndMain=22\r\n");
    EXPECT_EQ(get(ini, "TR config", " hWndMain ", "tr.ini"), "22");
    // Deleting a key given with blanks deletes the line.
    ini.Write("TR config", " hWndMain", nullptr, "tr.ini");
    EXPECT_EQ(get(ini, "TR config", "hWndMain", "tr.ini"), "(none)");
}

TEST(KeyboardSettingsFiles, AReaderSeesTheOldFileOrTheNewOneNeverAPartOfIt)
{
    Folder folder;
    IniFiles ini(folder.path);
    ini.Write("Tonvoro config", "flagvnkey", "1", "tonvoro.ini");
    const std::string before = folder.read("tonvoro.ini");
    // A reader that opened the file before the write goes on reading the whole old file.
    std::ifstream reader(folder.path + "/tonvoro.ini", std::ios::binary);
    ASSERT_TRUE(ini.Write("Tonvoro config", "flagvnkey", "-2", "tonvoro.ini"));
    std::stringstream seen;
    seen << reader.rdbuf();
    EXPECT_EQ(seen.str(), before);
    EXPECT_EQ(get(ini, "Tonvoro config", "flagvnkey", "tonvoro.ini"), "-2");
    // Nothing is left beside the file.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path)) ++files;
    EXPECT_EQ(files, 1);
}

TEST(KeyboardSettingsFiles, ANumberTooLargeForTheEngineIsReadAsTheDefault)
{
    Folder folder;
    SimPlatform sim(folder.path);
    SetPlatform(&sim);
    SelectWindowState(nullptr);
    auto typed = [&](const std::string& settings, const std::string& keys) {
        std::ofstream(folder.path + "/tonvoro.ini", std::ios::binary | std::ios::trunc) << "[Tonvoro config]\r\n" << settings;
        ResetProcessState();
        sim.text.clear();
        sim.anchor = sim.caret = 0;
        sim.Type(keys);
        return sim.Utf8();
    };
    // Wrapped around, these would read -2 (English), 1 (VNI) and -1 (old tones).
    EXPECT_EQ(typed("flagvnkey=4294967294\r\n", "as"), "á");
    EXPECT_EQ(InputMode(), 1);
    EXPECT_EQ(typed("VNIStyle=4294967297\r\n", "a1s"), "a1s");
    EXPECT_EQ(typed("Old=-4294967297\r\n", "hoaf"), "hoà");
    // The largest numbers that fit are numbers like any other.
    EXPECT_EQ(typed("flagvnkey=-2147483648\r\n", "as"), "á");
    EXPECT_EQ(typed("VNIStyle=2147483647\r\n", "a1"), "a1");
    EXPECT_EQ(typed("flagvnkey=-2\r\n", "as"), "as");
    SetPlatform(nullptr);
}

TEST(KeyboardSettingsFiles, TheKeyListHoldsWholeNamesAndAKeyInItsOwnCaseWins)
{
    Folder folder;
    IniFiles ini(folder.path);
    std::ofstream(folder.path + "/TRAUTO.INI", std::ios::binary) << "[AutoText]\r\nvn=first\r\nVN=second\r\nabcdefgh=x\r\n";
    char value[16];
    ini.Get("AutoText", "VN", "", value, sizeof value, "TRAUTO.INI");
    EXPECT_STREQ(value, "second");
    ini.Get("AutoText", "Vn", "", value, sizeof value, "TRAUTO.INI");
    EXPECT_STREQ(value, "first");
    // A list that does not fit ends at the last whole name, never at a piece of one.
    char names[12];
    const int n = ini.Get("AutoText", nullptr, "", names, sizeof names, "TRAUTO.INI");
    EXPECT_EQ(std::string(names, static_cast<std::size_t>(n)), std::string("vn\0VN\0", 6));
    EXPECT_EQ(names[n], 0);
}
