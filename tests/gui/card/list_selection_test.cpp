// Selection and Shift+Up/Down rules of the image list.
#include "gui/card/list_selection.h"

#include <gtest/gtest.h>

namespace {

std::vector<card_list_row> items_numbered(int n) {
    std::vector<card_list_row> items(n);
    for (int i = 0; i < n; i++) items[i].image_number = static_cast<uint32_t>(i);
    return items;
}

std::vector<uint32_t> numbers(const std::vector<card_list_row> &items) {
    std::vector<uint32_t> out;
    for (const card_list_row &i : items) out.push_back(i.image_number);
    return out;
}

TEST(ListSelection, ClicksToggleAndRememberTheLastNewlySelected) {
    list_selection s;
    selection_reset(&s, 6);
    selection_toggle(&s, 4);
    selection_toggle(&s, 1);
    selection_toggle(&s, 2);
    EXPECT_EQ(selection_rows(s), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(selection_last(s), 2);
    selection_toggle(&s, 2);  // deselecting hands the shown item back to row 1
    EXPECT_EQ(selection_last(s), 1);
    EXPECT_EQ(selection_count(s), 2);
    selection_only(&s, 5);
    EXPECT_EQ(selection_rows(s), (std::vector<int>{5}));
    selection_all(&s);
    EXPECT_EQ(selection_count(s), 6);
    EXPECT_EQ(selection_last(s), 4);  // row 5 was selected before Ctrl+A
    selection_clear(&s);
    EXPECT_EQ(selection_count(s), 0);
    EXPECT_EQ(selection_last(s), -1);
    selection_toggle(&s, 9);  // outside the list
    EXPECT_EQ(selection_count(s), 0);
}

TEST(ListSelection, DragHandsOnTheFirstRowsNewState) {
    list_selection s;
    selection_reset(&s, 6);
    selection_toggle(&s, 3);
    selection_drag_begin(&s, 1);  // 1 becomes selected: the drag selects
    for (int row : {2, 3, 4}) selection_drag_over(&s, row);
    EXPECT_EQ(selection_rows(s), (std::vector<int>{1, 2, 3, 4}));
    selection_drag_begin(&s, 4);  // 4 becomes unselected: the drag deselects
    for (int row : {3, 2}) selection_drag_over(&s, row);
    EXPECT_EQ(selection_rows(s), (std::vector<int>{1}));
}

struct move_case {
    const char *context;
    std::vector<int> selected;
    int delta;
    list_move_result want;
    std::vector<uint32_t> order;
    std::vector<int> rows_after;
};

TEST(ListSelection, MovesOneContiguousRun) {
    const move_case cases[] = {
        {"rows 0 and 1 up: nothing above", {0, 1}, -1, LIST_MOVE_AT_EDGE, {0, 1, 2, 3, 4, 5, 6}, {0, 1}},
        {"rows 3..5 up", {3, 4, 5}, -1, LIST_MOVED, {0, 1, 3, 4, 5, 2, 6}, {2, 3, 4}},
        {"rows 3..5 down", {3, 4, 5}, +1, LIST_MOVED, {0, 1, 2, 6, 3, 4, 5}, {4, 5, 6}},
        {"last row down: nothing below", {6}, +1, LIST_MOVE_AT_EDGE, {0, 1, 2, 3, 4, 5, 6}, {6}},
        {"gap in the run", {1, 3}, -1, LIST_MOVE_NOT_SEQUENTIAL, {0, 1, 2, 3, 4, 5, 6}, {1, 3}},
        {"nothing selected", {}, +1, LIST_MOVE_NOT_SEQUENTIAL, {0, 1, 2, 3, 4, 5, 6}, {}},
    };
    for (const move_case &c : cases) {
        std::vector<card_list_row> items = items_numbered(7);
        list_selection s;
        selection_reset(&s, 7);
        for (int row : c.selected) selection_toggle(&s, row);
        EXPECT_EQ(list_move_relative(&items, &s, c.delta), c.want) << c.context;
        EXPECT_EQ(numbers(items), c.order) << c.context;
        EXPECT_EQ(selection_rows(s), c.rows_after) << c.context;
    }
}

TEST(ListSelection, RunsStayInsideTheirBlock) {
    struct block_case {
        const char *context;
        std::vector<int> selected;
        int delta;
        list_move_result want;
    };
    // Rows show images 98, 99 (block 0) and 100, 101, 102 (block 1).
    const block_case cases[] = {
        {"last of block 0 down", {1}, +1, LIST_MOVE_OUT_OF_BLOCK},
        {"first of block 1 up", {2}, -1, LIST_MOVE_OUT_OF_BLOCK},
        {"a run across the boundary", {1, 2}, -1, LIST_MOVE_OUT_OF_BLOCK},
        {"inside block 1", {3, 4}, -1, LIST_MOVED},
        {"inside block 0", {1}, -1, LIST_MOVED},
    };
    for (const block_case &c : cases) {
        std::vector<card_list_row> items = items_numbered(5);
        for (int i = 0; i < 5; i++) items[i].image_number = 98 + i;
        const std::vector<uint32_t> before = numbers(items);
        list_selection s;
        selection_reset(&s, 5);
        for (int row : c.selected) selection_toggle(&s, row);
        EXPECT_EQ(list_move_relative(&items, &s, c.delta), c.want) << c.context;
        if (c.want != LIST_MOVED) {
            EXPECT_EQ(numbers(items), before) << c.context;
            EXPECT_EQ(selection_rows(s), c.selected) << c.context;
        }
    }
}

TEST(ListSelection, RunOfHundredRowsDoesNotMoveAndLastShownFollows) {
    std::vector<card_list_row> items = items_numbered(101);
    list_selection s;
    selection_reset(&s, 101);
    for (int row = 1; row <= 100; row++) selection_toggle(&s, row);
    EXPECT_EQ(list_move_relative(&items, &s, -1), LIST_MOVE_NOT_SEQUENTIAL);

    selection_clear(&s);
    selection_toggle(&s, 5);
    selection_toggle(&s, 4);
    ASSERT_EQ(list_move_relative(&items, &s, -1), LIST_MOVED);
    EXPECT_EQ(selection_last(s), 3);
    EXPECT_EQ(items[3].image_number, 4u);
}

}  // namespace
