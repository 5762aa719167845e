// COM as the program uses it: one apartment per thread, and one class, the
// shell link, served in-process.
#include <cstdlib>

#include "process/run_scope.h"
#include "shell/shell_link.h"
#include "windows_host.h"

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IPersist = {0x0000010C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const CLSID CLSID_ShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

thread_local int gInitCount = 0;  // CoInitialize calls not yet matched by CoUninitialize
thread_local int gRunInits = 0;   // of those, the program's run made this many

// The apartment the program's run entered is left when the run ends.
void UninitializeRun() {
    gInitCount -= gRunInits;
    gRunInits = 0;
}
const host::RunRelease kUninitializeRun(UninitializeRun);

}  // namespace

HRESULT CoInitialize(LPVOID pvReserved) {
    if (pvReserved) return E_INVALIDARG;
    if (host::InRun()) ++gRunInits;
    return ++gInitCount == 1 ? S_OK : S_FALSE;
}

void CoUninitialize(void) {
    if (gInitCount == 0) return;
    --gInitCount;
    if (gRunInits > 0) --gRunInits;
}

// Only the shell link class is registered, and only as an in-process server.
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (gInitCount == 0) return CO_E_NOTINITIALIZED;
    if (rclsid != CLSID_ShellLink || !(dwClsContext & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    IShellLinkA* link = host::NewShellLink();
    if (!link) return E_OUTOFMEMORY;
    HRESULT result = link->QueryInterface(riid, ppv);
    link->Release();
    return result;
}

LPVOID CoTaskMemAlloc(size_t cb) { return malloc(cb ? cb : 1); }

void CoTaskMemFree(LPVOID pv) { free(pv); }
