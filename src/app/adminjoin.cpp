#include "app/adminjoin.h"

#include <stdlib.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <ostream>

#include "app/installlayout.h"
#include "core/mltext.h"
#include "core/startup.h"
#include "platform/hostinfo.h"
#include "platform/inifile.h"
#include "platform/registry.h"
#include "platform/textutil.h"
#include "registry/client.h"
#include "registry/crypto.h"
#include "sql/dbengine.h"
#include "sql/sqldb.h"

namespace fs = std::filesystem;

namespace {

// The workstation reads each connection INI value into a 255-character
// buffer: a longer one would be cut and name another database or login.
constexpr std::size_t kMaxIniValue = kIniShortBuffer - 1;

// Splits at semicolons outside quoted values; each part keeps its text. A
// value is quoted when it starts with ' or "; a doubled quote stands for
// itself (the rule of ParseConnectionString).
std::vector<std::string> SplitParts(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(";=", start);
        if (end != std::string::npos && text[end] == '=') {
            std::size_t v = text.find_first_not_of(" \t", end + 1);
            if (v != std::string::npos && (text[v] == '"' || text[v] == '\'')) {
                const char q = text[v];
                for (++v; v < text.size(); ++v) {
                    if (text[v] != q) continue;
                    if (v + 1 < text.size() && text[v + 1] == q) {
                        ++v;
                        continue;
                    }
                    break;
                }
                end = v < text.size() ? v : text.size();
            }
            end = text.find(';', end);
        }
        if (end == std::string::npos) end = text.size();
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The value of a part, without the quotes a value may be wrapped in.
std::string PartValue(const std::string& value) {
    std::string v = Trim(value);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        const char q = v.front();
        std::string out;
        for (std::size_t i = 1; i + 1 < v.size(); ++i) {
            out += v[i];
            if (v[i] == q && v[i + 1] == q) ++i;
        }
        return out;
    }
    return v;
}

bool TooLong(const std::string& value, const char* what, std::string& error) {
    if (value.size() <= kMaxIniValue) return false;
    error = GetMLText("The connection setting is too long for the connection INI file") + ": " +
            what + " (" + std::to_string(value.size()) + " > " + std::to_string(kMaxIniValue) + ")";
    return true;
}

// What a desk's connection INI holds for `parts`; a relative database file of
// the embedded engine is made absolute, since the workstation runs elsewhere.
bool MakeIni(ConnectionParts parts, ConnectionIni& ini, std::string& error) {
    const auto props = ParseConnectionString(parts.connStr);
    const auto provider = props.find("provider");
    if (provider != props.end() && LowerAscii(Trim(provider->second)) == "sqlite" &&
        fs::path(parts.dataSource).is_relative()) {
        std::error_code ec;
        parts.dataSource = fs::absolute(parts.dataSource, ec).lexically_normal().string();
    }
    ini.connStr = parts.connStr;
    ini.dataSource = parts.dataSource;
    ini.userCipher = parts.user.empty() ? "" : EncryptCredential(parts.user);
    ini.passwordCipher = parts.user.empty() ? "" : EncryptCredential(parts.password);
    return !TooLong(ini.connStr, "ConnStr", error) &&
           !TooLong(ini.dataSource, "Data Source", error) &&
           !TooLong(ini.userCipher, "User ID", error) &&
           !TooLong(ini.passwordCipher, "Password", error);
}

// A scratch copy of the connection INI, read back the way the workstation
// reads it, so the check below opens exactly the database the desk will.
class ScratchIni {
  public:
    explicit ScratchIni(const ConnectionIni& ini) {
        // mkstemp: a name nobody else can have placed (a link) beforehand.
        std::error_code ec;
        std::string name = (fs::temp_directory_path(ec) / "culinarotable-join-XXXXXX").string();
        const int fd = ::mkstemp(name.data());
        if (fd < 0) return;
        ::close(fd);
        path_ = name;
        ok_ = WriteConnectionIni(path_, ini);
    }
    ~ScratchIni() {
        std::error_code ec;
        if (!path_.empty()) fs::remove(path_, ec);
    }
    ScratchIni(const ScratchIni&) = delete;
    ScratchIni& operator=(const ScratchIni&) = delete;
    bool Ok() const { return ok_; }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    bool ok_ = false;
};

// Opens the database through the written settings and checks it is an
// installation: it lists at least one active database server. `registered`
// tells whether this computer is a workstation of it.
bool CheckInstallation(const ConnectionIni& ini, bool& registered, std::string& error) {
    ScratchIni scratch(ini);
    if (!scratch.Ok()) {
        error =
            GetMLText("Cannot write a scratch file in") + " " + fs::temp_directory_path().string();
        return false;
    }
    SQLDB db;
    db.SetKeepConnection(true);
    db.SetConnectionString(GetConnStr(scratch.Path()));
    auto rs = db.RunSQLReturnRS("SELECT COUNT(*) AS N FROM tbl_DBServer WHERE RowStatus = N'A'");
    if (rs == nullptr) {
        error = GetMLText("Cannot reach the installation's database") + ": " + db.ErrDescription();
        return false;
    }
    if (FieldLng(rs.get(), "N") == 0) {
        error = GetMLText(
            "The database lists no active database server: not an installation's "
            "default database");
        return false;
    }
    Client client;
    registered = client.Load(&db) && client.ClientID() != 0;
    db.Disconnect();
    return true;
}

// The Provider value of a connection string; "" when it has none.
std::string ProviderOf(const std::string& text) {
    for (const std::string& raw : SplitParts(text)) {
        const auto eq = raw.find('=');
        if (eq != std::string::npos && LowerAscii(Trim(raw.substr(0, eq))) == "provider")
            return Trim(PartValue(raw.substr(eq + 1)));
    }
    return {};
}

}  // namespace

bool SplitConnectionString(const std::string& text, ConnectionParts& parts, std::string& error) {
    parts = {};
    bool hasProvider = false;
    bool postgres = false;
    bool hasPassword = false;
    // Provider=ODBC hands its other keys to the driver as they stand: Server
    // and Host are the driver's own words there, and Driver=, DSN= or
    // FileDSN= name the database instead of Data Source.
    const bool odbc = LowerAscii(ProviderOf(text)) == "odbc";
    bool odbcTarget = false;
    for (const std::string& raw : SplitParts(text)) {
        const std::string part = Trim(raw);
        if (part.empty()) continue;
        const auto eq = part.find('=');
        if (eq == std::string::npos || Trim(part.substr(0, eq)).empty()) {
            error = GetMLText("Not a KEY=VALUE part of a connection string") + ": " + part;
            return false;
        }
        const std::string key = LowerAscii(Trim(part.substr(0, eq)));
        const std::string value = PartValue(part.substr(eq + 1));
        // Server and Host (libpq's word) name the database server as Data
        // Source does; User and Username are libpq's words for the login.
        if (odbc && (key == "driver" || key == "dsn" || key == "filedsn") && !value.empty())
            odbcTarget = true;
        if (key == "data source" || (!odbc && (key == "server" || key == "host"))) {
            parts.dataSource = value;
        } else if (key == "user id" || key == "uid" || key == "user" || key == "username") {
            parts.user = value;
        } else if (key == "password" || key == "pwd") {
            parts.password = value;
            hasPassword = true;
        } else if (key == "integrated security" || key == "application name") {
            continue;
        } else {
            if (key == "provider" && !value.empty()) {
                hasProvider = true;
                postgres = LowerAscii(value) == "postgresql";
            }
            parts.connStr += (parts.connStr.empty() ? "" : ";") + part;
        }
    }
    // Without a server PostgreSQL's client library takes its own default
    // (PGHOST, else the local socket): a desk on the database's computer.
    if (!hasProvider) {
        error = GetMLText("The connection string names no Provider");
    } else if (parts.dataSource.empty() && !postgres && !odbcTarget) {
        error = GetMLText("The connection string names no Data Source");
    } else if (parts.user.empty() && hasPassword && !parts.password.empty()) {
        error = GetMLText("The connection string gives a Password without a User ID");
    } else {
        return true;
    }
    return false;
}

bool JoinInstallation(const JoinOptions& options, std::ostream& out, std::ostream& err) {
    if (Trim(options.root).empty()) {
        err << GetMLText("No installation folder given") << "\n";
        return false;
    }
    const std::string root = AbsoluteRoot(options.root);
    const std::string connIni = ConnectionIniPath(root);
    if (fs::exists(connIni) && !options.force) {
        err << GetMLText(
                   "A desk is already set up in this folder (use --force to replace its "
                   "connection settings)")
            << ": " << root << "\n";
        return false;
    }
    ConnectionParts parts;
    ConnectionIni ini;
    std::string error;
    bool registered = false;
    if (!SplitConnectionString(options.conn, parts, error) || !MakeIni(parts, ini, error) ||
        !CheckInstallation(ini, registered, error)) {
        err << error << "\n";
        return false;
    }
    if (!MakeInstallFolders(root, false, err)) return false;
    if (!WriteConnectionIni(connIni, ini) || !WriteClientFiles(root)) {
        err << GetMLText("Cannot write the configuration files in") << ": " << root
            << "/Client/cfg\n";
        return false;
    }
    out << GetMLText("Desk joined") << ": " << root << "\n";
    out << "  " << ini.connStr << (ini.dataSource.empty() ? "" : ";Data Source=" + ini.dataSource)
        << (parts.user.empty() ? "" : ";User ID=" + parts.user) << "\n";
    if (options.registry) {
        if (!WriteRegistryString(kRegistryKey, "Path", root)) {
            err << GetMLText("Cannot write the registry file") << ": " << RegistryFilePath()
                << "\n";
            return false;
        }
        out << GetMLText("Installation root recorded in") << " " << RegistryFilePath() << "\n";
    }
    if (!registered) {
        const std::string name = PlatformComputerName();
        out << GetMLText("This computer is not registered yet") << " (" << name
            << "): culinarotable-admin register " << name << " --root " << root << "\n";
    }
    return true;
}

void AddJoinCommand(CLI::App& app, std::ostream& out, std::ostream& err, int& status) {
    auto* cmd = app.add_subcommand("join",
                                   "lay out a desk's installation root in DIR for an existing "
                                   "installation whose default database CONNECTION names");
    auto options = std::make_shared<JoinOptions>();
    cmd->add_option("DIR", options->root, "installation root of this desk")->required();
    cmd->add_option("--conn", options->conn,
                    "connection string of the installation's default database, for example "
                    "\"Provider=SQLite;Data Source=/srv/culinarotable/Data/KIVDB1.db\"")
        ->required();
    cmd->add_flag("--force", options->force,
                  "replace the connection settings of a desk already set up in DIR");
    cmd->add_flag("--registry", options->registry,
                  "record DIR as the installation root (registry value Path)");
    cmd->callback(
        [options, &out, &err, &status] { status = JoinInstallation(*options, out, err) ? 0 : 1; });
}
