// What the parts of the simulated machine share among themselves.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "winsim/api.h"

namespace winsim::detail {

// Names of keys, values and files compare as Windows compares them: by their upper-case
// form.
std::string Upper(std::string_view text);
bool EqualNoCase(std::string_view a, std::string_view b);
struct LessNoCase {
  bool operator()(const std::string& a, const std::string& b) const;
};

// Copies text into a caller's buffer of `capacity` characters as the "A" functions do:
// returns false and writes nothing when text and its NUL do not fit.
bool CopyOut(const std::string& text, char* buffer, std::size_t capacity);

// Each part forgets its state; Reset() calls them all.
void ResetRegistry();
void ResetFiles(const std::string& hostRoot);
void ResetInstaller();
void ResetUi();
void ResetModules();
void ResetSystem();

// Files: a Windows path made full against the current folder ("C:\A\b.txt"); empty when
// it cannot be.
std::string FullWindowsPath(const std::string& path);

}  // namespace winsim::detail
