// The card pages driven through their controls on memory cards and card
// image files: drive scan, format, the writer queue, the image list with its
// selection, moves, order and repeated keys, the configuration window, and
// the backup RAM page.
#include <sys/stat.h>
#include <unistd.h>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/filedlg.h>
#include <wx/gauge.h>
#include <wx/testing.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "card/commands/card_list.h"
#include "card/layout/bkram_area.h"
#include "core/file_util.h"
#include "gui/card/my_config_form.h"
#include "gui/card/my_panel_format.h"
#include "gui/card/my_panel_list.h"
#include "gui/card/my_panel_mmcbkram.h"
#include "gui/card/my_panel_write.h"
#include "tests/card/cdimage/dump_disc.h"
#include "tests/card/cdimage/image_set.h"
#include "tests/card/commands/config_card.h"
#include "tests/card/write/adding_fixture.h"
#include "tests/gui/card/card_window.h"

namespace {

bool has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

wxButton *button(wxWindow *page, const wxString &label) {
    for (wxWindow *child : page->GetChildren()) {
        if (auto *b = dynamic_cast<wxButton *>(child); b && b->GetLabel() == label) return b;
        if (wxButton *inner = button(child, label)) return inner;
    }
    return nullptr;
}

// The row showing image n, or -1.
int row_of(const my_panel_list *list, uint32_t n) {
    for (size_t i = 0; i < list->items().size(); i++)
        if (list->items()[i].image_number == n) return static_cast<int>(i);
    return -1;
}

std::vector<uint32_t> shown_numbers(const my_panel_list *list) {
    std::vector<uint32_t> out;
    for (const card_list_row &r : list->items()) out.push_back(r.image_number);
    return out;
}

using CardPages = card_window_test;

TEST_F(CardPages, DriveScanWithNoDriveThenWithACard) {
    ASSERT_TRUE(enter_page(2));
    EXPECT_TRUE(has(log_text(), "removable drive is not found\n"));
    ASSERT_EQ(pem->drive_chooser()->GetCount(), 1u);
    EXPECT_EQ(pem->drive_chooser()->GetString(0), OPEN_CARD_IMAGE_ENTRY);
    // The same result again, on any page, says nothing new.
    log_control->Clear();
    for (int page : {3, 0, 2}) ASSERT_TRUE(enter_page(page));
    EXPECT_FALSE(has(log_text(), "removable drive is not found")) << log_text();

    {
        memory_card card(TEST_CARD_SECTORS);
        log_control->Clear();
        ASSERT_TRUE(enter_page(2));
        EXPECT_FALSE(has(log_text(), "removable drive is not found"));
        ASSERT_EQ(pem->drive_chooser()->GetCount(), 2u);
    }
    // The card went away: that is a change, told once.
    log_control->Clear();
    ASSERT_TRUE(enter_page(2));
    EXPECT_TRUE(has(log_text(), "removable drive is not found\n"));
}

TEST_F(CardPages, DriveScanChoosesTheCard) {
    memory_card card(TEST_CARD_SECTORS);
    ASSERT_TRUE(enter_page(2));
    ASSERT_EQ(pem->drive_chooser()->GetCount(), 2u);
    EXPECT_EQ(pem->drive_chooser()->GetSelection(), 0);
    EXPECT_EQ(pem->drive_chooser()->GetString(0), card.drive() + ": test store");
    EXPECT_EQ(pem->drive_letter(), card.letter);
}

// Reading, checking and ordering act on the card: usable only while a drive
// is chosen, whichever way the chooser got or lost it.
TEST_F(CardPages, ListButtonsNeedAChosenDrive) {
    my_panel_list *list = pem->list_page();
    const std::vector<wxButton *> buttons = {button(list, "&read"), button(list, "chec&k"),
                                             button(list, "update &order")};
    for (wxButton *b : buttons) ASSERT_NE(b, nullptr);
    const auto usable = [&] {
        std::vector<bool> out;
        for (wxButton *b : buttons) out.push_back(b->IsEnabled());
        return out;
    };
    const std::vector<bool> none(3, false), all(3, true);
    wxChoice *drives = pem->drive_chooser();
    const auto pick = [&](int entry) {
        drives->SetSelection(entry);
        wxCommandEvent chosen(wxEVT_CHOICE, drives->GetId());
        chosen.SetInt(entry);
        drives->ProcessWindowEvent(chosen);
    };

    EXPECT_EQ(usable(), none) << "first start, nothing chosen";
    ASSERT_TRUE(enter_page(CARD_PAGE_IMAGELIST));
    EXPECT_EQ(usable(), none) << "no drive found";
    EXPECT_FALSE(click(buttons[0]));
    {
        memory_card card(TEST_CARD_SECTORS);
        ASSERT_TRUE(enter_page(CARD_PAGE_IMAGELIST));
        EXPECT_EQ(usable(), all) << "the scan chose the card";
        // The image file entry, then cancelled: nothing is chosen.
        wxTEST_DIALOG(pick(1), wxExpectModal<wxFileDialog>(wxEmptyString, wxID_CANCEL));
        EXPECT_EQ(drives->GetSelection(), wxNOT_FOUND);
        EXPECT_EQ(usable(), none) << "cancelled image file";
        pick(0);
        EXPECT_EQ(usable(), all) << "the card chosen again";
        ASSERT_TRUE(click(buttons[0]));
        EXPECT_EQ(usable(), none) << "while reading";
        ASSERT_TRUE(idle());
        EXPECT_EQ(usable(), all);
    }
    ASSERT_TRUE(enter_page(CARD_PAGE_IMAGELIST));
    EXPECT_EQ(usable(), none) << "the card went away";
}

TEST_F(CardPages, DriveThatNeedsRightsIsListedAndExplained) {
    fake_disk reader;
    reader.name = "sdb";
    system.add_disk(reader);
    const std::string node = system.roots.dev + "/sdb";
    ASSERT_EQ(chmod(node.c_str(), 0444), 0);
    ASSERT_TRUE(enter_page(2));
    ASSERT_GE(pem->drive_chooser()->GetCount(), 2u);
    const std::string entry = pem->drive_chooser()->GetString(0).utf8_string();
    EXPECT_TRUE(has(entry, ": sdb Card Reader")) << entry;

    // Root may write anything: look as an ordinary user would.
    const uid_t euid = geteuid();
    if (euid == 0) {
        ASSERT_EQ(seteuid(65534), 0);
    }
    log_control->Clear();
    wxCommandEvent chosen(wxEVT_CHOICE, pem->drive_chooser()->GetId());
    chosen.SetInt(0);
    pem->drive_chooser()->ProcessWindowEvent(chosen);
    if (euid == 0) {
        ASSERT_EQ(seteuid(0), 0);
    }
    const std::string text = log_text();
    EXPECT_TRUE(has(text, node + " needs rights")) << text;
    EXPECT_TRUE(has(text, "root")) << text;
    EXPECT_TRUE(has(text, "disk group")) << text;
}

TEST_F(CardPages, FormatFromTheWindowThenTheListShowsTheCard) {
    memory_card card(TEST_CARD_SECTORS);
    ASSERT_TRUE(enter_page(2));
    ASSERT_TRUE(click(pem->format_page()->format_button()));
    EXPECT_FALSE(pem->format_page()->format_button()->IsEnabled()) << "disabled while it runs";
    ASSERT_TRUE(idle());
    EXPECT_TRUE(has(log_text(), "initialization successful.")) << log_text();
    ASSERT_TRUE(idle());  // the list is read again after the format
    EXPECT_TRUE(pem->format_page()->format_button()->IsEnabled());
    EXPECT_NE(open_block(card.drive()), nullptr);
    card_list listed;
    ASSERT_TRUE(card_list_rows(log_null(), card.drive().c_str(), &listed));
    EXPECT_EQ(pem->list_page()->list()->GetCount(), listed.rows.size());
    EXPECT_EQ(pem->list_page()->capacity()->GetLabel().utf8_string(), listed.capacity_label);
}

// A card whose first partition holds a file system the program cannot list
// is formatted only after the user agrees: "No" leaves it whole.
TEST_F(CardPages, ForeignFileSystemIsFormattedOnlyAfterTheUserAgrees) {
    memory_card card(TEST_CARD_SECTORS);
    ASSERT_TRUE(format_card(card.drive()));
    std::vector<uint8_t> ntfs(512, 0);
    memcpy(&ntfs[3], "NTFS    ", 8);
    ntfs[510] = 0x55;
    ntfs[511] = 0xAA;
    card.write(1, ntfs);
    ASSERT_TRUE(enter_page(2));
    wxTEST_DIALOG(click(pem->format_page()->format_button()),
                  wxExpectModal<wxMessageDialog>(wxNO));
    ASSERT_TRUE(idle());
    EXPECT_EQ(card.read(1, 1), ntfs) << "declined: the volume stays";
    EXPECT_FALSE(has(log_text(), "initialization successful.")) << log_text();

    wxTEST_DIALOG(click(pem->format_page()->format_button()),
                  wxExpectModal<wxMessageDialog>(wxYES));
    ASSERT_TRUE(idle());
    EXPECT_TRUE(has(log_text(), "initialization successful.")) << log_text();
    EXPECT_NE(card.read(1, 1), ntfs);
    EXPECT_NE(open_block(card.drive()), nullptr);
}

struct writer_files {
    temp_dir dir;
    std::string a = dir.path("A.pce"), b = dir.path("B.pce"), disc = dir.path("disc");
    writer_files() {
        write_file(a, make_rom(8192, 1));
        write_file(b, make_rom(16384, 2));
        make_cd(disc, 300, 300);
    }
};

TEST_F(CardPages, QueueOfTwoRomsAndACdIsWrittenInOrder) {
    memory_card card(TEST_CARD_SECTORS);
    ASSERT_TRUE(format_card(card.drive()));
    writer_files f;
    ASSERT_TRUE(enter_page(3));
    my_panel_write *writer = pem->write_page();
    ASSERT_TRUE(writer->queue_file(f.a, "Game A"));
    ASSERT_TRUE(writer->queue_file(f.b, ""));
    ASSERT_TRUE(writer->queue_file(f.disc + ".ccd", "Disc C"));
    ASSERT_EQ(writer->queue()->GetCount(), 3u);
    EXPECT_EQ(writer->queue()->GetString(0).utf8_string(), "Game A `" + f.a);
    EXPECT_EQ(writer->queue()->GetString(2).utf8_string(), "Disc C `" + f.disc);

    ASSERT_TRUE(click(button(writer, "&start")));
    ASSERT_TRUE(pump_until([&] { return writer->queue()->IsEmpty() && !pem->task()->busy(); }));
    ASSERT_TRUE(idle());
    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->disc_amount, 4u) << log_text();
    EXPECT_STREQ(c->entries[1].name, "Game A");
    EXPECT_STREQ(c->entries[2].name, "B");
    EXPECT_STREQ(c->entries[3].name, "Disc C");
}

// Stop during an add: the add ends at its next safe point, before anything
// is committed, so the card lists what it listed before and the row stays.
TEST_F(CardPages, StopDuringALargeAddLeavesTheCardAsItWas) {
    memory_card card(TEST_CARD_SECTORS);
    ASSERT_TRUE(format_card(card.drive()));
    temp_dir dir;
    std::string disc = dir.path("large");
    make_cd(disc, 6000, 6000);
    card_list before;
    ASSERT_TRUE(card_list_rows(log_null(), card.drive().c_str(), &before));
    ASSERT_TRUE(enter_page(3));
    my_panel_write *writer = pem->write_page();
    ASSERT_TRUE(writer->queue_file(disc + ".ccd", "Large"));

    ASSERT_TRUE(click(button(writer, "&start")));
    ASSERT_TRUE(click(pem->stop_button())) << "Stop is offered while the add runs";
    ASSERT_TRUE(pump_until([&] { return !pem->task()->busy(); }));
    ASSERT_TRUE(idle());
    EXPECT_TRUE(has(log_text(), "stopped")) << log_text();
    card_list after;
    ASSERT_TRUE(card_list_rows(log_null(), card.drive().c_str(), &after));
    ASSERT_EQ(after.rows.size(), before.rows.size());
    for (size_t i = 0; i < after.rows.size(); i++) EXPECT_EQ(after.rows[i].text, before.rows[i].text);
    EXPECT_EQ(after.capacity_label, before.capacity_label);
    ASSERT_EQ(writer->queue()->GetCount(), 1u) << "the stopped row stays queued";
    EXPECT_FALSE(pem->stop_button()->IsEnabled());
}

wxGauge *find_gauge(wxWindow *window) {
    for (wxWindow *child : window->GetChildren()) {
        if (auto *g = dynamic_cast<wxGauge *>(child)) return g;
        if (wxGauge *inner = find_gauge(child)) return inner;
    }
    return nullptr;
}

// The image list's "check" runs the card check as a card task: findings and
// the summary in the log, the bar filled, Stop offered and honoured.
TEST_F(CardPages, CheckButtonReportsInTheLogMovesTheBarAndStops) {
    memory_card card(TEST_CARD_SECTORS);
    ASSERT_TRUE(format_card(card.drive()));
    rom_and_disc f(3, 6000, 6000);
    recording_log added;
    ASSERT_EQ(run_card(added, card.drive(), "add", {f.rom}), 0) << added.text();
    ASSERT_EQ(run_card(added, card.drive(), "add_withname", {f.disc, "Large"}), 0) << added.text();
    ASSERT_TRUE(enter_page(CARD_PAGE_IMAGELIST));
    ASSERT_TRUE(idle());
    my_panel_list *page = pem->list_page();
    wxButton *check = button(page, "chec&k");
    ASSERT_NE(check, nullptr);
    wxGauge *bar = find_gauge(pem);
    ASSERT_NE(bar, nullptr);

    log_control->Clear();
    ASSERT_TRUE(click(check));
    EXPECT_TRUE(pem->task()->busy());
    EXPECT_FALSE(check->IsEnabled()) << "one card task at a time";
    ASSERT_TRUE(idle());
    EXPECT_TRUE(has(log_text(), "check done: 0 findings in 1 block, 3 images")) << log_text();
    EXPECT_GT(bar->GetRange(), 0);
    EXPECT_EQ(bar->GetValue(), bar->GetRange()) << "the bar reached its end";
    EXPECT_TRUE(check->IsEnabled());

    // Stopped: it ends early, says so, and fails.
    log_control->Clear();
    ASSERT_TRUE(click(check));
    ASSERT_TRUE(click(pem->stop_button())) << "Stop is offered while the check runs";
    ASSERT_TRUE(idle());
    EXPECT_TRUE(has(log_text(), "stopped\ncheck stopped: ")) << log_text();
    EXPECT_FALSE(pem->stop_button()->IsEnabled());

    // A damaged Q frame in the disc's area is named in the log.
    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    uint64_t byte = 300ull * 2448 + 12 + 2;
    uint64_t sector = c->block + c->entries[2].offset + byte / 512;
    std::vector<uint8_t> bytes = card.read(sector, 1);
    bytes[byte % 512] ^= 0x10;
    card.write(sector, bytes);
    log_control->Clear();
    ASSERT_TRUE(click(check));
    ASSERT_TRUE(idle());
    EXPECT_TRUE(has(log_text(), "image#0-02 \"Large\": the Q frame of stored sector 300 fails its "
                                "check word"))
        << log_text();
    EXPECT_TRUE(has(log_text(), "check done: 1 finding in 1 block, 3 images")) << log_text();
}

wxCheckBox *find_check_box(wxWindow *window, const wxString &label) {
    for (wxWindow *child : window->GetChildren()) {
        if (auto *b = dynamic_cast<wxCheckBox *>(child); b && b->GetLabel() == label) return b;
        if (wxCheckBox *inner = find_check_box(child, label)) return inner;
    }
    return nullptr;
}

// The writer page's "verify" box: on for a new user, kept in the settings,
// and what it says is what the add does on a card that silently damages a
// write.
class WriterVerify : public card_window_test {
protected:
    void TearDown() override {
        card_window_test::TearDown();
        // The page is gone: it wrote its box into the settings.
        EXPECT_EQ(config->ReadBool("writer.verify", true), expect_stored);
    }
    // Adds the ROM through the page onto a card that flips the first byte of
    // the ROM's configuration sector; true when the add succeeded.
    bool add_on_faulty_card(bool *succeeded) {
        writer_files f;
        uint64_t rom_sector = 0;
        {
            memory_card dry(TEST_CARD_SECTORS);
            EXPECT_TRUE(format_card(dry.drive()));
            recording_log log;
            EXPECT_EQ(run_card(log, dry.drive(), "add", {f.a}), 0);
            auto c = open_block(dry.drive());
            if (c == nullptr) return false;
            rom_sector = c->block + c->entries[1].offset;
        }
        fault_plan plan;
        plan.flip_sector = rom_sector;
        memory_card card(TEST_CARD_SECTORS, plan);
        if (!format_card(card.drive()) || !enter_page(3)) return false;
        my_panel_write *writer = pem->write_page();
        if (!writer->queue_file(f.a, "Game A") || !click(button(writer, "&start")) || !idle())
            return false;
        *succeeded = writer->queue()->IsEmpty();
        return idle();
    }
    bool expect_stored = true;
};

TEST_F(WriterVerify, OnForANewUserAndAFlippedWriteFailsTheAdd) {
    ASSERT_TRUE(enter_page(3));
    wxCheckBox *verify = find_check_box(pem->write_page(), "verify");
    ASSERT_NE(verify, nullptr);
    EXPECT_TRUE(verify->GetValue());
    bool succeeded = true;
    ASSERT_TRUE(add_on_faulty_card(&succeeded));
    EXPECT_FALSE(succeeded);
    EXPECT_TRUE(has(log_text(), "verify failed: sector ")) << log_text();
}

TEST_F(WriterVerify, OffTheAddSkipsTheReadBackAndTheSettingsKeepIt) {
    ASSERT_TRUE(enter_page(3));
    wxCheckBox *verify = find_check_box(pem->write_page(), "verify");
    ASSERT_NE(verify, nullptr);
    verify->SetValue(false);
    bool succeeded = false;
    ASSERT_TRUE(add_on_faulty_card(&succeeded));
    EXPECT_TRUE(succeeded) << log_text();
    EXPECT_FALSE(has(log_text(), "verify failed")) << log_text();
    expect_stored = false;
}

// A stored "off" comes back unchecked.
class WriterVerifyStoredOff : public WriterVerify {
protected:
    void SetUp() override {
        {
            my_config stored(wxString::FromUTF8(files.dir));
            stored.store_bool("writer.verify", false, true);
        }
        WriterVerify::SetUp();
        expect_stored = false;
    }
};

TEST_F(WriterVerifyStoredOff, StartsUnchecked) {
    ASSERT_TRUE(enter_page(3));
    wxCheckBox *verify = find_check_box(pem->write_page(), "verify");
    ASSERT_NE(verify, nullptr);
    EXPECT_FALSE(verify->GetValue());
}

TEST_F(CardPages, FailedRowStaysFirstAndNothingAfterItRuns) {
    memory_card card(TEST_CARD_SECTORS);
    ASSERT_TRUE(format_card(card.drive()));
    writer_files f;
    ASSERT_TRUE(enter_page(3));
    my_panel_write *writer = pem->write_page();
    ASSERT_TRUE(writer->queue_file(f.dir.path("missing.ccd"), "Gone"));
    ASSERT_TRUE(writer->queue_file(f.a, "Game A"));
    ASSERT_TRUE(click(button(writer, "&start")));
    ASSERT_TRUE(idle());
    ASSERT_EQ(writer->queue()->GetCount(), 2u);
    EXPECT_EQ(writer->queue()->GetString(0).utf8_string(), "Gone `" + f.dir.path("missing"));
    EXPECT_TRUE(button(writer, "&start")->IsEnabled());
    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->disc_amount, 0u) << "the ROM after the failed row was not added";
}

TEST_F(CardPages, FailedRowIsRemovedAndTheQueueGoesOnWithABackquoteName) {
    memory_card card(TEST_CARD_SECTORS);
    ASSERT_TRUE(format_card(card.drive()));
    writer_files f;
    const std::string ticked = f.dir.path("Y`s.pce");
    write_file(ticked, make_rom(8192, 3));
    ASSERT_TRUE(enter_page(3));
    my_panel_write *writer = pem->write_page();
    ASSERT_TRUE(writer->queue_file(f.dir.path("missing.ccd"), "Gone"));
    ASSERT_TRUE(writer->queue_file(f.a, "A `first` one"));
    ASSERT_TRUE(writer->queue_file(ticked, ""));

    // A list that cannot be read leaves the queue and the fields as they were.
    wxTextCtrl *file_field = nullptr;
    for (wxWindow *w : writer->GetChildren())
        if (auto *t = dynamic_cast<wxTextCtrl *>(w); t && !t->IsMultiLine() && !file_field) file_field = t;
    ASSERT_NE(file_field, nullptr);
    file_field->SetValue(wxString::FromUTF8(f.dir.path("absent.csv")));
    ASSERT_TRUE(click(button(writer, "&add")));
    EXPECT_EQ(file_field->GetValue().utf8_string(), f.dir.path("absent.csv"));
    EXPECT_EQ(writer->queue()->GetCount(), 3u);
    EXPECT_TRUE(has(log_text(), "could not open:")) << log_text();

    ASSERT_TRUE(click(button(writer, "&start")));
    ASSERT_TRUE(idle());
    ASSERT_EQ(writer->queue()->GetCount(), 3u) << "the failed row stays first";
    // The Delete key on the selected failed row removes it; start goes on.
    writer->queue()->SetSelection(0);
    wxKeyEvent del(wxEVT_KEY_DOWN);
    del.m_keyCode = WXK_DELETE;
    writer->queue()->GetEventHandler()->ProcessEvent(del);
    ASSERT_EQ(writer->queue()->GetCount(), 2u);
    EXPECT_EQ(writer->entries().front().name, "A `first` one");
    ASSERT_TRUE(click(button(writer, "&start")));
    ASSERT_TRUE(pump_until([&] { return writer->queue()->IsEmpty() && !pem->task()->busy(); }));
    ASSERT_TRUE(idle());
    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->disc_amount, 3u) << log_text();
    EXPECT_STREQ(c->entries[1].name, "A `first` one");
    EXPECT_STREQ(c->entries[2].name, "Y`s");

    // The remove button takes the selected row out, whichever it is.
    ASSERT_TRUE(writer->queue_file(f.a, "one"));
    ASSERT_TRUE(writer->queue_file(f.b, "two"));
    writer->queue()->SetSelection(1);
    ASSERT_TRUE(click(button(writer, "re&move")));
    ASSERT_EQ(writer->entries().size(), 1u);
    EXPECT_EQ(writer->entries().front().name, "one");
    EXPECT_EQ(writer->queue()->GetString(0).utf8_string(), "one `" + f.a);
}

TEST_F(CardPages, RomChecksRefuseBadFilesBeforeQueueing) {
    writer_files f;
    write_file(f.dir.path("odd.pce"), std::vector<uint8_t>(0x100001, 0));
    my_panel_write *writer = pem->write_page();
    EXPECT_FALSE(writer->queue_file(f.dir.path("odd.pce"), ""));
    EXPECT_TRUE(writer->queue()->IsEmpty());
    EXPECT_TRUE(has(log_text(), "odd.pce: file size is strange; != 0x2000\n"));
}

// The DAT picked on the writer page checks each input as it is added and
// names the disc by the DAT's title when asked; picked on the image list
// page, it puts the DAT's column before the rows.
TEST_F(CardPages, DatPickersNameByTitleAndShowTheColumn) {
    memory_card card(TEST_CARD_SECTORS);
    ASSERT_TRUE(format_card(card.drive()));
    temp_dir dir;
    const dump_disc disc = dump_disc_mixed();
    for (const char *folder : {"dumps", "one"}) ASSERT_TRUE(std::filesystem::create_directory(dir.path(folder)));
    const std::string dat = dir.path("discs.dat"), rom = dir.path("game.pce");
    write_text(dat, "<datafile>\n" + dump_disc_dat_game(dir.path("dumps"), disc, "Generated Disc (Japan)") +
                        "</datafile>\n");
    const std::string sheet = write_dump_disc(dir.path("one"), disc, LAYOUT_ONE_FILE);
    write_file(rom, make_rom(8192, 3));

    ASSERT_TRUE(enter_page(3));
    my_panel_write *writer = pem->write_page();
    writer->dat()->SetPath(wxString::FromUTF8(dat));
    writer->name_by_dat()->SetValue(true);
    ASSERT_TRUE(writer->queue_file(sheet, "given"));
    ASSERT_TRUE(writer->queue_file(rom, "Rom"));
    ASSERT_TRUE(click(button(writer, "&start")));
    // Each input is read twice (the check, then the add) under the sanitizers.
    ASSERT_TRUE(pump_until([&] { return writer->queue()->IsEmpty() && !pem->task()->busy(); }, 120000))
        << log_text();
    ASSERT_TRUE(idle());
    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->disc_amount, 3u) << log_text();
    EXPECT_STREQ(c->entries[1].name, "Generated Disc (Japan)");
    EXPECT_STREQ(c->entries[2].name, "Rom") << "a ROM the DAT does not know keeps its name";
    EXPECT_TRUE(has(log_text(), "DAT: verified: Generated Disc (Japan)\n")) << log_text();
    EXPECT_TRUE(has(log_text(), "DAT: unknown\n")) << log_text();

    ASSERT_TRUE(enter_page(CARD_PAGE_IMAGELIST));
    my_panel_list *list = pem->list_page();
    ASSERT_TRUE(idle());
    EXPECT_EQ(list->list()->GetString(1).utf8_string(), "01 D  Generated Disc (Japan)") << "no DAT yet";
    list->dat()->SetPath(wxString::FromUTF8(dat));
    ASSERT_TRUE(click(button(list, "&read")));
    ASSERT_TRUE(idle());
    ASSERT_EQ(list->list()->GetCount(), 3u) << log_text();
    EXPECT_EQ(list->list()->GetString(0).utf8_string(), "          00 D  IMAGE INDEX for 0-xx");
    EXPECT_EQ(list->list()->GetString(1).utf8_string(), "verified  01 D  Generated Disc (Japan)");
    EXPECT_EQ(list->list()->GetString(2).utf8_string(), "unknown   02 R  Rom");
}

class ImageList : public card_window_test {
protected:
    void SetUp() override {
        card_window_test::SetUp();
        ASSERT_TRUE(pem->open_card_image(wxString::FromUTF8(c.card.path())));
        ASSERT_TRUE(enter_page(CARD_PAGE_IMAGELIST));
        list = pem->list_page();
        ASSERT_EQ(list->items().size(), 14u) << log_text();
    }
    config_card c;
    my_panel_list *list = nullptr;
};

TEST_F(ImageList, RowsOfTwoBlocksAndTheCapacityLabel) {
    EXPECT_EQ(list->list()->GetString(1).utf8_string(), "0-01 D  One");
    EXPECT_EQ(list->list()->GetString(4).utf8_string(), "0-04 R  Four");
    EXPECT_EQ(list->list()->GetString(5).utf8_string(), "0-05 Dr Five");
    EXPECT_EQ(list->list()->GetString(8).utf8_string().substr(0, 4), "1-00");
    card_list listed;
    const std::string drive(1, pem->drive_letter());
    ASSERT_TRUE(card_list_rows(log_null(), drive.c_str(), &listed));
    EXPECT_EQ(list->capacity()->GetLabel().utf8_string(), listed.capacity_label);
    EXPECT_EQ(list->count()->GetLabel(), "0 item(s)");
}

TEST_F(ImageList, SelectionKeysAndMovesThenUpdateOrder) {
    list->click_row(2, false);
    list->click_row(3, false);
    EXPECT_EQ(list->count()->GetLabel(), "2 item(s)");
    EXPECT_TRUE(list->list()->IsSelected(2) && list->list()->IsSelected(3));
    list->press(WXK_UP, wxMOD_SHIFT);
    EXPECT_EQ(shown_numbers(list).at(1), 2u);
    EXPECT_EQ(shown_numbers(list).at(2), 3u);
    EXPECT_EQ(shown_numbers(list).at(3), 1u);
    EXPECT_EQ(list->list()->GetString(1).utf8_string(), "0-02 D  Two");
    EXPECT_TRUE(list->list()->IsSelected(1) && list->list()->IsSelected(2));

    list->click_row(5, false);  // no longer one run
    log_control->Clear();
    list->press(WXK_DOWN, wxMOD_SHIFT);
    EXPECT_TRUE(has(log_text(), "non-sequential selection")) << log_text();
    list->press(WXK_ESCAPE, 0);
    EXPECT_EQ(list->count()->GetLabel(), "0 item(s)");
    list->press('A', wxMOD_CONTROL);
    EXPECT_EQ(list->count()->GetLabel(), "14 item(s)");
    list->press(WXK_ESCAPE, 0);

    list->drag(6, 4);
    EXPECT_EQ(list->count()->GetLabel(), "3 item(s)");

    ASSERT_TRUE(click(button(list, "update &order")));
    ASSERT_TRUE(idle());
    ASSERT_TRUE(idle());
    ASSERT_EQ(list->items().size(), 14u);
    const std::vector<uint32_t> shown = shown_numbers(list);
    EXPECT_EQ(std::vector<uint32_t>(shown.begin(), shown.begin() + 4),
              (std::vector<uint32_t>{0, 2, 3, 1}));
}

TEST_F(ImageList, MovesStayInTheirBlockAndOnlyTheChangedBlockIsWritten) {
    const std::vector<uint32_t> before = shown_numbers(list);
    const std::vector<std::string> stored_before = c.listing();
    ASSERT_EQ(before.at(7), 7u);
    ASSERT_EQ(before.at(8), 100u);
    for (auto [image, key] : {std::pair{7u, WXK_DOWN}, std::pair{100u, WXK_UP}}) {
        list->click_row(row_of(list, image), true);
        log_control->Clear();
        list->press(key, wxMOD_SHIFT);
        EXPECT_TRUE(has(log_text(), "only inside its block")) << image;
        EXPECT_EQ(shown_numbers(list), before) << image;
    }

    list->click_row(row_of(list, 102), true);
    list->press(WXK_UP, wxMOD_SHIFT);
    ASSERT_TRUE(click(button(list, "update &order")));
    ASSERT_TRUE(idle());
    ASSERT_TRUE(idle());
    const std::vector<uint32_t> after = shown_numbers(list);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(std::vector<uint32_t>(after.begin(), after.begin() + 8),
              std::vector<uint32_t>(before.begin(), before.begin() + 8));
    EXPECT_EQ(std::vector<uint32_t>(after.begin() + 8, after.begin() + 11),
              (std::vector<uint32_t>{100, 102, 101}));
    const std::vector<std::string> stored_after = c.listing();
    ASSERT_GE(stored_after.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(stored_after.begin(), stored_after.begin() + 8),
              std::vector<std::string>(stored_before.begin(), stored_before.begin() + 8))
        << "block 0 was not changed, so it was not written";
}

TEST_F(ImageList, ShiftDelThreePressesCutTheCardOnlyOnOneImage) {
    list->click_row(row_of(list, 5), true);
    list->press(WXK_DELETE, wxMOD_SHIFT);
    list->press(WXK_DELETE, wxMOD_SHIFT);
    list->click_row(row_of(list, 6), true);
    list->press(WXK_DELETE, wxMOD_SHIFT);  // another image: starts over
    EXPECT_FALSE(pem->task()->busy());
    EXPECT_TRUE(has(log_text(), "Press shift + del two more times"));
    list->press(WXK_DELETE, wxMOD_SHIFT);
    list->press(WXK_DELETE, wxMOD_SHIFT);
    list->press(WXK_DELETE, wxMOD_SHIFT);
    ASSERT_TRUE(idle());
    ASSERT_TRUE(idle());
    EXPECT_EQ(row_of(list, 6), -1) << log_text();
    EXPECT_EQ(row_of(list, 7), -1);
    EXPECT_NE(row_of(list, 5), -1);
}

TEST_F(ImageList, ShiftDelCountStartsOverOnAnotherCardAndDuringATask) {
    config_card other;
    const std::vector<uint8_t> first_before = c.snapshot();
    const std::vector<uint8_t> other_before = other.snapshot();
    const char first_letter = pem->drive_letter();

    list->click_row(row_of(list, 5), true);
    list->press(WXK_DELETE, wxMOD_SHIFT);  // one press on the first card
    ASSERT_TRUE(pem->open_card_image(wxString::FromUTF8(other.card.path())));
    ASSERT_TRUE(choose(pem->drive_letter()));
    ASSERT_NE(pem->drive_letter(), first_letter);
    list->list_up();
    ASSERT_TRUE(idle());
    ASSERT_EQ(list->items().size(), 14u);
    list->click_row(row_of(list, 5), true);
    list->press(WXK_DELETE, wxMOD_SHIFT);
    list->press(WXK_DELETE, wxMOD_SHIFT);
    ASSERT_TRUE(idle());
    EXPECT_EQ(other.snapshot(), other_before) << "two presses on this card cut it";

    // Presses while a task runs do not count, and the task starts the count over.
    ASSERT_TRUE(click(button(list, "&crc")));
    EXPECT_TRUE(pem->task()->busy());
    list->press(WXK_DELETE, wxMOD_SHIFT);
    ASSERT_TRUE(idle());
    list->press(WXK_DELETE, wxMOD_SHIFT);
    ASSERT_TRUE(idle());
    EXPECT_EQ(other.snapshot(), other_before) << "presses around a task added up";
    EXPECT_EQ(c.snapshot(), first_before);

    // Three presses in one context still cut the card.
    for (int i = 0; i < 3; i++) list->press(WXK_DELETE, wxMOD_SHIFT);
    ASSERT_TRUE(idle());
    ASSERT_TRUE(idle());
    EXPECT_EQ(row_of(list, 5), -1) << log_text();
    EXPECT_NE(row_of(list, 4), -1);
    EXPECT_EQ(c.snapshot(), first_before);
}

TEST_F(ImageList, RawDumpAsksBeforeReplacingTheDiscFile) {
    const std::filesystem::path old_cwd = std::filesystem::current_path();
    std::filesystem::current_path(files.dir);
    const std::string target = files.path("disc05.raw");
    std::ofstream(target) << "old";
    auto three_presses = [&] {
        for (int i = 0; i < 3; i++) list->press(WXK_F7, wxMOD_SHIFT);
    };
    list->click_row(row_of(list, 5), true);
    wxTEST_DIALOG(three_presses(), wxExpectModal<wxMessageDialog>(wxID_NO));
    EXPECT_FALSE(pem->task()->busy()) << "declined: no dump runs";
    EXPECT_EQ(std::filesystem::file_size(target), 3u);

    wxTEST_DIALOG(three_presses(), wxExpectModal<wxMessageDialog>(wxID_YES));
    ASSERT_TRUE(idle());
    EXPECT_GT(std::filesystem::file_size(target), 3u) << "the dump replaced the file" << log_text();
    std::filesystem::current_path(old_cwd);
}

TEST_F(ImageList, ConfigureOneImage) {
    const uint32_t before = c.word(BLOCK0, 1);
    list->click_row(row_of(list, 1), false);
    my_config_form *form = list->config_window();
    EXPECT_TRUE(form->right()->name_field()->IsEnabled());
    EXPECT_EQ(form->right()->name(), "One");
    form->right()->name_field()->SetValue("Uno");
    form->right()->cd_kind()->SetSelection(3);  // Audio Disc
    form->right()->row(0)->set_value(4);        // Backup RAM area: MMC
    for (int i = 1; i < CONFIG_SETTING_COUNT; i++) form->right()->row(i)->check()->SetValue(false);
    ASSERT_TRUE(click(button(list, "update name&&parameters")));
    ASSERT_TRUE(idle());
    ASSERT_TRUE(idle());
    EXPECT_EQ(c.word(BLOCK0, 1), (before & ~0x7FFu) | (4u << 8) | 0x12) << log_text();
    EXPECT_EQ(c.name_sector(BLOCK0, 1).substr(0, 3), "Uno");
}

TEST_F(ImageList, ConfigureImagesOfBothBlocks) {
    const uint32_t two = c.word(BLOCK0, 2), b2 = c.word(c.block1, 2);
    list->click_row(row_of(list, 2), false);
    list->click_row(row_of(list, 102), false);
    my_config_form *form = list->config_window();
    EXPECT_FALSE(form->right()->name_field()->IsEnabled());
    wxButton *update = button(list, "update parameters");
    ASSERT_NE(update, nullptr);
    form->right()->cd_kind()->SetSelection(0);  // icon unchanged
    form->right()->rom_kind()->SetSelection(0);
    for (int i = 0; i < CONFIG_SETTING_COUNT; i++) form->right()->row(i)->check()->SetValue(i == 1);
    form->right()->row(1)->set_value(2);  // Screen aspect ratio: adjusted
    ASSERT_TRUE(click(update));
    ASSERT_TRUE(idle());
    ASSERT_TRUE(idle());
    EXPECT_EQ(c.word(BLOCK0, 2), (two & ~(7u << 11)) | (2u << 11)) << log_text();
    EXPECT_EQ(c.word(c.block1, 2), (b2 & ~(7u << 11)) | (2u << 11));
    EXPECT_EQ(c.name_sector(c.block1, 2).substr(0, 2), "B2");
}

// The list page decides when its update button is usable: a task of another
// page ending does not enable it while nothing is selected.
TEST_F(ImageList, UpdateStaysDisabledWithoutASelectionAfterAnotherPagesTask) {
    wxButton *update = button(list, "update name&&parameters");
    ASSERT_NE(update, nullptr);
    EXPECT_FALSE(update->IsEnabled());
    temp_dir saves;
    pem->bkram_page()->set_folder(wxString::FromUTF8(saves.dir));
    ASSERT_TRUE(click(button(pem->bkram_page(), "re&load lists")));
    EXPECT_FALSE(update->IsEnabled());
    ASSERT_TRUE(idle());
    EXPECT_FALSE(update->IsEnabled()) << "enabled with nothing selected";
    list->click_row(row_of(list, 1), false);
    EXPECT_TRUE(update->IsEnabled());
}

TEST_F(ImageList, BackupRamWriteThenReadAll) {
    temp_dir saves;
    std::vector<uint8_t> area(BKRAM_AREA_BYTES, 0x5A);
    const uint8_t head[8] = {'H', 'U', 'B', 'M', 0x00, 0x88, 0x20, 0x80};
    std::copy(head, head + 8, area.begin());
    ASSERT_EQ(file_write_whole(saves.path("in.sav").c_str(), area.data(), area.size()), 1);

    my_panel_mmcbkram *bkram = pem->bkram_page();
    bkram->set_folder(wxString::FromUTF8(saves.dir));
    ASSERT_TRUE(click(button(bkram, "re&load lists")));
    ASSERT_TRUE(idle());
    ASSERT_EQ(bkram->pc_list()->GetCount(), 1u);
    ASSERT_EQ(bkram->card_list_box()->GetCount(), 14u);
    EXPECT_EQ(bkram->card_list_box()->GetString(1), "001 One");
    const int b5 = bkram->card_list_box()->FindString("105 B5");
    ASSERT_NE(b5, wxNOT_FOUND);

    log_control->Clear();
    ASSERT_TRUE(click(button(bkram, "&write to MMC")));
    EXPECT_TRUE(has(log_text(), "PC file is not selected\n"));
    bkram->pc_list()->SetSelection(0);
    ASSERT_TRUE(click(button(bkram, "&write to MMC")));
    EXPECT_TRUE(has(log_text(), "MMC Image is not selected\n"));
    bkram->card_list_box()->SetSelection(b5);
    ASSERT_TRUE(click(button(bkram, "&write to MMC")));
    ASSERT_TRUE(idle());

    temp_dir out;
    bkram->set_folder(wxString::FromUTF8(out.path("new/inner")));
    ASSERT_TRUE(click(button(bkram, "&read all datas to PC")));
    ASSERT_TRUE(idle());
    std::vector<uint8_t> back(BKRAM_AREA_BYTES);
    ASSERT_EQ(file_read_whole(out.path("new/inner/105_B5.sav").c_str(), back.data(), back.size()), 1)
        << log_text();
    EXPECT_EQ(back, area);
}

TEST_F(ImageList, BackupRamListFollowsTheFolderAndWritesTheFileShown) {
    // Two folders, each with a save of the same name and its own contents.
    temp_dir first, second;
    std::vector<uint8_t> area(BKRAM_AREA_BYTES, 0x11);
    const uint8_t head[8] = {'H', 'U', 'B', 'M', 0x00, 0x88, 0x20, 0x80};
    std::copy(head, head + 8, area.begin());
    std::vector<uint8_t> other = area;
    std::fill(other.begin() + 8, other.end(), 0x22);
    ASSERT_EQ(file_write_whole(first.path("same.sav").c_str(), area.data(), area.size()), 1);
    ASSERT_EQ(file_write_whole(first.path("only_first.sav").c_str(), area.data(), area.size()), 1);
    ASSERT_EQ(file_write_whole(second.path("same.sav").c_str(), other.data(), other.size()), 1);

    my_panel_mmcbkram *bkram = pem->bkram_page();
    auto change_folder = [&](const std::string &folder) {
        bkram->folder_field()->SetPath(wxString::FromUTF8(folder));
        wxFileDirPickerEvent event(wxEVT_DIRPICKER_CHANGED, bkram->folder_field(),
                                   bkram->folder_field()->GetId(), wxString::FromUTF8(folder));
        bkram->folder_field()->GetEventHandler()->ProcessEvent(event);
    };
    change_folder(first.dir);
    ASSERT_TRUE(click(button(bkram, "re&load lists")));
    ASSERT_TRUE(idle());
    ASSERT_EQ(bkram->pc_list()->GetCount(), 2u);
    // The folder changed: the PC list shows the new folder at once.
    change_folder(second.dir);
    ASSERT_EQ(bkram->pc_list()->GetCount(), 1u);
    EXPECT_EQ(bkram->pc_list()->GetString(0), "same.sav");

    // The field edited without a change event: the list still shows the
    // second folder, and that folder's file is what gets written.
    bkram->pc_list()->SetSelection(0);
    bkram->folder_field()->SetPath(wxString::FromUTF8(first.dir));
    const int b5 = bkram->card_list_box()->FindString("105 B5");
    ASSERT_NE(b5, wxNOT_FOUND);
    bkram->card_list_box()->SetSelection(b5);
    ASSERT_TRUE(click(button(bkram, "&write to MMC")));
    ASSERT_TRUE(idle());

    temp_dir out;
    bkram->set_folder(wxString::FromUTF8(out.dir));
    ASSERT_TRUE(click(button(bkram, "&read all datas to PC")));
    ASSERT_TRUE(idle());
    std::vector<uint8_t> back(BKRAM_AREA_BYTES);
    ASSERT_EQ(file_read_whole(out.path("105_B5.sav").c_str(), back.data(), back.size()), 1) << log_text();
    EXPECT_EQ(back, other) << "the file written is the one shown, from the folder shown";
}

// Archives go through the queue as files do: the add command opens them.
struct CardArchives : card_window_test {
    // The names the card lists once the writer has emptied its queue.
    std::vector<std::string> written_names(my_panel_write *writer, const memory_card &card) {
        if (!click(button(writer, "&start")) ||
            !pump_until([&] { return writer->queue()->IsEmpty() && !pem->task()->busy(); }) ||
            !idle())
            return {};
        auto c = open_block(card.drive());
        std::vector<std::string> names;
        for (uint32_t e = 1; c != nullptr && e < c->disc_amount; e++)
            names.push_back(std::string(c->entries[e].name) + (disc_is_rom(c->entries[e]) ? " (ROM)" : ""));
        return names;
    }
};

TEST_F(CardArchives, InTheQueueAreWrittenLikeTheirFiles) {
    memory_card card(TEST_CARD_SECTORS);
    ASSERT_TRUE(format_card(card.drive()));
    writer_files f;
    const std::string zip = f.dir.path("games.zip"), seven = f.dir.path("B.7z");
    ASSERT_EQ(std::system(("cd '" + f.dir.dir + "' && zip -q games.zip A.pce disc.img disc.sub disc.ccd && " +
                           "7z a -bd B.7z B.pce >/dev/null").c_str()),
              0);
    ASSERT_TRUE(enter_page(3));
    my_panel_write *writer = pem->write_page();
    ASSERT_TRUE(writer->queue_file(zip + ":A.pce", "Zipped A"));
    ASSERT_TRUE(writer->queue_file(zip + ":disc.ccd", ""));
    ASSERT_TRUE(writer->queue_file(seven, ""));
    EXPECT_EQ(writer->queue()->GetString(1).utf8_string(), "disc `" + zip + ":disc.ccd");
    EXPECT_EQ(written_names(writer, card),
              (std::vector<std::string>{"Zipped A (ROM)", "disc", "B (ROM)"}))
        << log_text();
}

}  // namespace
