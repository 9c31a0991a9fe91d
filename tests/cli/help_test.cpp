// Every command of both tables has its help, and the help reaches the user
// through `vmk help` and `--help`.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "card/commands/card_dispatch.h"
#include "cli/command_help.h"
#include "cli/daily_commands.h"
#include "device/device_dispatch.h"
#include "tests/card/layout/shell.h"

namespace {

std::string help_text(const char *half, const char *name) {
    char *buffer = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&buffer, &size);
    bool found = print_command_help(out, half, name);
    fclose(out);
    std::string text = found ? std::string(buffer, size) : "";
    free(buffer);
    return text;
}

void expect_full_help(const char *half, const char *name, const char *usage) {
    const command_help *h = command_help_find(half, name);
    ASSERT_NE(h, nullptr) << half << " " << name;
    EXPECT_NE(h->what[0], '\0');
    EXPECT_NE(h->arguments[0], '\0');
    EXPECT_EQ(std::string(h->example).rfind(std::string("vmk ") + half + " " + name, 0), 0u)
        << h->example;
    std::string text = help_text(half, name);
    EXPECT_NE(text.find(usage), std::string::npos) << text;
    EXPECT_NE(text.find(h->what), std::string::npos) << text;
    EXPECT_NE(text.find(h->example), std::string::npos) << text;
}

}  // namespace

TEST(Help, EveryDeviceCommandHasItsHelp) {
    for (const device_command *row = device_commands; row->name != nullptr; row++)
        expect_full_help("device", row->name, row->usage);
}

TEST(Help, EveryCardCommandHasItsHelp) {
    for (const card_command_info *row = card_command_list(); row->name != nullptr; row++)
        expect_full_help("card", row->name, row->usage);
}

TEST(Help, UnknownCommandHasNone) {
    EXPECT_EQ(help_text("device", "dum"), "");
    EXPECT_EQ(help_text("card", "reset"), "");
}

TEST(Help, ReachesTheUserThroughHelpAndDashDashHelp) {
    const std::string vmk = VMK_BINARY;
    const struct {
        std::string args;
        std::string begins;
    } cases[] = {
        {"help device dump", "usage: vmk device dump [rom|romram|sf2] [romfile] [port]\n"},
        {"device dump --help", "usage: vmk device dump [rom|romram|sf2] [romfile] [port]\n"},
        {"card add --help",
         "usage: vmk card add <drive> [imagefileprefix] (image#)\n"
         "       options, before or after the drive: [--no-verify] [--dat FILE] [--name-by-dat] [--patch FILE]\n"},
        {"help card list", "usage: vmk card list <drive> [--dat <dat file>] [--json]\n"},
        {"ports --help", "usage: vmk ports [--json]\n"},
        {"help dat check", "usage: vmk dat check <file>... --dat <dat file> [--card <drive>] [--patch <bps file>] [--json]\n"},
        {"dat check --help", "usage: vmk dat check <file>... --dat <dat file> [--card <drive>] [--patch <bps file>] [--json]\n"},
        {"help dat", "usage: vmk dat check <file>... --dat <dat file> [--card <drive>] [--patch <bps file>] [--json]\n"},
        {"help", "usage: vmk device <command>"},
        {"--version", "vmk 0."},
    };
    for (const auto &c : cases) {
        std::string out = shell_output(vmk + " " + c.args + "; echo \"#$?\"");
        EXPECT_EQ(out.rfind(c.begins, 0), 0u) << c.args << "\n" << out;
        EXPECT_NE(out.find("\n#0\n"), std::string::npos) << c.args << "\n" << out;
    }
    EXPECT_NE(shell_output(vmk + " help card nothing 2>/dev/null; echo \"#$?\""), "#0\n");
}

// `vmk help device` and `vmk help card` list the half's commands, each with
// what it does.
TEST(Help, HelpOfAHalfListsItsCommands) {
    const std::string vmk = VMK_BINARY;
    for (const char *half : {"device", "card"}) {
        std::string out = shell_output(vmk + " help " + half + " 2>&1; echo \"#$?\"");
        EXPECT_EQ(out.rfind(std::string("usage: vmk ") + half + " <command>", 0), 0u) << out;
        EXPECT_NE(out.find("\n#0\n"), std::string::npos) << out;
        for (const command_help *h = command_helps; h->name != nullptr; h++) {
            if (strcmp(h->half, half) != 0) continue;
            char line[256];
            snprintf(line, sizeof line, "\n  %-16s %s\n", h->name, h->what);
            EXPECT_NE(out.find(line), std::string::npos) << half << " " << h->name << "\n" << out;
        }
    }
}

TEST(Help, OverviewNamesEveryCommandOutsideTheTables) {
    char *buffer = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&buffer, &size);
    print_overview(out);
    fclose(out);
    const std::string overview(buffer, size);
    free(buffer);
    for (int i = 0; vmk_usage_lines[i] != nullptr; i++)
        EXPECT_NE(overview.find(vmk_usage_lines[i]), std::string::npos) << vmk_usage_lines[i];
    // The rows with a usage of their own, each under its half's heading.
    for (const command_help *h = command_helps; h->name != nullptr; h++) {
        if (h->usage == nullptr || h->half[0] == '\0') continue;
        EXPECT_NE(overview.find(std::string(h->half) + " commands"), std::string::npos) << h->half;
        EXPECT_NE(overview.find("\n  " + std::string(h->name) + " "), std::string::npos) << h->name;
    }
}
