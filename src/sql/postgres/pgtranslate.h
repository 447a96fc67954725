#pragma once
// T-SQL batches rewritten for PostgreSQL, one statement at a time. The
// rewrite works on tokens: quoted names, N'' and binary literals, dbo.
// prefixes, INSERT without INTO, TOP n, IsNull, GetDate(), Len, identity
// columns and the text and date types of CREATE TABLE and CAST. Whatever it
// cannot carry over with the same meaning (variables, procedural statements,
// EXEC, other databases) is refused with the construct's name.
#include <cstdint>
#include <string>
#include <vector>

// Values the engine binds at run time ($1, $2 ... in order).
enum class PgParam : uint8_t { RowCount, Identity };

struct PgStatement {
    enum class Kind : uint8_t { Query, Transaction, NoCountOn, NoCountOff };
    Kind kind = Kind::Query;
    std::string Sql;
    std::vector<PgParam> Params;
    bool Insert = false;  // its new identity feeds @@IDENTITY
    // INSERT: the target table and its column list (lower case), so that
    // explicit values of an identity column move its sequence on.
    std::string InsertTable;
    std::vector<std::string> InsertColumns;
    // CREATE TABLE and ALTER TABLE ... ADD: the column names as written.
    std::vector<std::string> DeclaredColumns;
};

// False with `error` set (nothing of the batch may run then).
bool TranslateBatchToPg(const std::string& tsql, bool textIgnoresCase,
                        std::vector<PgStatement>& out, std::string& error);
