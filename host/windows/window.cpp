// Window objects behind HWND and the calls that read and change them: text,
// state, parent, window longs, placement.
#include <exception>
#include <map>
#include <memory>

#include "core/codepage.h"
#include "core/machine.h"
#include "windows/window.h"

namespace host {

namespace {

constexpr int kScreenWidth = 1024;   // pixels
constexpr int kScreenHeight = 768;   // pixels

std::map<HWND, std::unique_ptr<Window>> gWindows;  // every live window
uintptr_t gNextHandle = 0x10010;                   // handles are never reused
HWND gFocus = nullptr;                             // the window with the focus

// 6 x 12 pixels per 4 x 8 dialog units (MS P Gothic at 9 points): 1.5 either way.
int Scale(int units) { return units >= 0 ? (units * 3 + 1) / 2 : -((-units * 3 + 1) / 2); }

bool IsChildWindow(const Window& window) { return window.role == Role::kControl || window.role == Role::kPage; }

// Top-left of a window's client area on the screen.
POINT ClientOrigin(const Window& window) {
    POINT origin{window.rect.left + window.inset.left, window.rect.top + window.inset.top};
    if (const Window* parent = IsChildWindow(window) ? FindWindowObject(window.parent) : nullptr) {
        POINT base = ClientOrigin(*parent);
        origin.x += base.x;
        origin.y += base.y;
    }
    return origin;
}

}  // namespace

Window* FindWindowObject(HWND handle) {
    auto found = gWindows.find(handle);
    if (found != gWindows.end()) return found->second.get();
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
}

Window& CreateWindowObject(Role role, const std::string& className, HWND parent) {
    InstallDescriber();
    auto window = std::make_unique<Window>();
    window->handle = reinterpret_cast<HWND>(gNextHandle);
    gNextHandle += 4;
    window->role = role;
    window->className = className;
    window->parent = parent;
    Window& made = *window;
    gWindows[made.handle] = std::move(window);
    if (IsChildWindow(made)) {
        if (Window* up = FindWindowObject(parent)) up->children.push_back(made.handle);
    }
    return made;
}

void DestroyWindowObject(HWND handle) {
    Window* window = FindWindowObject(handle);
    if (!window) return;
    bool quiet = std::uncaught_exceptions() > 0;  // no program code while unwinding
    if (!quiet && window->role != Role::kControl) Dispatch(*window, WM_DESTROY, 0, 0);
    if (!IsWindow(handle)) return;
    window = FindWindowObject(handle);
    std::vector<HWND> children = window->children;
    for (HWND child : children) DestroyWindowObject(child);
    if (Window* parent = IsChildWindow(*window) ? FindWindowObject(window->parent) : nullptr) {
        std::vector<HWND>& siblings = parent->children;
        for (size_t i = 0; i < siblings.size(); ++i)
            if (siblings[i] == handle) siblings.erase(siblings.begin() + i--);
    }
    if (gFocus == handle) gFocus = nullptr;
    ForgetWindow(handle);
    gWindows.erase(handle);
}

Window* ChildById(const Window& dialog, int id) {
    for (HWND child : dialog.children) {
        Window* control = FindWindowObject(child);
        if (control && control->role == Role::kControl && control->id == id) return control;
    }
    return nullptr;
}

Window* DialogOf(Window& window) {
    if (window.role != Role::kControl) return &window;
    return FindWindowObject(window.parent);
}

RECT PixelsFromUnits(int x, int y, int width, int height) {
    return RECT{Scale(x), Scale(y), Scale(x + width), Scale(y + height)};
}

size_t FittingLength(const std::string& text, size_t limit) {
    size_t at = 0;
    while (at < text.size()) {
        size_t step = IsLeadByte932(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
        if (at + step > limit) break;
        at += step;
    }
    return at;
}

void SetTextByProgram(Window& window, const std::string& text) {
    if (window.text == text) return;
    window.text = text;
    NoteText(window);
}

}  // namespace host

using host::FindWindowObject;
using host::Window;

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    if (!FindWindowObject(window)) return FALSE;
    return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextA(HWND window, LPSTR text, int size) {
    if (!text || size <= 0) return 0;
    text[0] = 0;
    if (!FindWindowObject(window)) return 0;
    return static_cast<int>(SendMessageA(window, WM_GETTEXT, size, reinterpret_cast<LPARAM>(text)));
}

BOOL EnableWindow(HWND handle, BOOL enable) {
    Window* window = FindWindowObject(handle);
    if (!window) return FALSE;
    BOOL wasDisabled = !window->enabled;
    if (window->enabled != (enable != FALSE)) {
        window->enabled = enable != FALSE;
        host::NoteEnabled(*window);
    }
    return wasDisabled;
}

// Every command but SW_HIDE shows; no minimising or maximising here.
BOOL ShowWindow(HWND handle, int command) {
    Window* window = FindWindowObject(handle);
    if (!window) return FALSE;
    BOOL wasVisible = window->visible;
    bool show = command != SW_HIDE;
    if (window->visible != show) {
        window->visible = show;
        host::NoteVisible(*window);
    }
    return wasVisible;
}

// The focus is only remembered: no WM_SETFOCUS or WM_KILLFOCUS.
HWND SetFocus(HWND handle) {
    if (handle && !FindWindowObject(handle)) return nullptr;
    HWND previous = host::gFocus;
    host::gFocus = handle;
    return previous;
}

HWND GetFocus(void) { return host::gFocus; }

// There is one thread and one active window; nothing to bring forward.
BOOL SetForegroundWindow(HWND handle) { return FindWindowObject(handle) ? TRUE : FALSE; }

BOOL IsWindow(HWND handle) { return host::gWindows.count(handle) ? TRUE : FALSE; }

BOOL IsWindowEnabled(HWND handle) {
    Window* window = FindWindowObject(handle);
    return window && window->enabled ? TRUE : FALSE;
}

// True when the window and all its parents are shown, as on Windows.
BOOL IsWindowVisible(HWND handle) {
    for (Window* window = FindWindowObject(handle); window;) {
        if (!window->visible) return FALSE;
        if (!host::IsChildWindow(*window)) return TRUE;
        window = FindWindowObject(window->parent);
    }
    return FALSE;
}

int GetDlgCtrlID(HWND handle) {
    Window* window = FindWindowObject(handle);
    return window && window->role == host::Role::kControl ? window->id : 0;
}

HWND GetParent(HWND handle) {
    Window* window = FindWindowObject(handle);
    return window ? window->parent : nullptr;
}

// The dialog longs and GWL_STYLE, GWL_EXSTYLE, GWL_ID; DWL_DLGPROC cannot
// hold a host pointer in 32 bits and is refused.
LONG SetWindowLongA(HWND handle, int index, LONG value) {
    Window* window = FindWindowObject(handle);
    if (!window) return 0;
    bool dialog = window->role != host::Role::kControl;
    LONG previous = 0;
    if (dialog && index == DWL_MSGRESULT) {
        previous = window->msgResult;
        window->msgResult = value;
    } else if (dialog && index == DWL_USER) {
        previous = window->user;
        window->user = value;
    } else if (index == GWL_STYLE) {
        previous = GetWindowLongA(handle, GWL_STYLE);
        window->style = static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_DISABLED);
        window->visible = (value & WS_VISIBLE) != 0;
        window->enabled = (value & WS_DISABLED) == 0;
    } else if (index == GWL_EXSTYLE) {
        previous = static_cast<LONG>(window->exStyle);
        window->exStyle = static_cast<DWORD>(value);
    } else if (index == GWL_ID) {
        previous = window->id;
        window->id = value;
    } else {
        host::SetError(ERROR_INVALID_INDEX);
        return 0;
    }
    return previous;
}

LONG GetWindowLongA(HWND handle, int index) {
    Window* window = FindWindowObject(handle);
    if (!window) return 0;
    bool dialog = window->role != host::Role::kControl;
    if (dialog && index == DWL_MSGRESULT) return window->msgResult;
    if (dialog && index == DWL_USER) return window->user;
    if (index == GWL_STYLE)
        return static_cast<LONG>((window->style & ~(WS_VISIBLE | WS_DISABLED)) | (window->visible ? WS_VISIBLE : 0) |
                                 (window->enabled ? 0 : WS_DISABLED));
    if (index == GWL_EXSTYLE) return static_cast<LONG>(window->exStyle);
    if (index == GWL_ID) return window->id;
    host::SetError(ERROR_INVALID_INDEX);
    return 0;
}

BOOL GetWindowRect(HWND handle, LPRECT rect) {
    Window* window = FindWindowObject(handle);
    if (!window || !rect) return FALSE;
    POINT origin{window->rect.left, window->rect.top};
    if (Window* parent = host::IsChildWindow(*window) ? FindWindowObject(window->parent) : nullptr) {
        POINT base = host::ClientOrigin(*parent);
        origin.x += base.x;
        origin.y += base.y;
    }
    rect->left = origin.x;
    rect->top = origin.y;
    rect->right = origin.x + (window->rect.right - window->rect.left);
    rect->bottom = origin.y + (window->rect.bottom - window->rect.top);
    return TRUE;
}

// The screen is 1024 x 768; other metrics are 0.
int GetSystemMetrics(int index) {
    if (index == SM_CXSCREEN) return host::kScreenWidth;
    if (index == SM_CYSCREEN) return host::kScreenHeight;
    return 0;
}

// Moves and sizes only; there is no z-order and no activation.
BOOL SetWindowPos(HWND handle, HWND, int x, int y, int cx, int cy, UINT flags) {
    Window* window = FindWindowObject(handle);
    if (!window) return FALSE;
    RECT& rect = window->rect;
    if (!(flags & SWP_NOMOVE)) {
        rect.right += x - rect.left;
        rect.bottom += y - rect.top;
        rect.left = x;
        rect.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        rect.right = rect.left + (cx < 0 ? 0 : cx);
        rect.bottom = rect.top + (cy < 0 ? 0 : cy);
    }
    return TRUE;
}
