// A child program for the closing tests: the real frame over a settings file
// in the given folder, a command started through the pages' controls, then
// the close box. main returns (and the process exits) once the frame has
// gone, as the application's does, so whatever the worker had not finished
// by then is cut off.
//
// Usage: app_close_child <folder> dump <port>      (a dump to the folder)
//        app_close_child <folder> add <card image> <image file>
// Prints "started" once the command runs and "closed" once the frame has gone.
#include <unistd.h>

#include <cstdio>
#include <string>

#include <wx/app.h>
#include <wx/gauge.h>
#include <wx/init.h>

#include "app/my_form_controlpanel.h"
#include "gui/card/my_panel_write.h"
#include "gui/card/my_pem_panel.h"
#include "gui/device/my_oru_port.h"
#include "gui/device/my_oru_sub.h"
#include "tests/support/gui_fixture.h"

namespace {

class child_app : public wxApp {
public:
    bool OnInit() override { return true; }
};

bool start_dump(my_form_controlpanel *frame, const char *port) {
    frame->port_row()->portname_field()->SetValue(wxString::FromUTF8(port));
    wxWindow *sub_page = frame->port_row()->sub_page();
    auto *gauge = find_control<wxGauge>(sub_page, "gauge");
    return gauge != nullptr && click(find_control(sub_page, "&dump")) &&
           pump_until([&] { return gauge->GetValue() > 0; });
}

bool start_add(my_form_controlpanel *frame, const char *card, const char *image) {
    auto *drives = dynamic_cast<my_pem_panel *>(frame->drive_row());
    if (drives == nullptr || !drives->open_card_image(wxString::FromUTF8(card))) return false;
    if (!pump_until([&] { return !drives->task()->busy(); })) return false;
    my_panel_write *writer = drives->write_page();
    if (!writer->queue_file(wxString::FromUTF8(image), "Large")) return false;
    if (!click(find_control(writer, "&start")) || !drives->task()->busy()) return false;
    // Well into the copy.
    wxMilliSleep(300);
    return drives->task()->busy();
}

int run(int argc, char **argv) {
    const char *folder = argv[1];
    const std::string mode = argv[2];
    if (chdir(folder) != 0) return 2;
    my_config config(wxString::FromUTF8(folder));
    auto *frame = new my_form_controlpanel(nullptr, &config);
    frame->Show();
    pump_pending();
    bool started = mode == "dump" && argc == 4   ? start_dump(frame, argv[3])
                   : mode == "add" && argc == 5 ? start_add(frame, argv[3], argv[4])
                                                : false;
    if (!started) return 3;
    printf("started\n");
    fflush(stdout);
    frame->Close();
    if (!pump_until([&] { return wxTopLevelWindows.Find(frame) == nullptr; }, 60000)) return 5;
    printf("closed\n");
    fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3) return 2;
    wxApp::SetInstance(new child_app);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) return 1;
    int result = run(argc, argv);
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
