#include "app/main_app.h"

#include "app/my_form_controlpanel.h"

bool main_app::OnInit() {
    frame = new my_form_controlpanel(nullptr, &config);
    frame->Show();
    return true;
}

wxIMPLEMENT_APP(main_app);
