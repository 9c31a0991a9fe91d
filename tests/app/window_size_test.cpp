// The window as a new user first meets it: every control of every page can be
// brought into view without enlarging the window, and the configuration
// window's editable controls are on screen at its default size.
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/gauge.h>
#include <wx/notebook.h>
#include <wx/scrolwin.h>
#include <wx/statline.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gui/card/my_config_form.h"
#include "gui/card/my_panel_list.h"
#include "gui/card/my_pem_panel.h"
#include "tests/support/gui_fixture.h"

namespace {

// The smallest size a control can have and still be seen and clicked.
constexpr int VISIBLE_MIN = 6;

std::string describe(wxWindow *w) {
    return (w->GetClassInfo()->GetClassName() + wxString(" '") + w->GetLabel() + "' / '" +
            w->GetName() + "'")
        .utf8_string();
}

bool shown_up_to(wxWindow *w, wxWindow *top) {
    for (; w != nullptr && w != top; w = w->GetParent())
        if (!w->IsShown()) return false;
    return true;
}

// Why a user cannot bring w into view, or empty: it must lie inside the
// client area of every ancestor, except along the axis an ancestor scrolls,
// where it must lie inside the scrolled extent (and from there on the
// scrolling window stands in for it along that axis).
std::string unreachable(wxWindow *w) {
    wxRect r = w->GetScreenRect();
    // Rules and progress bars are thin by nature; anything else must have room.
    const bool thin =
        dynamic_cast<wxStaticLine *>(w) != nullptr || dynamic_cast<wxGauge *>(w) != nullptr;
    if (std::max(r.width, r.height) < VISIBLE_MIN ||
        (!thin && std::min(r.width, r.height) < VISIBLE_MIN))
        return describe(w) + " is " + std::to_string(r.width) + "x" + std::to_string(r.height);
    for (wxWindow *a = w->GetParent(); a != nullptr; a = a->GetParent()) {
        const wxPoint origin = a->ClientToScreen(wxPoint(0, 0));
        const wxSize client = a->GetClientSize();
        int px = 0, py = 0, vx = 0, vy = 0;
        wxSize extent = client;
        auto *scrolled = dynamic_cast<wxScrolledWindow *>(a);
        if (scrolled != nullptr) {
            scrolled->GetScrollPixelsPerUnit(&px, &py);
            scrolled->CalcUnscrolledPosition(0, 0, &vx, &vy);
            extent = scrolled->GetVirtualSize();
        }
        const int left = r.x - origin.x + (px > 0 ? vx : 0);
        const int top = r.y - origin.y + (py > 0 ? vy : 0);
        const int width = px > 0 ? std::max(extent.x, client.x) : client.x;
        const int height = py > 0 ? std::max(extent.y, client.y) : client.y;
        if (left < 0 || top < 0 || left + r.width > width || top + r.height > height)
            return describe(w) + " at " + std::to_string(left) + "," + std::to_string(top) + " " +
                   std::to_string(r.width) + "x" + std::to_string(r.height) + " lies outside " +
                   describe(a) + " of " + std::to_string(width) + "x" + std::to_string(height);
        if (a->IsTopLevel()) break;
        const wxRect view(origin, client);
        if (px > 0) {
            r.x = view.x;
            r.width = view.width;
        }
        if (py > 0) {
            r.y = view.y;
            r.height = view.height;
        }
    }
    return {};
}

// Every shown control without children under root (the leaves a user works).
void collect_leaves(wxWindow *root, wxWindow *top, std::vector<wxWindow *> *out) {
    for (wxWindow *child : root->GetChildren()) {
        if (child->IsTopLevel() || !shown_up_to(child, top)) continue;
        if (child->GetChildren().empty())
            out->push_back(child);
        else
            collect_leaves(child, top, out);
    }
}

std::vector<std::string> unreachable_under(wxWindow *root, wxWindow *top) {
    std::vector<wxWindow *> leaves;
    collect_leaves(root, top, &leaves);
    std::vector<std::string> faults;
    for (wxWindow *w : leaves) {
        std::string why = unreachable(w);
        if (!why.empty()) faults.push_back(why);
    }
    if (leaves.empty()) faults.push_back("no controls under " + describe(root));
    return faults;
}

std::string joined(const std::vector<std::string> &lines) {
    std::string all;
    for (const std::string &l : lines) all += l + "\n";
    return all;
}

}  // namespace

class FirstStart : public FrameTest {};

TEST_F(FirstStart, EveryControlOfEveryPageIsReachable) {
    open_frame();
    const wxSize first = frame->GetSize();
    EXPECT_GE(first.x, 300);
    EXPECT_GE(first.y, 400);
    wxNotebook *notebook = frame->notebook();
    ASSERT_GE(notebook->GetPageCount(), 6u);
    for (size_t page = 0; page < notebook->GetPageCount(); page++) {
        notebook->SetSelection(page);
        pump_pending();
        ASSERT_TRUE(pump_until([&] { return notebook->GetPage(page)->IsShownOnScreen(); }));
        EXPECT_EQ(frame->GetSize(), first) << "switching pages resized the window";
        EXPECT_EQ(joined(unreachable_under(frame, frame)), "")
            << "page " << notebook->GetPageText(page).utf8_string();
    }
}

TEST_F(FirstStart, StoredSizeSmallerThanTheContentGrowsLargerIsKept) {
    struct {
        long width, height;
        bool kept;
    } cases[] = {{120, 90, false}, {1100, 900, true}};
    for (auto &c : cases) {
        my_config *settings = reopen_config();
        settings->store_geometry("control_panel", 0, 0, c.width, c.height);
        config.reset();
        open_frame();
        const wxSize size = frame->GetSize();
        const wxSize least = frame->GetMinSize();
        EXPECT_GE(size.x, least.x);
        EXPECT_GE(size.y, least.y);
        if (c.kept)
            EXPECT_EQ(size, wxSize(c.width, c.height));
        else
            EXPECT_GT(size.x, c.width);
        close_frame();
    }
}

TEST_F(FirstStart, ConfigurationWindowShowsItsEditableControlsAtItsDefaultSize) {
    open_frame();
    auto *pem = dynamic_cast<my_pem_panel *>(frame->drive_row());
    ASSERT_NE(pem, nullptr);
    my_config_form *form = pem->list_page()->config_window();
    form->Show();
    ASSERT_TRUE(pump_until([&] { return form->IsShownOnScreen(); }));
    pump_pending();
    EXPECT_EQ(form->GetSize(), wxSize(600, 400)) << "the content no longer fits the default size";
    // The editable panel is the second one; hiding the left side keeps it whole.
    for (bool hide_left : {false, true}) {
        auto *hide = control<wxCheckBox>(form, "hide left side");
        ASSERT_NE(hide, nullptr);
        hide->SetValue(hide_left);
        wxCommandEvent event(wxEVT_CHECKBOX, hide->GetId());
        event.SetEventObject(hide);
        hide->GetEventHandler()->ProcessEvent(event);
        pump_pending();
        EXPECT_EQ(joined(unreachable_under(form->editable_panel(), form)), "")
            << "left side hidden: " << hide_left;
    }
    form->Hide();
}
