#pragma once
// Path helpers: documented Windows paths use backslashes and relative parts
// ("bin\..\cfg"); on Linux they become '/' paths normalised lexically, because
// the kernel cannot resolve ".." through a folder that does not exist.
#include <string>

// Backslashes become slashes, "." and ".." parts are resolved lexically.
std::string NormalPath(const std::string& path);

// Joins two parts with exactly one '/' between them, then normalises.
std::string JoinPath(const std::string& left, const std::string& right);

// Folder of the running executable (from /proc/self/exe), empty when unknown.
std::string ExecutableFolder();

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
