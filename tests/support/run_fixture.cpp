#include "support/run_fixture.h"

#include <sstream>

#include "app/setup_state.h"
#include "platform.h"
#include "process/program_file.h"

const char kSampleSettings[] =
    "[Install]\r\nTitle=Foo\r\nFolder=Foo\r\n1=FOO.EXE\r\n2=DATA\\A.DAT\r\n";

void RunTest::SetUp() {
    MachineTest::SetUp();
    MountDrive('D');
    ASSERT_TRUE(CreateDirectoryA("D:\\MEDIA", nullptr));
    ASSERT_TRUE(CreateDirectoryA("D:\\MEDIA\\DATA", nullptr));
    ASSERT_TRUE(host::WriteProgramStandIn(Host("D:\\MEDIA\\SETUP.EXE")));
    WriteFile("D:\\MEDIA\\FOO.EXE", "foo program");
    WriteFile("D:\\MEDIA\\DATA\\A.DAT", "data");
    Settings(kSampleSettings);
}

void RunTest::Settings(const std::string& text) { WriteFile("D:\\MEDIA\\SETUP.INF", text); }

int RunTest::Run(const std::string& script, const std::string& commandLine) {
    return RunAt("D:\\MEDIA\\SETUP.EXE", script, commandLine);
}

int RunTest::RunAt(const std::string& path, const std::string& script, const std::string& commandLine) {
    Script(script);
    setup = SetupState();
    std::string error;
    int code = -1;
    try {
        code = host::RunProgramFile(path, commandLine, &error);
    } catch (const host::RunAborted& aborted) {
        ADD_FAILURE() << aborted.what() << "\n" << Transcript();
    }
    EXPECT_EQ(error, "");
    return code;
}

bool RunTest::HasLine(const std::string& prefix) const { return !Lines(prefix).empty(); }

std::string RunTest::Lines(const std::string& prefix) const {
    std::istringstream in(Transcript());
    std::string line, out;
    while (std::getline(in, line))
        if (line.compare(0, prefix.size(), prefix) == 0) out += line + "\n";
    return out;
}
