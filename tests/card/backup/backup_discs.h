// Inputs for the extract and backup tests: a table of discs of the shapes
// the console's games have, written as image sets or cue sheets, and ROMs.
#pragma once

#include <string>
#include <vector>

struct test_image {
    std::string context;
    std::string input;  // what add takes
    std::string name;   // the name it is stored under
};

// Written into folder: discs (data and audio; audio, data, audio, data;
// the cue sheets with pregaps and index points) and two ROMs.
std::vector<test_image> write_test_images(const std::string &folder);

// The disc of four tracks: audio, data, audio, data, each of `length` sectors.
void make_four_track_cd(const std::string &prefix, uint32_t length);
