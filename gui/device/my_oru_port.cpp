#include "gui/device/my_oru_port.h"

#include "gui/device/my_oru_main.h"
#include "gui/device/my_oru_sub.h"

my_oru_port::my_oru_port(wxWindow *parent, wxNotebook *notebook, my_config *config,
                         window_log_ptr log, wxTextCtrl *log_control)
    : oru_port(parent), config(config), m_log_control(log_control) {
    m_task = std::make_shared<serial_task>(log, m_portname);
    m_main = new my_oru_main(notebook, config, m_task);
    m_sub = new my_oru_sub(notebook, config, m_task);
    notebook->AddPage(m_main, "com.main");
    notebook->AddPage(m_sub, "com.sub");
    m_portname->SetValue(config->Read("serial.portname", "COM3"));
}

my_oru_port::~my_oru_port() { config->store_string("serial.portname", m_portname->GetValue()); }

void my_oru_port::on_logclear(wxCommandEvent &) {
    m_task->log()->flush();
    m_log_control->Clear();
}

void my_oru_port::on_portname_dropdown(wxCommandEvent &event) { event.Skip(); }
