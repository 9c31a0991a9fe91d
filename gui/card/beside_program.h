// Files the window reads (notices, help texts, pictures), found beside the
// program whatever the working directory, else in ../share/vellumark as
// installed; the path beside the program when neither has the file.
#pragma once

#include <wx/string.h>

wxString beside_program(const wxString &name);
// The whole file as UTF-8 text; empty when it cannot be read.
wxString beside_program_text(const wxString &name);
