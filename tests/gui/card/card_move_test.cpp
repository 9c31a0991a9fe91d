// The window's ways of moving images off and onto a card, driven through
// their controls: "extract…" on the image list for the selected rows, and
// "backup…" and "restore…" on the formatter page, each a card job.
#include <wx/choicdlg.h>
#include <wx/testing.h>

#include <filesystem>
#include <memory>
#include <string>

#include "card/commands/card_list.h"
#include "gui/card/my_panel_format.h"
#include "gui/card/my_panel_list.h"
#include "gui/card/path_choice.h"
#include "tests/card/write/adding_fixture.h"
#include "tests/gui/card/card_window.h"

namespace {

namespace fs = std::filesystem;

// The form dialog answered with a choice.
class expect_choice : public wxExpectModalBase<wxSingleChoiceDialog> {
public:
    explicit expect_choice(int choice) : m_choice(choice) {}

protected:
    int OnInvoked(wxSingleChoiceDialog *dialog) const override {
        dialog->SetSelection(m_choice);
        return wxID_OK;
    }
    int m_choice;
};

// A card holding a disc and a ROM; made after the window's set-up, which
// gives the test a drive table of its own.
struct two_images : card_window_test {
    std::unique_ptr<memory_card> card;
    rom_and_disc inputs{6};
    void SetUp() override {
        card_window_test::SetUp();
        card = std::make_unique<memory_card>(TEST_CARD_SECTORS);
        ASSERT_TRUE(format_card(card->drive()));
        recording_log log;
        ASSERT_EQ(run_card(log, card->drive(), "add_withname", {inputs.disc, "Disc"}), 0);
        ASSERT_EQ(run_card(log, card->drive(), "add_withname", {inputs.rom, "Rom"}), 0);
    }
    void TearDown() override {
        card.reset();
        card_window_test::TearDown();
    }
};

std::vector<std::string> names(const std::string &drive) {
    card_list listed;
    EXPECT_TRUE(card_list_rows(log_null(), drive.c_str(), &listed));
    std::vector<std::string> out;
    for (const card_list_row &r : listed.rows) out.push_back(r.name);
    return out;
}

}  // namespace

TEST_F(two_images, ExtractWritesTheSelectedRowsInTheChosenForm) {
    ASSERT_TRUE(enter_page(CARD_PAGE_IMAGELIST));
    my_panel_list *list = pem->list_page();
    ASSERT_EQ(list->items().size(), 3u) << log_text();
    EXPECT_FALSE(list->extract_button()->IsEnabled()) << "nothing selected";
    list->click_row(1, false);
    ASSERT_TRUE(list->extract_button()->IsEnabled());
    const std::string out = files.path("out");
    fs::create_directories(out);
    path_choice_answer({wxString::FromUTF8(out)});
    wxTEST_DIALOG(click(list->extract_button()), expect_choice(1));
    ASSERT_TRUE(idle());
    EXPECT_TRUE(fs::exists(out + "/Disc.cue")) << log_text();
    EXPECT_FALSE(fs::exists(out + "/Rom.pce")) << "only the selected row";
}

TEST_F(two_images, BackupThenRestoreOntoAnotherCard) {
    memory_card target{TEST_CARD_SECTORS};
    ASSERT_TRUE(format_card(target.drive()));
    ASSERT_TRUE(enter_page(2));  // the formatter
    ASSERT_TRUE(choose(card->letter));
    const std::string archive = files.path("card.tar.zst");
    path_choice_answer({wxString::FromUTF8(archive)});
    ASSERT_TRUE(click(pem->format_page()->backup_button()));
    EXPECT_FALSE(pem->format_page()->restore_button()->IsEnabled()) << "disabled while it runs";
    ASSERT_TRUE(idle());
    EXPECT_TRUE(fs::exists(archive)) << log_text();

    ASSERT_TRUE(choose(target.letter));
    // Cancel at the question: nothing runs.
    path_choice_answer({wxString::FromUTF8(archive)});
    wxTEST_DIALOG(click(pem->format_page()->restore_button()),
                  wxExpectModal<wxMessageDialog>(wxCANCEL));
    ASSERT_TRUE(idle());
    EXPECT_TRUE(names(target.drive()).empty()) << "cancelled: nothing restored";
    path_choice_answer({wxString::FromUTF8(archive)});
    wxTEST_DIALOG(click(pem->format_page()->restore_button()),
                  wxExpectModal<wxMessageDialog>(wxNO));
    ASSERT_TRUE(idle());
    ASSERT_TRUE(idle());  // the list is read again after it
    EXPECT_EQ(names(target.drive()), names(card->drive())) << log_text();
}
