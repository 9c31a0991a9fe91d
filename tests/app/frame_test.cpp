#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <wx/panel.h>

#include "gui/card/my_pem_panel.h"
#include "gui/device/my_oru_port.h"
#include "tests/support/gui_fixture.h"

TEST_F(FrameTest, FirstStartWithoutSettingsFile) {
    open_frame();
    EXPECT_EQ(frame->GetPosition(), wxPoint(32, 32));
    // The default 300 x 400 grows to what the content needs, and no further.
    const wxSize first = frame->GetSize();
    wxSize expected(300, 400);
    expected.IncTo(frame->GetMinSize());
    EXPECT_EQ(first, expected);
    EXPECT_EQ(frame->GetTitle(), "Vellumark control panel");
    EXPECT_EQ(frame->notebook()->GetSelection(), 0);
    EXPECT_EQ(frame->notebook()->GetPageText(0), "com.main");
    EXPECT_EQ(frame->notebook()->GetPageText(1), "com.sub");
    EXPECT_TRUE(frame->port_row()->IsShown());
    EXPECT_EQ(log_text(frame).substr(0, 37), "Vellumark Control Panel version 1.12\n");
    EXPECT_EQ(frame->port_row()->portname_field()->GetValue(), "COM3");
    close_frame();
    // The file is created on exit with what the close stored.
    auto *c = reopen_config();
    EXPECT_EQ(c->ReadLong("control_panel.x", -1), 32);
    EXPECT_EQ(c->ReadLong("control_panel.width", -1), first.x);
    EXPECT_EQ(c->Read("serial.portname", ""), "COM3");
}

TEST_F(FrameTest, StoredTabOutOfRangeFallsBackToPageZeroAndIsStoredAsZero) {
    {
        std::ofstream(config_path()) << "control_panel.tab=7\n";
    }
    open_frame();
    EXPECT_EQ(frame->notebook()->GetSelection(), 0);
    close_frame();
    EXPECT_EQ(reopen_config()->ReadLong("control_panel.tab", -1), 0);
}

TEST_F(FrameTest, StoredGeometryAndTabAreRestored) {
    {
        std::ofstream(config_path()) << "control_panel.x=50\ncontrol_panel.y=60\n"
                                        "control_panel.width=1020\ncontrol_panel.height=800\n"
                                        "control_panel.tab=1\n";
    }
    open_frame();
    EXPECT_EQ(frame->GetPosition(), wxPoint(50, 60));
    EXPECT_EQ(frame->GetSize(), wxSize(1020, 800));
    EXPECT_EQ(frame->notebook()->GetSelection(), 1);
    EXPECT_TRUE(frame->port_row()->IsShown());
}

TEST_F(FrameTest, ClosingWhileMinimisedKeepsTheGeometryAndStoresTheTab) {
    {
        std::ofstream(config_path()) << "control_panel.x=50\ncontrol_panel.y=60\n"
                                        "control_panel.width=420\ncontrol_panel.height=500\n";
    }
    open_frame();
    frame->notebook()->SetSelection(1);
    // What a minimised window reports on the system the program came from.
    frame->Move(-32000, -32000);
    ASSERT_TRUE(pump_until([&] { return frame->GetPosition().x < 0; }));
    close_frame();
    auto *c = reopen_config();
    EXPECT_EQ(c->ReadLong("control_panel.x", -1), 50);
    EXPECT_EQ(c->ReadLong("control_panel.y", -1), 60);
    EXPECT_EQ(c->ReadLong("control_panel.width", -1), 420);
    EXPECT_EQ(c->ReadLong("control_panel.height", -1), 500);
    EXPECT_EQ(c->ReadLong("control_panel.tab", -1), 1);
}

TEST_F(FrameTest, PageSwitchShowsTheRowOfTheHalf) {
    open_frame();
    // A card page stands in until the card half adds its own.
    auto *card_page = new wxPanel(frame->notebook());
    frame->notebook()->AddPage(card_page, "card");
    frame->notebook()->ChangeSelection(2);
    wxNotebookEvent changed(wxEVT_NOTEBOOK_PAGE_CHANGED, frame->notebook()->GetId(), 2, 0);
    changed.SetEventObject(frame->notebook());
    frame->notebook()->GetEventHandler()->ProcessEvent(changed);
    EXPECT_FALSE(frame->port_row()->IsShown());
    frame->notebook()->ChangeSelection(1);
    changed.SetSelection(1);
    frame->notebook()->GetEventHandler()->ProcessEvent(changed);
    EXPECT_TRUE(frame->port_row()->IsShown());
}

TEST_F(FrameTest, LogClearEmptiesTheSharedLog) {
    open_frame();
    ASSERT_FALSE(log_text(frame).empty());
    click(control(frame->port_row(), "logclear"));
    EXPECT_EQ(log_text(frame), "");
}

// Both halves write at once, each line in pieces: the shared log shows every
// line whole, and one logclear (either row's) drops what both have written,
// shown or still pending.
TEST_F(FrameTest, TwoHalvesWritingAtOnceKeepLinesWholeAndOneLogClearClearsBoth) {
    open_frame();
    constexpr int lines = 200;
    auto writer = [](log_sink *sink, const char *half) {
        for (int i = 0; i < lines; i++) {
            log_write(sink, half);
            log_write(sink, " line ");
            log_write(sink, std::to_string(i).c_str());
            log_write(sink, " end\n");
        }
    };
    click(control(frame->port_row(), "logclear"));
    std::thread device(writer, frame->device_log()->sink(), "device");
    std::thread card(writer, frame->card_log()->sink(), "card");
    device.join();
    card.join();
    ASSERT_TRUE(pump_until([&] {
        const std::string text = log_text(frame);
        return std::count(text.begin(), text.end(), '\n') == 2 * lines;
    }));
    std::istringstream shown(log_text(frame));
    int device_next = 0, card_next = 0;
    for (std::string line; std::getline(shown, line);) {
        if (line == "device line " + std::to_string(device_next) + " end")
            device_next++;
        else if (line == "card line " + std::to_string(card_next) + " end")
            card_next++;
        else
            ADD_FAILURE() << "split or out of order: " << line;
    }
    EXPECT_EQ(device_next, lines);
    EXPECT_EQ(card_next, lines);

    // Partial lines still pending in both halves go with the clear.
    log_write(frame->device_log()->sink(), "device pending");
    log_write(frame->card_log()->sink(), "card pending");
    pump_pending();
    click(control(frame->drive_row(), "logclear"));
    EXPECT_EQ(log_text(frame), "");
    log_write(frame->device_log()->sink(), "after\n");
    log_write(frame->card_log()->sink(), "after\n");
    frame->device_log()->end_line();
    ASSERT_TRUE(pump_until([&] { return log_text(frame) == "after\nafter\n"; })) << log_text(frame);
}

// "writing ..." before a long step shows after a short wait, not at the end
// of the step; meanwhile the other half's lines wait, so no line holds both.
TEST_F(FrameTest, APartialLineShowsSoonAndKeepsItsLineToItself) {
    open_frame();
    auto *drives = static_cast<my_pem_panel *>(frame->drive_row());
    ASSERT_TRUE(pump_until([&] { return !drives->task()->busy(); }));
    pump_pending();
    click(control(frame->port_row(), "logclear"));
    log_sink *device = frame->device_log()->sink();
    log_sink *card = frame->card_log()->sink();
    auto shows = [&](const std::string &want) {
        return pump_until([&] { return log_text(frame) == want; }, 5000);
    };
    log_write(device, "writing ...");
    ASSERT_TRUE(shows("writing ...")) << log_text(frame);
    log_write(card, "card line\n");
    log_write(card, "card partial");
    pump_for(3 * window_log_view::PARTIAL_LINE_MS);
    EXPECT_EQ(log_text(frame), "writing ...") << "the card's text entered the device's line";
    log_write(device, " done\n");
    ASSERT_TRUE(shows("writing ... done\ncard line\ncard partial")) << log_text(frame);
    // A command that ends closes its line, so the next text starts a new one.
    frame->card_log()->end_line();
    log_write(device, "next\n");
    ASSERT_TRUE(shows("writing ... done\ncard line\ncard partial\nnext\n")) << log_text(frame);
}

TEST_F(FrameTest, AnUnchangedSessionLeavesTheSettingsFileAsItWas) {
    open_frame();
    close_frame();
    auto old_time = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24);
    std::filesystem::last_write_time(config_path(), old_time);
    open_frame();
    close_frame();
    EXPECT_EQ(std::filesystem::last_write_time(config_path()), old_time);
}
