// The names the copy gives its temporary files; shared by both systems' copy.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pixferry {

// A hidden name, made from random, no longer than final_length (at least 5 characters long).
std::string TemporaryName(std::size_t final_length, std::uint64_t random);

}  // namespace pixferry
