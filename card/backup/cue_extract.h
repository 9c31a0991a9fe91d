// A disc written as the dump groups keep it: one .bin per track and a .cue
// naming them, with the stored Q frames checked against the ones an add of
// that sheet would generate.
#pragma once

#include <string>

#include "card/cdimage/cd_description.h"
#include "card/cdimage/cd_source.h"

// base: the folder and file name without extension. Writes base.cue and
// "base (Track NN).bin" (base.bin for a disc of one track); a stored Q frame
// the sheet cannot reproduce is named as a warning that points to the image
// set form. replace: files may be replaced. False with a message; no file is
// left half written and none is touched when one exists and replace is not
// set.
bool cue_extract(log_sink *log, const disc_description *d, cd_source *source,
                 const std::string &base, bool replace);
