// The composition engine typing into the simulated edit control.
#include "kesmir.h"
#include "simplatform.h"
#include "tables.h"
#include "tcvn3.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
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
        for (const char* key : {"flagvnkey", "VNIStyle", "Old", "FastCorrect", "flagchuan", "NUMLAI", "_flAutoText"})
            sim->ini.Write("Tonvoro config", key, nullptr, "tonvoro.ini");
        for (const auto& [k, v] : values) sim->ini.Write("Tonvoro config", k, v, "tonvoro.ini");
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
    };
    for (const auto& [keys, expected] : cases) EXPECT_EQ(typed(keys), expected) << keys;
}

TEST_F(Keyboard, OldStyleTonesAndCapitals)
{
    settings({{"Old", "-1"}});
    EXPECT_EQ(typed("hoaf"), "hòa");
    EXPECT_EQ(typed("thuyf"), "thùy");
    EXPECT_EQ(typed("hoangs"), "hoáng");  // a final consonant: the new-style rule
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
    for (const auto& [keys, expected] : sentences) {
        EXPECT_EQ(typed(keys), expected) << keys;
        words += static_cast<int>(std::count(expected, expected + strlen(expected), ' ')) + 1;
    }
    EXPECT_GE(words, 200);
}
