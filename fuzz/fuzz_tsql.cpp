// Feeds arbitrary text to both T-SQL translators (SQLite and PostgreSQL).
// Neither may crash or hang; a refusal must say why; a PostgreSQL rewrite
// must keep its literals closed and its parentheses balanced (a string of the
// input can never turn into SQL text of the output), and number its
// parameters $1..$n as the engine binds them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sql/postgres/pgtranslate.h"
#include "sql/tsql/tsqlbatch.h"

namespace {

class FuzzSchema : public SchemaSource {
  public:
    FuzzSchema() {
        table_.Name = "T";
        for (const char* c : {"ID", "Name", "DT", "Qty"}) {
            ColumnInfo col;
            col.Name = c;
            col.DeclType = col.Name == "DT"     ? "DATETIME"
                           : col.Name == "Name" ? "NVARCHAR(50)"
                                                : "INT";
            col.Type = ParseTypeName(col.DeclType);
            table_.Columns.push_back(col);
        }
        table_.IdentityColumn = 0;
    }
    const TableInfo* FindTable(const std::string& schema, const std::string& name) override {
        return schema.empty() && (name == "t" || name == "T") ? &table_ : nullptr;
    }

  private:
    TableInfo table_;
};

void CheckPostgres(const PgStatement& s) {
    int depth = 0;
    bool quoted = false, named = false;
    std::size_t dollars = 0;
    for (std::size_t i = 0; i < s.Sql.size(); ++i) {
        char c = s.Sql[i];
        if (quoted) {
            if (c == '\'') quoted = false;
            continue;
        }
        if (named) {
            if (c == '"') named = false;
            continue;
        }
        if (c == '\'') quoted = true;
        if (c == '"') named = true;
        if (c == '(') ++depth;
        if (c == ')' && --depth < 0) std::abort();
        if (c == '$' && i + 1 < s.Sql.size() && s.Sql[i + 1] >= '1' && s.Sql[i + 1] <= '9')
            ++dollars;
        if (c == ';') std::abort();  // one statement per text
    }
    if (quoted || named || depth != 0) std::abort();
    if (dollars != s.Params.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    std::string text(reinterpret_cast<const char*>(data), size);

    std::vector<PgStatement> out;
    std::string error;
    if (TranslateBatchToPg(text, (size & 1) != 0, out, error)) {
        for (const PgStatement& s : out)
            if (s.kind == PgStatement::Kind::Query) CheckPostgres(s);
    } else if (error.empty() || !out.empty()) {
        std::abort();
    }

    FuzzSchema schema;
    Batch batch;
    error.clear();
    if (!ParseBatch(text, schema, TranslateOptions{}, batch, error) && error.empty()) std::abort();
    return 0;
}
