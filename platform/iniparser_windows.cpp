#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/iniparser_windows/iniparser/iniparser.h"
#include "platform/internal_windows.h"

struct _dictionary_ {
    // Absent value: a section's own entry.
    std::vector<std::pair<std::string, std::optional<std::string>>> entries;
};

namespace {

constexpr size_t LINE_MAX_BYTES = 1024;

int report_to_stderr(const char *format, ...);
int (*report)(const char *, ...) = report_to_stderr;

int report_to_stderr(const char *format, ...) {
    va_list args;
    va_start(args, format);
    int n = vfprintf(stderr, format, args);
    va_end(args);
    return n;
}

std::string stripped(const char *text) {
    std::string s(text);
    size_t b = 0, e = s.size();
    while (b < e && isspace(static_cast<unsigned char>(s[b]))) b++;
    while (e > b && isspace(static_cast<unsigned char>(s[e - 1]))) e--;
    return s.substr(b, e - b);
}

std::string lower(std::string s) {
    for (char &c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

void set(dictionary *d, const std::string &key, std::optional<std::string> value) {
    for (auto &e : d->entries)
        if (e.first == key) {
            e.second = std::move(value);
            return;
        }
    d->entries.emplace_back(key, std::move(value));
}

enum line_kind { LINE_EMPTY, LINE_COMMENT, LINE_SECTION, LINE_VALUE, LINE_ERROR };

// The library's own scan patterns, applied in its order.
line_kind parse_line(const std::string &input, std::string *section, std::string *key,
                     std::string *value) {
    std::string line = stripped(input.c_str());
    if (line.empty()) return LINE_EMPTY;
    if (line[0] == '#' || line[0] == ';') return LINE_COMMENT;
    std::vector<char> a(line.size() + 1), b(line.size() + 1);
    const char *l = line.c_str();
    if (line[0] == '[' && line.back() == ']') {
        if (sscanf(l, "[%[^]]", a.data()) != 1) a[0] = '\0';
        *section = lower(stripped(a.data()));
        return LINE_SECTION;
    }
    if (sscanf(l, "%[^=] = \"%[^\"]\"", a.data(), b.data()) == 2 ||
        sscanf(l, "%[^=] = '%[^\']'", a.data(), b.data()) == 2) {
        *key = lower(stripped(a.data()));
        *value = b.data();
        return LINE_VALUE;
    }
    if (sscanf(l, "%[^=] = %[^;#]", a.data(), b.data()) == 2) {
        *key = lower(stripped(a.data()));
        *value = stripped(b.data());
        if (*value == "\"\"" || *value == "''") value->clear();
        return LINE_VALUE;
    }
    if (sscanf(l, "%[^=] = %[;#]", a.data(), b.data()) == 2 ||
        sscanf(l, "%[^=] %[=]", a.data(), b.data()) == 2) {
        *key = lower(stripped(a.data()));
        value->clear();
        return LINE_VALUE;
    }
    return LINE_ERROR;
}

}  // namespace

void iniparser_set_error_callback(int (*errback)(const char *, ...)) {
    report = errback != nullptr ? errback : report_to_stderr;
}

dictionary *iniparser_load(const char *ininame) {
    FILE *in = _wfopen(widen_utf8(ininame).c_str(), L"r");
    if (in == nullptr) {
        report("iniparser: cannot open %s\n", ininame);
        return nullptr;
    }
    auto *d = new dictionary;
    std::string section, key, value, line;
    char buffer[LINE_MAX_BYTES + 2];
    int lineno = 0, errors = 0;
    while (fgets(buffer, static_cast<int>(LINE_MAX_BYTES + 1 - line.size()), in) != nullptr) {
        lineno++;
        line += buffer;
        bool ended = !line.empty() && line.back() == '\n';
        if (!ended && !feof(in)) {
            report("iniparser: input line too long in %s (%d)\n", ininame, lineno);
            delete d;
            fclose(in);
            return nullptr;
        }
        while (!line.empty() && isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
        if (!line.empty() && line.back() == '\\') {
            line.pop_back();  // continued on the next line
            continue;
        }
        switch (parse_line(line, &section, &key, &value)) {
            case LINE_EMPTY:
            case LINE_COMMENT:
                break;
            case LINE_SECTION:
                set(d, section, std::nullopt);
                break;
            case LINE_VALUE:
                set(d, section + ":" + key, value);
                break;
            case LINE_ERROR:
                report("iniparser: syntax error in %s (%d):\n-> %s\n", ininame, lineno, line.c_str());
                errors++;
                break;
        }
        line.clear();
    }
    fclose(in);
    if (errors > 0) {
        delete d;
        return nullptr;
    }
    return d;
}

const char *iniparser_getstring(const dictionary *d, const char *key, const char *def) {
    if (d == nullptr || key == nullptr) return def;
    std::string wanted = lower(key);
    for (const auto &e : d->entries)
        if (e.first == wanted) return e.second ? e.second->c_str() : nullptr;
    return def;
}

void iniparser_freedict(dictionary *d) { delete d; }
