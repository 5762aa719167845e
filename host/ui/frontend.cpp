#include "ui/frontend.h"

#include <chrono>
#include <iostream>

#include "core/codepage.h"

namespace host {

namespace {

// Answers every box with its default button: runs without a front end.
class DefaultFrontEnd : public FrontEnd {
  public:
    int AnswerMessageBox(const MessageBoxRequest& box) override {
        int ids[4], count = 0;
        ButtonsOf(box.type, ids, &count);
        TranscriptLine(MessageBoxLine(box, ids[0]));
        return ids[0];
    }
};

DefaultFrontEnd gDefaultFrontEnd;
FrontEnd* gFrontEnd = nullptr;           // the front end in use, or null for the default
std::ostream* gTranscript = &std::cout;  // where transcript lines go
WindowDescriber gDescriber = nullptr;    // the window system's namer

const char* IconName(UINT type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONERROR: return "error";
        case MB_ICONQUESTION: return "question";
        case MB_ICONWARNING: return "warning";
        case MB_ICONINFORMATION: return "information";
        default: return "none";
    }
}

}  // namespace

long long FrontEnd::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool FrontEnd::NextAction(const ScreenView& screen, int, UserAction*) {
    throw RunAborted("nothing answers " + screen.name + " (no script or terminal)");
}

void FrontEnd::ActionRefused(const UserAction&, const ScreenView& screen, const std::string& reason) {
    throw RunAborted("an action does not fit " + screen.name + ": " + reason);
}

void FrontEnd::OnWindowEvent(const WindowEvent& event) { TranscriptLine(event.line); }

void SetFrontEnd(FrontEnd* frontEnd) { gFrontEnd = frontEnd; }

FrontEnd& CurrentFrontEnd() { return gFrontEnd ? *gFrontEnd : gDefaultFrontEnd; }

void SetTranscript(std::ostream* out) { gTranscript = out; }

void TranscriptLine(const std::string& line) {
    if (gTranscript) *gTranscript << line << "\n" << std::flush;
}

std::string Quoted(const std::string& cp932) {
    std::string utf8 = DisplayUtf8(cp932), out = "\"";
    for (char c : utf8) {
        if (c == '"' || c == '\\') out += '\\', out += c;
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out + "\"";
}

void SetWindowDescriber(WindowDescriber describer) { gDescriber = describer; }

std::string DescribeWindow(HWND window) {
    if (!window) return "none";
    return gDescriber ? gDescriber(window) : "window";
}

const char* ButtonName(int id) {
    switch (id) {
        case IDOK: return "ok";
        case IDCANCEL: return "cancel";
        case IDABORT: return "abort";
        case IDRETRY: return "retry";
        case IDIGNORE: return "ignore";
        case IDYES: return "yes";
        case IDNO: return "no";
        default: return "?";
    }
}

std::string ButtonsOf(UINT type, int* ids, int* count) {
    static const int kButtons[][3] = {
        {IDOK, 0, 0},          {IDOK, IDCANCEL, 0},   {IDABORT, IDRETRY, IDIGNORE},
        {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO, 0},    {IDRETRY, IDCANCEL, 0},
    };
    UINT kind = type & MB_TYPEMASK;
    if (kind > 5) kind = 0;
    std::string names;
    *count = 0;
    for (int id : kButtons[kind]) {
        if (!id) break;
        ids[(*count)++] = id;
        if (!names.empty()) names += "/";
        names += ButtonName(id);
    }
    return names;
}

std::string MessageBoxLine(const MessageBoxRequest& box, int answer) {
    return "messagebox owner=" + DescribeWindow(box.owner) + " caption=" + Quoted(box.caption) +
           " icon=" + IconName(box.type) + " text=" + Quoted(box.text) + " answer=" + ButtonName(answer);
}

}  // namespace host
