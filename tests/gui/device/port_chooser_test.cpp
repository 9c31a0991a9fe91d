// The port chooser over a fake tree of USB serial adapters whose nodes lead
// to the board emulator: what it offers, what it stores, and the adapter it
// proposes when the stored port is gone.
#include <filesystem>

#include "device/port_choice.h"
#include "gui/device/my_oru_main.h"
#include "gui/device/my_oru_port.h"
#include "tests/platform/fake_serial_tree.h"
#include "tests/support/gui_fixture.h"
#include "tools/board_emulator/board_emulator.h"

namespace {

const char BY_ID[] = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const char WHAT[] = "  (0403 FTDI, 6001 FT232R USB UART serial A50285BI)";

class PortChooser : public FrameTest {
protected:
    PortChooser() { serial_system_roots_use(tree.roots); }
    ~PortChooser() override { serial_system_roots_use({}); }
    void SetUp() override { ASSERT_TRUE(board.start()); }
    void TearDown() override {
        FrameTest::TearDown();
        board.stop();
    }
    wxComboBox *field() { return frame->port_row()->portname_field(); }
    std::string value() { return field()->GetValue().utf8_string(); }
    std::string stored(const char *key) { return reopen_config()->Read(key, "(none)").utf8_string(); }

    fake_serial_tree tree;
    board_emulator board;
};

}  // namespace

TEST_F(PortChooser, OffersTheAdapterByItsStableNameAndStoresThatName) {
    std::string by_id = tree.add_adapter("ttyUSB0", "A50285BI", board.port_path(), BY_ID);
    // Someone else's adapter, plugged in later: the chooser must not guess then.
    reopen_config()->store_string("serial.portname", "/dev/ttyUSB9");
    config.reset();  // written before the window reads it
    open_frame();
    EXPECT_EQ(value(), by_id) << "the only adapter is proposed for the missing stored port";
    EXPECT_TRUE(pump_until([&] {
        return log_text(frame).find("port /dev/ttyUSB9 is not present; proposing " + by_id +
                                    " (0403 FTDI") != std::string::npos;
    })) << log_text(frame);

    field()->SetValue("");
    ASSERT_EQ(field()->GetCount(), 1u);
    EXPECT_EQ(field()->GetString(0).utf8_string(), by_id + WHAT);
    choose(field(), 0);
    ASSERT_TRUE(pump_until([&] { return value() == by_id; })) << value();

    // The chosen name reaches the board.
    ASSERT_TRUE(click(control(frame->port_row()->main_page(), "&reset PCE")));
    ASSERT_TRUE(pump_until([&] { return board.control_writes().size() == 2; }));
    ASSERT_TRUE(pump_until([&] { return !frame->port_row()->task()->busy(); }));

    // Typed by its node, it is stored by its link, with the adapter's serial.
    field()->SetValue(wxString::FromUTF8(tree.roots.dev + "/ttyUSB0"));
    close_frame();
    EXPECT_EQ(stored("serial.portname"), by_id);
    EXPECT_EQ(stored("serial.usb_serial"), "A50285BI");
}

TEST_F(PortChooser, AdapterPluggedInElsewhereIsFoundByItsSerialNumber) {
    std::string old_link = tree.add_adapter("ttyUSB0", "A50285BI", board.port_path(), BY_ID);
    open_frame();
    field()->SetValue(wxString::FromUTF8(old_link));
    close_frame();

    // Replugged: another node and link, beside a second adapter, so only the
    // serial number tells which is ours.
    std::filesystem::remove_all(tree.roots.sys_class_tty);
    std::filesystem::remove_all(tree.roots.dev);
    tree.add_adapter("ttyUSB0", "B7734C01", "/dev/null", "usb-FTDI_FT232R_USB_UART_B7734C01-if00-port0");
    std::string new_link = tree.add_adapter("ttyUSB1", "A50285BI", board.port_path(),
                                            "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port1");
    open_frame();
    EXPECT_EQ(value(), new_link);
    EXPECT_TRUE(pump_until([&] {
        return log_text(frame).find("the same adapter under another name") != std::string::npos;
    })) << log_text(frame);
    EXPECT_EQ(field()->GetCount(), 2u);
}

TEST_F(PortChooser, PresentStoredPortIsKeptAndAPseudoTerminalHasNoSerial) {
    tree.add_adapter("ttyUSB0", "A50285BI", board.port_path(), BY_ID);
    my_config *settings = reopen_config();
    settings->store_string("serial.portname", wxString::FromUTF8(board.port_path()));
    settings->store_string("serial.usb_serial", "A50285BI");
    config.reset();
    open_frame();
    EXPECT_EQ(value(), board.port_path());
    EXPECT_EQ(log_text(frame).find("proposing"), std::string::npos) << log_text(frame);
    close_frame();
    EXPECT_EQ(stored("serial.portname"), board.port_path());
    EXPECT_EQ(stored("serial.usb_serial"), "");
}
