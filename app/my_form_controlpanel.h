// The main frame: restores its geometry and tab, builds the device port row
// (pages 0 and 1) and the card drive row (pages 2 and up), shows the row that
// matches the selected page, and stores geometry and tab on close.
//
// Closing while a worker runs: the frame stays, asks the workers to stop,
// says so in the log and closes itself once both workers have ended, so the
// program never exits with a worker inside a command.
//
// Threading: window thread only. Workers reach the frame only through the two
// window_log objects, which the frame cuts before its log control dies.
#pragma once

#include "app/form_controlpanel.h"
#include "gui/shell/my_config.h"
#include "gui/shell/window_log.h"

class my_oru_port;
class my_pem_panel;

// The least height of a page that scrolls vertically.
constexpr int SCROLLED_PAGE_MIN_HEIGHT = 150;

#define CONTROL_PANEL_VERSION_LINE "Vellumark Control Panel version 1.12\n"

class my_form_controlpanel : public form_controlpanel {
public:
    my_form_controlpanel(wxWindow *parent, my_config *config);
    ~my_form_controlpanel() override;

    my_oru_port *port_row() const { return m_port_row; }
    wxWindow *drive_row() const;
    wxNotebook *notebook() const { return m_notebook; }
    wxTextCtrl *log_control() const { return m_log; }
    const window_log_ptr &device_log() const { return m_device_log; }
    const window_log_ptr &card_log() const { return m_card_log; }

private:
    void on_notebook_page_changed(wxNotebookEvent &event) override;
    void on_close(wxCloseEvent &event);
    void show_row_for(int page);
    // Sets the minimum size to what the pages and rows need and grows to it.
    void fit_content();
    bool worker_running() const;
    // The frame's part when a worker has ended: the pending close goes on.
    void close_if_pending();
    // Winds the tasks down so the window closes when they have ended, unless
    // a firmware write runs and the user chooses not to wait for it.
    void begin_closing();
    // No new worker starts; the running ones are asked to stop, except a
    // firmware write, which cannot stop safely between its pages.
    void wind_down_tasks();

    my_config *m_config;  // the application's; not owned
    window_log_ptr m_device_log;
    window_log_ptr m_card_log;
    my_oru_port *m_port_row = nullptr;  // child window
    my_pem_panel *m_drive_row = nullptr;  // child window
    bool m_closing = false;  // a close waits for the workers
};
