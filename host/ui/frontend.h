// Who answers the program's windows: the script front end (actions read from
// a file, a transcript printed) or the terminal front end (keys).
#pragma once

#include <iosfwd>
#include <stdexcept>
#include <string>

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

class FrontEnd {
  public:
    virtual ~FrontEnd() = default;
    // Shows a message box and returns the button chosen (IDOK, IDYES, ...).
    virtual int AnswerMessageBox(const MessageBoxRequest& box) = 0;
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
