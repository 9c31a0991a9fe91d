// A child program for the closing tests: the real frame over a settings file
// in the given folder, a paced dump started through the sub page's controls,
// then the close box. main returns (and the process exits) once the frame
// has gone, as the application's does, so whatever the worker had not
// finished by then is cut off.
//
// Usage: gui_close_child <folder> <port>. Prints "started" once the dump
// moves and "closed" once the frame has gone.
#include <unistd.h>

#include <cstdio>

#include <wx/app.h>
#include <wx/gauge.h>
#include <wx/init.h>

#include "app/my_form_controlpanel.h"
#include "gui/device/my_oru_port.h"
#include "gui/device/my_oru_sub.h"
#include "tests/gui/gui_fixture.h"

namespace {

class child_app : public wxApp {
public:
    bool OnInit() override { return true; }
};

int run(const char *folder, const char *port) {
    if (chdir(folder) != 0) return 2;
    my_config config(wxString::FromUTF8(folder));
    auto *frame = new my_form_controlpanel(nullptr, &config);
    frame->Show();
    frame->port_row()->portname_field()->SetValue(wxString::FromUTF8(port));
    wxWindow *sub_page = frame->port_row()->sub_page();
    auto *gauge = find_control<wxGauge>(sub_page, "gauge");
    if (gauge == nullptr || !click(find_control(sub_page, "&dump"))) return 3;
    if (!pump_until([&] { return gauge->GetValue() > 0; })) return 4;
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
    if (argc != 3) return 2;
    wxApp::SetInstance(new child_app);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) return 1;
    int result = run(argv[1], argv[2]);
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
