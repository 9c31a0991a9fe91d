#include "cli/exit_status.h"

#include "core/status.h"

int exit_status(int status) {
    switch (status) {
    case VMK_OK:
        return 0;
    case VMK_USAGE:
        return 2;
    default:
        return 1;
    }
}
