#include "shortcuts/progman.h"

#include "app/error_boxes.h"
#include "app/setup_state.h"
#include "resources/messages.h"
#include "settings/settings.h"
#include "text/text.h"

namespace {

constexpr DWORD kExecuteTimeoutMs = 10000;
constexpr int kCommandSize = kPathSize;  // a command with its terminator

enum CommandText { CommandBuilt, CommandHoldsQuote, CommandTooLong };

// Builds "[Name(" quote arg1 quote [, quote arg2 quote] tail "]" into command.
// Program Manager has no way to quote a quote mark: one in an argument would
// end its text early and the rest would be read as further commands, so such
// an argument is refused.
CommandText BuildCommand(char* command, const char* name, const char* first, const char* second,
                         const char* tail) {
    if (FindCharMb(first, '"') || (second && FindCharMb(second, '"'))) return CommandHoldsQuote;
    BOOL fits = CopyText(command, kCommandSize, "[") && AppendText(command, kCommandSize, name) &&
                AppendText(command, kCommandSize, "(\"") && AppendText(command, kCommandSize, first) &&
                AppendText(command, kCommandSize, "\"");
    if (second)
        fits = fits && AppendText(command, kCommandSize, ",\"") && AppendText(command, kCommandSize, second) &&
               AppendText(command, kCommandSize, "\"");
    fits = fits && AppendText(command, kCommandSize, tail) && AppendText(command, kCommandSize, ")]");
    return fits ? CommandBuilt : CommandTooLong;
}

// Sends a command for removing: nothing is reported. True when it succeeded.
BOOL SendQuietly(const char* name, const char* first, const char* second, const char* tail) {
    char command[kCommandSize];
    return BuildCommand(command, name, first, second, tail) == CommandBuilt && ExecuteDde(command);
}

// Sends a command for making the entry named caption. A command that cannot
// be sent, or that fails, is reported under caption. True when it succeeded.
BOOL SendReported(const char* caption, const char* name, const char* first, const char* second,
                  const char* tail) {
    char command[kCommandSize];
    switch (BuildCommand(command, name, first, second, tail)) {
        case CommandHoldsQuote:
            ShowPathError(caption, MSG_QUOTE_REFUSED);
            return FALSE;
        case CommandTooLong:
            ShowPathError(caption, MSG_PATH_TOO_LONG);
            return FALSE;
        default:
            break;
    }
    if (ExecuteDde(command)) return TRUE;
    ShowPathError(caption, MSG_SHORTCUT_FAILED);
    return FALSE;
}

// Adds an item for entryTarget captioned caption to the active group; an
// item whose command line does not fit is reported, never sent cut.
BOOL AddItem(const char* caption) {
    if (!MakeItemCommandLine()) {
        ShowPathError(caption, MSG_PATH_TOO_LONG);
        return FALSE;
    }
    return SendReported(caption, "AddItem", setup.entryTarget, caption, "");
}

// The item of group entry n, under its own caption.
BOOL AddGroupEntryItem(int n) {
    if (!ResolveGroupEntry(n)) {
        ShowEntryError(MSG_PATH_TOO_LONG);
        return FALSE;
    }
    return AddItem(setup.entrySource);
}

// The uninstall item: the installed program file with "/r".
BOOL AddRemovalItem() {
    ResolveFileEntry(-1);
    if (setup.entryTarget[0] && !AppendText(setup.entryTarget, kPathSize, ",/r")) setup.entryTarget[0] = 0;
    char caption[kPathSize];
    CopyText(caption, sizeof caption, setup.programFileName);
    AppendText(caption, sizeof caption, MSG_REMOVAL_SUFFIX);
    return AddItem(caption);
}

// The product's group and its items. Items are only added once the group is
// made and active: otherwise they would go into whichever group is active.
BOOL MakeProductGroup() {
    if (!SendReported(setup.title, "CreateGroup", setup.title, nullptr, ",0")) return FALSE;
    if (setup.groupCount == 0) {
        ResolveFileEntry(1);
        BOOL ok = AddItem(setup.title);
        return AddRemovalItem() && ok;
    }
    BOOL ok = TRUE;
    for (int n = 1; n <= setup.groupCount; ++n) ok = AddGroupEntryItem(n) && ok;
    return ok;
}

// The Startup item: the first item's command line under the title, added
// only once the Startup group is shown and so active.
BOOL MakeStartupItem() {
    if (setup.groupCount > 0) ResolveGroupEntry(1);
    else ResolveFileEntry(1);
    if (!SendReported(setup.title, "ShowGroup", PROGMAN_STARTUP_GROUP, nullptr, ",1")) return FALSE;
    return AddItem(setup.title);
}

void RemoveEntries(ShortcutKind kind) {
    if (kind != Startup) {
        SendQuietly("DeleteGroup", setup.title, nullptr, ",0");
        return;
    }
    // Without the Startup group shown the item would be looked for in
    // whichever group is active.
    if (SendQuietly("ShowGroup", PROGMAN_STARTUP_GROUP, nullptr, ",1"))
        SendQuietly("DeleteItem", setup.title, nullptr, "");
}

}  // namespace

HDDEDATA CALLBACK DdeClientCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    if (type == XTYP_DISCONNECT) setup.ddeConversation = nullptr;
    return nullptr;
}

UINT StartDdeClient() { return DdeInitializeA(&setup.ddeInstance, DdeClientCallback, APPCMD_CLIENTONLY, 0); }

BOOL ConnectDde(const char* service, const char* topic) {
    HSZ serviceName = DdeCreateStringHandleA(setup.ddeInstance, service, CP_WINANSI);
    HSZ topicName = DdeCreateStringHandleA(setup.ddeInstance, topic, CP_WINANSI);
    setup.ddeConversation = DdeConnect(setup.ddeInstance, serviceName, topicName, nullptr);
    DdeFreeStringHandle(setup.ddeInstance, serviceName);
    DdeFreeStringHandle(setup.ddeInstance, topicName);
    return setup.ddeConversation != nullptr;
}

BOOL ExecuteDde(const char* command) {
    if (!setup.ddeConversation) return FALSE;
    HDDEDATA result = DdeClientTransaction((LPBYTE)command, (DWORD)lstrlenA(command) + 1, setup.ddeConversation,
                                           nullptr, CF_TEXT, XTYP_EXECUTE, kExecuteTimeoutMs, nullptr);
    return result == (HDDEDATA)1;
}

BOOL MakeItemCommandLine() {
    if (!setup.entryTarget[0]) return FALSE;
    char arguments[kPathSize] = "";
    char* comma = FindCharMb(setup.entryTarget, ',');
    if (comma) {
        *comma = 0;
        CopyText(arguments, sizeof arguments, comma + 1);
    }
    char shortPath[kPathSize];
    DWORD length = GetShortPathNameA(setup.entryTarget, shortPath, sizeof shortPath);
    // Without a short form (the file is missing) the long path is sent as it is.
    if (length == 0 || length >= sizeof shortPath) CopyText(shortPath, sizeof shortPath, setup.entryTarget);
    if (comma && !(AppendText(shortPath, kPathSize, " ") && AppendText(shortPath, kPathSize, arguments))) {
        setup.entryTarget[0] = 0;
        return FALSE;
    }
    return CopyText(setup.entryTarget, kPathSize, shortPath);
}

BOOL UpdateProgmanGroup(ShortcutKind kind, BOOL remove) {
    StartDdeClient();
    BOOL connected = ConnectDde("PROGMAN", "PROGMAN");
    if (remove) {
        RemoveEntries(kind);
        return TRUE;
    }
    if (!connected) {
        // No Program Manager to make the entries in.
        ShowPathError(setup.title, MSG_SHORTCUT_FAILED);
        return FALSE;
    }
    return kind == Startup ? MakeStartupItem() : MakeProductGroup();
}
