#pragma once
// Direct access to one SQLite database file, below the T-SQL engine: create a
// database from the installation schema, run a script, run plain SQLite
// statements with ? parameters, and insert many rows fast with one prepared
// statement. Used by the installation tool (bulk demo data) and by tests that
// need a database without going through SQLDB.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sql/dbprocedures.h"
#include "sql/recordset.h"
#include "sql/variant.h"

struct sqlite3;
struct sqlite3_stmt;

class SQLiteFile {
  public:
    SQLiteFile() = default;
    ~SQLiteFile();
    SQLiteFile(const SQLiteFile&) = delete;
    SQLiteFile& operator=(const SQLiteFile&) = delete;

    // Opens an existing file; with `create` the file is created when missing.
    bool Open(const std::string& path, bool create = false);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    const std::string& Path() const { return path_; }

    // Several statements without parameters.
    bool RunScript(const std::string& sql);
    bool Execute(const std::string& sql, const std::vector<Variant>& params = {},
                 int64_t* changes = nullptr);
    // Every row of the statement's result; nullptr on failure. Field types are
    // the ADO codes of the declared column types.
    std::shared_ptr<Recordset> Query(const std::string& sql,
                                     const std::vector<Variant>& params = {});
    // The first column of the first row, or a null value.
    Variant Scalar(const std::string& sql, const std::vector<Variant>& params = {});

    bool Begin() { return RunScript("BEGIN IMMEDIATE"); }
    bool Commit() { return RunScript("COMMIT"); }
    void Rollback();

    int64_t LastInsertId() const;
    const std::string& LastError() const { return error_; }
    sqlite3* Handle() const { return db_; }

    // Binds values to ? placeholders 1..n; false with LastError set on failure.
    bool Bind(sqlite3_stmt* stmt, const std::vector<Variant>& params);
    void SetError(const std::string& message);

  private:
    sqlite3_stmt* Prepare(const std::string& sql);

    sqlite3* db_ = nullptr;
    std::string path_;
    std::string error_;
};

// Creates a new database file holding every table of the installation schema,
// in WAL mode. Refuses a file that already exists (false, `error` set).
bool CreateSchemaDatabase(const std::string& path, std::string& error);

// Inserts rows into one table through one prepared statement; run it inside
// SQLiteFile::Begin/Commit for speed. The first failure is kept in Error().
class BulkInsert {
  public:
    BulkInsert(SQLiteFile& db, const std::string& table, const std::vector<std::string>& columns);
    ~BulkInsert();
    BulkInsert(const BulkInsert&) = delete;
    BulkInsert& operator=(const BulkInsert&) = delete;

    // One row, values in the order of the columns.
    bool Add(const std::vector<Variant>& values);
    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    int64_t LastInsertId() const { return db_.LastInsertId(); }

  private:
    SQLiteFile& db_;
    sqlite3_stmt* stmt_ = nullptr;
    std::size_t columns_ = 0;
    std::string error_;
};

// Inserts every row through one BulkInsert; false with `error` naming the table.
bool InsertRows(SQLiteFile& db, const std::string& table, const std::vector<std::string>& columns,
                const std::vector<std::vector<Variant>>& rows, std::string& error);

// The procedure context of a database procedure called straight on a file
// (tests, tools); the engine supplies its own for calls through SQLDB.
class FileProcedureContext : public ProcedureContext {
  public:
    explicit FileProcedureContext(SQLiteFile& db) : db_(db) {}
    std::shared_ptr<Recordset> Query(const std::string& sql,
                                     const std::vector<Variant>& params) override;
    bool Execute(const std::string& sql, const std::vector<Variant>& params,
                 int64_t* changes = nullptr) override;
    int64_t LastInsertId() override { return db_.LastInsertId(); }
    std::string LastError() override { return db_.LastError(); }

  private:
    SQLiteFile& db_;
};
