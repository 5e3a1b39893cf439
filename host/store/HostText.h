// Text helpers of the host simulator beyond the double-byte kit (platform/Mbcs, which every
// scan of host text uses): the words of a script line, line ends, and the header of a message.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace HostText {

// The words of a script line (the host's script verb and the UI driver's steps): blanks, tabs
// and CRs separate them, double quotes group them ("" inside quotes is a quote; "" alone is an
// empty word).
std::vector<std::string> SplitWords(const std::string& line);

// Line ends: CR LF, lone CR and lone LF all become CR LF.
std::string ToCrLf(const std::string& text);

// The header block of a message (up to and including the CR LF before the empty line), or ""
// when the text has no empty line.
std::string HeaderBlock(const std::string& message);
// Value of the first header field called name (case-insensitive), unfolded and trimmed; found
// tells whether the field exists.
std::string HeaderValue(const std::string& message, const std::string& name, bool* found = nullptr);
// The complete lines (folded continuations joined with CR LF kept) of every header field.
std::vector<std::string> HeaderLines(const std::string& message);
// message with line (no line end) added as the last field of its header block.
std::string AddHeaderLine(const std::string& message, const std::string& line);

}  // namespace HostText
