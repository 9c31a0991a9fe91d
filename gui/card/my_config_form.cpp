#include "gui/card/my_config_form.h"

my_config_form::my_config_form(wxWindow *parent, my_config *config, const kind_pictures &pictures)
    : config_form(parent, pictures), m_config(config) {
    Move(config->ReadLong("config_form.x", 32), config->ReadLong("config_form.y", 32));
    // A stored or default size smaller than the content grows to it.
    wxSize size(config->ReadLong("config_form.width", 600), config->ReadLong("config_form.height", 400));
    size.IncTo(GetMinSize());
    SetSize(size);
    bool hide = false;
    config->Read("config_form.hideleft", &hide, false);
    m_hide_left->SetValue(hide);
    apply_hide_left();
    // Closing only hides it: the list page shows it again after each listing.
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent &event) {
        if (event.CanVeto()) {
            Hide();
            event.Veto();
        } else {
            event.Skip();
        }
    });
}

void my_config_form::show_item(const card_list_row *item, int selected) {
    if (item) {
        m_left->show_item(*item);
        m_right->show_item(*item);
    }
    m_right->name_field()->Enable(selected == 1);
}

void my_config_form::store_settings() {
    const wxPoint pos = GetPosition();
    const wxSize size = GetSize();
    m_config->store_geometry("config_form", pos.x, pos.y, size.GetWidth(), size.GetHeight());
    m_config->store_bool("config_form.hideleft", m_hide_left->GetValue());
}

void my_config_form::on_hide_left(wxCommandEvent &) { apply_hide_left(); }

void my_config_form::apply_hide_left() {
    m_left->Show(!m_hide_left->GetValue());
    Layout();
}
