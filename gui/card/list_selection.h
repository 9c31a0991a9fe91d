// Selection rules of the image list, kept apart from the list control so
// they can be checked without a window:
//   click toggles a row; double click selects only that row; a drag gives
//   every row it passes the state the first row took; Escape clears; Ctrl+A
//   selects all. The order in which rows were selected is kept: the last
//   newly selected row is the one the configuration window shows.
//   Shift+Up / Shift+Down move one contiguous run of 1..99 rows by one place.
#pragma once

#include <vector>

#include "card/commands/card_list.h"

struct list_selection {
    std::vector<bool> selected;  // one per row
    std::vector<int> order;      // selected rows, oldest selection first
    bool drag_state = false;     // the state a drag hands on
};

void selection_reset(list_selection *s, int rows);
void selection_toggle(list_selection *s, int row);
void selection_only(list_selection *s, int row);
void selection_drag_begin(list_selection *s, int row);
void selection_drag_over(list_selection *s, int row);
void selection_clear(list_selection *s);
void selection_all(list_selection *s);
int selection_count(const list_selection &s);
// The last newly selected row that is still selected, or -1.
int selection_last(const list_selection &s);
// Selected rows in list order.
std::vector<int> selection_rows(const list_selection &s);

enum list_move_result {
    LIST_MOVED,
    LIST_MOVE_NOT_SEQUENTIAL,  // the selection is not one run of 1..99 rows
    LIST_MOVE_AT_EDGE,         // no row above (delta -1) or below (+1)
    LIST_MOVE_OUT_OF_BLOCK,    // the run or its neighbour lies in another block of 100
};

// Moves the selected run and its items by delta (-1 or +1); the selection
// moves with it. A run never leaves its block: each block's order is its own.
list_move_result list_move_relative(std::vector<card_list_row> *items, list_selection *s, int delta);
