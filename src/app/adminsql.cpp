#include "app/adminsql.h"

#include <cstdio>
#include <ostream>

#include "sql/sqldb.h"
#include "sql/sqldecimal.h"
#include "sql/sqltypes.h"

namespace {

// One value as printed: NULL, date-times in their storage form, bits as 1/0.
// Tabs and line breaks inside a text are written as \t, \r and \n so that a
// row stays on one line.
std::string Cell(const Variant& v, const FieldInfo& f) {
    switch (v.Type()) {
        case VarType::Null:
            return "NULL";
        case VarType::Boolean:
            return v.ToBool() ? "1" : "0";
        case VarType::Date: {
            SqlType kind = ParseTypeName(f.DeclaredType).type;
            return StorageText(*v.ToDateTime(), IsDateKind(kind) ? kind : SqlType::DateTime);
        }
        case VarType::Binary: {
            std::string r = "0x";
            char b[4];
            for (uint8_t c : v.ToBytes()) {
                std::snprintf(b, sizeof b, "%02X", c);
                r += b;
            }
            return r;
        }
        case VarType::Double: {
            // A DECIMAL shows all of its places, as SQL Server prints it: 1.010.
            TypeSpec type = ParseTypeName(f.DeclaredType);
            if (type.type != SqlType::Float || type.scale < 0) break;
            auto d = SqlDecimal::FromDouble(v.ToDouble());
            if (d) d = d->WithScale(type.scale);
            if (d) return d->ToString();
            break;
        }
        default:
            break;
    }
    std::string r;
    for (char c : v.ToText()) {
        if (c == '\t')
            r += "\\t";
        else if (c == '\n')
            r += "\\n";
        else if (c == '\r')
            r += "\\r";
        else
            r += c;
    }
    return r;
}

void PrintResult(const Recordset& rs, std::ostream& out) {
    if (!rs.IsOpen()) {
        int64_t n = rs.RecordsAffected();
        out << "(" << n << (n == 1 ? " row affected)" : " rows affected)") << "\n";
        return;
    }
    for (int i = 0; i < rs.FieldCount(); ++i)
        out << (i ? "\t" : "") << rs.FieldAt(i).Name;
    out << "\n";
    for (const auto& row : rs.Rows()) {
        for (int i = 0; i < rs.FieldCount(); ++i)
            out << (i ? "\t" : "") << Cell(row[static_cast<std::size_t>(i)], rs.FieldAt(i));
        out << "\n";
    }
}

}  // namespace

int RunAdminSql(const std::string& dbFile, const std::string& batch, std::ostream& out,
                std::ostream& err) {
    return RunAdminSqlOn("Provider=SQLite;Data Source=" + dbFile, batch, out, err);
}

int RunAdminSqlOn(const std::string& connectionString, const std::string& batch, std::ostream& out,
                  std::ostream& err) {
    SQLDB db;
    db.SetConnectionString(connectionString);
    db.SetKeepConnection(true);
    auto rs = db.RunSQLReturnRS(batch);
    if (!rs) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08X", static_cast<uint32_t>(db.ErrNumber()));
        err << "Error " << db.ErrNumber() << " (" << hex << "): " << db.ErrDescription() << "\n";
        return 1;
    }
    bool first = true;
    for (auto r = rs; r; r = r->NextRecordset()) {
        // A batch without results (DECLARE, SET, IF without rows) prints nothing.
        if (!r->IsOpen() && r->RecordsAffected() < 0) continue;
        if (!first) out << "\n";
        first = false;
        PrintResult(*r, out);
    }
    db.Disconnect();
    return 0;
}
