// Hunks decoded ahead of a reader that goes front to back: a small pool of
// threads decompresses the next hunks, each with its own file handle and
// decompressors, into a ring of a few decoded hunks, which the reader takes
// in order. Memory stays at the ring's size whatever the file's.
//
// Thread rule: one reader thread calls chd_read_ahead_take; the pool only
// touches the ring and its own decoders. Stopping (or freeing) waits for the
// pool to finish the hunk it is decoding.
#pragma once

#include <cstdint>
#include <string>

struct chd_file;
struct chd_read_ahead;

// Starts threads decoding chd's hunks from first on; nullptr when no thread
// could be started (the reader then decodes each hunk itself). chd must
// outlive the result.
chd_read_ahead *chd_read_ahead_start(const chd_file *chd, uint32_t first, int threads);

// Whether hunk is still ahead (not taken or passed yet), so take can serve it.
bool chd_read_ahead_serves(const chd_read_ahead *r, uint32_t hunk);

// Waits for hunk (one chd_read_ahead_serves accepts), passing over the hunks
// before it, and copies it into out (the file's hunk size). false with what
// is wrong with the hunk in *damage, as the serial decoder words it.
bool chd_read_ahead_take(chd_read_ahead *r, uint32_t hunk, uint8_t *out, std::string *damage);

// Stops the threads and frees everything; nullptr is ignored.
void chd_read_ahead_stop(chd_read_ahead *r);
