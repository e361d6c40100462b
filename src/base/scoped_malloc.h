#pragma once

#include <cstdlib>
#include <memory>

// Memory from std::malloc, freed with std::free. Buffers that the tests
// observe or refuse at the import table are taken from malloc rather than new.
struct MallocDeleter {
    void operator()(void* memory) const { std::free(memory); }
};
template <typename Element>
using ScopedMalloc = std::unique_ptr<Element, MallocDeleter>;
