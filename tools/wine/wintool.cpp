// wintool.exe: finds and drives the windows of another program inside the same
// Wine (or Windows) session, for the window tests. Everything it reads it
// prints as UTF-8 lines; tab-separated where a line has several fields.
//
//   wintool windows [<window>]           top-level windows: handle, pid, visible, class, title
//   wintool wait <window> [ms]           waits for a visible top-level window; prints its handle
//   wintool gone <window> [ms]           waits until no such window is left
//   wintool exists <window> [ms]         waits for a top-level window, visible or not
//   wintool controls <window>            its child controls, one a line:
//                                        id, class, visible, enabled, checked (1, 0 or -),
//                                        x, y, width, height (in the window's client area), text
//   wintool text <window> [<id>]         the window's (or a control's) text
//   wintool click <window> <id>          presses a button (BM_CLICK)
//   wintool command <window> <id>        posts WM_COMMAND with the id (BN_CLICKED)
//   wintool settext <window> <id> <text> sets a control's text (WM_SETTEXT), as typing would
//   wintool select <window> <id> <index> selects an entry of a drop-down list and tells the
//                                        window (CB_SETCURSEL, then CBN_SELCHANGE); of a list
//                                        view, selects and focuses the row, as a click does
//   wintool send <window> <msg> [w] [l]  SendMessage; prints the result
//   wintool post <window> <msg> [w] [l]  PostMessage
//   wintool keys <window> <key>...       brings it to the front and types: a, c, enter,
//                                        escape, space, tab, f1 ... with ctrl+ / alt+ / shift+
//   wintool clipboard                    the clipboard's text
//   wintool shot <window>|desktop <file> the picture of the window on the screen, as BMP
//   wintool pixel <window> <x> <y>       RRGGBB of a pixel of the client area
//   wintool close <window>               posts WM_CLOSE
//   wintool rect <window>                its place on the screen: x, y, width, height
//   wintool state <window>               thread id, visible (1/0), minimised (1/0), foreground (1/0)
//   wintool focus <window>               the id of the control that has the keyboard focus in its thread
//   wintool move <window> <x> <y>        moves it (SetWindowPos, size and Z order kept)
//   wintool has-colour <window> <x> <y> <w> <h> <RRGGBB>
//                                        whether a rectangle of its client area shows the colour
//   wintool setting-change <window> <area>
//                                        sends WM_SETTINGCHANGE with the area's name, as Windows
//                                        does when the user changes a setting ("ImmersiveColorSet")
//   wintool children <window>            its direct child windows: handle, id, class, visible
//   wintool rows <window> <id>           the rows of a list view: index, selected (1/0), column texts
//   wintool mouse <window> <x> <y>       a left click at a point of the client area (the real mouse)
//   wintool time-select <window> <id> <row> <row> <n>
//                                        selects the two rows in turn n times; prints for each the
//                                        milliseconds until the window has painted the change
//   wintool time-open <tray window> <window> <n>
//                                        n times: posts the tray icon's left click, waits until
//                                        <window> is shown and painted, prints the milliseconds,
//                                        closes it and waits until it is gone
//   wintool tips                         the tooltip texts of the notification-area icons, one a line
//   wintool balloon                      the balloon on the screen: title, text
//   wintool balloons <ms>                watches for that long; each balloon that appears
//                                        (not one on the screen already):
//                                        milliseconds since the start, title, text
//   wintool menus                        the open popup menus, from left to right, read from
//                                        the screen: menu, item row (separators left out),
//                                        checked (1/0)
//   wintool hover <window> <id>          moves the mouse pointer onto a control's centre
//
// <window> is a handle (0x...) or "class|title": either part may be empty or
// "*" (any); the title may end in "*" (begins with). Numbers are decimal or 0x...
//
// Exit codes: 0 done, 1 bad usage, 2 not found, timed out or failed.
#include <windows.h>
//
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kOk = 0;
constexpr int kUsage = 1;
constexpr int kFailed = 2;

void Write(const std::wstring& text) {
    std::string bytes;
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    bytes.resize(static_cast<size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    bytes += '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void Error(const std::wstring& text) {
    std::string bytes(text.begin(), text.end());
    bytes += '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool ParseNumber(const wchar_t* text, uint64_t& out) {
    if (!text || !*text) return false;
    wchar_t* end = nullptr;
    out = std::wcstoull(text, &end, 0);
    return end && *end == 0;
}

std::wstring HexDigits(uint64_t value, int minDigits) {
    std::wstring digits;
    while (value || static_cast<int>(digits.size()) < minDigits) {
        digits.insert(digits.begin(), L"0123456789ABCDEF"[value & 15]);
        value >>= 4;
    }
    return digits;
}

std::wstring Hex(uint64_t value) { return L"0x" + HexDigits(value, 1); }

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// WM_GETTEXT reaches controls of other processes, GetWindowTextW does not.
std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
    std::vector<wchar_t> buffer(length + 2);
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, 2000, &copied))
        return {};
    return std::wstring(buffer.data(), copied);
}

// Line ends and tabs of a text shown on one line of output.
std::wstring OneLine(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\r') continue;
        if (c == L'\n') out += L"\\n";
        else if (c == L'\t') out += L"\\t";
        else out += c;
    }
    return out;
}

struct Selector {
    HWND handle = nullptr;
    bool byHandle = false;
    std::wstring className;  // empty: any
    std::wstring title;      // empty: any
    bool titlePrefix = false;
};

bool ParseSelector(const wchar_t* text, Selector& out) {
    std::wstring s = text;
    uint64_t number = 0;
    if (s.rfind(L"0x", 0) == 0 && ParseNumber(text, number)) {
        out.byHandle = true;
        out.handle = reinterpret_cast<HWND>(static_cast<uintptr_t>(number));
        return true;
    }
    size_t bar = s.find(L'|');
    if (bar == std::wstring::npos) return false;
    out.className = s.substr(0, bar);
    out.title = s.substr(bar + 1);
    if (out.className == L"*") out.className.clear();
    if (out.title == L"*") out.title.clear();
    if (!out.title.empty() && out.title.back() == L'*') {
        out.title.pop_back();
        out.titlePrefix = true;
    }
    return true;
}

bool Matches(HWND window, const Selector& s) {
    if (s.byHandle) return window == s.handle;
    if (!s.className.empty() && ClassOf(window) != s.className) return false;
    if (s.title.empty() && !s.titlePrefix) return true;
    wchar_t title[512] = {};
    GetWindowTextW(window, title, 512);
    return s.titlePrefix ? std::wstring(title).rfind(s.title, 0) == 0 : s.title == title;
}

std::vector<HWND> TopLevel(const Selector* filter, bool visibleOnly) {
    struct Walk {
        const Selector* filter;
        bool visibleOnly;
        std::vector<HWND> found;
    } walk{filter, visibleOnly, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* w = reinterpret_cast<Walk*>(param);
            if (w->visibleOnly && !IsWindowVisible(window)) return TRUE;
            if (!w->filter || Matches(window, *w->filter)) w->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    return walk.found;
}

HWND Find(const Selector& s) {
    if (s.byHandle) return IsWindow(s.handle) ? s.handle : nullptr;
    std::vector<HWND> found = TopLevel(&s, true);
    return found.empty() ? nullptr : found.front();
}

HWND Resolve(const wchar_t* text) {
    Selector s;
    if (!ParseSelector(text, s)) return nullptr;
    return Find(s);
}

int Windows(int argc, wchar_t** argv) {
    Selector s;
    if (argc > 0 && !ParseSelector(argv[0], s)) return kUsage;
    for (HWND window : TopLevel(argc > 0 ? &s : nullptr, false)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        wchar_t title[512] = {};
        GetWindowTextW(window, title, 512);
        Write(Hex(reinterpret_cast<uintptr_t>(window)) + L"\t" + std::to_wstring(pid) + L"\t" +
              (IsWindowVisible(window) ? L"1" : L"0") + L"\t" + ClassOf(window) + L"\t" + OneLine(title));
    }
    return kOk;
}

DWORD Timeout(int argc, wchar_t** argv, int index, DWORD fallback) {
    uint64_t ms = fallback;
    if (argc > index && !ParseNumber(argv[index], ms)) return fallback;
    return static_cast<DWORD>(ms);
}

int Wait(int argc, wchar_t** argv, bool visible) {
    Selector s;
    if (argc < 1 || !ParseSelector(argv[0], s)) return kUsage;
    const ULONGLONG end = GetTickCount64() + Timeout(argc, argv, 1, 10000);
    for (;;) {
        HWND window = nullptr;
        if (visible) {
            window = Find(s);
        } else {
            std::vector<HWND> all = TopLevel(&s, false);
            if (!all.empty()) window = all.front();
        }
        if (window) {
            Write(Hex(reinterpret_cast<uintptr_t>(window)));
            return kOk;
        }
        if (GetTickCount64() >= end) return kFailed;
        Sleep(50);
    }
}

int Gone(int argc, wchar_t** argv) {
    Selector s;
    if (argc < 1 || !ParseSelector(argv[0], s)) return kUsage;
    const ULONGLONG end = GetTickCount64() + Timeout(argc, argv, 1, 10000);
    for (;;) {
        if (!Find(s)) return kOk;
        if (GetTickCount64() >= end) return kFailed;
        Sleep(50);
    }
}

std::wstring CheckedState(HWND control) {
    if (ClassOf(control) != L"Button") return L"-";
    const LONG kind = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    switch (kind) {
        case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_RADIOBUTTON: case BS_3STATE: case BS_AUTO3STATE:
        case BS_AUTORADIOBUTTON: {
            DWORD_PTR state = 0;
            SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
            return std::to_wstring(state);
        }
        default:
            return L"-";
    }
}

int Controls(int argc, wchar_t** argv) {
    if (argc < 1) return kUsage;
    HWND window = Resolve(argv[0]);
    if (!window) return kFailed;
    struct Walk {
        HWND top;
    } walk{window};
    EnumChildWindows(
        window,
        [](HWND control, LPARAM param) -> BOOL {
            auto* w = reinterpret_cast<Walk*>(param);
            RECT r{};
            GetWindowRect(control, &r);
            MapWindowPoints(nullptr, w->top, reinterpret_cast<POINT*>(&r), 2);
            Write(std::to_wstring(GetDlgCtrlID(control)) + L"\t" + ClassOf(control) + L"\t" +
                  (IsWindowVisible(control) ? L"1" : L"0") + L"\t" + (IsWindowEnabled(control) ? L"1" : L"0") + L"\t" +
                  CheckedState(control) + L"\t" + std::to_wstring(r.left) + L"\t" + std::to_wstring(r.top) + L"\t" +
                  std::to_wstring(r.right - r.left) + L"\t" + std::to_wstring(r.bottom - r.top) + L"\t" +
                  OneLine(TextOf(control)));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    return kOk;
}

HWND Control(HWND window, const wchar_t* idText) {
    uint64_t id = 0;
    if (!ParseNumber(idText, id)) return nullptr;
    return GetDlgItem(window, static_cast<int>(id));
}

int Text(int argc, wchar_t** argv) {
    if (argc < 1) return kUsage;
    HWND window = Resolve(argv[0]);
    if (window && argc > 1) window = Control(window, argv[1]);
    if (!window) return kFailed;
    Write(OneLine(TextOf(window)));
    return kOk;
}

int Click(int argc, wchar_t** argv) {
    if (argc < 2) return kUsage;
    HWND window = Resolve(argv[0]);
    HWND control = window ? Control(window, argv[1]) : nullptr;
    if (!control) return kFailed;
    // Posted: a click that ends a modal loop must not hold this program up.
    PostMessageW(control, BM_CLICK, 0, 0);
    return kOk;
}

bool MessageArgs(int argc, wchar_t** argv, UINT& msg, WPARAM& w, LPARAM& l) {
    uint64_t m = 0, a = 0, b = 0;
    if (argc < 2 || !ParseNumber(argv[1], m)) return false;
    if (argc > 2 && !ParseNumber(argv[2], a)) return false;
    if (argc > 3 && !ParseNumber(argv[3], b)) return false;
    msg = static_cast<UINT>(m);
    w = static_cast<WPARAM>(a);
    l = static_cast<LPARAM>(b);
    return true;
}

int Command(int argc, wchar_t** argv) {
    uint64_t id = 0;
    if (argc < 2 || !ParseNumber(argv[1], id)) return kUsage;
    HWND window = Resolve(argv[0]);
    if (!window) return kFailed;
    HWND control = GetDlgItem(window, static_cast<int>(id));
    return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control)) ? kOk
                                                                                                         : kFailed;
}

int SetText(int argc, wchar_t** argv) {
    if (argc < 3) return kUsage;
    HWND window = Resolve(argv[0]);
    HWND control = window ? Control(window, argv[1]) : nullptr;
    if (!control) return kFailed;
    DWORD_PTR result = 0;
    // WM_SETTEXT's text reaches a control of another process.
    if (!SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[2]), SMTO_ABORTIFHUNG, 5000, &result))
        return kFailed;
    const int id = GetDlgCtrlID(control);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(control));
    return result ? kOk : kFailed;
}

int SelectListRow(int argc, wchar_t** argv);

int Select(int argc, wchar_t** argv) {
    uint64_t index = 0;
    if (argc < 3 || !ParseNumber(argv[2], index)) return kUsage;
    HWND window = Resolve(argv[0]);
    HWND control = window ? Control(window, argv[1]) : nullptr;
    if (!control) return kFailed;
    wchar_t kind[64] = L"";
    GetClassNameW(control, kind, 64);
    if (std::wstring_view(kind) == L"SysListView32") return SelectListRow(argc, argv);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG, 5000, &result) ||
        static_cast<intptr_t>(result) != static_cast<intptr_t>(index))
        return kFailed;
    const int id = GetDlgCtrlID(control);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
    return kOk;
}

int Send(int argc, wchar_t** argv, bool post) {
    UINT msg = 0;
    WPARAM w = 0;
    LPARAM l = 0;
    if (!MessageArgs(argc, argv, msg, w, l)) return kUsage;
    HWND window = Resolve(argv[0]);
    if (!window) return kFailed;
    if (post) return PostMessageW(window, msg, w, l) ? kOk : kFailed;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, msg, w, l, SMTO_ABORTIFHUNG, 10000, &result)) return kFailed;
    Write(std::to_wstring(static_cast<intptr_t>(result)));
    return kOk;
}

struct KeyName {
    const wchar_t* name;
    WORD vk;
};

constexpr KeyName kKeys[] = {
    {L"enter", VK_RETURN}, {L"escape", VK_ESCAPE}, {L"space", VK_SPACE}, {L"tab", VK_TAB},
    {L"left", VK_LEFT},    {L"right", VK_RIGHT},   {L"up", VK_UP},       {L"down", VK_DOWN},
    {L"f1", VK_F1},        {L"f4", VK_F4},         {L"insert", VK_INSERT}, {L"delete", VK_DELETE},
    {L"backspace", VK_BACK}, {L"home", VK_HOME},   {L"end", VK_END},
};

bool KeyCode(const std::wstring& name, WORD& vk) {
    if (name.size() == 1 && iswalnum(name[0])) {
        vk = static_cast<WORD>(towupper(name[0]));
        return true;
    }
    for (const KeyName& k : kKeys) {
        if (name == k.name) {
            vk = k.vk;
            return true;
        }
    }
    return false;
}

void AddKey(std::vector<INPUT>& inputs, WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
}

int Keys(int argc, wchar_t** argv) {
    if (argc < 2) return kUsage;
    HWND window = Resolve(argv[0]);
    if (!window) return kFailed;
    SetForegroundWindow(window);
    for (int k = 1; k < argc; ++k) {
        std::wstring chord = argv[k];
        std::vector<WORD> held;
        for (;;) {
            size_t plus = chord.find(L'+');
            if (plus == std::wstring::npos || plus + 1 == chord.size()) break;
            std::wstring modifier = chord.substr(0, plus);
            chord = chord.substr(plus + 1);
            if (modifier == L"ctrl") held.push_back(VK_CONTROL);
            else if (modifier == L"alt") held.push_back(VK_MENU);
            else if (modifier == L"shift") held.push_back(VK_SHIFT);
            else return kUsage;
        }
        WORD vk = 0;
        if (!KeyCode(chord, vk)) return kUsage;
        std::vector<INPUT> inputs;
        for (WORD m : held) AddKey(inputs, m, false);
        AddKey(inputs, vk, false);
        AddKey(inputs, vk, true);
        for (auto m = held.rbegin(); m != held.rend(); ++m) AddKey(inputs, *m, true);
        if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size()) return kFailed;
        Sleep(50);
    }
    return kOk;
}

int Clipboard() {
    for (int attempt = 0; attempt < 20 && !OpenClipboard(nullptr); ++attempt) Sleep(50);
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    std::wstring text;
    if (data) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    if (!data) return kFailed;
    // The text as it is, CR LF included, without a line end of this program's own.
    std::string bytes;
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    bytes.resize(static_cast<size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return kOk;
}

struct Screen {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

bool Capture(const RECT& r, Screen& out) {
    out.width = r.right - r.left;
    out.height = r.bottom - r.top;
    if (out.width <= 0 || out.height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = out.width;
    info.bmiHeader.biHeight = -out.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, out.width, out.height, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
        const auto* p = static_cast<const uint32_t*>(bits);
        out.pixels.assign(p, p + static_cast<size_t>(out.width) * out.height);
        for (uint32_t& c : out.pixels) c &= 0xFFFFFF;
        ok = true;
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

// A screen rectangle as a 32-bit top-down BMP.
bool SaveScreen(const RECT& r, const wchar_t* path) {
    Screen screen;
    if (!Capture(r, screen)) return false;
    for (uint32_t& c : screen.pixels) c |= 0xFF000000;  // opaque, whatever a reader makes of the fourth byte
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = screen.width;
    header.biHeight = -screen.height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    const DWORD imageSize = static_cast<DWORD>(screen.pixels.size() * sizeof(uint32_t));
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + imageSize;
    HANDLE out = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(out, &file, sizeof file, &written, nullptr) &&
                    WriteFile(out, &header, sizeof header, &written, nullptr) &&
                    WriteFile(out, screen.pixels.data(), imageSize, &written, nullptr);
    CloseHandle(out);
    return ok;
}

int Shot(int argc, wchar_t** argv) {
    if (argc < 2) return kUsage;
    RECT r{};
    if (std::wstring(argv[0]) == L"desktop") {
        GetWindowRect(GetDesktopWindow(), &r);
    } else {
        HWND window = Resolve(argv[0]);
        if (!window) return kFailed;
        // Drawn and on top before the picture is taken.
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(150);
        GetWindowRect(window, &r);
    }
    return SaveScreen(r, argv[1]) ? kOk : kFailed;
}

int Pixel(int argc, wchar_t** argv) {
    uint64_t x = 0, y = 0;
    if (argc < 3 || !ParseNumber(argv[1], x) || !ParseNumber(argv[2], y)) return kUsage;
    HWND window = Resolve(argv[0]);
    if (!window) return kFailed;
    POINT p{static_cast<LONG>(x), static_cast<LONG>(y)};
    ClientToScreen(window, &p);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    if (c == CLR_INVALID) return kFailed;
    Write(HexDigits(GetRValue(c), 2) + HexDigits(GetGValue(c), 2) + HexDigits(GetBValue(c), 2));
    return kOk;
}

int Hover(int argc, wchar_t** argv) {
    if (argc < 2) return kUsage;
    HWND window = Resolve(argv[0]);
    HWND control = window ? Control(window, argv[1]) : nullptr;
    if (!control) return kFailed;
    RECT r{};
    GetWindowRect(control, &r);
    SetForegroundWindow(window);
    return SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2) ? kOk : kFailed;
}

int Close(int argc, wchar_t** argv) {
    if (argc < 1) return kUsage;
    HWND window = Resolve(argv[0]);
    if (!window) return kFailed;
    return PostMessageW(window, WM_CLOSE, 0, 0) ? kOk : kFailed;
}


// ---- The shell's notification area, whose windows belong to another process:
// what a message there reads or writes goes through memory of that process.

class RemoteBuffer {
public:
    RemoteBuffer(HWND window, size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    bool ok() const { return address_ != nullptr; }
    // The remote address `offset` bytes in.
    uintptr_t at(size_t offset) const { return reinterpret_cast<uintptr_t>(address_) + offset; }
    bool Write(size_t offset, const void* data, size_t size) {
        SIZE_T done = 0;
        return offset + size <= size_ &&
               WriteProcessMemory(process_, reinterpret_cast<void*>(at(offset)), data, size, &done) && done == size;
    }
    bool Read(size_t offset, void* data, size_t size) {
        SIZE_T done = 0;
        return offset + size <= size_ &&
               ReadProcessMemory(process_, reinterpret_cast<void*>(at(offset)), data, size, &done) && done == size;
    }
    std::wstring ReadText(size_t offset, size_t maxChars) {
        std::vector<wchar_t> text(maxChars + 1, 0);
        if (!Read(offset, text.data(), maxChars * sizeof(wchar_t))) return {};
        return text.data();
    }

private:
    size_t size_;
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

constexpr size_t kRemoteText = 1024;  // characters

bool IsBalloon(HWND tooltip) { return (GetWindowLongW(tooltip, GWL_STYLE) & TTS_BALLOON) != 0; }

std::vector<HWND> Tooltips(bool balloons) {
    Selector s;
    s.className = TOOLTIPS_CLASSW;
    std::vector<HWND> found;
    for (HWND window : TopLevel(&s, balloons)) {
        if (IsBalloon(window) == balloons) found.push_back(window);
    }
    return found;
}

// The text of the first tool of a tooltip (an icon's tooltip has one: the icon).
std::wstring ToolText(HWND tooltip) {
    RemoteBuffer remote(tooltip, sizeof(TTTOOLINFOW) + (kRemoteText + 1) * sizeof(wchar_t));
    if (!remote.ok()) {
        Error(L"wintool: no memory in the tooltip's process");
        return {};
    }
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.lpszText = reinterpret_cast<wchar_t*>(remote.at(sizeof info));
    const wchar_t empty = 0;
    if (!remote.Write(0, &info, sizeof info) || !remote.Write(sizeof info, &empty, sizeof empty)) return {};
    DWORD_PTR found = 0;
    if (!SendMessageTimeoutW(tooltip, TTM_ENUMTOOLSW, 0, static_cast<LPARAM>(remote.at(0)), SMTO_ABORTIFHUNG, 2000,
                             &found) ||
        !found)
        return {};
    return remote.ReadText(sizeof info, kRemoteText);
}

std::wstring BalloonTitle(HWND balloon) {
    RemoteBuffer remote(balloon, sizeof(TTGETTITLE) + (kRemoteText + 1) * sizeof(wchar_t));
    if (!remote.ok()) return {};
    TTGETTITLE title{};
    title.dwSize = sizeof title;
    title.cch = kRemoteText;
    title.pszTitle = reinterpret_cast<wchar_t*>(remote.at(sizeof title));
    const wchar_t empty = 0;
    if (!remote.Write(0, &title, sizeof title) || !remote.Write(sizeof title, &empty, sizeof empty)) return {};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(balloon, TTM_GETTITLE, 0, static_cast<LPARAM>(remote.at(0)), SMTO_ABORTIFHUNG, 2000, &result);
    return remote.ReadText(sizeof title, kRemoteText);
}

int Tips() {
    for (HWND tooltip : Tooltips(false)) {
        const std::wstring text = ToolText(tooltip);
        if (!text.empty()) Write(OneLine(text));
    }
    return kOk;
}

int Balloon() {
    for (HWND balloon : Tooltips(true)) Write(OneLine(BalloonTitle(balloon)) + L"\t" + OneLine(TextOf(balloon)));
    return kOk;
}

// The shell makes a new window for every balloon it shows.
int Balloons(int argc, wchar_t** argv) {
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG end = start + Timeout(argc, argv, 0, 10000);
    std::vector<HWND> seen = Tooltips(true);  // those on the screen already are not new
    while (GetTickCount64() < end) {
        for (HWND balloon : Tooltips(true)) {
            bool known = false;
            for (HWND s : seen) known = known || s == balloon;
            if (known) continue;
            const std::wstring text = TextOf(balloon);
            if (text.empty()) continue;  // not filled in yet
            seen.push_back(balloon);
            Write(std::to_wstring(GetTickCount64() - start) + L"\t" + OneLine(BalloonTitle(balloon)) + L"\t" +
                  OneLine(text));
        }
        Sleep(40);
    }
    return kOk;
}

// The check marks of the open popup menus, read from the screen (a menu's
// items cannot be read from another process under Wine). Each menu window,
// from left to right, is cut into its item rows (runs of rows with text
// ink; separators are too thin to count); an item is checked when its check
// column holds ink. Ink is what differs clearly from the row's most common
// colour, so a highlighted row reads like the others.
bool Ink(uint32_t c, uint32_t background) {
    int diff = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = static_cast<int>((c >> shift) & 0xFF), b = static_cast<int>((background >> shift) & 0xFF);
        diff += a > b ? a - b : b - a;
    }
    return diff > 200;
}

uint32_t RowBackground(const Screen& s, int y) {
    std::vector<std::pair<uint32_t, int>> counts;
    for (int x = 3; x < s.width - 3; ++x) {
        const uint32_t c = s.at(x, y);
        bool found = false;
        for (auto& [colour, n] : counts) {
            if (colour == c) {
                ++n;
                found = true;
                break;
            }
        }
        if (!found) counts.push_back({c, 1});
    }
    uint32_t best = 0;
    int most = 0;
    for (const auto& [colour, n] : counts) {
        if (n > most) {
            most = n;
            best = colour;
        }
    }
    return best;
}

constexpr int kCheckColumnEnd = 18;  // the check mark's column, from the left edge
constexpr int kMinItemInkRows = 5;   // a separator's line is thinner

int Menus() {
    Selector s;
    s.className = L"#32768";
    std::vector<HWND> windows = TopLevel(&s, true);
    if (windows.empty()) return kFailed;
    std::vector<RECT> rects;
    for (HWND w : windows) {
        RECT r{};
        GetWindowRect(w, &r);
        rects.push_back(r);
    }
    std::vector<size_t> order(windows.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return rects[a].left < rects[b].left; });
    int menu = 0;
    for (size_t index : order) {
        Screen screen;
        if (!Capture(rects[index], screen)) continue;
        int row = 0, start = -1;
        bool checked = false;
        auto finish = [&](int end) {
            if (start >= 0 && end - start >= kMinItemInkRows) {
                Write(std::to_wstring(menu) + L"\t" + std::to_wstring(row) + L"\t" + (checked ? L"1" : L"0"));
                ++row;
            }
            start = -1;
            checked = false;
        };
        for (int y = 2; y < screen.height - 2; ++y) {
            const uint32_t background = RowBackground(screen, y);
            bool text = false, check = false;
            for (int x = kCheckColumnEnd; x < screen.width - kCheckColumnEnd && !text; ++x) text = Ink(screen.at(x, y), background);
            for (int x = 3; x < kCheckColumnEnd && !check; ++x) check = Ink(screen.at(x, y), background);
            if (text) {
                if (start < 0) start = y;
                checked = checked || check;
            } else {
                finish(y);
            }
        }
        finish(screen.height - 2);
        ++menu;
    }
    return kOk;
}


int State(int argc, wchar_t** argv) {
    if (argc < 1) return kUsage;
    Selector s;
    if (!ParseSelector(argv[0], s)) return kUsage;
    // Hidden windows count too (the tray window is never shown).
    std::vector<HWND> found = s.byHandle ? std::vector<HWND>{IsWindow(s.handle) ? s.handle : nullptr} : TopLevel(&s, false);
    HWND window = found.empty() ? nullptr : found.front();
    if (!window) return kFailed;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    Write(std::to_wstring(thread) + L"\t" + (IsWindowVisible(window) ? L"1" : L"0") + L"\t" +
          (IsIconic(window) ? L"1" : L"0") + L"\t" + (GetForegroundWindow() == window ? L"1" : L"0"));
    return kOk;
}

int Focus(int argc, wchar_t** argv) {
    if (argc < 1) return kUsage;
    HWND window = Resolve(argv[0]);
    if (!window) return kFailed;
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) || !info.hwndFocus) return kFailed;
    Write(std::to_wstring(GetDlgCtrlID(info.hwndFocus)));
    return kOk;
}

int RectOf(int argc, wchar_t** argv) {
    if (argc < 1) return kUsage;
    HWND window = Resolve(argv[0]);
    if (!window) return kFailed;
    RECT r{};
    GetWindowRect(window, &r);
    Write(std::to_wstring(r.left) + L"\t" + std::to_wstring(r.top) + L"\t" + std::to_wstring(r.right - r.left) + L"\t" +
          std::to_wstring(r.bottom - r.top));
    return kOk;
}

int Move(int argc, wchar_t** argv) {
    uint64_t x = 0, y = 0;
    if (argc < 3 || !ParseNumber(argv[1], x) || !ParseNumber(argv[2], y)) return kUsage;
    HWND window = Resolve(argv[0]);
    if (!window) return kFailed;
    return SetWindowPos(window, nullptr, static_cast<int>(x), static_cast<int>(y), 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)
               ? kOk
               : kFailed;
}

int HasColour(int argc, wchar_t** argv) {
    uint64_t x = 0, y = 0, w = 0, h = 0, rgb = 0;
    if (argc < 6 || !ParseNumber(argv[1], x) || !ParseNumber(argv[2], y) || !ParseNumber(argv[3], w) ||
        !ParseNumber(argv[4], h) || !ParseNumber((std::wstring(L"0x") + argv[5]).c_str(), rgb)) {
        return kUsage;
    }
    HWND window = Resolve(argv[0]);
    if (!window) return kFailed;
    POINT p{static_cast<LONG>(x), static_cast<LONG>(y)};
    ClientToScreen(window, &p);
    const COLORREF wanted = RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
    HDC screen = GetDC(nullptr);
    bool found = false;
    for (LONG dy = 0; dy < static_cast<LONG>(h) && !found; ++dy) {
        for (LONG dx = 0; dx < static_cast<LONG>(w) && !found; ++dx) {
            found = GetPixel(screen, p.x + dx, p.y + dy) == wanted;
        }
    }
    ReleaseDC(nullptr, screen);
    Write(found ? L"1" : L"0");
    return found ? kOk : kFailed;
}

int SettingChange(int argc, wchar_t** argv) {
    if (argc < 2) return kUsage;
    HWND window = Resolve(argv[0]);
    if (!window) return kFailed;
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(argv[1]), SMTO_ABORTIFHUNG, 10000,
                               &result)
               ? kOk
               : kFailed;
}

int Children(int argc, wchar_t** argv) {
    if (argc < 1) return kUsage;
    HWND window = Resolve(argv[0]);
    if (!window) return kFailed;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        Write(Hex(reinterpret_cast<uintptr_t>(child)) + L"\t" + std::to_wstring(GetDlgCtrlID(child)) + L"\t" +
              ClassOf(child) + L"\t" + (IsWindowVisible(child) ? L"1" : L"0"));
    }
    return kOk;
}

constexpr UINT kLvmGetItemCount = 0x1004;
constexpr UINT kLvmGetItemState = 0x102C;
constexpr UINT kLvmSetItemState = 0x102B;
constexpr UINT kLvmGetItemTextW = 0x1073;
constexpr UINT kLvmGetHeader = 0x101F;
constexpr UINT kHdmGetItemCount = 0x1200;
constexpr UINT kLvisSelected = 0x0002;
constexpr UINT kLvisFocused = 0x0001;
constexpr UINT kLvifState = 0x0008;
constexpr UINT kLvifText = 0x0001;

struct ListItem {  // LVITEMW
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
    int iGroupId;
    UINT cColumns;
    PUINT puColumns;
    int* piColFmt;
    int iGroup;
};

LRESULT SendOrZero(HWND window, UINT message, WPARAM w, LPARAM l) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, w, l, SMTO_ABORTIFHUNG, 5000, &result)) return 0;
    return static_cast<LRESULT>(result);
}

int Rows(int argc, wchar_t** argv) {
    if (argc < 2) return kUsage;
    HWND window = Resolve(argv[0]);
    HWND list = window ? Control(window, argv[1]) : nullptr;
    if (!list) return kFailed;
    const int count = static_cast<int>(SendOrZero(list, kLvmGetItemCount, 0, 0));
    HWND header = reinterpret_cast<HWND>(SendOrZero(list, kLvmGetHeader, 0, 0));
    int columns = header ? static_cast<int>(SendOrZero(header, kHdmGetItemCount, 0, 0)) : 1;
    if (columns < 1) columns = 1;
    constexpr size_t kChars = 1024;
    RemoteBuffer memory(list, sizeof(ListItem) + kChars * sizeof(wchar_t));
    if (!memory.ok()) return kFailed;
    for (int row = 0; row < count; ++row) {
        const UINT state = static_cast<UINT>(SendOrZero(list, kLvmGetItemState, static_cast<WPARAM>(row), kLvisSelected));
        std::wstring line = std::to_wstring(row) + L"\t" + ((state & kLvisSelected) ? L"1" : L"0");
        for (int column = 0; column < columns; ++column) {
            ListItem item{};
            item.mask = kLvifText;
            item.iSubItem = column;
            item.pszText = reinterpret_cast<LPWSTR>(memory.at(sizeof(ListItem)));
            item.cchTextMax = static_cast<int>(kChars);
            wchar_t text[kChars] = {};
            if (!memory.Write(0, &item, sizeof item) || !memory.Write(sizeof(ListItem), text, sizeof text)) return kFailed;
            SendOrZero(list, kLvmGetItemTextW, static_cast<WPARAM>(row), static_cast<LPARAM>(memory.at(0)));
            if (!memory.Read(sizeof(ListItem), text, sizeof text)) return kFailed;
            text[kChars - 1] = 0;
            line += L"\t" + OneLine(text);
        }
        Write(line);
    }
    return kOk;
}

bool SelectRow(HWND list, RemoteBuffer& memory, int row) {
    ListItem item{};
    item.mask = kLvifState;
    item.state = kLvisSelected | kLvisFocused;
    item.stateMask = kLvisSelected | kLvisFocused;
    if (!memory.Write(0, &item, sizeof item)) return false;
    SendOrZero(list, kLvmSetItemState, static_cast<WPARAM>(row), static_cast<LPARAM>(memory.at(0)));
    return true;
}

int SelectListRow(int argc, wchar_t** argv) {
    uint64_t row = 0;
    if (argc < 3 || !ParseNumber(argv[2], row)) return kUsage;
    HWND window = Resolve(argv[0]);
    HWND list = window ? Control(window, argv[1]) : nullptr;
    if (!list) return kFailed;
    RemoteBuffer memory(list, sizeof(ListItem));
    if (!memory.ok()) return kFailed;
    return SelectRow(list, memory, static_cast<int>(row)) ? kOk : kFailed;
}

int Mouse(int argc, wchar_t** argv) {
    uint64_t x = 0, y = 0;
    if (argc < 3 || !ParseNumber(argv[1], x) || !ParseNumber(argv[2], y)) return kUsage;
    HWND window = Resolve(argv[0]);
    if (!window) return kFailed;
    SetForegroundWindow(GetAncestor(window, GA_ROOT));
    POINT p{static_cast<LONG>(x), static_cast<LONG>(y)};
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    if (SendInput(2, clicks, sizeof(INPUT)) != 2) return kFailed;
    Sleep(100);
    return kOk;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Waits until the window (and everything in it) has painted what it was told.
void WaitPainted(HWND window) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

int TimeSelect(int argc, wchar_t** argv) {
    uint64_t first = 0, second = 0, n = 0;
    if (argc < 5 || !ParseNumber(argv[2], first) || !ParseNumber(argv[3], second) || !ParseNumber(argv[4], n)) {
        return kUsage;
    }
    HWND window = Resolve(argv[0]);
    HWND list = window ? Control(window, argv[1]) : nullptr;
    if (!list) return kFailed;
    RemoteBuffer memory(list, sizeof(ListItem));
    if (!memory.ok()) return kFailed;
    for (uint64_t i = 0; i < n; ++i) {
        const int row = static_cast<int>(i % 2 == 0 ? first : second);
        LARGE_INTEGER start{}, end{};
        QueryPerformanceCounter(&start);
        if (!SelectRow(list, memory, row)) return kFailed;
        WaitPainted(window);
        QueryPerformanceCounter(&end);
        wchar_t text[32];
        swprintf(text, 32, L"%.2f", Milliseconds(start, end));
        Write(text);
    }
    return kOk;
}

int TimeOpen(int argc, wchar_t** argv) {
    uint64_t n = 0;
    Selector target;
    if (argc < 3 || !ParseSelector(argv[1], target) || !ParseNumber(argv[2], n)) return kUsage;
    // The tray window is never shown: hidden windows count here.
    Selector traySelector;
    if (!ParseSelector(argv[0], traySelector)) return kUsage;
    std::vector<HWND> trays = TopLevel(&traySelector, false);
    if (trays.empty()) return kFailed;
    HWND tray = trays.front();
    for (uint64_t i = 0; i < n; ++i) {
        LARGE_INTEGER start{}, end{};
        QueryPerformanceCounter(&start);
        PostMessageW(tray, WM_USER + 1, 0, WM_LBUTTONUP);
        HWND window = nullptr;
        const ULONGLONG limit = GetTickCount64() + 20000;
        while (!(window = Find(target))) {
            if (GetTickCount64() > limit) return kFailed;
            Sleep(1);
        }
        WaitPainted(window);
        QueryPerformanceCounter(&end);
        wchar_t text[32];
        swprintf(text, 32, L"%.2f", Milliseconds(start, end));
        Write(text);
        PostMessageW(window, WM_CLOSE, 0, 0);
        const ULONGLONG gone = GetTickCount64() + 20000;
        while (IsWindow(window)) {
            if (GetTickCount64() > gone) return kFailed;
            Sleep(10);
        }
        Sleep(300);  // the main window's thread releases the mutex
    }
    return kOk;
}


}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        Error(L"usage: wintool <command> [arguments]  (see tools/wine/wintool.cpp)");
        return kUsage;
    }
    const std::wstring command = argv[1];
    int n = argc - 2;
    wchar_t** a = argv + 2;
    int result = kUsage;
    if (command == L"windows") result = Windows(n, a);
    else if (command == L"wait") result = Wait(n, a, true);
    else if (command == L"exists") result = Wait(n, a, false);
    else if (command == L"gone") result = Gone(n, a);
    else if (command == L"controls") result = Controls(n, a);
    else if (command == L"text") result = Text(n, a);
    else if (command == L"click") result = Click(n, a);
    else if (command == L"command") result = Command(n, a);
    else if (command == L"settext") result = SetText(n, a);
    else if (command == L"select") result = Select(n, a);
    else if (command == L"send") result = Send(n, a, false);
    else if (command == L"post") result = Send(n, a, true);
    else if (command == L"keys") result = Keys(n, a);
    else if (command == L"clipboard") result = Clipboard();
    else if (command == L"shot") result = Shot(n, a);
    else if (command == L"pixel") result = Pixel(n, a);
    else if (command == L"close") result = Close(n, a);
    else if (command == L"children") result = Children(n, a);
    else if (command == L"rect") result = RectOf(n, a);
    else if (command == L"state") result = State(n, a);
    else if (command == L"focus") result = Focus(n, a);
    else if (command == L"setting-change") result = SettingChange(n, a);
    else if (command == L"move") result = Move(n, a);
    else if (command == L"has-colour") result = HasColour(n, a);
    else if (command == L"rows") result = Rows(n, a);
    else if (command == L"mouse") result = Mouse(n, a);
    else if (command == L"time-select") result = TimeSelect(n, a);
    else if (command == L"time-open") result = TimeOpen(n, a);
    else if (command == L"tips") result = Tips();
    else if (command == L"balloon") result = Balloon();
    else if (command == L"balloons") result = Balloons(n, a);
    else if (command == L"menus") result = Menus();
    else if (command == L"hover") result = Hover(n, a);
    if (result == kUsage) Error(L"wintool: bad usage of " + command);
    return result;
}
