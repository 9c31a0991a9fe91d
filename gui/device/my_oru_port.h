// The device half's port row: the port name field, the log-clear button, the
// device task, and the two device pages it adds to the notebook.
//
// Threading: window thread only.
#pragma once

#include <memory>
#include <vector>

#include <wx/notebook.h>
#include <wx/textctrl.h>

#include "gui/shell/my_config.h"
#include "gui/shell/task_runner.h"
#include "gui/shell/window_log.h"
#include "gui/device/oru_port.h"
#include "platform/serial.h"

class my_oru_main;
class my_oru_sub;

class my_oru_port : public oru_port {
public:
    my_oru_port(wxWindow *parent, wxNotebook *notebook, my_config *config, window_log_ptr log);
    ~my_oru_port() override;

    task_runner *task() const { return m_task.get(); }
    my_oru_main *main_page() const { return m_main; }
    my_oru_sub *sub_page() const { return m_sub; }
    wxComboBox *portname_field() const { return m_portname; }

private:
    void on_logclear(wxCommandEvent &event) override;
    void on_portname_dropdown(wxCommandEvent &event) override;
    void on_portname_chosen(wxCommandEvent &event) override;
    // The ports found on the machine as choices, each by its stable name and
    // what it is; any typed name still works.
    void offer_ports();

    my_config *m_config;
    std::vector<serial_port_info> m_listed;  // the choices offered, in their order
    // Shared with the pages, which may be destroyed after this row.
    std::shared_ptr<task_runner> m_task;
    my_oru_main *m_main;  // notebook pages, destroyed by the toolkit
    my_oru_sub *m_sub;
};
