#include "gui/card/panel_write.h"

#include <wx/sizer.h>
#include <wx/stattext.h>

#include "gui/card/page_sizes.h"

panel_write::panel_write(wxWindow *parent) : wxPanel(parent, wxID_ANY) {
    auto *column = new wxBoxSizer(wxVERTICAL);
    auto *file_row = new wxBoxSizer(wxHORIZONTAL);
    file_row->Add(new wxStaticText(this, wxID_ANY, "imagefile"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
    m_imagefile = new wxTextCtrl(this, wxID_ANY);
    file_row->Add(m_imagefile, 1, wxALL, 4);
    m_choose = new wxButton(this, wxID_ANY, "...", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
    file_row->Add(m_choose, 0, wxALL, 4);
    column->Add(file_row, 0, wxEXPAND);
    auto *name_row = new wxBoxSizer(wxHORIZONTAL);
    name_row->Add(new wxStaticText(this, wxID_ANY, "name"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
    m_name = new wxTextCtrl(this, wxID_ANY);
    name_row->Add(m_name, 1, wxALL, 4);
    m_add = new wxButton(this, wxID_ANY, "&add");
    name_row->Add(m_add, 0, wxALL, 4);
    column->Add(name_row, 0, wxEXPAND);
    auto *dat_row = new wxBoxSizer(wxHORIZONTAL);
    dat_row->Add(new wxStaticText(this, wxID_ANY, "DAT file"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
    m_dat = dat_picker(this);
    dat_row->Add(m_dat, 1, wxALL, 4);
    m_name_by_dat = new wxCheckBox(this, wxID_ANY, "name by DAT");
    dat_row->Add(m_name_by_dat, 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
    column->Add(dat_row, 0, wxEXPAND);
    m_queue = new wxListBox(this, wxID_ANY);
    m_queue->SetMinSize(wxSize(-1, LIST_MIN_HEIGHT));
    column->Add(m_queue, 1, wxEXPAND | wxALL, 4);
    auto *buttons = new wxBoxSizer(wxHORIZONTAL);
    m_start = new wxButton(this, wxID_ANY, "&start");
    m_help = new wxButton(this, wxID_ANY, "help");
    m_remove = new wxButton(this, wxID_ANY, "re&move");
    buttons->Add(m_start, 0, wxALL, 4);
    buttons->Add(m_remove, 0, wxALL, 4);
    buttons->Add(m_help, 0, wxALL, 4);
    m_verify = new wxCheckBox(this, wxID_ANY, "verify");
    m_verify->SetValue(true);
    buttons->Add(m_verify, 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
    column->Add(buttons);
    m_helptext = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(-1, 60),
                                wxTE_MULTILINE | wxTE_READONLY);
    column->Add(m_helptext, 0, wxEXPAND | wxALL, 4);
    SetSizer(column);

    m_choose->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_choose(e); });
    m_add->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_add(e); });
    m_start->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_start(e); });
    m_help->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_help(e); });
    m_remove->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_remove(e); });
    m_queue->Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent &e) { on_queue_key(e); });
}
