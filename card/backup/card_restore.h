// Restoring a backup archive onto a card. The archive is read whole first
// (member names and kinds, sizes, every SHA-1, the manifest and its
// agreement with the members) before anything is written; then a second
// pass adds the images in their order, each from the archive's stream.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "card/backup/backup_manifest.h"
#include "card/layout/card_layout.h"

struct restore_plan {
    std::string file;
    backup_manifest manifest;
    std::vector<const manifest_image *> chosen;      // in chain order
    std::map<uint32_t, std::vector<uint8_t>> saves;  // backup RAM areas by image number
};

// only: image numbers of the source card to restore (empty: all). False with
// one message naming what is wrong.
bool restore_check(log_sink *log, const std::string &file, const std::vector<uint32_t> &only,
                   restore_plan *plan);

// How many of images c (open) already holds, in order, from an earlier
// restore or copy that was cut short: its images must be the first ones by
// kind, size, TOC and name. -1 when it holds anything else.
int restore_resume_point(card_context *c, const std::vector<const manifest_image *> &images);

// Adds the chosen images from skip on after c's last image, then sets the
// listing order (the first skip images are those already on the card).
// False with a message; every image listed by then is whole.
bool restore_write(card_context *c, const restore_plan &plan, size_t skip);
