#include "steps.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cwchar>
#include <map>

#include "text.h"
#include "ui.h"

namespace {

// The wizard frame's buttons.
const int kBackId = 12323;
const int kNextId = 12324;
const int kFinishId = 12325;

struct Session {
    DWORD timeoutMs = 30000;     // limit of each wait
    HWND window = nullptr;       // the current window (window step)
    HANDLE program = nullptr;    // the program started last
    HANDLE windowProgram = nullptr;  // the program of the current window
};
Session session;

[[noreturn]] void Fail(const std::wstring& what) { throw StepError{what}; }

void NeedArgs(const Step& step, size_t least, size_t most, const wchar_t* usage) {
    if (step.args.size() < least || step.args.size() > most) Fail(std::wstring(L"usage: ") + usage);
}

int Number(const std::wstring& text) {
    wchar_t* end = nullptr;
    long value = wcstol(text.c_str(), &end, 10);
    if (text.empty() || *end) Fail(L"not a number: " + text);
    return (int)value;
}

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

// Calls probe every 50 ms until it gives something true; fails after the
// time limit with "WHAT not seen".
template <class Probe>
auto Await(const std::wstring& what, Probe probe) -> decltype(probe()) {
    DWORD start = GetTickCount();
    for (;;) {
        auto found = probe();
        if (found) return found;
        if (GetTickCount() - start >= session.timeoutMs)
            Fail(what + L" not seen within " + std::to_wstring(session.timeoutMs / 1000) + L" s");
        Sleep(50);
    }
}

HWND CurrentWindow() {
    if (!session.window) Fail(L"no current window: a window step must come first");
    if (!IsWindow(session.window)) Fail(L"the current window has closed");
    return session.window;
}

// The visible control id of the current window, once it is there (and, when
// asked, enabled).
HWND AwaitControl(int id, bool enabled) {
    HWND window = CurrentWindow();
    return Await(L"control " + std::to_wstring(id) + (enabled ? L", visible and enabled," : L" visible"), [&] {
        HWND control = FindControl(window, id);
        return control && (!enabled || IsWindowEnabled(control)) ? control : nullptr;
    });
}

// A top-level window other than a message box whose caption holds the text,
// or else one of whose visible controls does.
HWND FindTopLevel(const std::wstring& text) {
    std::vector<HWND> windows;
    for (HWND window : TopLevelWindows())
        if (!IsMessageBox(window)) windows.push_back(window);
    for (HWND window : windows)
        if (Contains(TextOf(window), text)) return window;
    for (HWND window : windows)
        for (HWND control : VisibleControls(window))
            if (Contains(TextOf(control), text)) return window;
    return nullptr;
}

void Start(const std::wstring& commandLine) {
    std::wstring buffer = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &buffer[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        Fail(L"CreateProcess failed with error " + std::to_wstring(GetLastError()));
    CloseHandle(process.hThread);
    if (session.program) CloseHandle(session.program);
    session.program = process.hProcess;
}

void DoTimeout(const Step& step) {
    NeedArgs(step, 1, 1, L"timeout SECONDS");
    int seconds = Number(step.args[0]);
    if (seconds < 1 || seconds > 3600) Fail(L"a time limit from 1 to 3600 seconds");
    session.timeoutMs = (DWORD)seconds * 1000;
}

void DoStart(const Step& step) {
    if (step.rest.empty()) Fail(L"usage: start COMMAND-LINE");
    Print(L"start " + Quoted(step.rest));
    Start(step.rest);
}

void DoArp(const Step& step) {
    NeedArgs(step, 1, 1, L"arp KEY");
    std::wstring path = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + step.args[0];
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        Fail(L"no Add/Remove Programs entry " + step.args[0]);
    wchar_t value[1024] = L"";
    DWORD size = sizeof value - sizeof(wchar_t);
    LONG result = RegQueryValueExW(key, L"UninstallString", nullptr, nullptr, (BYTE*)value, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) Fail(L"the entry " + step.args[0] + L" has no UninstallString");
    Print(L"arp " + Quoted(step.args[0]) + L" start " + Quoted(value));
    Start(value);
}

void DoExit(const Step& step) {
    NeedArgs(step, 0, 1, L"exit [window]");
    bool ofWindow = step.args.size() == 1;
    if (ofWindow && step.args[0] != L"window") Fail(L"usage: exit [window]");
    HANDLE program = ofWindow ? session.windowProgram : session.program;
    if (!program) Fail(ofWindow ? L"no current window" : L"no program was started");
    if (WaitForSingleObject(program, session.timeoutMs) != WAIT_OBJECT_0)
        Fail(L"the program's end not seen within " + std::to_wstring(session.timeoutMs / 1000) + L" s");
    DWORD code = 0;
    GetExitCodeProcess(program, &code);
    Print(L"exit " + std::to_wstring(code));
}

void DoWindow(const Step& step) {
    NeedArgs(step, 1, 1, L"window TEXT");
    session.window = Await(L"window " + Quoted(step.args[0]), [&] { return FindTopLevel(step.args[0]); });
    DWORD processId = 0;
    GetWindowThreadProcessId(session.window, &processId);
    if (session.windowProgram) CloseHandle(session.windowProgram);
    session.windowProgram = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId);
    Print(L"window " + Quoted(TextOf(session.window)));
}

void DoGone(const Step& step) {
    NeedArgs(step, 1, 1, L"gone TEXT");
    Await(L"the end of window " + Quoted(step.args[0]), [&] { return FindTopLevel(step.args[0]) == nullptr; });
    Print(L"gone " + Quoted(step.args[0]));
}

void DoShow(const Step& step) {
    NeedArgs(step, 0, 1, L"show [ID]");
    if (step.args.size() == 1) AwaitControl(Number(step.args[0]), false);
    HWND window = CurrentWindow();
    Print(L"show " + Quoted(TextOf(window)));
    for (HWND control : VisibleControls(window)) Print(L"  " + Describe(control));
}

void DoUntil(const Step& step) {
    NeedArgs(step, 2, 2, L"until ID TEXT");
    int id = Number(step.args[0]);
    HWND window = CurrentWindow();
    HWND control = Await(L"control " + step.args[0] + L" reading " + Quoted(step.args[1]), [&] {
        HWND found = FindControl(window, id);
        return found && TextOf(found) == step.args[1] ? found : nullptr;
    });
    Print(L"text " + step.args[0] + L" " + Quoted(TextOf(control)));
}

void DoSet(const Step& step) {
    NeedArgs(step, 2, 2, L"set ID TEXT");
    HWND control = AwaitControl(Number(step.args[0]), true);
    if (!SendWithin(control, WM_SETTEXT, 0, (LPARAM)step.args[1].c_str()) || TextOf(control) != step.args[1])
        Fail(L"the text of control " + step.args[0] + L" did not change");
    Print(L"set " + step.args[0] + L" " + Quoted(step.args[1]));
}

void DoCheck(const Step& step) {
    NeedArgs(step, 2, 2, L"check ID on|off");
    if (step.args[1] != L"on" && step.args[1] != L"off") Fail(L"usage: check ID on|off");
    DWORD_PTR wanted = step.args[1] == L"on" ? BST_CHECKED : BST_UNCHECKED;
    HWND control = AwaitControl(Number(step.args[0]), true);
    DWORD_PTR state = 0;
    SendWithin(control, BM_GETCHECK, 0, 0, &state);
    if (state != wanted) SendWithin(control, BM_CLICK, 0, 0);
    SendWithin(control, BM_GETCHECK, 0, 0, &state);
    if (state != wanted) Fail(L"control " + step.args[0] + L" did not change its state");
    Print(L"check " + step.args[0] + L" " + step.args[1]);
}

void DoPress(const Step& step) {
    NeedArgs(step, 1, 1, L"press next|back|finish|cancel|ID");
    static const std::map<std::wstring, std::pair<int, int>> wizard = {
        {L"back", {PSBTN_BACK, kBackId}},
        {L"next", {PSBTN_NEXT, kNextId}},
        {L"finish", {PSBTN_FINISH, kFinishId}},
        {L"cancel", {PSBTN_CANCEL, IDCANCEL}},
    };
    auto named = wizard.find(step.args[0]);
    if (named != wizard.end()) {
        AwaitControl(named->second.second, true);
        PostMessageW(CurrentWindow(), PSM_PRESSBUTTON, named->second.first, 0);
    } else {
        int id = Number(step.args[0]);
        HWND button = AwaitControl(id, true);
        PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
    }
    Print(L"press " + step.args[0]);
}

int ButtonId(const std::wstring& name) {
    static const std::map<std::wstring, int> buttons = {
        {L"ok", IDOK}, {L"cancel", IDCANCEL}, {L"yes", IDYES}, {L"no", IDNO},
        {L"abort", IDABORT}, {L"retry", IDRETRY}, {L"ignore", IDIGNORE},
    };
    auto button = buttons.find(name);
    if (button == buttons.end()) Fail(L"no such answer: " + name);
    return button->second;
}

// A message box whose text holds one of the parts; which one in *index.
HWND FindMessageBox(const std::vector<std::wstring>& parts, size_t* index) {
    for (HWND window : TopLevelWindows()) {
        if (!IsMessageBox(window)) continue;
        std::wstring text = MessageBoxText(window);
        for (size_t i = 0; i < parts.size(); ++i) {
            if (Contains(text, parts[i])) {
                *index = i;
                return window;
            }
        }
    }
    return nullptr;
}

// Presses the button and prints the box; waits until the box has gone.
void Answer(HWND box, const std::wstring& answer) {
    int id = ButtonId(answer);
    HWND control = GetDlgItem(box, id);
    if (!control || !IsWindowVisible(control)) {
        std::wstring offered;
        for (HWND child : VisibleControls(box))
            if (ClassOf(child) == L"Button") offered += L" " + std::to_wstring(IdOf(child)) + L" " + Quoted(TextOf(child));
        Fail(L"the message box " + Quoted(MessageBoxText(box)) + L" has no button " + answer + L"; it offers" + offered);
    }
    Print(L"messagebox owner=" + OwnerOf(box) + L" caption=" + Quoted(TextOf(box)) + L" text=" +
          Quoted(MessageBoxText(box)) + L" answer=" + answer);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)control);
    Await(L"the message box closing", [&] { return !IsWindow(box) || !IsWindowVisible(box); });
}

void DoAnswer(const Step& step) {
    NeedArgs(step, 1, 2, L"answer ok|cancel|yes|no [TEXT]");
    ButtonId(step.args[0]);
    std::vector<std::wstring> parts = {step.args.size() > 1 ? step.args[1] : L""};
    size_t index = 0;
    HWND box = Await(L"a message box" + (parts[0].empty() ? L"" : L" saying " + Quoted(parts[0])),
                     [&] { return FindMessageBox(parts, &index); });
    Answer(box, step.args[0]);
}

// Boxes that come in an order the program does not fix (a directory walk):
// each ANSWER=TEXT answers the one box whose text holds TEXT.
void DoAnswers(const Step& step) {
    NeedArgs(step, 1, 100, L"answers ANSWER=TEXT...");
    std::vector<std::wstring> answers, parts;
    for (const std::wstring& arg : step.args) {
        size_t equals = arg.find(L'=');
        if (equals == std::wstring::npos || equals + 1 == arg.size()) Fail(L"usage: answers ANSWER=TEXT...");
        answers.push_back(arg.substr(0, equals));
        ButtonId(answers.back());
        parts.push_back(arg.substr(equals + 1));
    }
    while (!parts.empty()) {
        size_t index = 0;
        HWND box = Await(L"a message box saying " + Quoted(parts[0]) + (parts.size() > 1 ? L" or the like" : L""),
                         [&] { return FindMessageBox(parts, &index); });
        Answer(box, answers[index]);
        answers.erase(answers.begin() + index);
        parts.erase(parts.begin() + index);
    }
}

void DoClose(const Step& step) {
    NeedArgs(step, 1, 1, L"close TEXT");
    HWND window = Await(L"window " + Quoted(step.args[0]), [&] { return FindTopLevel(step.args[0]); });
    Print(L"close " + Quoted(TextOf(window)));
    PostMessageW(window, WM_CLOSE, 0, 0);
    Await(L"the window closing", [&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

void DoWindows(const Step& step) {
    NeedArgs(step, 0, 0, L"windows");
    Print(L"windows");
    for (HWND window : TopLevelWindows())
        Print(L"  " + Quoted(TextOf(window)) + L" " + ClassOf(window) +
              (IsMessageBox(window) ? L" text=" + Quoted(MessageBoxText(window)) : L""));
}

HKEY RootKey(const std::wstring& name) {
    static const std::map<std::wstring, HKEY> roots = {
        {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {L"HKLM", HKEY_LOCAL_MACHINE},
        {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},   {L"HKCU", HKEY_CURRENT_USER},
        {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {L"HKCR", HKEY_CLASSES_ROOT},
        {L"HKEY_USERS", HKEY_USERS},
    };
    auto root = roots.find(name);
    if (root == roots.end()) Fail(L"no such registry root: " + name);
    return root->second;
}

std::wstring ValueText(DWORD type, const std::vector<BYTE>& data) {
    const wchar_t* text = reinterpret_cast<const wchar_t*>(data.data());
    size_t chars = data.size() / sizeof(wchar_t);
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ: {
            std::wstring value(text, chars);
            value.resize(wcsnlen(value.c_str(), value.size()));
            return (type == REG_SZ ? L"REG_SZ " : L"REG_EXPAND_SZ ") + Quoted(value);
        }
        case REG_MULTI_SZ: {
            // Each string and its terminator; the list ends at an empty string
            // that is followed by nothing but the final terminator.
            std::wstring line = L"REG_MULTI_SZ";
            size_t at = 0;
            while (at < chars) {
                size_t end = at;
                while (end < chars && text[end]) ++end;
                if (end == at && end + 1 >= chars) break;
                line += L" " + Quoted(std::wstring(text + at, end - at));
                at = end + 1;
            }
            return line;
        }
        case REG_DWORD: {
            DWORD value = 0;
            if (data.size() >= sizeof value) value = *reinterpret_cast<const DWORD*>(data.data());
            return L"REG_DWORD " + std::to_wstring(value);
        }
    }
    return L"type " + std::to_wstring(type) + L", " + std::to_wstring(data.size()) + L" bytes";
}

void PrintValue(HKEY key, const std::wstring& name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        Print(L"  " + Quoted(name) + L" no such value");
        return;
    }
    std::vector<BYTE> data(size + 2 * sizeof(wchar_t));
    RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
    data.resize(size);
    Print(L"  " + (name.empty() ? std::wstring(L"@") : Quoted(name)) + L" " + ValueText(type, data));
}

void DoReg(const Step& step) {
    NeedArgs(step, 1, 2, L"reg KEY [VALUE]");
    const std::wstring& path = step.args[0];
    size_t slash = path.find(L'\\');
    HKEY root = RootKey(path.substr(0, slash));
    std::wstring subkey = slash == std::wstring::npos ? L"" : path.substr(slash + 1);
    HKEY key;
    if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        Print(L"reg " + Quoted(path) + L" no such key");
        return;
    }
    Print(L"reg " + Quoted(path));
    if (step.args.size() == 2) {
        PrintValue(key, step.args[1]);
    } else {
        std::vector<std::wstring> names;
        wchar_t name[16384];
        for (DWORD index = 0;; ++index) {
            DWORD length = 16384;
            if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            names.push_back(std::wstring(name, length));
        }
        std::sort(names.begin(), names.end());
        for (const std::wstring& value : names) PrintValue(key, value);
        std::vector<std::wstring> subkeys;
        for (DWORD index = 0;; ++index) {
            DWORD length = 256;
            if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            subkeys.push_back(std::wstring(name, length));
        }
        std::sort(subkeys.begin(), subkeys.end());
        for (const std::wstring& subkey : subkeys) Print(L"  key " + Quoted(subkey));
    }
    RegCloseKey(key);
}

void DoLongPath(const Step& step) {
    NeedArgs(step, 1, 1, L"longpath PATH");
    wchar_t path[MAX_PATH] = L"";
    DWORD length = GetLongPathNameW(step.args[0].c_str(), path, MAX_PATH);
    Print(L"longpath " + Quoted(step.args[0]) + L" " +
          (length && length < MAX_PATH ? Quoted(path) : L"error " + std::to_wstring(GetLastError())));
}

void DoPlatform(const Step& step) {
    NeedArgs(step, 0, 0, L"platform");
    DWORD version = GetVersion();
    char windows[MAX_PATH] = "", system[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    Print(L"platform version=" + std::to_wstring(LOBYTE(LOWORD(version))) + L"." +
          std::to_wstring(HIBYTE(LOWORD(version))) + (version & 0x80000000 ? L" family=9x" : L" family=nt") +
          L" acp=" + std::to_wstring(GetACP()) + L" windows=" + Quoted(FromAnsi(windows)) + L" system=" +
          Quoted(FromAnsi(system)));
}

}  // namespace

void RunStep(const Step& step) {
    static const std::map<std::wstring, void (*)(const Step&)> handlers = {
        {L"timeout", DoTimeout}, {L"start", DoStart},     {L"arp", DoArp},         {L"exit", DoExit},
        {L"window", DoWindow},   {L"gone", DoGone},       {L"show", DoShow},       {L"until", DoUntil},
        {L"set", DoSet},         {L"check", DoCheck},     {L"press", DoPress},     {L"answer", DoAnswer},
        {L"answers", DoAnswers},
        {L"close", DoClose},     {L"windows", DoWindows}, {L"reg", DoReg},         {L"platform", DoPlatform},
        {L"longpath", DoLongPath},
    };
    auto handler = handlers.find(step.name);
    if (handler == handlers.end()) Fail(L"no such step");
    handler->second(step);
}

void PrintScreen() {
    Print(L"screen:");
    for (HWND window : TopLevelWindows()) {
        Print(L"  window " + Quoted(TextOf(window)) + L" " + ClassOf(window));
        for (HWND control : VisibleControls(window)) Print(L"    " + Describe(control));
    }
}
