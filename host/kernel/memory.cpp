// Global memory: every block is fixed, so the handle is the block's address.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "process/run_scope.h"
#include "windows_host.h"

namespace {

std::mutex gMutex;
// Blocks GlobalAlloc gave and GlobalFree has not taken back, each with
// whether the program's run made it.
std::unordered_map<void*, bool> gBlocks;

// The blocks the program left when its run ended.
void FreeRunBlocks() {
    std::lock_guard<std::mutex> lock(gMutex);
    for (auto it = gBlocks.begin(); it != gBlocks.end();) {
        if (it->second) {
            free(it->first);
            it = gBlocks.erase(it);
        } else {
            ++it;
        }
    }
}
const host::RunRelease kFreeRunBlocks(FreeRunBlocks);

}  // namespace

// GMEM_MOVEABLE and the other flags but GMEM_ZEROINIT are ignored: the block
// is fixed, and GlobalLock is not served.
HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
    void* block = (flags & GMEM_ZEROINIT) ? calloc(bytes ? bytes : 1, 1) : malloc(bytes ? bytes : 1);
    if (!block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(gMutex);
    gBlocks.emplace(block, host::InRun());
    return block;
}

// Null on success; the handle itself when it is no block of GlobalAlloc's.
HGLOBAL GlobalFree(HGLOBAL memory) {
    if (!memory) return nullptr;
    std::lock_guard<std::mutex> lock(gMutex);
    if (!gBlocks.erase(memory)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return memory;
    }
    free(memory);
    return nullptr;
}
