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
//                                        window (CB_SETCURSEL, then CBN_SELCHANGE)
//   wintool send <window> <msg> [w] [l]  SendMessage; prints the result
//   wintool post <window> <msg> [w] [l]  PostMessage
//   wintool keys <window> <key>...       brings it to the front and types: a, c, enter,
//                                        escape, space, tab, f1 ... with ctrl+ / alt+ / shift+
//   wintool clipboard                    the clipboard's text
//   wintool shot <window>|desktop <file> the picture of the window on the screen, as BMP
//   wintool pixel <window> <x> <y>       RRGGBB of a pixel of the client area
//   wintool close <window>               posts WM_CLOSE
//
// <window> is a handle (0x...) or "class|title": either part may be empty or
// "*" (any); the title may end in "*" (begins with). Numbers are decimal or 0x...
//
// Exit codes: 0 done, 1 bad usage, 2 not found, timed out or failed.
#include <windows.h>

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

int Select(int argc, wchar_t** argv) {
    uint64_t index = 0;
    if (argc < 3 || !ParseNumber(argv[2], index)) return kUsage;
    HWND window = Resolve(argv[0]);
    HWND control = window ? Control(window, argv[1]) : nullptr;
    if (!control) return kFailed;
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

// A 24-bit bottom-up BMP of a screen rectangle.
bool SaveScreen(const RECT& r, const wchar_t* path) {
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
        const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        const DWORD imageSize = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + imageSize;
        HANDLE out = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ok = WriteFile(out, &file, sizeof file, &written, nullptr) &&
                 WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
                 WriteFile(out, bits, imageSize, &written, nullptr);
            CloseHandle(out);
        }
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
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

int Close(int argc, wchar_t** argv) {
    if (argc < 1) return kUsage;
    HWND window = Resolve(argv[0]);
    if (!window) return kFailed;
    return PostMessageW(window, WM_CLOSE, 0, 0) ? kOk : kFailed;
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
    if (result == kUsage) Error(L"wintool: bad usage of " + command);
    return result;
}
