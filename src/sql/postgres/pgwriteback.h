#pragma once
// Updatable recordsets on a PostgreSQL session, whichever client library
// carries it. PostgreSQL rows have no stable row id a client may keep, so a
// recordset writes back through the single integer key of its one table:
// the primary key, or else the identity column. The client only says where
// the result's columns came from (libpq: table OID and column number; ODBC:
// the driver's base table and column names).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sql/dbengine.h"
#include "sql/postgres/pgbatch.h"

struct PgKey {
    std::string Column;  // "" when the table has no integer key
    std::string Table;   // the table's own name (lower case as stored)
    int Number = -1;     // the column's attnum
};

// The key of `table` (a name as SQL writes it: quoted keeps its case), or of
// the table with OID `oid`. Empty Column when there is none or no such table.
PgKey PgKeyOf(PgClient& client, const std::string& table);
PgKey PgKeyOf(PgClient& client, uint32_t oid);

// Row ids of an updatable request: the key values of `rows` read from column
// `column` (the one holding key.Column), for `out`'s first result set.
void PgSetRowIds(const Recordset& rows, int column, const PgKey& key, BatchOutput& out);

// The same for a client that names each column's base table and column in
// the rows' FieldInfo: false when the rows come from no single table or do
// not hold its key.
bool PgRowIdsByBaseNames(PgClient& client, const Recordset& rows, BatchOutput& out);

// Writes one row of `table` back: an INSERT (the new key in `rowId`) or an
// UPDATE of the row `rowId`, `values` by column name. `refreshed` receives the
// row as stored (defaults and identity filled in); @@IDENTITY follows an
// INSERT as it does for a batch's.
bool PgWriteRow(PgClient& client, PgIdentity& identity, const std::string& table, bool isNew,
                int64_t& rowId, const std::vector<std::pair<std::string, Variant>>& values,
                std::vector<std::pair<std::string, Variant>>& refreshed, DBError& err);
