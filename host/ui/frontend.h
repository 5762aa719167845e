// Who answers the program's windows: the script front end (actions read from
// a file, a transcript printed) or the terminal front end (keys).
#pragma once

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "windows_host.h"

namespace host {

// Ends a run that cannot go on: a script that ran out, an action that fits no
// window on screen. Carries the message winbox prints.
struct RunAborted : std::runtime_error {
    explicit RunAborted(const std::string& message) : std::runtime_error(message) {}
};

struct MessageBoxRequest {
    HWND owner;           // owner window, or null
    std::string text;     // code page 932
    std::string caption;  // code page 932, the default already filled in
    UINT type;            // MB_ flags
};

// A control of the window on screen, as a front end draws it.
struct ControlView {
    HWND window;                     // the control
    int id;                          // control id (-1 for a label)
    std::string className;           // lower case: static, edit, button, listbox, combobox, msctls_progress32
    std::string text;                // code page 932
    DWORD style;                     // window style with the class's own bits (BS_, ES_, ...)
    RECT box;                        // dialog units, in the screen's client area
    bool enabled;                    // takes input
    bool visible;                    // drawn at all
    UINT check;                      // BST_ state of a check box
    int low, high, pos;              // range and position of a progress bar
    std::vector<std::string> items;  // lines of a list or combo box (code page 932)
};

enum class ScreenKind {
    kWizardPage,  // a wizard page inside its frame
    kDialog,      // a dialog of the program
    kFolderDialog,  // the file dialog used as a folder picker
};

// The window the user acts on: its controls, and for a wizard the frame's
// Back (12323), Next (12324), Finish (12325) and Cancel (2) buttons after
// the page's own.
struct ScreenView {
    ScreenKind kind;
    HWND window;          // the page or dialog
    std::string name;     // as the transcript names it: "page 100", "dialog 105"
    int templateId;       // dialog template number
    std::string caption;  // code page 932: the dialog's or the wizard frame's
    int width, height;    // client area in dialog units
    std::vector<ControlView> controls;  // in tab order
    HWND focus;           // the control with the focus, or null
    std::string folder;   // folder dialog: the current folder (code page 932)
};

// What the user did. The window system checks that it fits the screen.
struct UserAction {
    enum Kind {
        kPress,   // a button: named, or by control id
        kSet,     // the whole text of an edit field
        kCheck,   // a check box on or off
        kFolder,  // folder dialog: change to a folder
    } kind = kPress;
    std::string button;  // kPress: "next", "back", "finish", "cancel", "ok", or empty for id
    int id = 0;          // kPress without a name, kSet, kCheck: the control id
    std::string text;    // kSet: the text; kFolder: the path (code page 932)
    bool on = false;     // kCheck
};

// Something that happened to the windows, with its transcript line.
struct WindowEvent {
    enum Kind {
        kShown,    // a page or dialog appeared (or a wizard moved to a page)
        kAction,   // the user did something
        kChanged,  // the program changed a control, a caption or the wizard buttons
        kEnded,    // a modal window closed
    } kind;
    HWND window;       // the page, dialog, frame or control concerned
    std::string line;  // UTF-8, without the newline
};

class FrontEnd {
  public:
    virtual ~FrontEnd() = default;
    // Shows a message box and returns the button chosen (IDOK, IDYES, ...).
    virtual int AnswerMessageBox(const MessageBoxRequest& box) = 0;
    // The user's next action on the screen. A modal loop asks when no
    // message is pending and, with virtual time, no timer is set. waitMs is
    // how long it may wait for a timer that falls due (-1: no timer); false
    // when that time passed without an action. Throws RunAborted to end
    // the run. The default has no user and aborts.
    virtual bool NextAction(const ScreenView& screen, int waitMs, UserAction* action);
    // The action just taken does not fit the screen (a disabled or absent
    // button, an unknown control). The default aborts the run.
    virtual void ActionRefused(const UserAction& action, const ScreenView& screen, const std::string& reason);
    // Virtual time fires a timer as soon as nothing else is pending, without
    // waiting; real time waits for it (and asks for actions meanwhile).
    virtual bool VirtualTime() const { return true; }
    // Milliseconds on the front end's clock, for timers in real time; the
    // default is the host's monotonic clock.
    virtual long long NowMs();
    // Every window event; the default prints its line to the transcript.
    virtual void OnWindowEvent(const WindowEvent& event);
};

// The front end in use; without one set, boxes are answered by their
// default button and printed.
void SetFrontEnd(FrontEnd* frontEnd);
FrontEnd& CurrentFrontEnd();

// The transcript: one UTF-8 line per event, to standard output by default.
void SetTranscript(std::ostream* out);
void TranscriptLine(const std::string& line);
// A code page 932 text as a quoted UTF-8 transcript field.
std::string Quoted(const std::string& cp932);
// How a window is named in the transcript ("none" for null). The window
// system installs a better describer when it exists.
using WindowDescriber = std::string (*)(HWND);
void SetWindowDescriber(WindowDescriber describer);
std::string DescribeWindow(HWND window);

// Button names of message boxes, as the transcript and scripts write them.
const char* ButtonName(int id);
// The buttons a box of the given MB_ type offers, first the default.
std::string ButtonsOf(UINT type, int* ids, int* count);
std::string MessageBoxLine(const MessageBoxRequest& box, int answer);

}  // namespace host
