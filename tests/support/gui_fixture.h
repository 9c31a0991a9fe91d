// A main frame over a settings file in a fresh folder, and ways to drive its
// controls as a user would: found by their labels, clicked through the events
// the toolkit sends for a click.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/window.h>

#include "gui/shell/my_config.h"
#include "app/my_form_controlpanel.h"
#include "tools/gui_pump/gui_pump.h"
#include "tests/support/temp_dir.h"

class FrameTest : public testing::Test {
protected:
    void TearDown() override {
        if (frame != nullptr) close_frame();
    }

    void open_frame() {
        config = std::make_unique<my_config>(wxString::FromUTF8(files.dir));
        frame = new my_form_controlpanel(nullptr, config.get());
        frame->Show();
        pump_pending();
    }

    // Closes as the close box does, waits for the frame to be deleted, and
    // writes the settings file as the end of the application does.
    void close_frame() {
        frame->Close();
        ASSERT_TRUE(pump_until([&] { return wxTopLevelWindows.Find(frame) == nullptr; }));
        frame = nullptr;
        config.reset();
    }

    std::string config_path() const { return files.path("oru.cfg"); }
    my_config *reopen_config() {
        config = std::make_unique<my_config>(wxString::FromUTF8(files.dir));
        return config.get();
    }

    temp_dir files;
    std::unique_ptr<my_config> config;
    my_form_controlpanel *frame = nullptr;
};

template <class T = wxWindow>
T *control(wxWindow *parent, const wxString &text) {
    T *w = find_control<T>(parent, text);
    EXPECT_NE(w, nullptr) << "no control " << text;
    return w;
}


// What picking an entry from a choice's or a combo box's list delivers: the
// entry shown, then the selection event.
template <class C>
void choose(C *control, int entry) {
    control->SetSelection(entry);
    wxCommandEvent event(std::is_base_of_v<wxComboBox, C> ? wxEVT_COMBOBOX : wxEVT_CHOICE,
                         control->GetId());
    event.SetEventObject(control);
    event.SetInt(entry);
    control->GetEventHandler()->ProcessEvent(event);
}

// What a click on a check box delivers when it leaves the box at on.
inline void tick(wxCheckBox *box, bool on) {
    box->SetValue(on);
    wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
    event.SetEventObject(box);
    event.SetInt(on ? 1 : 0);
    box->GetEventHandler()->ProcessEvent(event);
}

inline std::string log_text(my_form_controlpanel *frame) {
    return frame->log_control()->GetValue().utf8_string();
}
