// Access to the header of a raw message (one NUL-terminated ANSI text, CR LF line ends, a
// header block, an empty line, the body): find a field and return its raw or host-decoded
// value, add or remove a whole field, split an address list into addresses, split one address
// into display name and mail address, and take the domain out of an address.
//
// The header block is everything before the first CR LF CR LF; a text without that sequence
// has no header block and no field is found in it. Text after a NUL byte is not there for
// these routines. Decoding of MIME encoded words is the host's (g_hostApi.MIMEHeader); when
// the host offers no decoder the raw text stands.
#pragma once

#include <cstddef>
#include <string>

// Size of the buffers that receive a mail address: at most 511 bytes of address are kept.
constexpr size_t kAddressSize = 512;

// Where a field lies in the text: byte offsets from the start of the text.
struct HeaderFieldLocation {
    size_t nameStart = 0;   // first byte of the field name
    size_t colon = 0;       // the colon after the name
    size_t valueStart = 0;  // first byte after the colon that is neither a blank nor a tab
    size_t fieldEnd = 0;    // the byte after the CR LF that ends the field (folded lines included)
};

// Finds the first field named fieldName (given without its colon; ASCII case ignored) that
// starts a line of the header block and whose name is followed directly by a colon. False
// when there is none, when the text has no header block, or when an argument is missing.
bool FindHeaderField(const char* fieldName, const char* text, HeaderFieldLocation* location);

// The raw value of the first field named fieldName: from the value start to the CR LF that
// ends the field, folded continuation lines kept as they are. Empty when the field is
// missing; found (optional) tells the two empty cases apart.
std::string GetHeaderField(const char* text, const char* fieldName, bool* found = nullptr);

// value with its folding undone: every CR LF pair is removed, so that the blank that starts a
// continuation line joins the two parts.
std::string UnfoldHeaderValue(std::string value);

// GetHeaderField, unfolded: what an address is taken from, so that a folded From or To never
// leaves a line break inside an address.
std::string GetUnfoldedHeaderField(const char* text, const char* fieldName);

// GetHeaderField, then the host's decoding of a non-empty value; a non-empty host result
// replaces the value.
std::string GetDecodedHeaderField(const char* text, const char* fieldName);

// A copy of value decoded by the host (the host's result is used only if it is not empty).
std::string DecodeHeaderText(const std::string& value);

// headerLine (complete with its CR LF) followed by text, for adding a field in front of all
// others. False, and newText untouched, when text is null, length is not positive, headerLine
// or fieldName is empty, or a field named fieldName already exists in text.
bool PrependHeaderField(const char* headerLine, const char* text, int length, const char* fieldName,
                        std::string* newText);

// text without the first field named fieldName (its name, value, continuation lines and final
// CR LF). False, and newText untouched, when text is null, length is not positive, fieldName
// is empty or the field is missing.
bool RemoveHeaderField(const char* fieldName, const char* text, int length, std::string* newText);

// Splits an address list ("To", "Cc", "Bcc" values) in the manner of a string tokenizer:
// called first with a writable copy of the list, which it changes in place, then with null for
// each further address. Returns the next address, or null when none is left. Separators are
// "," and ";" outside double quotes and comments, and the bytes 1 to 32 around them; a comment
// in parentheses before an address is dropped. Keeps its position in one static pointer: one
// caller at a time.
char* NextAddressToken(char* list);

// Splits one address into display name and mail address. Understood forms: a display name,
// quoted or not, followed by the address in angle brackets; an address followed by the name in
// parentheses; a bare address. nameOut receives at most nameSize - 1 bytes, addressOut (a
// buffer of kAddressSize bytes) at most 511; both are always terminated and cut on a
// character boundary.
void SplitAddress(const char* text, char* nameOut, size_t nameSize, char* addressOut);

// SplitAddress, then the host's decoding of a non-empty display name (used when it fits in
// nameSize - 1 bytes).
void ParseAddress(const char* text, char* nameOut, size_t nameSize, char* addressOut);

// The text after the first "@" of address, trimmed of blanks, tabs, CR and LF; empty if there
// is no "@".
std::string DomainOf(const std::string& address);

// Whether a and b name the same mailbox: the part before the first "@" byte for byte, the
// domain after it with ASCII letters compared without case (domains have no case; local parts
// may). Two texts without "@" compare as domains.
bool SameMailAddress(const std::string& a, const std::string& b);
