// The UI driver on Windows (see UiDriver.h): a thread that finds the plug-in's windows by
// class and caption and acts on their controls with the messages a user's input produces.
//
// Synchronisation: actions go to the UI thread with SendMessageTimeout, so a step that opens
// nothing completes before the next one starts, and one that opens a modal box (which keeps
// the UI thread inside the handler) returns after the time-out while the box waits for the
// next step. Waiting steps poll for their window.
#include "host/ui/UiDriver.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/store/Charset.h"
#include "host/api/Host.h"
#include "host/store/HostText.h"
#include "host/ui/HostWindows_win.h"
#include "host/cli/Json.h"
#include "platform/Mbcs.h"
#include "platform/platform.h"

namespace {

const DWORD kWindowTimeout = 15000;  // a window that does not come within this is a failure
const DWORD kActionTimeout = 400;    // a sent action that takes longer has opened a modal box
const UINT kSendMessage = WM_APP + 0x31;

std::vector<std::vector<std::string>> g_steps;
HANDLE g_thread = nullptr;
std::atomic<int> g_failed(0);
std::atomic<bool> g_aborted(false);
HWND g_sheet = nullptr;   // the property sheet
HWND g_dialog = nullptr;  // the current modal dialog (folder browser), or null: the sheet's page
WNDPROC g_mainProc = nullptr;

// ---- reporting ------------------------------------------------------------------------------

JsonLine Line(size_t index, const std::vector<std::string>& step) {
    JsonLine line("ui");
    line.Int("step", static_cast<long long>(index + 1)).Utf8("op", step[0]);
    return line;
}

void Report(JsonLine& line, bool ok, const std::string& error = std::string()) {
    line.Bool("ok", ok);
    if (!error.empty()) line.Str("error", error);
    if (!ok) ++g_failed;
    Json::Emit(line);
}

// ---- windows --------------------------------------------------------------------------------

using HostWindows::ClassOf;
using HostWindows::TextOf;

BOOL CALLBACK CollectChild(HWND child, LPARAM parameter) {
    reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(child);
    return TRUE;
}

std::vector<HWND> Descendants(HWND window) {
    std::vector<HWND> all;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&all));
    return all;
}

HWND DescendantWithId(HWND window, int id) {
    for (HWND child : Descendants(window)) {
        if (GetDlgCtrlID(child) == id) return child;
    }
    return nullptr;
}

// A message box: a dialog whose text is a static with id 0xFFFF and that holds only statics
// and buttons.
bool IsMessageBox(HWND dialog, std::string* text) {
    bool hasText = false;
    for (HWND child : Descendants(dialog)) {
        const std::string className = Mbcs::ToLowerAscii(ClassOf(child));
        if (className == "static") {
            if (GetDlgCtrlID(child) == 0xFFFF) {
                hasText = true;
                if (text != nullptr) *text = TextOf(child);
            }
        } else if (className != "button") {
            return false;
        }
    }
    return hasText;
}

// An open or save dialog: it has the file-name control (cmb13 or edt1).
HWND FileNameControl(HWND dialog) {
    HWND control = DescendantWithId(dialog, 0x47C);
    if (control == nullptr) control = DescendantWithId(dialog, 0x480);
    return control;
}

template <class Test>
HWND WaitFor(Test test) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kWindowTimeout) {
        for (HWND dialog : HostWindows::ProcessDialogs()) {
            if (test(dialog)) return dialog;
        }
        Sleep(30);
    }
    return nullptr;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeout = kActionTimeout) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, timeout, &result)) return 0;
    return static_cast<LRESULT>(result);
}

// Lets the UI thread finish what it was doing (painting included).
void Settle() {
    // A posted message wakes a modal loop that must notice a state change (the sheet ending).
    if (g_sheet != nullptr) PostMessageA(g_sheet, WM_NULL, 0, 0);
    if (g_sheet != nullptr) Send(g_sheet, WM_NULL, 0, 0, 2000);
    Sleep(60);
}

HWND CurrentWindow() {
    if (g_dialog != nullptr) return g_dialog;
    if (g_sheet == nullptr) return nullptr;
    return reinterpret_cast<HWND>(Send(g_sheet, PSM_GETCURRENTPAGEHWND, 0, 0, 2000));
}

HWND Control(const std::string& id) {
    HWND window = CurrentWindow();
    if (window == nullptr) return nullptr;
    return GetDlgItem(window, std::atoi(id.c_str()));
}

void Click(HWND control) { Send(control, BM_CLICK, 0, 0); }

std::string Cp932(const std::string& utf8) { return Charset::Utf8ToCp932(utf8); }

// An expected text: CP932, with the four characters "\r\n" standing for a line end.
std::string Expected(const std::string& utf8) {
    std::string text = Cp932(utf8);
    for (size_t at = text.find("\\r\\n"); at != std::string::npos; at = text.find("\\r\\n", at + 2)) {
        text.replace(at, 4, "\r\n");
    }
    return text;
}

// ---- list views and trees -------------------------------------------------------------------

std::string ListJson(HWND list) {
    const int count = static_cast<int>(Send(list, LVM_GETITEMCOUNT, 0, 0, 2000));
    HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER, 0, 0, 2000));
    const int columns = static_cast<int>(Send(header, HDM_GETITEMCOUNT, 0, 0, 2000));
    std::string json = "{\"columns\":[";
    for (int c = 0; c < columns; ++c) {
        char text[256] = "";
        HDITEMA item = {};
        item.mask = HDI_TEXT | HDI_FORMAT | HDI_WIDTH;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        Send(header, HDM_GETITEMA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item), 2000);
        std::string mark = (item.fmt & HDF_SORTUP) ? "up" : (item.fmt & HDF_SORTDOWN) ? "down" : "";
        if (mark.empty() && (item.fmt & HDF_BITMAP)) mark = "bitmap";
        json += std::string(c ? "," : "") + "{\"text\":" + Json::QuoteCp932(text) + ",\"width\":" +
                std::to_string(item.cxy) + ",\"sort\":" + Json::Quote(mark) + "}";
    }
    json += "],\"selected\":" +
            std::to_string(static_cast<int>(Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, 2000))) +
            ",\"rows\":[";
    for (int i = 0; i < count; ++i) {
        json += i ? ",[" : "[";
        for (int c = 0; c < columns; ++c) {
            char text[1024] = "";
            LVITEMA item = {};
            item.iSubItem = c;
            item.pszText = text;
            item.cchTextMax = sizeof(text);
            Send(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item), 2000);
            json += std::string(c ? "," : "") + Json::QuoteCp932(text);
        }
        json += "]";
    }
    return json + "]}";
}

std::string TreeText(HWND tree, HTREEITEM item, UINT* state) {
    char text[512] = "";
    TVITEMA data = {};
    data.mask = TVIF_TEXT | TVIF_STATE;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = sizeof(text);
    data.stateMask = TVIS_EXPANDED | TVIS_SELECTED;
    Send(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data), 2000);
    if (state != nullptr) *state = data.state;
    return text;
}

HTREEITEM TreeNext(HWND tree, HTREEITEM item, UINT code) {
    return reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item), 2000));
}

void TreeJson(HWND tree, HTREEITEM first, const std::string& prefix, std::string* json) {
    for (HTREEITEM item = first; item != nullptr; item = TreeNext(tree, item, TVGN_NEXT)) {
        UINT state = 0;
        const std::string path = prefix + TreeText(tree, item, &state);
        if (!json->empty() && json->back() != '[') *json += ",";
        *json += "{\"path\":" + Json::QuoteCp932(path) + ",\"expanded\":" +
                 ((state & TVIS_EXPANDED) ? "true" : "false") + ",\"selected\":" +
                 ((state & TVIS_SELECTED) ? "true" : "false") + "}";
        TreeJson(tree, TreeNext(tree, item, TVGN_CHILD), path + "/", json);
    }
}

HTREEITEM TreeFind(HWND tree, const std::string& path, bool expandOnTheWay) {
    HTREEITEM level = TreeNext(tree, nullptr, TVGN_ROOT);
    HTREEITEM found = nullptr;
    for (const std::string& piece : Mbcs::Split(path, '/')) {
        found = nullptr;
        for (HTREEITEM item = level; item != nullptr; item = TreeNext(tree, item, TVGN_NEXT)) {
            if (TreeText(tree, item, nullptr) == piece) {
                found = item;
                break;
            }
        }
        if (found == nullptr) return nullptr;
        if (expandOnTheWay) Send(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(found), 2000);
        level = TreeNext(tree, found, TVGN_CHILD);
    }
    return found;
}

// ---- screenshots ----------------------------------------------------------------------------

bool SaveWindowBitmap(HWND window, const std::string& path) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = static_cast<DWORD>((width * 3 + 3) & ~3);
    std::vector<char> pixels(static_cast<size_t>(stride) * static_cast<size_t>(height));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    std::fwrite(&file, sizeof(file), 1, out);
    std::fwrite(&info, sizeof(info), 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    return std::fclose(out) == 0;
}

// The window a picture is taken of: the topmost plug-in dialog.
HWND TopWindow() {
    std::vector<HWND> dialogs = HostWindows::ProcessDialogs();
    return dialogs.empty() ? nullptr : dialogs.front();
}

// ---- sending mail on the UI thread ----------------------------------------------------------

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kSendMessage) {
        const std::string* text = reinterpret_cast<const std::string*>(lParam);
        const int result = g_host.plugin.OnSend != nullptr ? g_host.plugin.OnSend(text->c_str()) : -1;
        return result;
    }
    return CallWindowProcA(g_mainProc, window, message, wParam, lParam);
}

// ---- the steps ------------------------------------------------------------------------------

// The control the step names (its second word) on the current window; null, reported as a
// failed step, when there is none.
HWND StepControl(const std::vector<std::string>& step, JsonLine& line) {
    HWND control = Control(step[1]);
    if (control == nullptr) Report(line, false, "no such control");
    return control;
}

bool Need(const std::vector<std::string>& step, size_t words, JsonLine& line) {
    if (step.size() >= words) return true;
    Report(line, false, "too few words");
    return false;
}

// ---- one handler per kind of step ---------------------------------------------------------
// Each gets the step's words and its report line; false ends the script.

bool StepSheet(const std::string&, const std::vector<std::string>&, JsonLine& line) {
    g_sheet = WaitFor([](HWND dialog) { return TextOf(dialog).compare(0, 8, "Mirvane ") == 0; });
    if (g_sheet == nullptr) {
        Report(line, false, "no settings sheet");
        return false;
    }
    Settle();
    line.Str("caption", TextOf(g_sheet));
    Report(line, true);
    return true;
}

bool StepPage(const std::string&, const std::vector<std::string>& step, JsonLine& line) {
    if (!Need(step, 2, line)) return true;
    Send(g_sheet, PSM_SETCURSEL, static_cast<WPARAM>(std::atoi(step[1].c_str())), 0, 3000);
    Settle();
    HWND page = CurrentWindow();
    line.Str("title", page != nullptr ? TextOf(page) : std::string());
    Report(line, page != nullptr);
    return true;
}

bool StepControlState(const std::string& op, const std::vector<std::string>& step, JsonLine& line) {
    if (!Need(step, 2, line)) return true;
    line.Int("id", std::atoi(step[1].c_str()));
    HWND control = StepControl(step, line);
    if (control == nullptr) return true;
    if (op == "click") {
        Click(control);
    } else if (op == "check") {
        if (!Need(step, 3, line)) return true;
        const bool want = step[2] == "1";
        const bool is = Send(control, BM_GETCHECK, 0, 0, 2000) == BST_CHECKED;
        if (want != is) Click(control);
    } else if (op == "settext") {
        if (!Need(step, 3, line)) return true;
        const std::string text = Cp932(step[2]);
        Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), 2000);
    }
    Settle();
    bool ok = true;
    line.Str("text", TextOf(control)).Bool("checked", Send(control, BM_GETCHECK, 0, 0, 2000) == BST_CHECKED)
        .Bool("enabled", IsWindowEnabled(control) != FALSE);
    if (op == "expect" && Need(step, 3, line)) ok = TextOf(control) == Expected(step[2]);
    if (op == "expect-checked" && Need(step, 3, line)) {
        ok = (Send(control, BM_GETCHECK, 0, 0, 2000) == BST_CHECKED) == (step[2] == "1");
    }
    if (op == "expect-enabled" && Need(step, 3, line)) ok = (IsWindowEnabled(control) != FALSE) == (step[2] == "1");
    Report(line, ok, ok ? std::string() : "unexpected state");
    return true;
}

// Ctrl held while clicking: the driver shares the UI thread's input state for the click
// so that GetKeyState there sees the key down.
bool StepCtrlClick(const std::string&, const std::vector<std::string>& step, JsonLine& line) {
    if (!Need(step, 2, line)) return true;
    line.Int("id", std::atoi(step[1].c_str()));
    HWND control = StepControl(step, line);
    if (control == nullptr) return true;
    const DWORD uiThread = GetWindowThreadProcessId(control, nullptr);
    const BOOL attached = AttachThreadInput(GetCurrentThreadId(), uiThread, TRUE);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    const BYTE previous = keys[VK_CONTROL];
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    Click(control);
    Settle();
    keys[VK_CONTROL] = previous;
    SetKeyboardState(keys);
    if (attached) AttachThreadInput(GetCurrentThreadId(), uiThread, FALSE);
    Report(line, attached != FALSE, attached ? std::string() : "cannot share the input state");
    return true;
}

// A window of another program (the editor the page starts): wait for it by class,
// report its title, and close it.
bool StepWindow(const std::string&, const std::vector<std::string>& step, JsonLine& line) {
    if (!Need(step, 2, line)) return true;
    const std::string className = step[1];
    HWND window = nullptr;
    const DWORD start = GetTickCount();
    while (window == nullptr && GetTickCount() - start < kWindowTimeout) {
        window = FindWindowA(className.c_str(), nullptr);
        if (window == nullptr) Sleep(50);
    }
    if (window == nullptr) {
        Report(line.Utf8("class", className), false, "no such window");
        return true;
    }
    Sleep(300);
    const std::string title = TextOf(window);
    line.Utf8("class", className).Str("title", title);
    bool ok = true;
    if (step.size() >= 3) ok = title.find(Expected(step[2])) != std::string::npos;
    PostMessageA(window, WM_CLOSE, 0, 0);
    const DWORD closing = GetTickCount();
    while (IsWindow(window) && GetTickCount() - closing < kWindowTimeout) Sleep(50);
    Report(line, ok, ok ? std::string() : "unexpected title");
    return true;
}

bool StepMsgbox(const std::string&, const std::vector<std::string>& step, JsonLine& line) {
    if (!Need(step, 2, line)) return true;
    std::string text;
    HWND box = WaitFor([&](HWND dialog) { return dialog != g_sheet && IsMessageBox(dialog, &text); });
    if (box == nullptr) {
        Report(line, false, "no message box");
        return false;
    }
    Settle();
    IsMessageBox(box, &text);
    line.Str("caption", TextOf(box)).Str("text", text);
    const std::string& answer = step[1];
    const int button = answer == "yes" ? IDYES : answer == "no" ? IDNO : answer == "cancel" ? IDCANCEL : IDOK;
    bool ok = true;
    if (step.size() >= 3) {
        // A text ending in "*" is a prefix (messages that carry a library's wording).
        const std::string want = Expected(step[2]);
        if (!want.empty() && want.back() == '*') {
            ok = text.compare(0, want.size() - 1, want, 0, want.size() - 1) == 0;
        } else {
            ok = text == want;
        }
    }
    HostWindows::PressButton(box, button);
    const DWORD start = GetTickCount();
    while (IsWindow(box) && GetTickCount() - start < kWindowTimeout) Sleep(20);
    Settle();
    line.Utf8("answer", answer);
    Report(line, ok, ok ? std::string() : "unexpected text");
    return true;
}

bool StepFile(const std::string& op, const std::vector<std::string>& step, JsonLine& line) {
    HWND dialog = WaitFor([](HWND d) { return d != g_sheet && FileNameControl(d) != nullptr; });
    if (dialog == nullptr) {
        Report(line, false, "no file dialog");
        return false;
    }
    Settle();
    line.Str("caption", TextOf(dialog));
    HWND name = FileNameControl(dialog);
    line.Str("offered", TextOf(name));
    if (op == "file") {
        if (!Need(step, 2, line)) return true;
        const std::string path = Cp932(step[1]);
        Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), 2000);
        line.Str("path", path);
    }
    const int button = op == "file" ? IDOK : IDCANCEL;
    HostWindows::PressButton(dialog, button);
    Sleep(300);
    Report(line, true);
    return true;
}

bool StepDialog(const std::string&, const std::vector<std::string>& step, JsonLine& line) {
    if (!Need(step, 2, line)) return true;
    const std::string caption = Cp932(step[1]);
    g_dialog = WaitFor([&](HWND dialog) { return TextOf(dialog) == caption; });
    if (g_dialog == nullptr) {
        Report(line, false, "no dialog");
        return false;
    }
    Settle();
    line.Str("caption", caption);
    HWND prompt = nullptr;
    for (HWND child : Descendants(g_dialog)) {
        if (Mbcs::ToLowerAscii(ClassOf(child)) == "static" && !TextOf(child).empty()) {
            prompt = child;
            break;
        }
    }
    if (prompt != nullptr) line.Str("prompt", TextOf(prompt));
    Report(line, true);
    return true;
}

// A progress dialog: a top-level dialog with a progress bar (it runs on its own thread).
bool StepProgress(const std::string&, const std::vector<std::string>&, JsonLine& line) {
    g_dialog = WaitFor([](HWND dialog) {
        for (HWND child : Descendants(dialog)) {
            if (Mbcs::ToLowerAscii(ClassOf(child)) == "msctls_progress32") return true;
        }
        return false;
    });
    if (g_dialog == nullptr) {
        Report(line, false, "no progress dialog");
        return false;
    }
    Sleep(300);
    line.Str("caption", TextOf(g_dialog));
    for (HWND child : Descendants(g_dialog)) {
        if (Mbcs::ToLowerAscii(ClassOf(child)) == "static") line.Str("status", TextOf(child));
    }
    Report(line, true);
    return true;
}

bool StepDialogEnd(const std::string&, const std::vector<std::string>&, JsonLine& line) {
    const DWORD start = GetTickCount();
    while (g_dialog != nullptr && IsWindow(g_dialog) && GetTickCount() - start < kWindowTimeout) Sleep(20);
    const bool gone = g_dialog == nullptr || !IsWindow(g_dialog);
    g_dialog = nullptr;
    Settle();
    Report(line, gone, gone ? std::string() : "the dialog stays");
    return true;
}

bool StepExpectTree(const std::string& op, const std::vector<std::string>& step, JsonLine& line) {
    if (!Need(step, 3, line)) return true;
    HWND tree = StepControl(step, line);
    if (tree == nullptr) return true;
    const std::string path = Cp932(step[2]);
    HTREEITEM item = TreeFind(tree, path, false);
    line.Str("path", path);
    bool ok;
    if (op == "expect-tree") {
        ok = (item != nullptr) == (step.size() < 4 || step[3] != "0");
    } else {
        HTREEITEM selected = TreeNext(tree, nullptr, TVGN_CARET);
        ok = item != nullptr && item == selected;
    }
    Report(line, ok, ok ? std::string() : "unexpected tree");
    return true;
}

bool StepTreeAction(const std::string& op, const std::vector<std::string>& step, JsonLine& line) {
    if (!Need(step, op == "tree" ? 2 : 3, line)) return true;
    HWND tree = StepControl(step, line);
    if (tree == nullptr) return true;
    if (op != "tree") {
        const std::string path = Cp932(step[2]);
        HTREEITEM item = TreeFind(tree, path, false);
        if (item == nullptr) {
            Report(line.Str("path", path), false, "no such item");
            return true;
        }
        Send(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item), 2000);
        // The user's key opens the item, so the dialog hears TVN_ITEMEXPANDED.
        if (op == "tree-expand") Send(tree, WM_KEYDOWN, VK_RIGHT, 0, 2000);
        Settle();
        line.Str("path", path);
    }
    std::string items = "[";
    TreeJson(tree, TreeNext(tree, nullptr, TVGN_ROOT), std::string(), &items);
    line.Raw("items", items + "]");
    Report(line, true);
    return true;
}

bool StepExpectSort(const std::string&, const std::vector<std::string>& step, JsonLine& line) {
    if (!Need(step, 3, line)) return true;
    HWND list = StepControl(step, line);
    if (list == nullptr) return true;
    // The sorted column carries a mark (sort flag or bitmap), every other column none.
    HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER, 0, 0, 2000));
    const int columns = static_cast<int>(Send(header, HDM_GETITEMCOUNT, 0, 0, 2000));
    const int sorted = std::atoi(step[2].c_str());
    const std::string direction = step.size() > 3 ? step[3] : std::string();
    bool ok = true;
    for (int c = 0; c < columns; ++c) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT | HDI_BITMAP;
        Send(header, HDM_GETITEMA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item), 2000);
        const bool up = (item.fmt & HDF_SORTUP) != 0;
        const bool down = (item.fmt & HDF_SORTDOWN) != 0;
        const bool bitmap = (item.fmt & HDF_BITMAP) != 0 && item.hbm != nullptr;
        const bool marked = up || down || bitmap;
        if (marked != (c == sorted)) ok = false;
        if (c == sorted && !bitmap && direction == "up" && !up) ok = false;
        if (c == sorted && !bitmap && direction == "down" && !down) ok = false;
    }
    line.Int("column", sorted);
    Report(line, ok, ok ? std::string() : "unexpected sort mark");
    return true;
}

bool StepListExpect(const std::string& op, const std::vector<std::string>& step, JsonLine& line) {
    if (!Need(step, op == "expect-row" ? 5 : (op == "list-clear" ? 2 : 3), line)) return true;
    HWND list = StepControl(step, line);
    if (list == nullptr) return true;
    bool ok = true;
    if (op == "list-clear") {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item), 2000);
        Settle();
    } else if (op == "expect-count") {
        const int count = static_cast<int>(Send(list, LVM_GETITEMCOUNT, 0, 0, 2000));
        line.Int("count", count);
        ok = count == std::atoi(step[2].c_str());
    } else {
        char text[1024] = "";
        LVITEMA item = {};
        item.iSubItem = std::atoi(step[3].c_str());
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        Send(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(std::atoi(step[2].c_str())), reinterpret_cast<LPARAM>(&item),
             2000);
        line.Str("text", text);
        ok = std::string(text) == Expected(step[4]);
    }
    Report(line, ok, ok ? std::string() : "unexpected list");
    return true;
}

bool StepListAction(const std::string& op, const std::vector<std::string>& step, JsonLine& line) {
    if (!Need(step, op == "list" ? 2 : 3, line)) return true;
    HWND list = StepControl(step, line);
    if (list == nullptr) return true;
    const int n = step.size() > 2 ? std::atoi(step[2].c_str()) : 0;
    if (op == "list-select" || op == "list-dblclick") {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(&item), 2000);
        if (op == "list-dblclick") {
            RECT rect = {};
            rect.left = LVIR_LABEL;
            Send(list, LVM_GETITEMRECT, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(&rect), 2000);
            const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
            Send(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
            Send(list, WM_LBUTTONUP, 0, at);
        }
    } else if (op == "list-column") {
        HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER, 0, 0, 2000));
        RECT rect = {};
        Send(header, HDM_GETITEMRECT, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(&rect), 2000);
        const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        Send(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        Send(header, WM_LBUTTONUP, 0, at);
    } else if (op == "list-key") {
        Send(list, WM_KEYDOWN, static_cast<WPARAM>(n), 0);
        Send(list, WM_KEYUP, static_cast<WPARAM>(n), 0);
    }
    Settle();
    line.Raw("list", ListJson(list));
    Report(line, true);
    return true;
}

bool StepSend(const std::string&, const std::vector<std::string>& step, JsonLine& line) {
    if (!Need(step, 2, line)) return true;
    std::ifstream in(step[1], std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    const std::string text = HostText::ToCrLf(content.str());
    const LRESULT result = Send(g_host.mainWindow, kSendMessage, 0, reinterpret_cast<LPARAM>(&text), 10000);
    line.Utf8("file", step[1]).Int("return", static_cast<long long>(result));
    Report(line, in.good() || in.eof());
    return true;
}

bool StepShot(const std::string&, const std::vector<std::string>& step, JsonLine& line) {
    if (!Need(step, 2, line)) return true;
    Settle();
    Sleep(250);
    HWND window = TopWindow();
    const bool ok = window != nullptr && SaveWindowBitmap(window, step[1]);
    line.Utf8("file", step[1]).Str("window", window != nullptr ? TextOf(window) : std::string());
    Report(line, ok);
    return true;
}

bool StepOkOrCancel(const std::string& op, const std::vector<std::string>&, JsonLine& line) {
    Send(g_sheet, PSM_PRESSBUTTON, op == "ok" ? PSBTN_OK : PSBTN_CANCEL, 0);
    PostMessageA(g_sheet, WM_NULL, 0, 0);
    Sleep(100);
    Report(line, true);
    return true;
}

bool StepClosed(const std::string&, const std::vector<std::string>&, JsonLine& line) {
    const DWORD start = GetTickCount();
    while (IsWindow(g_sheet) && IsWindowVisible(g_sheet) && GetTickCount() - start < kWindowTimeout) Sleep(20);
    const bool gone = !IsWindow(g_sheet) || !IsWindowVisible(g_sheet);
    Report(line, gone, gone ? std::string() : "the sheet stays open");
    return gone;
}

bool StepSleep(const std::string&, const std::vector<std::string>& step, JsonLine& line) {
    Sleep(step.size() > 1 ? static_cast<DWORD>(std::atoi(step[1].c_str())) : 100);
    Report(line, true);
    return true;
}

typedef bool (*StepHandler)(const std::string& op, const std::vector<std::string>& step, JsonLine& line);

const struct {
    const char* op;
    StepHandler run;
} kSteps[] = {
    {"sheet", StepSheet},
    {"page", StepPage},
    {"click", StepControlState},
    {"check", StepControlState},
    {"settext", StepControlState},
    {"read", StepControlState},
    {"expect", StepControlState},
    {"expect-checked", StepControlState},
    {"expect-enabled", StepControlState},
    {"ctrl-click", StepCtrlClick},
    {"window", StepWindow},
    {"msgbox", StepMsgbox},
    {"file", StepFile},
    {"file-cancel", StepFile},
    {"dialog", StepDialog},
    {"progress", StepProgress},
    {"dialog-end", StepDialogEnd},
    {"expect-tree", StepExpectTree},
    {"expect-tree-selected", StepExpectTree},
    {"tree", StepTreeAction},
    {"tree-select", StepTreeAction},
    {"tree-expand", StepTreeAction},
    {"expect-sort", StepExpectSort},
    {"expect-count", StepListExpect},
    {"expect-row", StepListExpect},
    {"list-clear", StepListExpect},
    {"list", StepListAction},
    {"list-select", StepListAction},
    {"list-dblclick", StepListAction},
    {"list-column", StepListAction},
    {"list-key", StepListAction},
    {"send", StepSend},
    {"shot", StepShot},
    {"ok", StepOkOrCancel},
    {"cancel", StepOkOrCancel},
    {"closed", StepClosed},
    {"sleep", StepSleep},
};

// Runs one step; false ends the script.
bool RunStep(size_t index, const std::vector<std::string>& step) {
    JsonLine line = Line(index, step);
    for (const auto& kind : kSteps) {
        if (step[0] == kind.op) return kind.run(step[0], step, line);
    }
    Report(line, false, "unknown step");
    return true;
}

// Closes whatever the plug-in still shows, so that the verb can return.
void CloseEverything() {
    for (int round = 0; round < 50; ++round) {
        std::vector<HWND> dialogs = HostWindows::ProcessDialogs();
        if (dialogs.empty()) return;
        for (HWND dialog : dialogs) {
            if (dialog == g_sheet) {
                PostMessageA(dialog, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            } else {
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
        }
        Sleep(200);
    }
}

DWORD WINAPI RunScript(LPVOID) {
    for (size_t i = 0; i < g_steps.size(); ++i) {
        if (!RunStep(i, g_steps[i])) {
            g_aborted = true;
            CloseEverything();
            return 1;
        }
    }
    // A script that leaves the sheet open would leave the verb waiting for ever.
    const DWORD start = GetTickCount();
    while (g_sheet != nullptr && IsWindow(g_sheet) && IsWindowVisible(g_sheet) && GetTickCount() - start < 3000) {
        Sleep(20);
    }
    if (g_sheet != nullptr && IsWindow(g_sheet) && IsWindowVisible(g_sheet)) {
        JsonLine line("ui");
        line.Utf8("op", "end");
        Report(line, false, "the script ended with the sheet open");
        g_aborted = true;
        CloseEverything();
        return 1;
    }
    return 0;
}

}  // namespace

namespace UiDriver {

bool Start(const std::string& scriptPath, std::string* error) {
    std::ifstream in(scriptPath, std::ios::binary);
    if (!in) {
        *error = "cannot read the UI script " + scriptPath;
        return false;
    }
    g_steps.clear();
    std::string line;
    while (std::getline(in, line)) {
        line = Mbcs::Trim(line);
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> words = HostText::SplitWords(line);
        if (!words.empty()) g_steps.push_back(words);
    }
    g_failed = 0;
    g_aborted = false;
    g_sheet = nullptr;
    g_dialog = nullptr;
    if (g_host.mainWindow != nullptr && g_mainProc == nullptr) {
        g_mainProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(g_host.mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MainWindowProc)));
    }
    g_thread = CreateThread(nullptr, 0, RunScript, nullptr, 0, nullptr);
    if (g_thread == nullptr) {
        *error = "cannot start the UI driver thread";
        return false;
    }
    return true;
}

int Finish() {
    if (g_thread != nullptr) {
        if (WaitForSingleObject(g_thread, 5000) == WAIT_TIMEOUT) {
            // The sheet closed before the script ended: the rest of it cannot run.
            g_aborted = true;
            ++g_failed;
            TerminateThread(g_thread, 2);
        }
        CloseHandle(g_thread);
        g_thread = nullptr;
    }
    Json::Emit(JsonLine("ui-done").Int("steps", static_cast<long long>(g_steps.size()))
                   .Int("failed", g_failed.load()).Bool("aborted", g_aborted.load()));
    return g_failed.load();
}

}  // namespace UiDriver
