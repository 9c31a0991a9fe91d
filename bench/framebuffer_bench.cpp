// Frame capture costs on the host side: decoding a full 263-line stream (the
// serial link at 500000 baud needs about 4.4 s for it, so decoding must stay
// far below that) and writing the PNG pair at compression level 9.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "device/framebuffer.h"
#include "device/framebuffer_stream.h"
#include "tests/support/fb_memory_link.h"
#include "tools/board_emulator/emu_frame.h"

namespace {

void read_frame(framebuffer *fb, const std::vector<uint8_t> &stream) {
    fb_memory_link board{stream.data(), stream.size(), 0, {}};
    const fb_link link = board.link();
    fb_reset(fb);
    fb_read_frame(fb, &link, log_null());
}

void BM_DecodeFrame(benchmark::State &state) {
    std::vector<uint8_t> stream = emu_frame_stream("rect");
    framebuffer *fb = fb_create(nullptr, nullptr);
    for (auto _ : state) {
        read_frame(fb, stream);
        benchmark::DoNotOptimize(fb->line_count);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(stream.size()));
    fb_destroy(fb);
}
BENCHMARK(BM_DecodeFrame);

// Argument 0: the 256 x 240 rectangle; 1: the 1365 x 783 master-clock image.
void BM_SavePng(benchmark::State &state) {
    framebuffer *fb = fb_create(nullptr, nullptr);
    read_frame(fb, emu_frame_stream(state.range(0) ? "mixed" : "rect"));
    fb_find_active_area(fb, log_null());
    std::string path = "/tmp/vmk-bench-frame.png";
    for (auto _ : state) benchmark::DoNotOptimize(fb_save_png(fb, path.c_str(), log_null()));
    remove(path.c_str());
    remove("/tmp/vmk-bench-frame_obj.png");
    fb_destroy(fb);
}
BENCHMARK(BM_SavePng)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
