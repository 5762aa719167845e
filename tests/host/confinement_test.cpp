// What the file calls do with host files that are no plain files of the
// machine: symbolic links that lead out of a drive's folder, and FIFOs and
// sockets on the media. Host-only: Windows has neither, so these tests are
// not part of the Windows build of the host tests.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "core/drive_files.h"
#include "kernel/file_sharing.h"
#include "platform.h"
#include "process/program_file.h"
#include "program_registration.h"
#include "support/machine_fixture.h"


namespace {

const char kOutsideText[] = "outside: not the machine's\n";

std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool HostExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

}  // namespace

// Drive E: is the media. Beside the machine and the media, a host folder
// that neither may reach: outside/ with OUTSIDE.TXT.
class ConfinementTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        media_ = MountDrive('E');
        outside_ = machineDir_ + "/outside";
        ASSERT_EQ(mkdir(outside_.c_str(), 0755), 0);
        std::ofstream(outside_ + "/OUTSIDE.TXT", std::ios::binary) << kOutsideText;
        WriteFile("E:\\PLAIN.TXT", "plain");
        ASSERT_TRUE(CreateDirectoryA("C:\\T", nullptr));
    }
    void TearDown() override {
        host::UseLevelWalkForLinks(false);
        MachineTest::TearDown();
    }
    // Makes a symbolic link at a Windows path (its folder must exist).
    void Link(const std::string& target, const std::string& windowsPath) {
        ASSERT_EQ(symlink(target.c_str(), Host(windowsPath).c_str()), 0) << windowsPath;
    }
    std::string OutsideText() { return ReadHostFile(outside_ + "/OUTSIDE.TXT"); }

    std::string media_, outside_;
};

// A link of the media that leads out, to a file or a folder, by an absolute
// or a relative target, is no copy source; the same call through a link
// that stays on the media copies.
TEST_F(ConfinementTest, LinksOutOfTheMediaAreNoCopySource) {
    ASSERT_TRUE(CreateDirectoryA("E:\\SUB", nullptr));
    WriteFile("E:\\SUB\\INSIDE.TXT", "inside");
    Link(outside_ + "/OUTSIDE.TXT", "E:\\ABS.TXT");
    Link("../outside/OUTSIDE.TXT", "E:\\REL.TXT");
    Link(outside_, "E:\\HOST");
    Link("../outside", "E:\\UP");
    Link("/etc", "E:\\ETC");
    Link("SUB/INSIDE.TXT", "E:\\ALIAS.TXT");
    Link("SUB", "E:\\ALIASDIR");
    Link("../PLAIN.TXT", "E:\\SUB\\BACK.TXT");
    struct Case {
        const char* source;
        bool copies;  // else ERROR_ACCESS_DENIED
        const char* content;
    } cases[] = {
        {"E:\\ABS.TXT", false, ""},
        {"E:\\REL.TXT", false, ""},
        {"E:\\HOST\\OUTSIDE.TXT", false, ""},
        {"E:\\UP\\OUTSIDE.TXT", false, ""},
        {"E:\\ETC\\passwd", false, ""},
        {"E:\\ALIAS.TXT", true, "inside"},
        {"E:\\ALIASDIR\\INSIDE.TXT", true, "inside"},
        {"E:\\SUB\\BACK.TXT", true, "plain"},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(CopyFileA(c.source, "C:\\T\\COPY.TXT", FALSE), c.copies ? TRUE : FALSE) << c.source;
        if (c.copies) {
            EXPECT_EQ(ReadFile("C:\\T\\COPY.TXT"), c.content) << c.source;
            ASSERT_TRUE(DeleteFileA("C:\\T\\COPY.TXT"));
        } else {
            EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED) << c.source;
            EXPECT_FALSE(Exists("C:\\T\\COPY.TXT")) << c.source;
        }
    }
    // Nor are they read by the other calls that read a file.
    OFSTRUCT ofs;
    EXPECT_EQ(OpenFile("E:\\ABS.TXT", &ofs, OF_READ), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    std::ofstream(outside_ + "/OUTSIDE.INI", std::ios::binary) << "[S]\r\nK=outside\r\n";
    char value[32];
    EXPECT_EQ(GetPrivateProfileStringA("S", "K", "none", value, sizeof value, "E:\\HOST\\OUTSIDE.INI"), 4u);
    EXPECT_STREQ(value, "none");
    EXPECT_FALSE(host::IsSetupProgramFile(Host("E:\\HOST\\OUTSIDE.TXT")));
}

// What a link of the machine's own drive would reach outside is never
// written, made, changed or deleted; the link itself may go.
TEST_F(ConfinementTest, ALinkInTheMachineIsNeverWrittenThrough) {
    Link(outside_ + "/OUTSIDE.TXT", "C:\\T\\TARGET.TXT");
    Link(outside_, "C:\\T\\OUTDIR");
    struct stat before;
    ASSERT_EQ(stat((outside_ + "/OUTSIDE.TXT").c_str(), &before), 0);
    auto expectOutsideUntouched = [&](const char* what) {
        EXPECT_EQ(OutsideText(), kOutsideText) << what;
        struct stat after;
        ASSERT_EQ(stat((outside_ + "/OUTSIDE.TXT").c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode) << what;
        EXPECT_FALSE(HostExists(outside_ + "/NEW.TXT")) << what;
        EXPECT_FALSE(HostExists(outside_ + "/NEW")) << what;
    };
    struct Case {
        const char* what;
        BOOL (*call)();
    } cases[] = {
        {"copy over", [] { return CopyFileA("E:\\PLAIN.TXT", "C:\\T\\TARGET.TXT", FALSE); }},
        {"copy into", [] { return CopyFileA("E:\\PLAIN.TXT", "C:\\T\\OUTDIR\\NEW.TXT", FALSE); }},
        {"move over",
         [] {
             return MoveFileExA("E:\\PLAIN.TXT", "C:\\T\\TARGET.TXT", MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING);
         }},
        {"make a folder in", [] { return CreateDirectoryA("C:\\T\\OUTDIR\\NEW", nullptr); }},
        {"profile write", [] { return WritePrivateProfileStringA("S", "K", "V", "C:\\T\\TARGET.TXT"); }},
        {"profile write in", [] { return WritePrivateProfileStringA("S", "K", "V", "C:\\T\\OUTDIR\\NEW.TXT"); }},
        {"read-only", [] { return SetFileAttributesA("C:\\T\\TARGET.TXT", FILE_ATTRIBUTE_READONLY); }},
        {"old create", [] {
             OFSTRUCT ofs;
             return (BOOL)(OpenFile("C:\\T\\TARGET.TXT", &ofs, OF_CREATE | OF_WRITE) != HFILE_ERROR);
         }},
        {"old create in", [] {
             OFSTRUCT ofs;
             return (BOOL)(OpenFile("C:\\T\\OUTDIR\\NEW.TXT", &ofs, OF_CREATE | OF_WRITE) != HFILE_ERROR);
         }},
        {"delete in", [] { return DeleteFileA("C:\\T\\OUTDIR\\OUTSIDE.TXT"); }},
        {"remove folder", [] { return RemoveDirectoryA("C:\\T\\OUTDIR"); }},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_FALSE(c.call()) << c.what;
        if (strcmp(c.what, "remove folder") != 0) {
            EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED) << c.what;
        }
        expectOutsideUntouched(c.what);
    }
    // A shortcut saved over the link's name.
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    IShellLinkA* link = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link), S_OK);
    IPersistFile* file = nullptr;
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, (void**)&file), S_OK);
    link->SetPath("C:\\T");
    WCHAR wide[MAX_PATH];
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, "C:\\T\\TARGET.TXT", -1, wide, MAX_PATH), 0);
    EXPECT_TRUE(FAILED(file->Save(wide, TRUE)));
    file->Release();
    link->Release();
    CoUninitialize();
    expectOutsideUntouched("shortcut");

    // Deleting the link takes the link alone.
    EXPECT_TRUE(DeleteFileA("C:\\T\\TARGET.TXT"));
    EXPECT_TRUE(DeleteFileA("C:\\T\\OUTDIR"));
    EXPECT_FALSE(HostExists(Host("C:\\T\\OUTDIR")));
    expectOutsideUntouched("delete");
}

// A link that leads out is listed as a file (never as a folder a walk would
// go into), and what is below it is not listed.
TEST_F(ConfinementTest, ListingShowsALinkOutAsAFile) {
    Link(outside_ + "/OUTSIDE.TXT", "C:\\T\\TARGET.TXT");
    Link(outside_, "C:\\T\\OUTDIR");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("C:\\T\\*", &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::set<std::string> names;  // name, "/" for a folder, size
    do {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
        names.insert(std::string(found.cFileName) + ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "/ " : " ") +
                     std::to_string(found.nFileSizeLow));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(names, (std::set<std::string>{"OUTDIR 0", "TARGET.TXT 0"}));
    EXPECT_EQ(GetFileAttributesA("C:\\T\\OUTDIR") & FILE_ATTRIBUTE_DIRECTORY, 0u);
    SetLastError(0);
    EXPECT_EQ(FindFirstFileA("C:\\T\\OUTDIR\\*", &found), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(FindFirstFileA("C:\\T\\OUTDIR\\OUTSIDE.TXT", &found), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetFileAttributesA("C:\\T\\OUTDIR\\OUTSIDE.TXT"), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(SetCurrentDirectoryA("C:\\T\\OUTDIR"));
}

// Where the kernel cannot keep a walk below a folder, no link is followed.
TEST_F(ConfinementTest, WithoutResolveBeneathNoLinkIsFollowed) {
    host::UseLevelWalkForLinks(true);
    ASSERT_TRUE(CreateDirectoryA("E:\\SUB", nullptr));
    WriteFile("E:\\SUB\\INSIDE.TXT", "inside");
    Link(outside_ + "/OUTSIDE.TXT", "E:\\ABS.TXT");
    Link(outside_, "E:\\HOST");
    Link("SUB/INSIDE.TXT", "E:\\ALIAS.TXT");
    Link(outside_ + "/OUTSIDE.TXT", "C:\\T\\TARGET.TXT");
    for (const char* source : {"E:\\ABS.TXT", "E:\\HOST\\OUTSIDE.TXT", "E:\\ALIAS.TXT"}) {
        EXPECT_FALSE(CopyFileA(source, "C:\\T\\COPY.TXT", FALSE)) << source;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED) << source;
    }
    EXPECT_TRUE(CopyFileA("E:\\SUB\\INSIDE.TXT", "C:\\T\\COPY.TXT", FALSE));
    EXPECT_EQ(ReadFile("C:\\T\\COPY.TXT"), "inside");
    EXPECT_FALSE(CopyFileA("E:\\PLAIN.TXT", "C:\\T\\TARGET.TXT", FALSE));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "V", "C:\\T\\TARGET.TXT"));
    EXPECT_EQ(OutsideText(), kOutsideText);
}

// A FIFO or a socket on the media cannot be read: the calls refuse it at
// once, and never wait for a writer.
TEST_F(ConfinementTest, FifosAndSocketsAreNoSources) {
    ASSERT_EQ(mkfifo(Host("E:\\PIPE.TXT").c_str(), 0644), 0);
    int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string socketPath = media_ + "/SOCKET.TXT";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(bind(sock, (sockaddr*)&address, sizeof address), 0);
    for (const char* source : {"E:\\PIPE.TXT", "E:\\SOCKET.TXT"}) {
        SetLastError(0);
        EXPECT_FALSE(CopyFileA(source, "C:\\T\\COPY.TXT", FALSE)) << source;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED) << source;
        EXPECT_FALSE(Exists("C:\\T\\COPY.TXT")) << source;
        OFSTRUCT ofs;
        EXPECT_EQ(OpenFile(source, &ofs, OF_READ), HFILE_ERROR) << source;
        char value[8];
        EXPECT_EQ(GetPrivateProfileStringA("S", "K", "none", value, sizeof value, source), 4u) << source;
        EXPECT_FALSE(host::IsSetupProgramFile(Host(source))) << source;
    }
    // Nor does one given as a copy's target stand for a file to write.
    EXPECT_FALSE(CopyFileA("E:\\PLAIN.TXT", "E:\\PIPE.TXT", FALSE));
    close(sock);
}

// The check that a file is the setup program reads the file's start alone:
// a device reached through a link stops it at once, and a signature far past
// any program's size does not count.
TEST_F(ConfinementTest, TheProgramCheckReadsABoundedStart) {
    ASSERT_EQ(symlink("/dev/zero", (media_ + "/ZERO.EXE").c_str()), 0);
    EXPECT_FALSE(host::IsSetupProgramFile(media_ + "/ZERO.EXE"));
    std::string far = Host("E:\\FAR.EXE");
    {
        std::ofstream out(far, std::ios::binary);
        out << "MZ";
    }
    ASSERT_EQ(truncate(far.c_str(), 64LL << 20), 0);  // sparse: no disk used
    std::ofstream(far, std::ios::binary | std::ios::app) << host::RegisteredProgram().signature;
    EXPECT_FALSE(host::IsSetupProgramFile(far));
    ASSERT_TRUE(host::WriteProgramStandIn(Host("E:\\SETUP.EXE")));
    EXPECT_TRUE(host::IsSetupProgramFile(Host("E:\\SETUP.EXE")));
}

// The machine's own state files are never links: one put in their place is
// not written through.
TEST_F(ConfinementTest, StateFilesAreNeverWrittenThroughALink) {
    const char* const kStateFiles[] = {"disk-space", "short-names", "locks"};
    for (const char* name : kStateFiles) {
        std::string path = machineDir_ + "/machine/state/" + name;
        unlink(path.c_str());
        ASSERT_EQ(symlink((outside_ + "/OUTSIDE.TXT").c_str(), path.c_str()), 0) << name;
    }
    EXPECT_TRUE(CopyFileA("E:\\PLAIN.TXT", "C:\\T\\A LONG NAME.TEXT", FALSE));
    char shortPath[MAX_PATH];
    EXPECT_GT(GetShortPathNameA("C:\\T\\A LONG NAME.TEXT", shortPath, sizeof shortPath), 0u);
    host::HoldFileOpen("C:\\T\\A LONG NAME.TEXT");
    // The machine's settings are written through a temporary file beside them.
    std::string temporary = machineDir_ + "/machine/machine.cfg.tmp";
    ASSERT_EQ(symlink((outside_ + "/OUTSIDE.TXT").c_str(), temporary.c_str()), 0);
    host::SaveConfig();
    EXPECT_EQ(OutsideText(), kOutsideText);
}
