// Stand-in for the iniparser library in the Windows build, where Debian's
// source of the library cannot always be fetched: the four functions the
// program uses, reading files by the library's rules (sections and keys in
// lower case as "section:key", '#' and ';' comments, quoted values, a
// trailing backslash continues a line, lines of at most 1024 bytes, any
// syntax error fails the whole load after reporting each bad line).
#pragma once

typedef struct _dictionary_ dictionary;

void iniparser_set_error_callback(int (*errback)(const char *, ...));
// The file name is UTF-8. nullptr, with a report, when the file cannot be
// read or has a syntax error.
dictionary *iniparser_load(const char *ininame);
// key "section:key" in any case; def when absent; nullptr for a section.
const char *iniparser_getstring(const dictionary *d, const char *key, const char *def);
void iniparser_freedict(dictionary *d);
