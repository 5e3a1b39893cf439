// The plug-in's string table as the code reads it: LoadStringA on the module that carries the
// table (on Windows the test program links resources/Mirvane.rc; on Linux the table generated
// from it) must give the exact code page 932 bytes of each text, for every id of the table and
// for no other id. The expected bytes are written out here independently of the script.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "resources/resource.h"
#include "support/Util.h"

namespace {

struct Sample {
    unsigned id;
    const char* bytes;  // code page 932
};

// A sample across the table: menu texts, confirmations with CR LF and "%s", results with
// "%d", file filters with "|", a trailing blank line, the mark "○", the last ids.
const Sample kSamples[] = {
    {2001, "bsfilter (Mirvane)"},  // bsfilter (Mirvane)
    {2002, "\x83\x81\x81[\x83\x8B\x82\xF0 spam \x8F\x88\x92u"},  // メールを spam 処置
    // メールを 1 通のみ判定(テスト)
    {2004, "\x83\x81\x81[\x83\x8B\x82\xF0 1 \x92\xCA\x82\xCC\x82\xDD\x94\xBB\x92\xE8("
           "\x83" "e\x83X\x83g)"},
    {2005, "--add-spam + --update"},  // --add-spam + --update
    {2010, "--show-db-status"},  // --show-db-status
    // メールの spam ヘッダを除く
    {2011, "\x83\x81\x81[\x83\x8B\x82\xCC spam \x83w\x83" "b\x83_\x82\xF0\x8F\x9C\x82"
           "\xAD"},
    // 選択中のメールを %s した後、確率データベースを --update し...
    {2101, "\x91I\x91\xF0\x92\x86\x82\xCC\x83\x81\x81[\x83\x8B\x82\xF0 %s \x82\xB5\x82"
           "\xBD\x8C\xE3\x81" "A\x8Am\x97\xA6\x83" "f\x81[\x83^\x83x\x81[\x83X\x82\xF0 -"
           "-update \x82\xB5\x82\xDC\x82\xB7\x81" "B\r\n\x8F\x88\x97\x9D\x82\xAA\x8FI"
           "\x97\xB9\x82\xB7\x82\xE9\x82\xDC\x82\xC5 Becky! \x82\xF0\x91\x80\x8D\xEC\x82"
           "\xB5\x82\xC8\x82\xA2\x82\xC5\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81" "B"},
    {2104, "\x8Aw\x8FK\x8C\x8B\x89\xCA"},  // 学習結果
    // %d 通のうち %d 通を spam として学習しました。
    {2117, "%d \x92\xCA\x82\xCC\x82\xA4\x82\xBF %d \x92\xCA\x82\xF0 spam \x82\xC6\x82"
           "\xB5\x82\xC4\x8Aw\x8FK\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B"},
    // %d 通のうち %d 通から spam ヘッダを除きました。
    {2120, "%d \x92\xCA\x82\xCC\x82\xA4\x82\xBF %d \x92\xCA\x82\xA9\x82\xE7 spam \x83w"
           "\x83" "b\x83_\x82\xF0\x8F\x9C\x82\xAB\x82\xDC\x82\xB5\x82\xBD\x81" "B"},
    // bsfilter が利用できません。\r\n設定を確認してください。
    {2136, "bsfilter \x82\xAA\x97\x98\x97p\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "B"
           "\r\n\x90\xDD\x92\xE8\x82\xF0\x8Am\x94" "F\x82\xB5\x82\xC4\x82\xAD\x82\xBE"
           "\x82\xB3\x82\xA2\x81" "B"},
    // bsfilter が利用できません
    {2137, "bsfilter \x82\xAA\x97\x98\x97p\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1"},
    {2165, "\x8C\x8F\x96\xBC\x93o\x98^\x8C\x8B\x89\xCA"},  // 件名登録結果
    // Mirvane 設定 - バージョン %s
    {2201, "Mirvane \x90\xDD\x92\xE8 - \x83o\x81[\x83W\x83\x87\x83\x93 %s"},
    // bsfilter のオプションは設定ファイルに記述できます。設定によって...
    {2202, "bsfilter \x82\xCC\x83I\x83v\x83V\x83\x87\x83\x93\x82\xCD\x90\xDD\x92\xE8\x83"
           "t\x83@\x83" "C\x83\x8B\x82\xC9\x8BL\x8Fq\x82\xC5\x82\xAB\x82\xDC\x82\xB7\x81" "B"
           "\x90\xDD\x92\xE8\x82\xC9\x82\xE6\x82\xC1\x82\xC4\x82\xCD\x81" "A\x96{\x83v"
           "\x83\x89\x83O\x83" "C\x83\x93\x82\xAA\x8C\xEB\x93\xAE\x8D\xEC\x82\xB5\x82"
           "\xBD\x82\xE8\x81" "Aclean \x82\xC8\x83\x81\x81[\x83\x8B\x82\xDC\x82\xC5 spam"
           " \x82\xC6\x82\xB5\x82\xC4\x94\xBB\x92\xE8\x82\xB5\x82\xC4\x82\xB5\x82\xDC"
           "\x82\xA4\x8F\xEA\x8D\x87\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB7\x82\xCC\x82"
           "\xC5\x81" "A\x90\xDD\x92\xE8\x91O\x82\xC9\x82\xCD\x95K\x82\xB8\x81" "A\x95t"
           "\x91\xAE\x82\xCC NOTE.txt \x82\xF0\x82\xB2\x8Am\x94" "F\x89\xBA\x82\xB3\x82"
           "\xA2\x81" "B\x82\xDC\x82\xBD\x81" "Absfilter \x82\xCC\x83I\x83v\x83V\x83\x87"
           "\x83\x93\x82\xCD bsfilter \x82\xC9\x95t\x91\xAE\x82\xCC\x90\xE0\x96\xBE\x82"
           "\xF0\x82\xB2\x8Am\x94" "F\x89\xBA\x82\xB3\x82\xA2\x81" "B"},
    // フォルダを選択して下さい。
    {2205, "\x83t\x83H\x83\x8B\x83_\x82\xF0\x91I\x91\xF0\x82\xB5\x82\xC4\x89\xBA\x82\xB3"
           "\x82\xA2\x81" "B"},
    {2208, "ZIP \x83t\x83@\x83" "C\x83\x8B (*.zip)|*.zip||"},  // ZIP ファイル (*.zip)|*.zip||
    // ヘッダは %d 文字以内で指定してください。
    {2214, "\x83w\x83" "b\x83_\x82\xCD %d \x95\xB6\x8E\x9A\x88\xC8\x93\xE0\x82\xC5\x8Ew"
           "\x92\xE8\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81" "B"},
    // アドレスは既に登録されています。\r\n更新しますか?。
    {2221, "\x83" "A\x83h\x83\x8C\x83X\x82\xCD\x8A\xF9\x82\xC9\x93o\x98^\x82\xB3\x82\xEA"
           "\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81" "B\r\n\x8DX\x90V\x82\xB5\x82\xDC\x82"
           "\xB7\x82\xA9\?\x81" "B"},
    // テキストファイル (*.txt)|*.txt|すべてのファイル (*.*...
    {2224, "\x83" "e\x83L\x83X\x83g\x83t\x83@\x83" "C\x83\x8B (*.txt)|*.txt|\x82\xB7\x82"
           "\xD7\x82\xC4\x82\xCC\x83t\x83@\x83" "C\x83\x8B (*.*)|*.*||"},
    {2231, "\x83\x81\x81[\x83\x8B"},  // メール
    {2232, "\x83h\x83\x81\x83" "C\x83\x93"},  // ドメイン
    // ZIP ファイル (*.zip)|*.zip|すべてのファイル (*.*...
    {2233, "ZIP \x83t\x83@\x83" "C\x83\x8B (*.zip)|*.zip|\x82\xB7\x82\xD7\x82\xC4\x82"
           "\xCC\x83t\x83@\x83" "C\x83\x8B (*.*)|*.*||"},
    // 以下のファイルを %s からバックアップしました。\r\n\r\n
    {2237, "\x88\xC8\x89\xBA\x82\xCC\x83t\x83@\x83" "C\x83\x8B\x82\xF0 %s \x82\xA9\x82"
           "\xE7\x83o\x83" "b\x83N\x83" "A\x83" "b\x83v\x82\xB5\x82\xDC\x82\xB5\x82\xBD"
           "\x81" "B\r\n\r\n"},
    // 以下のファイルを %s にリストアしました。\r\n\r\n
    {2238, "\x88\xC8\x89\xBA\x82\xCC\x83t\x83@\x83" "C\x83\x8B\x82\xF0 %s \x82\xC9\x83"
           "\x8A\x83X\x83g\x83" "A\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B\r\n\r\n"},
    {2239, "%d / %d \x82\xF0\x8F\x88\x97\x9D\x92\x86..."},  // %d / %d を処理中...
    {2240, "\x8C\xE3\x8F\x88\x97\x9D\x92\x86..."},  // 後処理中...
    // ファイル (*.exe)|*.exe|すべてのファイル (*.*)|*....
    {2241, "\x83t\x83@\x83" "C\x83\x8B (*.exe)|*.exe|\x82\xB7\x82\xD7\x82\xC4\x82\xCC"
           "\x83t\x83@\x83" "C\x83\x8B (*.*)|*.*||"},
    // ruby.exe のパスが不正です。
    {2245, "ruby.exe \x82\xCC\x83p\x83X\x82\xAA\x95s\x90\xB3\x82\xC5\x82\xB7\x81" "B"},
    {2263, "\x81\x9B"},  // ○
    // マッチしません。NGワードを見直してください。\r\n\r\n%s
    {2266, "\x83}\x83" "b\x83`\x82\xB5\x82\xDC\x82\xB9\x82\xF1\x81" "BNG\x83\x8F\x81["
           "\x83h\x82\xF0\x8C\xA9\x92\xBC\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82"
           "\xA2\x81" "B\r\n\r\n%s"},
    {2282, "\x81\x9B"},  // ○
    // マッチしません。OKワードを見直してください。\r\n\r\n%s
    {2285, "\x83}\x83" "b\x83`\x82\xB5\x82\xDC\x82\xB9\x82\xF1\x81" "BOK\x83\x8F\x81["
           "\x83h\x82\xF0\x8C\xA9\x92\xBC\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82"
           "\xA2\x81" "B\r\n\r\n%s"},
    {2286, "\x97\xBC\x95\xFB"},  // 両方
    {2287, "\x8C\x8F\x96\xBC"},  // 件名
    {2288, "\x8D\xB7\x8Fo\x90l"},  // 差出人
};

// The ids of the table: 2001-2024, 2040, 2101-2114, 2117-2123, 2126-2165, 2201-2288.
bool IsTableId(unsigned id) {
    return (id >= 2001 && id <= 2024) || id == 2040 || (id >= 2101 && id <= 2114) ||
           (id >= 2117 && id <= 2123) || (id >= 2126 && id <= 2165) || (id >= 2201 && id <= 2288);
}

std::string Load(unsigned id) {
    char buffer[kTextSize];
    std::memset(buffer, 0x7F, sizeof(buffer));
    const int n =
        LoadStringA(GetModuleHandleA(nullptr), id, buffer, static_cast<int>(sizeof(buffer)));
    if (n <= 0) return std::string();
    EXPECT_EQ('\0', buffer[n]) << "id " << id;
    return std::string(buffer, static_cast<size_t>(n));
}

std::string Hex(const std::string& text) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
        out += ' ';
    }
    return out;
}

// Points both resource handles of the plug-in at the test program for one test.
class OwnModuleAsResources : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedResource = g_resourceModule;
        m_savedModule = g_moduleHandle;
        g_moduleHandle = GetModuleHandleA(nullptr);
        g_resourceModule = g_moduleHandle;
    }
    void TearDown() override {
        g_resourceModule = m_savedResource;
        g_moduleHandle = m_savedModule;
    }

private:
    HMODULE m_savedResource = nullptr;
    HMODULE m_savedModule = nullptr;
};

}  // namespace

TEST(StringTable, SampleTextsLoadAsTheirExactCp932Bytes) {
    for (const Sample& sample : kSamples) {
        const std::string got = Load(sample.id);
        EXPECT_EQ(std::string(sample.bytes), got)
            << "id " << sample.id << "\n  expected " << Hex(sample.bytes)
            << "\n  loaded   " << Hex(got);
    }
}

TEST(StringTable, EveryIdOfTheTableLoadsAndNoOtherIdDoes) {
    unsigned count = 0;
    for (unsigned id = 1990; id <= 2300; ++id) {
        const std::string text = Load(id);
        if (IsTableId(id)) {
            EXPECT_FALSE(text.empty()) << "id " << id << " is missing";
            ++count;
        } else {
            EXPECT_TRUE(text.empty()) << "id " << id << " is not in the table: " << Hex(text);
        }
    }
    EXPECT_EQ(174u, count);
    // The names of resource.h reach the same texts as the numbers.
    EXPECT_EQ(Load(2001), Load(IDS_MENU_TITLE));
    EXPECT_EQ(Load(2239), Load(IDS_PROGRESS_STATUS));
    EXPECT_EQ(Load(2288), Load(IDS_TARGET_SENDER));
}

TEST(StringTable, TextsThatMustMatchEachOtherDo) {
    // Both word pages and the white-list page use the same file filters and titles; the
    // page pairs share their column texts, mark and match results.
    const std::string filter = Load(2224);
    for (unsigned id : {2226u, 2254u, 2257u, 2273u, 2276u}) EXPECT_EQ(filter, Load(id)) << id;
    for (unsigned id : {2255u, 2274u}) EXPECT_EQ(Load(2225), Load(id)) << id;
    for (unsigned id : {2258u, 2277u}) EXPECT_EQ(Load(2228), Load(id)) << id;
    for (unsigned id : {2227u, 2259u, 2278u}) EXPECT_EQ("txt", Load(id)) << id;
    EXPECT_EQ("zip", Load(2209));
    EXPECT_EQ("zip", Load(2235));
    EXPECT_EQ("exe", Load(2243));
    for (unsigned ng = 2248, ok = 2267; ng <= 2266; ++ng, ++ok) {
        // These name their list, "NG" or "OK"; the rest are the same on both pages.
        const unsigned named[] = {2249, 2250, 2251, 2252, 2253, 2256, 2260, 2266};
        bool isNamed = false;
        for (unsigned id : named) isNamed = isNamed || id == ng;
        if (isNamed) {
            EXPECT_NE(Load(ng), Load(ok)) << ng << " / " << ok;
        } else {
            EXPECT_EQ(Load(ng), Load(ok)) << ng << " / " << ok;
        }
    }
    // Every confirmation of a batch command ends with the same line.
    // "\r\n処理が終了するまで Becky! を操作しないでください。"
    const std::string last =
        "\r\n\x8F\x88\x97\x9D\x82\xAA\x8FI\x97\xB9\x82\xB7\x82\xE9\x82\xDC\x82\xC5 Becky! "
        "\x82\xF0\x91\x80\x8D\xEC\x82\xB5\x82\xC8\x82\xA2\x82\xC5\x82\xAD\x82\xBE\x82\xB3"
        "\x82\xA2\x81" "B";
    for (unsigned id : {2101u, 2112u, 2118u, 2122u, 2132u, 2138u, 2142u, 2146u, 2150u, 2154u, 2158u,
                        2162u}) {
        const std::string text = Load(id);
        ASSERT_GE(text.size(), last.size()) << id;
        EXPECT_EQ(last, text.substr(text.size() - last.size())) << id;
    }
}

TEST(StringTable, AcknowledgementsNameTheComponentsUsed) {
    const std::string text = Load(IDS_ACKNOWLEDGEMENTS);
    for (const char* name : {"bsfilter", "Ruby", "zlib", "minizip", "http://bsfilter.org/",
                             "https://www.ruby-lang.org/", "https://zlib.net/"}) {
        EXPECT_NE(std::string::npos, text.find(name)) << name;
    }
    EXPECT_NE(std::string::npos, text.find("\r\n")) << "one component per line";
}

TEST_F(OwnModuleAsResources, LoadResStringFormatsTableTexts) {
    // "%d / %d を処理中..." with 3 and 10
    EXPECT_EQ("3 / 10 \x82\xF0\x8F\x88\x97\x9D\x92\x86...",
              LoadResString(IDS_PROGRESS_STATUS, 3, 10));
    // "Mirvane 設定 - バージョン %s" with the product version
    EXPECT_EQ("Mirvane \x90\xDD\x92\xE8 - \x83o\x81[\x83W\x83\x87\x83\x93 0.0.0.49",
              LoadResString(IDS_SHEET_CAPTION, "0.0.0.49"));
    // "%d 通のうち %d 通を spam として学習しました。" with 5 and 2
    EXPECT_EQ("5 \x92\xCA\x82\xCC\x82\xA4\x82\xBF 2 \x92\xCA\x82\xF0 spam \x82\xC6\x82\xB5\x82\xC4"
              "\x8Aw\x8FK\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B",
              LoadResString(IDS_TREAT_SPAM_RESULT, 5, 2));
    EXPECT_EQ("", LoadResString(2000, 1, 2));
}
