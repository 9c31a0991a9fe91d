// The card half of the window on its own: a frame with a notebook (two
// stand-in device pages, so the card pages get their usual indexes), the log
// control, and the drive row with its four pages over a settings file in a
// fresh folder. The drive scan sees an empty fake system, so only cards the
// test registers (stores, image files) are listed.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>

#include "gui/shell/my_config.h"
#include "gui/shell/window_log.h"
#include "gui/card/my_pem_panel.h"
#include "tests/platform/fake_system.h"
#include "tests/support/temp_dir.h"
#include "tools/gui_pump/gui_pump.h"

class card_window_test : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Waits until the card task is idle again.
    bool idle();
    // Scans the drives as entering a page does, then waits.
    bool enter_page(int index);
    // Chooses the chooser's entry for the letter.
    bool choose(char letter);
    std::string log_text();

    temp_dir files;
    fake_system system;
    std::unique_ptr<my_config> config;
    wxFrame *frame = nullptr;
    wxNotebook *notebook = nullptr;
    wxTextCtrl *log_control = nullptr;
    window_log_ptr log;
    my_pem_panel *pem = nullptr;
};
