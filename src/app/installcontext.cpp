#include "app/installcontext.h"

#include <algorithm>

#include "sql/sqlite/sqlitefile.h"

bool InsertRows(SQLiteFile& db, const InstallContext& ctx, const std::string& table,
                std::vector<std::string> columns, std::vector<Row> rows, std::string& error) {
    if (std::find(columns.begin(), columns.end(), "RowModified") == columns.end()) {
        columns.push_back("RowModified");
        for (auto& row : rows)
            row.push_back(ctx.today.ToText());
    }
    return InsertRows(db, table, columns, rows, error);
}
