#include "core/command_options.h"

#include <cstring>
#include <sstream>

namespace {

bool is_option_word(const char *s) { return strncmp(s, "--", 2) == 0 && s[2] != '\0'; }

struct declared_option {
    std::string name;
    std::string value_name;
};

std::vector<declared_option> declared_list(const char *declared) {
    std::vector<declared_option> list;
    if (declared == nullptr) return list;
    std::istringstream words(declared);
    std::string w;
    while (words >> w) {
        if (w.rfind("--", 0) == 0) list.push_back({w, ""});
        else if (!list.empty()) list.back().value_name = w;
    }
    return list;
}

const declared_option *find_declared(const std::vector<declared_option> &list,
                                     const std::string &name) {
    for (const auto &d : list)
        if (d.name == name) return &d;
    return nullptr;
}

}  // namespace

bool command_arguments_split(const char *declared, int argc, const char *const *argv, bool strict,
                             command_arguments *out) {
    *out = {};
    const std::vector<declared_option> list = declared_list(declared);
    bool options_ended = false;
    for (int i = 0; i < argc; i++) {
        const char *word = argv[i];
        if (!options_ended && strcmp(word, "--") == 0) {
            options_ended = true;
            continue;
        }
        if (options_ended || !is_option_word(word)) {
            out->positional.push_back(word);
            continue;
        }
        const char *equals = strchr(word, '=');
        std::string name = equals ? std::string(word, equals) : std::string(word);
        const declared_option *d = find_declared(list, name);
        if (d == nullptr) {
            if (strict) {
                out->refusal = "unknown option " + name;
                return false;
            }
            out->positional.push_back(word);
            continue;
        }
        if (d->value_name.empty()) {
            if (equals != nullptr) {
                out->refusal = name + " takes no value";
                return false;
            }
            out->options.push_back({name, "", false});
        } else if (equals != nullptr) {
            out->options.push_back({name, equals + 1, true});
        } else if (i + 1 < argc) {
            out->options.push_back({name, argv[++i], true});
        } else {
            out->refusal = name + " needs a " + d->value_name;
            return false;
        }
    }
    return true;
}

bool command_option_given(const command_arguments &a, const char *name) {
    for (const auto &o : a.options)
        if (o.name == name) return true;
    return false;
}

const char *command_option_value(const command_arguments &a, const char *name) {
    const char *value = nullptr;
    for (const auto &o : a.options)
        if (o.name == name) value = o.value.c_str();
    return value;
}

std::string command_options_usage(const char *declared) {
    std::string usage;
    for (const auto &d : declared_list(declared)) {
        if (!usage.empty()) usage += ' ';
        usage += "[" + d.name + (d.value_name.empty() ? "" : " " + d.value_name) + "]";
    }
    return usage;
}

std::vector<std::string> command_arguments_join(const command_arguments &a) {
    std::vector<std::string> words;
    for (const auto &o : a.options) words.push_back(!o.has_value ? o.name : o.name + "=" + o.value);
    words.emplace_back("--");
    words.insert(words.end(), a.positional.begin(), a.positional.end());
    return words;
}
