#include "gui/device/oru_main.h"

oru_main::oru_main(wxWindow *parent, wxWindowID id) : wxScrolledWindow(parent, id) {
    SetScrollRate(0, 10);
    auto *column = new wxBoxSizer(wxVERTICAL);

    wxBoxSizer *fb = page_group(this, column, "frame buffer");
    auto *fb_path = new wxBoxSizer(wxHORIZONTAL);
    m_png_path_label = page_label(this, fb_path, "&save path");
    m_png_path = new wxDirPickerCtrl(this, wxID_ANY, wxEmptyString, "Select a folder",
                                     wxDefaultPosition, wxDefaultSize,
                                     wxDIRP_USE_TEXTCTRL | wxDIRP_DIR_MUST_EXIST | wxDIRP_SMALL);
    page_field(fb_path, m_png_path_label, m_png_path);
    fb->Add(fb_path, 0, wxEXPAND);
    auto *fb_buttons = new wxBoxSizer(wxHORIZONTAL);
    m_fb_download = new wxButton(this, wxID_ANY, "&download");
    m_show_buffer = new wxButton(this, wxID_ANY, "show &buffer");
    m_show_screen = new wxButton(this, wxID_ANY, "show &screen");
    for (wxButton *b : {m_fb_download, m_show_buffer, m_show_screen}) fb_buttons->Add(b, 0, wxALL, 2);
    fb->Add(fb_buttons);

    wxBoxSizer *save = page_group(this, column, "savedata");
    auto *save_file = new wxBoxSizer(wxHORIZONTAL);
    m_savedata_file_label = page_label(this, save_file, "imagefile");
    m_savedata_file = new wxFilePickerCtrl(this, wxID_ANY, wxEmptyString, "Select a file", "*.sav",
                                           wxDefaultPosition, wxDefaultSize,
                                           wxFLP_USE_TEXTCTRL | wxFLP_SAVE | wxFLP_SMALL);
    page_field(save_file, m_savedata_file_label, m_savedata_file);
    save->Add(save_file, 0, wxEXPAND);
    auto *save_row = new wxBoxSizer(wxHORIZONTAL);
    m_savedata_page_label = page_label(this, save_row, "RAM &page");
    m_savedata_page = new wxChoice(this, wxID_ANY);
    page_field(save_row, m_savedata_page_label, m_savedata_page, 0);
    m_savedata_download = new wxButton(this, wxID_ANY, "do&wnload");
    m_savedata_upload = new wxButton(this, wxID_ANY, "up&load");
    save_row->Add(m_savedata_download, 0, wxALL, 2);
    save_row->Add(m_savedata_upload, 0, wxALL, 2);
    save->Add(save_row);

    wxBoxSizer *misc = page_group(this, column, "misc");
    auto *misc_row = new wxBoxSizer(wxHORIZONTAL);
    m_reset = new wxButton(this, wxID_ANY, "&reset PCE");
    m_calibration = new wxButton(this, wxID_ANY, "&calibration");
    for (wxButton *b : {m_reset, m_calibration}) misc_row->Add(b, 0, wxALL, 2);
    misc->Add(misc_row);

    page_progress_row(this, column, &m_gauge, &m_stop);
    SetSizer(column);
    // The content's height before the first size event: that event lays the
    // page out before it sets the scrolled height, and would squeeze the
    // controls into a view not yet sized.
    FitInside();

    m_fb_download->Bind(wxEVT_BUTTON, &oru_main::on_fb_download, this);
    m_show_buffer->Bind(wxEVT_BUTTON, &oru_main::on_show_buffer, this);
    m_show_screen->Bind(wxEVT_BUTTON, &oru_main::on_show_screen, this);
    m_savedata_download->Bind(wxEVT_BUTTON, &oru_main::on_savedata_download, this);
    m_savedata_upload->Bind(wxEVT_BUTTON, &oru_main::on_savedata_upload, this);
    m_reset->Bind(wxEVT_BUTTON, &oru_main::on_reset, this);
    m_calibration->Bind(wxEVT_BUTTON, &oru_main::on_calibration, this);
    m_stop->Bind(wxEVT_BUTTON, &oru_main::on_stop, this);
}
