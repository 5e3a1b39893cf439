// Copies of bsfilter's database files, taken before a run that may spoil them and put back when
// the run fails: the probability table around every "--update" (an update that fails half-way
// leaves a table of a few dozen tokens that lets almost all spam through), and the trained
// token tables around a batch training run (a batch that fails after some of its messages has
// trained those, and its messages are then trained again one by one). The copy lives in a
// folder beside the database folder ("<bsfilterdb><suffix>"), so it is never part of the
// database, its backup or bsfilter's view. Callers hold g_bsfilterLock from Take to Restore or
// Discard, so no bsfilter run sees the files in between.
#pragma once

#include <string>
#include <vector>

// File names of the probability table: "*.prob.*" (for example C.prob.sdbm.pag).
bool IsProbabilityTableFile(const std::string& name);
// Every other file of the database folder: the trained token tables and their locks.
bool IsTokenTableFile(const std::string& name);

class DbSnapshot {
public:
    // suffix: appended to g_bsfilterDbFolder to name the copy's folder. belongs: which file names
    // of the database folder the copy covers.
    DbSnapshot(const char* suffix, bool (*belongs)(const std::string& name));
    ~DbSnapshot();  // discards a copy still held
    DbSnapshot(const DbSnapshot&) = delete;
    DbSnapshot& operator=(const DbSnapshot&) = delete;

    // Copies the covered files (a copy left by an earlier session is cleared first). False when
    // a file could not be copied; nothing is held then.
    bool Take();
    // Makes the covered files what they were at Take: files made since are deleted, the copies
    // put back. True when every file was put back. The copy is discarded afterwards.
    bool Restore();
    // Drops the copy.
    void Discard();
    bool Held() const { return m_held; }
    const std::string& Folder() const { return m_folder; }

private:
    std::vector<std::string> CoveredFiles(const std::string& folder) const;
    void Clear();

    std::string m_folder;
    bool (*m_belongs)(const std::string& name);
    std::vector<std::string> m_names;
    bool m_held = false;
};
