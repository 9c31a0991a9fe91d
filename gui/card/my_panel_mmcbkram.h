// The "backup RAM in MMC" page: .sav files of a folder on one side, the
// card's images on the other; read all areas to the folder, or write one file
// into one image's area.
#pragma once

#include <memory>
#include <vector>

#include "card/commands/card_list.h"
#include "gui/card/card_page.h"
#include "gui/card/panel_mmcbkram.h"
#include "gui/shell/save_jobs.h"

class my_panel_mmcbkram : public panel_mmcbkram {
public:
    my_panel_mmcbkram(wxWindow *parent, const card_page_link &link);
    ~my_panel_mmcbkram() override;

    void clear();
    // "re&load lists".
    void reload();
    void set_folder(const wxString &path) { m_path->SetPath(path); }
    wxListBox *pc_list() const { return m_pc_list; }
    wxListBox *card_list_box() const { return m_card_list; }
    wxDirPickerCtrl *folder_field() const { return m_path; }
    wxListBox *save_entries() const { return m_save_entries; }
    wxStaticText *save_status() const { return m_save_status; }

private:
    void on_read_all(wxCommandEvent &event) override;
    void on_write(wxCommandEvent &event) override;
    void on_reload(wxCommandEvent &event) override;
    void on_folder(wxFileDirPickerEvent &event) override;
    void on_save_list_pc(wxCommandEvent &event) override;
    void on_save_list(wxCommandEvent &event) override;
    void on_save_copy(wxCommandEvent &event) override;
    void on_save_delete(wxCommandEvent &event) override;
    // The selected image's area, or the selected file in the folder listed;
    // false, after a log line, when none is.
    bool selected_area(save_place *place);
    bool selected_pc_file(save_place *place);
    void list_saves(const save_place &place);
    void show_saves();
    // Lists the folder field's *.sav files and remembers the folder listed.
    void list_pc_folder();
    void update_enabled();
    void on_done(wxCommandEvent &event);

    card_page_link m_link;
    page_mailbox m_mailbox{this};
    std::shared_ptr<card_list> m_listing;
    std::vector<uint32_t> m_numbers;  // image number per card list row
    wxString m_pc_folder;             // the folder the PC list shows
    wxString m_save_status_format;
    std::shared_ptr<save_view> m_saves;  // while a list job runs
    save_place m_saves_place;            // the file or area the saves list shows
    bool m_relist_saves = false;         // after a copy or delete
};
