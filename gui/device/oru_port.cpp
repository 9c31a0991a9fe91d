#include "gui/device/oru_port.h"

#include "gui/device/page_layout.h"

oru_port::oru_port(wxWindow *parent, wxWindowID id) : wxPanel(parent, id) {
    auto *row = new wxBoxSizer(wxHORIZONTAL);
    m_portname_label = page_label(this, row, "port");
    m_portname = new wxComboBox(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0,
                                nullptr, wxCB_DROPDOWN);
    page_field(row, m_portname_label, m_portname);
    m_logclear = new wxButton(this, wxID_ANY, "logclear");
    row->Add(m_logclear, 0, wxALIGN_CENTER_VERTICAL | wxALL, 2);
    SetSizer(row);

    m_portname->Bind(wxEVT_COMBOBOX_DROPDOWN, &oru_port::on_portname_dropdown, this);
    m_portname->Bind(wxEVT_COMBOBOX, &oru_port::on_portname_chosen, this);
    m_logclear->Bind(wxEVT_BUTTON, &oru_port::on_logclear, this);
}
