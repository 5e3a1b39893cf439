// Database backup and restore with minizip; see Backup.h.
//
// minizip reads and writes through an I/O table of our own built on the Win32 file calls, so
// the ANSI (CP932) paths reach the file system the same way as everywhere else in the plug-in
// (on Linux through the platform layer's path conversion).
#include "ui/Backup.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <cctype>
#include <cstring>
#include <vector>

#include "platform/Mbcs.h"
#include "resources/resource.h"
#include "support/LockGuard.h"
#include "support/Log.h"
#include "support/Util.h"

static const char kLogSource[] = "Mirvane\\Backup";

namespace {

constexpr DWORD kChunkSize = 64 * 1024;
// General-purpose flag bits of a ZIP entry.
constexpr unsigned long kFlagEncrypted = 0x1;
constexpr unsigned long kFlagUtf8 = 0x800;

// ---- minizip's I/O over the Win32 file calls ----------------------------------------------

voidpf ZCALLBACK OpenFile(voidpf, const void* filename, int mode) {
    const char* path = static_cast<const char*>(filename);
    DWORD access = GENERIC_READ;
    DWORD share = FILE_SHARE_READ;
    DWORD disposition = OPEN_EXISTING;
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) == ZLIB_FILEFUNC_MODE_READ) {
        access = GENERIC_READ;
        disposition = OPEN_EXISTING;
    } else if (mode & ZLIB_FILEFUNC_MODE_EXISTING) {
        access = GENERIC_READ | GENERIC_WRITE;
        share = 0;
        disposition = OPEN_EXISTING;
    } else if (mode & ZLIB_FILEFUNC_MODE_CREATE) {
        access = GENERIC_READ | GENERIC_WRITE;
        share = 0;
        disposition = CREATE_ALWAYS;
    }
    HANDLE file = CreateFileA(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        LOG(LOG_ERROR, "OpenFile()", "%s: LastError: [%lu], path: [%s].", "CreateFile()", GetLastError(), path);
        return nullptr;
    }
    return new HANDLE(file);
}

HANDLE HandleOf(voidpf stream) { return *static_cast<HANDLE*>(stream); }

uLong ZCALLBACK ReadStream(voidpf, voidpf stream, void* buffer, uLong size) {
    DWORD read = 0;
    if (!ReadFile(HandleOf(stream), buffer, static_cast<DWORD>(size), &read, nullptr)) return 0;
    return read;
}

uLong ZCALLBACK WriteStream(voidpf, voidpf stream, const void* buffer, uLong size) {
    DWORD written = 0;
    if (!WriteFile(HandleOf(stream), buffer, static_cast<DWORD>(size), &written, nullptr)) return 0;
    return written;
}

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf stream) {
    LONG high = 0;
    const DWORD low = SetFilePointer(HandleOf(stream), 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return static_cast<ZPOS64_T>(-1);
    return (static_cast<ZPOS64_T>(static_cast<DWORD>(high)) << 32) | low;
}

long ZCALLBACK SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    DWORD method = FILE_BEGIN;
    switch (origin) {
        case ZLIB_FILEFUNC_SEEK_CUR: method = FILE_CURRENT; break;
        case ZLIB_FILEFUNC_SEEK_END: method = FILE_END; break;
        case ZLIB_FILEFUNC_SEEK_SET: method = FILE_BEGIN; break;
        default: return -1;
    }
    LONG high = static_cast<LONG>(offset >> 32);
    SetLastError(NO_ERROR);
    const DWORD low = SetFilePointer(HandleOf(stream), static_cast<LONG>(offset & 0xFFFFFFFFu), &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
    return 0;
}

int ZCALLBACK CloseStream(voidpf, voidpf stream) {
    HANDLE* handle = static_cast<HANDLE*>(stream);
    const BOOL closed = CloseHandle(*handle);
    delete handle;
    return closed ? 0 : -1;
}

int ZCALLBACK ErrorOfStream(voidpf, voidpf) { return 0; }

zlib_filefunc64_def FileFunctions() {
    zlib_filefunc64_def functions;
    functions.zopen64_file = OpenFile;
    functions.zread_file = ReadStream;
    functions.zwrite_file = WriteStream;
    functions.ztell64_file = TellStream;
    functions.zseek64_file = SeekStream;
    functions.zclose_file = CloseStream;
    functions.zerror_file = ErrorOfStream;
    functions.opaque = nullptr;
    return functions;
}

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// ---- backup ---------------------------------------------------------------------------------

// Every backslash of an entry name as "/", the ZIP separator (trail bytes left alone).
std::string ZipEntryName(const std::string& name) {
    return Mbcs::ReplaceChar(name.c_str(), '\\', '/');
}

// Adds the file at source as entry (backslash-separated name), with its last-write time in
// local time.
bool AddFile(zipFile zip, const std::string& source, const std::string& entry) {
    HANDLE file = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        LOG(LOG_ERROR, "AddFile()", "%s: LastError: [%lu], path: [%s].", "CreateFile()", GetLastError(),
            source.c_str());
        return false;
    }
    zip_fileinfo info;
    std::memset(&info, 0, sizeof(info));
    FILETIME written;
    FILETIME local;
    SYSTEMTIME time;
    if (GetFileTime(file, nullptr, nullptr, &written) && FileTimeToLocalFileTime(&written, &local) &&
        FileTimeToSystemTime(&local, &time)) {
        info.tmz_date.tm_year = time.wYear;
        info.tmz_date.tm_mon = time.wMonth - 1;
        info.tmz_date.tm_mday = time.wDay;
        info.tmz_date.tm_hour = time.wHour;
        info.tmz_date.tm_min = time.wMinute;
        info.tmz_date.tm_sec = time.wSecond;
    } else {
        LOG(LOG_ERROR, "AddFile()", "%s: LastError: [%lu], path: [%s].", "GetFileTime()", GetLastError(),
            source.c_str());
        info.tmz_date.tm_year = 1980;
        info.tmz_date.tm_mday = 1;
    }
    DWORD sizeHigh = 0;
    const DWORD sizeLow = GetFileSize(file, &sizeHigh);
    const int zip64 = sizeHigh != 0 || sizeLow >= 0xFFFFFFFFul ? 1 : 0;
    info.external_fa = FILE_ATTRIBUTE_ARCHIVE;

    const std::string name = ZipEntryName(entry);
    bool ok = zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                    Z_DEFAULT_COMPRESSION, zip64) == ZIP_OK;
    if (!ok) {
        LOG(LOG_ERROR, "AddFile()", "%s: failed. entry: [%s].", "zipOpenNewFileInZip64()", name.c_str());
    } else {
        std::vector<char> buffer(kChunkSize);
        for (;;) {
            DWORD read = 0;
            if (!ReadFile(file, buffer.data(), kChunkSize, &read, nullptr)) {
                LOG(LOG_ERROR, "AddFile()", "%s: LastError: [%lu], path: [%s].", "ReadFile()", GetLastError(),
                    source.c_str());
                ok = false;
                break;
            }
            if (read == 0) break;
            if (zipWriteInFileInZip(zip, buffer.data(), read) != ZIP_OK) {
                LOG(LOG_ERROR, "AddFile()", "%s: failed. entry: [%s].", "zipWriteInFileInZip()", name.c_str());
                ok = false;
                break;
            }
        }
        if (zipCloseFileInZip(zip) != ZIP_OK) ok = false;
    }
    CloseHandle(file);
    return ok;
}

// Adds bsfilter.conf and the database files; the caller holds the lock.
bool AddDatabaseFiles(zipFile zip, const DatabasePaths& paths, const std::string& skipA, const std::string& skipB,
                      std::vector<std::string>* names) {
    if (!AddFile(zip, paths.bsfilterConfig, "bsfilter.conf")) return false;
    names->push_back("bsfilter.conf");

    char pattern[kPathSize];
    FormatTo(pattern, sizeof(pattern), "%s\\*.*", paths.bsfilterDbFolder.c_str());
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE) {
        LOG(LOG_DEBUG, "BackupDatabaseTo()", "%s: LastError: [%lu], pattern: [%s].", "FindFirstFile()",
            GetLastError(), pattern);
        return true;  // no database folder: the archive holds bsfilter.conf alone
    }
    bool ok = true;
    do {
        if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        char source[kPathSize];
        char entry[kPathSize];
        FormatTo(source, sizeof(source), "%s\\%s", paths.bsfilterDbFolder.c_str(), found.cFileName);
        FormatTo(entry, sizeof(entry), "bsfilterdb\\%s", found.cFileName);
        // An archive saved into the database folder itself is not part of the backup.
        if (SamePath(source, skipA) || SamePath(source, skipB)) continue;
        if (!AddFile(zip, source, entry)) {
            ok = false;
            break;
        }
        names->push_back(entry);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return ok;
}

// ---- restore --------------------------------------------------------------------------------

bool IsSeparator(const char* p) { return Mbcs::CharLength(p) == 1 && (*p == '/' || *p == '\\'); }

bool IsDriveAt(const std::string& text, size_t at) {
    return text.size() >= at + 2 && std::isalpha(static_cast<unsigned char>(text[at])) && text[at + 1] == ':';
}

// A step that walks up: "..", and what Windows would read as ".." ("...", ". .", ".. ": it
// drops trailing dots and blanks of a name).
bool IsParentStep(const std::string& step) {
    size_t dots = 0;
    for (char c : step) {
        if (c == '.') {
            ++dots;
        } else if (c != ' ') {
            return false;
        }
    }
    return dots >= 2;
}

// A step made only of dots and blanks with at most one dot: the folder itself.
bool IsCurrentStep(const std::string& step) {
    for (char c : step) {
        if (c != '.' && c != ' ') return false;
    }
    return true;
}

// Device names that Windows opens in any folder (CON, NUL, COM1, ...), with or without an
// extension.
bool IsDeviceName(const std::string& step) {
    std::string base = step.substr(0, step.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* name : kNames) {
        if (base == name) return true;
    }
    if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
        base[3] >= '0' && base[3] <= '9') {
        return true;
    }
    return false;
}

// How much a restore may still write, and how much it has written.
struct WriteBudget {
    unsigned long long bound = 0;
    unsigned long long written = 0;
    bool exceeded = false;
};

// Writes the current entry of zip to the file temporary, stamped with the entry's time. Sets
// *damaged when the entry's data is corrupt, budget.exceeded when it would write past the
// bound (the file is then deleted). False on any failure but damage.
bool ExtractCurrentEntry(unzFile zip, const unz_file_info64& info, const std::string& temporary, WriteBudget& budget,
                         bool* damaged) {
    *damaged = false;
    if (info.flag & kFlagEncrypted) {
        LOG(LOG_ERROR, "RestoreDatabaseFrom()", "encrypted entry: [%s].", temporary.c_str());
        return false;
    }
    if (!PlatformMakeSureDirectoryPathExists(temporary.c_str())) {
        LOG(LOG_ERROR, "RestoreDatabaseFrom()", "%s: LastError: [%lu], path: [%s].",
            "MakeSureDirectoryPathExists()", GetLastError(), temporary.c_str());
        return false;
    }
    if (unzOpenCurrentFile(zip) != UNZ_OK) {
        LOG(LOG_ERROR, "RestoreDatabaseFrom()", "%s: failed. path: [%s].", "unzOpenCurrentFile()", temporary.c_str());
        return false;
    }
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        LOG(LOG_ERROR, "RestoreDatabaseFrom()", "%s: LastError: [%lu], path: [%s].", "CreateFile()", GetLastError(),
            temporary.c_str());
        unzCloseCurrentFile(zip);
        return false;
    }
    bool ok = true;
    std::vector<char> buffer(kChunkSize);
    for (;;) {
        const int read = unzReadCurrentFile(zip, buffer.data(), kChunkSize);
        if (read == 0) break;
        if (read < 0) {
            // Z_DATA_ERROR and friends: the data cannot be decompressed; UNZ_ERRNO: the archive
            // file cannot be read.
            LOG(LOG_ERROR, "RestoreDatabaseFrom()", "%s: failed. [%d], path: [%s].", "unzReadCurrentFile()", read,
                temporary.c_str());
            if (read == UNZ_ERRNO) {
                ok = false;
            } else {
                *damaged = true;
            }
            break;
        }
        // Counted as written, whatever the entry declared: a size field can lie.
        if (static_cast<unsigned long long>(read) > budget.bound - budget.written) {
            LOG(LOG_ERROR, "RestoreDatabaseFrom()", "the archive expands past the bound: [%llu] bytes, path: [%s].",
                budget.bound, temporary.c_str());
            budget.exceeded = true;
            ok = false;
            break;
        }
        budget.written += static_cast<unsigned long long>(read);
        if (!Util::WriteToFile(file, buffer.data(), static_cast<DWORD>(read))) {
            ok = false;
            break;
        }
    }
    if (unzCloseCurrentFile(zip) == UNZ_CRCERROR && ok && !*damaged) {
        LOG(LOG_ERROR, "RestoreDatabaseFrom()", "%s: CRC error. path: [%s].", "unzCloseCurrentFile()",
            temporary.c_str());
        *damaged = true;
    }
    if (ok && !*damaged) {
        SYSTEMTIME time = {};
        time.wYear = static_cast<WORD>(info.tmu_date.tm_year);
        time.wMonth = static_cast<WORD>(info.tmu_date.tm_mon + 1);
        time.wDay = static_cast<WORD>(info.tmu_date.tm_mday);
        time.wHour = static_cast<WORD>(info.tmu_date.tm_hour);
        time.wMinute = static_cast<WORD>(info.tmu_date.tm_min);
        time.wSecond = static_cast<WORD>(info.tmu_date.tm_sec);
        FILETIME local;
        FILETIME utc;
        if (SystemTimeToFileTime(&time, &local) && LocalFileTimeToFileTime(&local, &utc)) {
            SetFileTime(file, nullptr, nullptr, &utc);
        }
    }
    if (!CloseHandle(file)) ok = false;
    if (!ok || *damaged) DeleteFileA(temporary.c_str());
    return ok;
}

// Whether full (an absolute path below base) really lies inside base once the system has
// resolved it.
bool LiesInside(const std::string& base, const std::string& full) {
    char resolved[kPathSize];
    const DWORD length = GetFullPathNameA(full.c_str(), sizeof(resolved), resolved, nullptr);
    if (length == 0 || length >= sizeof(resolved)) return false;
    char resolvedBase[kPathSize];
    const DWORD baseLength = GetFullPathNameA(base.c_str(), sizeof(resolvedBase), resolvedBase, nullptr);
    if (baseLength == 0 || baseLength >= sizeof(resolvedBase)) return false;
    std::string prefix(resolvedBase, baseLength);
    if (!Mbcs::EndsWith(prefix.c_str(), '\\')) prefix += '\\';
    const std::string path(resolved, length);
    return path.size() > prefix.size() && lstrcmpiA(path.substr(0, prefix.size()).c_str(), prefix.c_str()) == 0;
}

// Whether the file at path is a ZIP archive without entries: nothing but the end record
// (minizip refuses those, taking an end record at offset 0 for none at all).
bool IsEmptyArchive(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<unsigned char> record(22 + 0xFFFF);
    DWORD read = 0;
    const BOOL ok = ReadFile(file, record.data(), static_cast<DWORD>(record.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok || read < 22) return false;
    static const unsigned char kEndSignature[4] = {0x50, 0x4B, 0x05, 0x06};
    if (std::memcmp(record.data(), kEndSignature, 4) != 0) return false;
    for (int i = 4; i < 20; ++i) {
        if (record[i] != 0) return false;  // disks, entry counts, directory size and offset
    }
    const DWORD commentLength = record[20] | (static_cast<DWORD>(record[21]) << 8);
    return read == 22 + commentLength;
}

}  // namespace

std::string SafeEntryName(const std::string& name) {
    // Split into steps at either separator, stepping over double-byte characters.
    std::vector<std::string> steps;
    std::string step;
    bool trailingSeparator = false;
    for (const char* p = name.c_str(); *p != '\0';) {
        if (IsSeparator(p)) {
            steps.push_back(step);
            step.clear();
            trailingSeparator = true;
            ++p;
            continue;
        }
        const size_t length = Mbcs::CharLength(p);
        step.append(p, length);
        trailingSeparator = false;
        p += length;
    }
    if (!trailingSeparator) steps.push_back(step);

    std::vector<std::string> kept;
    for (size_t i = 0; i < steps.size(); ++i) {
        std::string s = steps[i];
        // A drive prefix ("C:") before the first kept step goes ("C:..\x" and "C:x" alike).
        if (kept.empty() && IsDriveAt(s, 0)) s.erase(0, 2);
        if (IsParentStep(s)) {
            kept.clear();
            continue;
        }
        if (s.empty() || IsCurrentStep(s)) continue;
        kept.push_back(s);
    }
    if (kept.empty()) return std::string();

    std::string result;
    for (size_t i = 0; i < kept.size(); ++i) {
        const std::string& s = kept[i];
        // A colon would name a drive or an alternate data stream; a device name opens a
        // device rather than a file in the data folder.
        if (Mbcs::FindFirst(s.c_str(), ':') != nullptr || IsDeviceName(s)) return std::string();
        if (i > 0) result += '\\';
        result += s;
    }
    if (trailingSeparator) result += '\\';
    return result;
}

std::string DatabaseResultText(UINT headingId, const std::string& dataFolder, const std::vector<std::string>& names) {
    std::string text = LoadResString(headingId, dataFolder.c_str());
    for (const std::string& name : names) {
        text += name;
        text += "\r\n";
    }
    return text;
}

bool BackupDatabaseTo(const DatabasePaths& paths, const std::string& zipPath, std::vector<std::string>* names) {
    LOG(LOG_DEBUG, "BackupDatabaseTo()", "begin.");
    names->clear();
    const std::string temporary = zipPath + ".mirvane-backup";
    zlib_filefunc64_def functions = FileFunctions();
    zipFile zip = zipOpen2_64(temporary.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
    bool ok = zip != nullptr;
    if (!ok) {
        LOG(LOG_ERROR, "BackupDatabaseTo()", "%s: failed. path: [%s].", "zipOpen2_64()", temporary.c_str());
    } else {
        {
            LockGuard hold(paths.lock);
            ok = AddDatabaseFiles(zip, paths, zipPath, temporary, names);
        }
        if (zipClose(zip, nullptr) != ZIP_OK) {
            LOG(LOG_ERROR, "BackupDatabaseTo()", "%s: failed. path: [%s].", "zipClose()", temporary.c_str());
            ok = false;
        }
    }
    if (ok && !PlatformReplaceFile(temporary.c_str(), zipPath.c_str())) {
        LOG(LOG_ERROR, "BackupDatabaseTo()", "%s: LastError: [%lu], path: [%s].", "ReplaceFile()", GetLastError(),
            zipPath.c_str());
        ok = false;
    }
    if (!ok) {
        DeleteFileA(temporary.c_str());
        names->clear();
    }
    LOG(LOG_DEBUG, "BackupDatabaseTo()", "end. result: [%s].", BoolText(ok));
    return ok;
}

std::string RestoreResultText(const std::string& dataFolder, const std::vector<std::string>& names, size_t skipped) {
    std::string text = DatabaseResultText(IDS_RESTORE_DONE, dataFolder, names);
    if (skipped > 0) text += LoadResString(IDS_RESTORE_SKIPPED, static_cast<unsigned long>(skipped));
    return text;
}

std::string DatabaseEntryName(const std::string& safeName) {
    if (lstrcmpiA(safeName.c_str(), "bsfilter.conf") == 0) return "bsfilter.conf";
    static const char kFolder[] = "bsfilterdb\\";
    const size_t folderLength = sizeof(kFolder) - 1;
    if (safeName.size() < folderLength || lstrcmpiA(safeName.substr(0, folderLength).c_str(), kFolder) != 0) {
        return std::string();
    }
    // The folder itself, or one file directly inside it (a backup holds no subfolders).
    const std::string rest = safeName.substr(folderLength);
    if (Mbcs::FindFirst(rest.c_str(), '\\') != nullptr) return std::string();
    return kFolder + rest;
}

namespace {

// One entry of the archive as the restore sees it.
struct RestoreEntry {
    std::string safe;    // made-safe relative name
    bool folder = false; // a folder entry ("bsfilterdb\")
};

// The bound of a restore into dataFolder: the free space less the margin, at most ceiling.
unsigned long long RestoreBound(const std::string& dataFolder, unsigned long long ceiling) {
    unsigned long long free = 0;
    if (!PlatformFreeDiskSpace(dataFolder.c_str(), &free)) {
        LOG(LOG_ERROR, "RestoreDatabaseFrom()", "%s: LastError: [%lu], path: [%s].", "GetDiskFreeSpaceEx()",
            GetLastError(), dataFolder.c_str());
        return ceiling;
    }
    const unsigned long long room = free > kRestoreFreeMarginBytes ? free - kRestoreFreeMarginBytes : 0;
    return room < ceiling ? room : ceiling;
}

// Moves zip to the entry at index (0: the first) and reads its information and name.
bool ReadEntry(unzFile zip, ZPOS64_T index, unz_file_info64* info, std::string* name) {
    const int moved = index == 0 ? unzGoToFirstFile(zip) : unzGoToNextFile(zip);
    char raw[kPathSize];
    if (moved != UNZ_OK || unzGetCurrentFileInfo64(zip, info, raw, sizeof(raw), nullptr, 0, nullptr, 0) != UNZ_OK ||
        info->size_filename >= sizeof(raw)) {
        LOG(LOG_ERROR, "RestoreDatabaseFrom()", "%s: failed. index: [%lu].", "unzGetCurrentFileInfo64()",
            static_cast<unsigned long>(index));
        return false;
    }
    raw[info->size_filename] = '\0';
    *name = raw;
    if (info->flag & kFlagUtf8) *name = PlatformUtf8ToAnsi(*name);
    return true;
}

// The restore proper, with the lock held: one pass that sorts the entries and adds up their
// declared sizes, one that extracts them to temporary files, then the replacement of them all.
bool RestoreEntries(unzFile zip, const DatabasePaths& paths, std::vector<std::string>* names, size_t* skipped,
                    bool* damaged) {
    const std::string base = paths.dataFolder + "\\";
    unz_global_info64 global;
    if (unzGetGlobalInfo64(zip, &global) != UNZ_OK) {
        LOG(LOG_ERROR, "RestoreDatabaseFrom()", "%s: failed.", "unzGetGlobalInfo64()");
        return false;
    }
    std::vector<RestoreEntry> entries;
    unsigned long long declared = 0;
    for (ZPOS64_T index = 0; index < global.number_entry; ++index) {
        unz_file_info64 info;
        std::string name;
        if (!ReadEntry(zip, index, &info, &name)) return false;
        RestoreEntry entry;
        entry.safe = DatabaseEntryName(SafeEntryName(name));
        if (entry.safe.empty() || !LiesInside(base, base + entry.safe)) {
            LOG(LOG_WARN, "RestoreDatabaseFrom()", "entry skipped: [%s].", name.c_str());
            ++*skipped;
            entry.safe.clear();
        } else {
            entry.folder = Mbcs::EndsWith(entry.safe.c_str(), '\\');
            if (!entry.folder) declared += info.uncompressed_size;
        }
        entries.push_back(entry);
    }
    WriteBudget budget;
    budget.bound = RestoreBound(paths.dataFolder, paths.restoreCeiling);
    if (declared > budget.bound) {
        LOG(LOG_ERROR, "RestoreDatabaseFrom()", "archive refused: declared size: [%llu], bound: [%llu].", declared,
            budget.bound);
        return false;
    }

    std::vector<std::string> temporaries;
    std::vector<std::string> targets;
    std::vector<std::string> restored;
    bool ok = true;
    for (ZPOS64_T index = 0; ok && index < global.number_entry; ++index) {
        unz_file_info64 info;
        std::string name;
        if (!ReadEntry(zip, index, &info, &name)) {
            ok = false;
            break;
        }
        const RestoreEntry& entry = entries[static_cast<size_t>(index)];
        if (entry.safe.empty()) continue;
        const std::string target = base + entry.safe;
        if (entry.folder) {
            if (!PlatformMakeSureDirectoryPathExists(target.c_str())) {
                LOG(LOG_ERROR, "RestoreDatabaseFrom()", "%s: LastError: [%lu], path: [%s].",
                    "MakeSureDirectoryPathExists()", GetLastError(), target.c_str());
                ok = false;
                break;
            }
            restored.push_back(entry.safe);
            continue;
        }
        // One temporary file per entry: two entries for one file (or, on Windows, names that
        // differ only in case) each keep their own until the replacement, where the later wins.
        const std::string temporary = target + ".mirvane-restore-" + std::to_string(index);
        bool entryDamaged = false;
        if (!ExtractCurrentEntry(zip, info, temporary, budget, &entryDamaged)) {
            ok = false;
            break;
        }
        if (entryDamaged) {
            *damaged = true;
            continue;
        }
        temporaries.push_back(temporary);
        targets.push_back(target);
        restored.push_back(entry.safe);
    }
    if (ok) {
        const size_t replaced = PlatformReplaceFiles(temporaries, targets);
        if (replaced < temporaries.size()) {
            LOG(LOG_ERROR, "RestoreDatabaseFrom()", "%s: LastError: [%lu], path: [%s].", "ReplaceFile()",
                GetLastError(), targets[replaced].c_str());
            ok = false;
        }
        for (size_t i = replaced; i < temporaries.size(); ++i) DeleteFileA(temporaries[i].c_str());
        for (size_t i = 0; i < replaced; ++i) LOG(LOG_DEBUG, "RestoreDatabaseFrom()", "restored: [%s].", targets[i].c_str());
    } else {
        for (const std::string& temporary : temporaries) DeleteFileA(temporary.c_str());
    }
    if (ok) *names = restored;
    return ok;
}

}  // namespace

bool RestoreDatabaseFrom(const DatabasePaths& paths, const std::string& zipPath, std::vector<std::string>* names,
                         size_t* skipped) {
    LOG(LOG_DEBUG, "RestoreDatabaseFrom()", "begin.");
    names->clear();
    size_t skippedHere = 0;
    if (skipped == nullptr) skipped = &skippedHere;
    *skipped = 0;
    zlib_filefunc64_def functions = FileFunctions();
    unzFile zip = unzOpen2_64(zipPath.c_str(), &functions);
    if (zip == nullptr && IsEmptyArchive(zipPath)) {
        LOG(LOG_DEBUG, "RestoreDatabaseFrom()", "end. empty archive: [%s].", zipPath.c_str());
        return true;
    }
    if (zip == nullptr) {
        LOG(LOG_ERROR, "RestoreDatabaseFrom()", "%s: failed. path: [%s].", "unzOpen2_64()", zipPath.c_str());
        return false;
    }
    bool ok;
    bool damaged = false;
    {
        LockGuard hold(paths.lock);
        ok = RestoreEntries(zip, paths, names, skipped, &damaged);
    }
    unzClose(zip);
    LOG(LOG_DEBUG, "RestoreDatabaseFrom()", "end. result: [%s], damaged: [%s], skipped: [%lu].", BoolText(ok),
        BoolText(damaged), static_cast<unsigned long>(*skipped));
    return ok && !damaged;
}
