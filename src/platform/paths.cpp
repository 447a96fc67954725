#include "platform/paths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string NormalPath(const std::string& path) {
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    if (p.empty()) return p;
    std::string out = fs::path(p).lexically_normal().string();
    // Keep a trailing slash off so "a/b/" and "a/b" name the same folder.
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

std::string JoinPath(const std::string& left, const std::string& right) {
    if (left.empty()) return NormalPath(right);
    if (right.empty()) return NormalPath(left);
    return NormalPath(left + "/" + right);
}

std::string ExecutableFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return exe.parent_path().string();
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool FolderExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}
