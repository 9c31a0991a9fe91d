// The "writer" page: a queue of image files written to the card one after
// another; a row leaves the queue only when its add succeeded.
#pragma once

#include <vector>

#include "gui/card/card_page.h"
#include "gui/card/panel_write.h"
#include "gui/card/writer_queue.h"

class my_panel_write : public panel_write {
public:
    my_panel_write(wxWindow *parent, const card_page_link &link);
    ~my_panel_write() override;

    // Queues one file with its name ("" for the file's own); false when the
    // file fails its checks (the log says why).
    bool queue_file(const wxString &path, const wxString &name);
    // A CSV list: every listed file queued with its name; false when the
    // list cannot be read (the queue stays as it was).
    bool queue_list(const wxString &path);
    // Removes the selected row; the row being written stays.
    void remove_selected();
    wxListBox *queue() const { return m_queue; }
    wxFilePickerCtrl *dat() const { return m_dat; }
    wxCheckBox *name_by_dat() const { return m_name_by_dat; }
    const std::vector<writer_queue_entry> &entries() const { return m_entries; }

private:
    // Start: a queued row and an idle task.
    void update_enabled();
    void on_choose(wxCommandEvent &event) override;
    void on_add(wxCommandEvent &event) override;
    void on_start(wxCommandEvent &event) override;
    void on_help(wxCommandEvent &event) override;
    void on_remove(wxCommandEvent &event) override;
    void on_queue_key(wxKeyEvent &event) override;
    void on_done(wxCommandEvent &event);
    void start_first();

    card_page_link m_link;
    page_mailbox m_mailbox{this};
    wxString m_path;  // writer.path
    std::vector<writer_queue_entry> m_entries;  // one per row of m_queue
};
