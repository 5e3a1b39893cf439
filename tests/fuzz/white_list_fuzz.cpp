// Fuzzes the white-list loader with the input as WhiteList.txt: every entry keeps the file
// rules, saving works, and a saved list reads back to the same file.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "lists/Header.h"
#include "lists/WhiteList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string input = fuzz::ScratchFile("WhiteList.txt");
    static const std::string saved = fuzz::ScratchFile("First.txt");
    fuzz::Require(fuzz::WriteBytes(input, data, size), "the input file can be written");

    WhiteList list;
    fuzz::Require(list.Load(input.c_str()), "an existing file loads");
    const std::vector<WhiteListEntry> entries = list.Entries();
    fuzz::Require(entries.size() == static_cast<size_t>(list.Count()), "every entry is in the display order");
    for (size_t i = 0; i < entries.size(); ++i) {
        const WhiteListEntry& entry = entries[i];
        fuzz::Require(!entry.address.empty() && entry.address.size() <= WhiteList::kMaxAddressBytes,
                      "addresses are non-empty and at most 256 bytes");
        fuzz::Require(entry.note.size() <= WhiteList::kMaxNoteBytes, "notes are at most 512 bytes");
        fuzz::Require(entry.address.find_first_of(std::string("\t\n\0", 3)) == std::string::npos,
                      "no tab, line feed or NUL in an address");
        fuzz::Require(list.IndexOf(entry.address) == static_cast<int>(i), "IndexOf finds the display index");
        fuzz::Require(list.Matches(entry.address), "a listed address matches itself");
        list.Matches(entry.address + "@" + entry.address);
        DomainOf(entry.address);
    }
    list.Sort();
    list.SetSortColumn(static_cast<int>(size % 3));
    list.SetSortAscending(size % 2 == 0);
    list.Sort();

    // A save and a load bring a list to its file form (line breaks inside fields become
    // blanks, over-long fields are cut); from then on saving and loading change nothing.
    std::string files[3];
    WhiteList current = list;
    for (std::string& file : files) {
        fuzz::Require(current.Save(saved.c_str()), "the list saves");
        file = fuzz::ReadBytes(saved);
        fuzz::Require(current.Load(saved.c_str()), "the saved list loads");
    }
    fuzz::Require(files[1] == files[2], "a saved list reads back unchanged");
    return 0;
}
