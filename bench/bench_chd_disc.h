// The generated disc the CHD benchmarks use, about 107 MB: a data track of
// Mode 1 sectors (text-like runs and incompressible stretches), four audio
// tracks of tones with a little noise, each after a two-second INDEX 00
// pregap, and a closing data track, so that hunks of every codec's kind
// arise.
#pragma once

#include <cstdint>
#include <string>

// dir/disc.bin and dir/disc.cue; returns the sector count, 0 when not
// written.
uint32_t write_chd_bench_disc(const std::string &dir);
