#pragma once

#include <iterator>
#include <regex>
#include <string>

// How many times the regular expression matches in text, matches not overlapping.
inline long CountMatches(const std::string& text, const std::string& pattern) {
    const std::regex found(pattern);
    return std::distance(std::sregex_iterator(text.begin(), text.end(), found), {});
}
