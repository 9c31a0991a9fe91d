#include "card/cdimage/archive_input.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "card/cdimage/archive_reader.h"
#include "card/cdimage/cue_disc.h"
#include "core/file_util.h"
#include "core/log_whole.h"
#include "core/utf8_path.h"
#include "platform/files.h"

namespace {

constexpr uint64_t TEXT_MEMBER_MAX = 1 << 20;  // a cue sheet or a description
// Some ROM files start with one: the DAT check strips it, an add refuses it.
constexpr uint64_t COPIER_HEADER = 512;

enum game_kind { GAME_ROM, GAME_CUE, GAME_SET, GAME_CHD };

struct archive_game {
    game_kind kind;
    size_t main;                // the member the game is named by
    std::vector<size_t> parts;  // every member it takes, main first
};

std::string lower_extension(const std::string &name) {
    size_t dot = name.find_last_of('.');
    size_t slash = name.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string e = name.substr(dot);
    for (char &ch : e) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    return e;
}

std::string stem_of(const std::string &name) {
    return name.substr(0, name.size() - lower_extension(name).size());
}

std::string folder_of(const std::string &name) {
    size_t slash = name.find_last_of('/');
    return slash == std::string::npos ? "" : name.substr(0, slash + 1);
}

int member_index(const std::vector<archive_member> &m, const std::string &name) {
    for (size_t i = 0; i < m.size(); i++)
        if (m[i].name == name) return static_cast<int>(i);
    return -1;
}

// The member with this stem and extension (the latter in any letter case).
int member_with_extension(const std::vector<archive_member> &m, const std::string &stem,
                          const char *extension) {
    for (size_t i = 0; i < m.size(); i++)
        if (stem_of(m[i].name) == stem && lower_extension(m[i].name) == extension)
            return static_cast<int>(i);
    return -1;
}

bool parse_sheet(log_sink *log, const std::string &archive, const archive_member &m,
                 cue_sheet *sheet) {
    std::vector<uint8_t> text;
    if (!archive_read_member(log, archive, m, TEXT_MEMBER_MAX, &text)) return false;
    const std::string label = archive + ":" + m.name;
    return cue_parse(log, label.c_str(), reinterpret_cast<const char *>(text.data()), text.size(),
                     folder_of(m.name), sheet);
}

std::vector<archive_game> find_games(const std::string &archive,
                                     const std::vector<archive_member> &m) {
    std::vector<archive_game> games;
    std::vector<bool> taken(m.size(), false);
    auto take = [&](game_kind kind, std::vector<size_t> parts) {
        for (size_t p : parts) taken[p] = true;
        games.push_back({kind, parts.front(), std::move(parts)});
    };
    for (size_t i = 0; i < m.size(); i++) {
        const std::string e = lower_extension(m[i].name);
        if (e == ".cue") {
            std::vector<size_t> parts{i};
            cue_sheet sheet;
            // A sheet that does not parse is still a game: its fault is told
            // when it is the one chosen.
            if (parse_sheet(log_null(), archive, m[i], &sheet))
                for (const cue_file &f : sheet.files)
                    if (int k = member_index(m, f.path); k >= 0) parts.push_back(size_t(k));
            take(GAME_CUE, parts);
        } else if (e == ".chd") {
            take(GAME_CHD, {i});
        }
    }
    for (size_t i = 0; i < m.size(); i++) {
        const std::string e = lower_extension(m[i].name);
        if (taken[i] || (e != ".cdm" && e != ".ccd")) continue;
        const std::string stem = stem_of(m[i].name);
        // prefix.cdm is read before prefix.ccd, as on disk.
        if (e == ".ccd" && member_with_extension(m, stem, ".cdm") >= 0) continue;
        int img = member_with_extension(m, stem, ".img");
        int sub = member_with_extension(m, stem, ".sub");
        if (img >= 0 && sub >= 0) take(GAME_SET, {i, size_t(img), size_t(sub)});
    }
    for (size_t i = 0; i < m.size(); i++) {
        const std::string e = lower_extension(m[i].name);
        if (taken[i] || e == ".cue" || e == ".ccd" || e == ".cdm" || e == ".img" || e == ".sub")
            continue;
        const uint64_t rest = m[i].size % ROM_SIZE_UNIT;
        if (m[i].size > 0 && (rest == 0 || rest == COPIER_HEADER) &&
            m[i].size <= ROM_SIZE_MAX + COPIER_HEADER)
            take(GAME_ROM, {i});
    }
    return games;
}

void log_list(log_sink *log, const std::vector<std::string> &names) {
    for (const std::string &n : names) log_file_message(log, ("  " + n).c_str(), "\n");
}

// The game to read, or nullptr with the list of what the archive holds.
const archive_game *choose_game(log_sink *log, const std::string &archive, const std::string &inner,
                                const std::vector<archive_member> &m,
                                const std::vector<archive_game> &games) {
    std::vector<std::string> names;
    for (const archive_game &g : games) names.push_back(m[g.main].name);
    if (!inner.empty()) {
        for (const archive_game &g : games)
            for (size_t p : g.parts)
                if (m[p].name == inner || stem_of(m[g.main].name) == inner) return &g;
        log_file_message(log, (archive + ": holds no game named " + inner).c_str(),
                         games.empty() ? "\n" : "; its games:\n");
        log_list(log, names);
        return nullptr;
    }
    if (games.size() == 1) return &games.front();
    if (games.empty()) {
        log_file_message(log, archive.c_str(), ": holds no game; its files:\n");
        for (const archive_member &a : m) names.push_back(a.name);
        log_list(log, names);
        return nullptr;
    }
    log_file_message(log, archive.c_str(), ": holds several games; name one as ARCHIVE:GAME:\n");
    log_list(log, names);
    return nullptr;
}

// The files of a sheet inside the archive, one stream each.
struct archive_files : cue_file_reader {
    std::vector<std::unique_ptr<archive_stream>> streams;

    bool read(log_sink *log, int file, uint64_t offset, const file_piece *pieces, size_t count,
              uint8_t *, size_t) override {
        if (pieces == nullptr) return true;
        archive_stream &s = *streams[size_t(file)];
        for (size_t k = 0; k < count; k++) {
            if (!s.read_at(log, offset, static_cast<uint8_t *>(pieces[k].data), pieces[k].bytes))
                return false;
            offset += pieces[k].bytes;
        }
        return true;
    }
    bool end_whole_read(log_sink *log) override {
        for (auto &s : streams)
            if (!s->finish(log)) return false;
        return true;
    }
    bool check_all_data(log_sink *log) override { return end_whole_read(log); }
};

int read_cue_game(log_sink *log, const std::string &archive, const std::vector<archive_member> &m,
                  const archive_game &g, image_input *in) {
    cue_sheet sheet;
    if (!parse_sheet(log, archive, m[g.main], &sheet)) return 0;
    auto files = std::make_unique<archive_files>();
    for (cue_file &f : sheet.files) {
        int k = member_index(m, f.path);
        if (k < 0) {
            log_file_message(log, (archive + ":" + f.path).c_str(), ": not in the archive\n");
            return 0;
        }
        f.size = m[size_t(k)].size;
        files->streams.push_back(std::make_unique<archive_stream>(archive, m[size_t(k)]));
    }
    if (!cue_place(log, &sheet)) return 0;
    const std::string label = archive + ":" + m[g.main].name;
    in->kind = IMAGE_CD;
    in->source = cd_source_from_sheet(sheet, label.c_str(), files.release());
    in->sector_count = sheet.sector_count;
    in->description = cue_description(log, sheet);
    return 1;
}

// An image set's sectors, prefix.img and prefix.sub read as two streams.
struct archive_set_source : cd_source {
    std::unique_ptr<archive_stream> img, sub;

    static bool read_part(log_sink *log, archive_stream &s, uint64_t offset, uint32_t count,
                          uint8_t *base, size_t stride, size_t size) {
        for (uint32_t k = 0; k < count; k++)
            if (!s.read_at(log, offset + uint64_t{k} * size, base + k * stride, size)) return false;
        return true;
    }
    bool read(log_sink *log, uint32_t first, uint32_t count, const cd_sector_target &t) override {
        return (t.main == nullptr || read_part(log, *img, uint64_t{first} * CD_SECTOR_SIZE, count,
                                               t.main, t.main_stride, CD_SECTOR_SIZE)) &&
               (t.sub == nullptr || read_part(log, *sub, uint64_t{first} * SUBCHANNEL_BLOCK_SIZE,
                                              count, t.sub, t.sub_stride, SUBCHANNEL_BLOCK_SIZE));
    }
    bool end_whole_read(log_sink *log) override { return img->finish(log) && sub->finish(log); }
    bool check_all_data(log_sink *log) override { return end_whole_read(log); }
};

// The INI reader takes a file name only: the description (a few hundred
// bytes) goes through a temporary file.
disc_description *read_set_description(log_sink *log, const std::string &archive,
                                       const archive_member &m) {
    std::vector<uint8_t> text;
    if (!archive_read_member(log, archive, m, TEXT_MEMBER_MAX, &text)) return nullptr;
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    std::string temp;
    FILE *f =
        error ? nullptr : file_os_create_beside(path_utf8(folder / "vmk-set.ccd").c_str(), &temp);
    bool written = f != nullptr && fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f != nullptr && fclose(f) != 0) written = false;
    disc_description *d = written ? description_read(log, temp.c_str(), true) : nullptr;
    if (f != nullptr) file_os_remove(temp.c_str());
    if (d == nullptr) log_file_message(log, (archive + ":" + m.name).c_str(), " has errors\n");
    return d;
}

int read_set_game(log_sink *log, const std::string &archive, const std::vector<archive_member> &m,
                  const archive_game &g, image_input *in) {
    const archive_member &img = m[g.parts[1]], &sub = m[g.parts[2]];
    if (img.size % CD_SECTOR_SIZE != 0 || sub.size % SUBCHANNEL_BLOCK_SIZE != 0 ||
        img.size / CD_SECTOR_SIZE != sub.size / SUBCHANNEL_BLOCK_SIZE || img.size == 0) {
        log_file_message(log, (archive + ":" + img.name).c_str(),
                         ": img and sub file size mismatch\n");
        return 0;
    }
    disc_description *d = read_set_description(log, archive, m[g.main]);
    if (d == nullptr) return 0;
    auto s = std::make_unique<archive_set_source>();
    s->name = archive + ":" + m[g.main].name;
    s->sector_count = static_cast<uint32_t>(img.size / CD_SECTOR_SIZE);
    s->img = std::make_unique<archive_stream>(archive, img);
    s->sub = std::make_unique<archive_stream>(archive, sub);
    in->kind = IMAGE_CD;
    in->sector_count = s->sector_count;
    in->description = d;
    in->source = s.release();
    return 1;
}

int read_rom_game(log_sink *log, const std::string &archive, const archive_member &m,
                  image_input *in) {
    if (m.size % ROM_SIZE_UNIT != 0) {
        log_file_message(log, (archive + ":" + m.name).c_str(), ": file size error\n");
        return 0;
    }
    if (!archive_read_member(log, archive, m, ROM_SIZE_MAX, &in->rom)) return 0;
    in->kind = IMAGE_ROM;
    in->rom_size = static_cast<uint32_t>(in->rom.size());
    in->description = description_read(log, "", false);
    return 1;
}

}  // namespace

bool archive_argument(const char *argument, std::string *archive, std::string *inner) {
    const std::string a = argument;
    if (archive_file_name(a)) {
        *archive = a;
        inner->clear();
        return true;
    }
    // The last colon that follows an archive's name: a Windows drive's
    // colon never does.
    for (size_t colon = a.rfind(':'); colon != std::string::npos && colon > 0;
         colon = a.rfind(':', colon - 1)) {
        if (archive_file_name(a.substr(0, colon))) {
            *archive = a.substr(0, colon);
            *inner = a.substr(colon + 1);
            return true;
        }
    }
    return false;
}

namespace {

// The game the argument names, with the archive's members; nullptr with a
// message.
struct chosen_game {
    std::vector<archive_member> members;
    std::vector<archive_game> games;
    const archive_game *game = nullptr;
};

bool choose(log_sink *log, const std::string &archive, const std::string &inner, chosen_game *c) {
    if (!archive_list(log, archive, &c->members)) return false;
    c->games = find_games(archive, c->members);
    c->game = choose_game(log, archive, inner, c->members, c->games);
    return c->game != nullptr;
}

}  // namespace

bool rom_bytes_read(log_sink *log, const char *argument, uint64_t limit,
                    std::vector<uint8_t> *out) {
    std::string archive, inner;
    if (!archive_argument(argument, &archive, &inner)) {
        const int64_t size = file_size(argument);
        if (size < 0) {
            log_file_message(log, argument, ": cannot be read\n");
            return false;
        }
        if (static_cast<uint64_t>(size) > limit) {
            log_printf_whole(log, "%s: larger than any HuCard image (over %llu MiB)\n", argument,
                             static_cast<unsigned long long>(limit >> 20));
            return false;
        }
        out->assign(static_cast<size_t>(size), 0);
        if (file_read_whole(argument, out->data(), out->size())) return true;
        log_file_message(log, argument, ": cannot be read\n");
        return false;
    }
    chosen_game c;
    if (!choose(log, archive, inner, &c)) return false;
    const archive_member &m = c.members[c.game->main];
    if (c.game->kind != GAME_ROM) {
        log_file_message(log, (archive + ":" + m.name).c_str(), ": not a HuCard ROM\n");
        return false;
    }
    return archive_read_member(log, archive, m, limit, out);
}

int archive_input_read(log_sink *log, const std::string &archive, const std::string &inner,
                       image_input *in) {
    *in = image_input{};
    chosen_game c;
    if (!choose(log, archive, inner, &c)) return 0;
    const std::vector<archive_member> &members = c.members;
    const archive_game *g = c.game;
    switch (g->kind) {
        case GAME_ROM:
            return read_rom_game(log, archive, members[g->main], in);
        case GAME_CUE:
            return read_cue_game(log, archive, members, *g, in);
        case GAME_SET:
            return read_set_game(log, archive, members, *g, in);
        case GAME_CHD:
            break;
    }
    // Its hunks are read in any order: inside an archive that would mean
    // inflating it again for every seek back.
    log_file_message(log, (archive + ":" + members[g->main].name).c_str(),
                     ": a compressed disc image is read from disk only; unpack it first\n");
    return 0;
}
