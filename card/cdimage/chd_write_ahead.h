// Hunks compressed ahead of the writer of a compressed hunk file: the writer
// fills hunks in order into a ring of a few, a pool of threads compresses
// them, and the writer takes the results back in the same order. Memory
// stays at the ring's size whatever the disc's.
//
// Thread rule: one writer thread fills and takes; the pool only touches the
// slots it claimed and its own compressors. Freeing waits for the pool to
// finish the hunk it is compressing.
#pragma once

#include <cstdint>

#include "card/cdimage/chd_write_codecs.h"

struct chd_write_ahead;

// A pool of `threads` compressing with codecs; with no thread (0 asked, or
// none could be started) the writer compresses each hunk as it hands it
// over. nullptr when a compressor cannot be made for the codecs.
chd_write_ahead *chd_write_ahead_start(const uint32_t codecs[4], uint32_t hunk_bytes, int threads);

// Where the next hunk's bytes go (hunk_bytes), once the hunk a ring's length
// before it has been taken: at most as many hunks are handed over and not
// yet taken as chd_write_ahead_room says.
uint8_t *chd_write_ahead_next(chd_write_ahead *w);
// Hands the hunk filled at chd_write_ahead_next over for compression.
void chd_write_ahead_hand_over(chd_write_ahead *w);
uint32_t chd_write_ahead_room(const chd_write_ahead *w);

// Waits for the oldest hunk handed over and not taken; valid until the next
// hand-over.
const chd_compressed_hunk &chd_write_ahead_take(chd_write_ahead *w);

// Stops the threads and frees everything; nullptr is ignored.
void chd_write_ahead_stop(chd_write_ahead *w);
