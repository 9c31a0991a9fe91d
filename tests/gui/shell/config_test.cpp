#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <wx/filepicker.h>
#include <wx/frame.h>

#include "gui/shell/my_config.h"
#include "tools/gui_pump/gui_pump.h"
#include "tests/support/temp_dir.h"

namespace {

std::string read_text(const std::string &path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(ConfigFilePath, OneSeparatorBeforeTheFileName) {
    struct {
        const char *folder, *expected;
    } cases[] = {
        {"/home/user", "/home/user/oru.cfg"},
        {"/home/user/", "/home/user/oru.cfg"},
        {"C:\\work\\", "C:\\work\\oru.cfg"},
        {"/", "/oru.cfg"},
    };
    for (auto &c : cases) EXPECT_EQ(config_file_path(c.folder), c.expected) << c.folder;
}

TEST(GeometryRule, ComponentsAbove19999AsUnsignedAreNotStorable) {
    struct {
        long x, y, width, height;
        bool storable;
    } cases[] = {
        {32, 32, 300, 400, true},
        {0, 0, 19999, 19999, true},
        {20000, 32, 300, 400, false},
        {32, 32, 300, 20000, false},
        {-32000, -32000, 160, 28, false},  // a minimised window
        {-1, 32, 300, 400, false},         // any negative position
    };
    for (auto &c : cases)
        EXPECT_EQ(geometry_storable(c.x, c.y, c.width, c.height), c.storable)
            << c.x << "," << c.y << " " << c.width << "x" << c.height;
}

class ConfigStore : public testing::Test {
protected:
    std::unique_ptr<my_config> open() { return std::make_unique<my_config>(wxString::FromUTF8(files.dir)); }
    temp_dir files;
};

TEST_F(ConfigStore, ValuesSurviveAndGeometryIsAllOrNothing) {
    {
        auto c = open();
        c->store_long("a.long", 7);
        c->store_string("a.text", wxString::FromUTF8("日本語"));
        c->store_bool("a.flag", true);
        EXPECT_TRUE(c->store_geometry("g", 10, 20, 300, 400));
        EXPECT_FALSE(c->store_geometry("g", -32000, -32000, 160, 28));
    }
    auto c = open();
    EXPECT_EQ(c->ReadLong("a.long", 0), 7);
    EXPECT_EQ(c->Read("a.text", wxString()), wxString::FromUTF8("日本語"));
    EXPECT_TRUE(c->ReadBool("a.flag", false));
    EXPECT_EQ(c->ReadLong("g.x", 0), 10);
    EXPECT_EQ(c->ReadLong("g.y", 0), 20);
    EXPECT_EQ(c->ReadLong("g.width", 0), 300);
    EXPECT_EQ(c->ReadLong("g.height", 0), 400);
}

TEST_F(ConfigStore, UnchangedValuesLeaveTheFileUntouched) {
    {
        auto c = open();
        c->store_long("a.long", 7);
        c->store_string("a.text", "x");
    }
    std::string path = files.path("oru.cfg");
    std::string before = read_text(path);
    auto old_time = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24);
    std::filesystem::last_write_time(path, old_time);
    {
        auto c = open();
        c->store_long("a.long", 7);
        c->store_string("a.text", "x");
        c->store_bool("absent.flag", false);  // equal to the default: nothing to write
        c->store_bool("absent.on", true, true);  // on while unset: nothing either
        c->store_long("absent.long", 0);
    }
    EXPECT_EQ(std::filesystem::last_write_time(path), old_time);
    EXPECT_EQ(read_text(path), before);
    {
        auto c = open();
        c->store_long("a.long", 8);
    }
    EXPECT_NE(std::filesystem::last_write_time(path), old_time);
    // A flag that is on while unset is kept once turned off.
    {
        auto c = open();
        c->store_bool("absent.on", false, true);
    }
    EXPECT_FALSE(open()->ReadBool("absent.on", true));
}

TEST_F(ConfigStore, PickerKeysHoldTheFolderOnly) {
    auto *window = new wxFrame(nullptr, wxID_ANY, "picker");
    auto *picker = new wxFilePickerCtrl(window, wxID_ANY);
    auto c = open();
    c->store_picker_dir(picker, "p.path");  // empty picker: nothing stored
    EXPECT_FALSE(c->HasEntry("p.path"));
    picker->SetPath(wxString::FromUTF8(files.path("save/page1.sav")));
    c->store_picker_dir(picker, "p.path");
    EXPECT_EQ(c->Read("p.path", wxString()), wxString::FromUTF8(files.path("save")));
    picker->SetPath("");
    c->load_picker_path(picker, "p.path");
    EXPECT_EQ(picker->GetPath(), wxString::FromUTF8(files.path("save")));
    window->Destroy();
    pump_pending();
}
