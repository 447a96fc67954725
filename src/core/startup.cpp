#include "core/startup.h"

#include <cstdio>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/mltext.h"
#include "core/version.h"
#include "platform/eventloop.h"
#include "platform/hostinfo.h"
#include "platform/inifile.h"
#include "platform/instancelock.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/textutil.h"
#include "platform/userinterface.h"
#include "registry/client.h"
#include "registry/colorstorage.h"
#include "registry/crypto.h"
#include "registry/dbconnections.h"

const char* const kRegistryKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorin\\KIV4";

namespace {

constexpr const char* kModule = "modMain";

std::string StripQuotes(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != '"') out += c;
    return out;
}

int ReadClientInt(const std::string& key, int def) {
    return GetPrivateProfileInt("KIVCnt", key, def, g_oConfig->ClientIniPath());
}

void ShowCritical(const std::string& english) {
    UI().MessageBox(GetMLText(english), MsgIcon::Critical, "CulinaroTable");
}

}  // namespace

namespace {

// Joins a hyphen and the blanks after it with the following word ("- i" is
// "-i"). Inside double quotes only when `inQuotes`: there the blanks belong
// to a file name ("My - Folder"). Blanks inside quotes never split a token,
// so either way the tokens stand at the same positions.
std::string JoinHyphens(const std::string& line, bool inQuotes) {
    std::string s;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        if (c == ' ' && !s.empty() && s.back() == '-' && (inQuotes || !quoted)) continue;
        s += c;
    }
    return s;
}

}  // namespace

std::map<int, std::string> TokenizeCommandLine(const std::string& commandLine, bool lowerCase) {
    const std::string s = JoinHyphens(commandLine, lowerCase);
    std::map<int, std::string> tokens;
    std::string current;
    bool quoted = false;
    auto close = [&]() {
        int key = static_cast<int>(tokens.size());
        tokens[key] = lowerCase ? LowerAscii(current) : current;
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
        std::string t = Trim(token, " ");
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
    std::string user = Trim(read("User ID"), " ");
    if (user.empty()) {
        conn += ";Integrated Security=SSPI";
    } else {
        std::string login, password;
        bool ok = DecryptCredential(user, login);
        ok = ok && DecryptCredential(Trim(read("Password"), " "), password);
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
    if (Trim(root, " ").empty()) {
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
    SetInstallationColorOrder(ReadColorOrder(connIni, cfg.ConnectionString()));
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

namespace {

void ShowMessage(const std::string& text, MsgIcon icon) {
    UI().MessageBox(text, icon, "CulinaroTable");
}

bool FailInit(const std::string& logText) {
    WriteLog(logText, kModule, "InitGlobalObj", kLogError, 1);
    return false;
}

// 1 when the value is one of `accepted`, else 0.
int Accepted(int value, std::initializer_list<int> accepted) {
    for (int a : accepted)
        if (value == a) return value;
    return 0;
}

void ReadDisplaySettings() {
    Config& cfg = *g_oConfig;
    cfg.SetSeatPOS(Accepted(ReadClientInt("SeatPOS", 1), {0, 1, 2}));
    cfg.SetShowLegend(Accepted(ReadClientInt("ShowLegend", 1), {0, 1}));
    cfg.SetPanelPOS(Accepted(ReadClientInt("PanelPOS", 0), {0, 1}));
    cfg.SetWritePacketLog(ReadClientInt("WritePacketLog", 0) == 1);
}

void ReadLanguageSettings() {
    Config& cfg = *g_oConfig;
    int language = ReadClientInt("Language", 1);
    if (language != 1 && language != 2) language = 1;
    cfg.SetLanguage(language);
    g_nLanguage = static_cast<int16_t>(language);
    cfg.SetHighlightOptionDesc(ReadClientInt("HighlightOptionDesc", 0) == 1);
    // The key is read but the summary setting stays 1 whatever it holds.
    cfg.SetStatSummaryView(1);
    (void)ReadClientInt("StatSummaryView", 1);
    cfg.SetStatSummaryView(1);
}

bool LoadServers(SQLDB& db) {
    g_oDBConns = std::make_unique<DBConnections>();
    g_oDBConns->SetDefaultConnString(g_oConfig->ConnectionString());
    if (g_oConfig->ConnectionString().empty()) {
        ShowMessage(GetMLText("Default database is not defined"), MsgIcon::Critical);
        return FailInit("Dafault database connection string is empty");
    }
    if (!g_oDBConns->Load(db)) {
        ShowMessage(GetMLText("Cannot connect to default database") + " (" +
                        std::to_string(g_oDBConns->ErrNumber()) + ")",
                    MsgIcon::Critical);
        return FailInit("Load g_oDBConns fail" + g_oDBConns->ErrDescription());
    }
    return true;
}

bool LoadWorkstation(SQLDB& db) {
    g_oClient = std::make_unique<Client>();
    if (!g_oClient->Load(&db)) {
        ShowMessage(GetMLText("Cannont load client object"), MsgIcon::Critical);
        return FailInit("Load g_oClient fail");
    }
    g_oDBConns->SetDefaultDBID(g_oClient->DBServerID());
    if (g_oClient->DBServerID() == 0) {
        ShowMessage(GetMLText("This workstation is not registered."), MsgIcon::Critical);
        return FailInit("Load g_oClient fail");
    }
    return true;
}

}  // namespace

bool InitGlobalObj() {
    // The connection to the default database, used for the loads below.
    static SQLDB defaultDB;
    defaultDB.SetKeepConnection(true);
    defaultDB.SetConnectionString(g_oConfig->ConnectionString());
    if (!LoadServers(defaultDB) || !LoadWorkstation(defaultDB)) return false;
    if (!g_oConfig->Load(defaultDB)) return FailInit("Load g_oConfig fail");
    ReadDisplaySettings();
    if (!CreateMultiLang(JoinPath(g_oConfig->BinPath(), "../cfg/KIV_ML.xml")))
        ShowMessage(GetMLText("Failed to load ML file, English will be displayed"),
                    MsgIcon::Exclamation);
    ReadLanguageSettings();
    g_oGlobalValues.clear();
    g_oGlobalValues["ClientID"] = std::to_string(g_oClient->ClientID());
    return true;
}

bool UpdateKIV() {
    const char* proc = "UpdateKIV";
    std::string temp = JoinPath(g_oConfig->BinPath(), "../Temp/Update");
    if (!CreateFolderPath(temp)) {
        WriteLog("Create temp folder fail (" + temp + ")", kModule, proc, kLogError, 1);
        return false;
    }
    SQLDB* db = DefaultSQLDB();
    const std::string sql = "Select UpdateFile From tbl_UpdateFile";
    std::shared_ptr<Recordset> rs = db != nullptr ? db->RunSQLReturnRS(sql) : nullptr;
    if (rs == nullptr || rs->Eof()) {
        UI().SetStatus(GetMLText("Return Recordset is nothing."));
        WriteLog("Return Recordset is nothing.SQL=" + sql, kModule, proc, kLogError, 1);
        return false;
    }
    UI().SetStatus(GetMLText("Download from field to local file..."));
    std::string zip = JoinPath(temp, "Update.zip");
    // A package left by an earlier attempt would make every later one fail.
    std::remove(zip.c_str());
    if (!BlobToFile(rs.get(), "UpdateFile", zip)) {
        std::string text = "Save File From Database to file (" + zip + ") fail.";
        UI().SetStatus(text);
        WriteLog(text, kModule, proc, kLogError, 1);
        return false;
    }
    UI().SetStatus(GetMLText("Unzip update file at temp folder..."));
    std::string command = "unzip  -o \"" + zip + "\" -d \"" + temp + "\"";
    int exitCode = -1;
    std::string updater = JoinPath(temp, "CulinaroTableUpdate");
    // A broken package must not pass for an update: the program would end
    // without one.
    bool ok = ShellAndWait(
                  command, [] { MainLoop().Poll(); }, &exitCode) &&
              exitCode == 0 && StartProcess(updater);
    if (!ok) {
        UI().SetStatus(GetMLText("Unzip report file fail."));
        WriteLog("Unzip report file fail (" + command + ")", kModule, proc, kLogError, 1);
        return false;
    }
    return true;
}

namespace {

// Step 7: true when the updater runs and this program must end.
bool OfferUpdate() {
    if (g_bInIDE || g_oConfig->ServerVersion() == g_sAppVersion) return false;
    UI().SetStatus(GetMLText("There is a new version!"));
    return UpdateKIV();
}

void ReadLastOutlets() {
    g_oConfig->SetRecallLastOutlet(ReadClientInt("RecallLastOutlet", 0) == 1);
    const char* keys[] = {"OutletNP", "OutletCV", "OutletFV", "OutletPV", "OutletNR"};
    for (std::size_t i = 0; i < g_lLastOutlet.size(); ++i)
        g_lLastOutlet[i] = ReadClientInt(keys[i], 0);
}

}  // namespace

int Main(const StartupOptions& options, const std::function<int()>& signIn) {
    g_nScreenWidthPx = 0;  // a console has no screen size in pixels
    g_nScreenHeightPx = 0;
    UI().SetStatus("CulinaroTable " CT_VERSION_TEXT);
    CommandLineOptions cmd = ReadCommandLine(options.commandLine);
    static InstanceLock lock;
    if (cmd.singleInstance && !lock.TryAcquire(PlatformComputerName())) {
        // A lock that cannot be made is no proof of another copy: say what failed.
        if (!lock.Failure().empty()) {
            UI().MessageBox(GetMLText("The single-instance check failed") + ": " + lock.Failure(),
                            MsgIcon::Critical, "CulinaroTable");
            return 1;
        }
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
    if (OfferUpdate()) return 0;
    ArchiveLog(g_oConfig->LogArchivedPeriod());
    ReadLastOutlets();
    return signIn ? signIn() : 0;
}
