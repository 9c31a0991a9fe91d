// Layout of the second device page: updater, ROM dumper, colour table groups
// and the page's gauge. Layout only; behaviour lives in my_oru_sub.
#pragma once

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/filepicker.h>
#include <wx/gauge.h>
#include <wx/panel.h>
#include <wx/scrolwin.h>
#include <wx/stattext.h>

// Scrolls: the frame's default size is smaller than the page.
class oru_sub : public wxScrolledWindow {
public:
    explicit oru_sub(wxWindow *parent, wxWindowID id = wxID_ANY);

protected:
    wxStaticText *m_updater_file_label;
    wxFilePickerCtrl *m_updater_file;
    wxButton *m_update;
    wxStaticText *m_dump_file_label;
    wxFilePickerCtrl *m_dump_file;
    wxStaticText *m_dump_map_label;
    wxChoice *m_dump_map;
    wxButton *m_dump;
    wxStaticText *m_dat_file_label;
    wxFilePickerCtrl *m_dat_file;
    wxCheckBox *m_verify;
    wxCheckBox *m_name_by_dat;
    wxStaticText *m_colortable_file_label;
    wxFilePickerCtrl *m_colortable_file;
    wxButton *m_colortable_upload;
    wxStaticText *m_memorymap_label;
    wxChoice *m_memorymap;
    wxStaticText *m_destination_label;
    wxChoice *m_destination;
    wxButton *m_stop;
    wxGauge *m_gauge;

    virtual void on_update(wxCommandEvent &event) { event.Skip(); }
    virtual void on_dump(wxCommandEvent &event) { event.Skip(); }
    virtual void on_colortable_upload(wxCommandEvent &event) { event.Skip(); }
    virtual void on_destination(wxCommandEvent &event) { event.Skip(); }
    virtual void on_stop(wxCommandEvent &event) { event.Skip(); }
};
