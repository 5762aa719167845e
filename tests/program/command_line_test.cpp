// The Windows build's start-up: the command line WinMain is given, as the C
// runtime's start-up splits it off the program's own name.
#include <gtest/gtest.h>

#include <string>

#include "command_line.h"

TEST(CommandLineTest, WinMainGetsWhatFollowsTheProgramsNameAndItsBlanks) {
    struct Case {
        const char* line;
        const char* arguments;
    } cases[] = {
        {"SETUP.EXE", ""},
        {"SETUP.EXE /r", "/r"},
        {"SETUP.EXE    R", "R"},
        {"SETUP.EXE\t-r", "-r"},
        {"\"C:\\Program Files\\Foo\\SETUP.EXE\" /r", "/r"},
        {"\"C:\\Program Files\\Foo\\SETUP.EXE\"", ""},
        {"\"C:\\Program Files\\Foo\\SETUP.EXE\"x", "x"},
        {"C:\\WINDOWS\\SYSTEM\\SETUP.EXE x C:\\Program Files\\Foo\\SETUP.EXE", "x C:\\Program Files\\Foo\\SETUP.EXE"},
        {"\"C:\\WINDOWS\\SYSTEM\\SETUP.EXE\" /x C:\\A B\\SETUP.EXE", "/x C:\\A B\\SETUP.EXE"},
        {"\"C:\\Program Files\\Foo", ""},  // a quote that never ends
        // Trail bytes 0x5C and 0x7C are parts of their characters (表, ポ, ソ).
        {"\"D:\\\x95\x5C\\SETUP.EXE\" X D:\\M", "X D:\\M"},
        {"D:\\\x83\x5C\\\x83\x7C.EXE /R", "/R"},
        {"", ""},
    };
    for (const Case& c : cases) {
        std::string line = c.line;
        EXPECT_STREQ(ArgumentsAfterProgramName(&line[0]), c.arguments) << c.line;
    }
}
