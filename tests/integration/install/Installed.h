#pragma once

#include <string>

#include "support/ChildProcess.h"
#include "support/TempFolder.h"

// The build installed with cmake --install into a fresh temporary prefix.
class Installed {
public:
    Installed() {
        ChildProcess install({MZ_CMAKE, "--install", MZ_BINARY_DIR, "--prefix", prefix},
                             folder / "install");
        status_ = install.Wait(std::chrono::seconds(120)).value_or(-1);
        log_ = install.Output() + install.Errors();
    }

    bool Ok() const { return status_ == 0; }
    const std::string& Log() const { return log_; }
    std::string operator/(const std::string& name) const { return prefix + "/" + name; }

    TempFolder folder;
    const std::string prefix = folder / "usr";

private:
    int status_ = -1;
    std::string log_;
};
