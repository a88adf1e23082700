#pragma once

#include <random>

#include "PultOptions.h"

// Decides, report by report, whether the control room answers.
class PultAckPolicy {
public:
    explicit PultAckPolicy(const PultOptions& options);
    bool ShouldAcknowledge();

private:
    bool acknowledge_;
    std::int64_t dropFirst_;
    double dropRate_;
    std::mt19937 random_;
};
