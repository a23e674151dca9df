#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Reads an unsigned decimal number the way the program's text fields always have: leading
// white space is skipped, one optional sign is accepted, then digits are taken up to the
// first other character and accumulated as value x 10 + digit modulo 2^32; a minus sign
// negates the result modulo 2^32. No digit right after the white space and sign: no value.
std::optional<std::uint32_t> readUnsigned(std::string_view text);

// Writes a number as unsigned decimal.
std::string writeUnsigned(std::uint32_t value);
