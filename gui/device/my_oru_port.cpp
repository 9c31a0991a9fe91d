#include "gui/device/my_oru_port.h"

#include "gui/device/my_oru_main.h"
#include "gui/device/my_oru_sub.h"
#include "platform/serial.h"

my_oru_port::my_oru_port(wxWindow *parent, wxNotebook *notebook, my_config *config,
                         window_log_ptr log)
    : oru_port(parent), m_config(config) {
    m_task = std::make_shared<task_runner>(log);
    m_main = new my_oru_main(notebook, config, {m_task, m_portname});
    m_sub = new my_oru_sub(notebook, config, {m_task, m_portname});
    notebook->AddPage(m_main, "com.main");
    notebook->AddPage(m_sub, "com.sub");
    // The pages' buttons need a port name.
    m_portname->Bind(wxEVT_TEXT, [this](wxCommandEvent &event) {
        m_task->state_changed();
        event.Skip();
    });
    offer_ports();
    m_portname->SetValue(m_config->Read("serial.portname", "COM3"));
}

my_oru_port::~my_oru_port() { m_config->store_string("serial.portname", m_portname->GetValue()); }

// The one window log: clears what either half wrote, shown or not.
void my_oru_port::on_logclear(wxCommandEvent &) { m_task->log()->clear(); }

void my_oru_port::offer_ports() {
    // Refilling a combo box clears its text; what the user typed stays.
    wxString typed = m_portname->GetValue();
    m_portname->Clear();
    for (const serial_port_info &port : serial_port_list())
        m_portname->Append(wxString::FromUTF8(port.path));
    m_portname->ChangeValue(typed);
}

void my_oru_port::on_portname_dropdown(wxCommandEvent &event) {
    offer_ports();
    event.Skip();
}
