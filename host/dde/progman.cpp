// Program Manager's DDE command-string interface: "[Command(arg,...)]"
// commands that make, show and delete groups and add and delete items in the
// active group. The groups live in one code page 932 text file of the machine,
// read and written whole under the machine's Program Manager lock for every
// execute, so processes of the same machine see each other's changes. A file
// that cannot be read whole fails every execute and is never written over.
#include "dde/progman.h"

#include <cerrno>
#include <cstring>

#include "core/codepage.h"
#include "core/machine.h"
#include "kernel/state_file.h"
#include "ui/frontend.h"

namespace host {

namespace {

const char kStateFile[] = "progman.txt";
const char kLockFile[] = "progman.lock";
const char kStartupGroup[] = "スタートアップ";  // Program Manager's Startup group
const char kServiceAndTopic[] = "PROGMAN";

// Everything Program Manager keeps between commands.
struct State {
    std::vector<ProgmanGroup> groups;  // in the order they were made
    std::string active;                // name of the active group, empty when none
};

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

// Names, captions and command lines are window titles and file text: no
// control characters (which also keeps the state file's lines whole).
bool IsPlainText(const std::string& text) {
    for (char c : text)
        if ((unsigned char)c < 0x20 || c == 0x7F) return false;
    return true;
}

// Reads one line of the file into the state; false when it is no record.
bool ReadRecord(const std::string& line, State* state) {
    std::vector<std::string> fields = SplitTabs(line);
    for (const std::string& field : fields)
        if (!IsPlainText(field)) return false;
    if (fields[0] == "group" && fields.size() == 2) {
        state->groups.push_back({fields[1], {}});
    } else if (fields[0] == "item" && fields.size() == 3 && !state->groups.empty()) {
        state->groups.back().items.push_back({fields[1], fields[2]});
    } else if (fields[0] == "active" && fields.size() == 2) {
        state->active = fields[1];
    } else {
        return false;
    }
    return true;
}

// The file: one line a record, each ending in a line feed, fields separated
// by tabs: "group NAME", "item CAPTION COMMAND-LINE" for the group above it,
// "active NAME". A file with anything else is recorded as damaged and fails.
bool LoadState(State* state) {
    *state = State();
    std::string path = StatePath(kStateFile), text;
    int error = ReadWholeFile(path, &text);
    if (error == ENOENT) {
        // No file yet: Program Manager as installed, with its own empty Startup group.
        state->groups.push_back({kStartupGroup, {}});
        return true;
    }
    if (error != 0) {
        NoteDamagedStateFile(path, 0, strerror(error));
        return false;
    }
    for (size_t start = 0, number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        const char* problem = nullptr;
        if (end == std::string::npos) problem = "the file ends inside it";
        else if (!ReadRecord(text.substr(start, end - start), state)) problem = "not a group, an item or the active group";
        if (problem) {
            NoteDamagedStateFile(path, number, problem);
            *state = State();
            return false;
        }
        start = end + 1;
    }
    return true;
}

// Writes the whole file through a temporary one renamed over it.
bool SaveState(const State& state) {
    std::string text;
    for (const ProgmanGroup& group : state.groups) {
        text += "group\t" + group.name + "\n";
        for (const ProgmanItem& item : group.items) text += "item\t" + item.caption + "\t" + item.commandLine + "\n";
    }
    if (!state.active.empty()) text += "active\t" + state.active + "\n";
    return ReplaceStateFile(StatePath(kStateFile), text);
}

// Length of the character at text[i]: two for a lead byte with its trail.
size_t CharLength(const std::string& text, size_t i) {
    return IsLeadByte932((unsigned char)text[i]) && i + 1 < text.size() ? 2 : 1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void SkipBlanks(const std::string& text, size_t* pos) {
    while (*pos < text.size() && IsBlank(text[*pos])) ++*pos;
}

bool IsAsciiAlnum(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

struct Command {
    std::string name;               // as written
    std::vector<std::string> args;  // quotes taken off
};

// Reads one argument: a quoted text (which may hold commas, brackets and
// parentheses) or a bare one up to the next comma or closing parenthesis,
// its outer blanks dropped. False when the argument is malformed.
bool ReadArgument(const std::string& text, size_t* pos, std::string* arg) {
    arg->clear();
    SkipBlanks(text, pos);
    if (*pos < text.size() && text[*pos] == '"') {
        ++*pos;
        while (*pos < text.size() && text[*pos] != '"') {
            size_t length = CharLength(text, *pos);
            arg->append(text, *pos, length);
            *pos += length;
        }
        if (*pos >= text.size()) return false;  // no closing quote
        ++*pos;
        SkipBlanks(text, pos);
        return true;
    }
    const std::string stops = ",()[]\"";
    while (*pos < text.size() && stops.find(text[*pos]) == std::string::npos) {
        size_t length = CharLength(text, *pos);
        arg->append(text, *pos, length);
        *pos += length;
    }
    while (!arg->empty() && IsBlank(arg->back())) arg->pop_back();
    return true;
}

// Reads "[Name]" or "[Name(arg,...)]" at text[*pos]. False when malformed.
bool ReadCommand(const std::string& text, size_t* pos, Command* command) {
    *command = Command();
    if (text[*pos] != '[') return false;
    ++*pos;
    SkipBlanks(text, pos);
    while (*pos < text.size() && IsAsciiAlnum(text[*pos])) command->name += text[(*pos)++];
    if (command->name.empty()) return false;
    SkipBlanks(text, pos);
    if (*pos < text.size() && text[*pos] == '(') {
        ++*pos;
        SkipBlanks(text, pos);
        if (*pos < text.size() && text[*pos] == ')') {
            ++*pos;
        } else {
            for (;;) {
                std::string arg;
                if (!ReadArgument(text, pos, &arg) || *pos >= text.size()) return false;
                command->args.push_back(arg);
                char next = text[(*pos)++];
                if (next == ')') break;
                if (next != ',') return false;
            }
        }
        SkipBlanks(text, pos);
    }
    if (*pos >= text.size() || text[*pos] != ']') return false;
    ++*pos;
    return true;
}

bool ArgsArePlain(const Command& command) {
    for (const std::string& arg : command.args)
        if (!IsPlainText(arg)) return false;
    return true;
}

// The group of that name, or null.
ProgmanGroup* FindGroup(State* state, const std::string& name) {
    for (ProgmanGroup& group : state->groups)
        if (EqualNoCase932(group.name, name)) return &group;
    return nullptr;
}

ProgmanGroup* ActiveGroup(State* state) {
    if (state->active.empty()) return nullptr;
    return FindGroup(state, state->active);
}

// An item added without a caption is named after its program: the file name
// of the command line's first word, without its extension.
std::string DefaultCaption(const std::string& commandLine) {
    std::string program;
    size_t i = 0, lastDot = std::string::npos;
    while (i < commandLine.size() && commandLine[i] != ' ') {
        size_t length = CharLength(commandLine, i);
        if (length == 1 && (commandLine[i] == '\\' || commandLine[i] == ':')) {
            program.clear();
            lastDot = std::string::npos;
        } else {
            if (length == 1 && commandLine[i] == '.') lastDot = program.size();
            program.append(commandLine, i, length);
        }
        i += length;
    }
    if (lastDot != std::string::npos && lastDot > 0) program.erase(lastDot);
    return program;
}

// CreateGroup(GroupName[,GroupPath or CommonGroupFlag]): makes the group, or
// activates it when it exists. The second argument is not examined.
bool CreateGroup(State* state, const Command& command) {
    if (command.args.empty() || command.args.size() > 2 || command.args[0].empty()) return false;
    ProgmanGroup* group = FindGroup(state, command.args[0]);
    if (!group) {
        state->groups.push_back({command.args[0], {}});
        group = &state->groups.back();
    }
    state->active = group->name;
    return true;
}

// DeleteGroup(GroupName[,CommonGroupFlag]): fails for a group that is not there.
bool DeleteGroup(State* state, const Command& command) {
    if (command.args.empty() || command.args.size() > 2) return false;
    for (size_t i = 0; i < state->groups.size(); ++i) {
        if (!EqualNoCase932(state->groups[i].name, command.args[0])) continue;
        if (EqualNoCase932(state->active, state->groups[i].name)) state->active.clear();
        state->groups.erase(state->groups.begin() + (long)i);
        return true;
    }
    return false;
}

// ShowGroup(GroupName,ShowCommand[,CommonGroupFlag]): commands 1, 2, 3 and 5
// activate the group; 4, 6, 7 and 8 leave the active group as it is. Fails
// for a group that is not there, the Startup group once deleted included.
bool ShowGroup(State* state, const Command& command) {
    if (command.args.size() < 2 || command.args.size() > 3) return false;
    const std::string& show = command.args[1];
    if (show.size() != 1 || show[0] < '1' || show[0] > '8') return false;
    ProgmanGroup* group = FindGroup(state, command.args[0]);
    if (!group) return false;
    if (show[0] != '4' && show[0] < '6') state->active = group->name;
    return true;
}

// AddItem(CmdLine[,Name[,IconPath[,IconIndex[,xPos,yPos[,DefDir[,HotKey[,fMinimize[,fSeparateSpace]]]]]]]]):
// adds to the active group; only the command line and the caption are kept.
bool AddItem(State* state, const Command& command) {
    if (command.args.empty() || command.args.size() > 10 || command.args[0].empty()) return false;
    ProgmanGroup* group = ActiveGroup(state);
    if (!group) return false;
    std::string caption = command.args.size() > 1 && !command.args[1].empty() ? command.args[1]
                                                                              : DefaultCaption(command.args[0]);
    group->items.push_back({caption, command.args[0]});
    return true;
}

// DeleteItem(ItemName): removes the first item of that caption from the
// active group; fails when there is none.
bool DeleteItem(State* state, const Command& command) {
    if (command.args.size() != 1) return false;
    ProgmanGroup* group = ActiveGroup(state);
    if (!group) return false;
    for (size_t i = 0; i < group->items.size(); ++i) {
        if (!EqualNoCase932(group->items[i].caption, command.args[0])) continue;
        group->items.erase(group->items.begin() + (long)i);
        return true;
    }
    return false;
}

// ExitProgman, Reload, ReplaceItem and the requests for group information are
// not served: they fail as unknown commands.
bool RunCommand(State* state, const Command& command) {
    if (!ArgsArePlain(command)) return false;
    struct Handler {
        const char* name;
        bool (*run)(State*, const Command&);
    };
    static const Handler kHandlers[] = {
        {"CreateGroup", CreateGroup}, {"DeleteGroup", DeleteGroup}, {"ShowGroup", ShowGroup},
        {"AddItem", AddItem},         {"DeleteItem", DeleteItem},
    };
    for (const Handler& handler : kHandlers)
        if (EqualNoCase932(command.name, handler.name)) return handler.run(state, command);
    return false;
}

bool RunCommands(const std::string& text) {
    StateLock lock(StatePath(kLockFile), StateLock::kExclusive);
    State state;
    if (!lock.held() || !LoadState(&state)) return false;
    bool ok = true, any = false;
    size_t pos = 0;
    for (;;) {
        SkipBlanks(text, &pos);
        if (pos >= text.size()) break;
        Command command;
        if (!ReadCommand(text, &pos, &command) || !RunCommand(&state, command)) {
            ok = false;
            break;
        }
        any = true;
    }
    // Commands before a failing one have been carried out, as in Program Manager.
    if (any && !SaveState(state)) return false;
    return ok && any;
}

}  // namespace

bool ProgmanAnswers(const std::string* service, const std::string* topic) {
    if (MachineDir().empty() || !Config().progman) return false;
    return (!service || EqualNoCase932(*service, kServiceAndTopic)) &&
           (!topic || EqualNoCase932(*topic, kServiceAndTopic));
}

bool ProgmanExecute(const std::string& text) {
    bool ok = RunCommands(text);
    TranscriptLine("dde " + Quoted(text) + " result=" + (ok ? "ok" : "failed"));
    return ok;
}

std::vector<ProgmanGroup> ProgmanGroups() {
    State state;
    if (MachineDir().empty()) return state.groups;
    StateLock lock(StatePath(kLockFile), StateLock::kShared);
    LoadState(&state);
    return state.groups;
}

}  // namespace host
