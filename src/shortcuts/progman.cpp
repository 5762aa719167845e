#include "shortcuts/progman.h"

#include "app/setup_state.h"
#include "resources/messages.h"
#include "settings/settings.h"
#include "text/directories.h"
#include "text/text.h"

namespace {

constexpr DWORD kExecuteTimeoutMs = 10000;
constexpr int kCommandSize = kPathSize;  // a command with its terminator

// Builds "[Name(" quote arg1 quote [, quote arg2 quote] tail "]" into command.
BOOL BuildCommand(char* command, const char* name, const char* first, const char* second, const char* tail) {
    BOOL fits = CopyText(command, kCommandSize, "[") && AppendText(command, kCommandSize, name) &&
                AppendText(command, kCommandSize, "(\"") && AppendText(command, kCommandSize, first) &&
                AppendText(command, kCommandSize, "\"");
    if (second)
        fits = fits && AppendText(command, kCommandSize, ",\"") && AppendText(command, kCommandSize, second) &&
               AppendText(command, kCommandSize, "\"");
    return fits && AppendText(command, kCommandSize, tail) && AppendText(command, kCommandSize, ")]");
}

void SendCommand(const char* name, const char* first, const char* second, const char* tail) {
    char command[kCommandSize];
    if (BuildCommand(command, name, first, second, tail)) ExecuteDde(command);
}

// Adds an item for entryTarget captioned caption; an item whose command line
// or command does not fit is reported and skipped, never sent cut.
void AddItem(const char* caption) {
    char command[kCommandSize];
    if (!MakeItemCommandLine() || !BuildCommand(command, "AddItem", setup.entryTarget, caption, "")) {
        ShowPathError(caption, MSG_PATH_TOO_LONG);
        return;
    }
    ExecuteDde(command);
}

void ShowStartupGroup() { SendCommand("ShowGroup", PROGMAN_STARTUP_GROUP, nullptr, ",1"); }

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

void UpdateProgmanGroup(ShortcutKind kind, BOOL remove) {
    StartDdeClient();
    ConnectDde("PROGMAN", "PROGMAN");
    if (remove) {
        if (kind == Startup) {
            ShowStartupGroup();
            SendCommand("DeleteItem", setup.title, nullptr, "");
        } else {
            SendCommand("DeleteGroup", setup.title, nullptr, ",0");
        }
        return;
    }
    int itemCount = 2;
    char caption[kPathSize];
    if (setup.groupCount > 0) {
        ResolveGroupEntry(1);
        itemCount = setup.groupCount;
        CopyText(caption, sizeof caption, setup.entrySource);
    } else {
        ResolveFileEntry(1);
        CopyText(caption, sizeof caption, setup.title);
    }
    if (kind == Startup) {
        ShowStartupGroup();
        AddItem(setup.title);
        return;
    }
    SendCommand("CreateGroup", setup.title, nullptr, ",0");
    AddItem(caption);
    for (int i = 2; i <= itemCount; ++i) {
        if (setup.groupCount > 0) {
            ResolveGroupEntry(i);
            CopyText(caption, sizeof caption, setup.entrySource);
        } else {
            // The uninstall item: the installed program with "/r".
            ResolveFileEntry(-1);
            if (setup.entryTarget[0] && !AppendText(setup.entryTarget, kPathSize, ",/r")) setup.entryTarget[0] = 0;
            CopyText(caption, sizeof caption, setup.programFileName);
            AppendText(caption, sizeof caption, MSG_REMOVAL_SUFFIX);
        }
        AddItem(caption);
    }
}
