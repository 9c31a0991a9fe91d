// Block-device backend: a removable card through the platform's raw block
// device, which takes only aligned buffers.
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>

#include "card/store/block_device_store.h"
#include "card/store/bounced_transfer.h"
#include "platform/block_device.h"

namespace {

// Callers' buffers that are not aligned go through a bounce buffer of this
// many bytes.
constexpr size_t BOUNCE_BYTES = 1 << 20;
constexpr std::align_val_t BOUNCE_ALIGNMENT{BLOCK_DEVICE_ALIGNMENT};

struct block_store : sector_store {
    block_device *device = nullptr;
    uint64_t sectors = 0;
    void *bounce = nullptr;  // allocated on first unaligned transfer
};

block_store *self(sector_store *s) { return static_cast<block_store *>(s); }

bool aligned(const void *p) { return reinterpret_cast<uintptr_t>(p) % BLOCK_DEVICE_ALIGNMENT == 0; }

bool have_bounce(block_store *b) {
    if (b->bounce == nullptr) b->bounce = ::operator new(BOUNCE_BYTES, BOUNCE_ALIGNMENT, std::nothrow);
    return b->bounce != nullptr;
}

aligned_medium medium_of(block_store *b) {
    return {b->device,
            [](void *d, uint64_t offset, void *buffer, uint64_t bytes) {
                return block_device_read(static_cast<block_device *>(d), offset, buffer, bytes);
            },
            [](void *d, uint64_t offset, const void *buffer, uint64_t bytes) {
                return block_device_write(static_cast<block_device *>(d), offset, buffer, bytes);
            }};
}

int block_read(sector_store *s, uint64_t first, uint32_t count, void *buffer) {
    block_store *b = self(s);
    uint64_t bytes = uint64_t{count} * 512, offset = first * 512;
    if (aligned(buffer)) return block_device_read(b->device, offset, buffer, bytes);
    if (!have_bounce(b)) return ENOMEM;
    return read_bounced(medium_of(b), offset, buffer, bytes, b->bounce, BOUNCE_BYTES);
}

int block_write(sector_store *s, uint64_t first, uint32_t count, const void *buffer) {
    block_store *b = self(s);
    uint64_t bytes = uint64_t{count} * 512, offset = first * 512;
    if (aligned(buffer)) return block_device_write(b->device, offset, buffer, bytes);
    if (!have_bounce(b)) return ENOMEM;
    return write_bounced(medium_of(b), offset, buffer, bytes, b->bounce, BOUNCE_BYTES);
}

int block_flush(sector_store *s) { return block_device_flush(self(s)->device); }

int block_reread_partitions(sector_store *s, std::string *why) {
    if (int status = block_flush(s)) {
        *why = std::string("flush: ") + strerror(status);
        return status;
    }
    return block_device_reread_partitions(self(s)->device, why);
}

uint64_t block_sector_count(sector_store *s) { return self(s)->sectors; }

void block_close(sector_store *s) {
    block_store *b = self(s);
    block_device_close(b->device);
    ::operator delete(b->bounce, BOUNCE_ALIGNMENT, std::nothrow);
    delete b;
}

const sector_store_ops block_ops = {
    "block device",          block_read,  block_write, block_flush, block_sector_count,
    block_reread_partitions, block_close, nullptr,  // unbuffered: reads reach the card
};

block_open_status refuse(block_device *device, block_open_status status) {
    block_device_close(device);
    return status;
}

bool refused_for_rights(int error) { return error == EACCES || error == EPERM; }

}  // namespace

block_open_status block_store_open(const drive_scan_roots &roots, const std::string &name,
                                   bool writable, sector_store **out, block_open_failure *why) {
    *out = nullptr;
    *why = block_open_failure{};
    removable_disk disk;
    if (!examine_removable_disk(roots, name, &disk)) return BLOCK_NOT_A_CARD;

    block_device *device = nullptr;
    block_device_open_status opened = block_device_open(disk, writable, &device, &why->error);
    if (opened == BLOCK_DEVICE_FAILED && refused_for_rights(why->error)) {
        opened = block_device_open_via_service(disk, writable, &device, &why->error,
                                               &why->service, &why->message);
        if (why->service != DISK_SERVICE_OK) return BLOCK_SERVICE_FAILED;
    }
    switch (opened) {
        case BLOCK_DEVICE_OPENED:
            break;
        case BLOCK_DEVICE_OTHER_DISK:
            return BLOCK_NOT_A_CARD;
        case BLOCK_DEVICE_NO_MEDIUM:
            return BLOCK_NO_MEDIUM;
        case BLOCK_DEVICE_FAILED:
            return BLOCK_OPEN_FAILED;
    }
    if (block_device_size(device) == 0) return refuse(device, BLOCK_NO_MEDIUM);
    if (block_device_sector_size(device) != 512) return refuse(device, BLOCK_SECTOR_SIZE);

    auto *b = new (std::nothrow) block_store;
    if (b == nullptr) {
        why->error = ENOMEM;
        return refuse(device, BLOCK_OPEN_FAILED);
    }
    b->ops = &block_ops;
    b->device = device;
    b->sectors = block_device_size(device) / 512;
    *out = b;
    return BLOCK_OPENED;
}
