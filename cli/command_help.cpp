#include "cli/command_help.h"

#include <cstring>

const command_help command_helps[] = {
    {"device", "reset", nullptr, "Resets the console.", "none",
     "vmk device reset /dev/ttyUSB0"},
    {"device", "calb", nullptr, "Runs the video calibration helper with the board.", "none",
     "vmk device calb /dev/ttyUSB0"},
    {"device", "save_up", nullptr, "Uploads a 2 KiB backup RAM page from a file to the console.",
     "page 0 to 3; the file to send", "vmk device save_up 0 save0.sav /dev/ttyUSB0"},
    {"device", "save_dn", nullptr, "Downloads a 2 KiB backup RAM page of the console to a file.",
     "page 0 to 3; the file to write", "vmk device save_dn 1 save1.sav /dev/ttyUSB0"},
    {"device", "memorybase", nullptr, "Moves the Memory Base 128 contents to or from a file.",
     "up (file to console) or down (console to file); the file",
     "vmk device memorybase down mb128.sav /dev/ttyUSB0"},
    {"device", "dump", nullptr, "Dumps the HuCard in the console to a ROM file with its CRC-32.",
     "map rom, romram or sf2; the ROM file to write; --verify reads the card twice and "
     "compares bank by bank (twice the wire time); --dat FILE checks the dump against a "
     "Logiqx XML DAT; --name-by-dat saves it under the matched title; --report FILE writes "
     "a text report",
     "vmk device dump rom game.pce /dev/ttyUSB0 --verify --dat pce.dat --report game.txt"},
    {"device", "gpram_dn", nullptr, "Reads a range of the board's GPRAM into a file.",
     "address and length in hexadecimal, multiples of 0x2000, ending at 0x80000 at most; the file",
     "vmk device gpram_dn 0 40000 gpram.bin /dev/ttyUSB0"},
    {"device", "upimg", nullptr, "Uploads a HuCard ROM into the board's GPRAM or flash.",
     "gpram or flash; map rom or romram; the ROM file",
     "vmk device upimg gpram rom game.pce /dev/ttyUSB0"},
    {"device", "program_data", nullptr, "Programs a file into the board's flash at an address.",
     "address in hexadecimal, 0x30000 or above; the file",
     "vmk device program_data 30000 data.bin /dev/ttyUSB0"},
    {"device", "program_jic", nullptr, "Programs an FPGA configuration file into the board.",
     "the .jic file", "vmk device program_jic board.jic /dev/ttyUSB0"},
    {"device", "program_pac", nullptr, "Installs a firmware package on the board.",
     "the .pac file", "vmk device program_pac firmware.pac /dev/ttyUSB0"},
    {"device", "vceget", nullptr, "Captures the console's frame buffer to a PNG file.",
     "the PNG file to write", "vmk device vceget screen.png /dev/ttyUSB0"},
    {"device", "adj", nullptr, "Sets the board's clock for a video frame rate.",
     "VSync frequency in Hz, 50 up to below 70", "vmk device adj 60 /dev/ttyUSB0"},
    {"device", "colortable", nullptr, "Uploads a colour table to the board.",
     "the colour table file", "vmk device colortable colors.txt /dev/ttyUSB0"},

    {"card", "add", nullptr, "Adds a CD image set or a HuCard ROM to the card, then reads it back to verify it.",
     "image file prefix (game for game.img/.sub/.ccd, or the ROM file; a .zip or .7z, "
     "archive.zip:inner/name.cue for one of several games); optional image#; "
     "--no-verify skips the read-back; --dat FILE checks the input against a DAT first and "
     "logs the result; --name-by-dat stores the DAT's title as the name; --patch FILE applies "
     "an IPS or BPS patch to a ROM",
     "vmk card add D games/ys"},
    {"card", "add_withname", nullptr, "Adds an image set or ROM under the name given.",
     "image file prefix; the name shown in the list; optional image#; --no-verify; --dat FILE "
     "and --name-by-dat as for add; --patch FILE",
     "vmk card add_withname D games/ys \"Ys I & II\""},
    {"card", "overwrite", nullptr, "Replaces the image at an image number.",
     "image file prefix; image#; optional name; --no-verify", "vmk card overwrite D games/ys 3"},
    {"card", "config", nullptr, "Sets the flags byte and optionally the name of an image.",
     "image#; value; optional name", "vmk card config D 3 0x01"},
    {"card", "config_single", nullptr, "Sets the per-disc settings and the name of one image.",
     "disc icon, disc option, rom icon, rom option, common option; image#; name",
     "vmk card config_single D 1 0x7 1 0x7 0x7 3 Ys"},
    {"card", "config_multi", nullptr, "Sets the per-disc settings of several images.",
     "disc icon, disc option, rom icon, rom option, common option; one or more image#",
     "vmk card config_multi D 1 0x7 1 0x7 0x7 3 4 5"},
    {"card", "format", nullptr, "Formats the card (its FAT partition must hold no files).",
     "none", "vmk card format D"},
    {"card", "amount_change", nullptr, "Drops every image from an image number on.", "image#",
     "vmk card amount_change D 7"},
    {"card", "subswap", nullptr, "Converts the stored subchannel data of every disc.", "none",
     "vmk card subswap D"},
    {"card", "rawdump", nullptr, "Dumps a stored disc back to a raw file.", "disc#; the file",
     "vmk card rawdump D 3 disc03.raw"},
    {"card", "extract", nullptr,
     "Writes stored images back as files: a ROM as name.pce, a disc as an image set "
     "(name.img/.sub/.ccd, every subchannel byte kept), as one .bin per track and a .cue, "
     "or as a CHD file (name.chd).",
     "one or more image#; --to FOLDER (it must exist); --as ccd (default), cue or chd; "
     "--force replaces files that exist",
     "vmk card extract D 1 2 105 --to games --as cue"},
    {"card", "backup", nullptr,
     "Writes the whole card into one zstd-compressed tar archive: every image, its settings, "
     "the listing order, the backup RAM areas and a manifest with each file's SHA-1.",
     "the archive file (it appears only when complete)", "vmk card backup D card.tar.zst"},
    {"card", "restore", nullptr,
     "Puts a backup back onto a card of any size that holds it, after checking the whole "
     "archive; continues a restore that was cut short; runs the card check at the end.",
     "the archive (before or after the drive); --only IMAGE (repeatable, or a list 1,2,105) "
     "adds those images of the backup after the card's own; --format formats a card that has "
     "no image layout yet",
     "vmk card restore card.tar.zst E"},
    {"card", "copy", nullptr,
     "Copies every image of one card onto another, straight from card to card.",
     "the card to copy onto (a drive or a card image file); --format formats it first when "
     "it has no image layout yet",
     "vmk card copy D E"},
    {"card", "order", nullptr, "Sets the display order of one block.",
     "100 image numbers of the block, a permutation", "vmk card order D 2 0 1 3 4 ... 99"},
    {"card", "bkram_read", nullptr, "Reads one disc's backup RAM area into a file.",
     "disc#; the file", "vmk card bkram_read D 3 ys.sav"},
    {"card", "bkram_multiread", nullptr, "Reads every backup RAM area into a folder.",
     "the folder; optional 1 to overwrite files", "vmk card bkram_multiread D saves 1"},
    {"card", "bkram_write", nullptr, "Writes a file into one disc's backup RAM area.",
     "disc#; the file", "vmk card bkram_write D 3 ys.sav"},
    {"card", "mmchash", nullptr, "Lists the CRCs of an image set or of a stored image.",
     "image file prefix, or #image# (quoted in a shell) for the stored image whatever files "
     "are named like it",
     "vmk card mmchash D '#103'"},
    {"card", "check", nullptr,
     "Reads the whole card and reports every fault in its layout, its index discs, cdlist.txt "
     "and its stored sectors; changes nothing unless --capacity is given. Status 1 when "
     "anything was found.",
     "none; --json: one object per finding, the summary last; --capacity: first probes the card "
     "for a fake size (writes markers and puts every sector back)",
     "vmk card check D --capacity"},
    {"card", "preview", "<drive> <block#> <file.png>",
     "Renders the image list the console shows for a block.", "block#; the PNG file",
     "vmk card preview D 0 list.png"},
    {"card", "list", "<drive> [--dat <dat file>] [--json]",
     "Lists the card's images as the window does, with sizes and the capacity line.",
     "--dat: a column with each image's DAT result (verified, partly, unknown; a ROM as a "
     "dump check says); --json: one object per line", "vmk card list D"},
    {"card", "drives", "[--all] [--json]",
     "Lists the card drives and registered card image files.",
     "--all: also the disks that are no cards and why; --json: one object per line",
     "vmk card drives --all"},

    {"save", "list", "<file> | --card <drive> <image#>  [--json]",
     "Lists the games' saves in a backup RAM or Memory Base file, or in a card's backup RAM "
     "area, with their sizes, check values and the free space.",
     "the file (raw, padded or gzip-compressed), or --card with the drive and the image "
     "number; --json: one object a line",
     "vmk save list backupram0.sav"},
    {"save", "copy", "<from> <entry> <to> [--replace]",
     "Copies one game's save into another file or card area of the same kind.",
     "from and to: a file, or card:<drive>:<image#>; the entry by name or by the number "
     "the listing shows; --replace: replace an entry of the same name",
     "vmk save copy card:E:#5 \"GAME\" backupram0.sav"},
    {"save", "delete", "<file> <entry> | --card <drive> <image#> <entry>",
     "Deletes one game's save; the later ones move up.",
     "the file or card area; the entry by name or number", "vmk save delete backupram0.sav 2"},
    {"save", "format", "<file> [--memory-base] [--gzip]",
     "Writes an empty backup RAM file (or Memory Base image) for an emulator.",
     "the new file (an existing one is not overwritten); --memory-base: 128 KiB image; "
     "--gzip: compressed", "vmk save format blank.sav"},
    {"dat", "check", "<file>... --dat <dat file> [--card <drive>] [--patch <bps file>] [--json]",
     "Checks HuCard ROMs and discs against a Logiqx XML DAT: a ROM by CRC-32 and size (also with "
     "a 512-byte header stripped or the bit order reversed), a disc by the CRC-32 and SHA-1 of "
     "each track file in the dump groups' layout (verified, partly or unknown). Files may sit "
     "in a .zip or .7z. With --patch, a ROM the BPS patch made is traced to the ROM it was "
     "patched from.",
     "ROM files, .cue, .ccd or .chd files; with --card the drive and image numbers ('#5') or "
     "all; --dat: the DAT file; --patch: the patch that made the file; --json: one object an "
     "input",
     "vmk dat check game.cue --dat pce-cd.dat"},
    {"", "ports", "[--json]",
     "Lists the serial ports with what the system knows of each: USB vendor and product id, "
     "maker, product and serial number, the stable /dev/serial/by-id name (on Windows the "
     "system's name for the port), and whether you may open it and why not.",
     "--json: one object per line", "vmk ports"},
    {"", "help", "[device|card <command>]", "Shows the commands, or one command's help.",
     "a half and a command name", "vmk help device dump"},
    {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
};

const command_help *command_help_find(const char *half, const char *name) {
    for (const command_help *h = command_helps; h->name != nullptr; h++)
        if (strcmp(h->half, half) == 0 && strcmp(h->name, name) == 0) return h;
    return nullptr;
}
