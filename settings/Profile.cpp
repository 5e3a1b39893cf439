// Settings groups of Mirvane.ini and MirvaneEnv.ini: defaults, reading and writing rules,
// getters and setters under the group's lock; see Profile.h.
#include "settings/Profile.h"

#include <cstdio>

#include "platform/Mbcs.h"
#include "support/Util.h"

MirvoProfile g_profile;
ContextMenuProfile g_contextMenuProfile;
ExecBsfilterScriptProfile g_scriptProfile;
NgWordProfile g_ngWordProfile;
OkWordProfile g_okWordProfile;
MirvoWhiteListProfileEnv g_whiteListEnv;
NgWordProfileEnv g_ngWordEnv;
OkWordProfileEnv g_okWordEnv;

ProfileList g_profiles;
ProfileList g_envProfiles;
ProfileIo g_profileIo;
ProfileIo g_envProfileIo;

namespace {

const size_t kProfileBufferSize = 2048;

const char* const kProcessSpamMailNames[] = {"GoTrash", "NoMove", "GoFolder", "AddHeader"};
const char* const kContextMenuPositionNames[] = {"MenuTop", "MenuBottom", "MenuPosition"};
const char* const kWhiteListColumnNames[] = {"AddrType", "EmailAddr", "Note"};

// At most 30 bytes, never ending inside a double-byte character (which would leave a broken
// character in the header line the plug-in writes).
std::string CutHeaderText(const std::string& text) {
    return text.substr(0, Mbcs::CutLength(text.c_str(), text.size(), kHeaderTextMax));
}

// Reads a key as text with an empty default, for booleans and enumerations.
std::string ReadWord(const char* key, ProfileIo& io, const char* section) {
    std::string text;
    ExchangeString(text, key, io, section);
    return text;
}

}  // namespace

// ---- exchange primitives ------------------------------------------------------------------

void ExchangeString(std::string& value, const char* key, ProfileIo& io, const char* section) {
    if (io.writing) {
        if (!WritePrivateProfileStringA(section, key, value.c_str(), io.path.c_str())) io.failed = true;
        return;
    }
    char buffer[kProfileBufferSize] = {0};
    GetPrivateProfileStringA(section, key, value.c_str(), buffer, sizeof(buffer), io.path.c_str());
    buffer[sizeof(buffer) - 1] = '\0';
    const std::string trimmed = Trim(buffer);
    if (!trimmed.empty()) value = trimmed;
}

void ExchangeInt(int& value, const char* key, ProfileIo& io, const char* section) {
    if (io.writing) {
        char buffer[kProfileBufferSize];
        FormatTo(buffer, sizeof(buffer), "%d", value);
        if (!WritePrivateProfileStringA(section, key, buffer, io.path.c_str())) io.failed = true;
        return;
    }
    const int read = static_cast<int>(GetPrivateProfileIntA(section, key, value, io.path.c_str()));
    if (read != 0) value = read;
}

void ExchangeBool(bool& value, bool defaultValue, const char* key, ProfileIo& io, const char* section) {
    if (io.writing) {
        std::string text = BoolText(value);
        ExchangeString(text, key, io, section);
        return;
    }
    const std::string text = ReadWord(key, io, section);
    if (lstrcmpiA(text.c_str(), "True") == 0) {
        value = true;
    } else if (lstrcmpiA(text.c_str(), "False") == 0) {
        value = false;
    } else {
        value = defaultValue;
    }
}

void ExchangeEnum(int& value, const char* const* names, int count, int defaultValue, int writeFallback,
                  const char* key, ProfileIo& io, const char* section) {
    if (io.writing) {
        std::string text = names[(value >= 0 && value < count) ? value : writeFallback];
        ExchangeString(text, key, io, section);
        return;
    }
    const std::string text = ReadWord(key, io, section);
    value = defaultValue;
    for (int i = 0; i < count; ++i) {
        if (lstrcmpiA(text.c_str(), names[i]) == 0) {
            value = i;
            break;
        }
    }
}

// ---- section "Mirvane" --------------------------------------------------------------------

void MirvoProfile::Reset() {
    m_processSpamMail = kGoTrash;
    m_spamFolder.clear();
    m_spamHeaderFieldName = "Mirvane";
    m_spamHeaderFieldBody = "spam";
    m_goFolderSameRelativeFolderPath = false;
    m_setReadToSpamMail = false;
    m_dontCheckDbOnStart = false;
    m_disableBeforeMsgbox = false;
    m_disableResultMsgbox = false;
    m_addToAddrToWhiteListOnSend = false;
    m_dontRemoveSpamHeader = false;
    m_removeSpamFromWhiteList = false;
    m_batchLearning = false;
    m_logLevel = "ERROR";
}

void MirvoProfile::Exchange(ProfileIo& io, bool writing) {
    io.writing = writing;
    const char* section = "Mirvane";
    // Any text but the three other names reads as "GoTrash", and so is any other value written.
    ExchangeEnum(m_processSpamMail, kProcessSpamMailNames, 4, kGoTrash, kGoTrash, "ProcessSpamMail", io, section);
    ExchangeString(m_spamFolder, "SpamFolder", io, section);
    ExchangeString(m_spamHeaderFieldName, "SpamHeaderFieldName", io, section);
    ExchangeString(m_spamHeaderFieldBody, "SpamHeaderFieldBody", io, section);
    ExchangeBool(m_goFolderSameRelativeFolderPath, false, "GoFolderSameRelativeFolderPath", io, section);
    ExchangeBool(m_setReadToSpamMail, false, "SetReadToSpamMail", io, section);
    ExchangeBool(m_dontCheckDbOnStart, false, "DontCheckDbOnStart", io, section);
    ExchangeBool(m_disableBeforeMsgbox, false, "DisableBeforeMsgbox", io, section);
    ExchangeBool(m_disableResultMsgbox, false, "DisableResultMsgbox", io, section);
    ExchangeBool(m_addToAddrToWhiteListOnSend, false, "AddToAddrToWhiteListOnSend", io, section);
    ExchangeBool(m_dontRemoveSpamHeader, false, "DontRemoveSpamHeader", io, section);
    ExchangeBool(m_removeSpamFromWhiteList, false, "RemoveSpamFromWhiteList", io, section);
    ExchangeBool(m_batchLearning, false, "BatchLearning", io, section);
    // The log level is set by the user in the file; saving never writes it.
    if (!writing) ExchangeString(m_logLevel, "LogLevel", io, section);
}

int MirvoProfile::ProcessSpamMail() const {
    LockGuard guard(m_lock);
    return m_processSpamMail;
}
void MirvoProfile::SetProcessSpamMail(int value) {
    LockGuard guard(m_lock);
    m_processSpamMail = value;
}
std::string MirvoProfile::SpamFolder() const {
    LockGuard guard(m_lock);
    return m_spamFolder;
}
void MirvoProfile::SetSpamFolder(const std::string& value) {
    LockGuard guard(m_lock);
    m_spamFolder = value;
}
std::string MirvoProfile::SpamHeaderFieldName() const {
    LockGuard guard(m_lock);
    return CutHeaderText(m_spamHeaderFieldName);
}
void MirvoProfile::SetSpamHeaderFieldName(const std::string& value) {
    LockGuard guard(m_lock);
    m_spamHeaderFieldName = CutHeaderText(value);
}
std::string MirvoProfile::SpamHeaderFieldBody() const {
    LockGuard guard(m_lock);
    return CutHeaderText(m_spamHeaderFieldBody);
}
void MirvoProfile::SetSpamHeaderFieldBody(const std::string& value) {
    LockGuard guard(m_lock);
    m_spamHeaderFieldBody = CutHeaderText(value);
}
bool MirvoProfile::GoFolderSameRelativeFolderPath() const {
    LockGuard guard(m_lock);
    return m_goFolderSameRelativeFolderPath;
}
void MirvoProfile::SetGoFolderSameRelativeFolderPath(bool value) {
    LockGuard guard(m_lock);
    m_goFolderSameRelativeFolderPath = value;
}
bool MirvoProfile::SetReadToSpamMail() const {
    LockGuard guard(m_lock);
    return m_setReadToSpamMail;
}
void MirvoProfile::SetSetReadToSpamMail(bool value) {
    LockGuard guard(m_lock);
    m_setReadToSpamMail = value;
}
bool MirvoProfile::BatchLearning() const {
    LockGuard guard(m_lock);
    return m_batchLearning;
}
void MirvoProfile::SetBatchLearning(bool value) {
    LockGuard guard(m_lock);
    m_batchLearning = value;
}
bool MirvoProfile::DontCheckDbOnStart() const {
    LockGuard guard(m_lock);
    return m_dontCheckDbOnStart;
}
void MirvoProfile::SetDontCheckDbOnStart(bool value) {
    LockGuard guard(m_lock);
    m_dontCheckDbOnStart = value;
}
bool MirvoProfile::DisableBeforeMsgbox() const {
    LockGuard guard(m_lock);
    return m_disableBeforeMsgbox;
}
void MirvoProfile::SetDisableBeforeMsgbox(bool value) {
    LockGuard guard(m_lock);
    m_disableBeforeMsgbox = value;
}
bool MirvoProfile::DisableResultMsgbox() const {
    LockGuard guard(m_lock);
    return m_disableResultMsgbox;
}
void MirvoProfile::SetDisableResultMsgbox(bool value) {
    LockGuard guard(m_lock);
    m_disableResultMsgbox = value;
}
bool MirvoProfile::AddToAddrToWhiteListOnSend() const {
    LockGuard guard(m_lock);
    return m_addToAddrToWhiteListOnSend;
}
void MirvoProfile::SetAddToAddrToWhiteListOnSend(bool value) {
    LockGuard guard(m_lock);
    m_addToAddrToWhiteListOnSend = value;
}
bool MirvoProfile::DontRemoveSpamHeader() const {
    LockGuard guard(m_lock);
    return m_dontRemoveSpamHeader;
}
void MirvoProfile::SetDontRemoveSpamHeader(bool value) {
    LockGuard guard(m_lock);
    m_dontRemoveSpamHeader = value;
}
bool MirvoProfile::RemoveSpamFromWhiteList() const {
    LockGuard guard(m_lock);
    return m_removeSpamFromWhiteList;
}
void MirvoProfile::SetRemoveSpamFromWhiteList(bool value) {
    LockGuard guard(m_lock);
    m_removeSpamFromWhiteList = value;
}
std::string MirvoProfile::LogLevel() const {
    LockGuard guard(m_lock);
    return m_logLevel;
}

// ---- section "ContextMenu" ----------------------------------------------------------------

void ContextMenuProfile::Reset() {
    m_contextMenuPosition = kMenuBottom;
    m_menuPosition = 0;
    m_upperSeparator = true;
    m_lowerSeparator = false;
}

void ContextMenuProfile::Exchange(ProfileIo& io, bool writing) {
    io.writing = writing;
    const char* section = "ContextMenu";
    ExchangeEnum(m_contextMenuPosition, kContextMenuPositionNames, 3, kMenuBottom, kMenuBottom,
                 "ContextMenuPosition", io, section);
    ExchangeInt(m_menuPosition, "MenuPosition", io, section);
    ExchangeBool(m_upperSeparator, true, "UpperSeparator", io, section);
    ExchangeBool(m_lowerSeparator, false, "LowerSeparator", io, section);
}

int ContextMenuProfile::ContextMenuPosition() const {
    LockGuard guard(m_lock);
    return m_contextMenuPosition;
}
void ContextMenuProfile::SetContextMenuPosition(int value) {
    LockGuard guard(m_lock);
    m_contextMenuPosition = value;
}
int ContextMenuProfile::MenuPosition() const {
    LockGuard guard(m_lock);
    return m_menuPosition;
}
void ContextMenuProfile::SetMenuPosition(int value) {
    LockGuard guard(m_lock);
    m_menuPosition = value;
}
bool ContextMenuProfile::UpperSeparator() const {
    LockGuard guard(m_lock);
    return m_upperSeparator;
}
void ContextMenuProfile::SetUpperSeparator(bool value) {
    LockGuard guard(m_lock);
    m_upperSeparator = value;
}
bool ContextMenuProfile::LowerSeparator() const {
    LockGuard guard(m_lock);
    return m_lowerSeparator;
}
void ContextMenuProfile::SetLowerSeparator(bool value) {
    LockGuard guard(m_lock);
    m_lowerSeparator = value;
}

// ---- section "ExecBsfilterScript" ---------------------------------------------------------

void ExecBsfilterScriptProfile::Reset() {
    m_useBsfilterScript = false;
    m_rubyModulePath.clear();
}

void ExecBsfilterScriptProfile::Exchange(ProfileIo& io, bool writing) {
    io.writing = writing;
    const char* section = "ExecBsfilterScript";
    ExchangeBool(m_useBsfilterScript, false, "UseBsfilterScript", io, section);
    ExchangeString(m_rubyModulePath, "RubyModulePath", io, section);
}

bool ExecBsfilterScriptProfile::UseBsfilterScript() const {
    LockGuard guard(m_lock);
    return m_useBsfilterScript;
}
void ExecBsfilterScriptProfile::SetUseBsfilterScript(bool value) {
    LockGuard guard(m_lock);
    m_useBsfilterScript = value;
}
std::string ExecBsfilterScriptProfile::RubyModulePath() const {
    LockGuard guard(m_lock);
    return m_rubyModulePath;
}
void ExecBsfilterScriptProfile::SetRubyModulePath(const std::string& value) {
    LockGuard guard(m_lock);
    m_rubyModulePath = value;
}

// ---- sections "NgWord" / "OkWord" ---------------------------------------------------------

void ChkWordProfile::Reset() { m_enabled = false; }

void ChkWordProfile::Exchange(ProfileIo& io, bool writing) {
    io.writing = writing;
    ExchangeBool(m_enabled, false, EnableKeyName(), io, SectionName());
}

bool ChkWordProfile::Enabled() const {
    LockGuard guard(m_lock);
    return m_enabled;
}
void ChkWordProfile::SetEnabled(bool value) {
    LockGuard guard(m_lock);
    m_enabled = value;
}

// ---- word-list page layout ----------------------------------------------------------------

void ChkWordProfileEnv::Reset() {
    m_sortItemName = "WordType";
    m_sortIsAscending = true;
    m_wordTypeItemWidth = 50;
    m_wordItemWidth = 290;
    m_regexItemWidth = 60;
    m_caseItemWidth = 60;
}

void ChkWordProfileEnv::Exchange(ProfileIo& io, bool writing) {
    io.writing = writing;
    const char* section = SectionName();
    ExchangeString(m_sortItemName, "SortItemName", io, section);
    ExchangeBool(m_sortIsAscending, true, "SortIsAscending", io, section);
    ExchangeInt(m_wordTypeItemWidth, "WordTypeItemWidth", io, section);
    ExchangeInt(m_wordItemWidth, WordWidthKeyName(), io, section);
    ExchangeInt(m_regexItemWidth, "RegexItemWidth", io, section);
    ExchangeInt(m_caseItemWidth, "CaseItemWidth", io, section);
}

int ChkWordProfileEnv::SortColumn() const {
    LockGuard guard(m_lock);
    const char* names[] = {SortTypeName(), SortWordName(), SortRegexName(), SortCaseName()};
    for (int i = 0; i < 4; ++i) {
        if (lstrcmpiA(m_sortItemName.c_str(), names[i]) == 0) return i;
    }
    return 0;
}
void ChkWordProfileEnv::SetSortColumn(int column) {
    LockGuard guard(m_lock);
    switch (column) {
        case 1: m_sortItemName = SortWordName(); break;
        case 2: m_sortItemName = SortRegexName(); break;
        case 3: m_sortItemName = SortCaseName(); break;
        default: m_sortItemName = SortTypeName(); break;
    }
}
std::string ChkWordProfileEnv::SortItemName() const {
    LockGuard guard(m_lock);
    return m_sortItemName;
}
bool ChkWordProfileEnv::SortIsAscending() const {
    LockGuard guard(m_lock);
    return m_sortIsAscending;
}
void ChkWordProfileEnv::SetSortIsAscending(bool value) {
    LockGuard guard(m_lock);
    m_sortIsAscending = value;
}
int ChkWordProfileEnv::WordTypeItemWidth() const {
    LockGuard guard(m_lock);
    return m_wordTypeItemWidth;
}
void ChkWordProfileEnv::SetWordTypeItemWidth(int value) {
    LockGuard guard(m_lock);
    m_wordTypeItemWidth = value;
}
int ChkWordProfileEnv::WordItemWidth() const {
    LockGuard guard(m_lock);
    return m_wordItemWidth;
}
void ChkWordProfileEnv::SetWordItemWidth(int value) {
    LockGuard guard(m_lock);
    m_wordItemWidth = value;
}
int ChkWordProfileEnv::RegexItemWidth() const {
    LockGuard guard(m_lock);
    return m_regexItemWidth;
}
void ChkWordProfileEnv::SetRegexItemWidth(int value) {
    LockGuard guard(m_lock);
    m_regexItemWidth = value;
}
int ChkWordProfileEnv::CaseItemWidth() const {
    LockGuard guard(m_lock);
    return m_caseItemWidth;
}
void ChkWordProfileEnv::SetCaseItemWidth(int value) {
    LockGuard guard(m_lock);
    m_caseItemWidth = value;
}

// ---- white-list page layout ---------------------------------------------------------------

void MirvoWhiteListProfileEnv::Reset() {
    m_sortItemName = "AddrType";
    m_sortIsAscending = true;
    m_addrTypeItemWidth = 24;
    m_emailAddrItemWidth = 256;
    m_noteItemWidth = 180;
}

void MirvoWhiteListProfileEnv::Exchange(ProfileIo& io, bool writing) {
    io.writing = writing;
    const char* section = "WhiteListUISettings";
    ExchangeString(m_sortItemName, "SortItemName", io, section);
    ExchangeBool(m_sortIsAscending, true, "SortIsAscending", io, section);
    ExchangeInt(m_addrTypeItemWidth, "AddrTypeItemWidth", io, section);
    ExchangeInt(m_emailAddrItemWidth, "EmailAddrItemWidth", io, section);
    ExchangeInt(m_noteItemWidth, "NoteItemWidth", io, section);
}

int MirvoWhiteListProfileEnv::SortColumn() const {
    LockGuard guard(m_lock);
    for (int i = 0; i < 3; ++i) {
        if (lstrcmpiA(m_sortItemName.c_str(), kWhiteListColumnNames[i]) == 0) return i;
    }
    return 0;
}
void MirvoWhiteListProfileEnv::SetSortColumn(int column) {
    LockGuard guard(m_lock);
    m_sortItemName = kWhiteListColumnNames[(column == 1 || column == 2) ? column : 0];
}
std::string MirvoWhiteListProfileEnv::SortItemName() const {
    LockGuard guard(m_lock);
    return m_sortItemName;
}
bool MirvoWhiteListProfileEnv::SortIsAscending() const {
    LockGuard guard(m_lock);
    return m_sortIsAscending;
}
void MirvoWhiteListProfileEnv::SetSortIsAscending(bool value) {
    LockGuard guard(m_lock);
    m_sortIsAscending = value;
}
int MirvoWhiteListProfileEnv::AddrTypeItemWidth() const {
    LockGuard guard(m_lock);
    return m_addrTypeItemWidth;
}
void MirvoWhiteListProfileEnv::SetAddrTypeItemWidth(int value) {
    LockGuard guard(m_lock);
    m_addrTypeItemWidth = value;
}
int MirvoWhiteListProfileEnv::EmailAddrItemWidth() const {
    LockGuard guard(m_lock);
    return m_emailAddrItemWidth;
}
void MirvoWhiteListProfileEnv::SetEmailAddrItemWidth(int value) {
    LockGuard guard(m_lock);
    m_emailAddrItemWidth = value;
}
int MirvoWhiteListProfileEnv::NoteItemWidth() const {
    LockGuard guard(m_lock);
    return m_noteItemWidth;
}
void MirvoWhiteListProfileEnv::SetNoteItemWidth(int value) {
    LockGuard guard(m_lock);
    m_noteItemWidth = value;
}

// ---- lists of profiles --------------------------------------------------------------------

void RegisterProfiles() {
    if (g_profiles.empty()) {
        g_profiles = {&g_profile, &g_contextMenuProfile, &g_scriptProfile, &g_ngWordProfile, &g_okWordProfile};
    }
    if (g_envProfiles.empty()) {
        g_envProfiles = {&g_whiteListEnv, &g_ngWordEnv, &g_okWordEnv};
    }
}

void LoadProfiles(const char* iniPath, ProfileList& list, ProfileIo& io) {
    io.path = iniPath != nullptr ? iniPath : "";
    io.writing = false;
    for (MirvoProfileBase* profile : list) {
        profile->Reset();
        profile->Exchange(io, false);
    }
}

bool SaveProfiles(ProfileList& list, ProfileIo& io) {
    // Write into a copy of the current file (so keys and comments the user added survive),
    // then let the copy take the file's place in one step.
    const std::string target = io.path;
    const std::string temporary = target + ".new";
    DeleteFileA(temporary.c_str());
    if (PlatformStat(target.c_str(), nullptr, nullptr) && !CopyFileA(target.c_str(), temporary.c_str(), FALSE)) {
        return false;
    }
    ProfileIo staged;
    staged.path = temporary;
    staged.writing = true;
    for (MirvoProfileBase* profile : list) profile->Exchange(staged, true);
    io.writing = true;
    // A key that could not be written (disk full) leaves the previous file in place.
    if (staged.failed || !PlatformReplaceFile(temporary.c_str(), target.c_str())) {
        DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}
