// Batches of selected messages as temporary files for one bsfilter run; see MailBatch.h.
#include "commands/MailBatch.h"

#include "platform/platform.h"
#include "plugin/HostApi.h"
#include "support/Log.h"
#include "support/Util.h"

namespace {

const char kLogSource[] = "Mirvane\\Mirvane";
constexpr size_t kCommandLineMax = 8191;

// The name of a new temporary file for one message: "<temp folder>Mirvane-<tick>-<n>.eml".
std::string NextTempFileName() {
    static unsigned long counter = 0;
    char folder[kPathSize] = "";
    const DWORD length = GetTempPathA(sizeof(folder), folder);
    if (length == 0 || length >= sizeof(folder)) return std::string();
    return FormatText(kPathSize, "%sMirvane-%08lx-%lu.eml", folder, static_cast<unsigned long>(GetTickCount()),
                      ++counter);
}

// Writes source into a new file of that name (which must not exist yet); empty on failure.
std::string WriteTempMail(const std::string& name, const std::string& source) {
    if (name.empty()) return std::string();
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        LOG(LOG_ERROR, "WriteTempMail()", "%s: LastError: [%lu], path: [%s].", "CreateFile()", GetLastError(),
            name.c_str());
        return std::string();
    }
    const bool written = Util::WriteToFile(file, source.data(), static_cast<DWORD>(source.size()));
    CloseHandle(file);
    if (!written) {
        LOG(LOG_ERROR, "WriteTempMail()", "%s. path: [%s].", "Util::WriteToFile()", name.c_str());
        DeleteFileA(name.c_str());
        return std::string();
    }
    return name;
}

// The part of a path after its last "\" or "/" (file names here are ASCII).
std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::vector<BatchMail> FetchBatch(const std::vector<std::string>& ids, size_t* next, size_t front,
                                  CProgressDlg* progress, std::vector<std::string>* processed, bool* cancelled) {
    std::vector<BatchMail> mails;
    size_t bytes = 0;
    size_t line = front;
    while (*next < ids.size() && mails.size() < kBatchMessages && bytes < kBatchBytes) {
        const std::string name = NextTempFileName();
        const size_t argument = name.size() + 3;  // a blank and two quotes
        // A name that does not fit closes the batch; alone in a batch the message is still
        // handed over on standard input.
        if (!mails.empty() && line + argument > kCommandLineMax) break;
        const std::string id = ids[(*next)++];
        char* source = g_hostApi.GetSource(id.c_str());
        if (source == nullptr) continue;
        BatchMail mail{id, source, std::string()};
        g_hostApi.Free(source);
        if (line + argument <= kCommandLineMax) mail.file = WriteTempMail(name, mail.source);
        line += argument;
        bytes += mail.source.size();
        mails.push_back(std::move(mail));
        if (processed != nullptr) processed->push_back(id);
        if (progress != nullptr) {
            progress->Step();
            if (progress->Cancelled()) {
                *cancelled = true;
                break;
            }
        }
    }
    return mails;
}

std::string BatchArguments(const std::string& option, const std::vector<BatchMail>& mails) {
    std::string arguments = option;
    for (const BatchMail& mail : mails) {
        if (mail.file.empty()) return std::string();
        arguments += " \"" + mail.file + "\"";
    }
    return arguments;
}

void RemoveBatchFiles(const std::vector<BatchMail>& mails) {
    for (const BatchMail& mail : mails) {
        if (!mail.file.empty() && !DeleteFileA(mail.file.c_str())) {
            LOG(LOG_ERROR, "RemoveBatchFiles()", "%s: LastError: [%lu], path: [%s].", "DeleteFile()", GetLastError(),
                mail.file.c_str());
        }
    }
}

bool ListedMails(const std::string& output, const std::vector<BatchMail>& mails, std::vector<bool>* listed) {
    listed->assign(mails.size(), false);
    for (const std::string& raw : Split(output, '\n')) {
        const std::string line = Trim(raw, "\r");
        if (line.empty()) continue;
        const std::string name = BaseName(line);
        bool known = false;
        for (size_t i = 0; i < mails.size(); ++i) {
            if (BaseName(mails[i].file) == name) {
                (*listed)[i] = true;
                known = true;
            }
        }
        if (!known) return false;
    }
    return true;
}
