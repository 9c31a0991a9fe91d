// One setting row of the configuration window: an optional check box, the
// setting's picture and title, "common" and one radio button per choice.
#pragma once

#include <vector>

#include <wx/bitmap.h>
#include <wx/checkbox.h>
#include <wx/panel.h>
#include <wx/radiobut.h>

class config_selection : public wxPanel {
public:
    // choices: nullptr-terminated after at most four.
    config_selection(wxWindow *parent, const wxBitmap &picture, const char *title,
                     const char *const choices[4], bool with_check);

    // 0 "common", k the k-th choice, 7 unchecked or nothing set.
    int value() const;
    // A value beyond the radios sets "common".
    void set_value(int v);
    wxCheckBox *check() const { return m_check; }
    int m_selection_num = 0;  // radios, "common" included; at most 5

private:
    wxCheckBox *m_check = nullptr;
    std::vector<wxRadioButton *> m_radios;
};
