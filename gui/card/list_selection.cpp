#include "gui/card/list_selection.h"

#include <algorithm>

namespace {

void set_row(list_selection *s, int row, bool on) {
    if (row < 0 || row >= static_cast<int>(s->selected.size())) return;
    if (s->selected[row] == on) return;
    s->selected[row] = on;
    auto at = std::find(s->order.begin(), s->order.end(), row);
    if (at != s->order.end()) s->order.erase(at);
    if (on) s->order.push_back(row);
}

}  // namespace

void selection_reset(list_selection *s, int rows) {
    s->selected.assign(rows, false);
    s->order.clear();
    s->drag_state = false;
}

void selection_toggle(list_selection *s, int row) {
    if (row < 0 || row >= static_cast<int>(s->selected.size())) return;
    set_row(s, row, !s->selected[row]);
}

void selection_only(list_selection *s, int row) {
    selection_clear(s);
    set_row(s, row, true);
}

void selection_drag_begin(list_selection *s, int row) {
    selection_toggle(s, row);
    if (row >= 0 && row < static_cast<int>(s->selected.size())) s->drag_state = s->selected[row];
}

void selection_drag_over(list_selection *s, int row) { set_row(s, row, s->drag_state); }

void selection_clear(list_selection *s) {
    s->selected.assign(s->selected.size(), false);
    s->order.clear();
}

void selection_all(list_selection *s) {
    for (int row = 0; row < static_cast<int>(s->selected.size()); row++) set_row(s, row, true);
}

int selection_count(const list_selection &s) { return static_cast<int>(s.order.size()); }

int selection_last(const list_selection &s) { return s.order.empty() ? -1 : s.order.back(); }

std::vector<int> selection_rows(const list_selection &s) {
    std::vector<int> rows;
    for (int row = 0; row < static_cast<int>(s.selected.size()); row++)
        if (s.selected[row]) rows.push_back(row);
    return rows;
}

list_move_result list_move_relative(std::vector<card_list_row> *items, list_selection *s, int delta) {
    const std::vector<int> rows = selection_rows(*s);
    const int count = static_cast<int>(rows.size());
    if (count < 1 || count > 99 || rows.back() - rows.front() + 1 != count)
        return LIST_MOVE_NOT_SEQUENTIAL;
    const int first = rows.front();
    const int last = rows.back();
    const int total = static_cast<int>(items->size());
    if ((delta < 0 && first == 0) || (delta > 0 && last + 1 >= total)) return LIST_MOVE_AT_EDGE;
    const uint32_t block = (*items)[first].image_number / 100;
    const int neighbour = delta < 0 ? first - 1 : last + 1;
    for (int row = first; row <= last + 1; row++) {
        const int checked = row > last ? neighbour : row;
        if ((*items)[checked].image_number / 100 != block) return LIST_MOVE_OUT_OF_BLOCK;
    }
    // The neighbour jumps over the run to the run's other side.
    if (delta < 0)
        std::rotate(items->begin() + first - 1, items->begin() + first, items->begin() + last + 1);
    else
        std::rotate(items->begin() + first, items->begin() + last + 1, items->begin() + last + 2);
    const int freed = delta < 0 ? last : first;
    const int taken = delta < 0 ? first - 1 : last + 1;
    s->selected[freed] = false;
    s->selected[taken] = true;
    for (int &row : s->order) row += delta;
    return LIST_MOVED;
}
