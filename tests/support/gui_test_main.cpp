// Runs the window tests inside a toolkit application that has no main loop of
// its own: each test pumps events until the condition it waits for holds.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/init.h>

namespace {

class test_app : public wxApp {
public:
    bool OnInit() override { return true; }
};

}  // namespace

int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    // Listing the tests (CTest does it at build time) needs no display.
    if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    wxApp::SetInstance(new test_app);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        fprintf(stderr, "cannot start the toolkit (is there a display?)\n");
        return 1;
    }
    int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
