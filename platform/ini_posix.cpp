// The INI profile functions on the POSIX side, with the rules of their Win32 namesakes:
// sections and keys match without regard to case (section and key arguments trimmed), the
// first matching section and, in it, the first matching key count; a value is trimmed and
// loses one pair of enclosing quotes; lines starting with ";" are comments. Files may have
// CR LF or LF line ends and any content (binary or huge files are read without harm).
//
// Writing edits the file's lines (everything else stays as it was, comments included; every
// line is written back with CR LF), writes the result to a new file beside the old one and
// replaces the old one in one step, so that an interrupted write never loses the file.
// Writers of one file are serialised within the process and, by an advisory lock, across
// processes; a reader always sees either the old or the new file.
//
// Deliberate differences from Win32: a null value deletes every entry of the key in the
// section (Win32 deletes the first only, uncovering a duplicate), a null key deletes every
// section of that name, and a relative path is taken relative to the current folder (Win32
// would look in the Windows folder).
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/Mbcs.h"
#include "platform/posix/posix_internal.h"

namespace {

const char kIniBlanks[] = " \t\r\n\v\f\x1a";
const char kUtf8Bom[] = "\xEF\xBB\xBF";

// Blanks are single-byte characters below 0x40, never the second byte of a double-byte
// character, so trimming byte by byte is safe.
std::string TrimBlanks(const std::string& text) {
    const size_t begin = text.find_first_not_of(kIniBlanks, 0, sizeof(kIniBlanks) - 1);
    if (begin == std::string::npos) return std::string();
    const size_t end = text.find_last_not_of(kIniBlanks, std::string::npos, sizeof(kIniBlanks) - 1);
    return text.substr(begin, end - begin + 1);
}

std::string Fold(const std::string& text) { return posix::FoldCase(text.c_str()); }

enum class LineType { Blank, Comment, Section, Key };

struct Line {
    std::string raw;  // without its line end
    LineType type = LineType::Blank;
    std::string name;     // section or key name, trimmed
    std::string folded;   // name folded for comparisons
    std::string value;    // a key's value, trimmed (quotes still on)
    bool hasValue = false;  // a key line with "="
};

Line Classify(const std::string& raw, bool firstLine) {
    Line line;
    line.raw = raw;
    std::string text = raw;
    if (firstLine && text.compare(0, 3, kUtf8Bom) == 0) text.erase(0, 3);
    const std::string trimmed = TrimBlanks(text);
    if (trimmed.empty()) return line;
    if (trimmed[0] == ';') {
        line.type = LineType::Comment;
        return line;
    }
    if (trimmed[0] == '[') {
        const size_t close = Mbcs::LastIndexOf(trimmed, ']');
        if (close != std::string::npos) {
            line.type = LineType::Section;
            line.name = TrimBlanks(trimmed.substr(1, close - 1));
            line.folded = Fold(line.name);
            return line;
        }
    }
    // "=" (0x3D) is never the second byte of a double-byte character.
    line.type = LineType::Key;
    const size_t equals = trimmed.find('=');
    if (equals == std::string::npos) {
        line.name = trimmed;  // a key without a value: listed, but read as missing
    } else {
        line.name = TrimBlanks(trimmed.substr(0, equals));
        line.value = TrimBlanks(trimmed.substr(equals + 1));
        line.hasValue = true;
    }
    line.folded = Fold(line.name);
    return line;
}

struct Document {
    std::vector<Line> lines;
};

Document Parse(const std::string& content) {
    Document document;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        const size_t next = end == std::string::npos ? content.size() : end + 1;
        if (end == std::string::npos) end = content.size();
        size_t length = end - start;
        if (length > 0 && content[start + length - 1] == '\r') --length;
        document.lines.push_back(Classify(content.substr(start, length), start == 0));
        start = next;
    }
    return document;
}

std::string Serialize(const Document& document) {
    size_t total = 0;
    for (const Line& line : document.lines) total += line.raw.size() + 2;
    std::string content;
    content.reserve(total);
    for (const Line& line : document.lines) {
        content += line.raw;
        content += "\r\n";
    }
    return content;
}

// A section: the index of its header (npos for the lines before the first header, which
// form a nameless section) and the range of its body lines.
struct Section {
    size_t header;
    size_t begin;
    size_t end;
};

std::vector<Section> SectionsOf(const Document& document) {
    std::vector<Section> sections;
    Section current = {std::string::npos, 0, 0};
    for (size_t i = 0; i < document.lines.size(); ++i) {
        if (document.lines[i].type != LineType::Section) continue;
        current.end = i;
        sections.push_back(current);
        current = {i, i + 1, i + 1};
    }
    current.end = document.lines.size();
    sections.push_back(current);
    return sections;
}

bool SectionMatches(const Document& document, const Section& section, const std::string& folded) {
    if (section.header == std::string::npos) return folded.empty();
    return document.lines[section.header].folded == folded;
}

const Section* FirstSection(const Document& document, const std::vector<Section>& sections,
                            const std::string& folded) {
    for (const Section& section : sections) {
        if (SectionMatches(document, section, folded)) return &section;
    }
    return nullptr;
}

std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Reads the whole file. False (with the last error) when it cannot be opened or read.
bool ReadWhole(int fd, std::string* content) {
    content->clear();
    struct stat info;
    if (fstat(fd, &info) == 0 && info.st_size > 0) content->reserve(static_cast<size_t>(info.st_size));
    char chunk[65536];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = pread(fd, chunk, sizeof(chunk), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            posix::SetLastErrorFromErrno(errno);
            return false;
        }
        if (n == 0) return true;
        content->append(chunk, static_cast<size_t>(n));
        offset += n;
    }
}

bool ReadProfile(const char* path, std::string* content) {
    std::shared_ptr<posix::FdObject> file = posix::OpenFile(
        path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0);
    if (file == nullptr) return false;
    try {
        return ReadWhole(file->Fd(), content);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
}

// Copies text up to its first NUL into buffer, cut to size - 1 bytes (never inside a
// double-byte character) and terminated. Returns the bytes copied.
DWORD CopyText(const std::string& text, LPSTR buffer, DWORD size) {
    if (buffer == nullptr || size == 0) return 0;
    const size_t length = std::strlen(text.c_str());
    const size_t keep = Mbcs::CutLength(text.c_str(), length, size - 1);
    std::memcpy(buffer, text.c_str(), keep);
    buffer[keep] = '\0';
    return static_cast<DWORD>(keep);
}

// Copies names as a list ("a\0b\0\0"). Too small a buffer gets what fits, ends with two NULs,
// and the result is size - 2, as in Win32.
DWORD CopyList(const std::vector<std::string>& names, LPSTR buffer, DWORD size) {
    if (buffer == nullptr || size == 0) return 0;
    std::string list;
    for (const std::string& name : names) {
        list.append(name.c_str());  // up to a NUL byte inside a name
        list += '\0';
    }
    if (list.size() + 1 <= size) {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        return static_cast<DWORD>(list.size());
    }
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

void AddUnique(std::vector<std::string>* names, std::vector<std::string>* folded, const std::string& name,
               const std::string& key) {
    for (const std::string& seen : *folded) {
        if (seen == key) return;
    }
    names->push_back(name);
    folded->push_back(key);
}

// The default as Win32 hands it out: without trailing blanks.
std::string DefaultText(LPCSTR defaultValue) {
    std::string text = defaultValue != nullptr ? defaultValue : "";
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    return text;
}

// Applies one write to the document. Returns whether anything changed.
bool ApplyWrite(Document* document, const std::string& section, LPCSTR key, LPCSTR value) {
    std::vector<Line>& lines = document->lines;
    const std::vector<Section> sections = SectionsOf(*document);
    const std::string sectionFolded = Fold(section);
    if (key == nullptr) {
        // Delete every section of that name, header and body, from the last one backwards.
        bool changed = false;
        for (size_t i = sections.size(); i-- > 0;) {
            const Section& s = sections[i];
            if (!SectionMatches(*document, s, sectionFolded)) continue;
            const size_t first = s.header == std::string::npos ? s.begin : s.header;
            if (first == s.end) continue;
            lines.erase(lines.begin() + static_cast<long>(first), lines.begin() + static_cast<long>(s.end));
            changed = true;
        }
        return changed;
    }
    const std::string keyName = TrimBlanks(key);
    const std::string keyFolded = Fold(keyName);
    const Section* target = FirstSection(*document, sections, sectionFolded);
    if (value == nullptr) {
        if (target == nullptr) return false;
        bool changed = false;
        for (size_t i = target->end; i-- > target->begin;) {
            if (lines[i].type == LineType::Key && lines[i].folded == keyFolded) {
                lines.erase(lines.begin() + static_cast<long>(i));
                changed = true;
            }
        }
        return changed;
    }
    if (target == nullptr) {
        lines.push_back(Classify("[" + section + "]", lines.empty()));
        lines.push_back(Classify(keyName + "=" + value, false));
        return true;
    }
    for (size_t i = target->begin; i < target->end; ++i) {
        if (lines[i].type != LineType::Key || lines[i].folded != keyFolded) continue;
        const std::string replacement = lines[i].name + "=" + value;  // the key keeps its spelling
        if (lines[i].raw == replacement) return false;
        lines[i] = Classify(replacement, i == 0);
        return true;
    }
    // A new key goes after the section's last non-blank line, before blank lines that
    // separate it from the next section.
    size_t position = target->begin;
    for (size_t i = target->begin; i < target->end; ++i) {
        if (lines[i].type != LineType::Blank) position = i + 1;
    }
    lines.insert(lines.begin() + static_cast<long>(position), Classify(keyName + "=" + value, position == 0));
    return true;
}

std::mutex g_writeLock;
std::atomic<unsigned> g_tempCounter{0};

// Takes the cross-process writer lock of the open profile (waiting for it).
bool LockForWriting(int fd) {
    struct flock lock;
    std::memset(&lock, 0, sizeof(lock));
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = posix::kIniWriterLock;
    lock.l_len = 1;
    while (fcntl(fd, F_OFD_SETLKW, &lock) != 0) {
        if (errno != EINTR) return errno == EINVAL || errno == ENOLCK;  // no locks here: go on unlocked
    }
    return true;
}

bool SameFile(int fd, const std::string& nativePath) {
    struct stat opened;
    struct stat named;
    return fstat(fd, &opened) == 0 && stat(nativePath.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

// Writes content to a new file beside nativePath (with mode) and puts it in its place.
bool ReplaceWith(const std::string& nativePath, const std::string& content, mode_t mode) {
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = nativePath + ".~" + std::to_string(getpid()) + "-" + std::to_string(g_tempCounter.fetch_add(1)) +
                    ".tmp";
        fd = posix::SysOpen(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        posix::SetLastErrorFromErrno(errno, temporary.c_str());
        return false;
    }
    fchmod(fd, mode);  // the mode of the old file, whatever the umask
    size_t done = 0;
    bool ok = true;
    while (done < content.size()) {
        const ssize_t n = posix::SysWrite(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            posix::SetLastErrorFromErrno(n == 0 ? EIO : errno);
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0 && ok) {
        posix::SetLastErrorFromErrno(errno);
        ok = false;
    }
    if (ok && !posix::ReplaceFileNative(temporary, nativePath)) ok = false;
    if (!ok) {
        const DWORD error = GetLastError();
        unlink(temporary.c_str());
        SetLastError(error);
    }
    return ok;
}

// Win32's integer reading (RtlCharToInteger with base 0): blanks, a sign, "0x"/"0o"/"0b" for
// hexadecimal, octal or binary, then digits up to the first other character; 32-bit wrap.
UINT ParseInteger(const std::string& text) {
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    unsigned base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16, p += 2;
    } else if (p[0] == '0' && (p[1] == 'o' || p[1] == 'O')) {
        base = 8, p += 2;
    } else if (p[0] == '0' && (p[1] == 'b' || p[1] == 'B')) {
        base = 2, p += 2;
    }
    uint32_t value = 0;
    for (;; ++p) {
        unsigned digit;
        if (*p >= '0' && *p <= '9') {
            digit = static_cast<unsigned>(*p - '0');
        } else if (*p >= 'a' && *p <= 'f') {
            digit = static_cast<unsigned>(*p - 'a' + 10);
        } else if (*p >= 'A' && *p <= 'F') {
            digit = static_cast<unsigned>(*p - 'A' + 10);
        } else {
            break;
        }
        if (digit >= base) break;
        value = value * base + digit;
    }
    return negative ? static_cast<UINT>(0u - value) : static_cast<UINT>(value);
}

// What GetPrivateProfileStringA looks up, without the copying: found is false when the
// default applies.
bool LookUp(const Document& document, const std::string& section, const std::string& key, std::string* value) {
    const std::vector<Section> sections = SectionsOf(document);
    const Section* target = FirstSection(document, sections, Fold(TrimBlanks(section)));
    if (target == nullptr) return false;
    const std::string keyFolded = Fold(TrimBlanks(key));
    for (size_t i = target->begin; i < target->end; ++i) {
        const Line& line = document.lines[i];
        if (line.type != LineType::Key || line.folded != keyFolded) continue;
        if (!line.hasValue) return false;
        *value = Unquote(line.value);
        return true;
    }
    return false;
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR path) {
    try {
        std::string content;
        const bool read = ReadProfile(path, &content);
        const DWORD readError = GetLastError();
        const Document document = read ? Parse(content) : Document();
        content.clear();
        if (section == nullptr) {
            std::vector<std::string> names;
            std::vector<std::string> folded;
            for (const Line& line : document.lines) {
                if (line.type == LineType::Section) AddUnique(&names, &folded, line.name, line.folded);
            }
            return CopyList(names, buffer, size);
        }
        if (key == nullptr) {
            std::vector<std::string> names;
            std::vector<std::string> folded;
            const std::vector<Section> sections = SectionsOf(document);
            const Section* target = FirstSection(document, sections, Fold(TrimBlanks(section)));
            if (target != nullptr) {
                for (size_t i = target->begin; i < target->end; ++i) {
                    const Line& line = document.lines[i];
                    if (line.type == LineType::Key) AddUnique(&names, &folded, line.name, line.folded);
                }
            }
            return CopyList(names, buffer, size);
        }
        std::string value;
        if (LookUp(document, section, key, &value)) {
            SetLastError(ERROR_SUCCESS);
            return CopyText(value, buffer, size);
        }
        const DWORD copied = CopyText(DefaultText(defaultValue), buffer, size);
        SetLastError(read ? ERROR_FILE_NOT_FOUND : readError);
        return copied;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return CopyText(DefaultText(defaultValue), buffer, size);
    }
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR path) {
    if (section == nullptr || key == nullptr) return static_cast<UINT>(defaultValue);
    try {
        std::string content;
        if (!ReadProfile(path, &content)) return static_cast<UINT>(defaultValue);
        const Document document = Parse(content);
        std::string value;
        if (!LookUp(document, section, key, &value) || std::strlen(value.c_str()) == 0) {
            return static_cast<UINT>(defaultValue);
        }
        return ParseInteger(value);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return static_cast<UINT>(defaultValue);
    }
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR path) {
    if (section == nullptr) {
        if (key == nullptr && value == nullptr) return TRUE;  // "flush the cache": there is none
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (path == nullptr || *path == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const bool deleting = key == nullptr || value == nullptr;
    const std::string native = posix::ToNativePath(path);
    std::lock_guard<std::mutex> guard(g_writeLock);
    try {
        for (int attempt = 0; attempt < 16; ++attempt) {
            std::shared_ptr<posix::FdObject> file =
                posix::OpenFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                deleting ? OPEN_EXISTING : OPEN_ALWAYS, 0);
            if (file == nullptr) {
                // Nothing to delete from a file that is not there.
                return deleting && GetLastError() == ERROR_FILE_NOT_FOUND ? TRUE : FALSE;
            }
            const bool created = !deleting && GetLastError() != ERROR_ALREADY_EXISTS;
            if (!LockForWriting(file->Fd())) {
                posix::SetLastErrorFromErrno(errno);
                return FALSE;
            }
            // Another writer may have replaced the file while this one waited for the lock.
            if (!SameFile(file->Fd(), native)) continue;
            std::string content;
            if (!ReadWhole(file->Fd(), &content)) return FALSE;
            Document document = Parse(content);
            if (!ApplyWrite(&document, TrimBlanks(section), key, value)) return TRUE;
            struct stat info;
            const mode_t mode = fstat(file->Fd(), &info) == 0 ? (info.st_mode & 07777) : 0666;
            if (ReplaceWith(native, Serialize(document), mode)) return TRUE;
            if (created) {
                // Leave no empty file behind when the first write of a new profile failed.
                const DWORD error = GetLastError();
                if (SameFile(file->Fd(), native) && fstat(file->Fd(), &info) == 0 && info.st_size == 0) {
                    unlink(native.c_str());
                }
                SetLastError(error);
            }
            return FALSE;
        }
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}
