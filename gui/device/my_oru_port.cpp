#include "gui/device/my_oru_port.h"

#include "gui/device/my_oru_main.h"
#include "gui/device/my_oru_sub.h"
#include "device/device_dispatch.h"
#include "device/port_choice.h"
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
    // A stored ttyUSB number or by-id link goes stale when the adapter is
    // plugged elsewhere or swapped: the adapter found instead is proposed.
    std::string stored = m_config->Read("serial.portname", DEVICE_DEFAULT_PORT).utf8_string();
    std::string serial = m_config->Read("serial.usb_serial", "").utf8_string();
    port_proposal proposal;
    if (port_propose(stored, serial_port_exists(stored), serial, m_listed, &proposal)) {
        m_task->log()->append((proposal.reason + "\n").c_str());
        stored = proposal.port;
    }
    m_portname->SetValue(wxString::FromUTF8(stored));
}

// The stable name of the port is stored, and the adapter's serial number to
// find it again under another name. The ports listed last serve: listing
// again would open every Windows port at exit, a slow one included.
my_oru_port::~my_oru_port() {
    std::string name = m_portname->GetValue().utf8_string();
    const serial_port_info *port = port_find(name, m_listed);
    m_config->store_string("serial.portname", wxString::FromUTF8(port_stable_name(name, m_listed)));
    // A port that is there but no listed adapter (a pseudo-terminal) has no
    // serial number; one that is gone keeps the last adapter's.
    if (port != nullptr || serial_port_exists(name))
        m_config->store_string("serial.usb_serial",
                               wxString::FromUTF8(port != nullptr ? port->usb_serial : ""));
}

// The one window log: clears what either half wrote, shown or not.
void my_oru_port::on_logclear(wxCommandEvent &) { m_task->log()->clear(); }

void my_oru_port::offer_ports() {
    // Refilling a combo box clears its text; what the user typed stays.
    wxString typed = m_portname->GetValue();
    m_portname->Clear();
    m_listed = serial_port_list();
    for (const serial_port_info &port : m_listed) {
        std::string what = port_description(port);
        m_portname->Append(
            wxString::FromUTF8(port_stable_name(port) + (what.empty() ? "" : "  (" + what + ")")));
    }
    m_portname->ChangeValue(typed);
}

// A choice's text carries what the port is: the field keeps only its name.
void my_oru_port::on_portname_chosen(wxCommandEvent &event) {
    int n = event.GetSelection();
    if (n >= 0 && static_cast<size_t>(n) < m_listed.size()) {
        wxString name = wxString::FromUTF8(port_stable_name(m_listed[static_cast<size_t>(n)]));
        CallAfter([this, name] { m_portname->SetValue(name); });
    }
    event.Skip();
}

void my_oru_port::on_portname_dropdown(wxCommandEvent &event) {
    offer_ports();
    event.Skip();
}
