// Opens the main window at its first-start size on the image list page with
// a card image file chosen, lists it, selects two rows and saves a picture of
// the window, and one of the configuration window at its default size.
// For the README; run through make_screenshot.sh under Xvfb.
//   card-pages-shot CARD_IMAGE OUTPUT_PNG CONFIG_WINDOW_PNG
#include <cstdio>

#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include "gui/shell/my_config.h"
#include "app/my_form_controlpanel.h"
#include "gui/card/my_panel_list.h"
#include "gui/card/my_pem_panel.h"
#include "tools/gui_pump/gui_pump.h"

namespace {

bool save_picture(wxWindow *window, const wxString &path) {
    const wxRect area = window->GetScreenRect();
    wxBitmap picture(area.width, area.height);
    wxMemoryDC memory(picture);
    wxScreenDC screen;
    memory.Blit(0, 0, area.width, area.height, &screen, area.x, area.y);
    memory.SelectObject(wxNullBitmap);
    return picture.SaveFile(path, wxBITMAP_TYPE_PNG);
}

class shot_app : public wxApp {
public:
    bool OnInit() override {
        if (argc != 4) {
            fprintf(stderr, "usage: card-pages-shot CARD_IMAGE OUTPUT_PNG CONFIG_WINDOW_PNG\n");
            return false;
        }
        wxInitAllImageHandlers();
        const wxString folder = wxFileName::CreateTempFileName("vmk-shot");
        wxRemoveFile(folder);
        wxFileName::Mkdir(folder);
        config = new my_config(folder);
        config->Write("control_panel.tab", 4);
        auto *frame = new my_form_controlpanel(nullptr, config);
        frame->Show();
        auto *pem = static_cast<my_pem_panel *>(frame->drive_row());
        pump_until([&] { return !pem->task()->busy(); });
        if (!pem->open_card_image(argv[1])) return false;
        pem->list_page()->list_up();
        pump_until([&] { return !pem->task()->busy(); });
        pem->list_page()->click_row(2, false);
        pem->list_page()->click_row(3, false);
        // Beside the main window, so that neither picture shows the other.
        wxWindow *form = pem->list_page()->config_window();
        form->Move(frame->GetRect().GetRight() + 8, 0);
        form->Raise();
        pump_for(800);
        const bool form_saved = save_picture(form, argv[3]);
        form->Hide();
        frame->Raise();
        pump_for(800);
        const bool saved = save_picture(frame, argv[2]);
        frame->Destroy();
        ok = saved && form_saved;
        return true;
    }
    int OnRun() override {
        pump_for(100);
        return ok ? 0 : 1;
    }
    int OnExit() override {
        delete config;
        return 0;
    }

private:
    my_config *config = nullptr;
    bool ok = false;
};

}  // namespace

wxIMPLEMENT_APP(shot_app);
