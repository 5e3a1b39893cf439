// Directory listings on the POSIX side: FindFirstFileA/FindNextFileA/FindClose with the
// wildcard rules of Win32, case-insensitive, names handed back in CP932 and in the order NTFS
// lists them (by name without regard to case).
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/Mbcs.h"
#include "platform/posix/posix_internal.h"

using posix::HandleKind;

namespace posix {

namespace {

// The tokens of a Win32 wildcard pattern, after the conversion Windows applies before it
// matches: "?" matches one character, or nothing at the end of the name or before a dot;
// "*" before a dot matches up to (not across) the last dot of the name; a dot before "?",
// "*" or the end matches a dot or the end of the name. So "*.*" matches every name, also one
// without a dot, "*." the names without a dot, and "name?" both "name" and "name1".
enum class TokenType { Literal, Star, DosStar, DosQuestion, DosDot };

struct Token {
    TokenType type;
    std::string text;  // the (folded) character of a literal
};

std::vector<std::string> Characters(const std::string& text) {
    std::vector<std::string> characters;
    for (const char* p = text.c_str(); *p != '\0';) {
        const size_t length = Mbcs::CharLength(p);
        characters.emplace_back(p, length);
        p += length;
    }
    return characters;
}

std::vector<Token> Tokenize(const std::string& pattern) {
    const std::vector<std::string> characters = Characters(FoldCase(pattern.c_str()));
    std::vector<Token> tokens;
    for (size_t i = 0; i < characters.size(); ++i) {
        const std::string& c = characters[i];
        const std::string next = i + 1 < characters.size() ? characters[i + 1] : std::string();
        if (c == "*") {
            tokens.push_back({next == "." ? TokenType::DosStar : TokenType::Star, std::string()});
        } else if (c == "?") {
            tokens.push_back({TokenType::DosQuestion, std::string()});
        } else if (c == "." && (next.empty() || next == "?" || next == "*")) {
            tokens.push_back({TokenType::DosDot, std::string()});
        } else {
            tokens.push_back({TokenType::Literal, c});
        }
    }
    return tokens;
}

bool MatchesTokens(const std::vector<Token>& tokens, const std::string& name) {
    const std::vector<std::string> n = Characters(FoldCase(name.c_str()));
    const size_t count = n.size();
    size_t lastDot = count;  // index of the last dot, count when there is none
    for (size_t i = 0; i < count; ++i) {
        if (n[i] == ".") lastDot = i;
    }
    // match[j]: the tokens from i on match the name from j on (filled from the last token).
    std::vector<char> next(count + 1, 0);
    next[count] = 1;
    for (size_t t = tokens.size(); t-- > 0;) {
        std::vector<char> current(count + 1, 0);
        const Token& token = tokens[t];
        for (size_t j = count + 1; j-- > 0;) {
            bool ok = false;
            const bool atEnd = j == count;
            switch (token.type) {
            case TokenType::Literal:
                ok = !atEnd && n[j] == token.text && next[j + 1];
                break;
            case TokenType::Star:
                ok = next[j] || (!atEnd && current[j + 1]);
                break;
            case TokenType::DosStar:
                ok = next[j] || (!atEnd && j != lastDot && current[j + 1]);
                break;
            case TokenType::DosQuestion:
                ok = (atEnd || n[j] == ".") ? next[j] != 0 : next[j + 1] != 0;
                break;
            case TokenType::DosDot:
                ok = atEnd ? next[j] != 0 : (n[j] == "." && next[j + 1]);
                break;
            }
            current[j] = ok ? 1 : 0;
        }
        next.swap(current);
    }
    return next[0] != 0;
}

class FindObject : public HandleObject {
public:
    FindObject() : HandleObject(HandleKind::Find) {}
    std::shared_ptr<HandleObject> Duplicate() override {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

}  // namespace

}  // namespace posix

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    if (pattern == nullptr || data == nullptr || *pattern == '\0') {
        SetLastError(pattern != nullptr && data != nullptr ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // The folder is everything up to the last separator; the rest is the name pattern.
    const char* lastSeparator = nullptr;
    for (const char* p = pattern; *p != '\0'; p += Mbcs::CharLength(p)) {
        if (*p == '\\' || *p == '/') lastSeparator = p;
    }
    std::string folder;
    std::string namePattern;
    if (lastSeparator == nullptr) {
        folder = ".";
        namePattern = pattern;
    } else {
        folder.assign(pattern, lastSeparator == pattern ? 1 : static_cast<size_t>(lastSeparator - pattern));
        namePattern = lastSeparator + 1;
    }
    if (namePattern.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const std::string nativeFolder = posix::ToNativePath(folder.c_str());
    DIR* dir = opendir(nativeFolder.c_str());
    if (dir == nullptr) {
        const int error = errno;
        SetLastError(error == ENOENT || error == ENOTDIR ? ERROR_PATH_NOT_FOUND : posix::Win32ErrorFromErrno(error));
        return INVALID_HANDLE_VALUE;
    }
    const std::vector<posix::Token> tokens = posix::Tokenize(namePattern);
    auto find = std::make_shared<posix::FindObject>();
    std::vector<std::pair<std::string, WIN32_FIND_DATAA>> found;
    while (struct dirent* entry = readdir(dir)) {
        const std::string name = posix::Utf8ToCp932(entry->d_name, std::strlen(entry->d_name), true);
        if (name.size() >= MAX_PATH || !posix::MatchesTokens(tokens, name)) continue;
        struct stat info;
        if (fstatat(dirfd(dir), entry->d_name, &info, 0) != 0 &&
            fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;  // gone meanwhile
        }
        WIN32_FIND_DATAA item;
        std::memset(&item, 0, sizeof(item));
        WIN32_FILE_ATTRIBUTE_DATA attributes;
        posix::FillAttributeData(dirfd(dir), entry->d_name, info, entry->d_name, &attributes);
        item.dwFileAttributes = attributes.dwFileAttributes;
        item.ftCreationTime = attributes.ftCreationTime;
        item.ftLastAccessTime = attributes.ftLastAccessTime;
        item.ftLastWriteTime = attributes.ftLastWriteTime;
        item.nFileSizeHigh = attributes.nFileSizeHigh;
        item.nFileSizeLow = attributes.nFileSizeLow;
        std::memcpy(item.cFileName, name.c_str(), name.size() + 1);
        found.emplace_back(posix::FoldCase(name.c_str()), item);
    }
    closedir(dir);
    if (found.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // In name order without regard to case, as NTFS lists a folder ("." and ".." first).
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return std::strcmp(a.first.c_str(), b.first.c_str()) < 0;
    });
    for (auto& item : found) find->entries.push_back(item.second);
    *data = find->entries[0];
    find->next = 1;
    SetLastError(ERROR_SUCCESS);
    return posix::RegisterHandle(std::move(find), false);
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
    std::shared_ptr<posix::HandleObject> object = posix::LookupHandle(find);
    if (object == nullptr) return FALSE;
    if (object->Kind() != HandleKind::Find || data == nullptr) {
        SetLastError(data == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto* listing = static_cast<posix::FindObject*>(object.get());
    if (listing->next >= listing->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *data = listing->entries[listing->next++];
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    std::shared_ptr<posix::HandleObject> object = posix::LookupHandle(find);
    if (object == nullptr) return FALSE;
    if (object->Kind() != HandleKind::Find) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object.reset();
    return posix::UnregisterHandle(find) != nullptr ? TRUE : FALSE;
}

