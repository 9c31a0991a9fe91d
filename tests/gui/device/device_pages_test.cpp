#include <zlib.h>

#include <cstdio>
#include <fstream>

#include <wx/filepicker.h>
#include <wx/msgdlg.h>
#include <wx/scrolwin.h>
#include <wx/testing.h>

#include "tests/gui/device/device_fixture.h"

namespace {

wxFilePickerCtrl *picker(wxWindow *page, const char *name) { return control<wxFilePickerCtrl>(page, name); }

}  // namespace

TEST_F(DeviceTest, ResetRunsOnTheBoardWithTheButtonsDisabledMeanwhileAndFocusReturned) {
    wxWindow *reset = control(main_page, "&reset PCE");
    wxWindow *stop = control(main_page, "s&top");
    // A first focus request can be lost under a bare X server: ask until it holds.
    ASSERT_TRUE(pump_until([&] {
        if (wxWindow::FindFocus() != reset) reset->SetFocus();
        return wxWindow::FindFocus() == reset;
    }));
    EXPECT_FALSE(stop->IsEnabled());
    ASSERT_TRUE(click(reset));
    // Both pages' command buttons wait for the one worker.
    for (const char *label : {"&download", "do&wnload", "up&load", "&reset PCE", "&calibration"})
        EXPECT_FALSE(control(main_page, label)->IsEnabled()) << label;
    for (const char *label : {"&update", "&dump", "up&load"})
        EXPECT_FALSE(control(sub_page, label)->IsEnabled()) << label;
    EXPECT_TRUE(stop->IsEnabled());
    EXPECT_TRUE(control(main_page, "show &buffer")->IsEnabled());
    ASSERT_TRUE(pump_until([&] { return !events.empty() && !busy(); }));
    EXPECT_EQ(events, std::vector<int>{TASK_ID_DONE});
    EXPECT_EQ(board->control_writes(), (bytes{0x00, 0x01}));
    EXPECT_TRUE(reset->IsEnabled());
    EXPECT_FALSE(stop->IsEnabled());
    ASSERT_TRUE(pump_until([&] { return wxWindow::FindFocus() == reset; }));
}

TEST_F(DeviceTest, PortThatCannotBeOpenedEndsWith41AndLeavesThePageUsable) {
    frame->port_row()->portname_field()->SetValue("/dev/does-not-exist");
    EXPECT_EQ(run(control(main_page, "&reset PCE")), TASK_ID_FAILED);
    EXPECT_NE(log_text(frame).find("error opening serial port"), std::string::npos) << log_text(frame);
    EXPECT_TRUE(control(main_page, "&reset PCE")->IsEnabled());
    // The name typed last is the one used next, and the one stored on exit.
    frame->port_row()->portname_field()->SetValue(board->port_path());
    EXPECT_EQ(run(control(main_page, "&reset PCE")), TASK_ID_DONE);
    close_frame();
    EXPECT_EQ(reopen_config()->Read("serial.portname", ""), wxString(board->port_path()));
}

// The pages own their buttons' state: a port field emptied while a command
// runs leaves every command button disabled when it ends, and a name typed
// again enables them.
TEST_F(DeviceTest, CommandButtonsNeedAPortNameEvenAfterACommandEnds) {
    wxComboBox *port = frame->port_row()->portname_field();
    ASSERT_TRUE(click(control(main_page, "&reset PCE")));
    port->SetValue("");
    ASSERT_TRUE(pump_until([&] { return !events.empty() && !busy(); }));
    EXPECT_EQ(events, std::vector<int>{TASK_ID_DONE}) << "the command used the name it started with";
    auto buttons = [&] {
        std::vector<wxWindow *> all;
        for (const char *label : {"&download", "do&wnload", "up&load", "&reset PCE", "&calibration"})
            all.push_back(control(main_page, label));
        for (const char *label : {"&update", "&dump", "up&load"}) all.push_back(control(sub_page, label));
        return all;
    };
    for (wxWindow *b : buttons()) EXPECT_FALSE(b->IsEnabled()) << b->GetLabel();
    EXPECT_FALSE(click(control(main_page, "&reset PCE")));
    port->SetValue(board->port_path());
    for (wxWindow *b : buttons()) EXPECT_TRUE(b->IsEnabled()) << b->GetLabel();
}

// The wheel over a chooser scrolls the page unless the chooser has the focus:
// scrolling down a page does not change what the user chose on the way.
TEST_F(DeviceTest, WheelOverAChooserScrollsThePageUnlessTheChooserHasTheFocus) {
    struct chooser_case {
        int tab;
        wxScrolledWindow *page;
        const char *name;
        bool page_scrolls;  // the page is taller than the shortest window
    };
    const chooser_case cases[] = {{0, main_page, "RAM page", true},
                                  {1, sub_page, "memory map", true},
                                  {1, sub_page, "memorymap", true},
                                  {1, sub_page, "destination", true}};
    for (const chooser_case &c : cases) {
        SCOPED_TRACE(c.name);
        frame->notebook()->SetSelection(static_cast<size_t>(c.tab));
        frame->SetClientSize(frame->GetMinClientSize());
        const auto taller = [&] { return c.page->GetVirtualSize().y > c.page->GetClientSize().y; };
        if (c.page_scrolls) {
            ASSERT_TRUE(pump_until(taller, 5000));
        }
        pump_pending();
        c.page->Scroll(0, 0);
        auto *choice = control<wxChoice>(c.page, c.name);
        ASSERT_NE(choice, nullptr);
        const int chosen = choice->GetSelection();
        const auto wheel_down = [&] {
            // What the toolkit delivers for one notch down.
            wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
            wheel.SetEventObject(choice);
            wheel.m_wheelRotation = -120;
            wheel.m_wheelDelta = 120;
            wheel.m_linesPerAction = 3;
            choice->ProcessWindowEvent(wheel);
            return wheel.GetSkipped();
        };

        c.page->SetFocus();
        ASSERT_TRUE(pump_until([&] { return wxWindow::FindFocus() != choice; }));
        EXPECT_FALSE(wheel_down()) << "the chooser would have changed";
        EXPECT_EQ(choice->GetSelection(), chosen);
        EXPECT_EQ(c.page->GetViewStart().y > 0, c.page_scrolls) << "the page did not scroll";

        const int scrolled = c.page->GetViewStart().y;
        // Under a bare X server a chooser's first focus request is sometimes
        // lost while the page is still settling after the scroll: ask again
        // until the toolkit reports it.
        ASSERT_TRUE(pump_until([&] {
            if (wxWindow::FindFocus() != choice) choice->SetFocus();
            return wxWindow::FindFocus() == choice;
        }));
        EXPECT_TRUE(wheel_down()) << "with the focus the chooser takes the wheel";
        EXPECT_EQ(c.page->GetViewStart().y, scrolled);
    }
}

TEST_F(DeviceTest, SaveDataButtonsMoveThePageOrTheMemoryBase) {
    bytes bkram = make_rom(0x2000, 7);
    board->set_bkram(bkram);
    bytes memorybase = make_rom(0x20000, 9);
    bus.attach_memorybase(memorybase);
    auto *page = control<wxChoice>(main_page, "RAM page");
    ASSERT_EQ(page->GetCount(), 4u);
    EXPECT_EQ(page->GetString(3), "memory base");

    // Empty picker: the default names in the working directory.
    choose(page, 1);
    EXPECT_EQ(run(control(main_page, "do&wnload")), TASK_ID_DONE);
    EXPECT_EQ(read_file(files.path("backupram1.sav")), bytes(bkram.begin() + 0x800, bkram.begin() + 0x1000));
    choose(page, 3);
    EXPECT_EQ(run(control(main_page, "do&wnload")), TASK_ID_DONE);
    EXPECT_EQ(read_file(files.path("memorybase.sav")), memorybase);

    // A chosen file goes up to the chosen page.
    bytes data = make_rom(0x800, 3);
    write_file(files.path("mine.sav"), data);
    picker(main_page, "imagefile")->SetPath(files.path("mine.sav"));
    choose(page, 2);
    EXPECT_EQ(run(control(main_page, "up&load")), TASK_ID_DONE);
    bytes after = board->bkram();
    EXPECT_EQ(bytes(after.begin() + 0x1000, after.begin() + 0x1800), data);

    close_frame();
    auto *c = reopen_config();
    EXPECT_EQ(c->ReadLong("com.savedata.page", -1), 2);
    EXPECT_EQ(c->Read("com.savedata.path", ""), wxString(files.dir));
}

TEST_F(DeviceTest, DumpWithAnEmptyPickerWritesRomPceWithTheChosenMap) {
    bytes rom = make_rom(0x280000);
    bus.insert_card(rom);
    choose(control<wxChoice>(sub_page, "memory map"), 2);
    EXPECT_EQ(run(control(sub_page, "&dump")), TASK_ID_DONE);
    EXPECT_EQ(read_file(files.path("rom.pce")), rom);  // sf2: the whole 2.5 MiB
    EXPECT_EQ(control<wxGauge>(sub_page, "gauge")->GetValue(), control<wxGauge>(sub_page, "gauge")->GetRange());
}

TEST_F(DeviceTest, DumpChecksReadTwiceMatchTheDatNameTheFileAndAreKeptAcrossRuns) {
    bytes rom = make_rom(0x20000, 11);
    bus.insert_card(rom);
    const std::string dat = files.path("mine.dat");
    char crc[16];
    snprintf(crc, sizeof crc, "%08lX", crc32(0L, rom.data(), static_cast<uInt>(rom.size())));
    const std::string xml = std::string("<?xml version=\"1.0\"?>\n<datafile><game name=\"Card &amp; Co\">") +
                            "<rom name=\"c.pce\" size=\"131072\" crc=\"" + crc + "\"/></game></datafile>\n";
    write_file(dat, bytes(xml.begin(), xml.end()));
    auto *verify = control<wxCheckBox>(sub_page, "&verify (reads twice)");
    auto *name_by_dat = control<wxCheckBox>(sub_page, "&name by DAT title");
    ASSERT_TRUE(verify && name_by_dat);
    EXPECT_FALSE(verify->GetValue());  // a new user's dump reads once
    EXPECT_FALSE(name_by_dat->GetValue());

    // The first read of bank 1 is garbage: the second read and a re-read
    // settle it, the DAT knows the result, and the file takes its title.
    bus.set_flaky_banks({1}, false);
    picker(sub_page, "DAT file")->SetPath(dat);
    tick(verify, true);
    tick(name_by_dat, true);
    EXPECT_EQ(run(control(sub_page, "&dump")), TASK_ID_DONE);
    std::string log = log_text(frame);
    EXPECT_NE(log.find("verify: the reads agree after re-reading banks 0x01\n"), std::string::npos) << log;
    EXPECT_NE(log.find("verified: Card & Co\n"), std::string::npos) << log;
    EXPECT_EQ(read_file(files.path("Card & Co.pce")), rom);
    EXPECT_FALSE(file_exists(files.path("rom.pce")));

    // Read once, the garbage stays in: the DAT does not know it, and the
    // file keeps the chosen name.
    bus.set_flaky_banks({1}, false);
    tick(verify, false);
    frame->log_control()->Clear();
    EXPECT_EQ(run(control(sub_page, "&dump")), TASK_ID_DONE);
    log = log_text(frame);
    EXPECT_EQ(log.find("verify:"), std::string::npos) << log;
    EXPECT_NE(log.find("not in the DAT (CRC32:"), std::string::npos) << log;
    EXPECT_NE(read_file(files.path("rom.pce")), rom);

    // The choices come back after a restart.
    tick(verify, true);
    close_frame();
    auto *c = reopen_config();
    EXPECT_EQ(c->Read("com.romdumper.dat", ""), wxString(dat));
    EXPECT_TRUE(c->ReadBool("com.romdumper.verify", false));
    EXPECT_TRUE(c->ReadBool("com.romdumper.namebydat", false));
    open_frame();
    sub_page = frame->port_row()->sub_page();
    EXPECT_EQ(picker(sub_page, "DAT file")->GetPath(), wxString(dat));
    EXPECT_TRUE(control<wxCheckBox>(sub_page, "&verify (reads twice)")->GetValue());
    EXPECT_TRUE(control<wxCheckBox>(sub_page, "&name by DAT title")->GetValue());
}

TEST_F(DeviceTest, DownloadsAskBeforeReplacingAFileAndNoLeavesFileAndBoardAlone) {
    board->set_bkram(make_rom(0x2000, 7));
    bytes memorybase = make_rom(0x20000, 9);
    bus.attach_memorybase(memorybase);
    bus.insert_card(make_rom(0x40000, 5));
    struct {
        const char *what;
        wxWindow *page;
        const char *button;
        int ram_page;  // -1: the ROM dumper
        const char *file;
    } cases[] = {
        {"save data", main_page, "do&wnload", 0, "backupram0.sav"},
        {"memory base", main_page, "do&wnload", 3, "memorybase.sav"},
        {"HuCard dump", sub_page, "&dump", -1, "rom.pce"},
    };
    const bytes old = {'o', 'l', 'd'};
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.ram_page >= 0) choose(control<wxChoice>(main_page, "RAM page"), c.ram_page);
        write_file(files.path(c.file), old);
        const size_t requests = board->headers().size();
        const size_t done = events.size();
        wxTEST_DIALOG(EXPECT_TRUE(click(control(c.page, c.button))), wxExpectModal<wxMessageDialog>(wxID_NO));
        pump_pending();
        EXPECT_FALSE(busy());
        EXPECT_EQ(events.size(), done);
        EXPECT_EQ(board->headers().size(), requests) << "the board was asked although the user said No";
        EXPECT_EQ(read_file(files.path(c.file)), old);

        int outcome = -1;
        wxTEST_DIALOG(outcome = run(control(c.page, c.button)), wxExpectModal<wxMessageDialog>(wxID_YES));
        EXPECT_EQ(outcome, TASK_ID_DONE);
        EXPECT_NE(read_file(files.path(c.file)), old);
    }
}

TEST_F(DeviceTest, ColourTableAndFirmwareReachTheirCommands) {
    write_file(files.path("colours.bin"), bytes(0x400, 0x11));
    picker(sub_page, "filename")->SetPath(files.path("missing.pac"));  // the updater's
    EXPECT_EQ(run(control(sub_page, "&update")), TASK_ID_FAILED);
    EXPECT_NE(log_text(frame).find("missing.pac"), std::string::npos) << log_text(frame);

    auto *colour_picker = dynamic_cast<wxFilePickerCtrl *>(
        control(sub_page, "up&load")->GetPrevSibling());
    ASSERT_NE(colour_picker, nullptr);
    colour_picker->SetPath(files.path("colours.bin"));
    EXPECT_EQ(run(control(sub_page, "up&load")), TASK_ID_DONE);
    EXPECT_NE(log_text(frame).find("Turn on the power again.\n"), std::string::npos) << log_text(frame);
    close_frame();
    EXPECT_EQ(reopen_config()->Read("com.romupload.filename", ""), wxString(files.path("colours.bin")));
}

TEST_F(DeviceTest, CalibrationResetsTheConsoleFirst) {
    run(control(main_page, "&calibration"));
    EXPECT_NE(log_text(frame).find("system reset ok\n"), std::string::npos) << log_text(frame);
}

TEST_F(DeviceTest, DestinationIsDescribedOncePerEntry) {
    auto *destination = control<wxChoice>(sub_page, "destination");
    const std::string flash = "internal Flash Memory:\n  non-volatile data\n  ROM max capacity 256 KiByte\n";
    choose(destination, 1);
    choose(destination, 0);
    choose(destination, 1);
    std::string text = log_text(frame);
    EXPECT_EQ(text.find(flash), text.rfind(flash));
    EXPECT_NE(text.find(flash), std::string::npos);
    EXPECT_NE(text.find("GPRAM:\n  volatile data\n  ROM+RAM max capacity 512 KiByte\n"), std::string::npos);
}
