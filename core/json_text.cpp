#include "core/json_text.h"

#include <cstdio>

std::string json_string(const std::string &text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

namespace {

void add_key(std::string &body, const char *key) {
    if (!body.empty()) body += ',';
    body += json_string(key) + ':';
}

}  // namespace

json_object &json_object::text(const char *key, const std::string &value) {
    add_key(body, key);
    body += json_string(value);
    return *this;
}

json_object &json_object::number(const char *key, uint64_t value) {
    add_key(body, key);
    body += std::to_string(value);
    return *this;
}

json_object &json_object::boolean(const char *key, bool value) {
    add_key(body, key);
    body += value ? "true" : "false";
    return *this;
}

json_object &json_object::texts(const char *key, const std::vector<std::string> &values) {
    add_key(body, key);
    body += '[';
    for (size_t i = 0; i < values.size(); i++) {
        if (i > 0) body += ',';
        body += json_string(values[i]);
    }
    body += ']';
    return *this;
}

json_object &json_object::objects(const char *key, const std::vector<json_object> &values) {
    add_key(body, key);
    body += '[';
    for (size_t i = 0; i < values.size(); i++) body += (i > 0 ? ",{" : "{") + values[i].body + "}";
    body += ']';
    return *this;
}

json_object &json_object::null(const char *key) {
    add_key(body, key);
    body += "null";
    return *this;
}

std::string json_object::line() const { return "{" + body + "}\n"; }
