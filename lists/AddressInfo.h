// The user's own mail addresses, as configured in the host's mailboxes: Folder.lst in the
// host's data folder names one mailbox folder per line, and each mailbox's Mailbox.ini holds
// the address as "MailAddress" in section "Account". The plug-in never puts these addresses
// (or their domains) into the white list. One instance, g_myMailAddressInfo, filled at start-up
// and read afterwards on the host's thread without a lock.
#pragma once

#include <set>
#include <string>

#include "platform/platform.h"

class MyMailAddressInfo {
public:
    MyMailAddressInfo();

    // Stores the host's data folder (a backslash appended unless it ends in one) and the path
    // of its Folder.lst.
    void SetDataFolder(const char* path);
    // Re-reads the own addresses when Folder.lst's last-write time differs from the one of the
    // previous read. A Folder.lst whose attributes cannot be read leaves the set as it is.
    void Update();

    // address is one of the own addresses (SameMailAddress: the local part exact, the domain
    // in any case of its ASCII letters).
    bool Contains(const std::string& address) const;
    // Some own address has domain as its DomainOf, ASCII letters compared without case.
    bool IsOwnDomain(const std::string& domain) const;

    const std::set<std::string>& Addresses() const { return m_myEmailList; }
    const std::string& DataFolder() const { return m_dataFolder; }
    const std::string& FolderListPath() const { return m_folderListPath; }

private:
    DWORD m_folderListTimeLow;
    DWORD m_folderListTimeHigh;
    std::string m_dataFolder;
    std::string m_folderListPath;
    std::set<std::string> m_myEmailList;
};

extern MyMailAddressInfo g_myMailAddressInfo;
