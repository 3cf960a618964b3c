// Key and value names compare by their ASCII upper-case form, as Windows compares them.
// These helpers fold while they hash or compare, so that a lookup allocates nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace winsim::detail {

std::string FoldName(std::string_view name);

// A hash of the upper-case form; never 0, so that 0 can mark an empty slot.
std::uint32_t FoldedHash(std::string_view name);

bool SameFolded(std::string_view a, std::string_view b);

// <0, 0, >0 as the upper-case forms compare bytewise (unsigned), as std::string does.
int CompareFolded(std::string_view a, std::string_view b);

// The first eight bytes of the upper-case form, big-endian and zero-padded: a number that
// orders as the names do, or ties when their first eight bytes are equal.
std::uint64_t FoldedPrefix(std::string_view name);

}  // namespace winsim::detail
