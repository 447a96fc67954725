#include "app/adminworkstations.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

#include "core/mltext.h"
#include "platform/textutil.h"
#include "sql/sqldb.h"

namespace {

// tbl_Client.ComputerName holds 100 characters, ClientCode 20.
constexpr std::size_t kMaxName = 100;
constexpr std::size_t kMaxCode = 20;

// The statements below are T-SQL, so every engine behind SQLDB runs them.
const std::string kWorkstation = " ClientType = N'W' AND IPAddress = ";

bool Open(const InstallationTarget& target, SQLDB& db, std::ostream& err) {
    std::string connection, error;
    if (!TargetConnection(target, connection, error)) {
        err << error << "\n";
        return false;
    }
    db.SetKeepConnection(true);
    db.SetConnectionString(connection);
    return true;
}

// Reports a failed statement; the command's exit status.
int Fail(SQLDB& db, std::ostream& err) {
    err << GetMLText("Cannot reach the installation's database") << ": " << db.ErrDescription()
        << "\n";
    return 1;
}

// The first row's column, or `def` when there is no row.
bool QueryInt(SQLDB& db, const std::string& sql, int& value, std::ostream& err, int def = 0) {
    auto rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        Fail(db, err);
        return false;
    }
    value = rs->Eof() ? def : FieldLng(rs.get(), "V", def);
    return true;
}

// The server given, checked, or the first active one when none is given.
bool PickServer(SQLDB& db, int wanted, int& server, std::ostream& err) {
    const std::string active =
        "SELECT MIN(DBServerID) AS V FROM tbl_DBServer WHERE RowStatus = N'A'";
    if (!QueryInt(db, wanted > 0 ? active + " AND DBServerID = " + std::to_string(wanted) : active,
                  server, err))
        return false;
    if (server > 0) return true;
    if (wanted > 0)
        err << GetMLText("Unknown database server") << ": " << wanted << "\n";
    else
        err << GetMLText("The installation lists no active database server") << "\n";
    return false;
}

std::string Described(const std::string& name, int client, int server) {
    return name + " (" + GetMLText("client") + " " + std::to_string(client) + ", " +
           GetMLText("database server") + " " + std::to_string(server) + ")";
}

bool CheckName(const std::string& name, std::ostream& err) {
    if (name.empty() || name.size() > kMaxName) {
        err << GetMLText("A workstation name of 1 to 100 characters is needed") << "\n";
        return false;
    }
    return true;
}

}  // namespace

int RegisterWorkstation(const RegisterOptions& options, std::ostream& out, std::ostream& err) {
    const std::string name = Trim(options.name);
    SQLDB db;
    if (!CheckName(name, err) || !Open(options.target, db, err)) return 1;
    const std::string match = kWorkstation + SQLStr(name);
    int client = 0, server = 0;
    if (!QueryInt(db,
                  "SELECT MIN(ClientID) AS V FROM tbl_Client WHERE RowStatus = N'A' AND" + match,
                  client, err))
        return 1;
    if (client > 0) {
        int current = 0;
        if (!QueryInt(
                db,
                "SELECT DBServerID AS V FROM tbl_Client WHERE ClientID = " + std::to_string(client),
                current, err))
            return 1;
        if (options.server <= 0 || options.server == current) {
            out << GetMLText("Workstation already registered") << ": "
                << Described(name, client, current) << "\n";
            return 0;
        }
        if (!PickServer(db, options.server, server, err)) return 1;
        if (!db.RunSQLNoReturn(
                "UPDATE tbl_Client SET DBServerID = " + std::to_string(server) +
                ", RowModified = GetDate() WHERE ClientID = " + std::to_string(client)))
            return Fail(db, err);
        out << GetMLText("Workstation moved") << ": " << Described(name, client, server) << "\n";
        return 0;
    }
    if (!PickServer(db, options.server, server, err)) return 1;
    // A desk registered again keeps its ID, which the audit columns of the
    // rows it wrote refer to.
    if (!QueryInt(db,
                  "SELECT MAX(ClientID) AS V FROM tbl_Client WHERE RowStatus = N'D' AND" + match,
                  client, err))
        return 1;
    std::string code = options.code.empty() ? UpperAscii(name) : options.code;
    if (code.size() > kMaxCode) code.resize(kMaxCode);
    if (client > 0) {
        if (!db.RunSQLNoReturn(
                "UPDATE tbl_Client SET RowStatus = N'A', DBServerID = " + std::to_string(server) +
                ", RowModified = GetDate() WHERE ClientID = " + std::to_string(client)))
            return Fail(db, err);
    } else {
        auto rs = db.RunSQLReturnRS(
            "INSERT INTO tbl_Client (DBServerID, ClientCode, ClientType, NameL1, IPAddress, "
            "ComputerName, Location, RowStatus, RowModified) VALUES (" +
            std::to_string(server) + ", " + SQLStr(code) + ", N'W', " + SQLStr(name) + ", " +
            SQLStr(name) + ", " + SQLStr(name) + ", " + SQLStr(options.location) +
            ", N'A', GetDate()) SELECT @@IDENTITY AS ID");
        auto last = LastRecordset(rs);
        if (last == nullptr) return Fail(db, err);
        client = FieldLng(last.get(), "ID");
    }
    out << GetMLText("Workstation registered") << ": " << Described(name, client, server) << "\n";
    return 0;
}

int UnregisterWorkstation(const InstallationTarget& target, const std::string& rawName,
                          std::ostream& out, std::ostream& err) {
    const std::string name = Trim(rawName);
    SQLDB db;
    if (!CheckName(name, err) || !Open(target, db, err)) return 1;
    int64_t changed = 0;
    if (!db.RunSQLNoReturn(
            "UPDATE tbl_Client SET RowStatus = N'D', RowModified = GetDate() WHERE RowStatus = "
            "N'A' AND" +
                kWorkstation + SQLStr(name),
            &changed))
        return Fail(db, err);
    if (changed == 0) {
        err << GetMLText("Workstation not registered") << ": " << name << "\n";
        return 1;
    }
    out << GetMLText("Workstation unregistered") << ": " << name << "\n";
    return 0;
}

int ListWorkstations(const InstallationTarget& target, std::ostream& out, std::ostream& err) {
    SQLDB db;
    if (!Open(target, db, err)) return 1;
    auto rs = db.RunSQLReturnRS(
        "SELECT ClientID, ClientCode, IPAddress, DBServerID, Location FROM tbl_Client WHERE "
        "RowStatus = N'A' AND ClientType = N'W' ORDER BY ClientID");
    if (rs == nullptr) return Fail(db, err);
    for (; !rs->Eof(); rs->MoveNext())
        out << FieldLng(rs.get(), "ClientID") << "\t" << FieldStr(rs.get(), "ClientCode") << "\t"
            << FieldStr(rs.get(), "IPAddress") << "\t" << FieldLng(rs.get(), "DBServerID") << "\t"
            << FieldStr(rs.get(), "Location") << "\n";
    return 0;
}

void AddWorkstationCommands(CLI::App& app, std::ostream& out, std::ostream& err, int& status) {
    auto reg = app.add_subcommand("register",
                                  "register workstation NAME (computer name or IP address) in "
                                  "the installation");
    auto options = std::make_shared<RegisterOptions>();
    reg->add_option("NAME", options->name, "computer name or IP address")->required();
    reg->add_option("--server", options->server,
                    "ID of the workstation's default database server (default: the first)")
        ->check(CLI::Range(1, 2147483647));
    reg->add_option("--code", options->code, "workstation code (default: NAME in upper case)");
    reg->add_option("--location", options->location, "where the workstation stands");
    AddTargetOptions(reg, options->target);
    reg->callback(
        [options, &out, &err, &status] { status = RegisterWorkstation(*options, out, err); });

    auto unreg = app.add_subcommand("unregister", "remove workstation NAME from the installation");
    auto target = std::make_shared<InstallationTarget>();
    auto name = std::make_shared<std::string>();
    unreg->add_option("NAME", *name, "computer name or IP address")->required();
    AddTargetOptions(unreg, *target);
    unreg->callback([target, name, &out, &err, &status] {
        status = UnregisterWorkstation(*target, *name, out, err);
    });

    auto list = app.add_subcommand("workstations", "list the registered workstations");
    auto listTarget = std::make_shared<InstallationTarget>();
    AddTargetOptions(list, *listTarget);
    list->callback(
        [listTarget, &out, &err, &status] { status = ListWorkstations(*listTarget, out, err); });
}
