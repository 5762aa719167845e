// PropertySheetA in wizard form: the frame with Back, Next/Finish and
// Cancel, pages made from their templates when first shown, and the PSN_
// notifications that let the pages steer it.
#include <algorithm>

#include "windows/window.h"

namespace host {

namespace {

constexpr int kMargin = 7;         // dialog units around the page
constexpr int kButtonGap = 11;     // dialog units between the page and the buttons
constexpr int kButtonWidth = 50;   // dialog units
constexpr int kButtonHeight = 14;  // dialog units

struct SheetPage {
    PROPSHEETPAGEA record;          // the program's record, as given; WM_INITDIALOG points here
    const DialogTemplate* dialog;   // its template
    HWND window;                    // made when first shown, else null
};

struct Sheet {
    HWND frame = nullptr;           // the frame window
    std::vector<SheetPage> pages;   // in the header's order
    int current = -1;               // index of the page on screen
    Modal* modal = nullptr;         // the frame's loop
};

Sheet* SheetOf(HWND frame) {
    Window* window = FindWindowObject(frame);
    return window && window->role == Role::kFrame ? static_cast<Sheet*>(window->behind) : nullptr;
}

int PageCount(const Sheet& sheet) { return static_cast<int>(sheet.pages.size()); }

// Sends a notification to a page that exists; 0 for one not yet made.
LRESULT Notify(Sheet& sheet, int index, UINT code) {
    HWND page = sheet.pages[index].window;
    if (!page || !IsWindow(page)) return 0;
    PSHNOTIFY note{};
    note.hdr.hwndFrom = sheet.frame;
    note.hdr.code = code;
    return SendMessageA(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&note));
}

void SetButtons(Sheet& sheet, UINT flags) {
    Window* frame = FindWindowObject(sheet.frame);
    if (!frame) return;
    std::string before = WizardButtonNames(*frame);
    Window* back = ChildById(*frame, kBackButton);
    Window* next = ChildById(*frame, kNextButton);
    Window* finish = ChildById(*frame, kFinishButton);
    bool finishShown = (flags & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH)) != 0;
    back->enabled = (flags & PSWIZB_BACK) != 0;
    next->visible = !finishShown;
    next->enabled = (flags & PSWIZB_NEXT) != 0;
    finish->visible = finishShown;
    finish->enabled = (flags & PSWIZB_FINISH) != 0;
    NoteButtons(*frame, before);
}

bool MakePage(Sheet& sheet, int index) {
    SheetPage& page = sheet.pages[index];
    if (page.window) return IsWindow(page.window);
    Window& window = BuildDialog(*page.dialog, Role::kPage, sheet.frame, page.record.pfnDlgProc);
    int width = page.dialog->width, height = page.dialog->height;
    window.units = RECT{kMargin, kMargin, kMargin + width, kMargin + height};
    window.rect = PixelsFromUnits(kMargin, kMargin, width, height);
    page.window = window.handle;
    HWND first = FirstTabStop(window);
    SendMessageA(page.window, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), reinterpret_cast<LPARAM>(&page.record));
    return IsWindow(page.window);
}

int IndexOfTemplate(const Sheet& sheet, LRESULT id) {
    for (int i = 0; i < PageCount(sheet); ++i)
        if (sheet.pages[i].dialog->id == id) return i;
    return -1;
}

// Makes page `index` current. The page that loses its place may refuse
// (PSN_KILLACTIVE); the new one may ask to be passed over (PSN_SETACTIVE
// -1: go on by `step`) or name another page by its template number.
bool Activate(Sheet& sheet, int index, int step) {
    if (sheet.current >= 0 && index != sheet.current && Notify(sheet, sheet.current, PSN_KILLACTIVE)) return false;
    for (int tries = 0; tries <= PageCount(sheet); ++tries) {
        if (!MakePage(sheet, index)) return false;
        if (index != sheet.current) {
            if (sheet.current >= 0) {
                if (Window* old = FindWindowObject(sheet.pages[sheet.current].window)) {
                    old->visible = false;
                    old->announced = false;
                }
            }
            sheet.current = index;
            if (Window* shown = FindWindowObject(sheet.pages[index].window)) shown->visible = true;
        }
        LRESULT answer = Notify(sheet, index, PSN_SETACTIVE);
        if (answer == 0 || sheet.modal->ended) return true;
        int target = answer == -1 ? index + step : IndexOfTemplate(sheet, answer);
        if (target < 0 || target >= PageCount(sheet) || target == index) return true;
        index = target;
    }
    return true;
}

void Close(Sheet& sheet, INT_PTR result) {
    sheet.modal->ended = true;
    sheet.modal->result = result;
}

// Next and Back: PSN_WIZNEXT/PSN_WIZBACK answered -1 keeps the page, 0 moves
// on by one, a template number goes to that page.
void Move(Sheet& sheet, UINT code, int step) {
    LRESULT answer = Notify(sheet, sheet.current, code);
    if (answer == -1 || sheet.modal->ended) return;
    int target = answer == 0 ? sheet.current + step : IndexOfTemplate(sheet, answer);
    if (target >= 0 && target < PageCount(sheet)) Activate(sheet, target, step);
}

void Finish(Sheet& sheet) {
    if (Notify(sheet, sheet.current, PSN_WIZFINISH) == 0) Close(sheet, 1);
}

void Cancel(Sheet& sheet) {
    if (Notify(sheet, sheet.current, PSN_QUERYCANCEL)) return;
    for (int i = 0; i < PageCount(sheet); ++i) Notify(sheet, i, PSN_RESET);
    Close(sheet, 0);
}

void Command(Sheet& sheet, int id) {
    switch (id) {
        case kBackButton: Move(sheet, PSN_WIZBACK, -1); break;
        case kNextButton: Move(sheet, PSN_WIZNEXT, +1); break;
        case kFinishButton: Finish(sheet); break;
        case IDCANCEL: Cancel(sheet); break;
        default: break;
    }
}

// PSM_PRESSBUTTON: a click on a usable button, carried out at once.
void PressButton(Sheet& sheet, WPARAM which) {
    static const int kIds[] = {kBackButton, kNextButton, kFinishButton, 0, 0, IDCANCEL};
    if (which >= sizeof kIds / sizeof kIds[0] || !kIds[which]) return;
    Window* frame = FindWindowObject(sheet.frame);
    Window* button = frame ? ChildById(*frame, kIds[which]) : nullptr;
    if (button && button->visible && button->enabled) Command(sheet, kIds[which]);
}

INT_PTR CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    Sheet* sheet = SheetOf(frame);
    if (!sheet) return FALSE;
    switch (message) {
        case PSM_SETWIZBUTTONS:
            SetButtons(*sheet, static_cast<UINT>(lParam));
            return TRUE;
        case PSM_SETCURSEL: {
            int index = static_cast<int>(wParam);
            bool changed = index >= 0 && index < PageCount(*sheet) &&
                           Activate(*sheet, index, index >= sheet->current ? +1 : -1);
            SetMsgResult(frame, changed);
            return TRUE;
        }
        case PSM_PRESSBUTTON:
            PressButton(*sheet, wParam);
            return TRUE;
        case WM_COMMAND:
            Command(*sheet, LOWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            Cancel(*sheet);
            return TRUE;
        default:
            return FALSE;
    }
}

void MakeButton(Window& frame, int id, const char* text, int x, int y) {
    Window& button = CreateWindowObject(Role::kControl, "button", frame.handle);
    button.id = id;
    button.text = text;
    button.style = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON;
    button.visible = true;
    button.units = RECT{x, y, x + kButtonWidth, y + kButtonHeight};
    button.rect = PixelsFromUnits(x, y, kButtonWidth, kButtonHeight);
}

bool PageSizeAccepted(DWORD size) { return size == 40 || size == 48 || size == sizeof(PROPSHEETPAGEA); }
bool HeaderSizeAccepted(DWORD size) { return size == 40 || size == 52 || size == sizeof(PROPSHEETHEADERA); }

}  // namespace

Window* CurrentPage(Window& frame) {
    Sheet* sheet = SheetOf(frame.handle);
    if (!sheet || sheet->current < 0) return nullptr;
    return FindWindowObject(sheet->pages[sheet->current].window);
}

std::string WizardButtonNames(Window& frame) {
    static const struct {
        int id;
        const char* name;
    } kButtons[] = {{kBackButton, "back"}, {kNextButton, "next"}, {kFinishButton, "finish"}, {IDCANCEL, "cancel"}};
    std::string names;
    for (const auto& button : kButtons) {
        Window* control = ChildById(frame, button.id);
        if (!control || !control->visible || !control->enabled) continue;
        if (!names.empty()) names += ",";
        names += button.name;
    }
    return names.empty() ? "none" : names;
}

}  // namespace host

using host::Window;

// Nothing to register: the classes are built in.
void InitCommonControls(void) {}

// Wizards only (PSH_WIZARD with PSH_PROPSHEETPAGE), modal; no page or sheet
// callbacks, no icons or bitmaps. The record sizes 40/48 (pages) and 40/52
// (header) are the 32-bit Windows sizes the program writes; the page array
// is walked by this build's own record size.
INT_PTR PropertySheetA(LPCPROPSHEETHEADERA header) {
    if (!header || !host::HeaderSizeAccepted(header->dwSize)) return -1;
    DWORD flags = header->dwFlags;
    if (!(flags & PSH_WIZARD) || !(flags & PSH_PROPSHEETPAGE) || (flags & PSH_MODELESS)) return -1;
    if (header->nPages == 0 || !header->ppsp) return -1;
    if (header->hwndParent && !IsWindow(header->hwndParent)) return -1;
    host::Sheet sheet;
    int width = 0, height = 0;
    for (UINT i = 0; i < header->nPages; ++i) {
        const PROPSHEETPAGEA& record = header->ppsp[i];
        if (!host::PageSizeAccepted(record.dwSize) || (record.dwFlags & PSP_DLGINDIRECT) || !record.pfnDlgProc) return -1;
        const host::DialogTemplate* dialog = host::LookupTemplate(record.pszTemplate);
        if (!dialog) return -1;
        sheet.pages.push_back({record, dialog, nullptr});
        width = std::max(width, dialog->width);
        height = std::max(height, dialog->height);
    }
    host::Modal modal;  // the sheet and the loop outlive the frame
    Window& frame = host::CreateWindowObject(host::Role::kFrame, "#32770", header->hwndParent);
    host::WindowGuard guard(frame.handle);
    sheet.frame = frame.handle;
    sheet.modal = &modal;
    modal.top = frame.handle;
    frame.modal = &modal;
    frame.behind = &sheet;
    frame.dialogProc = host::FrameProc;
    frame.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    frame.visible = true;
    if (header->pszCaption && !IS_INTRESOURCE(header->pszCaption)) frame.text = header->pszCaption;
    int clientWidth = width + 2 * host::kMargin;
    int buttonTop = host::kMargin + height + host::kButtonGap;
    int clientHeight = buttonTop + host::kButtonHeight + host::kMargin;
    frame.units = RECT{0, 0, clientWidth, clientHeight};
    frame.inset = RECT{3, 21, 3, 3};
    RECT client = host::PixelsFromUnits(0, 0, clientWidth, clientHeight);
    frame.rect = RECT{0, 0, client.right + 6, client.bottom + 24};
    int cancelLeft = clientWidth - host::kMargin - host::kButtonWidth;
    int nextLeft = cancelLeft - host::kMargin - host::kButtonWidth;
    host::MakeButton(frame, host::kBackButton, "< 戻る(&B)", nextLeft - host::kButtonWidth, buttonTop);
    host::MakeButton(frame, host::kNextButton, "次へ(&N) >", nextLeft, buttonTop);
    host::MakeButton(frame, host::kFinishButton, "完了", nextLeft, buttonTop);
    host::MakeButton(frame, IDCANCEL, "キャンセル", cancelLeft, buttonTop);
    host::SetButtons(sheet, PSWIZB_BACK | PSWIZB_NEXT);
    UINT start = (flags & PSH_USEPSTARTPAGE) || header->nStartPage >= header->nPages ? 0 : header->nStartPage;
    host::Activate(sheet, static_cast<int>(start), +1);
    if (!modal.ended) host::RunModalLoop(modal);
    Window* ended = host::FindWindowObject(sheet.frame);
    if (ended && ended->announced)
        host::NoteEvent(host::WindowEvent::kEnded, sheet.frame, "end wizard result=" + std::to_string(modal.result));
    return modal.result;
}
