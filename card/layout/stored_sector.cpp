#include "card/layout/stored_sector.h"

#include <cstring>

#include "card/cdimage/subchannel_swap.h"
#include "card/cdimage/subchannel_q.h"

subchannel_transform stored_subchannel_transform(uint8_t version) {
    return version == 4 ? subchannel_to_interleaved : nullptr;
}

void stored_leadout_sector(uint8_t sector[STORED_SECTOR_SIZE], const uint8_t q[Q_FRAME_SIZE],
                           subchannel_transform transform) {
    memset(sector, STORED_LEADOUT_FILL, STORED_SECTOR_SIZE);
    memset(sector, 0xFF, SUBCHANNEL_Q_OFFSET);
    memcpy(sector + SUBCHANNEL_Q_OFFSET, q, Q_FRAME_SIZE);
    memset(sector + SUBCHANNEL_Q_OFFSET + Q_FRAME_SIZE, 0,
           SUBCHANNEL_BLOCK_SIZE - SUBCHANNEL_Q_OFFSET - Q_FRAME_SIZE);
    if (transform != nullptr) transform(sector);
}

void index_leadout_q(const uint8_t a2_frame[Q_FRAME_SIZE], uint8_t q[Q_FRAME_SIZE]) {
    memcpy(q, a2_frame, Q_FRAME_SIZE);
    q[1] = 0xAA;
    q[2] = 0x00;
    q_crc_store(q);
}
