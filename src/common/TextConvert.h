#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Narrow text is UTF-8; the window system speaks UTF-16. Ill-formed input becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// Reads a decimal integer at the start of a text the way C's %d does: leading white
// space, one optional sign, then digits up to the first other character. A text
// without digits gives 0; a value beyond 32 bits is clamped.
std::int32_t LeadingInteger(std::string_view text);

// The same scan from pos onwards; pos ends after the digits. False when no digit was read.
bool ScanDecimal(std::string_view text, std::size_t& pos, std::int32_t& value);

// Upper-cases the ASCII letters a-z and leaves every other byte alone.
std::string AsciiUpper(std::string_view text);

bool IsBlank(char c);
