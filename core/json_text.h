// Small pieces of JSON for the command line's --json output: one object per
// line, built by appending fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A JSON string literal, quotes included; control characters escaped, UTF-8
// passed through.
std::string json_string(const std::string &text);

// Collects "key":value pairs and closes them into one object.
struct json_object {
    std::string body;
    json_object &text(const char *key, const std::string &value);
    json_object &number(const char *key, uint64_t value);
    json_object &boolean(const char *key, bool value);
    json_object &texts(const char *key, const std::vector<std::string> &values);
    json_object &objects(const char *key, const std::vector<json_object> &values);
    json_object &null(const char *key);
    std::string line() const;  // "{...}\n"
};
