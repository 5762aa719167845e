// The host window system's own view of its windows: the objects behind HWND,
// the message queue and timers, modal loops, dialogs built from templates,
// and the transcript of what is on screen.
#pragma once

#include <string>
#include <vector>

#include "resources/dialog_template.h"
#include "ui/frontend.h"
#include "windows_host.h"

namespace host {

enum class Role {
    kControl,     // a control of a dialog or page, or a button of the wizard frame
    kDialog,      // a dialog of DialogBoxParamA
    kPage,        // a wizard page, a child of the frame
    kFrame,       // the wizard frame of PropertySheetA
    kFileDialog,  // the old-style file dialog
};

struct Modal;

struct Window {
    HWND handle = nullptr;       // its own handle
    Role role = Role::kControl;  // what it is
    std::string className;       // lower case; "#32770" for dialogs, pages and the frame
    int id = 0;                  // control id, or the template number of a dialog or page
    std::string text;            // code page 932
    DWORD style = 0;             // window style as created (visibility and state kept apart)
    DWORD exStyle = 0;           // extended style
    bool enabled = true;         // takes input
    bool visible = false;        // shown
    HWND parent = nullptr;       // parent of a child window, owner of a top-level one
    std::vector<HWND> children;  // in creation (tab) order
    RECT rect{};                 // pixels, in the parent's client area (the screen when top-level)
    RECT inset{};                // widths of the border and caption around the client area
    RECT units{};                // the same place in dialog units, for front ends
    DLGPROC dialogProc = nullptr;  // the program's procedure, or the host's for its own dialogs
    LONG msgResult = 0;          // DWL_MSGRESULT
    LONG user = 0;               // DWL_USER
    bool announced = false;      // a page or dialog: its shown line is in the transcript
    Modal* modal = nullptr;      // a dialog or frame: the loop that runs it
    void* behind = nullptr;      // the frame's sheet or the file dialog's state
    size_t editLimit = 30000;    // edit: the most bytes typing can put in
    UINT check = BST_UNCHECKED;  // button: check state
    int low = 0, high = 100, pos = 0, step = 10;  // progress bar
    std::vector<std::string> items;  // list and combo box lines
};

// A modal loop: the window it runs and how it ended.
struct Modal {
    HWND top = nullptr;    // the dialog or frame
    bool ended = false;    // EndDialog, Finish or Cancel happened
    INT_PTR result = 0;    // what the modal call returns
};

// window.cpp: the table of windows.
Window* FindWindowObject(HWND handle);  // null, with ERROR_INVALID_WINDOW_HANDLE, for none
Window& CreateWindowObject(Role role, const std::string& className, HWND parent);
// Destroys a window and its children, with WM_DESTROY to dialogs and pages
// (unless an exception is on its way), and forgets their timers and messages.
void DestroyWindowObject(HWND handle);
Window* ChildById(const Window& dialog, int id);
// The page, dialog or frame a window belongs to (itself for those).
Window* DialogOf(Window& window);
// Pixels from dialog units (the host's base units: 6 x 12 pixels per 4 x 8 units).
RECT PixelsFromUnits(int x, int y, int width, int height);
// Longest prefix of text that fits in `limit` bytes without splitting a
// double-byte character.
size_t FittingLength(const std::string& text, size_t limit);
// Text changes by the program: kept, and told when on screen.
void SetTextByProgram(Window& window, const std::string& text);

// messages.cpp: dispatch, queue and timers.
LRESULT Dispatch(Window& window, UINT message, WPARAM wParam, LPARAM lParam);
// Dispatches the oldest posted message; false when none is queued.
bool DispatchPosted();
void ForgetWindow(HWND handle);
// The earliest timer's due time (ms on the front end's clock), false when none.
bool NextTimerDue(long long* due);
long long ClockNow();
// Posts WM_TIMER for the earliest timer and sets its next due time.
void FireNextTimer();
void SetMsgResult(HWND dialog, LRESULT result);

// controls.cpp: the built-in behaviour of controls.
LRESULT ControlMessage(Window& control, UINT message, WPARAM wParam, LPARAM lParam);
bool IsCheckBox(const Window& control);
// A click as the user makes it: an automatic box toggles, the parent hears BN_CLICKED.
void ClickButton(Window& button);

// dialog.cpp: dialogs from templates.
const DialogTemplate* LookupTemplate(LPCSTR name);
// Builds a dialog window and its controls, hidden; the caller sends WM_INITDIALOG.
Window& BuildDialog(const DialogTemplate& dialog, Role role, HWND parent, DLGPROC procedure);
// The first visible, enabled tab stop of a dialog: WM_INITDIALOG's wParam.
HWND FirstTabStop(const Window& dialog);
// Destroys a window at the end of a scope, on every path out.
class WindowGuard {
  public:
    explicit WindowGuard(HWND handle) : handle_(handle) {}
    ~WindowGuard() { DestroyWindowObject(handle_); }
    WindowGuard(const WindowGuard&) = delete;
    WindowGuard& operator=(const WindowGuard&) = delete;

  private:
    HWND handle_;  // the window to destroy
};

// modal.cpp: the loop and the user's actions.
void RunModalLoop(Modal& modal);

// property_sheet.cpp and file_dialog.cpp: what the modal loop needs of them.
Window* CurrentPage(Window& frame);
// The frame's buttons on screen, in order back, next, finish, cancel: e.g. "next,cancel".
std::string WizardButtonNames(Window& frame);
bool ChangeFolder(Window& fileDialog, const std::string& path, std::string* why);
std::string CurrentFolder(Window& fileDialog);

// transcript.cpp: lines and events.
void Announce(Window& screen);
void NoteEvent(WindowEvent::Kind kind, HWND window, const std::string& line);
// Changes the program makes, printed when the window is on screen.
void NoteText(Window& window);
void NoteVisible(Window& control);
void NoteEnabled(Window& control);
void NoteCheck(Window& control);
void NoteButtons(Window& frame, const std::string& before);
std::string ScreenName(Window& screen);
void InstallDescriber();

// Wizard frame buttons.
constexpr int kBackButton = 12323;
constexpr int kNextButton = 12324;
constexpr int kFinishButton = 12325;

}  // namespace host
