// The system half of the host's charset layer on Windows: code pages through
// MultiByteToWideChar and WideCharToMultiByte.
#include <cstring>

#include "host/store/Charset.h"
#include "platform/platform.h"

namespace Charset {

namespace {

UINT CodePageOf(const std::string& name) {
    static const struct {
        const char* name;
        UINT codePage;
    } kTable[] = {
        {"iso-8859-1", 28591}, {"latin1", 28591},       {"iso-8859-2", 28592},  {"iso-8859-3", 28593},
        {"iso-8859-4", 28594}, {"iso-8859-5", 28595},   {"iso-8859-6", 28596},  {"iso-8859-7", 28597},
        {"iso-8859-8", 28598}, {"iso-8859-9", 28599},   {"iso-8859-13", 28603}, {"iso-8859-15", 28605},
        {"windows-1250", 1250}, {"windows-1251", 1251}, {"windows-1252", 1252}, {"windows-1253", 1253},
        {"windows-1254", 1254}, {"windows-1255", 1255}, {"windows-1256", 1256}, {"windows-1257", 1257},
        {"windows-1258", 1258}, {"koi8-r", 20866},      {"koi8-u", 21866},      {"gb2312", 936},
        {"gbk", 936},          {"gb18030", 54936},      {"big5", 950},          {"euc-kr", 949},
        {"ks_c_5601-1987", 949}, {"utf-7", 65000},      {"us-ascii", 20127},
    };
    for (const auto& entry : kTable) {
        if (name == entry.name) return entry.codePage;
    }
    return 0;
}

bool Decode(UINT codePage, const std::string& text, std::u32string* out) {
    out->clear();
    if (text.empty()) return true;
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return false;
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t c = static_cast<unsigned short>(wide[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size()) {
            const char32_t low = static_cast<unsigned short>(wide[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        out->push_back(c);
    }
    return true;
}

}  // namespace

bool SystemDecode(const std::string& lowerCharset, const std::string& text, std::u32string* out) {
    const UINT codePage = CodePageOf(lowerCharset);
    if (codePage == 0 || !IsValidCodePage(codePage)) return false;
    return Decode(codePage, text, out);
}

bool SystemEncodeCp932(char32_t c, std::string* out) {
    wchar_t wide[2];
    int length = 1;
    if (c >= 0x10000) {
        wide[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
        wide[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        length = 2;
    } else {
        wide[0] = static_cast<wchar_t>(c);
    }
    char buffer[8];
    BOOL usedDefault = FALSE;
    const int written = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, length, buffer, sizeof(buffer), nullptr,
                                            &usedDefault);
    if (written <= 0 || usedDefault) return false;
    out->assign(buffer, static_cast<size_t>(written));
    return true;
}

std::u32string SystemDecodeCp932(const std::string& text) {
    std::u32string out;
    // Invalid bytes would make the whole call fail with MB_ERR_INVALID_CHARS; without it the
    // system substitutes them, which is what the output wants.
    if (!Decode(932, text, &out)) {
        for (char c : text) out.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<char32_t>(c) : 0xFFFD);
    }
    return out;
}

}  // namespace Charset
