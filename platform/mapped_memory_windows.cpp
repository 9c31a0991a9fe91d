#include <windows.h>

#include "platform/mapped_memory.h"

void *mapped_memory_alloc(size_t bytes) {
    if (bytes == 0) return nullptr;
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void mapped_memory_free(void *memory, size_t) {
    if (memory != nullptr) VirtualFree(memory, 0, MEM_RELEASE);
}
