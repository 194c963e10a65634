// The composition engine typing into the simulated edit control.
#include "kesmir.h"
#include "simplatform.h"
#include "tables.h"
#include "tcvn3.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

using namespace kesmir;

class Keyboard : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/kesmir-XXXXXX";
        folder = mkdtemp(pattern);
        sim = std::make_unique<SimPlatform>(folder);
        SetPlatform(sim.get());
        ResetProcessState();
        settings({});
    }
    void TearDown() override
    {
        SetPlatform(nullptr);
        std::filesystem::remove_all(folder);
    }
    // Writes tonvoro.ini; the process reloads it when its settings are next loaded.
    void settings(std::initializer_list<std::pair<const char*, const char*>> values)
    {
        std::string file = "[Tonvoro config]\r\n";
        for (const auto& [k, v] : values) file += std::string(k) + "=" + v + "\r\n";
        std::ofstream(folder + "/tonvoro.ini", std::ios::binary | std::ios::trunc) << file;
        ResetProcessState();
    }
    // Types into an empty control, as a fresh word: the process's word buffer starts empty.
    std::string typed(const std::string& keys)
    {
        ResetProcessState();
        sim->text.clear();
        sim->anchor = sim->caret = 0;
        sim->Type(keys);
        return sim->Utf8();
    }
    // Fast correct on: the control holds before + after (UTF-8), a click puts the caret between
    // them, then the keys are typed. Returns the control's text; the caret must stand where the
    // typed text ends, with nothing selected.
    std::string typedAtClick(const std::string& before, const std::string& after, const std::string& keys)
    {
        const std::string tail = tcvn3::encodeUtf8(after).bytes;
        ResetProcessState();
        sim->text = tcvn3::encodeUtf8(before).bytes + tail;
        sim->anchor = sim->caret = 0;
        sim->Click(static_cast<int>(sim->text.size() - tail.size()));
        sim->Type(keys);
        EXPECT_EQ(sim->anchor, sim->caret) << before << "|" << after << " " << keys;
        EXPECT_EQ(sim->caret, static_cast<int>(sim->text.size() - tail.size())) << before << "|" << after << " " << keys;
        return sim->Utf8();
    }

    std::string folder;
    std::unique_ptr<SimPlatform> sim;
};

TEST(KeyboardTables, VowelIndexIsTheInverseOfTonedVowels)
{
    for (int k = 0; k < 72; ++k) EXPECT_EQ(VowelIndex[TonedVowels[k]], k);
    for (int b = 0xA1; b <= 0xA7; ++b) EXPECT_EQ(VowelIndex[b], 255);
    for (int b = 'A'; b <= 'Z'; ++b) EXPECT_EQ(VowelIndex[b], 255);
    // Every toned vowel is the TCVN3 code of the letter the codec knows.
    EXPECT_EQ(tcvn3::decodeToUtf8(std::string(1, static_cast<char>(TonedVowels[2]))), "á");
    EXPECT_EQ(tcvn3::decodeToUtf8(std::string(1, static_cast<char>(TonedVowels[7 * 6 + 1]))), "ừ");
}

TEST_F(Keyboard, TelexShapesAndTakingThemBack)
{
    const std::pair<const char*, const char*> cases[] = {
        {"as", "á"},      {"ass", "as"},   {"assa", "asa"}, {"aa", "â"},   {"aaa", "aa"},     {"dd", "đ"},
        {"ddd", "dd"},    {"ooo", "oo"},   {"ooos", "oó"},  {"w", "ư"},    {"ww", "w"},       {"uw", "ư"},
        {"aw", "ă"},      {"ow", "ơ"},     {"aww", "aw"},   {"]", "ư"},    {"]]", "]"},       {"asz", "a"},
        {"az", "az"},     {"hoaf", "hoà"}, {"thuyf", "thuỳ"}, {"quys", "quý"}, {"giar", "giả"}, {"tuyeens", "tuyến"},
        {"hoangs", "hoáng"}, {"nguwowif", "người"}, {"xanhf", "xành"}, {"anghf", "anghf"}, {"bcdf", "bcdf"},
        // A ư made from a typed u gives the u back; one made from w gives w.
        {"uww", "uw"}, {"Uww", "Uw"}, {"UWW", "UW"}, {"uwwa", "uwa"}, {"tuwws", "tuws"}, {"wwu", "wu"},
        {"cuwar", "cửa"}, {"dduwowcj", "được"}, {"huwu", "hưu"},
    };
    for (const auto& [keys, expected] : cases) EXPECT_EQ(typed(keys), expected) << keys;
}

TEST_F(Keyboard, OldStyleTonesAndCapitals)
{
    settings({{"Old", "-1"}});
    EXPECT_EQ(typed("hoaf"), "hòa");
    EXPECT_EQ(typed("thuyf"), "thùy");
    EXPECT_EQ(typed("hoangs"), "hoáng");  // a final consonant: the new-style rule
    // After Q the U is part of the consonant, in both styles.
    for (const char* style : {"-1", "0"}) {
        settings({{"Old", style}});
        EXPECT_EQ(typed("quys quyr quyx quyf quyj"), "quý quỷ quỹ quỳ quỵ") << "Old=" << style;
    }
    // No "qư": after Q or "qu" a W stays as typed; "quơ" keeps its shape.
    EXPECT_EQ(typed("qw quw Quw quow"), "qw quw Quw quơ");
    // "ưo" followed by a vowel or a final consonant is "ươ".
    EXPECT_EQ(typed("huwou uwoi uwou nguwoif tuwon luwot"), "hươu ươi ươu người tươn lươt");
    settings({});
    // Shift makes a capital letter, never a tone; CapsLock capitals are still tone keys.
    EXPECT_EQ(typed("aS"), "aS");
    EXPECT_EQ(typed("[["), "[");
    sim->ToggleCapsLock();
    EXPECT_EQ(typed("as"), "á");   // toned capitals have only the small code
    EXPECT_EQ(typed("["), "Ơ");
    EXPECT_EQ(typed("[["), "{");
    EXPECT_EQ(typed("awss"), "ĂS");  // the tone taken back: the capital plain vowel, then the key
    sim->ToggleCapsLock();
}

TEST_F(Keyboard, VniKeys)
{
    settings({{"VNIStyle", "1"}});
    const std::pair<const char*, const char*> cases[] = {
        {"a1", "á"}, {"a6", "â"}, {"a66", "a6"}, {"d9", "đ"}, {"d8", "đ"}, {"a8", "ă"}, {"o7", "ơ"}, {"6", "6"},
        {"hoa2", "hoà"}, {"ngu7o7i2", "người"}, {"Vie65t", "Việt"}, {"a1z", "a"},
    };
    for (const auto& [keys, expected] : cases) EXPECT_EQ(typed(keys), expected) << keys;
    // Shift does not stop the digit keys.
    ResetProcessState();
    sim->text.clear();
    sim->anchor = sim->caret = 0;
    sim->Type("a");
    sim->KeyDown(0x10);
    sim->Press('1');
    sim->KeyUp(0x10);
    EXPECT_EQ(sim->Utf8(), "á");
}

TEST_F(Keyboard, WholeSentences)
{
    // Telex keys -> the text a Vietnamese reader expects: 205 words.
    const std::pair<const char*, const char*> sentences[] = {
        {"Coong vawn ddeens cuar Sowr Giaos ducj vaf DDaof taoj Haf Nooij veef vieecj tuyeenr sinh nawm hocj mowis",
         "Công văn đến của Sở Giáo dục và Đào tạo Hà Nội về việc tuyển sinh năm học mới"},
        {"Ban giams ddoocs ddeef nghij cacs phongf nghieen cuwus vaf trar lowif trong thowif hanj quy ddinhj",
         "Ban giám đốc đề nghị các phòng nghiên cứu và trả lời trong thời hạn quy định"},
        {"Luaatj giao thoong ddwowngf booj quy ddinhj moij nguwowif phair ddooij mux baor hieemr khi ddi xe mays",
         "Luật giao thông đường bộ quy định mọi người phải đội mũ bảo hiểm khi đi xe máy"},
        {"Chungs tooi yeeu quee hwowng ddaats nuwowcs vaf mong muoons ddongs gops suwcs luwcj cho xax hooij",
         "Chúng tôi yêu quê hương đất nước và mong muốn đóng góp sức lực cho xã hội"},
        {"Hooij nghij toongr keets coong tacs nawm nay ddwowcj toor chuwcs taij hooij truwowngf lowns cuar thanhf phoos",
         "Hội nghị tổng kết công tác năm nay được tổ chức tại hội trường lớn của thành phố"},
        {"Cacs ddown vij caanf guwir baos caos veef tinhf hinhf thuwcj hieenj kees hoachj truwowcs ngayf hai muwowi",
         "Các đơn vị cần gửi báo cáo về tình hình thực hiện kế hoạch trước ngày hai mươi"},
        {"Muaf thu nawm aays trowif xanh ngawts, gios nhej thooir qua nhuwngx con ddwowngf nhor",
         "Mùa thu năm ấy trời xanh ngắt, gió nhẹ thổi qua những con đường nhỏ"},
        {"Ngoaif vuwownf chim hots lieen tucj, hoa nowr rooj khawps nowi trong khu phoos cux",
         "Ngoài vườn chim hót liên tục, hoa nở rộ khắp nơi trong khu phố cũ"},
        {"OOng giaf ngooif been cuwar soor ddocj baos vaf uoongs traf nongs mooix buooir sangs",
         "Ông già ngồi bên cửa sổ đọc báo và uống trà nóng mỗi buổi sáng"},
        {"Tieengs Vieetj cos sasu thanh ddieeuj neen nguwowif hocj phair luyeenj nghe thaatj kyx",
         "Tiếng Việt có sáu thanh điệu nên người học phải luyện nghe thật kỹ"},
        {"Khuyeens khichs hocj sinh ddocj sachs vaf giuwx gifn truyeenf thoongs vawn hoas daan toocj",
         "Khuyến khích học sinh đọc sách và giữ gìn truyền thống văn hoá dân tộc"},
        {"Khoong ai bieets caau chuyeenj ddos bawts ddaauf tuwf ddaau vaf keets thucs ra sao",
         "Không ai biết câu chuyện đó bắt đầu từ đâu và kết thúc ra sao"},
        {"Tooi ddi hocj lucs bary giowf sangs", "Tôi đi học lúc bảy giờ sáng"},
    };
    int words = 0;
    std::string paragraphKeys, paragraph;
    for (const auto& [keys, expected] : sentences) {
        EXPECT_EQ(typed(keys), expected) << keys;
        words += static_cast<int>(std::count(expected, expected + strlen(expected), ' ')) + 1;
        paragraphKeys += std::string(paragraphKeys.empty() ? "" : " ") + keys;
        paragraph += std::string(paragraph.empty() ? "" : " ") + expected;
    }
    EXPECT_GE(words, 200);
    // Without Enter, however long the line: a word is never cut by the end of the word buffer,
    // wherever in the line that end falls.
    for (const std::string lead : {"", "a ", "ba ", "abcd "})
        EXPECT_EQ(typed(lead + paragraphKeys), lead + paragraph) << "after \"" << lead << "\"";
    std::string bas;
    for (int k = 0; k < 39; ++k) bas += "ba ";
    EXPECT_EQ(typed(bas + "vieetj "), bas + "việt ");
    EXPECT_EQ(typed(std::string(117, 'b') + " ojj "), std::string(117, 'b') + " oj ");
}

TEST_F(Keyboard, AfterAClickTheFirstKeyStartsTheNextWord)
{
    // Fast correct off: a click ends the word, and the key after it is the first of a new one.
    for (const auto& [keys, expected] : {std::pair{"ddi", "đi"}, {"quaf", "quà"}, {"vieetj", "việt"}}) {
        ResetProcessState();
        sim->text = "Ha Noi ";
        sim->anchor = sim->caret = 0;
        sim->Click(static_cast<int>(sim->text.size()));
        sim->Type(keys);
        EXPECT_EQ(sim->Utf8(), std::string("Ha Noi ") + expected) << keys;
    }
}

TEST_F(Keyboard, FastCorrectRebuildsTheWordBeforeTheCaret)
{
    settings({{"FastCorrect", "-1"}});
    sim->Type("hoan");
    sim->Press(0x25);  // the caret goes back one place: "hoa|n"
    sim->Type("f");
    EXPECT_EQ(sim->Utf8(), "hoàn");
    EXPECT_TRUE(sim->clipboardHasText);
    EXPECT_EQ(sim->anchor, sim->caret);
    EXPECT_EQ(sim->keyState[0x10] & 0x80, 0);  // Shift and Ctrl are released afterwards
    EXPECT_EQ(sim->keyState[0x11] & 0x80, 0);
    // In a spreadsheet cell nothing is selected: the key is typed plainly.
    ResetProcessState();
    sim->className = "EXCEL5";
    sim->text.clear();
    sim->anchor = sim->caret = 0;
    sim->clipboardHasText = false;
    sim->Type("hoan");
    sim->Press(0x25);
    sim->Type("f");
    EXPECT_EQ(sim->Utf8(), "hoafn");
    EXPECT_FALSE(sim->clipboardHasText);
    // When the copy cannot be asked for, the next key drops the selection with a beep.
    ResetProcessState();
    sim->className = "Edit";
    sim->text = "ca";
    sim->anchor = sim->caret = 2;
    sim->failInsert = true;
    sim->Press(0x25);
    sim->Type("s");
    const int beeps = sim->beeps;
    sim->failInsert = false;
    sim->Type("x");
    EXPECT_EQ(sim->beeps, beeps + 1);
}

TEST_F(Keyboard, FastCorrectTypesAKeyWithNoVowelInReachOnce)
{
    settings({{"FastCorrect", "-1"}});
    sim->Type("xin chao ");
    sim->Press(0x25);
    sim->Press(0x27);
    sim->Type("sao");
    EXPECT_EQ(sim->Utf8(), "xin chao sao");
    const struct {
        const char *numlai, *style, *before, *after, *keys, *expected;
    } cases[] = {
        {"1", "0", "bcd", "", "s", "bcds"},        {"3", "0", "bcd", "", "s", "bcds"},
        {"1", "1", "bcd", "", "z", "bcdz"},        {"3", "1", "bcd", "", "z", "bcdz"},
        {"3", "0", "ngh", " ba", "s", "nghs ba"},  // three final consonants
        {"3", "0", "ba ", "", "ss", "ba ss"},      {"1", "0", "ba ", "", "s", "ba s"},
        {"3", "0", "bcd", "", "sa", "bcdsa"},      {"3", "1", "ba ", "", "z2", "ba z2"},
    };
    for (const auto& c : cases) {
        settings({{"FastCorrect", "-1"}, {"NUMLAI", c.numlai}, {"VNIStyle", c.style}});
        EXPECT_EQ(typedAtClick(c.before, c.after, c.keys), c.expected) << c.before << "|" << c.after << " " << c.keys
                                                                       << ", NUMLAI " << c.numlai << ", VNI " << c.style;
    }
}

TEST_F(Keyboard, FastCorrectChangesOnlyTheWordBeforeTheCaret)
{
    // Fewer characters before the caret than the look-back count, or none at all.
    const struct {
        const char *numlai, *before, *after, *keys, *expected;
    } cases[] = {
        {"3", "Ha", " Nội", "f", "Hà Nội"},     {"1", "Ha", " Nội", "f", "Hà Nội"}, {"3", "ca", " phe", "s", "cá phe"},
        {"3", "bc", " phe", "s", "bcs phe"},    {"3", "u", " phe", "w", "ư phe"},    {"3", "d", " phe", "d", "đ phe"},
        {"3", "a", " phe", "a", "â phe"},       {"3", "", "ca phe", "s", "sca phe"}, {"1", "", "ca phe", "s", "sca phe"},
        {"3", "", "ca phe", "w", "ưca phe"},    {"3", "", "ca", "]", "ưca"},        {"3", "ca", "", "s", "cá"},
        {"3", "\r\n", "ca", "s", "\r\nsca"},  // a line start
    };
    for (const auto& c : cases) {
        settings({{"FastCorrect", "-1"}, {"NUMLAI", c.numlai}});
        EXPECT_EQ(typedAtClick(c.before, c.after, c.keys), c.expected) << c.before << "|" << c.after << " " << c.keys
                                                                       << ", NUMLAI " << c.numlai;
    }
}

TEST_F(Keyboard, NumberPadAndFunctionKeysAreNeverLettersOfTheWord)
{
    // Keys as for Type(), except that "#" presses the next character (a digit or * + - . /) on the
    // number pad, "@" presses F6, "^" the left Windows key, "~" Apps and "%" Volume Mute.
    auto typedWithPad = [this](const std::string& keys) {
        ResetProcessState();
        sim->text.clear();
        sim->anchor = sim->caret = 0;
        static const std::string pad = "0123456789*+ -./";
        for (std::size_t k = 0; k < keys.size(); ++k) {
            const char c = keys[k];
            if (c == '#') sim->Press(0x60 + static_cast<int>(pad.find(keys[++k])));
            else if (c == '@') sim->Press(0x75);
            else if (c == '^') sim->Press(0x5B);
            else if (c == '~') sim->Press(0x5D);
            else if (c == '%') sim->Press(0xAD);
            else sim->Type(std::string(1, c));
        }
        return sim->Utf8();
    };
    // In Telex the pad's digits type what the digit row types.
    for (const char* fast : {"0", "-1"}) {
        settings({{"FastCorrect", fast}});
        for (const std::string keys : {"x15s", "ass1as", "ha2f", "1as", "ddaa9s", "toa0nf"}) {
            std::string onPad;
            for (const char c : keys) onPad += (c >= '0' && c <= '9') ? std::string("#") + c : std::string(1, c);
            EXPECT_EQ(typedWithPad(onPad), typed(keys)) << keys << ", fast correct " << fast;
        }
        const std::pair<const char*, const char*> cases[] = {
            {"x#/s", "x/s"}, {"x#*#+#-#.s", "x*+-.s"}, {"a#.as", "a.á"}, {"x@s", "xs"},
            {"a@s", "as"},   {"o^s", "os"},           {"hoa~f", "hoaf"}, {"x%s", "xs"},
        };
        for (const auto& [keys, expected] : cases) EXPECT_EQ(typedWithPad(keys), expected) << keys << ", fast correct " << fast;
    }
    // In VNI the pad's digits are digits, never shape or tone keys.
    settings({{"VNIStyle", "1"}});
    EXPECT_EQ(typedWithPad("x#1#51"), "x151");
    EXPECT_EQ(typedWithPad("a#1#6"), "a16");
}

TEST_F(Keyboard, AutoTextExpandsOnSpace)
{
    sim->ini.Write("AutoText", "vn", tcvn3::encodeUtf8("Việt Nam").bytes.c_str(), "TRAUTO.INI");
    sim->ini.Write("AutoText", "dangcongsan", "too long: ignored", "TRAUTO.INI");
    sim->ini.Write("AutoText", "hn", tcvn3::encodeUtf8("Hà Nội").bytes.c_str(), "TRAUTO.INI");
    settings({{"_flAutoText", "-1"}});
    EXPECT_EQ(typed("vn "), "Việt Nam ");
    EXPECT_EQ(AutoTextCount(), 2);
    EXPECT_EQ(typed("ddi hn "), "đi Hà Nội ");
    EXPECT_EQ(typed("vnx "), "vnx ");
    EXPECT_EQ(typed("VN "), "VN ");  // letter case counts
    settings({});
    EXPECT_EQ(typed("vn "), "vn ");
}

TEST_F(Keyboard, TheToggleKeyAndTheControlEntry)
{
    sim->ini.Write("TR config", "hWndMain", "4242", "tr.ini");
    sim->Type("a");
    sim->Press('Z', true);  // Alt+Z
    EXPECT_EQ(InputMode(), -2);
    char value[8];
    sim->ini.Get("Tonvoro config", "flagvnkey", "", value, sizeof value, "tonvoro.ini");
    EXPECT_STREQ(value, "-2");
    ASSERT_EQ(sim->toOtherWindows.size(), 1u);
    EXPECT_EQ(sim->toOtherWindows[0].hwnd, 4242u);
    EXPECT_EQ(sim->toOtherWindows[0].message, WM_COMMAND);
    EXPECT_EQ(sim->toOtherWindows[0].wParam, 3002u);
    sim->Type("as");  // English: untouched
    EXPECT_EQ(sim->Utf8(), "aas");
    sim->Press('Z', true);
    EXPECT_EQ(InputMode(), 1);

    EXPECT_EQ(XulyHook(1, 4242, nullptr), 1);
    EXPECT_TRUE(sim->hooksInstalled);
    EXPECT_EQ(XulyHook(2, 0, nullptr), 1);
    EXPECT_FALSE(sim->hooksInstalled);
    sim->failInstall = true;
    EXPECT_EQ(XulyHook(1, 4242, nullptr), 0);
    EXPECT_EQ(XulyHook(3, 0, nullptr), 1);
    EXPECT_EQ(InputMode(), -2);
    EXPECT_EQ(XulyHook(3, 1, nullptr), 1);
    EXPECT_EQ(XulyHook(0x10003, 7, nullptr), 1);  // only the low 16 bits name the command
    EXPECT_EQ(InputMode(), 1);
    for (std::uint32_t command : {0u, 6u, 9u, 12u, 13u, 19u}) EXPECT_EQ(XulyHook(command, 0, nullptr), 0) << command;
    unsigned char record[kAutoTextRecordSize] = {};
    std::memcpy(record, "tp", 2);
    std::memcpy(record + 9, "th\xB5nh ph\xE8", 10);
    EXPECT_EQ(XulyHook(10, 0, record), 1);
    EXPECT_EQ(XulyHook(10, 63, record), 0);
    unsigned char back[kAutoTextRecordSize];
    EXPECT_EQ(XulyHook(11, 0, back), 1);
    EXPECT_EQ(std::memcmp(back, record, kAutoTextRecordSize), 0);
    EXPECT_EQ(XulyHook(11, 64, back), 1);
    EXPECT_EQ(back[0] | back[9], 0);
    EXPECT_EQ(XulyHook(14, -1, nullptr), 1);
    EXPECT_EQ(NoticeEndOfGenerating(), 1);
}

TEST_F(Keyboard, ALongWordRestartsTheBufferWithoutOverflow)
{
    std::string keys(300, 'b');
    EXPECT_EQ(typed(keys), keys);
    EXPECT_LE(WordLength(), 120);
}

TEST_F(Keyboard, AMillionRandomEventsKeepTheBufferInBoundsAndTheControlInTcvn3)
{
    std::mt19937 rng(7);
    const int keys[] = {'A', 'S', 'F', 'R', 'X', 'J', 'Z', 'W', 'D', 'E', 'O', 'U', 'I', 'Y', 'N', 'G', 'H', 'T', 'C', 'Q', '1', '2', '6',
                        '7', '8', '9', 0x20, 0x08, 0x25, 0x27, 0xDB, 0xDD, 0xBC, 0x0D, 0x10, 0x11, 0x12, 0x14, 0x2D, 0x21};
    const int events = std::getenv("KESMIR_FUZZ_EVENTS") ? std::atoi(std::getenv("KESMIR_FUZZ_EVENTS")) : 1000000;
    for (int k = 0; k < events; ++k) {
        const unsigned r = rng();
        switch (r % 256) {
        case 0: sim->Click(); break;
        case 1: {  // another window changed the settings; this one is activated again
            settings({{"VNIStyle", (r >> 8) & 1 ? "1" : "0"}, {"FastCorrect", (r >> 9) & 1 ? "-1" : "0"},
                      {"Old", (r >> 10) & 1 ? "-1" : "0"}, {"NUMLAI", (r >> 11) & 1 ? "1" : "3"}});
            Msg activate{SimPlatform::kControl, WM_ACTIVATE, 1, 0};
            GetMessageHook(0, 1, &activate);
            break;
        }
        case 2: sim->className = (r >> 8) & 1 ? "EXCEL5" : "Edit"; break;
        default: {
            const int key = keys[(r >> 8) % (sizeof keys / sizeof keys[0])];
            const bool alt = ((r >> 16) & 31) == 0;
            if (key == 0x10 || key == 0x11) {
                if ((r >> 20) & 1) sim->KeyDown(key);
                else sim->KeyUp(key);
            } else {
                sim->Press(key, alt);
            }
        }
        }
        ASSERT_GE(WordLength(), 0);
        ASSERT_LE(WordLength(), 121);
        ASSERT_LE(sim->caret, static_cast<int>(sim->text.size()));
        if (sim->text.size() > 2000) {  // keep the control small
            sim->text.clear();
            sim->anchor = sim->caret = 0;
        }
    }
    // Whatever happened, the control holds only what TCVN3 can show.
    for (const char c : sim->text) ASSERT_TRUE(tcvn3::isAssigned(static_cast<unsigned char>(c))) << int(static_cast<unsigned char>(c));
}

TEST_F(Keyboard, WhileTheEngineOwnsTheWordTheControlEndsWithIt)
{
    for (const char* style : {"0", "1"}) {
        settings({{"VNIStyle", style}});
        sim->text.clear();
        sim->anchor = sim->caret = 0;
        std::mt19937 rng(11);
        const int keys[] = {'A', 'S', 'F', 'R', 'X', 'J', 'Z', 'W', 'D', 'E', 'O', 'U', 'I', 'Y', 'N', 'G', 'H', 'T', 'Q',
                            '1', '2', '3', '4', '5', '6', '7', '8', '9', 0xDB, 0xDD, 0x20, 0x08};
        for (int k = 0; k < 100000; ++k) {
            const int key = keys[rng() % (sizeof keys / sizeof keys[0])];
            if (rng() % 8 == 0) sim->KeyDown(0x10);
            sim->Press(key);
            sim->KeyUp(0x10);
            if (WordLength() <= WordStart() || WordStart() < 1) continue;
            const std::string word(reinterpret_cast<const char*>(WordText()) + WordStart(),
                                   static_cast<std::size_t>(WordLength() - WordStart()));
            ASSERT_GE(sim->text.size(), word.size());
            // Tone placement keeps capital vowels of the cluster in small letters in the buffer.
            auto fold = [](std::string t) {
                for (char& c : t) c = static_cast<char>(tcvn3::foldByte(static_cast<unsigned char>(c)));
                return t;
            };
            ASSERT_EQ(fold(sim->text.substr(sim->text.size() - word.size())), fold(word)) << "style " << style << ", event " << k;
            if (sim->text.size() > 2000) {
                sim->text.clear();
                sim->anchor = sim->caret = 0;
                ResetProcessState();
            }
        }
    }
}

TEST_F(Keyboard, SettingsAreReadAsTheFileHoldsThem)
{
    settings({{"flagvnkey", "  -2"}});  // leading blanks are skipped
    EXPECT_EQ(typed("as"), "as");
    EXPECT_EQ(InputMode(), -2);
    settings({{"flagvnkey", "abc"}, {"VNIStyle", "2"}});  // not -2: Vietnamese; not 1: Telex
    EXPECT_EQ(typed("as"), "á");
    EXPECT_EQ(InputMode(), 1);
    settings({{"VNIStyle", "1x"}});  // digits up to the first non-digit
    EXPECT_EQ(typed("a1"), "á");
    // A click reloads the settings: another window switched to English meanwhile.
    settings({});
    EXPECT_EQ(typed("as"), "á");
    std::ofstream(folder + "/tonvoro.ini", std::ios::binary | std::ios::trunc) << "[TONVORO CONFIG]\r\nFLAGVNKEY = -2\r\n";
    sim->Click();
    sim->Type(" as");
    EXPECT_EQ(sim->Utf8(), "á as");  // sections and keys match whatever their case
}
