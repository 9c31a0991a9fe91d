#include "card/cdimage/subchannel_q.h"

#include <cstdio>
#include <cstring>

#include "card/cdimage/bcd.h"

namespace {

// Adds one to a BCD byte with wrap-around past limit; true on wrap.
bool bcd_step(uint8_t *v, int limit) {
    int next = bcd_to_bin(*v) + 1;
    bool wrapped = next > limit;
    *v = bcd_from_bin(static_cast<uint8_t>(wrapped ? 0 : next));
    return wrapped;
}

const uint8_t time_at_pregap_end[3] = {0x00, 0x02, 0x00};

}  // namespace

void msf_increment(uint8_t msf[3]) {
    uint8_t next[3] = {msf[0], msf[1], msf[2]};
    if (bcd_step(&next[2], 74) && bcd_step(&next[1], 59) && bcd_step(&next[0], 99)) {
        msf[0] = 0x99;
        msf[1] = 0x59;
        msf[2] = 0x74;
        return;
    }
    memcpy(msf, next, 3);
}

void q_increment(uint8_t q[Q_FRAME_SIZE]) {
    msf_increment(&q[3]);
    msf_increment(&q[7]);
    q_crc_store(q);
}

void q_check_init(q_check_state *s, log_sink *log) {
    memset(s->previous, 0, sizeof s->previous);
    s->log = log;
}

void q_check(q_check_state *s, uint8_t q[Q_FRAME_SIZE], bool strict) {
    if (!q_crc_ok(q)) {
        if ((s->previous[0] & 0x0F) == Q_ADR_POSITION) q_increment(s->previous);
        memcpy(q, s->previous, Q_FRAME_SIZE);
        return;
    }
    // Track 1 begins at 00:02:00 after a lead-in or pregap with its own
    // numbering, so a jump onto it is expected.
    bool at_pregap_end = memcmp(&q[7], time_at_pregap_end, 3) == 0;
    if (!at_pregap_end && s->log != nullptr && (s->previous[0] & 0x0F) == Q_ADR_POSITION &&
        (q[0] & 0x0F) == Q_ADR_POSITION) {
        long before = msf_to_frames(&s->previous[7]);
        long now = msf_to_frames(&q[7]);
        long jump = now > before ? now - before : before - now;
        if (jump >= (strict ? 3 : 75))
            log_printf(
                s->log,
                "warning:subchannel Q A-MSF is not matched %02X:%02X:%02x -> %02X:%02X:%02x\n",
                s->previous[7], s->previous[8], s->previous[9], q[7], q[8], q[9]);
    }
    memcpy(s->previous, q, Q_FRAME_SIZE);
}

bool subq_generate(uint8_t control, uint8_t track, uint32_t start_frame, uint8_t *out,
                   uint32_t count) {
    uint8_t q[Q_FRAME_SIZE] = {control, 0, 0x01, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0};
    if (track >= 100 || !frames_to_msf(start_frame, &q[7])) return false;
    q[1] = bcd_from_bin(track);
    q_crc_store(q);
    for (uint32_t i = 0; i < count; i++) {
        uint8_t *block = out + size_t{i} * SUBCHANNEL_BLOCK_SIZE;
        memset(block, 0, SUBCHANNEL_BLOCK_SIZE);
        if (q[3] == 0x00 && q[4] <= 0x01) memset(block, 0xFF, SUBCHANNEL_Q_OFFSET);
        memcpy(block + SUBCHANNEL_Q_OFFSET, q, Q_FRAME_SIZE);
        q_increment(q);
    }
    return true;
}

void run_counter_init(run_counter *c, uint32_t stride) {
    c->stride = stride;
    c->track = -1;
    c->counted = 0;
}

uint32_t data_run_count(run_counter *c, const uint8_t *blocks, uint32_t count, char *status) {
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t *q = blocks + size_t{i} * c->stride + SUBCHANNEL_Q_OFFSET;
        if (q_crc_ok(q)) {
            if (!(q[0] & Q_CONTROL_DATA)) {
                *status = 'd';
                return i;
            }
            if ((q[0] & 0x0F) == Q_ADR_POSITION) {
                if (c->track >= 0 && c->track != q[1]) {
                    *status = 't';
                    return i;
                }
                c->track = q[1];
            }
        }
        c->counted++;
    }
    return count;
}
