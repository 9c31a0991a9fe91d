// The manifest of a backup archive (manifest.json, its last member): what
// the card held (size, blocks, listing order, every image's kind, name,
// configuration and backup RAM area) and the size and SHA-1 of every other
// member. Written and read here; reading checks everything that can be
// checked without the members' bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/log.h"

inline constexpr uint64_t MANIFEST_VERSION = 1;
inline constexpr const char *MANIFEST_NAME = "manifest.json";
inline constexpr uint64_t MANIFEST_BYTES_MAX = 4u << 20;

struct manifest_image {
    uint32_t number = 0;  // on the card it was backed up from
    bool rom = false;
    std::string name;
    uint8_t flags = 0;
    uint8_t romconfig[2] = {};
    uint32_t config = 0;
    uint32_t sectors = 0;    // a disc's sectors
    uint32_t rom_bytes = 0;  // a ROM's size
    std::string toc;         // a disc's TOC: its Q frames in hexadecimal
    std::string stem;        // member name without extension
    std::string sav;         // member holding its backup RAM area; empty: none
};

struct manifest_file {
    std::string name;
    uint64_t size = 0;
    std::string sha1;
};

struct backup_manifest {
    uint64_t version = MANIFEST_VERSION;
    std::string program;
    uint64_t card_sectors = 0;
    uint32_t blocks = 0;
    std::vector<manifest_image> images;  // in chain order
    // Image numbers in the card's listing order, index discs (block x 100)
    // included.
    std::vector<uint32_t> order;
    std::vector<manifest_file> files;
};

// The members an image needs: name.pce, or name.img, .sub and .ccd.
std::vector<std::string> manifest_image_members(const manifest_image &m);

std::string manifest_text(const backup_manifest &m);

// Parses and checks the manifest on its own: version, fields and their
// ranges, names, each image's members listed with the sizes its kind
// gives, the order naming known images once. False with *why set.
bool manifest_parse(const std::string &text, backup_manifest *m, std::string *why);
