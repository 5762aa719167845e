// The trace of failing host calls: with WINBOX_TRACE=1 each call that fails
// with a host error says so in one line on standard error, and is silent
// otherwise. Host only: the trace is winbox's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform.h"
#include "support/machine_fixture.h"

class ErrorTraceTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateDirectoryA("C:\\T", nullptr));
        WriteFile("C:\\T\\INSIDE.TXT", "kept");
    }
    void TearDown() override {
        unsetenv("WINBOX_TRACE");
        MachineTest::TearDown();
    }

    // What standard error shows while `call` runs; `call` is to fail with `error`.
    template <typename Call>
    std::string TraceOf(const char* trace, Call call, DWORD error) {
        if (trace)
            setenv("WINBOX_TRACE", trace, 1);
        else
            unsetenv("WINBOX_TRACE");
        testing::internal::CaptureStderr();
        BOOL ok = call();
        DWORD lastError = GetLastError();
        std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(ok);
        EXPECT_EQ(lastError, error);
        return printed;
    }
};

TEST_F(ErrorTraceTest, AFailedCallIsTracedOnlyWhenAsked) {
    struct Case {
        const char* trace;  // nullptr: not set
        bool traced;
    } cases[] = {{"1", true}, {nullptr, false}, {"0", false}, {"", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trace ? c.trace : "(unset)");
        std::string printed = TraceOf(
            c.trace, [] { return CopyFileA("C:\\T\\MISSING.TXT", "C:\\T\\COPY.TXT", FALSE); }, ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(printed, c.traced ? "winbox trace: CopyFileA C:\\T\\MISSING.TXT: No such file or directory"
                                      " -> Windows error 2\n"
                                    : "");
    }
}

TEST_F(ErrorTraceTest, TheLineNamesTheHostErrorAndTheWindowsError) {
    std::string printed = TraceOf("1", [] { return RemoveDirectoryA("C:\\T"); }, ERROR_DIR_NOT_EMPTY);
    EXPECT_EQ(printed, "winbox trace: RemoveDirectoryA " + Host("C:\\T") + ": Directory not empty -> Windows error " +
                           std::to_string(ERROR_DIR_NOT_EMPTY) + "\n");
}
