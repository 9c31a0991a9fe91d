// The application object: owns the settings store for the whole run and
// creates the main frame. The store is written back to "oru.cfg" when the
// application object, and with it the store, is destroyed at exit.
#pragma once

#include <wx/app.h>

#include "gui/shell/my_config.h"

class my_form_controlpanel;

class main_app : public wxApp {
public:
    bool OnInit() override;

    my_config config;
    my_form_controlpanel *frame = nullptr;
};
