// The program's own text at its edges: its arguments and its console.
// POSIX: program_text_posix.cpp.
#pragma once

// Makes *argv the arguments in UTF-8 (Windows hands them over in the ANSI
// code page, which cannot hold every file name; the copies live as long as
// the program) and has the console show the UTF-8 the program writes.
void program_text_utf8(int *argc, char ***argv);
