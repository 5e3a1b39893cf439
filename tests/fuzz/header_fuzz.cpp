// Fuzzes every header routine with the input as a raw message (and as an address list and a
// single address): no crash, no read out of bounds, and the results keep their bounds.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "lists/Header.h"
#include "plugin/HostApi.h"

namespace {

// A host decoder that returns a changed copy (and sometimes none), so the callers' handling of
// host strings is exercised too.
LPSTR WINAPI FakeMimeHeader(LPCSTR in, LPSTR charset, int size, BOOL) {
    fuzz::Require(charset != nullptr && size == 128 && charset[0] == '\0', "the charset buffer is 128 zero bytes");
    const size_t length = std::strlen(in);
    if (length == 0 || length % 7 == 3) return nullptr;
    const size_t outLength = length % 5 == 1 ? length * 2 : length / 2;
    char* out = static_cast<char*>(std::malloc(outLength + 1));
    for (size_t i = 0; i < outLength; ++i) out[i] = in[i % length];
    out[outLength] = '\0';
    return out;
}

void WINAPI FakeFree(LPVOID memory) { std::free(memory); }

void CheckAddress(const char* text, size_t nameSize) {
    std::vector<char> name(nameSize + 1, '\x7f');
    char address[kAddressSize + 1];
    std::memset(address, '\x7f', sizeof(address));
    ParseAddress(text, name.data(), nameSize, address);
    fuzz::Require(std::strlen(address) < kAddressSize, "the address fits its buffer");
    fuzz::Require(address[kAddressSize] == '\x7f', "nothing is written beyond the address buffer");
    fuzz::Require(name[nameSize] == '\x7f', "nothing is written beyond the name buffer");
    if (nameSize > 0) fuzz::Require(std::strlen(name.data()) < nameSize, "the name fits its buffer");
    DomainOf(address);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_hostApi.MIMEHeader = &FakeMimeHeader;
    g_hostApi.Free = &FakeFree;
    // The routines see a C string: the copy ends at the input's end (or at its first NUL).
    const std::string message(reinterpret_cast<const char*>(data), size);
    const char* text = message.c_str();
    const size_t length = std::strlen(text);

    static const char* const kNames[] = {"From", "Subject", "To", "X-Mirvane", "a", ":", " "};
    for (const char* name : kNames) {
        HeaderFieldLocation location;
        if (FindHeaderField(name, text, &location)) {
            fuzz::Require(location.nameStart < location.colon && location.colon < location.valueStart &&
                              location.valueStart <= location.fieldEnd - 2 && location.fieldEnd <= length,
                          "the field location is ordered and inside the text");
            fuzz::Require(text[location.colon] == ':', "the colon is a colon");
            fuzz::Require(text[location.fieldEnd - 2] == '\r' && text[location.fieldEnd - 1] == '\n',
                          "the field ends after CR LF");
        }
        bool found = false;
        const std::string value = GetHeaderField(text, name, &found);
        fuzz::Require(found || value.empty(), "a missing field has no value");
        GetDecodedHeaderField(text, name);
        DecodeHeaderText(value);

        std::string changed;
        if (RemoveHeaderField(name, text, static_cast<int>(length > 0 ? length : 1), &changed)) {
            fuzz::Require(found && changed.size() < length, "a removal shortens the text");
        }
        if (PrependHeaderField("X-Test: 1\r\n", text, static_cast<int>(length > 0 ? length : 1), name, &changed)) {
            fuzz::Require(!found && changed.size() == length + 11, "a prepended field adds its line");
        }
    }
    // The input as a header of its own, so that field names from the input are searched too.
    if (size > 0) {
        const std::string name(text, std::strlen(text) < 16 ? std::strlen(text) : 16);
        GetHeaderField(text, name.c_str());
    }

    // The input as an address list and as single addresses.
    std::vector<char> list(text, text + length + 1);
    int tokens = 0;
    for (char* token = NextAddressToken(list.data()); token != nullptr; token = NextAddressToken(nullptr)) {
        fuzz::Require(token >= list.data() && token < list.data() + list.size(), "a token lies in the list");
        CheckAddress(token, 1024);
        if (++tokens > 100000) break;
    }
    CheckAddress(text, 4096);
    CheckAddress(text, 7);
    CheckAddress(text, 1);
    CheckAddress(text, 0);
    return 0;
}
