#include "app/installlayout.h"

#include <filesystem>
#include <fstream>
#include <ostream>

#include "core/mltext.h"
#include "platform/inifile.h"
#include "sql/embeddedfiles.h"

namespace fs = std::filesystem;

std::string AbsoluteRoot(const std::string& root) {
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(root), ec).lexically_normal();
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

bool MakeInstallFolders(const std::string& root, bool withData, std::ostream& err) {
    for (const char* sub : {"Client/bin", "Client/cfg", "Client/Log", "Client/Temp", "Data"}) {
        if (!withData && std::string(sub) == "Data") continue;
        std::error_code ec;
        fs::create_directories(root + "/" + sub, ec);
        if (ec) {
            err << GetMLText("Cannot create the folder") << ": " << root << "/" << sub << " ("
                << ec.message() << ")\n";
            return false;
        }
    }
    return true;
}

bool WriteConnectionIni(const std::string& path, const ConnectionIni& values) {
    return WritePrivateProfileString("DB", "ConnStr", values.connStr, path) &&
           WritePrivateProfileString("DB", "Data Source", values.dataSource, path) &&
           WritePrivateProfileString("DB", "User ID", values.userCipher, path) &&
           WritePrivateProfileString("DB", "Password", values.passwordCipher, path);
}

bool WriteClientFiles(const std::string& root) {
    const std::string cfg = root + "/Client/cfg/";
    const std::string client = cfg + "KIV4Client.ini";
    bool ok = true;
    if (!fs::exists(client)) {
        ok = WritePrivateProfileString("KIV", "LogLevel", "1", client) &&
             WritePrivateProfileString("KIV", "LogArchivedPeriod", "4", client) &&
             WritePrivateProfileString("KIVCnt", "SeatPOS", "1", client) &&
             WritePrivateProfileString("KIVCnt", "ShowLegend", "1", client) &&
             WritePrivateProfileString("KIVCnt", "PanelPOS", "0", client) &&
             WritePrivateProfileString("KIVCnt", "WritePacketLog", "0", client) &&
             WritePrivateProfileString("KIVCnt", "Language", "1", client);
    }
    return ok && WriteWholeFile(cfg + "KIV_ML.xml", kEmbeddedMLFile);
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

std::string ConnectionIniPath(const std::string& root) {
    return root + "/Client/cfg/KIV4Connstr.ini";
}
