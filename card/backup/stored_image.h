// Reading an image stored on the card back whole: a HuCard ROM from its
// index-disc track, a disc in passes of sectors handed on as they arrive.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "card/cdimage/cd_source.h"
#include "card/layout/card_layout.h"

// The ROM of record e of c's current block, the bytes the add took: the
// 2048 data bytes of each sector of its index-disc track. False with a
// message.
bool stored_rom_read(card_context *c, uint32_t e, std::vector<uint8_t> *rom);

// Every sector of source in order, in runs: main bytes (2352 each) and
// subchannel (96 each, per channel) back to back. The gauge counts sectors;
// a stop request ends the pass with "stopped". False when a read, the
// callback or a stop ended it.
using disc_run_callback =
    std::function<bool(const uint8_t *main, const uint8_t *sub, uint32_t count)>;
bool disc_pass(log_sink *log, cd_source *source, const disc_run_callback &run);
