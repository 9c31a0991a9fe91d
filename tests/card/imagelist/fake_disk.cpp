// Only the drive functions the renderer calls; the real drive layer provides
// the rest.
#include "tests/card/imagelist/fake_disk.h"

#include <cstring>

bool disk_seek_relative(disk_handle *h, uint32_t sector) {
    h->position = (static_cast<uint64_t>(h->base) + sector) * DISK_SECTOR_SIZE;
    return h->position <= h->bytes.size();
}

bool disk_read(disk_handle *h, void *buffer, uint32_t bytes) {
    if (h->fail_reads || h->position + bytes > h->bytes.size()) return false;
    memcpy(buffer, h->bytes.data() + h->position, bytes);
    h->position += bytes;
    return true;
}

bool disk_write(disk_handle *h, const void *buffer, uint32_t bytes) {
    if (h->fail_writes || h->position + bytes > h->bytes.size()) return false;
    memcpy(h->bytes.data() + h->position, buffer, bytes);
    h->position += bytes;
    h->writes++;
    return true;
}
