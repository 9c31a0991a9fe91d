// The backup RAM page's saves view on a card image file: the entries of a PC
// file or of an image's area listed, one copied across each way, one
// deleted; a damaged file is named as such and left unwritten.
#include <wx/listbox.h>
#include <wx/stattext.h>

#include <algorithm>
#include <string>
#include <vector>

#include "card/commands/card_dispatch.h"
#include "core/file_util.h"
#include "gui/card/my_panel_mmcbkram.h"
#include "tests/card/commands/config_card.h"
#include "tests/gui/card/card_window.h"
#include "tests/saves/save_bytes.h"

namespace {

using bytes = std::vector<uint8_t>;

bool has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

bytes file_bytes(const std::string &path) {
    bytes b(static_cast<size_t>(std::max<int64_t>(file_size(path.c_str()), 0)));
    if (!b.empty()) {
        EXPECT_EQ(file_read_whole(path.c_str(), b.data(), b.size()), 1) << path;
    }
    return b;
}

void put(const std::string &path, const bytes &b) {
    ASSERT_EQ(file_write_whole(path.c_str(), b.data(), b.size()), 1) << path;
}

class CardSaves : public card_window_test {
protected:
    void SetUp() override {
        card_window_test::SetUp();
        put(pc.path("src.sav"), src);
        put(pc.path("dst.sav"), dst);
        put(pc.path("empty.sav"), save_bytes::image({}));
        ASSERT_TRUE(pem->open_card_image(wxString::FromUTF8(c.card.path())));
        ASSERT_TRUE(enter_page(CARD_PAGE_BKRAM));
        page = pem->bkram_page();
        page->set_folder(wxString::FromUTF8(pc.dir));
        ASSERT_TRUE(click(find_control<wxButton>(page, "re&load lists")));
        ASSERT_TRUE(idle());
        b5 = page->card_list_box()->FindString("105 B5");
        ASSERT_NE(b5, wxNOT_FOUND) << log_text();
    }

    void select_pc(const char *name) {
        const int row = page->pc_list()->FindString(name);
        ASSERT_NE(row, wxNOT_FOUND) << name;
        page->pc_list()->SetSelection(row);
    }
    // Clicks and waits for the job and the listing that may follow it.
    void press(const char *label) {
        wxButton *button = find_control<wxButton>(page, label);
        ASSERT_NE(button, nullptr) << label;
        ASSERT_TRUE(click(button)) << label;
        ASSERT_TRUE(idle()) << label;
    }
    std::vector<std::string> rows() {
        std::vector<std::string> out;
        for (const wxString &s : page->save_entries()->GetStrings()) out.push_back(s.utf8_string());
        return out;
    }
    std::string status() { return page->save_status()->GetLabel().utf8_string(); }
    // Image 105's area as the card holds it, read by the card command.
    bytes area() {
        const std::string drive(1, pem->drive_letter()), file = out.path("area.sav");
        const char *v[] = {"", "bkram_read", drive.c_str(), "105", file.c_str()};
        EXPECT_EQ(card_dispatch(log_null(), 5, v), 0);
        return file_bytes(file);
    }

    const bytes a = save_bytes::entry("ALPHA", 32, 1), b = save_bytes::entry("BRAVO", 48, 2, 7),
                c2 = save_bytes::entry("CHARLIE", 16, 3), x = save_bytes::entry("XRAY", 20, 4);
    const bytes src = save_bytes::image({a, b, c2}), dst = save_bytes::image({x});
    config_card c;
    temp_dir pc, out;
    my_panel_mmcbkram *page = nullptr;
    int b5 = wxNOT_FOUND;
};

TEST_F(CardSaves, FileToAreaToFileThenDelete) {
    // An empty area to copy into, written as the page writes a PC file.
    select_pc("empty.sav");
    page->card_list_box()->SetSelection(b5);
    press("&write to MMC");
    ASSERT_EQ(area(), save_bytes::image({})) << log_text();

    select_pc("src.sav");
    press("list saves of &PC file");
    EXPECT_EQ(rows(), (std::vector<std::string>{"#1 ALPHA  48 bytes", "#2 BRAVO  64 bytes",
                                                "#3 CHARLIE  32 bytes"}));
    EXPECT_TRUE(has(status(), "src.sav: 1886 bytes free")) << status();

    // From the listed file into the selected image's area.
    page->save_entries()->SetSelection(1);
    press("&copy save across");
    EXPECT_EQ(area(), save_bytes::image({b})) << log_text();
    EXPECT_EQ(file_bytes(pc.path("src.sav")), src);

    // From the listed area into the selected file.
    press("list saves of &MMC image");
    EXPECT_EQ(rows(), std::vector<std::string>{"#1 BRAVO  64 bytes"}) << log_text();
    EXPECT_TRUE(has(status(), " #105: ")) << status();
    select_pc("dst.sav");
    page->save_entries()->SetSelection(0);
    press("&copy save across");
    EXPECT_EQ(file_bytes(pc.path("dst.sav")), save_bytes::image({x, b})) << log_text();

    select_pc("src.sav");
    press("list saves of &PC file");
    page->save_entries()->SetSelection(0);
    press("&delete save");
    EXPECT_EQ(file_bytes(pc.path("src.sav")), save_bytes::image({b, c2})) << log_text();
    EXPECT_EQ(rows(), (std::vector<std::string>{"#1 BRAVO  64 bytes", "#2 CHARLIE  32 bytes"}));
}

TEST_F(CardSaves, DamagedFileIsNamedAndNothingIsWritten) {
    bytes damaged = src;
    damaged[6] = 0xF0;  // a free pointer past the end of the area
    damaged[7] = 0x88;
    put(pc.path("damaged.sav"), damaged);
    ASSERT_TRUE(click(find_control<wxButton>(page, "re&load lists")));
    ASSERT_TRUE(idle());
    select_pc("damaged.sav");
    press("list saves of &PC file");
    EXPECT_TRUE(has(status(), "damaged.sav: damaged: free pointer 0x88F0 outside the area")) << status();
    EXPECT_TRUE(has(log_text(), "free pointer 0x88F0 outside the area")) << log_text();
    EXPECT_TRUE(rows().empty());

    // Into the damaged file from a sound area.
    select_pc("src.sav");
    page->card_list_box()->SetSelection(b5);
    press("&write to MMC");
    press("list saves of &MMC image");
    ASSERT_EQ(rows().size(), 3u) << log_text();
    select_pc("damaged.sav");
    page->save_entries()->SetSelection(0);
    log_control->Clear();
    press("&copy save across");
    EXPECT_TRUE(has(log_text(), "damaged.sav: free pointer 0x88F0 outside the area")) << log_text();
    EXPECT_EQ(file_bytes(pc.path("damaged.sav")), damaged);
    EXPECT_EQ(area(), src);
}

}  // namespace
