// The user's own mail addresses; see AddressInfo.h.
#include "lists/AddressInfo.h"

#include <vector>

#include "lists/Header.h"
#include "lists/ListFile.h"
#include "platform/Mbcs.h"
#include "support/Util.h"

static const char kLogSource[] = "Mirvane\\AddressInfo";

MyMailAddressInfo g_myMailAddressInfo;

MyMailAddressInfo::MyMailAddressInfo() : m_folderListTimeLow(0), m_folderListTimeHigh(0) {}

void MyMailAddressInfo::SetDataFolder(const char* path) {
    m_dataFolder = path != nullptr ? path : "";
    if (!Mbcs::EndsWith(m_dataFolder.c_str(), '\\')) m_dataFolder += '\\';
    m_folderListPath = m_dataFolder + "Folder.lst";
}

void MyMailAddressInfo::Update() {
    static const char kFunction[] = "MyMailAddressInfo::Update()";
    LOG(LOG_DEBUG, kFunction, "begin.");
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (!GetFileAttributesExA(m_folderListPath.c_str(), GetFileExInfoStandard, &attributes)) {
        LOG(LOG_ERROR, kFunction, "%s: LastError: [%lu], path: [%s].", "GetFileAttributesEx()", GetLastError(),
            m_folderListPath.c_str());
        LOG(LOG_DEBUG, kFunction, "end.");
        return;
    }
    if (attributes.ftLastWriteTime.dwLowDateTime == m_folderListTimeLow &&
        attributes.ftLastWriteTime.dwHighDateTime == m_folderListTimeHigh) {
        LOG(LOG_DEBUG, kFunction, "end.");
        return;
    }
    m_folderListTimeLow = attributes.ftLastWriteTime.dwLowDateTime;
    m_folderListTimeHigh = attributes.ftLastWriteTime.dwHighDateTime;

    std::vector<std::string> iniPaths;
    ReadFileLines(m_folderListPath.c_str(), [&](const std::string& line) {
        const std::string folder = Trim(line, kBlanks);
        if (folder.empty()) return;
        char path[kPathSize];
        FormatTo(path, sizeof(path), "%s%s\\Mailbox.ini", m_dataFolder.c_str(), folder.c_str());
        iniPaths.push_back(path);
    });

    std::set<std::string> addresses;
    for (const std::string& iniPath : iniPaths) {
        char value[2048] = {};
        GetPrivateProfileStringA("Account", "MailAddress", "", value, sizeof(value), iniPath.c_str());
        const std::string address = Trim(value, kBlanks);
        if (!address.empty()) addresses.insert(address);
    }
    m_myEmailList.swap(addresses);

    LOG(LOG_DEBUG, kFunction, "update m_myEmailList.");
    for (const std::string& address : m_myEmailList) {
        LOG(LOG_DEBUG, kFunction, "m_myEmailList: [%s].", address.c_str());
    }
    LOG(LOG_DEBUG, kFunction, "end.");
}

bool MyMailAddressInfo::Contains(const std::string& address) const {
    if (m_myEmailList.count(address) != 0) return true;
    for (const std::string& own : m_myEmailList) {
        if (SameMailAddress(own, address)) return true;
    }
    return false;
}

bool MyMailAddressInfo::IsOwnDomain(const std::string& domain) const {
    for (const std::string& address : m_myEmailList) {
        if (Mbcs::FindFirst(address.c_str(), '@') == nullptr) continue;
        if (Mbcs::EqualsAsciiNoCase(DomainOf(address), domain)) return true;
    }
    return false;
}
