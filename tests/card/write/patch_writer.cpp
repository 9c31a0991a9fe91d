#include "tests/card/write/patch_writer.h"

#include <zlib.h>

namespace {

using bytes = std::vector<uint8_t>;

uint32_t crc_of(const bytes &b) {
    return static_cast<uint32_t>(crc32(0, b.data(), static_cast<uInt>(b.size())));
}

void put_le32(bytes *o, uint32_t v) {
    for (int k = 0; k < 4; k++) o->push_back(static_cast<uint8_t>(v >> (8 * k)));
}

void put_number(bytes *o, uint64_t d) {
    for (;;) {
        const uint8_t x = d & 0x7F;
        d >>= 7;
        if (d == 0) {
            o->push_back(0x80 | x);
            return;
        }
        o->push_back(x);
        d--;
    }
}

}  // namespace

bytes bps_patch(const bytes &source, const bytes &target, const std::vector<bps_action> &script) {
    bytes o{'B', 'P', 'S', '1'};
    put_number(&o, source.size());
    put_number(&o, target.size());
    put_number(&o, 0);
    for (const bps_action &a : script) {
        put_number(&o, (a.length - 1) << 2 | static_cast<uint64_t>(a.command));
        if (a.command == BPS_TARGET_READ) o.insert(o.end(), a.data.begin(), a.data.end());
        if (a.command >= BPS_SOURCE_COPY) {
            const uint64_t step = static_cast<uint64_t>(a.relative < 0 ? -a.relative : a.relative);
            put_number(&o, step << 1 | (a.relative < 0 ? 1 : 0));
        }
    }
    put_le32(&o, crc_of(source));
    put_le32(&o, crc_of(target));
    put_le32(&o, crc_of(o));
    return o;
}

bytes bps_with_own_crc(bytes p) {
    p.resize(p.size() - 4);
    put_le32(&p, crc_of(p));
    return p;
}

bytes ips_patch(const std::vector<ips_record> &records, bool end_mark) {
    bytes o{'P', 'A', 'T', 'C', 'H'};
    for (const ips_record &r : records) {
        o.insert(o.end(), {uint8_t(r.offset >> 16), uint8_t(r.offset >> 8), uint8_t(r.offset)});
        const size_t n = r.data.size();
        o.insert(o.end(), {uint8_t(n >> 8), uint8_t(n)});
        if (n == 0)
            o.insert(o.end(), {uint8_t(r.count >> 8), uint8_t(r.count), r.value});
        else
            o.insert(o.end(), r.data.begin(), r.data.end());
    }
    if (end_mark) o.insert(o.end(), {'E', 'O', 'F'});
    return o;
}
