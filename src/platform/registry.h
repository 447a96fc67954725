#pragma once
// The machine registry, kept as an INI-style file: each registry key is a
// section ("HKEY_LOCAL_MACHINE\SOFTWARE\...") and each value a key in it.
#include <string>

// CULINAROTABLE_REGISTRY when set, else /etc/culinarotable/registry.ini.
std::string RegistryFilePath();

// The value's text, or "" when the file, key or value is missing.
std::string ReadRegistryString(const std::string& key, const std::string& valueName);

bool WriteRegistryString(const std::string& key, const std::string& valueName,
                         const std::string& value);
