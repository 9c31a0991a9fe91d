#include "card/backup/backup_manifest.h"

#include <map>
#include <set>

#include "card/backup/backup_archive_read.h"
#include "card/cdimage/image_input.h"
#include "card/cdimage/subchannel_swap.h"
#include "card/layout/bkram_area.h"
#include "card/layout/card_layout.h"
#include "core/json_read.h"
#include "core/json_text.h"

namespace {

std::string number_list(const std::vector<uint32_t> &v) {
    std::string t = "[";
    for (size_t i = 0; i < v.size(); i++) t += (i ? "," : "") + std::to_string(v[i]);
    return t + "]";
}

// Reading: each getter sets why on a missing or mistyped field.
struct fields {
    const json_value &v;
    std::string where;
    std::string *why;

    const json_value *get(const char *key, json_value::kind_t kind) const {
        const json_value *f = v.find(key);
        if (f != nullptr && f->kind == kind) return f;
        if (why->empty()) *why = where + ": \"" + key + "\" is missing or of the wrong kind";
        return nullptr;
    }
    bool number(const char *key, uint64_t high, uint64_t *out) const {
        const json_value *f = get(key, json_value::NUMBER);
        if (f == nullptr) return false;
        if (f->number > high) {
            *why = where + ": \"" + key + "\" is out of range";
            return false;
        }
        *out = f->number;
        return true;
    }
    bool text(const char *key, std::string *out) const {
        const json_value *f = get(key, json_value::TEXT);
        if (f != nullptr) *out = f->text;
        return f != nullptr;
    }
};

bool refuse(std::string *why, const std::string &text) {
    if (why->empty()) *why = text;
    return false;
}

bool read_image(const json_value &v, manifest_image *m, std::string *why) {
    fields f{v, "an image", why};
    uint64_t number, flags, rc0, rc1, config, sectors = 0, rom_bytes = 0;
    std::string kind;
    if (!f.number("number", UINT32_MAX, &number) || !f.text("kind", &kind) ||
        !f.text("name", &m->name) || !f.number("flags", 0xFF, &flags) ||
        !f.number("config", UINT32_MAX, &config) || !f.text("stem", &m->stem))
        return false;
    m->number = static_cast<uint32_t>(number);
    f.where = "image " + std::to_string(m->number);
    if (kind != "rom" && kind != "cd") return refuse(why, f.where + ": unknown kind " + kind);
    m->rom = kind == "rom";
    if (m->number % CARD_DISC_SLOTS == 0 || m->number >= CARD_CHAIN_LIMIT * CARD_DISC_SLOTS)
        return refuse(why, f.where + ": not an image number");
    if (m->name.size() >= CARD_NAME_SIZE) return refuse(why, f.where + ": the name is too long");
    if (!backup_member_name_safe(m->stem)) return refuse(why, f.where + ": unsafe member name");
    const json_value *sav = v.find("sav");
    if (sav != nullptr && sav->kind == json_value::TEXT) {
        m->sav = sav->text;
        if (!backup_member_name_safe(m->sav)) return refuse(why, f.where + ": unsafe member name");
    } else if (sav != nullptr && sav->kind != json_value::NUL) {
        return refuse(why, f.where + ": \"sav\" is of the wrong kind");
    }
    if (m->rom) {
        const json_value *rc = f.get("romconfig", json_value::ARRAY);
        if (rc == nullptr) return false;
        if (rc->items.size() != 2 || rc->items[0].kind != json_value::NUMBER ||
            rc->items[1].kind != json_value::NUMBER || rc->items[0].number > 0xFF ||
            rc->items[1].number > 0xFF)
            return refuse(why, f.where + ": \"romconfig\" is not two bytes");
        rc0 = rc->items[0].number, rc1 = rc->items[1].number;
        m->romconfig[0] = static_cast<uint8_t>(rc0), m->romconfig[1] = static_cast<uint8_t>(rc1);
        if (!f.number("rom_bytes", ROM_SIZE_MAX, &rom_bytes)) return false;
        if (rom_bytes == 0 || rom_bytes % 2048 != 0)
            return refuse(why, f.where + ": a ROM size that is no whole number of 2048 bytes");
        if ((flags & 0x80) == 0) return refuse(why, f.where + ": a ROM without the ROM flag");
    } else {
        if (!f.number("sectors", CARD_DISC_LENGTH_LIMIT, &sectors) || !f.text("toc", &m->toc))
            return false;
        if (sectors == 0) return refuse(why, f.where + ": a disc of no sectors");
        if ((flags & 0x80) != 0) return refuse(why, f.where + ": a disc with the ROM flag");
    }
    m->flags = static_cast<uint8_t>(flags);
    m->config = static_cast<uint32_t>(config);
    m->sectors = static_cast<uint32_t>(sectors);
    m->rom_bytes = static_cast<uint32_t>(rom_bytes);
    return true;
}

bool read_file_entry(const json_value &v, manifest_file *m, std::string *why) {
    fields f{v, "a file entry", why};
    if (!f.text("name", &m->name) || !f.number("size", UINT64_MAX, &m->size) ||
        !f.text("sha1", &m->sha1))
        return false;
    if (!backup_member_name_safe(m->name)) return refuse(why, m->name + ": unsafe member name");
    if (m->sha1.size() != 40 || m->sha1.find_first_not_of("0123456789abcdef") != std::string::npos)
        return refuse(why, m->name + ": not a SHA-1");
    return true;
}

}  // namespace

std::vector<std::string> manifest_image_members(const manifest_image &m) {
    if (m.rom) return {m.stem + ".pce"};
    return {m.stem + ".img", m.stem + ".sub", m.stem + ".ccd"};
}

std::string manifest_text(const backup_manifest &m) {
    std::string t = "{\n\"format\":\"card backup\",\n\"version\":" + std::to_string(m.version) +
                    ",\n\"program\":" + json_string(m.program) +
                    ",\n\"card_sectors\":" + std::to_string(m.card_sectors) +
                    ",\n\"blocks\":" + std::to_string(m.blocks) + ",\n\"images\":[";
    for (size_t i = 0; i < m.images.size(); i++) {
        const manifest_image &g = m.images[i];
        json_object o;
        o.number("number", g.number).text("kind", g.rom ? "rom" : "cd").text("name", g.name);
        o.number("flags", g.flags).number("config", g.config).text("stem", g.stem);
        if (g.sav.empty()) o.null("sav");
        else o.text("sav", g.sav);
        if (g.rom) o.number("rom_bytes", g.rom_bytes);
        else o.number("sectors", g.sectors).text("toc", g.toc);
        std::string line = o.line();
        line.pop_back();  // its newline
        if (g.rom) {
            line.pop_back();  // the closing brace: romconfig is an array
            line += ",\"romconfig\":" + number_list({g.romconfig[0], g.romconfig[1]}) + "}";
        }
        t += (i ? ",\n" : "\n") + line;
    }
    t += "],\n\"order\":" + number_list(m.order) + ",\n\"files\":[";
    for (size_t i = 0; i < m.files.size(); i++) {
        json_object o;
        o.text("name", m.files[i].name).number("size", m.files[i].size).text("sha1", m.files[i].sha1);
        std::string line = o.line();
        line.pop_back();
        t += (i ? ",\n" : "\n") + line;
    }
    return t + "]\n}\n";
}

bool manifest_parse(const std::string &text, backup_manifest *m, std::string *why) {
    json_value v;
    std::string json_why;
    if (!json_parse(text.data(), text.size(), &v, &json_why))
        return refuse(why, "the manifest is not JSON: " + json_why);
    if (v.kind != json_value::OBJECT) return refuse(why, "the manifest is not a JSON object");
    fields f{v, "the manifest", why};
    std::string format;
    uint64_t blocks;
    if (!f.text("format", &format) || !f.number("version", UINT64_MAX, &m->version)) return false;
    if (format != "card backup") return refuse(why, "the manifest is of another format");
    if (m->version != MANIFEST_VERSION)
        return refuse(why, "the manifest is of version " + std::to_string(m->version) +
                               ", which this program does not know");
    const json_value *images = f.get("images", json_value::ARRAY);
    const json_value *order = f.get("order", json_value::ARRAY);
    const json_value *files = f.get("files", json_value::ARRAY);
    if (!f.text("program", &m->program) || !f.number("card_sectors", UINT64_MAX, &m->card_sectors) ||
        !f.number("blocks", CARD_CHAIN_LIMIT - 1, &blocks) || images == nullptr ||
        order == nullptr || files == nullptr)
        return false;
    m->blocks = static_cast<uint32_t>(blocks);

    std::map<std::string, const manifest_file *> listed;
    m->files.resize(files->items.size());
    for (size_t i = 0; i < files->items.size(); i++) {
        if (!read_file_entry(files->items[i], &m->files[i], why)) return false;
        if (!listed.emplace(m->files[i].name, &m->files[i]).second)
            return refuse(why, m->files[i].name + ": listed twice");
    }
    auto member = [&](const std::string &name, const manifest_image &g, uint64_t size) {
        auto l = listed.find(name);
        if (l == listed.end())
            return refuse(why, "image " + std::to_string(g.number) + ": " + name + " is not listed");
        if (size != UINT64_MAX && l->second->size != size)
            return refuse(why, name + ": its size does not fit the image");
        return true;
    };
    std::set<uint32_t> numbers;
    m->images.resize(images->items.size());
    for (size_t i = 0; i < images->items.size(); i++) {
        manifest_image &g = m->images[i];
        if (!read_image(images->items[i], &g, why)) return false;
        if (g.number / CARD_DISC_SLOTS >= m->blocks)
            return refuse(why, "image " + std::to_string(g.number) + ": outside the blocks");
        if (!numbers.insert(g.number).second)
            return refuse(why, "image " + std::to_string(g.number) + ": listed twice");
        bool ok = g.rom ? member(g.stem + ".pce", g, g.rom_bytes)
                        : member(g.stem + ".img", g, uint64_t{g.sectors} * CD_SECTOR_SIZE) &&
                              member(g.stem + ".sub", g, uint64_t{g.sectors} * SUBCHANNEL_BYTES) &&
                              member(g.stem + ".ccd", g, UINT64_MAX);
        if (!ok || (!g.sav.empty() && !member(g.sav, g, BKRAM_AREA_BYTES))) return false;
    }
    std::set<uint32_t> placed;
    for (const json_value &n : order->items) {
        if (n.kind != json_value::NUMBER || n.number > UINT32_MAX)
            return refuse(why, "the order holds something other than an image number");
        uint32_t k = static_cast<uint32_t>(n.number);
        bool index = k % CARD_DISC_SLOTS == 0 && k / CARD_DISC_SLOTS < m->blocks;
        if (!index && numbers.count(k) == 0)
            return refuse(why, "the order names image " + std::to_string(k) + ", which is not listed");
        if (!placed.insert(k).second)
            return refuse(why, "the order names image " + std::to_string(k) + " twice");
        m->order.push_back(k);
    }
    return true;
}
