#include "card/write/index_truncate.h"

#include <cstring>

#include "card/cdimage/bcd.h"
#include "card/write/index_toc.h"
#include "card/layout/stored_sector.h"
#include "card/cdimage/subchannel_q.h"

bool index_truncate(disk_handle *disk, uint32_t n, uint8_t version) {
    if (n < 2 || n > 99) return false;
    uint8_t head[INDEX_TOC_READ_BYTES];
    if (!area_read(disk, 0, head, sizeof head)) return false;
    uint8_t *a0 = index_toc_find(head, TOC_POINT_A0);
    uint8_t *a1 = index_toc_find(head, TOC_POINT_A1);
    uint8_t *a2 = index_toc_find(head, TOC_POINT_A2);
    uint8_t *first_dropped = index_toc_find(head, bcd_from_bin(static_cast<uint8_t>(n)));
    if (a0 == nullptr || a1 == nullptr || a2 == nullptr || first_dropped == nullptr) return false;

    a1[7] = bcd_from_bin(static_cast<uint8_t>(n - 1));
    memcpy(&a2[7], &first_dropped[7], 3);
    // The frames that describe the kept disc: A0, A1, A2 and tracks 1 to n.
    uint8_t *end = head + INDEX_TOC_AT + index_toc_count(head) * Q_FRAME_SIZE;
    for (uint32_t k = 0; k < n + 3 && a0 + k * Q_FRAME_SIZE < end; k++)
        q_crc_store(a0 + k * Q_FRAME_SIZE);
    if (!area_write(disk, 0, head, sizeof head)) return false;

    uint8_t q[Q_FRAME_SIZE];
    index_leadout_q(a2, q);
    uint8_t subchannel[STORED_SECTOR_SIZE];
    stored_leadout_sector(subchannel, q, stored_subchannel_transform(version));
    uint64_t at = stored_sector_byte(msf_to_frames(&a2[7]));
    uint32_t sector = static_cast<uint32_t>(at / DISK_SECTOR_SIZE);
    uint8_t around[1024];
    if (!area_read(disk, sector, around, sizeof around)) return false;
    memcpy(around + at % DISK_SECTOR_SIZE, subchannel, SUBCHANNEL_BLOCK_SIZE);
    return area_write(disk, sector, around, sizeof around);
}
