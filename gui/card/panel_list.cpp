#include "gui/card/panel_list.h"

#include <wx/sizer.h>

#include "gui/card/page_sizes.h"

panel_list_base::panel_list_base(wxWindow *parent) : wxPanel(parent, wxID_ANY) {
    auto *row = new wxBoxSizer(wxHORIZONTAL);
    auto *left = new wxBoxSizer(wxVERTICAL);
    m_list = new wxListBox(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0, nullptr,
                           wxLB_MULTIPLE | wxLB_NEEDED_SB);
    m_list->SetMinSize(wxSize(IMAGE_LIST_MIN_WIDTH, LIST_MIN_HEIGHT));
    left->Add(m_list, 1, wxEXPAND | wxALL, 4);
    auto *labels = new wxBoxSizer(wxHORIZONTAL);
    m_capacity = new wxStaticText(this, wxID_ANY, wxEmptyString);
    m_count = new wxStaticText(this, wxID_ANY, "0 item(s)");
    labels->Add(m_capacity, 1, wxALL, 4);
    labels->Add(m_count, 0, wxALL, 4);
    left->Add(labels, 0, wxEXPAND);
    auto *dat_row = new wxBoxSizer(wxHORIZONTAL);
    dat_row->Add(new wxStaticText(this, wxID_ANY, "DAT file"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
    m_dat = dat_picker(this);
    dat_row->Add(m_dat, 1, wxALL, 4);
    left->Add(dat_row, 0, wxEXPAND);
    m_helptext = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(-1, 60),
                                wxTE_MULTILINE | wxTE_READONLY);
    left->Add(m_helptext, 0, wxEXPAND | wxALL, 4);
    row->Add(left, 1, wxEXPAND);

    auto *buttons = new wxBoxSizer(wxVERTICAL);
    m_read = new wxButton(this, wxID_ANY, "&read");
    m_crc = new wxButton(this, wxID_ANY, "&crc");
    m_check = new wxButton(this, wxID_ANY, "chec&k");
    m_extract = new wxButton(this, wxID_ANY, wxString::FromUTF8("e&xtract…"));
    m_update_config = new wxButton(this, wxID_ANY, "update name&&parameters");
    m_update_order = new wxButton(this, wxID_ANY, "update &order");
    m_help = new wxButton(this, wxID_ANY, "&help");
    m_update_name_config = new wxButton(this, wxID_ANY, "update &name config");
    for (wxButton *b : {m_read, m_crc, m_check, m_extract, m_update_config, m_update_order, m_help, m_update_name_config})
        buttons->Add(b, 0, wxEXPAND | wxALL, 2);
    m_update_name_config->Hide();
    m_update_name_config->Disable();
    row->Add(buttons, 0, wxALL, 2);
    SetSizer(row);

    m_read->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_read(e); });
    m_crc->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_crc(e); });
    m_check->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_check(e); });
    m_extract->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_extract(e); });
    m_update_config->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_update_config(e); });
    m_update_order->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_update_order(e); });
    m_help->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_help(e); });
    m_dat->Bind(wxEVT_FILEPICKER_CHANGED, [this](wxFileDirPickerEvent &e) { on_dat_changed(e); });
    auto mouse = [this](wxMouseEvent &e) { on_list_mouse(e); };
    m_list->Bind(wxEVT_LEFT_DOWN, mouse);
    m_list->Bind(wxEVT_LEFT_DCLICK, mouse);
    m_list->Bind(wxEVT_MOTION, mouse);
    m_list->Bind(wxEVT_LEFT_UP, mouse);
    m_list->Bind(wxEVT_LISTBOX, [this](wxCommandEvent &e) { on_list_select(e); });
    m_list->Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent &e) { on_list_key(e); });
}
