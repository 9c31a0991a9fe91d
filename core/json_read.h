// Reading JSON text into a tree, for files the program writes itself and
// reads back from places it does not trust (a backup's manifest). Strict:
// no comments, no trailing commas, nesting and size bounded, numbers whole
// and unsigned (all the program writes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct json_value {
    enum kind_t { NUL, BOOLEAN, NUMBER, TEXT, ARRAY, OBJECT } kind = NUL;
    bool boolean = false;
    uint64_t number = 0;
    std::string text;
    std::vector<json_value> items;
    std::map<std::string, json_value> members;

    // The member named key when this is an object holding it, else nullptr.
    const json_value *find(const char *key) const;
};

inline constexpr int JSON_DEPTH_MAX = 16;

// false with *why set ("line 3: expected ':'") for text that is not one
// JSON value, or that repeats a key of an object.
bool json_parse(const char *text, size_t length, json_value *out, std::string *why);
