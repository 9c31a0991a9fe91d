// Options of a command row, declared as one text in the row, e.g.
//   "--verify --dat FILE --report FILE"
// A word after an option that does not start with "--" names the option's
// value: that option takes one ("--dat f" or "--dat=f"); the others are
// flags. Declaring a new option is a change to that one text.
//
// Arguments are split into positionals and options wherever the options
// stand (before or after the port or drive); "--" ends the options.
#pragma once

#include <string>
#include <vector>

struct command_option {
    std::string name;   // "--dat"
    std::string value;
    bool has_value;  // false for a flag
};

struct command_arguments {
    std::vector<const char *> positional;
    std::vector<command_option> options;
    std::string refusal;  // why the arguments were refused, empty when they were not
};

// Splits argv. strict: an option the row does not declare, or a value option
// at the end without its value, is refused (refusal set, false returned).
// Not strict: undeclared "--" words stay positionals (a name a user typed in
// the window may well start with "--").
bool command_arguments_split(const char *declared, int argc, const char *const *argv, bool strict,
                             command_arguments *out);

bool command_option_given(const command_arguments &a, const char *name);
// The value of the last occurrence, nullptr when the option was not given.
const char *command_option_value(const command_arguments &a, const char *name);

// The declared options as usage text: "[--verify] [--dat FILE]"; "" for none.
std::string command_options_usage(const char *declared);

// The arguments in their plain form: "--name" or "--name=value" for each
// option, "--", the positionals (which may then start with "--" themselves).
std::vector<std::string> command_arguments_join(const command_arguments &a);
