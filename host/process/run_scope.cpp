#include "process/run_scope.h"

#include <vector>

namespace host {

namespace {

bool gInRun = false;

std::vector<void (*)()>& Releases() {
    static std::vector<void (*)()> releases;  // in registration order
    return releases;
}

}  // namespace

bool InRun() { return gInRun; }

RunRelease::RunRelease(void (*release)()) { Releases().push_back(release); }

RunScope::RunScope() { gInRun = true; }

RunScope::~RunScope() {
    gInRun = false;
    for (void (*release)() : Releases()) release();
}

}  // namespace host
