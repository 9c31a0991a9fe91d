// The "formatter" page: the notice in the chosen language and the format
// button. Its task's completion makes the image list list the card again.
#pragma once

#include "gui/card/card_page.h"
#include "gui/card/panel_format.h"

class my_panel_format : public panel_format {
public:
    my_panel_format(wxWindow *parent, const card_page_link &link);

    wxButton *format_button() const { return m_format; }
    wxButton *backup_button() const { return m_backup; }
    wxButton *restore_button() const { return m_restore; }

private:
    void on_language(wxCommandEvent &event) override;
    void on_format(wxCommandEvent &event) override;
    void on_backup(wxCommandEvent &event) override;
    void on_restore(wxCommandEvent &event) override;
    void on_done(wxCommandEvent &event);
    void show_notice();

    card_page_link m_link;
    page_mailbox m_mailbox{this};
};
