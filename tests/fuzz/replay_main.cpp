// Runs a fuzz target's entry function once on every file of the folders (or
// the files) named on the command line, as libFuzzer does with files given
// as arguments: a quick regression run over the kept corpus.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_machine.h"

namespace {

void AddInputs(const std::string& path, std::vector<std::string>* files) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return;
    if (!S_ISDIR(st.st_mode)) {
        files->push_back(path);
        return;
    }
    DIR* dir = opendir(path.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());  // the same order on every run
    for (const std::string& name : names) AddInputs(path + "/" + name, files);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) AddInputs(argv[i], &files);
    if (files.empty()) {
        fprintf(stderr, "replay: no input files\n");
        return 1;
    }
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        std::string input = bytes.str();
        fprintf(stderr, "%s\n", file.c_str());  // names the input that fails, if one does
        LLVMFuzzerTestOneInput((const uint8_t*)input.data(), input.size());
    }
    printf("replayed %zu inputs\n", files.size());
    return 0;
}
