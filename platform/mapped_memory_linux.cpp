#include <sys/mman.h>

#include "platform/mapped_memory.h"

void *mapped_memory_alloc(size_t bytes) {
    if (bytes == 0) return nullptr;
    // One call maps every page, instead of one fault a page on first touch.
    void *p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE,
                   -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void mapped_memory_free(void *memory, size_t bytes) {
    if (memory != nullptr) munmap(memory, bytes);
}
