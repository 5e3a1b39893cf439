// Settings groups ("profiles"): each INI section of Mirvane.ini and MirvaneEnv.ini is one
// object that holds its typed values, knows their defaults, and moves them between memory
// and the file through one Exchange operation. Other parts read the values through getters
// that take the group's lock (g_settingsLock once start-up has attached it).
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/LockGuard.h"

// The file a list of profiles is loaded from and saved to, and the direction of an exchange.
struct ProfileIo {
    std::string path;
    bool writing = false;
    bool failed = false;  // a write to the file failed during this exchange
};

class MirvoProfileBase {
public:
    virtual ~MirvoProfileBase() = default;
    // Puts every value to its default.
    virtual void Reset() = 0;
    // Moves every value to (writing) or from the file of io.
    virtual void Exchange(ProfileIo& io, bool writing) = 0;

    CRITICAL_SECTION* Lock() const { return m_lock; }
    void SetLock(CRITICAL_SECTION* lock) { m_lock = lock; }

protected:
    CRITICAL_SECTION* m_lock = nullptr;  // held with a LockGuard; null: no locking
};

// The exchange primitives. Loading never clears a value with an empty or blank entry.
void ExchangeString(std::string& value, const char* key, ProfileIo& io, const char* section);
// 0 read from the file leaves the current value (0 cannot be stored for an integer key).
void ExchangeInt(int& value, const char* key, ProfileIo& io, const char* section);
// "True" / "False" (case-insensitive when read); anything else gives defaultValue.
void ExchangeBool(bool& value, bool defaultValue, const char* key, ProfileIo& io, const char* section);
// An enumeration by its names (index = value); unknown text gives defaultValue. When
// writing, a value outside the table is written as the name of writeFallback.
void ExchangeEnum(int& value, const char* const* names, int count, int defaultValue, int writeFallback,
                  const char* key, ProfileIo& io, const char* section);

// Values of "ProcessSpamMail".
enum ProcessSpamMail { kGoTrash = 0, kNoMove = 1, kGoFolder = 2, kAddHeader = 3 };
// Values of "ContextMenuPosition".
enum ContextMenuPosition { kMenuTop = 0, kMenuBottom = 1, kMenuPosition = 2 };

// The header strings are handed out and stored with at most this many bytes.
constexpr size_t kHeaderTextMax = 30;

// Section "Mirvane": what the plug-in does.
class MirvoProfile : public MirvoProfileBase {
public:
    MirvoProfile() { Reset(); }
    void Reset() override;
    void Exchange(ProfileIo& io, bool writing) override;

    int ProcessSpamMail() const;
    void SetProcessSpamMail(int value);
    std::string SpamFolder() const;
    void SetSpamFolder(const std::string& value);
    std::string SpamHeaderFieldName() const;  // at most 30 bytes
    void SetSpamHeaderFieldName(const std::string& value);
    std::string SpamHeaderFieldBody() const;  // at most 30 bytes
    void SetSpamHeaderFieldBody(const std::string& value);
    bool GoFolderSameRelativeFolderPath() const;
    void SetGoFolderSameRelativeFolderPath(bool value);
    bool SetReadToSpamMail() const;
    void SetSetReadToSpamMail(bool value);
    bool DontCheckDbOnStart() const;
    void SetDontCheckDbOnStart(bool value);
    bool DisableBeforeMsgbox() const;
    void SetDisableBeforeMsgbox(bool value);
    bool DisableResultMsgbox() const;
    void SetDisableResultMsgbox(bool value);
    bool AddToAddrToWhiteListOnSend() const;
    void SetAddToAddrToWhiteListOnSend(bool value);
    bool DontRemoveSpamHeader() const;
    void SetDontRemoveSpamHeader(bool value);
    bool RemoveSpamFromWhiteList() const;
    void SetRemoveSpamFromWhiteList(bool value);
    // The training commands hand bsfilter the selected messages in batches instead of one run
    // each ("BatchLearning", default False).
    bool BatchLearning() const;
    void SetBatchLearning(bool value);
    std::string LogLevel() const;  // read only: never written

private:
    int m_processSpamMail;
    std::string m_spamFolder;
    std::string m_spamHeaderFieldName;
    std::string m_spamHeaderFieldBody;
    bool m_goFolderSameRelativeFolderPath;
    bool m_setReadToSpamMail;
    bool m_dontCheckDbOnStart;
    bool m_disableBeforeMsgbox;
    bool m_disableResultMsgbox;
    bool m_addToAddrToWhiteListOnSend;
    bool m_dontRemoveSpamHeader;
    bool m_removeSpamFromWhiteList;
    bool m_batchLearning;
    std::string m_logLevel;
};

// Section "ContextMenu": where the commands go in the host's context menu.
class ContextMenuProfile : public MirvoProfileBase {
public:
    ContextMenuProfile() { Reset(); }
    void Reset() override;
    void Exchange(ProfileIo& io, bool writing) override;

    int ContextMenuPosition() const;
    void SetContextMenuPosition(int value);
    int MenuPosition() const;
    void SetMenuPosition(int value);
    bool UpperSeparator() const;
    void SetUpperSeparator(bool value);
    bool LowerSeparator() const;
    void SetLowerSeparator(bool value);

private:
    int m_contextMenuPosition;
    int m_menuPosition;
    bool m_upperSeparator;
    bool m_lowerSeparator;
};

// Section "ExecBsfilterScript": run the bsfilter script under Ruby instead of bsfilter.exe.
class ExecBsfilterScriptProfile : public MirvoProfileBase {
public:
    ExecBsfilterScriptProfile() { Reset(); }
    void Reset() override;
    void Exchange(ProfileIo& io, bool writing) override;

    bool UseBsfilterScript() const;
    void SetUseBsfilterScript(bool value);
    std::string RubyModulePath() const;
    void SetRubyModulePath(const std::string& value);

private:
    bool m_useBsfilterScript;
    std::string m_rubyModulePath;
};

// Sections "NgWord" / "OkWord": whether a word list takes part in classification.
class ChkWordProfile : public MirvoProfileBase {
public:
    void Reset() override;
    void Exchange(ProfileIo& io, bool writing) override;
    virtual const char* SectionName() const = 0;
    virtual const char* EnableKeyName() const = 0;

    bool Enabled() const;
    void SetEnabled(bool value);

private:
    bool m_enabled = false;
};

class NgWordProfile : public ChkWordProfile {
public:
    NgWordProfile() { Reset(); }
    const char* SectionName() const override { return "NgWord"; }
    const char* EnableKeyName() const override { return "UseNgWord"; }
};

class OkWordProfile : public ChkWordProfile {
public:
    OkWordProfile() { Reset(); }
    const char* SectionName() const override { return "OkWord"; }
    const char* EnableKeyName() const override { return "UseOkWord"; }
};

// List-view state of a word-list page: sort column and direction, column widths.
class ChkWordProfileEnv : public MirvoProfileBase {
public:
    void Reset() override;
    void Exchange(ProfileIo& io, bool writing) override;
    virtual const char* SectionName() const = 0;
    virtual const char* WordWidthKeyName() const = 0;
    virtual const char* SortTypeName() const = 0;   // column 0
    virtual const char* SortWordName() const = 0;   // column 1
    virtual const char* SortRegexName() const = 0;  // column 2
    virtual const char* SortCaseName() const = 0;   // column 3

    int SortColumn() const;  // the column "SortItemName" names, else 0
    void SetSortColumn(int column);
    std::string SortItemName() const;
    bool SortIsAscending() const;
    void SetSortIsAscending(bool value);
    int WordTypeItemWidth() const;
    void SetWordTypeItemWidth(int value);
    int WordItemWidth() const;
    void SetWordItemWidth(int value);
    int RegexItemWidth() const;
    void SetRegexItemWidth(int value);
    int CaseItemWidth() const;
    void SetCaseItemWidth(int value);

private:
    std::string m_sortItemName;
    bool m_sortIsAscending = true;
    int m_wordTypeItemWidth = 50;
    int m_wordItemWidth = 290;
    int m_regexItemWidth = 60;
    int m_caseItemWidth = 60;
};

class NgWordProfileEnv : public ChkWordProfileEnv {
public:
    NgWordProfileEnv() { Reset(); }
    const char* SectionName() const override { return "NgWordListUISettings"; }
    const char* WordWidthKeyName() const override { return "NgWordItemWidth"; }
    const char* SortTypeName() const override { return "SortNgwType"; }
    const char* SortWordName() const override { return "SortNgwWord"; }
    const char* SortRegexName() const override { return "SortNgwRegex"; }
    const char* SortCaseName() const override { return "SortNgwCase"; }
};

class OkWordProfileEnv : public ChkWordProfileEnv {
public:
    OkWordProfileEnv() { Reset(); }
    const char* SectionName() const override { return "OkWordListUISettings"; }
    const char* WordWidthKeyName() const override { return "OkWordItemWidth"; }
    const char* SortTypeName() const override { return "SortOkwType"; }
    const char* SortWordName() const override { return "SortOkwWord"; }
    const char* SortRegexName() const override { return "SortOkwRegex"; }
    const char* SortCaseName() const override { return "SortOkwCase"; }
};

// List-view state of the white-list page.
class MirvoWhiteListProfileEnv : public MirvoProfileBase {
public:
    MirvoWhiteListProfileEnv() { Reset(); }
    void Reset() override;
    void Exchange(ProfileIo& io, bool writing) override;

    int SortColumn() const;  // "AddrType" 0, "EmailAddr" 1, "Note" 2; else 0
    void SetSortColumn(int column);
    std::string SortItemName() const;
    bool SortIsAscending() const;
    void SetSortIsAscending(bool value);
    int AddrTypeItemWidth() const;
    void SetAddrTypeItemWidth(int value);
    int EmailAddrItemWidth() const;
    void SetEmailAddrItemWidth(int value);
    int NoteItemWidth() const;
    void SetNoteItemWidth(int value);

private:
    std::string m_sortItemName;
    bool m_sortIsAscending;
    int m_addrTypeItemWidth;
    int m_emailAddrItemWidth;
    int m_noteItemWidth;
};

// The static groups and the two file lists.
extern MirvoProfile g_profile;
extern ContextMenuProfile g_contextMenuProfile;
extern ExecBsfilterScriptProfile g_scriptProfile;
extern NgWordProfile g_ngWordProfile;
extern OkWordProfile g_okWordProfile;
extern MirvoWhiteListProfileEnv g_whiteListEnv;
extern NgWordProfileEnv g_ngWordEnv;
extern OkWordProfileEnv g_okWordEnv;

typedef std::vector<MirvoProfileBase*> ProfileList;
extern ProfileList g_profiles;     // Mirvane.ini, in file order
extern ProfileList g_envProfiles;  // MirvaneEnv.ini
extern ProfileIo g_profileIo;
extern ProfileIo g_envProfileIo;

// Fills g_profiles and g_envProfiles with the static groups in their order (once).
void RegisterProfiles();

// Sets io's path, then Reset and Exchange (load) for each profile of list.
void LoadProfiles(const char* iniPath, ProfileList& list, ProfileIo& io);
// Exchange (save) for each profile of list to io's path. The file is replaced in one step:
// the keys are written into a copy beside it, which then takes its place, so an interrupted
// save leaves the previous file whole. Returns whether the new file took its place.
bool SaveProfiles(ProfileList& list, ProfileIo& io);
