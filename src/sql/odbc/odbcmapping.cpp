#include "sql/odbc/odbcmapping.h"

#include <cctype>

#include "platform/textutil.h"
#include "sql/odbc/odbcconnection.h"
#include "sql/sqldb.h"

namespace {

std::string Property(const ConnectionProperties& props, std::initializer_list<const char*> keys) {
    for (const char* k : keys) {
        auto it = props.find(k);
        if (it != props.end()) return Trim(it->second);
    }
    return {};
}

bool IsTrue(const std::string& value) {
    std::string v = LowerAscii(Trim(value));
    return v == "sspi" || v == "true" || v == "yes";
}

int32_t LoginTimeout(const ConnectionProperties& props) {
    std::string text = Property(props, {"connect timeout", "connection timeout", "timeout"});
    if (text.empty()) return 15;
    try {
        int v = std::stoi(text);
        return v < 0 ? 15 : v;
    } catch (...) {
        return 15;
    }
}

void Append(std::string& out, const char* key, const std::string& value) {
    if (value.empty()) return;
    if (!out.empty()) out += ';';
    out += key;
    out += '=';
    out += OdbcValue(value);
}

bool IsNamePart(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '#' || c == '$' ||
           c == '@';
}

// Letters, digits and _#$@ in parts joined by dots, each part optionally in
// brackets (without brackets inside).
bool IsPlainName(const std::string& name) {
    if (name.empty()) return false;
    std::size_t i = 0;
    while (i < name.size()) {
        std::size_t start = i;
        if (name[i] == '[') {
            std::size_t close = name.find(']', i);
            if (close == std::string::npos || close == i + 1) return false;
            if (name.find('[', i + 1) < close) return false;
            i = close + 1;
        } else {
            while (i < name.size() && IsNamePart(name[i]))
                ++i;
            if (i == start) return false;
        }
        if (i == name.size()) return true;
        if (name[i] != '.') return false;
        ++i;
        if (i == name.size()) return false;
    }
    return true;
}

std::string ParamName(const std::string& name) {
    std::string n = Trim(name);
    return n.empty() || n[0] == '@' ? n : "@" + n;
}

}  // namespace

bool IsSqlServerProvider(const std::string& provider) {
    std::string p = LowerAscii(Trim(provider));
    std::size_t dot = p.find('.');
    if (dot != std::string::npos) p.erase(dot);
    auto versioned = [&p](const std::string& base) {
        if (p.rfind(base, 0) != 0) return false;
        for (std::size_t i = base.size(); i < p.size(); ++i)
            if (!std::isdigit(static_cast<unsigned char>(p[i]))) return false;
        return true;
    };
    return p == "sqloledb" || versioned("sqlncli") || versioned("msoledbsql");
}

bool MapSqlServerConnection(const ConnectionProperties& props, OdbcLogin& login,
                            std::string& error) {
    if (IsTrue(Property(props, {"integrated security", "trusted_connection"}))) {
        error =
            "Integrated Security (Windows sign-in) cannot be used from this workstation: give a "
            "SQL Server login (User ID and Password) in the connection settings.";
        return false;
    }
    std::string source =
        Property(props, {"data source", "server", "address", "addr", "network address"});
    if (LowerAscii(source).rfind("tcp:", 0) == 0) source = Trim(source.substr(4));
    if (source.empty()) {
        error = "The connection string names no Data Source (the SQL Server to connect to).";
        return false;
    }
    std::string host = source, instance, port;
    std::size_t comma = host.find(',');
    if (comma != std::string::npos) {
        port = Trim(host.substr(comma + 1));
        host = Trim(host.substr(0, comma));
    }
    std::size_t slash = host.find('\\');
    if (slash != std::string::npos) {
        instance = Trim(host.substr(slash + 1));
        host = Trim(host.substr(0, slash));
    }
    for (char c : port)
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            error = "The port in Data Source \"" + source + "\" is not a number.";
            return false;
        }
    std::string lower = LowerAscii(host);
    if (lower == "(local)" || lower == "." || lower == "(localdb)") host = "localhost";
    if (host.empty()) {
        error = "The connection string names no Data Source (the SQL Server to connect to).";
        return false;
    }
    std::string out;
    std::string driver = Property(props, {"driver"});
    Append(out, "Driver", driver.empty() ? "FreeTDS" : driver);
    // A port names the instance's listener directly; without one FreeTDS
    // asks the server's browser service where the named instance listens.
    Append(out, "Server", port.empty() && !instance.empty() ? host + "\\" + instance : host);
    Append(out, "Port", port);
    Append(out, "Database", Property(props, {"initial catalog", "database"}));
    Append(out, "UID", Property(props, {"user id", "uid", "user"}));
    Append(out, "PWD", Property(props, {"password", "pwd"}));
    Append(out, "APP", Property(props, {"application name", "app"}));
    Append(out, "WSID", Property(props, {"workstation id", "wsid"}));
    Append(out, "TDS_Version", Property(props, {"tds version", "tds_version"}));
    // Text crosses the driver as UTF-8, whatever the server's code page.
    Append(out, "ClientCharset", "UTF-8");
    login.ConnectionString = out;
    login.LoginTimeout = LoginTimeout(props);
    return true;
}

bool MapOdbcConnection(const ConnectionProperties& props, OdbcLogin& login, std::string& error) {
    ConnectionProperties keys = props;
    // A value written the ODBC way, {in braces}, is taken as it is meant.
    for (auto& [key, value] : keys) {
        std::string v = Trim(value);
        if (v.size() < 2 || v.front() != '{' || v.back() != '}') continue;
        std::string inner;
        for (std::size_t i = 1; i + 1 < v.size(); ++i) {
            inner += v[i];
            if (v[i] == '}' && v[i + 1] == '}') ++i;
        }
        value = inner;
    }
    // Start-up and tbl_DBServer add the login as User ID and Password (cipher
    // text in the INI) and the server as Data Source: they become ODBC's
    // UID, PWD and, without Driver= or DSN=, the data source name.
    auto rename = [&keys](const char* from, const char* to) {
        auto it = keys.find(from);
        if (it == keys.end()) return;
        if (!Trim(it->second).empty() && keys.count(to) == 0) keys[to] = it->second;
        keys.erase(it);
    };
    rename("user id", "uid");
    rename("password", "pwd");
    if (keys.count("driver") == 0 && keys.count("filedsn") == 0) rename("data source", "dsn");
    if (Property(keys, {"driver", "dsn", "filedsn"}).empty()) {
        error = "Provider=ODBC needs Driver= (a driver odbcinst -q -d lists) or DSN=.";
        return false;
    }
    std::string out;
    // The driver first: the driver manager reads it before the rest.
    for (const char* key : {"driver", "dsn", "filedsn"}) {
        auto it = keys.find(key);
        if (it != keys.end()) Append(out, key, it->second);
    }
    for (const auto& [key, value] : keys) {
        if (key == "provider" || key == "driver" || key == "dsn" || key == "filedsn" ||
            key == "connect timeout" || key == "connection timeout")
            continue;
        if (!out.empty()) out += ';';
        out += key + "=" + OdbcValue(value);
    }
    // PostgreSQL's driver by default wraps every statement of a transaction
    // in a savepoint of its own and rolls back to it on failure: two more
    // statements each time, and a transaction that goes on where the libpq
    // engine's (the server's own behaviour) is aborted. Level 0 leaves the
    // server's behaviour as it is, so both clients fail alike; a setting
    // given in the string, or a DSN's, stands.
    if (LowerAscii(Property(keys, {"driver"})).find("postgres") != std::string::npos &&
        keys.count("protocol") == 0 && keys.count("a1") == 0)
        out += ";protocol=7.4-0";
    login.ConnectionString = out;
    login.LoginTimeout = LoginTimeout(props);
    return true;
}

std::string SqlServerTypeOfAdo(int adoType, int32_t size) {
    auto sized = [size](const char* base, int32_t limit) {
        if (size <= 0 || size > limit) return std::string(base) + "(" + std::to_string(limit) + ")";
        return std::string(base) + "(" + std::to_string(size) + ")";
    };
    switch (adoType) {
        case 2:
            return "SMALLINT";
        case 3:
            return "INT";
        case 4:
            return "REAL";
        case 5:
            return "FLOAT";
        case 6:
            return "MONEY";
        case 7:
        case 133:
        case 135:
            return "DATETIME";
        case 11:
            return "BIT";
        case 14:
        case 131:
            return "DECIMAL(38, 10)";
        case 16:
        case 17:
            return "TINYINT";
        case 20:
            return "BIGINT";
        case 72:
            return "UNIQUEIDENTIFIER";
        case 128:
        case 204:
            return sized("VARBINARY", 8000);
        case 129:
        case 200:
            return sized("VARCHAR", 8000);
        case 201:
            return "VARCHAR(MAX)";
        case 203:
            return "NVARCHAR(MAX)";
        case 205:
            return "VARBINARY(MAX)";
        default:
            return sized("NVARCHAR", 4000);
    }
}

bool SqlServerCallBatch(const std::string& procedure, const std::vector<ProcedureArg>& args,
                        std::string& batch, std::vector<Variant>& params, std::string& error) {
    std::string name = Trim(procedure);
    if (!IsPlainName(name)) {
        error = "Not a procedure name: '" + procedure + "'.";
        return false;
    }
    std::string declare = "DECLARE @ct_return INT", call, select = "SELECT @ct_return";
    std::vector<Variant> initial, inputs;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const ProcedureArg& a = args[i];
        std::string named = ParamName(a.Name);
        if (!named.empty() && !IsPlainName(named)) {
            error = "Not a parameter name: '" + a.Name + "'.";
            return false;
        }
        std::string value;
        if (a.Direction == adParamOutput || a.Direction == adParamInputOutput) {
            std::string var = "@ct_out" + std::to_string(i + 1);
            declare += ", " + var + " " + SqlServerTypeOfAdo(a.Type, a.Size);
            if (a.Direction == adParamInputOutput) {
                declare += " = ?";
                initial.push_back(a.Value);
            }
            value = var + " OUTPUT";
            select += ", " + var + " AS " + SQLDB::EscapeName(named.empty() ? var : named);
        } else {
            value = "?";
            inputs.push_back(a.Value);
        }
        call += (call.empty() ? " " : ", ") + (named.empty() ? value : named + " = " + value);
    }
    batch = declare + "; EXEC @ct_return = " + name + call + "; " + select;
    params = std::move(initial);
    params.insert(params.end(), inputs.begin(), inputs.end());
    return true;
}
