// The machine's own state files (the registry, Program Manager's groups, the
// free-space ledger): one that cannot be read whole is never written over,
// the calls that need it fail, and the file and line are recorded for winbox.
// Host only: these files are the host layer's.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "dde/progman.h"
#include "kernel/disk_space.h"
#include "kernel/state_file.h"
#include "platform.h"
#include "registry/registry_text.h"
#include "support/machine_fixture.h"

namespace {

// A state file's text that cannot be read, and the line that says so.
struct Damage {
    const char* what;
    std::string text;
    size_t line;
};

}  // namespace

class StateFilesTest : public MachineTest {
  protected:
    void WriteState(const std::string& name, const std::string& text) {
        std::ofstream out(host::StatePath(name), std::ios::binary | std::ios::trunc);
        out << text;
        ASSERT_TRUE(bool(out)) << name;
    }
    std::string ReadState(const std::string& name) {
        std::ifstream in(host::StatePath(name), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // The damage recorded names the file and the line.
    void ExpectDamageAt(const std::string& name, size_t line) {
        std::string where = host::StatePath(name) + " line " + std::to_string(line) + ": ";
        EXPECT_EQ(host::DamagedStateFile().compare(0, where.size(), where), 0) << host::DamagedStateFile();
    }
};

TEST_F(StateFilesTest, DamagedRegistryFileIsNeitherReadNorWrittenOver) {
    const std::string kept = "[HKEY_CURRENT_USER\\Software\\Kept]\n\"V\"=\"1\"\n";
    const Damage cases[] = {
        {"a UTF-8 byte-order mark", "\xEF\xBB\xBFREGEDIT4\n\n" + kept + "\n", 1},
        {"a line in the middle", "REGEDIT4\n\n" + kept + "\"W\"=nonsense\n\"X\"=\"2\"\n\n", 5},
        {"cut short inside a line", "REGEDIT4\n\n" + kept + "\"Count\"=dword:0000", 5},
        {"no REGEDIT4 line", "\n" + kept, 2},
        {"a value after a deleted key", "REGEDIT4\n\n[-HKEY_CURRENT_USER\\Software\\Gone]\n\"V\"=\"1\"\n", 4},
    };
    for (const Damage& damage : cases) {
        SCOPED_TRACE(damage.what);
        host::ForgetDamagedStateFile();
        WriteState("registry.reg", damage.text);
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\New", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_REGISTRY_CORRUPT);
        EXPECT_EQ(RegSetValueExA(HKEY_CURRENT_USER, "V", 0, REG_SZ, (const BYTE*)"2", 2), ERROR_REGISTRY_CORRUPT);
        EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Kept"), ERROR_REGISTRY_CORRUPT);
        // What was read is not all there is: reading fails too.
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kept", 0, KEY_READ, &key), ERROR_REGISTRY_CORRUPT);
        std::string error;
        EXPECT_FALSE(host::ImportRegistryText("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\New]\n", &error));
        EXPECT_EQ(error, host::DamagedStateFile());
        EXPECT_EQ(ReadState("registry.reg"), damage.text);
        ExpectDamageAt("registry.reg", damage.line);
    }
}

TEST_F(StateFilesTest, RegistryFileWithOtherLineEndsOrCommentsIsRead) {
    const std::string cases[] = {
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kept]\r\n\"V\"=\"1\"\r\n\r\n",
        "\nREGEDIT4\n; kept by hand\n[HKEY_CURRENT_USER\\Software\\Kept]\n\"V\"=\"1\"\n",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        WriteState("registry.reg", text);
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kept", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExA(key, "W", 0, REG_SZ, (const BYTE*)"2", 2), ERROR_SUCCESS);
        char value[8];
        DWORD size = sizeof value;
        EXPECT_EQ(RegQueryValueExA(key, "V", nullptr, nullptr, (BYTE*)value, &size), ERROR_SUCCESS);
        EXPECT_STREQ(value, "1");
        RegCloseKey(key);
    }
    EXPECT_EQ(host::DamagedStateFile(), "");
}

TEST_F(StateFilesTest, DamagedProgramManagerStateIsNeitherReadNorWrittenOver) {
    const Damage cases[] = {
        {"a line that is no record", "group\tA\nitem\tx\tC:\\X.EXE\nbogus\nactive\tA\n", 3},
        {"an item before any group", "item\tx\tC:\\X.EXE\ngroup\tA\n", 1},
        {"a UTF-8 byte-order mark", "\xEF\xBB\xBFgroup\tA\n", 1},
        {"cut short inside a line", "group\tA\nitem\tx\tC:\\X", 2},
    };
    for (const Damage& damage : cases) {
        SCOPED_TRACE(damage.what);
        host::ForgetDamagedStateFile();
        WriteState("progman.txt", damage.text);
        EXPECT_FALSE(host::ProgmanExecute("[CreateGroup(B)][AddItem(C:\\B.EXE,B)]"));
        EXPECT_TRUE(host::ProgmanGroups().empty());
        EXPECT_EQ(ReadState("progman.txt"), damage.text);
        ExpectDamageAt("progman.txt", damage.line);
    }
}

TEST_F(StateFilesTest, DamagedFreeSpaceLedgerIsNeitherReadNorWrittenOver) {
    ASSERT_TRUE(host::ChargeDrive('C', (long long)host::kClusterBytes));  // C:'s line in the ledger
    const std::string first = ReadState("disk-space");
    ASSERT_EQ(first.compare(0, 2, "C "), 0) << first;
    unsigned long long freeBytes = 0;
    const Damage cases[] = {
        {"a line that is no drive", first + "bogus\n", 2},
        {"a negative balance", "C 512000 -5 /x\n", 1},
        {"cut short inside a line", first + "D 10", 2},
    };
    for (const Damage& damage : cases) {
        SCOPED_TRACE(damage.what);
        host::ForgetDamagedStateFile();
        WriteState("disk-space", damage.text);
        EXPECT_FALSE(host::ChargeDrive('C', (long long)host::kClusterBytes));
        EXPECT_FALSE(host::DriveFreeBytes('C', &freeBytes));
        EXPECT_EQ(ReadState("disk-space"), damage.text);
        ExpectDamageAt("disk-space", damage.line);
    }
}
