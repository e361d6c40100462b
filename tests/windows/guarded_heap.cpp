#include "guarded_heap.h"

#include <cstring>
#include <unordered_map>

namespace {

constexpr size_t kPage = 4096;

void* (*g_realMalloc)(size_t) = nullptr;
void* (*g_realRealloc)(void*, size_t) = nullptr;
void (*g_realFree)(void*) = nullptr;
std::unordered_map<void*, size_t>* g_blocks = nullptr;  // block -> size
size_t g_liveBytes = 0;
// The module may allocate and free from several threads at once.
SRWLOCK g_blocksLock = SRWLOCK_INIT;

class BlocksLock {
public:
    BlocksLock() { AcquireSRWLockExclusive(&g_blocksLock); }
    ~BlocksLock() { ReleaseSRWLockExclusive(&g_blocksLock); }
    BlocksLock(const BlocksLock&) = delete;
    BlocksLock& operator=(const BlocksLock&) = delete;
};

// Blocks are laid out one after the other in address space reserved a
// gigabyte at a time and never handed out twice, each followed by a page
// left reserved: a freed block's pages merge with their neighbours' into
// one no-access range, so that many thousands of blocks cost the process
// few mappings.
constexpr size_t kArenaBytes = size_t{1} << 30;
char* g_arenaNext = nullptr;
char* g_arenaEnd = nullptr;

void* GuardedMalloc(size_t size)
{
    const size_t readable = (size + kPage - 1) / kPage * kPage;
    const BlocksLock lock;
    if (g_arenaNext == nullptr || static_cast<size_t>(g_arenaEnd - g_arenaNext) < readable + kPage) {
        const size_t reserve = readable + kPage > kArenaBytes ? readable + kPage : kArenaBytes;
        char* arena = static_cast<char*>(VirtualAlloc(nullptr, reserve, MEM_RESERVE, PAGE_NOACCESS));
        if (arena == nullptr)
            return nullptr;
        g_arenaNext = arena;
        g_arenaEnd = arena + reserve;
    }
    char* region = g_arenaNext;
    g_arenaNext += readable + kPage;
    if (readable != 0 && VirtualAlloc(region, readable, MEM_COMMIT, PAGE_READWRITE) == nullptr)
        return nullptr;
    // Byte-exact: the first byte past the block is the guard page's.
    void* block = region + readable - size;
    (*g_blocks)[block] = size;
    g_liveBytes += size;
    return block;
}

void* GuardedCalloc(size_t count, size_t size)
{
    if (size != 0 && count > SIZE_MAX / size)
        return nullptr;
    return GuardedMalloc(count * size);  // committed pages come zeroed
}

// The size of a block of the guarded heap, taken out of the ledger; false
// for blocks from before the patch.
bool TakeOut(void* block, size_t& size)
{
    const BlocksLock lock;
    const auto found = g_blocks->find(block);
    if (found == g_blocks->end())
        return false;
    size = found->second;
    g_blocks->erase(found);
    g_liveBytes -= size;
    return true;
}

void GuardedFree(void* block)
{
    if (block == nullptr)
        return;
    size_t size = 0;
    if (!TakeOut(block, size)) {
        g_realFree(block);
        return;
    }
    // Keep the address range reserved and inaccessible: a use after release faults.
    char* region = static_cast<char*>(block) - ((reinterpret_cast<uintptr_t>(block)) % kPage);
    const size_t readable = (size + kPage - 1) / kPage * kPage;
    if (readable != 0)
        VirtualFree(region, readable, MEM_DECOMMIT);
}

void* GuardedRealloc(void* block, size_t size)
{
    if (block == nullptr)
        return GuardedMalloc(size);
    size_t oldSize = 0;
    {
        const BlocksLock lock;
        const auto found = g_blocks->find(block);
        if (found == g_blocks->end())
            return g_realRealloc(block, size);
        oldSize = found->second;
    }
    void* moved = GuardedMalloc(size);
    if (moved == nullptr)
        return nullptr;
    std::memcpy(moved, block, oldSize < size ? oldSize : size);
    GuardedFree(block);
    return moved;
}

template <typename Function>
std::unique_ptr<ImportPatch> Patch(HMODULE module, const char* name, Function* replacement)
{
    return std::make_unique<ImportPatch>(module, "msvcrt.dll", name, reinterpret_cast<const void*>(replacement));
}

}  // namespace

GuardedHeap::GuardedHeap(HMODULE module)
{
    g_blocks = new std::unordered_map<void*, size_t>();
    g_liveBytes = 0;
    g_arenaNext = nullptr;
    g_arenaEnd = nullptr;
    malloc_ = Patch(module, "malloc", &GuardedMalloc);
    calloc_ = Patch(module, "calloc", &GuardedCalloc);
    realloc_ = Patch(module, "realloc", &GuardedRealloc);
    free_ = Patch(module, "free", &GuardedFree);
    g_realMalloc = malloc_->Original<void* (*)(size_t)>();
    g_realRealloc = realloc_->Original<void* (*)(void*, size_t)>();
    g_realFree = free_->Original<void (*)(void*)>();
}

GuardedHeap::~GuardedHeap()
{
    malloc_.reset();
    calloc_.reset();
    realloc_.reset();
    free_.reset();
    // Blocks still live are left mapped. Their owner must not free them after
    // this: install the heap for as long as the module runs.
    delete g_blocks;
    g_blocks = nullptr;
}

bool GuardedHeap::Applied() const
{
    return malloc_->Applied() && calloc_->Applied() && realloc_->Applied() && free_->Applied();
}

size_t GuardedHeap::LiveBlocks() const
{
    const BlocksLock lock;
    return g_blocks->size();
}

size_t GuardedHeap::LiveBytes() const
{
    const BlocksLock lock;
    return g_liveBytes;
}
