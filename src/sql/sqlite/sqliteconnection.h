#pragma once
// One SQLite connection of the engine: opening (WAL, busy time-out, the T-SQL
// functions), prepared statements kept per translation, column types from
// PRAGMA table_info (kept per database file), binding and reading values in
// the storage forms, and the command time-out.
#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "sql/dbengine.h"
#include "sql/sqlite/sqlitefunctions.h"
#include "sql/sqlite/sqliteshared.h"
#include "sql/tsql/tsqlbatch.h"

// What is known of one database file, shared by its connections: table
// layouts and translated batches. Cleared when the schema changes.
struct DatabaseCache {
    std::mutex Mutex;
    int64_t SchemaVersion = -1;
    std::unordered_map<std::string, std::shared_ptr<const TableInfo>> Tables;
    std::unordered_map<std::string, std::shared_ptr<const Batch>> Batches;
    void ClearLocked() {
        Tables.clear();
        Batches.clear();
    }
};
std::shared_ptr<DatabaseCache> CacheForDatabase(const std::string& path);

// The SQLite translation of a T-SQL batch (updatable: with row ids), kept in
// `cache` for the next time; null with `err` when it does not translate.
std::shared_ptr<const Batch> TranslateForSQLite(DatabaseCache& cache, SchemaSource& schema,
                                                const std::string& tsql, bool updatable,
                                                DBError& err);

class SQLiteConnection : public SchemaSource, public SQLiteLayoutReader {
  public:
    SQLiteConnection() = default;
    ~SQLiteConnection() override;
    SQLiteConnection(const SQLiteConnection&) = delete;
    SQLiteConnection& operator=(const SQLiteConnection&) = delete;

    bool Open(const std::string& path, int32_t timeoutSeconds, DBError& err);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    sqlite3* Db() const { return db_; }
    DatabaseCache& Cache() { return *cache_; }
    void SetTimeout(int32_t seconds);

    // A command (batch or procedure call) begins: its time-out starts.
    void BeginCommand();
    // A statement begins: GETDATE() is read afresh.
    void BeginStatement() {
        clock_.Reset();
        lastFailure_ = 0;
    }
    // The extended result code of the last SetError since BeginStatement, else 0.
    int LastFailure() const { return lastFailure_; }
    // The schema changed through this connection: forget layouts and translations.
    void SchemaChanged();
    bool EnsureTempdb(DBError& err) override;

    const TableInfo* FindTable(const std::string& schema, const std::string& name) override;
    bool ReadTableColumns(const std::string& db, const std::string& table,
                          std::vector<PragmaColumn>& columns) override;
    bool IsAutoIncrement(const std::string& db, const std::string& table,
                         const std::string& column) override;
    void ReleasePins() { pins_.clear(); }

    struct Prepared {
        sqlite3_stmt* Stmt = nullptr;
        std::shared_ptr<const std::vector<FieldInfo>> Fields;  // without a row-id column
        std::vector<SqlType> Types;                            // every result column
        bool ByValue = false;  // some column takes its type from its values
        bool RowidFirst = false;
    };
    Prepared* Prepare(const SqlStatement& st, DBError& err);
    Prepared* PrepareText(const std::string& sql, DBError& err);

    bool Bind(sqlite3_stmt* stmt, int index, const Variant& value, SqlType kind, DBError& err);
    // Steps every row into `out` (row ids apart when the statement has them).
    bool ReadAll(Prepared& p, std::shared_ptr<Recordset>& out, std::vector<int64_t>* rowIds,
                 DBError& err);
    // Steps a statement to its end, ignoring rows.
    bool Run(sqlite3_stmt* stmt, DBError& err);
    bool ExecSimple(const std::string& sql, DBError& err);
    Variant Column(sqlite3_stmt* stmt, int col, SqlType type) const;
    void SetError(DBError& err, int rc) const;

    // @@IDENTITY of the session; empty when the last insert made none.
    std::optional<int64_t> Identity;

  private:
    static int Progress(void* self);
    void Finalize();

    sqlite3* db_ = nullptr;
    std::string path_;
    int32_t timeout_ = 30;
    std::chrono::steady_clock::time_point deadline_{};
    bool hasDeadline_ = false;
    bool timedOut_ = false;
    bool tempdb_ = false;
    FunctionClock clock_;
    std::shared_ptr<DatabaseCache> cache_;
    std::unordered_map<uint64_t, Prepared> byId_;
    std::unordered_map<std::string, Prepared> byText_;
    std::vector<std::shared_ptr<const TableInfo>> pins_;
    mutable int lastFailure_ = 0;
};
