#include "ui/script.h"

#include <fstream>
#include <sstream>

#include "core/codepage.h"

namespace host {

bool ScriptFrontEnd::Load(const std::string& path, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        *error = "cannot read script " + path;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    LoadText(text.str());
    return true;
}

void ScriptFrontEnd::LoadText(const std::string& text) {
    actions_.clear();
    next_ = 0;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        ScriptAction action;
        action.line = number;
        action.written = line.substr(start, line.find_last_not_of(" \t") + 1 - start);
        std::istringstream words(line.substr(start));
        words >> action.verb;
        std::string word;
        while (words >> word) action.args.push_back(AnsiFromUtf8(word));
        // For "set ID TEXT" the text is the rest of the line, blanks included.
        size_t afterVerb = line.find_first_not_of(" \t", start + action.verb.size());
        if (afterVerb != std::string::npos) {
            action.afterVerb = AnsiFromUtf8(action.written.substr(afterVerb - start));
            size_t afterFirst = line.find_first_of(" \t", afterVerb);
            if (afterFirst != std::string::npos && afterFirst + 1 <= line.size())
                action.rest = AnsiFromUtf8(line.substr(afterFirst + 1));
        }
        actions_.push_back(action);
    }
}

ScriptAction ScriptFrontEnd::Take(const std::string& waitingFor) {
    if (next_ >= actions_.size()) throw RunAborted("script ran out while waiting at " + waitingFor);
    return actions_[next_++];
}

void ScriptFrontEnd::Misfit(const ScriptAction& action, const std::string& onScreen) {
    throw RunAborted("script line " + std::to_string(action.line) + ": '" + action.written +
                     "' does not fit " + onScreen);
}

namespace {

// A control id as a script writes it; false for anything else.
bool ParseId(const std::string& word, int* id) {
    if (word.empty() || word.size() > 6) return false;
    size_t start = word[0] == '-' ? 1 : 0;
    if (start == word.size() || word.find_first_not_of("0123456789", start) != std::string::npos) return false;
    *id = std::stoi(word);
    return true;
}

}  // namespace

bool ScriptFrontEnd::NextAction(const ScreenView& screen, int, UserAction* action) {
    ScriptAction taken = Take(screen.name);
    last_ = taken;
    const std::vector<std::string>& args = taken.args;
    *action = UserAction();
    if (taken.verb == "press" && args.size() == 1) {
        static const char* const kNames[] = {"next", "back", "finish", "cancel", "ok"};
        for (const char* name : kNames)
            if (args[0] == name) action->button = name;
        if (!action->button.empty() || ParseId(args[0], &action->id)) return true;
    } else if (taken.verb == "set" && !args.empty() && ParseId(args[0], &action->id)) {
        action->kind = UserAction::kSet;
        action->text = taken.rest;
        return true;
    } else if (taken.verb == "check" && args.size() == 2 && ParseId(args[0], &action->id) &&
               (args[1] == "on" || args[1] == "off")) {
        action->kind = UserAction::kCheck;
        action->on = args[1] == "on";
        return true;
    } else if (taken.verb == "folder" && !taken.afterVerb.empty()) {
        action->kind = UserAction::kFolder;
        action->text = taken.afterVerb;
        return true;
    } else if (taken.verb == "answer") {
        Misfit(taken, screen.name + " (no message box is shown)");
    }
    Misfit(taken, screen.name + " (not an action: answer, set, check, press or folder)");
}

void ScriptFrontEnd::ActionRefused(const UserAction&, const ScreenView& screen, const std::string& reason) {
    Misfit(last_, screen.name + " (" + reason + ")");
}

int ScriptFrontEnd::AnswerMessageBox(const MessageBoxRequest& box) {
    std::string onScreen = "message box " + Quoted(box.text);
    ScriptAction action = Take(onScreen);
    if (action.verb != "answer" || action.args.size() != 1) Misfit(action, onScreen);
    int ids[4], count = 0;
    std::string offered = ButtonsOf(box.type, ids, &count);
    for (int i = 0; i < count; ++i) {
        if (action.args[0] == ButtonName(ids[i])) {
            TranscriptLine(MessageBoxLine(box, ids[i]));
            return ids[i];
        }
    }
    Misfit(action, onScreen + " (buttons " + offered + ")");
}

}  // namespace host
