// The "imagelist" page: the card's images, selection and moves, and the
// tasks started from the list (order, configuration, hash, removal, format
// and dump by repeated keys). The rows are the listing's; nothing reaches
// the card before a button or the third key press.
#pragma once

#include <memory>
#include <vector>

#include "card/commands/card_list.h"
#include "gui/card/card_page.h"
#include "gui/card/kind_pictures.h"
#include "gui/card/list_selection.h"
#include "gui/card/my_config_form.h"
#include "gui/card/panel_list.h"
#include "gui/card/repeat_key.h"

class my_panel_list : public panel_list_base {
public:
    my_panel_list(wxWindow *parent, const card_page_link &link);
    ~my_panel_list() override;

    void clear();
    // "&read": clears the list and lists the card again.
    void list_up();

    const std::vector<card_list_row> &items() const { return m_items; }
    const list_selection &selection() const { return m_selection; }
    wxListBox *list() const { return m_list; }
    wxStaticText *capacity() const { return m_capacity; }
    wxStaticText *count() const { return m_count; }
    wxFilePickerCtrl *dat() const { return m_dat; }
    wxButton *extract_button() const { return m_extract; }
    // Built on first use (the first listing): building it takes longer than
    // the rest of the window's start.
    my_config_form *config_window();
    // Key handling as the list's key events run it.
    void press(int key_code, int modifiers);
    void click_row(int row, bool double_click);
    void drag(int from_row, int to_row);

private:
    void on_read(wxCommandEvent &event) override;
    void on_crc(wxCommandEvent &event) override;
    void on_check(wxCommandEvent &event) override;
    void on_extract(wxCommandEvent &event) override;
    void on_update_config(wxCommandEvent &event) override;
    void on_update_order(wxCommandEvent &event) override;
    void on_help(wxCommandEvent &event) override;
    // A DAT picked: listed again with its column.
    void on_dat_changed(wxFileDirPickerEvent &event) override;
    std::string row_label(const card_list_row &row) const;
    void on_list_mouse(wxMouseEvent &event) override;
    void on_list_key(wxKeyEvent &event) override;
    void on_list_select(wxCommandEvent &event) override;
    void on_done(wxCommandEvent &event);
    void show_listing();
    void selection_changed();
    void update_enabled();
    void repeat(repeat_key key);

    card_page_link m_link;
    page_mailbox m_mailbox{this};
    std::shared_ptr<card_list> m_listing;  // filled by the worker until event 4
    std::vector<card_list_row> m_items;    // listarray: the rows in list order
    std::string m_listed_dat;              // the DAT of the last listing, "" for none
    list_selection m_selection;
    repeat_key_state m_repeat;
    bool m_dragging = false;
    kind_pictures m_pictures;
    my_config_form *m_config_form = nullptr;  // top-level window; destroyed with this page
};
