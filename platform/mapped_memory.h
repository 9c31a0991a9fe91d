// Large zero-filled buffers whose pages are all in place when they are
// handed out. Touching fresh memory page by page costs one fault a page, and
// on some systems (virtual machines above all) a fault costs more than
// copying the page: read-back buffers and the write journal's hashes are
// taken from here. Linux: mapped_memory_linux.cpp; Windows:
// mapped_memory_windows.cpp.
#pragma once

#include <cstddef>

// Page aligned; nullptr when memory runs out.
void *mapped_memory_alloc(size_t bytes);
// bytes: as given to mapped_memory_alloc. nullptr is ignored.
void mapped_memory_free(void *memory, size_t bytes);

// Owns one such buffer; data is nullptr when memory ran out.
class mapped_buffer {
public:
    explicit mapped_buffer(size_t bytes) : bytes_(bytes), data_(mapped_memory_alloc(bytes)) {}
    ~mapped_buffer() { mapped_memory_free(data_, bytes_); }
    mapped_buffer(mapped_buffer &&other) noexcept : bytes_(other.bytes_), data_(other.data_) {
        other.data_ = nullptr;
    }
    mapped_buffer(const mapped_buffer &) = delete;
    mapped_buffer &operator=(const mapped_buffer &) = delete;
    mapped_buffer &operator=(mapped_buffer &&) = delete;

    template <typename T> T *as() const { return static_cast<T *>(data_); }

private:
    size_t bytes_;
    void *data_;
};
