// Installs a generated product of 2,000 files and 200 MB with the program
// (host build, script mode) and removes it again, and compares each with
// `cp -r` and `rm -r` of the same tree on the same disk. Prints the median
// wall time of each, their ratios, and the installation's cost per file for
// 2,000 empty files.
//   install_remove_bench [RUNS]
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/setup_state.h"
#include "core/machine.h"
#include "process/program_file.h"
#include "setup_program.h"
#include "ui/frontend.h"
#include "ui/script.h"
#include "windows_host.h"

namespace {

constexpr int kFiles = 2000;

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

// The product's media: half the files flat, half in nested folders, and the
// settings file that lists them all.
void MakeMedia(const std::string& dir, size_t bytesPerFile) {
    Shell("rm -rf '" + dir + "' && mkdir -p '" + dir + "'");
    std::string content(bytesPerFile, 'x');
    std::ostringstream settings;
    settings << "[Install]\r\nTitle=Bench\r\nFolder=Bench\r\n";
    for (int n = 1; n <= kFiles; ++n) {
        std::string relative;
        if (n % 2) {
            relative = "FILE" + std::to_string(n) + ".DAT";
        } else {
            std::string folder = "SUB" + std::to_string(n % 20) + "/DEEP" + std::to_string(n % 5);
            std::filesystem::create_directories(dir + "/" + folder);
            relative = folder + "/F" + std::to_string(n) + ".DAT";
        }
        std::ofstream(dir + "/" + relative, std::ios::binary) << content;
        std::replace(relative.begin(), relative.end(), '/', '\\');
        settings << n << "=" << relative << "\r\n";
    }
    std::ofstream(dir + "/SETUP.INF", std::ios::binary) << settings.str();
    host::WriteProgramStandIn(dir + "/SETUP.EXE");
    // Files as old as real media: a file written within the clock's last tick
    // is checked byte by byte on every read.
    usleep(100 * 1000);
}

// Runs the program file with a script; the transcript is dropped.
void RunProgram(const std::string& path, const std::string& commandLine, const std::string& script) {
    host::ScriptFrontEnd frontEnd;
    frontEnd.LoadText(script);
    host::SetFrontEnd(&frontEnd);
    std::ostringstream transcript;
    host::SetTranscript(&transcript);
    setup = SetupState();
    std::string error;
    if (host::RunProgramFile(path, commandLine, &error) != 1) {
        std::fprintf(stderr, "run failed: %s\n%s\n", error.c_str(), transcript.str().c_str());
        std::exit(1);
    }
    host::SetFrontEnd(nullptr);
}

struct Times {
    double install, copy, removal, remove;
};

Times MeasureOnce(const std::string& work, const std::string& media) {
    Times times;
    host::MachineConfig config;
    host::InitMachine(work + "/machine", config);
    host::Config().drives['D'] = {media, host::kDefaultFreeMb};
    host::SaveConfig();
    std::string installed;
    host::HostPathOf("C:\\Program Files\\Bench", &installed);

    Shell("sync");
    Clock::time_point start = Clock::now();
    RunProgram("D:\\SETUP.EXE", "", "press next\npress next\npress cancel\n");
    times.install = Since(start);

    Shell("sync");
    start = Clock::now();
    Shell("cp -r '" + media + "' '" + work + "/copy'");
    times.copy = Since(start);

    CopyFileA("C:\\Program Files\\Bench\\SETUP.EXE", "C:\\WINDOWS\\SYSTEM\\SETUP.EXE", FALSE);
    Shell("sync");
    start = Clock::now();
    RunProgram("C:\\WINDOWS\\SYSTEM\\SETUP.EXE", "x C:\\Program Files\\Bench\\SETUP.EXE", "press 2\n");
    times.removal = Since(start);
    struct stat st;
    if (stat(installed.c_str(), &st) == 0) {
        std::fprintf(stderr, "the removal left %s\n", installed.c_str());
        std::exit(1);
    }

    Shell("sync");
    start = Clock::now();
    Shell("rm -r '" + work + "/copy'");
    times.remove = Since(start);
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    program_host::RegisterSetupProgram();
    int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    char pattern[] = "/var/tmp/setup-bench-XXXXXX";
    std::string work = mkdtemp(pattern);
    std::string media = work + "/media";

    MakeMedia(media, 200 * 1000 * 1000 / kFiles);
    std::vector<double> install, copy, removal, remove;
    for (int run = 0; run < runs; ++run) {
        Times times = MeasureOnce(work, media);
        install.push_back(times.install);
        copy.push_back(times.copy);
        removal.push_back(times.removal);
        remove.push_back(times.remove);
    }
    std::printf("2,000 files, 200 MB, median of %d runs\n", runs);
    std::printf("  install %.3f s   cp -r %.3f s   ratio %.2f (target <= 1.3)\n", Median(install), Median(copy),
                Median(install) / Median(copy));
    std::printf("  removal %.3f s   rm -r %.3f s   ratio %.2f (target <= 1.5)\n", Median(removal), Median(remove),
                Median(removal) / Median(remove));

    MakeMedia(media, 0);
    std::vector<double> empty;
    for (int run = 0; run < runs; ++run) empty.push_back(MeasureOnce(work, media).install);
    std::printf("2,000 empty files: install %.3f s, %.1f us per file\n", Median(empty),
                Median(empty) / kFiles * 1e6);
    Shell("rm -rf '" + work + "'");
    return 0;
}
