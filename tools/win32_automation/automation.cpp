// qev-automation: a test tool for the Windows program, not part of the
// product. Finds a top-level window by its title (waiting for it to appear),
// reads its controls back and drives them the way a user would, from another
// process; under Wine it lets a script check each dialog of the program.
//
//   qev-automation [--wait SECONDS] [--partial] COMMAND TITLE [ARGUMENTS]
//
//   dump TITLE                 describe the window and each of its controls
//   find TITLE                 print the window line only
//   wait-gone TITLE            wait until no such window exists
//   set-text TITLE ID TEXT     WM_SETTEXT on a control
//   set-address TITLE ID A.B.C.D   IPM_SETADDRESS on an address control
//   select TITLE ID INDEX      select a drop-down list entry (as the user would)
//   click TITLE ID             the command of button ID (BN_CLICKED), posted
//   key TITLE enter|escape|tab a key press at the focused control, posted
//   close TITLE                the close box (SC_CLOSE), posted
//   list                       every visible top-level window
//
// TITLE matches the whole title, or with --partial any part of it. --wait
// (default 10) bounds every wait. Output, one record a line, fields
// separated by tabs, texts escaped (\\ \t \r \n):
//
//   window  HANDLE CLASS STYLE LEFT TOP WIDTH HEIGHT CLIENT_WIDTH CLIENT_HEIGHT TITLE
//   screen  WIDTH HEIGHT           (the primary screen)
//   focus   ID                     (the control that has the keyboard focus)
//   default ID                     (the dialog's default push button, 0 if none)
//   control ID CLASS STYLE EXSTYLE X Y WIDTH HEIGHT VISIBLE ENABLED TEXT
//   entry   ID INDEX TEXT          (one per drop-down list entry)
//   selection ID INDEX
//   address ID A.B.C.D FILLED_FIELDS
//   progress ID LOW HIGH POSITION
//   icon    ID PRESENT RESOURCE    (PRESENT 1 when a static icon control holds
//                                   an icon; RESOURCE its icon's identifier)
//
// Control rectangles are in pixels of the window's client area, styles in
// hexadecimal. (The dialog manager turns an edit control's WS_BORDER into
// WS_EX_CLIENTEDGE, and a combo box passes WS_VSCROLL on to its list.) Exit code 0 on success, 1 when the window is not found in
// time, 2 on a usage error.
#include "platform/win32/windows_headers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

unsigned g_waitSeconds = 10;
bool g_partialTitle = false;

std::string Escape(const char* text) {
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) {
        switch (*p) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default: out += *p; break;
        }
    }
    return out;
}

// Every message to another process's window is sent with a time limit, so
// that a hung window cannot hang the tool.
constexpr UINT kReplyTimeoutMs = 5000;

LRESULT Ask(HWND window, UINT message, WPARAM wordParam, LPARAM longParam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(window, message, wordParam, longParam, SMTO_ABORTIFHUNG, kReplyTimeoutMs, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

LRESULT AskWide(HWND window, UINT message, WPARAM wordParam, LPARAM longParam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, wordParam, longParam, SMTO_ABORTIFHUNG, kReplyTimeoutMs, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

// A top-level window's title as the system keeps it: no message is sent.
std::string TitleOf(HWND window) {
    char title[1024];
    int length = ::GetWindowTextA(window, title, sizeof title);
    return std::string(title, length > 0 ? static_cast<size_t>(length) : 0);
}

// A control's text by WM_GETTEXT (marshalled across processes): what the
// control itself answers, the address control's dotted text included.
std::string WindowText(HWND window) {
    LRESULT length = Ask(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT copied = Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

std::string ClassOf(HWND window) {
    char name[256];
    int length = ::GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

bool SameClass(const std::string& name, const char* expected) { return ::lstrcmpiA(name.c_str(), expected) == 0; }

struct Search {
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM raw) {
    Search* search = reinterpret_cast<Search*>(raw);
    if (!::IsWindowVisible(window)) return TRUE;
    std::string title = TitleOf(window);
    bool matches = g_partialTitle ? title.find(search->title) != std::string::npos : title == search->title;
    if (!matches) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindTopLevel(const char* title) {
    Search search{title, nullptr};
    ::EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(const char* title) {
    DWORD start = ::GetTickCount();
    for (;;) {
        HWND window = FindTopLevel(title);
        if (window != nullptr) return window;
        if (::GetTickCount() - start >= g_waitSeconds * 1000u) return nullptr;
        ::Sleep(50);
    }
}

void PrintWindowLine(HWND window) {
    RECT frame, client;
    ::GetWindowRect(window, &frame);
    ::GetClientRect(window, &client);
    std::printf("window\t%p\t%s\t%08lx\t%ld\t%ld\t%ld\t%ld\t%ld\t%ld\t%s\n", static_cast<void*>(window),
                ClassOf(window).c_str(), static_cast<unsigned long>(::GetWindowLongA(window, GWL_STYLE)), frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                client.right, client.bottom, Escape(TitleOf(window).c_str()).c_str());
}

// A buffer in the window's own process, for the messages whose long
// parameter points at a result (IPM_GETADDRESS): such pointers are not
// carried across processes.
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, size_t size) : size_(size) {
        DWORD processId = 0;
        ::GetWindowThreadProcessId(window, &processId);
        process_ = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
        if (process_ != nullptr)
            address_ = ::VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (address_ != nullptr) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_ != nullptr) ::CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    bool valid() const { return address_ != nullptr; }
    LPARAM address() const { return reinterpret_cast<LPARAM>(address_); }
    bool Read(void* out) const {
        SIZE_T read = 0;
        return ::ReadProcessMemory(process_, address_, out, size_, &read) && read == size_;
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    size_t size_;
};

// An icon control's text is its icon's resource ordinal. The static control
// of user32 keeps it in its ANSI form: 0xFF, then the number's low and high
// bytes. The one of common controls 6 (the programs' manifest asks for them)
// is a Unicode window class and keeps the template's wide form: 0xFFFF, then
// the number; read as ANSI it would come out as '?'. -1 when the text is of
// neither form.
int IconResourceOf(HWND control) {
    wchar_t wide[4] = {0, 0, 0, 0};
    AskWide(control, WM_GETTEXT, 4, reinterpret_cast<LPARAM>(wide));
    if (wide[0] == 0xFFFF) return wide[1];
    unsigned char text[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    Ask(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    if (text[0] != 0xFF) return -1;
    return text[1] | (text[2] << 8);
}

bool IsIconControl(HWND control, const std::string& className) {
    return SameClass(className, "Static") && (::GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

void PrintControlDetails(HWND control, int id, const std::string& className) {
    if (SameClass(className, "ComboBox")) {
        LRESULT count = Ask(control, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            // The wide-character message: Wine hands CB_GETLBTEXT across
            // processes as wide characters even when asked in ANSI.
            LRESULT length = AskWide(control, CB_GETLBTEXTLEN, i, 0);
            if (length < 0) continue;
            std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
            AskWide(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&wide[0]));
            char entry[512];
            int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(length), entry,
                                              sizeof entry - 1, nullptr, nullptr);
            entry[bytes > 0 ? bytes : 0] = '\0';
            std::printf("entry\t%d\t%ld\t%s\n", id, static_cast<long>(i), Escape(entry).c_str());
        }
        std::printf("selection\t%d\t%ld\n", id, static_cast<long>(Ask(control, CB_GETCURSEL, 0, 0)));
    } else if (SameClass(className, WC_IPADDRESSA)) {
        RemoteBuffer buffer(control, sizeof(DWORD));
        DWORD address = 0;
        LRESULT filled = -1;
        if (buffer.valid()) {
            filled = Ask(control, IPM_GETADDRESS, 0, buffer.address());
            buffer.Read(&address);
        }
        std::printf("address\t%d\t%u.%u.%u.%u\t%ld\n", id, static_cast<unsigned>(FIRST_IPADDRESS(address)),
                    static_cast<unsigned>(SECOND_IPADDRESS(address)), static_cast<unsigned>(THIRD_IPADDRESS(address)),
                    static_cast<unsigned>(FOURTH_IPADDRESS(address)), static_cast<long>(filled));
    } else if (SameClass(className, PROGRESS_CLASSA)) {
        LRESULT low = Ask(control, PBM_GETRANGE, TRUE, 0);
        LRESULT high = Ask(control, PBM_GETRANGE, FALSE, 0);
        LRESULT position = Ask(control, PBM_GETPOS, 0, 0);
        std::printf("progress\t%d\t%ld\t%ld\t%ld\n", id, static_cast<long>(low), static_cast<long>(high),
                    static_cast<long>(position));
    } else if (IsIconControl(control, className)) {
        LRESULT icon = Ask(control, STM_GETICON, 0, 0);
        std::printf("icon\t%d\t%d\t%d\n", id, icon != 0 ? 1 : 0, IconResourceOf(control));
    }
}

struct DumpState {
    HWND dialog;
};

BOOL CALLBACK DumpChild(HWND control, LPARAM raw) {
    DumpState* state = reinterpret_cast<DumpState*>(raw);
    // EnumChildWindows walks grandchildren too (the address control's four
    // fields): only the dialog's own controls are described.
    if (::GetParent(control) != state->dialog) return TRUE;
    int id = ::GetDlgCtrlID(control);
    std::string className = ClassOf(control);
    RECT rect;
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, state->dialog, reinterpret_cast<POINT*>(&rect), 2);
    LONG style = ::GetWindowLongA(control, GWL_STYLE);
    LONG extendedStyle = ::GetWindowLongA(control, GWL_EXSTYLE);
    // An icon control's text is no text (see IconResourceOf).
    std::string text = IsIconControl(control, className) ? std::string() : WindowText(control);
    std::printf("control\t%d\t%s\t%08lx\t%08lx\t%ld\t%ld\t%ld\t%ld\t%d\t%d\t%s\n", id, className.c_str(),
                static_cast<unsigned long>(style), static_cast<unsigned long>(extendedStyle), rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top, ::IsWindowVisible(control) ? 1 : 0, ::IsWindowEnabled(control) ? 1 : 0,
                Escape(text.c_str()).c_str());
    PrintControlDetails(control, id, className);
    return TRUE;
}

int FocusedControlId(HWND dialog) {
    GUITHREADINFO info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    DWORD thread = ::GetWindowThreadProcessId(dialog, nullptr);
    if (!::GetGUIThreadInfo(thread, &info) || info.hwndFocus == nullptr) return 0;
    // The focus may sit in a part of a control (a field of the address control).
    HWND focus = info.hwndFocus;
    while (focus != nullptr && ::GetParent(focus) != dialog) focus = ::GetParent(focus);
    return focus != nullptr ? ::GetDlgCtrlID(focus) : 0;
}

HWND FocusedWindow(HWND dialog) {
    GUITHREADINFO info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    DWORD thread = ::GetWindowThreadProcessId(dialog, nullptr);
    if (!::GetGUIThreadInfo(thread, &info) || info.hwndFocus == nullptr) return dialog;
    return info.hwndFocus;
}

void Dump(HWND dialog) {
    PrintWindowLine(dialog);
    std::printf("screen\t%d\t%d\n", ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    std::printf("focus\t%d\n", FocusedControlId(dialog));
    LRESULT defaultId = Ask(dialog, DM_GETDEFID, 0, 0);
    std::printf("default\t%d\n", HIWORD(defaultId) == DC_HASDEFID ? LOWORD(defaultId) : 0);
    DumpState state{dialog};
    ::EnumChildWindows(dialog, DumpChild, reinterpret_cast<LPARAM>(&state));
}

bool ReadNumber(const char* text, long* value) {
    char* end = nullptr;
    long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0') return false;
    *value = number;
    return true;
}

bool ReadAddress(const char* text, DWORD* address) {
    unsigned parts[4];
    const char* p = text;
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        unsigned long part = std::strtoul(p, &end, 10);
        if (end == p || part > 255 || (i < 3 ? *end != '.' : *end != '\0')) return false;
        parts[i] = static_cast<unsigned>(part);
        p = end + 1;
    }
    *address = MAKEIPADDRESS(parts[0], parts[1], parts[2], parts[3]);
    return true;
}

BOOL CALLBACK ListWindow(HWND window, LPARAM) {
    if (::IsWindowVisible(window)) PrintWindowLine(window);
    return TRUE;
}

int Usage() {
    std::fputs("usage: qev-automation [--wait SECONDS] [--partial] COMMAND TITLE [ARGUMENTS]\n"
               "  commands: dump find wait-gone set-text set-address select click key close list\n",
               stderr);
    return 2;
}

HWND ControlOf(HWND dialog, const char* idText) {
    long id = 0;
    if (!ReadNumber(idText, &id)) return nullptr;
    return ::GetDlgItem(dialog, static_cast<int>(id));
}

int Run(int argc, char** argv) {
    int at = 1;
    while (at < argc && argv[at][0] == '-' && argv[at][1] == '-') {
        long seconds = 0;
        if (std::strcmp(argv[at], "--wait") == 0 && at + 1 < argc && ReadNumber(argv[at + 1], &seconds) &&
            seconds >= 0 && seconds <= 600) {
            g_waitSeconds = static_cast<unsigned>(seconds);
            at += 2;
        } else if (std::strcmp(argv[at], "--partial") == 0) {
            g_partialTitle = true;
            ++at;
        } else {
            return Usage();
        }
    }
    if (at >= argc) return Usage();
    const char* command = argv[at++];
    if (std::strcmp(command, "list") == 0) {
        ::EnumWindows(ListWindow, 0);
        return 0;
    }
    if (at >= argc) return Usage();
    const char* title = argv[at++];
    const int extra = argc - at;
    char** arguments = argv + at;

    if (std::strcmp(command, "wait-gone") == 0) {
        DWORD start = ::GetTickCount();
        while (FindTopLevel(title) != nullptr) {
            if (::GetTickCount() - start >= g_waitSeconds * 1000u) {
                std::fprintf(stderr, "qev-automation: \"%s\" is still open\n", title);
                return 1;
            }
            ::Sleep(50);
        }
        std::puts("gone");
        return 0;
    }

    HWND dialog = WaitForWindow(title);
    if (dialog == nullptr) {
        std::fprintf(stderr, "qev-automation: no window \"%s\" within %u seconds\n", title, g_waitSeconds);
        return 1;
    }

    if (std::strcmp(command, "dump") == 0 && extra == 0) {
        Dump(dialog);
    } else if (std::strcmp(command, "find") == 0 && extra == 0) {
        PrintWindowLine(dialog);
    } else if (std::strcmp(command, "set-text") == 0 && extra == 2) {
        HWND control = ControlOf(dialog, arguments[0]);
        if (control == nullptr) return Usage();
        Ask(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(arguments[1]));
    } else if (std::strcmp(command, "set-address") == 0 && extra == 2) {
        HWND control = ControlOf(dialog, arguments[0]);
        DWORD address = 0;
        if (control == nullptr || !ReadAddress(arguments[1], &address)) return Usage();
        Ask(control, IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
    } else if (std::strcmp(command, "select") == 0 && extra == 2) {
        HWND control = ControlOf(dialog, arguments[0]);
        long index = 0;
        if (control == nullptr || !ReadNumber(arguments[1], &index)) return Usage();
        Ask(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(control), CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(control));
    } else if (std::strcmp(command, "click") == 0 && extra == 1) {
        // Posted, not sent: the command may open a message box or end the
        // dialog, and this tool must not wait for either.
        long id = 0;
        if (!ReadNumber(arguments[0], &id)) return Usage();
        HWND control = ::GetDlgItem(dialog, static_cast<int>(id));
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    } else if (std::strcmp(command, "key") == 0 && extra == 1) {
        WPARAM key = 0;
        if (std::strcmp(arguments[0], "enter") == 0) key = VK_RETURN;
        else if (std::strcmp(arguments[0], "escape") == 0) key = VK_ESCAPE;
        else if (std::strcmp(arguments[0], "tab") == 0) key = VK_TAB;
        else return Usage();
        HWND target = FocusedWindow(dialog);
        UINT scan = ::MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
        ::PostMessageA(target, WM_KEYDOWN, key, static_cast<LPARAM>(1 | (scan << 16)));
        ::PostMessageA(target, WM_KEYUP, key, static_cast<LPARAM>(1 | (scan << 16) | (3u << 30)));
    } else if (std::strcmp(command, "close") == 0 && extra == 0) {
        ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
        return Usage();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int code = Run(argc, argv);
    std::fflush(stdout);
    return code;
}
