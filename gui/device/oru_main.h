// Layout of the main device page: frame buffer, save data and misc groups and
// the page's gauge. Layout only; behaviour lives in my_oru_main.
#pragma once

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/filepicker.h>
#include <wx/gauge.h>
#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/scrolwin.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "gui/device/page_layout.h"

// Scrolls: the frame's default size is smaller than the page.
class oru_main : public wxScrolledWindow {
public:
    explicit oru_main(wxWindow *parent, wxWindowID id = wxID_ANY);

protected:
    wxStaticText *m_png_path_label;
    wxDirPickerCtrl *m_png_path;
    wxButton *m_fb_download;
    wxButton *m_show_buffer;
    wxButton *m_show_screen;
    wxStaticText *m_savedata_file_label;
    wxFilePickerCtrl *m_savedata_file;
    wxStaticText *m_savedata_page_label;
    wxChoice *m_savedata_page;
    wxButton *m_savedata_download;
    wxButton *m_savedata_upload;
    // The games' saves inside the "imagefile" file.
    wxListBox *m_save_entries;
    wxStaticText *m_save_status;  // label: a format with one %s
    wxStaticText *m_save_target_label;
    wxFilePickerCtrl *m_save_target;
    wxButton *m_save_list;
    wxButton *m_save_copy;
    wxButton *m_save_delete;
    wxButton *m_reset;
    wxButton *m_calibration;
    wxButton *m_stop;
    wxGauge *m_gauge;

    virtual void on_fb_download(wxCommandEvent &event) { event.Skip(); }
    virtual void on_show_buffer(wxCommandEvent &event) { event.Skip(); }
    virtual void on_show_screen(wxCommandEvent &event) { event.Skip(); }
    virtual void on_savedata_download(wxCommandEvent &event) { event.Skip(); }
    virtual void on_savedata_upload(wxCommandEvent &event) { event.Skip(); }
    virtual void on_save_list(wxCommandEvent &event) { event.Skip(); }
    virtual void on_save_copy(wxCommandEvent &event) { event.Skip(); }
    virtual void on_save_delete(wxCommandEvent &event) { event.Skip(); }
    virtual void on_reset(wxCommandEvent &event) { event.Skip(); }
    virtual void on_calibration(wxCommandEvent &event) { event.Skip(); }
    virtual void on_stop(wxCommandEvent &event) { event.Skip(); }
};
