#include "platform/registry.h"

#include <cstdlib>

#include "platform/inifile.h"

std::string RegistryFilePath() {
    const char* env = std::getenv("CULINAROTABLE_REGISTRY");
    if (env != nullptr && *env != '\0') return env;
    return "/etc/culinarotable/registry.ini";
}

std::string ReadRegistryString(const std::string& key, const std::string& valueName) {
    return GetPrivateProfileString(key, valueName, "", RegistryFilePath(), kIniLongBuffer);
}

bool WriteRegistryString(const std::string& key, const std::string& valueName,
                         const std::string& value) {
    return WritePrivateProfileString(key, valueName, value, RegistryFilePath());
}
