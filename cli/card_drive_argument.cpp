#include "cli/card_drive_argument.h"

#include "card/store/drive_table.h"

bool resolve_card_drive_argument(log_sink *log, const char *argument, std::string *drive) {
    if (!drive_argument_is_image(argument)) {
        *drive = argument;
        return true;
    }
    drive_entry image;
    if (!drive_resolve(log, argument, &image)) return false;
    *drive = image.path;
    return true;
}
