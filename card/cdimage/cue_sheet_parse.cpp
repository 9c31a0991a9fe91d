// Parsing the text of a cue sheet.
#include <cctype>
#include <cstring>

#include "card/cdimage/cue_sheet.h"

namespace {

// One line split into words; a double-quoted word may hold spaces.
bool split_words(const std::string &line, std::vector<std::string> *words) {
    words->clear();
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isspace(static_cast<unsigned char>(line[i]))) i++;
        if (i >= line.size()) break;
        std::string word;
        if (line[i] == '"') {
            size_t end = line.find('"', i + 1);
            if (end == std::string::npos) return false;
            word = line.substr(i + 1, end - i - 1);
            i = end + 1;
        } else {
            while (i < line.size() && !isspace(static_cast<unsigned char>(line[i])))
                word += line[i++];
        }
        words->push_back(word);
    }
    return true;
}

std::string upper(std::string s) {
    for (char &ch : s) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
    return s;
}

bool parse_decimal(const std::string &s, size_t digits_max, long *value) {
    if (s.empty() || s.size() > digits_max) return false;
    long v = 0;
    for (char ch : s) {
        if (!isdigit(static_cast<unsigned char>(ch))) return false;
        v = v * 10 + (ch - '0');
    }
    *value = v;
    return true;
}

// mm:ss:ff in frames; minutes may exceed 99 in a long file.
bool parse_msf(const std::string &s, uint32_t *frames) {
    size_t a = s.find(':'), b = a == std::string::npos ? a : s.find(':', a + 1);
    if (b == std::string::npos) return false;
    long m, sec, f;
    if (!parse_decimal(s.substr(0, a), 4, &m) || !parse_decimal(s.substr(a + 1, b - a - 1), 2, &sec) ||
        !parse_decimal(s.substr(b + 1), 2, &f) || sec > 59 || f > 74)
        return false;
    *frames = static_cast<uint32_t>((m * 60 + sec) * 75 + f);
    return true;
}

}  // namespace

bool cue_mode_from_name(const std::string &word, cue_mode *mode) {
    static const struct {
        const char *name;
        cue_mode mode;
    } modes[] = {{"AUDIO", CUE_AUDIO},
                 {"MODE1/2352", CUE_MODE1_2352},
                 {"MODE1/2048", CUE_MODE1_2048},
                 {"MODE2/2352", CUE_MODE2_2352}};
    for (const auto &m : modes)
        if (upper(word) == m.name) {
            *mode = m.mode;
            return true;
        }
    return false;
}

namespace {

bool parse_flags(const std::vector<std::string> &words, uint8_t *flags) {
    *flags = 0;
    for (size_t i = 1; i < words.size(); i++) {
        std::string f = upper(words[i]);
        if (f == "DCP") *flags |= 0x02;
        else if (f == "4CH") *flags |= 0x08;
        else if (f == "PRE") *flags |= 0x01;
        else if (f != "SCMS") return false;
    }
    return true;
}

struct parser {
    log_sink *log;
    const char *sheet;
    cue_sheet *out;
    int line_no = 0;

    bool fail(const std::string &what) {
        std::string where = line_no > 0 ? ": line " + std::to_string(line_no) : "";
        std::string text = std::string(sheet) + where + ": " + what + "\n";
        log_write(log, text.c_str());
        return false;
    }

    cue_track *current() { return out->tracks.empty() ? nullptr : &out->tracks.back(); }

    bool file(const std::vector<std::string> &w, const std::string &folder) {
        if (w.size() != 3) return fail("FILE needs a name and a type");
        std::string type = upper(w[2]);
        if (type != "BINARY" && type != "MOTOROLA")
            return fail("file type " + w[2] + " is not supported (BINARY or MOTOROLA)");
        if (w[1].empty()) return fail("FILE names no file");
        bool absolute = w[1][0] == '/' || (w[1].size() > 1 && w[1][1] == ':');
        out->files.push_back(cue_file{absolute ? w[1] : folder + w[1], type == "MOTOROLA", 0});
        return true;
    }

    bool track(const std::vector<std::string> &w) {
        if (out->files.empty()) return fail("TRACK before any FILE");
        long number;
        if (w.size() != 3 || !parse_decimal(w[1], 2, &number) || number < 1)
            return fail("TRACK needs a number from 1 to 99 and a mode");
        cue_track t{};
        if (!cue_mode_from_name(w[2], &t.mode)) return fail("unknown mode " + w[2]);
        if (cue_track *last = current()) {
            if (number != last->number + 1) return fail("track numbers must follow each other");
            if (!has_index_one(*last))
                return fail("the previous track has no INDEX 01");
        }
        t.number = static_cast<uint8_t>(number);
        t.file = static_cast<int>(out->files.size()) - 1;
        out->tracks.push_back(t);
        return true;
    }

    static bool has_index_one(const cue_track &t) {
        for (const cue_index &i : t.indexes)
            if (i.number == 1) return true;
        return false;
    }

    bool index(const std::vector<std::string> &w) {
        cue_track *t = current();
        if (t == nullptr) return fail("INDEX before any TRACK");
        long number;
        uint32_t frame;
        if (w.size() != 3 || !parse_decimal(w[1], 2, &number) || !parse_msf(w[2], &frame))
            return fail("INDEX needs a number and a position mm:ss:ff");
        if (t->file != static_cast<int>(out->files.size()) - 1) {
            // Only INDEX 00 may stay behind in the previous file, its pregap
            // appended there; INDEX 01 starts the track's own file.
            if (!t->indexes.empty() && number != 1)
                return fail("a track whose indexes span two files is not supported");
            if (!t->indexes.empty()) {
                t->gap_file = t->file;
                t->gap_frame = t->indexes.front().frame;
                t->indexes.clear();
            }
            t->file = static_cast<int>(out->files.size()) - 1;
        }
        if (!t->indexes.empty()) {
            const cue_index &prev = t->indexes.back();
            if (number != prev.number + 1) return fail("index numbers must follow each other");
            if (frame < prev.frame) return fail("index positions must not go backwards");
        } else if (number > 1) {
            return fail("a track's first index must be 00 or 01");
        }
        if (t->postgap != 0) return fail("INDEX after POSTGAP");
        t->indexes.push_back(cue_index{static_cast<uint8_t>(number), frame});
        return true;
    }

    bool gap(const std::vector<std::string> &w, bool pre) {
        cue_track *t = current();
        uint32_t frames;
        if (t == nullptr) return fail(w[0] + " before any TRACK");
        if (w.size() != 2 || !parse_msf(w[1], &frames)) return fail(w[0] + " needs a length mm:ss:ff");
        if (pre && !t->indexes.empty()) return fail("PREGAP after an INDEX");
        (pre ? t->pregap : t->postgap) = frames;
        return true;
    }

    bool line(const std::string &text, const std::string &folder) {
        std::vector<std::string> w;
        if (!split_words(text, &w)) return fail("unclosed quotation mark");
        if (w.empty()) return true;
        std::string command = upper(w[0]);
        if (command == "FILE") return file(w, folder);
        if (command == "TRACK") return track(w);
        if (command == "INDEX") return index(w);
        if (command == "PREGAP") return gap(w, true);
        if (command == "POSTGAP") return gap(w, false);
        if (command == "FLAGS") {
            if (current() == nullptr) return fail("FLAGS before any TRACK");
            return parse_flags(w, &current()->flags) || fail("unknown flag in FLAGS");
        }
        if (command == "ISRC") {
            if (current() == nullptr || w.size() != 2) return fail("ISRC needs a track and a code");
            current()->isrc = w[1];
            return true;
        }
        if (command == "CATALOG") {
            if (w.size() != 2) return fail("CATALOG needs a number");
            out->catalog = w[1];
            return true;
        }
        // REM, TITLE, PERFORMER, SONGWRITER, CDTEXTFILE and the like say
        // nothing about the sectors.
        return true;
    }
};

}  // namespace

uint32_t cue_file_sector_size(cue_mode mode) { return mode == CUE_MODE1_2048 ? 2048 : 2352; }

bool cue_parse(log_sink *log, const char *sheet_name, const char *text, size_t length,
               const std::string &folder, cue_sheet *out) {
    *out = cue_sheet{};
    out->name = sheet_name;
    parser p{log, sheet_name, out};
    size_t at = 0;
    if (length >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0) at = 3;  // byte order mark
    while (at < length) {
        size_t end = at;
        while (end < length && text[end] != '\n' && text[end] != '\r') end++;
        p.line_no++;
        if (memchr(text + at, '\0', end - at) != nullptr) return p.fail("not a text file");
        if (!p.line(std::string(text + at, end - at), folder)) return false;
        at = end;
        if (at < length && text[at] == '\r') at++;
        if (at < length && text[at] == '\n' && (end == at || text[at - 1] == '\r')) at++;
    }
    p.line_no = 0;
    if (out->tracks.empty()) {
        return p.fail("the sheet has no TRACK");
    }
    if (!parser::has_index_one(out->tracks.back())) {
        return p.fail("the last track has no INDEX 01");
    }
    return true;
}
