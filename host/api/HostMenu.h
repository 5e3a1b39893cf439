// The message-list context menu: the host's own items, then whatever the plug-in inserts
// through BKC_OnMenuInit (type 1). Built once per process with the Win32 menu functions (an
// in-memory model on Linux), walked for printing, and run item by item.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace HostMenu {

struct Item {
    std::string path;   // positions from the top, "3" or "3/1"
    int depth;
    int position;
    std::string kind;   // "separator", "popup", "command" (the plug-in's), "host", "item"
    std::string text;
    UINT id;
    bool enabled;
    long long uiState;  // what the state callback answered; -1 when none was asked
    HMENU owner;
};

// Creates the menu and lets the plug-in add to it (once). False when the plug-in has no
// BKC_OnMenuInit.
bool Build(std::string* error);
// Asks every state callback and greys or enables the items accordingly; the host's own items
// that act on the selection are greyed while nothing is selected.
void UpdateStates(std::vector<Item>* items);
std::vector<Item> Walk();
// Finds an item by its text (exact, or without "&" mnemonics, ASCII case ignored) or by its
// path. False with a message when there is none or the text is ambiguous.
bool Find(const std::string& text, const std::string& path, Item* item, std::string* error);
// Carries out one of the host's own items.
void RunHostItem(UINT id);
bool IsHostItem(UINT id);

}  // namespace HostMenu
