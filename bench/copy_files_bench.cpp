// Copies a tree of files into a machine with CopyFileA and compares the time
// with `cp -r` of the same tree: 2,000 files, 200 MB, by default in 20
// folders (the second argument sets files per folder). Then removes the
// copies as an uninstaller does (a search, and for each file found a look
// and DeleteFileA) and compares that with `rm -r`.
//   copy_files_bench [FILES] [FILES-PER-FOLDER]
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/machine.h"
#include "windows_host.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

}  // namespace

int main(int argc, char** argv) {
    int files = argc > 1 ? std::atoi(argv[1]) : 2000;
    int perFolder = argc > 2 ? std::atoi(argv[2]) : 100;
    const size_t fileBytes = 100 * 1024;
    if (files <= 0 || perFolder <= 0) return 2;
    char pattern[] = "/tmp/copy-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    std::string root = pattern, media = root + "/media";
    mkdir(media.c_str(), 0755);
    std::string block(fileBytes, 'x');
    for (int i = 0; i < files; ++i) {
        std::string dir = media + "/DIR" + std::to_string(i / perFolder);
        mkdir(dir.c_str(), 0755);
        block[0] = (char)('a' + i % 26);
        std::ofstream(dir + "/File number " + std::to_string(i) + ".dat", std::ios::binary) << block;
    }
    Run("sync");

    host::MachineConfig config;
    if (!host::InitMachine(root + "/machine", config)) return 1;
    host::DriveInfo& d = host::Config().drives['D'];
    d.hostDir = media;
    d.freeMb = host::kDefaultFreeMb;
    host::SaveConfig();

    // Best of three rounds each, taken in turn, so that neither finds the
    // other's writes still in flight.
    double copyFile = 1e9, cp = 1e9;
    int failed = 0;
    for (int round = 0; round < 3; ++round) {
        std::string folder = "C:\\Program Files\\Bench" + std::to_string(round);
        Run("sync");
        auto start = std::chrono::steady_clock::now();
        CreateDirectoryA(folder.c_str(), nullptr);
        for (int i = 0; i < files; ++i) {
            std::string dir = "\\DIR" + std::to_string(i / perFolder);
            std::string name = dir + "\\File number " + std::to_string(i) + ".dat";
            if (i % perFolder == 0) CreateDirectoryA((folder + dir).c_str(), nullptr);
            if (!CopyFileA(("D:" + name).c_str(), (folder + name).c_str(), FALSE)) ++failed;
        }
        double seconds = Seconds(start);
        if (seconds < copyFile) copyFile = seconds;

        Run("sync");
        start = std::chrono::steady_clock::now();
        Run("cp -r '" + media + "' '" + root + "/cp-copy" + std::to_string(round) + "'");
        seconds = Seconds(start);
        if (seconds < cp) cp = seconds;
    }

    double deleteFile = 1e9, rm = 1e9;
    for (int round = 0; round < 3; ++round) {
        std::string folder = "C:\\Program Files\\Bench" + std::to_string(round);
        Run("sync");
        auto start = std::chrono::steady_clock::now();
        for (int dir = 0; dir * perFolder < files; ++dir) {
            std::string path = folder + "\\DIR" + std::to_string(dir);
            WIN32_FIND_DATAA found;
            HANDLE search = FindFirstFileA((path + "\\*.*").c_str(), &found);
            if (search == INVALID_HANDLE_VALUE) continue;
            do {
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
                std::string file = path + "\\" + found.cFileName;
                WIN32_FIND_DATAA one;
                HANDLE look = FindFirstFileA(file.c_str(), &one);
                if (look != INVALID_HANDLE_VALUE) FindClose(look);
                if (!DeleteFileA(file.c_str())) ++failed;
            } while (FindNextFileA(search, &found));
            FindClose(search);
            if (!RemoveDirectoryA(path.c_str())) ++failed;
        }
        double seconds = Seconds(start);
        if (seconds < deleteFile) deleteFile = seconds;
        if (getenv("ONLY_COPY")) continue;

        Run("sync");
        start = std::chrono::steady_clock::now();
        Run("rm -r '" + root + "/cp-copy" + std::to_string(round) + "'");
        seconds = Seconds(start);
        if (seconds < rm) rm = seconds;
    }

    std::printf("%d files of %zu bytes, %d a folder: CopyFileA %.3f s, cp -r %.3f s, ratio %.2f%s\n", files,
                fileBytes, perFolder, copyFile, cp, copyFile / cp, failed ? " (copies failed)" : "");
    std::printf("  DeleteFileA %.3f s, rm -r %.3f s, ratio %.2f\n", deleteFile, rm, deleteFile / rm);
    Run("rm -rf '" + root + "'");
    return failed ? 1 : 0;
}
