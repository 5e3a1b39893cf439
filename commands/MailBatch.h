// The selected messages handed to bsfilter in batches ("BatchLearning"): each batch of messages
// is fetched from the host, copied, written to temporary files and given to one bsfilter run
// as file arguments, so one Ruby start serves up to a hundred messages. Files rather than one
// mailbox stream on standard input, because bsfilter splits such a stream at every line that
// starts with "From ", which a message body may hold; a file is one message whatever it holds.
#pragma once

#include <string>
#include <vector>

#include "commands/Progress.h"

// One message of a batch: its identifier, a copy of its source (for tidying, acting and the
// per-message runs of a failed batch), and the temporary file bsfilter reads it from (empty
// when it could not be written).
struct BatchMail {
    std::string id;
    std::string source;
    std::string file;
};

// A batch is closed at this many messages or this much source text, whichever comes first, and
// when the next file name would make the command line longer than 8191 characters. A hundred
// corpus messages take bsfilter about a second, so the progress moves and Cancel is heard
// within a second or two.
constexpr size_t kBatchMessages = 100;
constexpr size_t kBatchBytes = 4 * 1024 * 1024;

// Fetches the next batch from ids, starting at *next (advanced past the messages taken). front:
// the length of the command line before the file arguments. Messages the host cannot hand over
// are passed over; every message taken is released at once, counted on the progress display
// and appended to processed (when given). When Cancel has been pressed the batch ends with the
// message during which it came, and *cancelled is set.
std::vector<BatchMail> FetchBatch(const std::vector<std::string>& ids, size_t* next, size_t front,
                                  CProgressDlg* progress, std::vector<std::string>* processed, bool* cancelled);

// option followed by the quoted files of the batch; empty when a file is missing.
std::string BatchArguments(const std::string& option, const std::vector<BatchMail>& mails);

// Deletes the batch's temporary files.
void RemoveBatchFiles(const std::vector<BatchMail>& mails);

// Which mails a "--list-spam" run's output names, one file a line (bsfilter prints the name it
// was given; the POSIX side sees "/" where the plug-in wrote "\", so names are compared after
// the last separator, which is unique per file). False when a line names no file of the batch,
// as a Ruby error does.
bool ListedMails(const std::string& output, const std::vector<BatchMail>& mails, std::vector<bool>* listed);
