#include "core/startup.h"

#include <cctype>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/mltext.h"
#include "core/version.h"
#include "data/crypto.h"
#include "platform/hostinfo.h"
#include "platform/inifile.h"
#include "platform/instancelock.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/userinterface.h"

const char* const kRegistryKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorin\\KIV4";

namespace {

constexpr const char* kModule = "modMain";

std::string Trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    std::size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string StripQuotes(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != '"') out += c;
    return out;
}

void ShowCritical(const std::string& english) {
    UI().MessageBox(GetMLText(english), MsgIcon::Critical, "CulinaroTable");
}

}  // namespace

std::map<int, std::string> TokenizeCommandLine(const std::string& commandLine, bool lowerCase) {
    std::string s = commandLine;
    for (std::size_t p; (p = s.find("- ")) != std::string::npos;)
        s.erase(p + 1, 1);
    std::map<int, std::string> tokens;
    std::string current;
    bool quoted = false;
    auto close = [&]() {
        int key = static_cast<int>(tokens.size());
        tokens[key] = lowerCase ? Lower(current) : current;
        current.clear();
    };
    for (char c : s) {
        if (c == ' ' && !quoted) {
            close();
            continue;
        }
        if (c == '"') quoted = !quoted;
        current += c;
    }
    if (!current.empty()) close();
    return tokens;
}

std::map<int, std::string> ParseCommandLine(const std::string& commandLine) {
    return TokenizeCommandLine(commandLine, true);
}

CommandLineOptions ReadCommandLine(const std::string& commandLine) {
    CommandLineOptions opt;
    auto tokens = ParseCommandLine(commandLine);
    auto original = TokenizeCommandLine(commandLine, false);
    for (const auto& [pos, token] : tokens) {
        std::string t = Trim(token);
        if (t == "-si") {
            opt.singleInstance = true;
        } else if (t == "-i" && tokens.count(pos + 1) != 0) {
            opt.connIniToken = tokens.at(pos + 1);
            // Linux paths are case-sensitive and quotes are real characters:
            // open the file as the user typed it.
            opt.connIniPath = StripQuotes(original.at(pos + 1));
        }
    }
    return opt;
}

std::string GetConnStr(const std::string& path) {
    auto read = [&](const char* key) {
        return GetPrivateProfileString("DB", key, "", path, kIniShortBuffer);
    };
    std::string conn = read("ConnStr") + ";Data Source=" + read("Data Source");
    std::string user = Trim(read("User ID"));
    if (user.empty()) {
        conn += ";Integrated Security=SSPI";
    } else {
        std::string login, password;
        bool ok = DecryptCredential(user, login);
        ok = ok && DecryptCredential(Trim(read("Password")), password);
        if (!ok) {
            WriteLog("Decrypt fail", kModule, "GetConnStr", kLogError, 1);
            return {};
        }
        conn += ";User ID=" + login + ";Password=" + password;
    }
    std::string app = g_oConfig != nullptr ? g_oConfig->AppName() : "KIV";
    return conn + ";Application Name=" + app;
}

bool InitSetting(const CommandLineOptions& options, const std::string& rootOverride) {
    g_oConfig = std::make_unique<Config>();
    Config& cfg = *g_oConfig;
    cfg.SetAppName("KIV");
    std::string root =
        rootOverride.empty() ? ReadRegistryString(kRegistryKey, "Path") : rootOverride;
    // Without a root every path would land at the top of the file system.
    if (Trim(root).empty()) {
        ShowCritical("The installation root is not set (registry value Path or --root DIR)");
        return false;
    }
    cfg.SetInstallRoot(NormalPath(root));
    cfg.SetBinPath(JoinPath(cfg.InstallRoot(), "Client/bin"));
    cfg.SetLogFolder("../Log/");
    cfg.SetClientIniPath(JoinPath(cfg.BinPath(), "../cfg/KIV4Client.ini"));
    // The program folder stands for "the folder of the executable": the
    // programs are installed outside the installation root on Linux.
    std::string connIni = options.connIniPath.empty()
                              ? JoinPath(cfg.BinPath(), "../cfg/KIV4Connstr.ini")
                              : options.connIniPath;
    cfg.SetConnectionString(GetConnStr(connIni));
    int level = GetPrivateProfileInt("KIV", "LogLevel", 1, cfg.ClientIniPath());
    cfg.SetLogLevel(level < 0 || level > 3 ? 1 : level);
    int period = GetPrivateProfileInt("KIV", "LogArchivedPeriod", 4, cfg.ClientIniPath());
    cfg.SetLogArchivedPeriod(period < 2 ? 4 : period);
    std::string iniFolder = JoinPath(cfg.ClientIniPath(), "..");
    if (!FolderExists(iniFolder) && !CreateFolderPath(iniFolder)) {
        WriteLog("Create folder fail (" + iniFolder + ")", kModule, "InitSetting", kLogError, 1);
        return false;
    }
    return true;
}

bool InitGlobalObj() {
    WriteLog("The database layer is not available", kModule, "InitGlobalObj", kLogError, 1);
    return false;
}

int Main(const StartupOptions& options, const std::function<int()>& signIn) {
    g_nScreenWidthPx = 0;  // a console has no screen size in pixels
    g_nScreenHeightPx = 0;
    UI().SetStatus("CulinaroTable " CT_VERSION_TEXT);
    CommandLineOptions cmd = ReadCommandLine(options.commandLine);
    static InstanceLock lock;
    if (cmd.singleInstance && !lock.TryAcquire(PlatformComputerName())) {
        UI().MessageBox(GetMLText("Another instance of KIV is already running"),
                        MsgIcon::Exclamation, "CulinaroTable");
        return 2;
    }
    bool ok = InitSetting(cmd, options.rootOverride);
    g_nLanguage = 1;
    ok = ok && InitGlobalObj();
    if (!ok) {
        ShowCritical("Application cannot start due to incorrect setup");
        return 1;
    }
    return signIn ? signIn() : 0;
}
