// The main frame talking to the board emulator through its port field, with a
// console (HuCard slot, Memory Base) behind the board and a test frame for
// captures. The working directory is the test's folder while a test runs,
// because the pages' default file names are relative to it.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "gui/shell/task_event.h"
#include "gui/device/my_oru_main.h"
#include "gui/device/my_oru_port.h"
#include "gui/device/my_oru_sub.h"
#include "tests/device/console_bus_fixture.h"
#include "tests/support/gui_fixture.h"
#include "tools/board_emulator/emu_frame.h"

class DeviceTest : public FrameTest {
protected:
    void SetUp() override {
        old_cwd = std::filesystem::current_path();
        std::filesystem::current_path(files.dir);
        boot({});
        open_frame();
        frame->port_row()->portname_field()->SetValue(board->port_path());
        main_page = frame->port_row()->main_page();
        sub_page = frame->port_row()->sub_page();
        for (wxWindow *page : {static_cast<wxWindow *>(main_page), static_cast<wxWindow *>(sub_page)})
            page->Bind(EVT_TASK_DONE, [this](wxCommandEvent &e) {
                events.push_back(e.GetId());
                e.Skip();
            });
    }

    void TearDown() override {
        if (frame != nullptr) close_frame();
        board->stop();
        std::filesystem::current_path(old_cwd);
    }

    void boot(emu_options options) {
        if (board) board->stop();
        board = std::make_unique<board_emulator>(options);
        bus.install(*board, options.status);
        frames = emu_frame_serve(*board, emu_frame_stream("rect"));
        ASSERT_TRUE(board->start());
        if (frame != nullptr) frame->port_row()->portname_field()->SetValue(board->port_path());
    }

    bool busy() { return frame->port_row()->task()->busy(); }
    // Clicks and waits for the completion event; the event's identifier.
    int run(wxWindow *button) {
        size_t before = events.size();
        EXPECT_TRUE(click(button));
        EXPECT_TRUE(pump_until([&] { return events.size() > before && !busy(); }));
        return events.size() > before ? events.back() : -1;
    }

    std::filesystem::path old_cwd;
    emu_console_bus bus;  // outlives the board
    std::unique_ptr<board_emulator> board;
    std::shared_ptr<emu_frame_log> frames;
    my_oru_main *main_page = nullptr;
    my_oru_sub *sub_page = nullptr;
    std::vector<int> events;
};
