// The least a wxWidgets window program does: one empty frame, shown. What the
// window start benchmark compares the real window with.
#include <wx/app.h>
#include <wx/frame.h>

class bare_app : public wxApp {
public:
    bool OnInit() override {
        (new wxFrame(nullptr, wxID_ANY, "bare frame"))->Show();
        return true;
    }
};

wxIMPLEMENT_APP(bare_app);
