// The card half's root: the drive row below the notebook, the card task, and
// the four card pages it adds to the notebook ("formatter", "writer",
// "imagelist", "backup RAM in MMC"). The main frame tells it which notebook
// page was entered; entering the list pages scans the drives and lists the
// card.
//
// Threading: window thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <wx/notebook.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include "gui/card/card_page.h"
#include "gui/card/pem_panel.h"

class my_panel_format;
class my_panel_write;
class my_panel_list;
class my_panel_mmcbkram;

// Notebook indexes of the pages that list the card after a drive scan.
enum { CARD_PAGE_IMAGELIST = 4, CARD_PAGE_BKRAM = 5 };

class my_pem_panel : public pem_panel {
public:
    my_pem_panel(wxWindow *parent, wxNotebook *notebook, my_config *config, window_log_ptr log);
    ~my_pem_panel() override;

    void page_entered(int index);
    // Registers an image file as a card and chooses it.
    bool open_card_image(const wxString &path);

    task_runner *task() const { return &m_half->task; }
    char drive_letter() const { return m_half->drive_letter(); }
    wxChoice *drive_chooser() const { return m_driveletter; }
    wxButton *stop_button() const { return m_stop; }
    my_panel_format *format_page() const { return m_format; }
    my_panel_write *write_page() const { return m_write; }
    my_panel_list *list_page() const { return m_list; }
    my_panel_mmcbkram *bkram_page() const { return m_bkram; }

private:
    void on_driveletter(wxCommandEvent &event) override;
    void on_logclear(wxCommandEvent &event) override;
    void on_stop(wxCommandEvent &event) override;
    void on_timer(wxTimerEvent &event);
    void on_done(wxCommandEvent &event);
    void fill_drives(const std::vector<std::string> &texts, const std::string &choose);
    void list_pending();
    void explain_rights();
    void update_enabled();

    window_gauge_ptr m_gauge_carrier;
    std::unique_ptr<card_half> m_half;
    task_runner *m_task;  // the half's
    page_mailbox m_mailbox{this};
    my_config *m_config;
    wxTimer m_timer;
    std::shared_ptr<std::vector<std::string>> m_scanned;
    // The previous scan's drives: its message is logged only when they change.
    std::optional<std::vector<std::string>> m_last_scan;
    int m_pending = -1;  // page to list after the scan
    my_panel_format *m_format;
    my_panel_write *m_write;
    my_panel_list *m_list;
    my_panel_mmcbkram *m_bkram;
};
