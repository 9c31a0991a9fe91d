#include "gui/device/choice_wheel.h"

#include <wx/choice.h>

namespace {

void bind_choices(wxWindow *parent, wxScrolledWindow *page) {
    for (wxWindow *child : parent->GetChildren()) {
        if (auto *choice = dynamic_cast<wxChoice *>(child)) {
            choice->Bind(wxEVT_MOUSEWHEEL, [choice, page](wxMouseEvent &event) {
                // Skipped, the toolkit's own handling changes the entry.
                if (wxWindow::FindFocus() == choice) {
                    event.Skip();
                    return;
                }
                // Handled here, so the chooser never sees it.
                page->HandleOnMouseWheel(event);
            });
        }
        bind_choices(child, page);
    }
}

}  // namespace

void choice_wheel_scrolls_page(wxScrolledWindow *page) { bind_choices(page, page); }
