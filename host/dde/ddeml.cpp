// The DDEML client calls. Instances, string handles and conversations are
// tables of this process; the one server is the built-in Program Manager,
// called directly, so every transaction is synchronous and never times out.
#include <map>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "dde/progman.h"
#include "process/run_scope.h"
#include "windows_host.h"

namespace {

// Atoms are case-insensitive and at most 255 characters; string handles are
// atom numbers, from 0xC000 up as Windows gives them.
const ULONG_PTR kFirstAtom = 0xC000;
const size_t kMaxAtomLength = 255;

struct Instance {
    PFNCALLBACK callback;            // the application's callback
    DWORD flags;                     // APPCMD_ and CBF_ flags as last given
    UINT lastError;                  // for DdeGetLastError
    std::map<ULONG_PTR, int> holds;  // atom -> string handles the instance holds on it
    bool ofRun;                      // made by the program's run
};

struct Conversation {
    DWORD instance;  // the client's instance
};

std::map<DWORD, Instance> gInstances;              // by instance identifier
DWORD gNextInstance = 1;                           // identifiers are never reused
std::vector<std::string> gAtoms;                   // atom kFirstAtom + i is gAtoms[i]
std::map<ULONG_PTR, Conversation> gConversations;  // by handle value
ULONG_PTR gNextConversation = 0x1000;              // handles are never reused

Instance* FindInstance(DWORD id) {
    auto found = gInstances.find(id);
    return found == gInstances.end() ? nullptr : &found->second;
}

ULONG_PTR AtomOf(HSZ hsz) { return (ULONG_PTR)hsz; }

// The text of a string handle the instance holds; false for any other.
bool HeldText(const Instance& instance, HSZ hsz, std::string* text) {
    auto held = instance.holds.find(AtomOf(hsz));
    if (held == instance.holds.end()) return false;
    *text = gAtoms[held->first - kFirstAtom];
    return true;
}

// Resolves a service or topic handle: null stands for any.
bool NameOf(Instance* instance, HSZ hsz, std::string* text, const std::string** name) {
    *name = nullptr;
    if (!hsz) return true;
    if (!HeldText(*instance, hsz, text)) return false;
    *name = text;
    return true;
}

}  // namespace

// Reinitialising (a nonzero *pidInst) keeps the instance, its conversations
// and string handles, and takes the new callback and flags; it may not turn
// APPCMD_CLIENTONLY on or off. Monitor instances are not provided.
UINT WINAPI DdeInitializeA(LPDWORD pidInst, PFNCALLBACK pfnCallback, DWORD afCmd, DWORD) {
    if (!pidInst || !pfnCallback) return DMLERR_INVALIDPARAMETER;
    if (afCmd & APPCLASS_MONITOR) return DMLERR_DLL_USAGE;
    if (*pidInst == 0) {
        DWORD id = gNextInstance++;
        gInstances[id] = Instance{pfnCallback, afCmd, DMLERR_NO_ERROR, {}, host::InRun()};
        *pidInst = id;
        return DMLERR_NO_ERROR;
    }
    Instance* instance = FindInstance(*pidInst);
    if (!instance) return DMLERR_INVALIDPARAMETER;
    if ((instance->flags ^ afCmd) & APPCMD_CLIENTONLY) return DMLERR_DLL_USAGE;
    instance->callback = pfnCallback;
    instance->flags = afCmd;
    return DMLERR_NO_ERROR;
}

BOOL WINAPI DdeUninitialize(DWORD idInst) {
    if (!FindInstance(idInst)) return FALSE;
    // Its conversations end; Program Manager, the partner, needs no word of it.
    for (auto it = gConversations.begin(); it != gConversations.end();) {
        if (it->second.instance == idInst) it = gConversations.erase(it);
        else ++it;
    }
    gInstances.erase(idInst);
    return TRUE;
}

namespace {

// The instances the program left when its run ended, with their
// conversations and string handles.
void UninitializeRunInstances() {
    std::vector<DWORD> left;
    for (const auto& instance : gInstances)
        if (instance.second.ofRun) left.push_back(instance.first);
    for (DWORD id : left) DdeUninitialize(id);
}
const host::RunRelease kUninitializeRunInstances(UninitializeRunInstances);

}  // namespace

UINT WINAPI DdeGetLastError(DWORD idInst) {
    Instance* instance = FindInstance(idInst);
    if (!instance) return DMLERR_DLL_NOT_INITIALIZED;
    UINT error = instance->lastError;
    instance->lastError = DMLERR_NO_ERROR;
    return error;
}

// Only ANSI text (CP_WINANSI or 0) is taken.
HSZ WINAPI DdeCreateStringHandleA(DWORD idInst, LPCSTR psz, int iCodePage) {
    Instance* instance = FindInstance(idInst);
    if (!instance) return nullptr;
    std::string text = psz ? psz : "";
    if (!psz || text.empty() || text.size() > kMaxAtomLength || (iCodePage != 0 && iCodePage != CP_WINANSI)) {
        instance->lastError = DMLERR_INVALIDPARAMETER;
        return nullptr;
    }
    size_t index = 0;
    while (index < gAtoms.size() && !host::EqualNoCase932(gAtoms[index], text)) ++index;
    if (index == gAtoms.size()) gAtoms.push_back(text);
    ULONG_PTR atom = kFirstAtom + index;
    ++instance->holds[atom];
    return (HSZ)atom;
}

BOOL WINAPI DdeFreeStringHandle(DWORD idInst, HSZ hsz) {
    Instance* instance = FindInstance(idInst);
    if (!instance) return FALSE;
    auto held = instance->holds.find(AtomOf(hsz));
    if (held == instance->holds.end()) {
        instance->lastError = DMLERR_INVALIDPARAMETER;
        return FALSE;
    }
    if (--held->second == 0) instance->holds.erase(held);
    return TRUE;
}

// The conversation context is not examined.
HCONV WINAPI DdeConnect(DWORD idInst, HSZ hszService, HSZ hszTopic, PCONVCONTEXT) {
    Instance* instance = FindInstance(idInst);
    if (!instance) return nullptr;
    std::string serviceText, topicText;
    const std::string *service, *topic;
    if (!NameOf(instance, hszService, &serviceText, &service) || !NameOf(instance, hszTopic, &topicText, &topic)) {
        instance->lastError = DMLERR_INVALIDPARAMETER;
        return nullptr;
    }
    if (!host::ProgmanAnswers(service, topic)) {
        instance->lastError = DMLERR_NO_CONV_ESTABLISHED;
        return nullptr;
    }
    ULONG_PTR handle = gNextConversation++;
    gConversations[handle] = Conversation{idInst};
    return (HCONV)handle;
}

BOOL WINAPI DdeDisconnect(HCONV hConv) {
    // The partner (Program Manager) would get XTYP_DISCONNECT; the caller's
    // own callback hears nothing, as on Windows.
    return gConversations.erase((ULONG_PTR)hConv) ? TRUE : FALSE;
}

// Only synchronous XTYP_EXECUTE with the data in memory is served: data
// handles (cbData -1), asynchronous transactions and the other transaction
// types fail. The text is taken up to its first null.
HDDEDATA WINAPI DdeClientTransaction(LPBYTE pData, DWORD cbData, HCONV hConv, HSZ, UINT, UINT wType,
                                     DWORD dwTimeout, LPDWORD pdwResult) {
    if (pdwResult) *pdwResult = 0;
    auto conversation = gConversations.find((ULONG_PTR)hConv);
    if (conversation == gConversations.end()) return nullptr;
    Instance* instance = FindInstance(conversation->second.instance);
    if (!instance) return nullptr;
    if (wType != XTYP_EXECUTE) {
        instance->lastError = DMLERR_NOTPROCESSED;
        return nullptr;
    }
    if (!pData || cbData == 0xFFFFFFFF || dwTimeout == TIMEOUT_ASYNC) {
        instance->lastError = DMLERR_INVALIDPARAMETER;
        return nullptr;
    }
    const char* data = (const char*)pData;
    size_t length = 0;
    while (length < cbData && data[length]) ++length;
    if (!host::ProgmanExecute(std::string(data, length))) {
        instance->lastError = DMLERR_NOTPROCESSED;
        return nullptr;
    }
    if (pdwResult) *pdwResult = DDE_FACK;
    return (HDDEDATA)1;
}
