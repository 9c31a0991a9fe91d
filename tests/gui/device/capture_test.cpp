#include <filesystem>
#include <fstream>

#include <wx/filepicker.h>

#include "tests/gui/device/device_fixture.h"

namespace {

void set_capture_folder(my_oru_main *page, const std::string &folder) {
    control<wxDirPickerCtrl>(page, "save path")->SetPath(wxString::FromUTF8(folder));
}

}  // namespace

TEST_F(DeviceTest, CaptureFolderChecksRefuseBeforeAnyCommand) {
    std::ofstream(files.path("plain")) << "x";
    struct {
        std::string folder, message;
    } cases[] = {
        {files.path("plain"), "the path is file\n"},
        {files.path("no/such/parent"), "mkdir error\n"},  // one level only
    };
    for (auto &c : cases) {
        set_capture_folder(main_page, c.folder);
        frame->log_control()->Clear();
        ASSERT_TRUE(click(control(main_page, "&download")));
        EXPECT_FALSE(busy()) << c.folder;
        EXPECT_EQ(log_text(frame), c.message);
    }
    EXPECT_EQ(frames->captures.load(), 0);
}

TEST_F(DeviceTest, CaptureNamesTheNextFreeNumberInANewFolderAndShowsTheScreen) {
    std::string folder = files.path("shots");  // missing: created
    set_capture_folder(main_page, folder);
    EXPECT_EQ(run(control(main_page, "&download")), TASK_ID_FB_DONE);
    EXPECT_TRUE(std::filesystem::exists(folder + "/0000.png"));
    EXPECT_TRUE(std::filesystem::exists(folder + "/0000_obj.png"));
    EXPECT_EQ(main_page->pngfile(), wxString(folder + "/0000.png"));

    // The screen viewer takes the picture's size and shows it over the board.
    myframe_canvas *screen = main_page->screen_viewer();
    EXPECT_TRUE(screen->IsShown());
    EXPECT_FALSE(main_page->fb_viewer()->IsShown());
    EXPECT_EQ(screen->GetClientSize(), wxSize(256, 240));
    EXPECT_EQ(screen->canvas()->picture().GetSize(), wxSize(256, 240));
    EXPECT_EQ(screen->canvas()->composed().GetSize(), wxSize(256, 240));

    // The frame buffer viewer got every picture line: line 20 is painted
    // opaque from x 32, line 1 (the colour table) and the border stay half
    // transparent.
    const wxImage &fb = main_page->fb_viewer()->canvas()->picture();
    EXPECT_EQ(fb.GetAlpha(100, 20), 255);
    EXPECT_EQ(fb.GetAlpha(100, 1), 127);
    EXPECT_EQ(fb.GetAlpha(678, 20), 127);  // beyond the 677 pixels a divider-2 line draws

    // Numbers already taken are skipped and the counter is left at the choice.
    for (const char *taken : {"/0001.png", "/0002.png"}) std::ofstream(folder + taken) << "x";
    EXPECT_EQ(run(control(main_page, "&download")), TASK_ID_FB_DONE);
    EXPECT_EQ(main_page->pngfile(), wxString(folder + "/0003.png"));
    close_frame();
    auto *c = reopen_config();
    EXPECT_EQ(c->ReadLong("com.png.number", -1), 3);
    EXPECT_EQ(c->Read("com.png.path", ""), wxString(folder + "/"));
}

TEST_F(DeviceTest, CaptureOnAPortThatCannotBeOpenedHidesTheBufferViewer) {
    set_capture_folder(main_page, files.dir);
    frame->port_row()->portname_field()->SetValue("/dev/does-not-exist");
    EXPECT_EQ(run(control(main_page, "&download")), TASK_ID_FB_FAILED);
    EXPECT_FALSE(main_page->fb_viewer()->IsShown());
    EXPECT_FALSE(main_page->screen_viewer()->IsShown());
    EXPECT_TRUE(control(main_page, "&download")->IsEnabled());
}

TEST_F(DeviceTest, ViewersHideOnCloseAndKeepTheirPlaceAcrossRuns) {
    myframe_canvas *fb = main_page->fb_viewer();
    ASSERT_TRUE(click(control(main_page, "show &buffer")));
    EXPECT_TRUE(fb->IsShown());
    fb->Close();  // the close box
    EXPECT_FALSE(fb->IsShown());
    fb->Move(120, 140);
    ASSERT_TRUE(pump_until([&] { return fb->GetPosition() == wxPoint(120, 140); }));
    close_frame();
    EXPECT_EQ(reopen_config()->ReadLong("com.fbview.x", -1), 120);
    config.reset();
    open_frame();
    EXPECT_EQ(frame->port_row()->main_page()->fb_viewer()->GetPosition(), wxPoint(120, 140));
}

TEST_F(DeviceTest, StopEndsAPacedDump) {
    emu_options paced;
    paced.paced = true;
    boot(paced);
    bus.insert_card(make_rom(0x280000));
    choose(control<wxChoice>(sub_page, "memory map"), 2);
    auto *gauge = control<wxGauge>(sub_page, "gauge");
    ASSERT_TRUE(click(control(sub_page, "&dump")));
    ASSERT_TRUE(pump_until([&] { return gauge->GetValue() > 0; }));
    ASSERT_TRUE(click(control(sub_page, "s&top")));
    // Seconds, where the whole dump would take close to a minute.
    ASSERT_TRUE(pump_until([&] { return !busy(); }, 10000));
    EXPECT_EQ(events.back(), TASK_ID_FAILED);
    EXPECT_NE(log_text(frame).find("stopped"), std::string::npos) << log_text(frame);
    EXPECT_TRUE(control(sub_page, "&dump")->IsEnabled());
}

TEST_F(DeviceTest, ClosingTheWindowDuringATransferLeavesTheWorkerHarmless) {
    emu_options paced;
    paced.paced = true;
    boot(paced);
    bytes rom = make_rom(0x40000);
    bus.insert_card(rom);
    auto *gauge = control<wxGauge>(sub_page, "gauge");
    ASSERT_TRUE(click(control(sub_page, "&dump")));
    ASSERT_TRUE(pump_until([&] { return gauge->GetValue() > 0; }));
    close_frame();
    // The worker ends on its own (asked to stop by the close); its text and
    // its event go nowhere. The sanitizers watch for any touch of the
    // destroyed window. The port frees once the worker has closed it.
    int ok = 0;
    ASSERT_TRUE(pump_until([&] {
        recording_log log;
        std::string port = board->port_path();
        const char *v[] = {"", "reset", port.c_str(), "500000"};
        device_dispatch(log.sink, nullptr, 4, v, &ok);
        return ok == 1;
    }));
}
