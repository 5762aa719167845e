// What the program holds through the host layer belongs to its run: when the
// run ends, returning or stopped by RunAborted, what it left open is
// released, as Windows closes what a process leaves at its exit. What was
// taken outside a run stays.
#include <gtest/gtest.h>

#include "platform.h"
#include "process/run_scope.h"
#include "support/machine_fixture.h"
#include "ui/frontend.h"

namespace {

const char kHeldFile[] = "C:\\HELD.TXT";

HDDEDATA CALLBACK IgnoringCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

// One of each kind of object the program can hold through the host.
struct Held {
    HANDLE search = INVALID_HANDLE_VALUE;
    HFILE file = HFILE_ERROR;
    HKEY key = nullptr;
    HGLOBAL memory = nullptr;
    DWORD dde = 0;
    IShellLinkA* link = nullptr;
};

Held TakeOneOfEach() {
    Held held;
    WIN32_FIND_DATAA found;
    held.search = FindFirstFileA("C:\\*.*", &found);
    EXPECT_NE(held.search, INVALID_HANDLE_VALUE);
    OFSTRUCT ofs;
    held.file = OpenFile(kHeldFile, &ofs, OF_READ | OF_SHARE_EXCLUSIVE);
    EXPECT_NE(held.file, HFILE_ERROR);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &held.key), ERROR_SUCCESS);
    held.memory = GlobalAlloc(GMEM_FIXED, 16);
    EXPECT_NE(held.memory, nullptr);
    EXPECT_EQ(DdeInitializeA(&held.dde, IgnoringCallback, APPCMD_CLIENTONLY, 0), (UINT)DMLERR_NO_ERROR);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&held.link),
              S_OK);
    return held;
}

}  // namespace

class RunEndTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        WriteFile(kHeldFile, "held");
    }
};

TEST_F(RunEndTest, WhatARunLeftIsReleasedWhenItEnds) {
    for (bool aborted : {true, false}) {
        SCOPED_TRACE(aborted ? "aborted" : "returned");
        Held held;
        try {
            host::RunScope run;
            held = TakeOneOfEach();
            if (aborted) throw host::RunAborted("script ran out");
        } catch (const host::RunAborted&) {
        }
        WIN32_FIND_DATAA found;
        EXPECT_FALSE(FindNextFileA(held.search, &found));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        EXPECT_EQ(FindClose(held.search), FALSE);
        EXPECT_EQ(_lclose(held.file), HFILE_ERROR);
        EXPECT_TRUE(DeleteFileA(kHeldFile)) << "the file is still open: " << GetLastError();
        EXPECT_EQ(RegCloseKey(held.key), ERROR_INVALID_HANDLE);
        EXPECT_EQ(GlobalFree(held.memory), held.memory);  // no block of GlobalAlloc's any more
        EXPECT_EQ(DdeGetLastError(held.dde), (UINT)DMLERR_DLL_NOT_INITIALIZED);
        // The apartment was left; the link went with the run (LeakSanitizer
        // reports it otherwise).
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        CoUninitialize();
        WriteFile(kHeldFile, "held");
    }
}

TEST_F(RunEndTest, WhatWasTakenOutsideARunStays) {
    Held held = TakeOneOfEach();
    { host::RunScope run; }
    EXPECT_TRUE(FindClose(held.search));
    EXPECT_EQ(DeleteFileA(kHeldFile), FALSE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    EXPECT_EQ(_lclose(held.file), 0);
    EXPECT_EQ(RegCloseKey(held.key), ERROR_SUCCESS);
    EXPECT_EQ(GlobalFree(held.memory), nullptr);
    EXPECT_TRUE(DdeUninitialize(held.dde));
    EXPECT_EQ(held.link->Release(), 0u);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);  // still entered
    CoUninitialize();
    CoUninitialize();
}
