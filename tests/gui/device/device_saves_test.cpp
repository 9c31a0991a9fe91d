// The savedata group's entries view: a file's saves listed, one copied into
// another file and one deleted, as jobs of the device half that need neither
// the board nor a port; a damaged file is named as such and left unwritten.
#include <wx/combobox.h>
#include <wx/filepicker.h>
#include <wx/listbox.h>
#include <wx/stattext.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "gui/device/my_oru_main.h"
#include "gui/device/my_oru_port.h"
#include "gui/shell/task_event.h"
#include "tests/support/gui_fixture.h"
#include "tests/saves/save_bytes.h"

namespace {

using bytes = std::vector<uint8_t>;

bytes file_bytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void put(const std::string &path, const bytes &b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(b.data()), b.size());
}

bool has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

class DeviceSaves : public FrameTest {
protected:
    void SetUp() override {
        open_frame();  // a new user: no settings file, the default port names no board
        page = frame->port_row()->main_page();
        page->Bind(EVT_TASK_DONE, [this](wxCommandEvent &e) {
            events.push_back(e.GetId());
            e.Skip();
        });
        put(files.path("src.sav"), src);
        put(files.path("dst.sav"), dst);
        control<wxFilePickerCtrl>(page, "imagefile")->SetPath(files.path("src.sav"));
        control<wxFilePickerCtrl>(page, "copy to")->SetPath(files.path("dst.sav"));
    }

    bool busy() { return frame->port_row()->task()->busy(); }
    // Clicks and waits for the job and the listing that follows it.
    void run(const char *label, size_t jobs) {
        const size_t before = events.size();
        ASSERT_TRUE(click(control(page, label))) << label;
        ASSERT_TRUE(pump_until([&] { return events.size() >= before + jobs && !busy(); })) << label;
    }
    std::vector<std::string> rows() {
        std::vector<std::string> out;
        for (const wxString &s : page->save_entries()->GetStrings()) out.push_back(s.utf8_string());
        return out;
    }
    std::string status() { return page->save_status()->GetLabel().utf8_string(); }

    const bytes a = save_bytes::entry("ALPHA", 32, 1), b = save_bytes::entry("BRAVO", 48, 2, 7),
                c = save_bytes::entry("CHARLIE", 16, 3), x = save_bytes::entry("XRAY", 20, 4);
    const bytes src = save_bytes::image({a, b, c}), dst = save_bytes::image({x});
    my_oru_main *page = nullptr;
    std::vector<int> events;
};

TEST_F(DeviceSaves, ListCopyAndDeleteWithoutABoardOrAPort) {
    frame->port_row()->portname_field()->SetValue("");
    for (const char *label : {"list &entries", "c&opy entry", "dele&te entry"})
        EXPECT_TRUE(control(page, label)->IsEnabled()) << label;
    EXPECT_FALSE(control(page, "&reset PCE")->IsEnabled());

    ASSERT_TRUE(click(control(page, "list &entries")));
    EXPECT_FALSE(control(page, "c&opy entry")->IsEnabled()) << "a job of the half: buttons wait";
    ASSERT_TRUE(pump_until([&] { return !events.empty() && !busy(); }));
    EXPECT_EQ(events.back(), TASK_ID_DONE);
    EXPECT_EQ(rows(), (std::vector<std::string>{"#1 ALPHA  48 bytes", "#2 BRAVO  64 bytes",
                                                "#3 CHARLIE  32 bytes"}));
    EXPECT_EQ(status(), files.path("src.sav") + ": " + std::to_string(2048 - 16 - 48 - 64 - 32 - 2) +
                            " bytes free");

    page->save_entries()->SetSelection(1);
    run("c&opy entry", 2);
    EXPECT_EQ(file_bytes(files.path("dst.sav")), save_bytes::image({x, b})) << log_text(frame);
    EXPECT_EQ(file_bytes(files.path("src.sav")), src);
    EXPECT_EQ(rows().size(), 3u) << "the source is listed again";

    page->save_entries()->SetSelection(0);
    run("dele&te entry", 2);
    EXPECT_EQ(file_bytes(files.path("src.sav")), save_bytes::image({b, c})) << log_text(frame);
    EXPECT_EQ(rows(), (std::vector<std::string>{"#1 BRAVO  64 bytes", "#2 CHARLIE  32 bytes"}));
    EXPECT_FALSE(has(log_text(frame), "serial port")) << log_text(frame);
}

// A damaged source or target: the page names the fault, and neither file
// changes, whichever the step.
TEST_F(DeviceSaves, DamagedFileIsNamedAndNothingIsWritten) {
    bytes damaged = save_bytes::image({a, b});
    damaged[16 + a.size() + 20] ^= 0xFF;  // a byte of BRAVO's data: its check value no longer holds
    put(files.path("damaged.sav"), damaged);

    control<wxFilePickerCtrl>(page, "imagefile")->SetPath(files.path("damaged.sav"));
    run("list &entries", 1);
    EXPECT_EQ(events.back(), TASK_ID_FAILED);
    EXPECT_TRUE(has(status(), "damaged: entry \"BRAVO\": wrong check value")) << status();
    EXPECT_TRUE(has(log_text(frame), "wrong check value")) << log_text(frame);
    ASSERT_EQ(page->save_entries()->GetCount(), 2u);
    EXPECT_EQ(page->save_entries()->GetString(1), "#2 BRAVO  64 bytes (check WRONG)");

    page->save_entries()->SetSelection(0);
    run("dele&te entry", 2);
    page->save_entries()->SetSelection(0);
    run("c&opy entry", 2);
    EXPECT_EQ(file_bytes(files.path("damaged.sav")), damaged);
    EXPECT_EQ(file_bytes(files.path("dst.sav")), dst);

    // A sound source into a damaged target.
    control<wxFilePickerCtrl>(page, "imagefile")->SetPath(files.path("src.sav"));
    control<wxFilePickerCtrl>(page, "copy to")->SetPath(files.path("damaged.sav"));
    run("list &entries", 1);
    page->save_entries()->SetSelection(2);
    frame->log_control()->Clear();
    run("c&opy entry", 2);
    EXPECT_TRUE(has(log_text(frame), "damaged.sav: entry \"BRAVO\": wrong check value")) << log_text(frame);
    EXPECT_EQ(file_bytes(files.path("damaged.sav")), damaged);
    EXPECT_EQ(file_bytes(files.path("src.sav")), src);
}

}  // namespace
