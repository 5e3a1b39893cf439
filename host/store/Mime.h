// RFC 2047 encoded words in header text, as the host's BKA_MIMEHeader decodes and encodes
// them.
#pragma once

#include <string>

namespace Mime {

// Decodes every well-formed encoded word ("=?charset?B?...?=" or "?Q?") of text into CP932.
// White space (blanks, tabs, line ends) between two encoded words is dropped, and adjacent
// words of one charset are decoded as one byte sequence (a character may be split between
// them). A word that is malformed (bad Base64 or Q text, unknown charset, no end) stays as it
// is; text outside encoded words stays as it is. charset receives the first decoded word's
// charset (empty when none was decoded).
std::string DecodeHeader(const std::string& text, std::string* charset = nullptr);

// Encodes CP932 text as encoded words in charset ("ISO-2022-JP" when empty or unsupported;
// "UTF-8" and "EUC-JP" are honoured), B encoding, each word at most 75 characters and words
// separated by CR LF and a blank. ASCII-only text comes back unchanged.
std::string EncodeHeader(const std::string& text, const std::string& charset);

// Base64 and quoted-printable bodies (RFC 2045), for the host's file converters.
std::string EncodeBase64(const std::string& data, bool lineBreaks);
bool DecodeBase64(const std::string& text, std::string* out, bool strict);
std::string EncodeQuotedPrintable(const std::string& data);
std::string DecodeQuotedPrintable(const std::string& text);

}  // namespace Mime
