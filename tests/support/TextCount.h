#pragma once

#include <iterator>
#include <regex>
#include <string>

// How many times the regular expression matches in text, matches not overlapping.
inline long CountMatches(const std::string& text, const std::string& pattern) {
    const std::regex found(pattern);
    return std::distance(std::sregex_iterator(text.begin(), text.end(), found), {});
}

// How many times part stands in text, overlapping ones counted too.
inline long CountOccurrences(const std::string& text, const std::string& part) {
    long count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}
