#include "gui/device/oru_sub.h"

#include "gui/device/page_layout.h"

namespace {

wxFilePickerCtrl *file_field(wxWindow *page, wxSizer *group, wxStaticText **label,
                             const wxString &filter, long style,
                             const wxString &label_text = "filename") {
    auto *row = new wxBoxSizer(wxHORIZONTAL);
    *label = page_label(page, row, label_text);
    auto *picker = new wxFilePickerCtrl(page, wxID_ANY, wxEmptyString, "Select a file", filter,
                                        wxDefaultPosition, wxDefaultSize,
                                        wxFLP_USE_TEXTCTRL | wxFLP_SMALL | style);
    page_field(row, *label, picker);
    group->Add(row, 0, wxEXPAND);
    return picker;
}

}  // namespace

oru_sub::oru_sub(wxWindow *parent, wxWindowID id) : wxScrolledWindow(parent, id) {
    SetScrollRate(0, 10);
    auto *column = new wxBoxSizer(wxVERTICAL);

    wxBoxSizer *updater = page_group(this, column, "Vellumark updater");
    m_updater_file = file_field(this, updater, &m_updater_file_label, "*.pac",
                                wxFLP_OPEN | wxFLP_FILE_MUST_EXIST);
    m_update = new wxButton(this, wxID_ANY, "&update");
    updater->Add(m_update, 0, wxALL, 2);

    wxBoxSizer *dumper = page_group(this, column, "ROM dumper");
    // The dump's target: the picker asks before an existing file is chosen.
    m_dump_file = file_field(this, dumper, &m_dump_file_label, "*.pce", wxFLP_SAVE);
    // The dump's checks: a second read and the user's own DAT file.
    m_dat_file = file_field(this, dumper, &m_dat_file_label, "DAT files (*.dat;*.xml)|*.dat;*.xml|all files|*",
                            wxFLP_OPEN | wxFLP_FILE_MUST_EXIST, "DAT file");
    auto *check_row = new wxBoxSizer(wxHORIZONTAL);
    m_verify = new wxCheckBox(this, wxID_ANY, "&verify (reads twice)");
    check_row->Add(m_verify, 0, wxALIGN_CENTER_VERTICAL | wxALL, 2);
    m_name_by_dat = new wxCheckBox(this, wxID_ANY, "&name by DAT title");
    check_row->Add(m_name_by_dat, 0, wxALIGN_CENTER_VERTICAL | wxALL, 2);
    dumper->Add(check_row, 0, wxEXPAND);
    auto *dump_row = new wxBoxSizer(wxHORIZONTAL);
    m_dump_map_label = page_label(this, dump_row, "memory map");
    m_dump_map = new wxChoice(this, wxID_ANY);
    page_field(dump_row, m_dump_map_label, m_dump_map);
    m_dump = new wxButton(this, wxID_ANY, "&dump");
    dump_row->Add(m_dump, 0, wxALL, 2);
    dumper->Add(dump_row, 0, wxEXPAND);

    wxBoxSizer *colours = page_group(this, column, "color table updater");
    m_colortable_file = file_field(this, colours, &m_colortable_file_label, "*.bin",
                                   wxFLP_OPEN | wxFLP_FILE_MUST_EXIST);
    m_colortable_upload = new wxButton(this, wxID_ANY, "up&load");
    colours->Add(m_colortable_upload, 0, wxALL, 2);
    auto *map_row = new wxBoxSizer(wxHORIZONTAL);
    m_memorymap_label = page_label(this, map_row, "memorymap");
    m_memorymap = new wxChoice(this, wxID_ANY);
    page_field(map_row, m_memorymap_label, m_memorymap);
    colours->Add(map_row, 0, wxEXPAND);
    auto *dest_row = new wxBoxSizer(wxHORIZONTAL);
    m_destination_label = page_label(this, dest_row, "destination");
    m_destination = new wxChoice(this, wxID_ANY);
    page_field(dest_row, m_destination_label, m_destination);
    colours->Add(dest_row, 0, wxEXPAND);

    page_progress_row(this, column, &m_gauge, &m_stop);
    SetSizer(column);
    // The content's height before the first size event: that event lays the
    // page out before it sets the scrolled height, and would squeeze the
    // controls into a view not yet sized.
    FitInside();

    m_update->Bind(wxEVT_BUTTON, &oru_sub::on_update, this);
    m_dump->Bind(wxEVT_BUTTON, &oru_sub::on_dump, this);
    m_colortable_upload->Bind(wxEVT_BUTTON, &oru_sub::on_colortable_upload, this);
    m_destination->Bind(wxEVT_CHOICE, &oru_sub::on_destination, this);
    m_stop->Bind(wxEVT_BUTTON, &oru_sub::on_stop, this);
}
