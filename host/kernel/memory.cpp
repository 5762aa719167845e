// Global memory: every block is fixed, so the handle is the block's address.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "windows_host.h"

namespace {

std::mutex gMutex;
std::unordered_set<void*> gBlocks;  // blocks GlobalAlloc gave and GlobalFree has not taken back

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
    gBlocks.insert(block);
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
