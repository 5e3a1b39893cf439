// What the Windows resource compiler made of resources/Mirvane.rc, read through the Windows
// API from the test program (which links the same script as the DLL): the fixed version
// numbers and translation, the Japanese language of the resources, and the texts in Unicode,
// which do not depend on the ANSI code page the test runs under.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "resources/resource.h"

namespace {

std::vector<unsigned char> OwnVersionBlock() {
    char path[MAX_PATH] = {0};
    EXPECT_NE(0u, GetModuleFileNameA(nullptr, path, sizeof(path)));
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    std::vector<unsigned char> block(size);
    if (size == 0 || !GetFileVersionInfoA(path, handle, size, block.data())) block.clear();
    return block;
}

}  // namespace

TEST(WindowsResources, TestsRunUnderTheJapaneseAnsiCodePage) {
    // The CP932 expectations of the other suites need it (Wine: LC_ALL=ja_JP.UTF-8).
    EXPECT_EQ(932u, GetACP());
}

TEST(WindowsResources, FixedVersionAndTranslation) {
    std::vector<unsigned char> block = OwnVersionBlock();
    ASSERT_FALSE(block.empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length));
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(0u, fixed->dwFileVersionMS);  // 0.0
    EXPECT_EQ(49u, fixed->dwFileVersionLS); // .0.49
    EXPECT_EQ(0u, fixed->dwProductVersionMS);
    EXPECT_EQ(49u, fixed->dwProductVersionLS);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<LPVOID*>(&translation), &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(0x0411, translation[0]);  // Japanese
    EXPECT_EQ(1200, translation[1]);    // Unicode
}

TEST(WindowsResources, StringsAreJapaneseResources) {
    HMODULE self = GetModuleHandleA(nullptr);
    const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
    // String ids live in blocks of sixteen: block n holds ids (n - 1) * 16 to n * 16 - 1.
    for (unsigned id : {2001u, 2136u, 2229u, 2288u}) {
        EXPECT_NE(nullptr, FindResourceExA(self, MAKEINTRESOURCEA(6) /* RT_STRING */,
                                           MAKEINTRESOURCEA(id / 16 + 1), japanese))
            << id;
    }
}

TEST(WindowsResources, TextsAreStoredAsTheirUnicode) {
    struct {
        UINT id;
        const wchar_t* text;
    } const samples[] = {
        {IDS_MENU_TITLE, L"bsfilter (Mirvane)"},
        {IDS_PROGRESS_STATUS, L"%d / %d \x3092\x51E6\x7406\x4E2D..."},  // を処理中
        // "bsfilter が利用できません。\r\n設定を確認してください。"
        {IDS_BSFILTER_UNAVAILABLE, L"bsfilter \x304C\x5229\x7528\x3067\x304D\x307E\x305B\x3093\x3002"
                                   L"\r\n\x8A2D\x5B9A\x3092\x78BA\x8A8D\x3057\x3066\x304F\x3060"
                                   L"\x3055\x3044\x3002"},
        {IDS_SHEET_CAPTION, L"Mirvane \x8A2D\x5B9A - \x30D0\x30FC\x30B8\x30E7\x30F3 %s"},
        {IDS_NG_MARK, L"\x25CB"},           // ○
        {IDS_TARGET_SENDER, L"\x5DEE\x51FA\x4EBA"},  // 差出人
    };
    for (const auto& sample : samples) {
        wchar_t buffer[1024];
        const int n = LoadStringW(GetModuleHandleA(nullptr), sample.id, buffer, 1024);
        EXPECT_EQ(std::wstring(sample.text), std::wstring(buffer, n > 0 ? n : 0)) << sample.id;
    }
}
