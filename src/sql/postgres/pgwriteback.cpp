#include "sql/postgres/pgwriteback.h"

#include "platform/textutil.h"

namespace {

std::string Quoted(const std::string& name) {
    std::string out = "\"";
    for (char c : LowerAscii(name))
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

}  // namespace

namespace {

// The key of the table `where` picks out of pg_class c.
PgKey KeyWhere(PgClient& client, const std::string& where, const std::vector<Variant>& params) {
    // A single-column primary key first; an identity column otherwise.
    const std::string sql =
        "SELECT a.attname, c.relname, a.attnum FROM pg_class c "
        "JOIN pg_attribute a ON a.attrelid = c.oid "
        "LEFT JOIN pg_index i ON i.indrelid = c.oid AND i.indisprimary AND i.indnatts = 1 "
        "AND a.attnum = i.indkey[0] WHERE " +
        where +
        " AND NOT a.attisdropped AND a.atttypid IN (20, 21, 23) "
        "AND (i.indrelid IS NOT NULL OR a.attidentity <> '') "
        "ORDER BY i.indrelid IS NULL LIMIT 1";
    PgKey key;
    StatementOutcome outcome;
    DBError ignored;
    if (!client.Run(sql, params, outcome, ignored, nullptr) || !outcome.Rows ||
        outcome.Rows->RecordCount() != 1)
        return key;
    const Recordset::Row& row = outcome.Rows->Rows()[0];
    key.Column = row[0].ToText();
    key.Table = row[1].ToText();
    key.Number = static_cast<int>(row[2].ToInt64());
    return key;
}

}  // namespace

PgKey PgKeyOf(PgClient& client, const std::string& table) {
    // to_regclass: an unknown name finds nothing instead of failing, which
    // would abort an open transaction.
    return KeyWhere(client, "c.oid = to_regclass(CAST($1 AS text))", {Variant(table)});
}

PgKey PgKeyOf(PgClient& client, uint32_t oid) {
    return KeyWhere(client, "c.oid = " + std::to_string(oid), {});
}

void PgSetRowIds(const Recordset& rows, int column, const PgKey& key, BatchOutput& out) {
    out.RowIds.clear();
    for (const Recordset::Row& row : rows.Rows())
        out.RowIds.push_back(row[static_cast<std::size_t>(column)].ToInt64());
    out.BaseTable = key.Table;
    out.HasRowIds = true;
}

bool PgRowIdsByBaseNames(PgClient& client, const Recordset& rows, BatchOutput& out) {
    std::string table;
    for (int c = 0; c < rows.FieldCount(); ++c) {
        const std::string& t = rows.FieldAt(c).BaseTable;
        if (t.empty()) continue;
        if (!table.empty() && LowerAscii(t) != LowerAscii(table)) return false;  // a join
        table = t;
    }
    if (table.empty()) return false;
    PgKey key = PgKeyOf(client, Quoted(table));
    if (key.Column.empty()) return false;
    for (int c = 0; c < rows.FieldCount(); ++c) {
        const FieldInfo& f = rows.FieldAt(c);
        if (f.BaseTable.empty() || LowerAscii(f.BaseColumn) != key.Column) continue;
        PgSetRowIds(rows, c, key, out);
        return true;
    }
    return false;
}

bool PgWriteRow(PgClient& client, PgIdentity& identity, const std::string& table, bool isNew,
                int64_t& rowId, const std::vector<std::pair<std::string, Variant>>& values,
                std::vector<std::pair<std::string, Variant>>& refreshed, DBError& err) {
    if (!isNew && values.empty()) return true;
    // Names are folded to lower case, as the T-SQL rewrite folds them.
    const std::string name = LowerAscii(table);
    const PgKey key = PgKeyOf(client, Quoted(name));
    if (key.Column.empty()) {
        err.Set(kErrSql, "Unsupported T-SQL construct: writing back rows of " + table +
                             ", which has no integer key, on PostgreSQL");
        return false;
    }
    std::vector<Variant> params;
    std::vector<std::string> columns;
    std::string list, marks;
    for (const auto& [column, value] : values) {
        params.push_back(value);
        columns.push_back(LowerAscii(column));
        std::string n = "$" + std::to_string(params.size());
        list += (list.empty() ? "" : ", ") + Quoted(column) + (isNew ? "" : " = " + n);
        marks += (marks.empty() ? "" : ", ") + n;
    }
    std::string sql;
    if (isNew) {
        sql = values.empty()
                  ? "INSERT INTO " + Quoted(name) + " DEFAULT VALUES"
                  : "INSERT INTO " + Quoted(name) + " (" + list + ") VALUES (" + marks + ")";
    } else {
        params.emplace_back(static_cast<long long>(rowId));
        sql = "UPDATE " + Quoted(name) + " SET " + list + " WHERE " + Quoted(key.Column) + " = $" +
              std::to_string(params.size());
    }
    StatementOutcome outcome;
    if (!client.Run(sql + " RETURNING *", params, outcome, err, nullptr)) return false;
    if (!outcome.Rows || outcome.Rows->RecordCount() != 1) {
        err.Set(kErrSql, "The row to write back no longer exists");
        return false;
    }
    const Recordset& row = *outcome.Rows;
    for (int i = 0; i < row.FieldCount(); ++i)
        refreshed.emplace_back(row.FieldAt(i).Name, row.Rows()[0][static_cast<std::size_t>(i)]);
    if (isNew) {
        const Variant* id = row.Field(key.Column);
        rowId = id != nullptr ? id->ToInt64() : 0;
        identity.AfterInsert(client, name, columns);
    }
    return true;
}
