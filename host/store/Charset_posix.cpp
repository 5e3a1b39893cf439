// The system half of the host's charset layer on Linux: iconv.
#include <errno.h>
#include <iconv.h>

#include <cstring>
#include <mutex>

#include "host/store/Charset.h"

namespace Charset {

namespace {

// Runs one whole conversion, stepping over (and reporting as U+FFFD) input bytes that the
// converter refuses. Output is UTF-32 in host order.
bool ConvertToUtf32(const char* from, const std::string& text, std::u32string* out) {
    iconv_t cd = iconv_open("UTF-32LE", from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out->clear();
    std::string input = text;
    char* in = &input[0];
    size_t inLeft = input.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof(buffer);
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const size_t produced = sizeof(buffer) - outLeft;
        for (size_t k = 0; k + 3 < produced; k += 4) {
            const unsigned char* b = reinterpret_cast<const unsigned char*>(buffer + k);
            out->push_back(static_cast<char32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<unsigned long>(b[3]) << 24)));
        }
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (truncated sequence at the end): skip one byte.
            out->push_back(0xFFFD);
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return true;
}

}  // namespace

bool SystemDecode(const std::string& lowerCharset, const std::string& text, std::u32string* out) {
    return ConvertToUtf32(lowerCharset.c_str(), text, out);
}

bool SystemEncodeCp932(char32_t c, std::string* out) {
    static std::mutex lock;
    static iconv_t cd = reinterpret_cast<iconv_t>(-1);
    std::lock_guard<std::mutex> guard(lock);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        cd = iconv_open("CP932", "UTF-32LE");
        if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    }
    unsigned char input[4] = {static_cast<unsigned char>(c & 0xFF), static_cast<unsigned char>((c >> 8) & 0xFF),
                              static_cast<unsigned char>((c >> 16) & 0xFF), static_cast<unsigned char>((c >> 24) & 0xFF)};
    char* in = reinterpret_cast<char*>(input);
    size_t inLeft = sizeof(input);
    char buffer[8];
    char* outPtr = buffer;
    size_t outLeft = sizeof(buffer);
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (rc == static_cast<size_t>(-1) || outLeft == sizeof(buffer)) return false;
    out->assign(buffer, sizeof(buffer) - outLeft);
    return true;
}

std::u32string SystemDecodeCp932(const std::string& text) {
    std::u32string out;
    if (!ConvertToUtf32("CP932", text, &out)) {
        for (char c : text) out.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<char32_t>(c) : 0xFFFD);
    }
    return out;
}

}  // namespace Charset
