#pragma once

// A page heap for one module: its malloc, calloc, realloc and free are
// patched so that every block it allocates ends right against a no-access
// page, and freed blocks become no-access. A read or write past the end of a
// block, or after its release, is then an access violation instead of a
// silent success. Blocks from before the patch are handed to the real free.
// Safe to use from several threads of the module at once.

#include "import_patch.h"

#include <memory>

class GuardedHeap {
public:
    explicit GuardedHeap(HMODULE module);
    ~GuardedHeap();
    GuardedHeap(const GuardedHeap&) = delete;
    GuardedHeap& operator=(const GuardedHeap&) = delete;

    bool Applied() const;
    // Blocks allocated and not yet freed.
    size_t LiveBlocks() const;
    // Their bytes in all.
    size_t LiveBytes() const;

private:
    std::unique_ptr<ImportPatch> malloc_, calloc_, realloc_, free_;
};
