// The longest time the window thread stays away from its event loop while a
// paced 2.5 MiB HuCard dump streams in from the board emulator and the log,
// gauge and completion travel from the worker. Needs a display (xvfb-run -a).
//
//   xvfb-run -a build-rel/gui-stall [seconds]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/init.h>

#include "gui/shell/my_config.h"
#include "app/my_form_controlpanel.h"
#include "gui/device/my_oru_port.h"
#include "gui/device/my_oru_sub.h"
#include "tools/board_emulator/board_emulator.h"
#include "tools/board_emulator/emu_console_bus.h"
#include "tools/gui_pump/gui_pump.h"

namespace {

class bench_app : public wxApp {
public:
    bool OnInit() override { return true; }
};

using steady = std::chrono::steady_clock;

double ms_since(steady::time_point t) {
    return std::chrono::duration<double, std::milli>(steady::now() - t).count();
}

// One turn of the event loop; returns how long the window thread was busy.
double turn() {
    auto start = steady::now();
    pump_pending();
    return ms_since(start);
}

}  // namespace

int main(int argc, char **argv) {
    double seconds = argc > 1 ? atof(argv[1]) : 10.0;
    wxApp::SetInstance(new bench_app);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        fprintf(stderr, "gui-stall: no display\n");
        return 1;
    }
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "vmk-gui-stall";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    // The dump writes rom.pce here; one left by an earlier run would be asked about.
    std::filesystem::remove(dir / "rom.pce");

    emu_options options;
    options.paced = true;
    emu_console_bus bus;
    board_emulator board(options);
    bus.install(board);
    std::vector<uint8_t> rom(0x280000);
    for (size_t i = 0; i < rom.size(); i++) rom[i] = static_cast<uint8_t>(i * 7 + (i >> 13));
    bus.insert_card(rom);
    if (!board.start()) return 1;

    auto *config = new my_config(wxString(dir.string()));
    auto *frame = new my_form_controlpanel(nullptr, config);
    frame->Show();
    frame->port_row()->portname_field()->SetValue(board.port_path());
    my_oru_sub *sub = frame->port_row()->sub_page();
    find_control<wxChoice>(sub, "memory map")->SetSelection(2);  // sf2: 2.5 MiB
    for (int i = 0; i < 50; i++) turn();

    // The click's handler is the first turn: starting the dump counts too.
    auto start = steady::now();
    if (!click(find_control<wxButton>(sub, "&dump"))) {
        fprintf(stderr, "gui-stall: the dump button is disabled\n");
        return 1;
    }
    double worst = ms_since(start), total = worst;
    long turns = 1, over_50 = worst > 50 ? 1 : 0;
    if (worst > 50) printf("  the start took %.1f ms\n", worst);
    while (frame->port_row()->task()->busy() && ms_since(start) < seconds * 1000) {
        double busy = turn();
        if (busy > 50) {
            over_50++;
            printf("  turn %ld at %.0f ms took %.1f ms\n", turns, ms_since(start), busy);
        }
        worst = std::max(worst, busy);
        total += busy;
        turns++;
        wxMilliSleep(1);
    }
    int gauge = find_control<wxGauge>(sub, "gauge")->GetValue();
    int range = find_control<wxGauge>(sub, "gauge")->GetRange();
    click(find_control<wxButton>(sub, "s&top"));
    while (frame->port_row()->task()->busy()) turn();
    printf("%.1f s of a paced sf2 dump (gauge %d/%d): %ld loop turns, %ld over 50 ms, worst %.2f ms, "
           "mean %.3f ms\n",
           ms_since(start) / 1000, gauge, range, turns, over_50, worst, turns ? total / turns : 0.0);
    frame->Destroy();
    turn();
    delete config;
    board.stop();
    wxEntryCleanup();
    return 0;
}
