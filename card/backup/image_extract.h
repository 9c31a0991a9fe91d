// Writing images stored on the card back as files: a HuCard ROM as
// <name>.pce, a disc as an image set <name>.img/.sub/.ccd (main bytes and
// subchannel as stored, the description from the stored TOC) or in the
// forms of other programs. Names come from the stored name, made safe for
// the file system; an existing file is replaced only when asked.
#pragma once

#include <cstdint>
#include <string>

#include "card/layout/card_layout.h"

enum extract_form { EXTRACT_CCD, EXTRACT_CUE, EXTRACT_CHD };

struct extract_request {
    std::string folder;
    extract_form form;
    bool force;  // replace files that exist
};

// The file name (without folder and extension) of record e of c's current
// block, image number n: its stored name made safe, or "image <n>" when
// nothing of it is left.
std::string extract_base_name(const card_context *c, uint32_t e, uint32_t n);

// Record e of c's current block (image number n) into r.folder. False with a
// message; no file is left half written, and none is touched when one of
// the image's files exists and force is not set.
bool image_extract(card_context *c, uint32_t e, uint32_t n, const extract_request &r);
