#include "new_process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "core/codepage.h"
#include "process/program_file.h"

extern char** environ;

namespace winbox {

namespace {

// A code page 932 text as a winbox argument (UTF-8).
std::string Argument(const std::string& cp932) {
    std::string utf8;
    return host::Cp932ToUtf8(cp932, &utf8) ? utf8 : host::DisplayUtf8(cp932);
}

// The actions the finished run did not take, as script text in which each
// stands on its original line, so that messages name the lines of the script
// as written.
std::string RemainingScript(host::ScriptFrontEnd* script) {
    std::string text;
    int line = 1;
    while (script->HasMore()) {
        host::ScriptAction action = script->Take("the next program");
        for (; line < action.line; ++line) text += "\n";
        text += action.verb;
        if (!action.args.empty()) {
            // "rest" keeps the blanks of everything after the first argument.
            text += " " + Argument(action.args[0]);
            if (!action.rest.empty()) {
                text += " " + Argument(action.rest);
            } else {
                for (size_t i = 1; i < action.args.size(); ++i) text += " " + Argument(action.args[i]);
            }
        }
        text += "\n";
        ++line;
    }
    return text;
}

// Writes a new temporary file in TMPDIR (or /tmp).
bool WriteTempFile(const std::string& text, std::string* path) {
    const char* dir = getenv("TMPDIR");
    std::string name = std::string(dir && *dir ? dir : "/tmp") + "/winbox-script-XXXXXX";
    std::vector<char> pattern(name.begin(), name.end());
    pattern.push_back('\0');
    int fd = mkstemp(pattern.data());
    if (fd < 0) return false;
    size_t written = 0;
    while (written < text.size()) {
        ssize_t count = write(fd, text.data() + written, text.size() - written);
        if (count <= 0) break;
        written += (size_t)count;
    }
    close(fd);
    *path = pattern.data();
    if (written == text.size()) return true;
    unlink(path->c_str());
    return false;
}

}  // namespace

int RunStartedProgram(int exitCode, host::ScriptFrontEnd* script) {
    host::StartedProgram started;
    if (!host::TakeStartedProgram(&started)) return exitCode;
    std::vector<std::string> args = {"winbox", "--machine", MachineFolder(), "run"};
    std::string scriptPath;
    if (script) {
        if (!WriteTempFile(RemainingScript(script), &scriptPath)) return Fail("cannot hand the script over");
        args.insert(args.end(), {"--script", scriptPath});
    }
    args.insert(args.end(), {"--current-dir", Argument(started.currentDir), Argument(started.path),
                             Argument(started.commandLine)});
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);

    std::cout.flush();
    std::cerr.flush();
    fflush(nullptr);
    pid_t child;
    int status = 0;
    int spawned = posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv.data(), environ);
    pid_t waitedFor = -1;
    if (spawned == 0) {
        do waitedFor = waitpid(child, &status, 0);
        while (waitedFor < 0 && errno == EINTR);
    }
    bool waited = spawned == 0 && waitedFor == child;
    if (!scriptPath.empty()) unlink(scriptPath.c_str());
    if (!waited) return Fail("cannot start a new process for " + Argument(started.path));
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

}  // namespace winbox
