// The second device page: firmware package update, HuCard ROM dump, colour
// table upload with its memory map and destination choices.
//
// Threading: window thread only.
#pragma once

#include "gui/shell/my_config.h"
#include "gui/device/device_page_link.h"
#include "gui/device/oru_sub.h"

class my_oru_sub : public oru_sub {
public:
    my_oru_sub(wxWindow *parent, my_config *config, device_half half);
    ~my_oru_sub() override;

    // The file the ROM dump writes.
    wxString dump_file() const;

private:
    void on_update(wxCommandEvent &event) override;
    void on_dump(wxCommandEvent &event) override;
    void on_colortable_upload(wxCommandEvent &event) override;
    void on_destination(wxCommandEvent &event) override;
    void on_stop(wxCommandEvent &event) override;
    void on_task_done(wxCommandEvent &event);
    void update_enabled();

    my_config *m_config;
    device_page_link m_link;
    bool m_described[2] = {false, false};  // destination descriptions already shown
};
