// Character sets of the host simulator. The host's text is CP932. The Japanese mail charsets
// (ISO-2022-JP, EUC-JP, Shift_JIS) convert to CP932 by the JIS arithmetic, with no tables, so
// both builds give the same bytes and the NEC and IBM extension rows that Japanese mailers
// send survive (system converters refuse or remap several of them). UTF-8 is decoded here
// too. Every other charset, and the way back from Unicode to CP932, is the system's: iconv on
// Linux (Charset_posix.cpp), MultiByteToWideChar/WideCharToMultiByte on Windows
// (Charset_win.cpp).
#pragma once

#include <string>

namespace Charset {

// ---- portable --------------------------------------------------------------------------
// text in the named charset (MIME name, any letter case, an RFC 2231 "*language" suffix
// allowed) as CP932. Characters without a CP932 form become "?". False when the charset is
// unknown; out is then left alone.
bool ToCp932(const std::string& charset, const std::string& text, std::string* out);

// ISO-2022-JP and EUC-JP bytes as CP932 (invalid sequences become "?").
std::string Iso2022JpToCp932(const std::string& text);
std::string EucJpToCp932(const std::string& text);
// CP932 as ISO-2022-JP (ending in ASCII) or EUC-JP. Half-width katakana go to ISO-2022-JP as
// their full-width forms are not in its repertoire: they are written in the JIS X 0201 set
// (ESC ( I), which every Japanese mailer reads.
std::string Cp932ToIso2022Jp(const std::string& text);
std::string Cp932ToEucJp(const std::string& text);

// UTF-8 -> code points (an invalid byte gives U+FFFD and is skipped).
std::u32string DecodeUtf8(const std::string& text);
std::string EncodeUtf8(const std::u32string& text);

// Code points -> CP932; characters without a form become "?".
std::string UnicodeToCp932(const std::u32string& text);

// UTF-8 <-> CP932 for command lines, script files and JSON output.
std::string Utf8ToCp932(const std::string& text);
std::string Cp932ToUtf8(const std::string& text);  // invalid bytes become U+FFFD

// ---- per side ----------------------------------------------------------------------------
// Decodes text in a charset this file does not handle itself; false for an unknown charset.
bool SystemDecode(const std::string& lowerCharset, const std::string& text, std::u32string* out);
// The CP932 bytes of one code point, false when it has none.
bool SystemEncodeCp932(char32_t c, std::string* out);
// CP932 -> code points (invalid bytes become U+FFFD).
std::u32string SystemDecodeCp932(const std::string& text);

}  // namespace Charset
