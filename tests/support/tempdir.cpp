#include "support/tempdir.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "core/config.h"
#include "core/globals.h"
#include "platform/paths.h"

TempDir::TempDir() {
    std::string tmpl = std::filesystem::temp_directory_path().string() + "/ct-test-XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void WriteTextFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void UseInstallRoot(const std::string& root, int logLevel) {
    g_oConfig = std::make_unique<Config>();
    g_oConfig->SetInstallRoot(root);
    g_oConfig->SetBinPath(JoinPath(root, "Client/bin"));
    g_oConfig->SetClientIniPath(JoinPath(root, "Client/cfg/KIV4Client.ini"));
    g_oConfig->SetLogLevel(logLevel);
}
