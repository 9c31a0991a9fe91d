#include "core/json_read.h"

#include "core/text_copy.h"

#include <cstring>

namespace {

struct reader {
    const char *at, *end;
    const char *start;
    std::string why;

    bool fail(const char *what) {
        if (why.empty()) {
            int line = 1;
            for (const char *p = start; p < at; p++) line += *p == '\n';
            why = "line " + std::to_string(line) + ": " + what;
        }
        return false;
    }
    void space() {
        while (at < end && (*at == ' ' || *at == '\t' || *at == '\n' || *at == '\r')) at++;
    }
    bool take(char c) {
        space();
        if (at < end && *at == c) {
            at++;
            return true;
        }
        return false;
    }
    bool word(const char *w) {
        size_t n = strlen(w);
        if (size_t(end - at) < n || memcmp(at, w, n) != 0) return false;
        at += n;
        return true;
    }

    bool hex4(uint32_t *v) {
        if (end - at < 4) return fail("a \\u escape is cut short");
        *v = 0;
        for (int i = 0; i < 4; i++, at++) {
            char c = *at;
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0) return fail("a \\u escape holds a character that is not hexadecimal");
            *v = *v << 4 | static_cast<uint32_t>(d);
        }
        return true;
    }
    bool string(std::string *s) {
        if (!take('"')) return fail("expected a string");
        for (;;) {
            if (at >= end) return fail("a string is not closed");
            unsigned char c = static_cast<unsigned char>(*at++);
            if (c == '"') return true;
            if (c < 0x20) return fail("a control character inside a string");
            if (c != '\\') {
                *s += static_cast<char>(c);
                continue;
            }
            if (at >= end) return fail("a string is not closed");
            char e = *at++;
            const char *plain = strchr("\"\\/bfnrt", e);
            if (e != '\0' && plain != nullptr) {
                *s += "\"\\/\b\f\n\r\t"[plain - "\"\\/bfnrt"];
            } else if (e == 'u') {
                uint32_t v = 0;
                if (!hex4(&v)) return false;
                if (v >= 0xD800 && v < 0xDC00) {
                    uint32_t low = 0;
                    if (!word("\\u") || !hex4(&low) || low < 0xDC00 || low >= 0xE000)
                        return fail("a lone surrogate escape");
                    v = 0x10000 + ((v - 0xD800) << 10) + (low - 0xDC00);
                } else if (v >= 0xDC00 && v < 0xE000) {
                    return fail("a lone surrogate escape");
                }
                append_utf8(*s, v);
            } else {
                return fail("an unknown escape in a string");
            }
        }
    }
    bool number(uint64_t *v) {
        if (at >= end || *at < '0' || *at > '9') return fail("expected a value");
        if (*at == '0' && end - at > 1 && at[1] >= '0' && at[1] <= '9')
            return fail("a number with a leading zero");
        *v = 0;
        while (at < end && *at >= '0' && *at <= '9') {
            uint64_t d = static_cast<uint64_t>(*at++ - '0');
            if (*v > (UINT64_MAX - d) / 10) return fail("a number too large");
            *v = *v * 10 + d;
        }
        if (at < end && (*at == '.' || *at == 'e' || *at == 'E'))
            return fail("a number that is not whole");
        return true;
    }
    bool value(json_value *v, int depth) {
        if (depth > JSON_DEPTH_MAX) return fail("nested too deeply");
        space();
        if (at >= end) return fail("expected a value");
        if (*at == '{') {
            at++;
            v->kind = json_value::OBJECT;
            if (take('}')) return true;
            do {
                std::string key;
                if (!string(&key)) return false;
                if (!take(':')) return fail("expected ':'");
                json_value member;
                if (!value(&member, depth + 1)) return false;
                if (!v->members.emplace(key, std::move(member)).second)
                    return fail(("the key \"" + key + "\" appears twice").c_str());
            } while (take(','));
            return take('}') || fail("expected ',' or '}'");
        }
        if (*at == '[') {
            at++;
            v->kind = json_value::ARRAY;
            if (take(']')) return true;
            do {
                v->items.emplace_back();
                if (!value(&v->items.back(), depth + 1)) return false;
            } while (take(','));
            return take(']') || fail("expected ',' or ']'");
        }
        if (*at == '"') {
            v->kind = json_value::TEXT;
            return string(&v->text);
        }
        if (word("true") || word("false")) {
            v->kind = json_value::BOOLEAN;
            v->boolean = at[-1] == 'e' && at[-2] == 'u';
            return true;
        }
        if (word("null")) return true;
        v->kind = json_value::NUMBER;
        return number(&v->number);
    }
};

}  // namespace

const json_value *json_value::find(const char *key) const {
    if (kind != OBJECT) return nullptr;
    auto m = members.find(key);
    return m == members.end() ? nullptr : &m->second;
}

bool json_parse(const char *text, size_t length, json_value *out, std::string *why) {
    reader r{text, text + length, text, {}};
    *out = json_value{};
    bool ok = r.value(out, 0);
    r.space();
    if (ok && r.at != r.end) ok = r.fail("text after the value");
    if (!ok) *why = r.why;
    return ok;
}
