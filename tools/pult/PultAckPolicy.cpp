#include "PultAckPolicy.h"

PultAckPolicy::PultAckPolicy(const PultOptions& options)
    : acknowledge_(options.acknowledge),
      dropFirst_(options.dropFirst),
      dropRate_(options.dropRate),
      random_(options.seed) {}

bool PultAckPolicy::ShouldAcknowledge() {
    if (!acknowledge_) {
        return false;
    }
    if (dropFirst_ > 0) {
        --dropFirst_;
        return false;
    }
    // Drawn for every report, so a seed gives the same pattern whatever went before.
    const double draw = static_cast<double>(random_()) / 4294967296.0;
    return draw >= dropRate_;
}
