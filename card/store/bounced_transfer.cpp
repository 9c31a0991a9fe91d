#include "card/store/bounced_transfer.h"

#include <cstring>

int read_bounced(const aligned_medium &m, uint64_t offset, void *buffer, uint64_t bytes,
                 void *bounce, size_t bounce_bytes) {
    auto *out = static_cast<uint8_t *>(buffer);
    for (uint64_t done = 0; done < bytes; done += bounce_bytes) {
        size_t n = bytes - done < bounce_bytes ? bytes - done : bounce_bytes;
        if (int status = m.read(m.medium, offset + done, bounce, n)) return status;
        memcpy(out + done, bounce, n);
    }
    return 0;
}

int write_bounced(const aligned_medium &m, uint64_t offset, const void *buffer, uint64_t bytes,
                  void *bounce, size_t bounce_bytes) {
    const auto *in = static_cast<const uint8_t *>(buffer);
    for (uint64_t done = 0; done < bytes; done += bounce_bytes) {
        size_t n = bytes - done < bounce_bytes ? bytes - done : bounce_bytes;
        memcpy(bounce, in + done, n);
        if (int status = m.write(m.medium, offset + done, bounce, n)) return status;
    }
    return 0;
}
