// Layout of the "backup RAM in MMC" page; my_panel_mmcbkram gives the
// handlers behaviour.
#pragma once

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/filepicker.h>
#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/stattext.h>

class panel_mmcbkram : public wxPanel {
public:
    explicit panel_mmcbkram(wxWindow *parent);

protected:
    virtual void on_read_all(wxCommandEvent &) {}
    virtual void on_write(wxCommandEvent &) {}
    virtual void on_reload(wxCommandEvent &) {}
    virtual void on_folder(wxFileDirPickerEvent &) {}
    virtual void on_save_list_pc(wxCommandEvent &) {}
    virtual void on_save_list(wxCommandEvent &) {}
    virtual void on_save_copy(wxCommandEvent &) {}
    virtual void on_save_delete(wxCommandEvent &) {}

    wxDirPickerCtrl *m_path;
    wxListBox *m_pc_list;
    wxListBox *m_card_list;
    wxCheckBox *m_overwrite;
    wxButton *m_read_all;
    wxButton *m_write;
    wxButton *m_reload;
    // The games' saves inside the selected PC file or image's area.
    wxListBox *m_save_entries;
    wxStaticText *m_save_status;  // label: a format with one %s
    wxButton *m_save_list_pc;
    wxButton *m_save_list;
    wxButton *m_save_copy;
    wxButton *m_save_delete;
};
