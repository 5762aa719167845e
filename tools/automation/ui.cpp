#include "ui.h"

#include <commctrl.h>

#include "text.h"

namespace {

const UINT kSendTimeoutMs = 5000;

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM list) {
    if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectDescendants(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

bool IsCheckBox(HWND button) {
    switch (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return true;
    }
    return false;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z') c = (wchar_t)(c - L'A' + L'a');
    return text;
}

}  // namespace

bool SendWithin(HWND window, UINT message, WPARAM first, LPARAM second, DWORD_PTR* result) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, message, first, second, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                               result ? result : &ignored) != 0;
}

std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendWithin(window, WM_GETTEXTLENGTH, 0, 0, &length)) return L"<no answer>";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendWithin(window, WM_GETTEXT, text.size(), (LPARAM)&text[0], &copied)) return L"<no answer>";
    text.resize(copied < text.size() ? copied : text.size() - 1);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}

int IdOf(HWND control) { return (short)GetDlgCtrlID(control); }

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectTopLevel, (LPARAM)&windows);
    return windows;
}

std::vector<HWND> VisibleControls(HWND window) {
    std::vector<HWND> all, visible;
    EnumChildWindows(window, CollectDescendants, (LPARAM)&all);
    for (HWND control : all)
        if (IsWindowVisible(control) && ClassOf(control) != L"#32770") visible.push_back(control);
    return visible;
}

HWND FindControl(HWND window, int id) {
    for (HWND control : VisibleControls(window))
        if (IdOf(control) == id) return control;
    return nullptr;
}

bool IsMessageBox(HWND window) {
    if (ClassOf(window) != L"#32770") return false;
    HWND text = GetDlgItem(window, 0xFFFF);
    if (!text || Lower(ClassOf(text)) != L"static") return false;
    // Dialogs have unnumbered statics too: a message box has nothing but
    // statics and the buttons IDOK to IDCONTINUE.
    std::vector<HWND> children;
    EnumChildWindows(window, CollectDescendants, (LPARAM)&children);
    for (HWND child : children) {
        std::wstring cls = Lower(ClassOf(child));
        int id = IdOf(child);
        if (cls != L"static" && !(cls == L"button" && id >= IDOK && id <= 11)) return false;
    }
    return true;
}

std::wstring MessageBoxText(HWND box) { return TextOf(GetDlgItem(box, 0xFFFF)); }

std::wstring OwnerOf(HWND window) {
    HWND owner = GetWindow(window, GW_OWNER);
    return owner ? Quoted(TextOf(owner)) : L"none";
}

std::wstring Describe(HWND control) {
    std::wstring cls = Lower(ClassOf(control));
    std::wstring line = std::to_wstring(IdOf(control)) + L" " + cls;
    if (cls == L"msctls_progress32") {
        DWORD_PTR pos = 0, low = 0, high = 0;
        SendWithin(control, PBM_GETPOS, 0, 0, &pos);
        SendWithin(control, PBM_GETRANGE, TRUE, 0, &low);
        SendWithin(control, PBM_GETRANGE, FALSE, 0, &high);
        line += L" pos=" + std::to_wstring(pos) + L" range=" + std::to_wstring(low) + L".." + std::to_wstring(high);
    } else {
        line += L" " + Quoted(TextOf(control));
    }
    if (cls == L"listbox") {
        // The first items; the text of an item is copied across processes.
        DWORD_PTR count = 0;
        SendWithin(control, LB_GETCOUNT, 0, 0, &count);
        line += L" items=" + std::to_wstring(count);
        for (DWORD_PTR i = 0; i < count && i < 8; ++i) {
            DWORD_PTR length = 0;
            if (!SendWithin(control, LB_GETTEXTLEN, i, 0, &length) || length > 1024) break;
            std::wstring item(length + 1, L'\0');
            DWORD_PTR copied = 0;
            if (!SendWithin(control, LB_GETTEXT, i, (LPARAM)&item[0], &copied) || copied > length) break;
            item.resize(copied);
            line += L" " + Quoted(item);
        }
    }
    if (cls == L"button" && IsCheckBox(control)) {
        DWORD_PTR state = 0;
        SendWithin(control, BM_GETCHECK, 0, 0, &state);
        line += state == BST_CHECKED ? L" checked" : L" unchecked";
    }
    if (!IsWindowEnabled(control)) line += L" disabled";
    return line;
}
