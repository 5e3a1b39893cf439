// The window-free part of the other-settings page; see OtherPage.h.
#include "ui/OtherPage.h"

#include <climits>
#include <cstdlib>

#include "resources/resource.h"
#include "support/Util.h"

int LeadingNumber(const std::string& text) {
    // strtol reads the optional sign and the leading digits; out of range clamps rather than
    // wrapping round.
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

bool IsRubyPath(const std::string& path) {
    static const char kName[] = "\\ruby.exe";
    const size_t nameLength = sizeof(kName) - 1;
    if (path.size() < nameLength || path.compare(path.size() - nameLength, nameLength, kName) != 0) return false;
    bool regular = false;
    return PlatformStat(path.c_str(), &regular, nullptr) && regular;
}

UINT ApplyOtherPage(OtherPageValues& values, ContextMenuProfile& contextMenu, ExecBsfilterScriptProfile& script) {
    if (values.menuTop) {
        contextMenu.SetContextMenuPosition(kMenuTop);
    } else if (values.menuBottom) {
        contextMenu.SetContextMenuPosition(kMenuBottom);
    } else if (values.menuPosition) {
        contextMenu.SetContextMenuPosition(kMenuPosition);
    }

    values.position = Trim(values.position, kBlanks);
    if (values.position.empty()) values.position = "0";
    contextMenu.SetMenuPosition(LeadingNumber(values.position));

    contextMenu.SetUpperSeparator(values.upperSeparator);
    contextMenu.SetLowerSeparator(values.lowerSeparator);
    script.SetUseBsfilterScript(values.useScript);

    values.rubyPath = Trim(values.rubyPath, kBlanks);
    script.SetRubyModulePath(values.rubyPath);

    if (!values.useScript) return 0;
    if (values.rubyPath.empty()) return IDS_RUBY_PATH_EMPTY;
    if (!IsRubyPath(values.rubyPath)) return IDS_RUBY_PATH_INVALID;
    return 0;
}
