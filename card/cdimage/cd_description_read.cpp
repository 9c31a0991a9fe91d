// Reading a .cdm or .ccd description with iniparser. Where each complaint
// goes (stdout or the log) is part of the program's established behaviour:
// structural faults of the file go to stdout, position faults to the log.
#include <iniparser/iniparser.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "card/cdimage/bcd.h"
#include "card/cdimage/cd_description.h"
#include "core/text_copy.h"
#include "core/file_util.h"

namespace {

// iniparser reports through one process-wide callback without a user
// pointer; the sink of the load in progress on this thread stands in for it.
thread_local log_sink *ini_error_log = nullptr;

int ini_error(const char *format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (ini_error_log != nullptr) log_write(ini_error_log, text);
    return n;
}

dictionary *ini_load(log_sink *log, const char *file_name) {
    static std::once_flag installed;
    std::call_once(installed, [] { iniparser_set_error_callback(ini_error); });
    ini_error_log = log;
    dictionary *ini = iniparser_load(file_name);
    ini_error_log = nullptr;
    return ini;
}

enum key_status { KEY_FOUND, KEY_MISSING, KEY_MALFORMED };

// Accepts decimal and 0x-prefixed hexadecimal (both appear in these files).
// A leading zero means decimal, not octal: "08" is eight.
bool parse_number(const char *text, long *value) {
    const char *digits = text;
    if (*digits == '+' || *digits == '-') digits++;
    int base = 10;
    if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits += 2;
    }
    if (!(base == 16 ? isxdigit(static_cast<unsigned char>(*digits))
                     : isdigit(static_cast<unsigned char>(*digits))))
        return false;
    char *end = nullptr;
    errno = 0;
    long v = strtol(digits, &end, base);
    if (*end != '\0') return false;
    if (errno == ERANGE) v = LONG_MAX;  // far out of every range checked below
    *value = text[0] == '-' ? -v : v;
    return true;
}

key_status ini_number(dictionary *ini, const char *section, const char *key, long *value) {
    char name[96];
    snprintf(name, sizeof name, "%s:%s", section, key);
    const char *text = iniparser_getstring(ini, name, nullptr);
    if (text == nullptr) return KEY_MISSING;
    if (!parse_number(text, value)) {
        printf("Value is not a number: %s.%s = \"%.40s\"\n", section, key, text);
        return KEY_MALFORMED;
    }
    return KEY_FOUND;
}

// A missing key is reported and leaves the value as it was; a malformed one
// refuses the file.
bool read_key(dictionary *ini, const char *section, const char *key, long *value) {
    key_status s = ini_number(ini, section, key, value);
    if (s == KEY_MISSING) printf("Key is not found: %s.%s\n", section, key);
    return s != KEY_MALFORMED;
}

// Minute, second, frame under prefix + "Min", "Sec", "Frame"; stops at the
// first missing key.
bool read_triple(dictionary *ini, const char *section, const char *prefix, long value[3]) {
    static const char *const parts[3] = {"Min", "Sec", "Frame"};
    for (int i = 0; i < 3; i++) {
        char key[16];
        snprintf(key, sizeof key, "%s%s", prefix, parts[i]);
        key_status s = ini_number(ini, section, key, &value[i]);
        if (s == KEY_MALFORMED) return false;
        if (s == KEY_MISSING) {
            printf("Key is not found: %s.%s\n", section, prefix);
            return true;
        }
    }
    return true;
}

// Entry values as written, before range checks narrow them to bytes.
struct raw_entry {
    long session = 0, point = 0, adr = 0, control = 0, track_no = 0;
    long a[3] = {0, 0, 0}, p[3] = {0, 0, 0};
    long zero = 0, plba = 0;
};

bool read_entry(dictionary *ini, unsigned index, raw_entry *r) {
    char section[32];
    snprintf(section, sizeof section, "Entry %u", index);
    // PLBA is recomputed from P later; it is read only so that its absence
    // is reported like any other key's.
    r->plba = -1;
    return read_key(ini, section, "Session", &r->session) &&
           read_key(ini, section, "Point", &r->point) && read_key(ini, section, "ADR", &r->adr) &&
           read_key(ini, section, "Control", &r->control) &&
           read_key(ini, section, "TrackNo", &r->track_no) &&
           read_triple(ini, section, "A", r->a) && read_triple(ini, section, "P", r->p) &&
           read_key(ini, section, "Zero", &r->zero) && read_key(ini, section, "PLBA", &r->plba);
}

bool in_range(long v, long high) { return v >= 0 && v <= high; }

bool refuse(const char *stdout_line) {
    puts(stdout_line);
    return false;
}

bool refuse_log(log_sink *log, const char *line) {
    log_line(log, line);
    return false;
}

bool validate_entry(log_sink *log, unsigned index, const raw_entry &r, toc_entry *e) {
    if (!in_range(r.session, 1)) return refuse("session error");
    if (!in_range(r.point, TOC_POINT_A2)) return refuse("point error");
    if (!in_range(r.adr, 15)) return refuse("adr error");
    if (!in_range(r.control, 15)) return refuse("control error");
    if (r.track_no != 0) return refuse("trackno error");
    if (r.zero != 0) return refuse("zero error");
    // 100 to 159 have no BCD form and are not lead-in points either.
    if (r.point >= 100 && r.point < TOC_POINT_A0) {
        printf("point error: Entry %u has point %ld; expected 0 to 99 or 0xA0 to 0xA2\n", index,
               r.point);
        return false;
    }
    if (!msf_in_range(r.a[0], r.a[1], r.a[2])) return refuse_log(log, "msf abs error");
    if (!msf_in_range(r.p[0], r.p[1], r.p[2])) return refuse_log(log, "msf relative error");
    long p_frames = r.p[0] * CD_FRAMES_PER_MINUTE + r.p[1] * CD_FRAMES_PER_SECOND + r.p[2];
    // Nothing can start before track 1's pregap ends; PLBA would go negative.
    if (p_frames < CD_PREGAP_FRAMES) {
        log_printf(log,
                   "msf relative error: Entry %u starts at %02ld:%02ld:%02ld; expected 00:02:00 or "
                   "later\n",
                   index, r.p[0], r.p[1], r.p[2]);
        return false;
    }
    e->session = static_cast<uint8_t>(r.session);
    e->point =
        r.point < 100 ? bcd_from_bin(static_cast<uint8_t>(r.point)) : static_cast<uint8_t>(r.point);
    e->adr = static_cast<uint8_t>(r.adr);
    e->control = static_cast<uint8_t>(r.control);
    e->track_no = 0;
    e->zero = 0;
    uint8_t *a[3] = {&e->amin, &e->asec, &e->aframe};
    uint8_t *p[3] = {&e->pmin, &e->psec, &e->pframe};
    for (int i = 0; i < 3; i++) {
        *a[i] = bcd_from_bin(static_cast<uint8_t>(r.a[i]));
        *p[i] = bcd_from_bin(static_cast<uint8_t>(r.p[i]));
    }
    e->plba = static_cast<uint32_t>(p_frames - CD_PREGAP_FRAMES);
    return true;
}

// "CDManipulator:Version" decides the flavour when present; CloneCD files
// of version 3 are read the same way as version 2.
bool read_version(dictionary *ini) {
    long version = 254;
    key_status s = ini_number(ini, "CDManipulator", "Version", &version);
    bool ok;
    if (s != KEY_MISSING) {
        ok = s == KEY_FOUND && version == 2;
    } else {
        s = ini_number(ini, "CloneCD", "Version", &version);
        ok = s == KEY_FOUND && (version == 2 || version == 3);
    }
    return ok || refuse("version error");
}

void read_label(dictionary *ini, const char *key, char *out) {
    char name[32];
    snprintf(name, sizeof name, "PCECDROM2:%s", key);
    text_copy_utf8(out, DESCRIPTION_TEXT_MAX + 1, iniparser_getstring(ini, name, ""));
}

bool read_disc(dictionary *ini, long *tocentries) {
    long sessions = 0;
    if (!read_key(ini, "Disc", "TocEntries", tocentries) ||
        !read_key(ini, "Disc", "Sessions", &sessions))
        return false;
    if (sessions != 1) return refuse("Session is not 1");
    if (*tocentries < 1 || *tocentries > TOC_ENTRIES_MAX) return refuse("TocEntries is wrong");
    return true;
}

}  // namespace

disc_description *description_read(log_sink *log, const char *file_name, bool cd) {
    disc_description *d = new disc_description{};
    d->log = log;
    if (!cd) {
        d->version = DESCRIPTION_VERSION_EMPTY;
        return d;
    }
    dictionary *ini = nullptr;
    long tocentries = 0;
    bool ok = file_size(file_name) >= 0 && (ini = ini_load(log, file_name)) != nullptr &&
              read_version(ini);
    if (ok) {
        read_label(ini, "region", d->region);
        read_label(ini, "format", d->format);
        read_label(ini, "code", d->code);
        read_label(ini, "name_ja", d->name_ja);
        read_label(ini, "name_en", d->name_en);
        ok = read_disc(ini, &tocentries);
    }
    if (ok) {
        raw_entry raw[TOC_ENTRIES_MAX];
        for (long i = 0; ok && i < tocentries; i++) ok = read_entry(ini, unsigned(i), &raw[i]);
        for (long i = 0; ok && i < tocentries; i++)
            ok = validate_entry(log, unsigned(i), raw[i], &d->entries[i]);
    }
    if (ini != nullptr) iniparser_freedict(ini);
    if (!ok) {
        delete d;
        return nullptr;
    }
    d->version = DESCRIPTION_VERSION;
    d->sessions = 1;
    d->tocentries = static_cast<uint8_t>(tocentries);
    return d;
}

void description_free(disc_description *d) { delete d; }
