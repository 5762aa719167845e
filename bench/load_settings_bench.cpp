// Times LoadSettings over a settings file of 1,000 and of 10,000 file and
// Start-menu entries: it reads every numbered key, so its cost should grow
// with the entries, not with their square. Each run starts with the profile
// cache flushed, as a freshly started program would; the two sizes take
// turns, so a busy machine slows both alike.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/setup_state.h"
#include "core/machine.h"
#include "platform.h"
#include "settings/settings.h"

namespace {

constexpr int kRuns = 15;

struct Trial {
    int entries;
    std::string setupDir;  // Windows path with the trailing backslash
    std::vector<double> times;
};

bool WriteSettings(const Trial& trial) {
    std::string text = "[Install]\r\nTitle=Bench Product\r\nFolder=Bench\r\n";
    char line[128];
    for (int n = 1; n <= trial.entries; ++n) {
        snprintf(line, sizeof line, "%d=BIN\\FILE%04d.DAT\r\n", n, n);
        text += line;
    }
    text += "[Group]\r\n";
    for (int n = 1; n <= trial.entries; ++n) {
        snprintf(line, sizeof line, "%d=Caption %04d,BIN\\FILE%04d.DAT\r\n", n, n, n);
        text += line;
    }
    std::string dir = trial.setupDir.substr(0, trial.setupDir.size() - 1);
    std::string hostPath;
    if (!CreateDirectoryA(dir.c_str(), nullptr) || !host::HostPathOf(trial.setupDir + "SETUP.INF", &hostPath))
        return false;
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    out << text;
    return bool(out);
}

// What WinMain fills in before it loads the settings.
void PrepareProcess(const Trial& trial) {
    host::CurrentProcess().modulePath = trial.setupDir + "SETUP.EXE";
    setup = SetupState();
    snprintf(setup.modulePath, sizeof setup.modulePath, "%sSETUP.EXE", trial.setupDir.c_str());
    snprintf(setup.setupDir, sizeof setup.setupDir, "%s", trial.setupDir.c_str());
    snprintf(setup.programFileName, sizeof setup.programFileName, "SETUP.EXE");
    snprintf(setup.settingsFileName, sizeof setup.settingsFileName, "SETUP.INF");
    snprintf(setup.settingsPath, sizeof setup.settingsPath, "%sSETUP.INF", trial.setupDir.c_str());
}

// One timed LoadSettings; false when it fails or miscounts.
bool RunOnce(Trial* trial) {
    PrepareProcess(*trial);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);  // flush the profile cache
    auto start = std::chrono::steady_clock::now();
    BOOL loaded = LoadSettings();
    auto stop = std::chrono::steady_clock::now();
    if (!loaded || setup.fileCount != trial->entries || setup.groupCount != trial->entries) {
        fprintf(stderr, "LoadSettings with %d entries: loaded %d, %d files, %d groups\n", trial->entries, loaded,
                setup.fileCount, setup.groupCount);
        return false;
    }
    trial->times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    return true;
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

int Run() {
    Trial trials[] = {{1000, "C:\\SETUP1K\\", {}}, {10000, "C:\\SETUP10K\\", {}}};
    for (const Trial& trial : trials) {
        if (!WriteSettings(trial)) {
            fprintf(stderr, "cannot write %sSETUP.INF\n", trial.setupDir.c_str());
            return 1;
        }
    }
    // A file changed within the file system clock's current tick is compared
    // again on each read until the tick is over; media are older than that.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (int run = 0; run < kRuns; ++run)
        for (Trial& trial : trials)
            if (!RunOnce(&trial)) return 1;
    double small = Median(trials[0].times);
    double large = Median(trials[1].times);
    double ratio = large / small;
    printf("LoadSettings, median of %d runs, profile cache flushed before each:\n", kRuns);
    printf("  1,000 entries:  %9.3f ms\n", small);
    printf("  10,000 entries: %9.3f ms\n", large);
    printf("  ratio 10k/1k:   %9.2f (target <= 12)\n", ratio);
    return ratio <= 12 ? 0 : 2;
}

}  // namespace

int main() {
    char pattern[] = "/tmp/load-settings-bench-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir || !host::InitMachine(std::string(dir) + "/machine", host::MachineConfig())) {
        fprintf(stderr, "cannot make a machine\n");
        return 1;
    }
    int status = Run();
    std::string command = "rm -rf '" + std::string(dir) + "'";
    if (std::system(command.c_str()) != 0) fprintf(stderr, "cannot remove %s\n", dir);
    return status;
}
