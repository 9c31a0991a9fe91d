#include "bench/bench_image_set.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "card/cdimage/subchannel_q.h"

namespace {
constexpr uint32_t CHUNK_SECTORS = 1024;
}  // namespace

// One data track: main bytes that vary, subchannel with valid Q frames.
bool write_image_set(const std::string &prefix, uint32_t sectors) {
    FILE *img = fopen((prefix + ".img").c_str(), "wb");
    FILE *sub = fopen((prefix + ".sub").c_str(), "wb");
    FILE *ccd = fopen((prefix + ".ccd").c_str(), "w");
    if (img == nullptr || sub == nullptr || ccd == nullptr) return false;
    std::vector<uint8_t> main(CHUNK_SECTORS * 2352), subchannel(CHUNK_SECTORS * 96);
    for (uint32_t done = 0; done < sectors; done += CHUNK_SECTORS) {
        uint32_t n = std::min<uint32_t>(CHUNK_SECTORS, sectors - done);
        for (size_t i = 0; i < size_t{n} * 2352; i += 8)
            memcpy(&main[i], &done, 4), main[i + 4] = uint8_t(i);
        subq_generate(0x41, 1, 150 + done, subchannel.data(), n);
        fwrite(main.data(), 2352, n, img);
        fwrite(subchannel.data(), 96, n, sub);
    }
    uint32_t end = 150 + sectors;
    fprintf(ccd,
            "[CloneCD]\nVersion=3\n[Disc]\nTocEntries=4\nSessions=1\n"
            "[Entry 0]\nSession=1\nPoint=0xa0\nADR=1\nControl=4\nTrackNo=0\nAMin=0\nASec=0\n"
            "AFrame=0\nZero=0\nPMin=1\nPSec=0\nPFrame=0\nPLBA=0\n"
            "[Entry 1]\nSession=1\nPoint=0xa1\nADR=1\nControl=4\nTrackNo=0\nAMin=0\nASec=0\n"
            "AFrame=0\nZero=0\nPMin=1\nPSec=0\nPFrame=0\nPLBA=0\n"
            "[Entry 2]\nSession=1\nPoint=0xa2\nADR=1\nControl=4\nTrackNo=0\nAMin=0\nASec=0\n"
            "AFrame=0\nZero=0\nPMin=%u\nPSec=%u\nPFrame=%u\nPLBA=0\n"
            "[Entry 3]\nSession=1\nPoint=1\nADR=1\nControl=4\nTrackNo=0\nAMin=0\nASec=0\n"
            "AFrame=0\nZero=0\nPMin=0\nPSec=2\nPFrame=0\nPLBA=0\n",
            end / 4500, end / 75 % 60, end % 75);
    FILE *cue = fopen((prefix + ".cue").c_str(), "w");
    if (cue == nullptr) return false;
    fprintf(cue, "FILE disc.img BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n");
    fclose(cue);
    bool ok = !ferror(img) && !ferror(sub);
    fclose(img);
    fclose(sub);
    fclose(ccd);
    return ok;
}
