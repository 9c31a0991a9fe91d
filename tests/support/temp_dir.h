// A fresh folder under the system's temporary folder, removed with everything
// in it at scope exit.
#pragma once

#include <string>

struct temp_dir {
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir &) = delete;
    temp_dir &operator=(const temp_dir &) = delete;
    std::string path(const std::string &name) const { return dir + "/" + name; }
    std::string dir;
};
