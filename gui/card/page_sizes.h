// The least sizes of the card pages' lists: enough rows and width to read
// entries without enlarging the window first.
#pragma once

constexpr int LIST_MIN_HEIGHT = 120;
constexpr int IMAGE_LIST_MIN_WIDTH = 320;
constexpr int BKRAM_LIST_MIN_WIDTH = 180;
