#pragma once
// INI files with the private-profile semantics the installation's files were
// written for: sections and keys ignore case, values are cut at the caller's
// buffer, integer reads return the default only for a missing key, and writing
// one key keeps every other line of the file.
#include <cstddef>
#include <cstdint>
#include <string>

// Buffer sizes the callers use; the terminating NUL takes one place, so at
// most size - 1 characters come back.
constexpr std::size_t kIniShortBuffer = 255;
constexpr std::size_t kIniLongBuffer = 32767;

// The value of [section] key, trimmed and with one pair of enclosing quotes
// removed; `def` when the file, section or key is missing.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, const std::string& path,
                                    std::size_t bufferSize = kIniShortBuffer);

// Leading blanks, an optional sign and the leading decimal digits of the value;
// 0 when the value has no digits, `def` when the key is missing or empty.
int32_t GetPrivateProfileInt(const std::string& section, const std::string& key, int32_t def,
                             const std::string& path);

// Sets [section] key = value, adding the section or key when missing. The file
// is rewritten through a temporary file and a rename, so a reader never sees
// half a file. Returns false when the file cannot be written.
bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& path);
