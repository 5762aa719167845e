// The script front end: one action a line, read from a file; every event is
// printed to the transcript. Time is virtual.
#pragma once

#include <string>
#include <vector>

#include "ui/frontend.h"

namespace host {

struct ScriptAction {
    int line = 0;                   // line number in the script, for messages
    std::string written;            // the line as written (UTF-8, blanks trimmed), for messages
    std::string verb;               // answer, set, check, press, folder
    std::vector<std::string> args;  // the words after the verb (code page 932)
    std::string rest;               // everything after the first argument (for set)
    std::string afterVerb;          // everything after the verb, trailing blanks cut (for folder)
};

class ScriptFrontEnd : public FrontEnd {
  public:
    // Reads a script file (UTF-8). False, with a message, when it cannot.
    bool Load(const std::string& path, std::string* error);
    // Takes the script from text (UTF-8), one action a line.
    void LoadText(const std::string& text);
    bool HasMore() const { return next_ < actions_.size(); }
    // The next action, for the window that waits: what is on screen is named
    // in the error when the script has run out.
    ScriptAction Take(const std::string& waitingFor);
    // Puts the last action taken back.
    void Untake() { if (next_ > 0) --next_; }
    // Raises the error for an action that does not fit what is on screen.
    [[noreturn]] void Misfit(const ScriptAction& action, const std::string& onScreen);
    int AnswerMessageBox(const MessageBoxRequest& box) override;
    bool NextAction(const ScreenView& screen, int waitMs, UserAction* action) override;
    [[noreturn]] void ActionRefused(const UserAction& action, const ScreenView& screen,
                                    const std::string& reason) override;

  private:
    std::vector<ScriptAction> actions_;  // all actions, in order
    size_t next_ = 0;                    // index of the next one
    ScriptAction last_;                  // the action NextAction took last
};

}  // namespace host
