#include "cli/card_drive_argument.h"

#include "card/store/drive_table.h"

bool resolve_card_drive_argument(log_sink *log, const char *argument, std::string *drive) {
    if (!drive_argument_is_image(argument)) {
        *drive = argument;
        return true;
    }
    char letter = drive_table_register_image(log, argument);
    if (letter == 0) return false;
    *drive = std::string(1, letter);
    return true;
}
