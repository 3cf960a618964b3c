// Existence tests, path-text edits and INI readers shared by the custom actions.
#pragma once

#include <string>

#include "platform/win32.h"

// True when the file or folder exists (read-permission access test).
bool PathExists(const char* path);
// True when the file opens for reading beside other readers; false for a folder.
bool FileOpensForReading(const char* path);
// True when the folder can be made the current folder; the current folder is left as it was.
bool DirectoryExists(const char* path);
// The current folder without a trailing backslash ("C:\" gives "C:") into a buffer of at
// least MAX_PATH characters. Returns its length, or 0 and an empty text when it cannot be
// read or does not fit.
DWORD GetCurrentFolder(char* buffer);
// Removes a final backslash unless a colon stands before it.
void StripTrailingBackslash(char* path);
// Appends name to the folder in a caller buffer with room, with one backslash between.
bool AppendPathPart(char* folder, const char* name);
// The key's text (empty when missing) and its length.
DWORD ReadIniString(const char* file, const char* section, const char* key, std::string& text);
// The key's text as a decimal number, -1 when missing; true when it is 0 or more.
bool ReadIniNumber(const char* file, const char* section, const char* key, int& number);
