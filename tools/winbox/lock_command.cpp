// winbox lock / unlock: hold a file open as another program would, and let it go.
#include <string>
#include <vector>

#include "commands.h"
#include "core/codepage.h"
#include "kernel/file_sharing.h"

namespace winbox {

namespace {

int Lock(std::vector<std::string> args) {
    if (args.size() != 1) return Fail("usage: lock PATH");
    if (!host::HoldFileOpen(host::AnsiFromUtf8(args[0]))) return Fail("no such file: " + args[0]);
    return 0;
}

int Unlock(std::vector<std::string> args) {
    if (args.size() != 1) return Fail("usage: unlock PATH");
    if (!host::ReleaseHeldFile(host::AnsiFromUtf8(args[0]))) return Fail("not locked: " + args[0]);
    return 0;
}

const CommandRegistration kLock("lock", Lock, "lock PATH   (holds a file open without sharing, as another program would)");
const CommandRegistration kUnlock("unlock", Unlock, "unlock PATH");

}  // namespace

}  // namespace winbox
