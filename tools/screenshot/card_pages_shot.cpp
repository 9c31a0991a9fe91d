// Opens the main window on the image list page with a card image file
// chosen, lists it, selects two rows and saves a picture of the window.
// For the README; run through make_screenshot.sh under Xvfb.
//   card-pages-shot CARD_IMAGE OUTPUT_PNG
#include <cstdio>

#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include "app/my_config.h"
#include "app/my_form_controlpanel.h"
#include "gui/card/my_panel_list.h"
#include "gui/card/my_pem_panel.h"

namespace {

void pump_while(const std::function<bool()> &busy) {
    for (int i = 0; i < 20000 && busy(); i++) {
        wxYield();
        wxTheApp->ProcessPendingEvents();
        wxMilliSleep(1);
    }
}

void pump_for(int ms) {
    for (int i = 0; i < ms; i++) {
        wxYield();
        wxMilliSleep(1);
    }
}

class shot_app : public wxApp {
public:
    bool OnInit() override {
        if (argc != 3) {
            fprintf(stderr, "usage: card-pages-shot CARD_IMAGE OUTPUT_PNG\n");
            return false;
        }
        wxInitAllImageHandlers();
        const wxString folder = wxFileName::CreateTempFileName("vmk-shot");
        wxRemoveFile(folder);
        wxFileName::Mkdir(folder);
        config = new my_config(folder);
        config->Write("control_panel.tab", 4);
        config->Write("control_panel.width", 760);
        config->Write("control_panel.height", 560);
        auto *frame = new my_form_controlpanel(nullptr, config);
        frame->Show();
        auto *pem = static_cast<my_pem_panel *>(frame->drive_row());
        pump_while([&] { return pem->task()->busy(); });
        if (!pem->open_card_image(argv[1])) return false;
        pem->list_page()->list_up();
        pump_while([&] { return pem->task()->busy(); });
        pem->list_page()->click_row(2, false);
        pem->list_page()->click_row(3, false);
        pem->list_page()->config_window()->Hide();
        frame->Raise();
        pump_for(800);

        const wxRect area = frame->GetScreenRect();
        wxBitmap picture(area.width, area.height);
        wxMemoryDC memory(picture);
        wxScreenDC screen;
        memory.Blit(0, 0, area.width, area.height, &screen, area.x, area.y);
        memory.SelectObject(wxNullBitmap);
        const bool saved = picture.SaveFile(argv[2], wxBITMAP_TYPE_PNG);
        frame->Destroy();
        ok = saved;
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
