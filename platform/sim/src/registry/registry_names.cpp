#include "registry/registry_names.h"

#include <cstring>

namespace winsim::detail {
namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;

// Up to eight bytes as one word, zero-padded.
std::uint64_t Load(const char* at, std::size_t n) {
  std::uint64_t word = 0;
  std::memcpy(&word, at, n < 8 ? n : 8);
  return word;
}

// Upper-cases the ASCII letters of eight bytes at once; other bytes stay.
std::uint64_t Fold8(std::uint64_t word) {
  std::uint64_t low7 = word & ~kHighs;
  std::uint64_t atLeastA = low7 + (0x80 - 'a') * kOnes;
  std::uint64_t pastZ = low7 + (0x80 - 'z' - 1) * kOnes;
  std::uint64_t lower = atLeastA & ~pastZ & ~word & kHighs;
  return word ^ (lower >> 2);
}

char FoldChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::uint64_t Mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  return h;
}

}  // namespace

std::string FoldName(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = FoldChar(c);
  return out;
}

std::uint32_t FoldedHash(std::string_view name) {
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ name.size();
  for (std::size_t at = 0; at < name.size(); at += 8) {
    h ^= Fold8(Load(name.data() + at, name.size() - at));
    h = (h * 0xc2b2ae3d27d4eb4full) ^ (h >> 29);
  }
  auto folded = static_cast<std::uint32_t>(Mix(h) >> 32);
  return folded ? folded : 1;
}

bool SameFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t at = 0; at < a.size(); at += 8) {
    std::size_t n = a.size() - at;
    if (Fold8(Load(a.data() + at, n)) != Fold8(Load(b.data() + at, n))) return false;
  }
  return true;
}

int CompareFolded(std::string_view a, std::string_view b) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(FoldChar(a[i]));
    auto y = static_cast<unsigned char>(FoldChar(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::uint64_t FoldedPrefix(std::string_view name) {
  std::uint64_t prefix = 0;
  for (std::size_t i = 0; i < 8; ++i)
    prefix = (prefix << 8) | (i < name.size() ? static_cast<unsigned char>(FoldChar(name[i])) : 0u);
  return prefix;
}

}  // namespace winsim::detail
