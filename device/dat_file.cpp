#include "device/dat_file.h"

#include <expat.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>

#include "core/file_util.h"
#include "core/text_copy.h"

namespace {

constexpr size_t COPIER_HEADER = 512;
constexpr size_t BANK = 0x2000;

struct parse_state {
    XML_Parser parser;
    std::vector<dat_rom> *roms;
    std::string title;
    int depth_in_game = 0;
    bool entity_declared = false;
};

const char *attribute(const XML_Char **attrs, const char *name) {
    for (int i = 0; attrs[i] != nullptr; i += 2)
        if (strcmp(attrs[i], name) == 0) return attrs[i + 1];
    return nullptr;
}

void on_start(void *user, const XML_Char *name, const XML_Char **attrs) {
    auto *s = static_cast<parse_state *>(user);
    if (strcmp(name, "game") == 0 || strcmp(name, "machine") == 0) {
        const char *title = attribute(attrs, "name");
        s->title = title != nullptr ? title : "";
        s->depth_in_game = 1;
        return;
    }
    if (s->depth_in_game == 0 || strcmp(name, "rom") != 0) return;
    const char *size = attribute(attrs, "size");
    const char *crc = attribute(attrs, "crc");
    if (size == nullptr || crc == nullptr) return;
    char *end = nullptr;
    unsigned long long size_value = strtoull(size, &end, 10);
    if (*size == '\0' || *end != '\0') return;
    unsigned long crc_value = strtoul(crc, &end, 16);
    if (*crc == '\0' || *end != '\0' || crc_value > 0xFFFFFFFFul) return;
    const char *status = attribute(attrs, "status");
    s->roms->push_back({s->title, size_value, static_cast<uint32_t>(crc_value),
                        status != nullptr && strcmp(status, "baddump") == 0});
}

void on_end(void *user, const XML_Char *name) {
    auto *s = static_cast<parse_state *>(user);
    if (strcmp(name, "game") == 0 || strcmp(name, "machine") == 0) s->depth_in_game = 0;
}

// Entities are how a small file blows up into a huge one: any declaration
// stops the parse.
void on_entity(void *user, const XML_Char *, int, const XML_Char *, int, const XML_Char *,
               const XML_Char *, const XML_Char *, const XML_Char *) {
    auto *s = static_cast<parse_state *>(user);
    s->entity_declared = true;
    XML_StopParser(s->parser, XML_FALSE);
}

uint32_t crc_of(const uint8_t *data, size_t n) {
    uLong crc = crc32(0L, Z_NULL, 0);
    return static_cast<uint32_t>(crc32(crc, data, static_cast<uInt>(n)));
}

uint8_t reverse_bits(uint8_t b) {
    b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

}  // namespace

bool dat_parse(const char *text, size_t n, std::vector<dat_rom> *roms, std::string *why) {
    roms->clear();
    if (n > DAT_MAX_BYTES) {
        *why = "the DAT is larger than 64 MiB";
        return false;
    }
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (parser == nullptr) {
        *why = "out of memory";
        return false;
    }
    parse_state state{parser, roms, "", 0, false};
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, on_start, on_end);
    XML_SetEntityDeclHandler(parser, on_entity);
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    bool parsed = XML_Parse(parser, text, static_cast<int>(n), XML_TRUE) == XML_STATUS_OK;
    if (state.entity_declared) {
        *why = "the DAT declares XML entities, which are refused";
    } else if (!parsed) {
        char line[160];
        snprintf(line, sizeof line, "not a well-formed XML file (line %lu: %s)",
                 static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)),
                 XML_ErrorString(XML_GetErrorCode(parser)));
        *why = line;
    } else if (roms->empty()) {
        *why = "no ROM entries with size and CRC found";
    }
    XML_ParserFree(parser);
    if (!why->empty()) roms->clear();
    return why->empty();
}

bool dat_load(const char *path, std::vector<dat_rom> *roms, std::string *why) {
    why->clear();
    int64_t size = file_size(path);
    if (size < 0) {
        *why = "cannot be read";
        return false;
    }
    if (static_cast<uint64_t>(size) > DAT_MAX_BYTES) {
        *why = "the DAT is larger than 64 MiB";
        return false;
    }
    std::vector<char> text(static_cast<size_t>(size));
    if (size > 0 && !file_read_whole(path, text.data(), text.size())) {
        *why = "cannot be read";
        return false;
    }
    return dat_parse(text.data(), text.size(), roms, why);
}

dat_match dat_find(const std::vector<dat_rom> &roms, const uint8_t *data, size_t n) {
    dat_match m{nullptr, 0, crc_of(data, n), n};
    std::vector<uint8_t> reversed;  // made only when the plain forms miss
    bool has_header = n % BANK == COPIER_HEADER;
    for (int form = 0; form < 4; form++) {
        if ((form & ROM_FORM_HEADER) && !has_header) continue;
        size_t skip = (form & ROM_FORM_HEADER) ? COPIER_HEADER : 0;
        if ((form & ROM_FORM_REVERSED) && reversed.size() != n) {
            reversed.resize(n);
            for (size_t i = 0; i < n; i++) reversed[i] = reverse_bits(data[i]);
        }
        const uint8_t *bytes = ((form & ROM_FORM_REVERSED) ? reversed.data() : data) + skip;
        uint32_t crc = form == 0 ? m.crc : crc_of(bytes, n - skip);
        for (const dat_rom &r : roms)
            if (r.crc == crc && r.size == n - skip) {
                m.rom = &r;
                m.form = form;
                return m;
            }
    }
    return m;
}

std::string dat_match_text(const dat_match &m) {
    char crc[64];
    snprintf(crc, sizeof crc, "CRC32:%08X, %zu bytes", m.crc, m.size);
    if (m.rom == nullptr) return std::string("not in the DAT (") + crc + ")";
    std::string form;
    if (m.form & ROM_FORM_HEADER) form += " with its 512-byte header stripped";
    if (m.form & ROM_FORM_REVERSED) form += std::string(form.empty() ? "" : " and") + " with its bit order reversed";
    std::string line = m.rom->bad_dump ? "a known bad dump in the DAT: " + m.rom->title
                                       : "verified: " + m.rom->title;
    return form.empty() ? line : line + " (matched" + form + ")";
}

