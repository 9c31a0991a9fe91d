#include "gui/card/my_panel_list.h"

#include <wx/choicdlg.h>
#include <wx/filefn.h>

#include "gui/shell/replace_ask.h"
#include "gui/shell/task_event.h"
#include "gui/card/beside_program.h"
#include "gui/card/card_job.h"
#include "gui/card/list_rows.h"
#include "gui/card/path_choice.h"

my_panel_list::my_panel_list(wxWindow *parent, const card_page_link &link)
    : panel_list_base(parent), m_link(link), m_pictures(kind_pictures_load()) {
    if (!m_pictures.ok)
        page_log(m_link, "icon.bin beside the program is missing or not a 96 x 112 PNG; the "
                         "configuration window shows no pictures\n");
    // Any task of the card half starting or ending also ends a press count.
    m_link.task->state_listener_add([this] {
        update_enabled();
        repeat_key_reset(&m_repeat);
    });
    m_link.half->drive_listener_add([this] { update_enabled(); });
    update_enabled();
    m_dat->SetPath(m_link.config->Read("list.dat", wxEmptyString));
    Bind(EVT_TASK_DONE, &my_panel_list::on_done, this);
}

my_panel_list::~my_panel_list() {
    m_link.config->store_string("list.dat", m_dat->GetPath());
    if (m_config_form == nullptr) return;
    m_config_form->store_settings();
    m_config_form->Destroy();
}

my_config_form *my_panel_list::config_window() {
    // No parent: the page destroys it, so it never outlives the page nor dies twice.
    if (m_config_form == nullptr) m_config_form = new my_config_form(nullptr, m_link.config, m_pictures);
    return m_config_form;
}

void my_panel_list::update_enabled() {
    // Reading, checking and ordering act on the card: usable only with a drive.
    const bool idle = !m_link.task->busy();
    const bool drive = m_link.half->drive_chosen();
    const int selected = selection_count(m_selection);
    m_read->Enable(idle && drive);
    m_check->Enable(idle && drive);
    m_update_order->Enable(idle && drive);
    m_crc->Enable(idle && selected == 1);
    m_extract->Enable(idle && selected > 0);
    m_update_config->Enable(idle && selected > 0);
}

void my_panel_list::clear() {
    m_list->Clear();
    m_items.clear();
    selection_reset(&m_selection, 0);
    repeat_key_reset(&m_repeat);
    m_capacity->SetLabel(wxEmptyString);
    m_count->SetLabel(wxString::FromUTF8(item_count_label(0)));
}

void my_panel_list::list_up() {
    if (m_link.task->busy()) return;
    clear();
    m_listing = std::make_shared<card_list>();
    m_listed_dat = m_dat->GetPath().utf8_string();
    m_link.run(m_mailbox, card_listing_job(m_link.half->drive_letter(), m_listing, m_listed_dat));
}

void my_panel_list::show_listing() {
    m_items = m_listing->rows;
    wxArrayString rows;
    for (const card_list_row &row : m_items) rows.Add(wxString::FromUTF8(row_label(row)));
    m_list->Set(rows);
    selection_reset(&m_selection, static_cast<int>(m_items.size()));
    m_capacity->SetLabel(wxString::FromUTF8(m_listing->capacity_label));
    selection_changed();
    config_window()->Show();
    m_list->SetFocus();
}

// The selected images as files: a folder, then the form.
void my_panel_list::on_extract(wxCommandEvent &) {
    std::vector<uint32_t> images;
    for (int row : selection_rows(m_selection)) images.push_back(m_items[row].image_number);
    if (images.empty()) return;
    const wxString folder = path_choose(this, PATH_FOLDER, "Extract the images into", wxEmptyString, wxEmptyString);
    if (folder.empty()) return;
    const wxString forms[] = {"ccd: image set, every subchannel byte", "cue: one .bin per track",
                              "chd: one compressed file, every subchannel byte"};
    const char *const words[] = {"ccd", "cue", "chd"};
    wxSingleChoiceDialog form(this, "Form of the discs", "extract", 3, forms);
    if (form.ShowModal() != wxID_OK || form.GetSelection() < 0) return;
    m_link.run(m_mailbox, card_job_extract(images, folder.utf8_string(), words[form.GetSelection()]));
}

void my_panel_list::on_done(wxCommandEvent &event) {
    m_link.task->thread_close();
    switch (event.GetId()) {
    case CARD_EVENT_LISTED: show_listing(); break;
    case CARD_EVENT_HASH_OK:
    case CARD_EVENT_HASH_FAILED:
    case CARD_EVENT_CHECK_OK:
    case CARD_EVENT_CHECK_FAILED:
    case CARD_EVENT_MOVE_OK:
    case CARD_EVENT_MOVE_FAILED:
    case CARD_EVENT_ORDER_FAILED: break;
    default: list_up(); break;
    }
}

void my_panel_list::selection_changed() {
    repeat_key_reset(&m_repeat);
    for (int row = 0; row < static_cast<int>(m_items.size()); row++) {
        if (m_selection.selected[row] != m_list->IsSelected(row)) {
            if (m_selection.selected[row])
                m_list->SetSelection(row);
            else
                m_list->Deselect(row);
        }
    }
    const int selected = selection_count(m_selection);
    m_count->SetLabel(wxString::FromUTF8(item_count_label(selected)));
    m_update_config->SetLabel(selected > 1 ? "update parameters" : "update name&&parameters");
    update_enabled();
    const int last = selection_last(m_selection);
    config_window()->show_item(last < 0 ? nullptr : &m_items[last], selected);
}

void my_panel_list::click_row(int row, bool double_click) {
    if (double_click)
        selection_only(&m_selection, row);
    else
        selection_toggle(&m_selection, row);
    selection_changed();
}

void my_panel_list::drag(int from_row, int to_row) {
    selection_drag_begin(&m_selection, from_row);
    const int step = to_row >= from_row ? 1 : -1;
    for (int row = from_row + step; row != to_row + step; row += step)
        selection_drag_over(&m_selection, row);
    selection_changed();
}

void my_panel_list::on_list_mouse(wxMouseEvent &event) {
    const int row = m_list->HitTest(event.GetPosition());
    const wxEventType type = event.GetEventType();
    if (type == wxEVT_LEFT_DOWN) {
        m_list->SetFocus();
        if (row == wxNOT_FOUND) return;
        selection_drag_begin(&m_selection, row);
        m_dragging = true;
        selection_changed();
    } else if (type == wxEVT_LEFT_DCLICK) {
        if (row != wxNOT_FOUND) click_row(row, true);
    } else if (type == wxEVT_MOTION) {
        if (m_dragging && event.LeftIsDown() && row != wxNOT_FOUND &&
            m_selection.selected[row] != m_selection.drag_state) {
            selection_drag_over(&m_selection, row);
            selection_changed();
        }
    } else {
        m_dragging = false;
    }
}

void my_panel_list::on_list_select(wxCommandEvent &) {
    // The list box changed its own selection: take it over as the model.
    for (int row = 0; row < static_cast<int>(m_items.size()); row++)
        if (m_list->IsSelected(row) != m_selection.selected[row]) selection_toggle(&m_selection, row);
    selection_changed();
}

void my_panel_list::on_list_key(wxKeyEvent &event) {
    const int key = event.GetKeyCode();
    const int modifiers = event.GetModifiers();
    const bool ours = key == WXK_ESCAPE || (key == 'A' && modifiers == wxMOD_CONTROL) ||
                      (modifiers == wxMOD_SHIFT && (key == WXK_UP || key == WXK_DOWN ||
                                                    key == WXK_DELETE || key == WXK_F7 ||
                                                    key == WXK_F8));
    if (!ours) {
        event.Skip();
        return;
    }
    press(key, modifiers);
}

void my_panel_list::press(int key, int modifiers) {
    const bool shift = modifiers == wxMOD_SHIFT;
    if (key == WXK_ESCAPE) {
        selection_clear(&m_selection);
    } else if (key == 'A' && modifiers == wxMOD_CONTROL) {
        selection_all(&m_selection);
    } else if (shift && (key == WXK_UP || key == WXK_DOWN)) {
        const list_move_result moved = list_move_relative(&m_items, &m_selection, key == WXK_UP ? -1 : +1);
        if (moved == LIST_MOVE_NOT_SEQUENTIAL) {
            page_log(m_link, "\n non-sequential selection ");
            page_log(m_link, "非連続で選択されています ");
            return;
        }
        if (moved == LIST_MOVE_OUT_OF_BLOCK) {
            page_log(m_link, "an image moves only inside its block of 100\n");
            return;
        }
        for (int row = 0; row < static_cast<int>(m_items.size()); row++)
            m_list->SetString(row, wxString::FromUTF8(row_label(m_items[row])));
    } else if (shift && (key == WXK_DELETE || key == WXK_F7)) {
        repeat(key == WXK_DELETE ? REPEAT_KEY_DELETE : REPEAT_KEY_DUMP);
        return;
    } else if (shift && key == WXK_F8) {
        m_link.half->command_display = true;
        page_log(m_link, "cui command display: on\n");
        return;
    } else {
        return;
    }
    selection_changed();
}

void my_panel_list::repeat(repeat_key key) {
    // A press while a task runs does not count (its start ended the count).
    if (m_link.task->busy()) return;
    const int selected = selection_count(m_selection);
    const uint32_t image = selected == 1 ? m_items[selection_last(m_selection)].image_number : 0;
    const repeat_action action =
        repeat_key_press(&m_repeat, key, selected, image, m_link.task->log()->sink());
    switch (action) {
    case REPEAT_FORMAT: m_link.run(m_mailbox, card_job_format()); break;
    case REPEAT_AMOUNT_CHANGE: m_link.run(m_mailbox, card_job_amount_change(m_repeat.image_number)); break;
    case REPEAT_RAWDUMP: {
        // One folder for the question and the dump, so the file asked about
        // is the file written.
        const std::string folder = wxGetCwd().utf8_string();
        if (replace_allowed(this, wxString::FromUTF8(card_rawdump_path(m_repeat.image_number, folder))))
            m_link.run(m_mailbox, card_job_rawdump(m_repeat.image_number, folder));
        break;
    }
    case REPEAT_NOTHING: break;
    }
}

void my_panel_list::on_read(wxCommandEvent &) { list_up(); }

void my_panel_list::on_crc(wxCommandEvent &) {
    if (selection_count(m_selection) != 1) return;
    m_link.run(m_mailbox, card_job_hash(m_items[selection_last(m_selection)].image_number));
}

void my_panel_list::on_check(wxCommandEvent &) { m_link.run(m_mailbox, card_job_check()); }

void my_panel_list::on_update_config(wxCommandEvent &) {
    std::vector<uint32_t> images;
    for (int row : selection_rows(m_selection)) images.push_back(m_items[row].image_number);
    m_link.run(m_mailbox, card_job_config(config_window()->change(), images,
                                          config_window()->name().utf8_string()));
}

void my_panel_list::on_update_order(wxCommandEvent &) {
    if (!m_listing) return;
    std::vector<uint32_t> shown, listed;
    for (const card_list_row &item : m_items) shown.push_back(item.image_number);
    for (const card_list_row &item : m_listing->rows) listed.push_back(item.image_number);
    const std::vector<uint32_t> images = card_order_changed_blocks(shown, listed);
    if (images.empty()) {
        page_log(m_link, "nothing to write: the order is unchanged\n");
        return;
    }
    m_link.run(m_mailbox, card_job_reorder(images));
}

std::string my_panel_list::row_label(const card_list_row &row) const {
    // The column stands when the listing had a DAT, index discs' blank.
    return m_listed_dat.empty() ? row.text : card_list_dat_column(row.dat) + row.text;
}

void my_panel_list::on_dat_changed(wxFileDirPickerEvent &) { list_up(); }

void my_panel_list::on_help(wxCommandEvent &) {
    m_helptext->SetValue(beside_program_text("list_help.txt"));
}
