#include "platform/disk_service.h"

namespace {

const char *const NO_SERVICE = "no system disk service on this system";

}  // namespace

bool disk_service_present() { return false; }

void disk_service_allow_text_agent() {}

disk_service_status disk_service_open(const std::string &, bool, int *fd, std::string *,
                                      std::string *message) {
    *fd = -1;
    *message = NO_SERVICE;
    return DISK_SERVICE_ABSENT;
}

disk_service_status disk_service_rescan(const std::string &, std::string *message) {
    *message = NO_SERVICE;
    return DISK_SERVICE_ABSENT;
}
