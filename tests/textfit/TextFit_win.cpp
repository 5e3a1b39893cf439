// dialog-text-fit: checks that no label of a resource library's dialogs is cut off.
//
//   dialog-text-fit.exe MODULE [DIALOG_ID...]     (default: every dialog 110-180)
//
// Loads MODULE as a resource library, creates each dialog from its template (hidden, with a
// procedure that does nothing, so the controls keep the template's texts and sizes), and
// measures every static text, push button, check box, radio button and group box caption with
// the control's own font on the control's DC (GetTextExtentPoint32W, or DrawTextW with
// DT_WORDBREAK for multi-line controls) against the room the control gives it. Prints one line
// per control that does not fit and a summary; exits 1 when any does not fit, 2 when the module
// or a dialog cannot be loaded.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Result {
    int checked = 0;
    int failed = 0;
};

INT_PTR CALLBACK QuietProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

std::wstring TextOf(HWND control) {
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(control, &text[0], length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

// The text as drawn: "&x" shows x underlined, "&&" shows one "&".
std::wstring Displayed(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

enum class Kind { kNone, kStatic, kPush, kCheck, kGroup };

Kind KindOf(HWND control, LONG style) {
    wchar_t cls[64] = L"";
    GetClassNameW(control, cls, 64);
    if (lstrcmpiW(cls, L"Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        return (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_LEFTNOWORDWRAP ||
                type == SS_SIMPLE) ? Kind::kStatic : Kind::kNone;
    }
    if (lstrcmpiW(cls, L"Button") != 0) return Kind::kNone;
    switch (style & BS_TYPEMASK) {
        case BS_PUSHBUTTON: case BS_DEFPUSHBUTTON: return Kind::kPush;
        case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_3STATE: case BS_AUTO3STATE:
        case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON: return Kind::kCheck;
        case BS_GROUPBOX: return Kind::kGroup;
        default: return Kind::kNone;
    }
}

// Width and height the text needs in the control's font; lines (CR LF) each measured, and with
// wrapping inside maxWidth when the control wraps.
SIZE Measure(HDC dc, const std::wstring& text, bool wraps, int maxWidth) {
    SIZE size = {0, 0};
    if (wraps) {
        RECT box = {0, 0, maxWidth, 0};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
        size.cx = box.right - box.left;
        size.cy = box.bottom - box.top;
        return size;
    }
    const std::wstring shown = Displayed(text);
    size_t start = 0;
    while (start <= shown.size()) {
        size_t end = shown.find(L'\n', start);
        if (end == std::wstring::npos) end = shown.size();
        std::wstring line = shown.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        SIZE lineSize = {0, 0};
        GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &lineSize);
        if (lineSize.cx > size.cx) size.cx = lineSize.cx;
        TEXTMETRICW metrics;
        GetTextMetricsW(dc, &metrics);
        size.cy += metrics.tmHeight;
        start = end + 1;
    }
    return size;
}

void CheckControl(HWND dialog, HWND control, int dialogId, Result* result) {
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const Kind kind = KindOf(control, style);
    const std::wstring text = TextOf(control);
    if (kind == Kind::kNone || text.empty()) return;
    RECT client;
    GetClientRect(control, &client);
    int width = client.right - client.left;
    int height = client.bottom - client.top;

    HDC dc = GetDC(control);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (font == nullptr) font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);

    // The room each kind of control leaves its text: a check box or radio button draws its box
    // (SM_CXMENUCHECK) and a gap the width of a character before the text; a push button keeps
    // its border and focus rectangle (3 pixels a side); a group box its frame and a character's
    // gap on each side of the caption.
    bool wraps = false;
    switch (kind) {
        case Kind::kStatic:
            wraps = (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP && (style & SS_TYPEMASK) != SS_SIMPLE;
            break;
        case Kind::kCheck:
            width -= GetSystemMetrics(SM_CXMENUCHECK) + metrics.tmAveCharWidth / 2;
            wraps = (style & BS_MULTILINE) != 0;
            break;
        case Kind::kPush:
            width -= 6;
            height -= 4;
            wraps = (style & BS_MULTILINE) != 0;
            break;
        case Kind::kGroup:
            width -= 2 * metrics.tmAveCharWidth + 4;
            height = metrics.tmHeight;
            break;
        case Kind::kNone:
            break;
    }
    // A wrapping control fits when the wrapped text is no taller than the control, and no word
    // is wider than it; a single line fits when it is no wider (and its lines no taller).
    const SIZE need = Measure(dc, text, wraps, width);
    const bool fits = need.cx <= width && need.cy <= height;
    SelectObject(dc, previous);
    ReleaseDC(control, dc);

    ++result->checked;
    if (!fits) {
        ++result->failed;
        std::printf("  DOES NOT FIT: dialog %d control %d \"%s\": needs %ldx%ld, has %dx%d\n", dialogId,
                    GetDlgCtrlID(control), Utf8(text).c_str(), need.cx, need.cy, width, height);
    }
}

bool CheckDialog(HMODULE module, int dialogId, HWND owner, Result* result) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(dialogId), MAKEINTRESOURCEW(5));  // RT_DIALOG
    if (found == nullptr) return false;
    HWND dialog = CreateDialogParamW(module, MAKEINTRESOURCEW(dialogId), owner, QuietProc, 0);
    if (dialog == nullptr) {
        std::printf("  dialog %d cannot be created (error %lu)\n", dialogId, GetLastError());
        return false;
    }
    const int before = result->failed;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        CheckControl(dialog, child, dialogId, result);
    }
    DestroyWindow(dialog);
    std::printf("dialog %d: %s\n", dialogId, result->failed == before ? "every label fits" : "labels cut off");
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: dialog-text-fit MODULE [DIALOG_ID...]\n");
        return 2;
    }
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    HMODULE module = LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        std::fprintf(stderr, "dialog-text-fit: cannot load %s (error %lu)\n", Utf8(argv[1]).c_str(), GetLastError());
        return 2;
    }
    std::vector<int> ids;
    for (int i = 2; i < argc; ++i) ids.push_back(_wtoi(argv[i]));
    if (ids.empty()) {
        for (int id = 110; id <= 180; id += 10) ids.push_back(id);
    }
    // Pages are child dialogs: they need a parent, a hidden pop-up window.
    HWND owner = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    Result result;
    int missing = 0;
    for (int id : ids) {
        if (!CheckDialog(module, id, owner, &result)) {
            std::printf("dialog %d: missing\n", id);
            ++missing;
        }
    }
    DestroyWindow(owner);
    std::printf("dialog-text-fit: %d labels measured in %d dialogs, %d cut off\n", result.checked,
                static_cast<int>(ids.size()) - missing, result.failed);
    if (missing > 0) return 2;
    return result.failed > 0 ? 1 : 0;
}
