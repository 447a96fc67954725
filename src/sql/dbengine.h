#pragma once
// The engine behind an SQLDB connection, chosen by the Provider= keyword of
// the connection string. Engines run T-SQL batches and database procedures
// and write back the rows of updatable recordsets.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sql/dbprocedures.h"
#include "sql/recordset.h"
#include "sql/variant.h"

// Error numbers as the platform reported them (HRESULTs as int32).
constexpr int32_t kErrConnection = static_cast<int32_t>(0x80004005u);  // E_FAIL: reconnect
constexpr int32_t kErrSql = static_cast<int32_t>(0x80040E14u);         // DB_E_ERRORSINCOMMAND
constexpr int32_t kErrTimeout = static_cast<int32_t>(0x80040E31u);     // DB_E_ABORTLIMITREACHED

struct DBError {
    int32_t Number = 0;
    std::string Message;
    void Set(int32_t number, std::string message) {
        Number = number;
        Message = std::move(message);
    }
};

// Keywords of a connection string, by lower-case keyword; later ones win.
using ConnectionProperties = std::map<std::string, std::string>;
ConnectionProperties ParseConnectionString(const std::string& text);

// What a batch produced: one recordset per row-returning statement, and a
// closed one (RecordsAffected) per statement that reports a row count.
struct BatchOutput {
    std::vector<std::shared_ptr<Recordset>> Results;
    int64_t RecordsAffected = 0;  // sum over the data-changing statements
    // Updatable requests: the base table and row ids of the first result set.
    std::string BaseTable;
    std::vector<int64_t> RowIds;
    bool HasRowIds = false;
};

class DBEngine {
  public:
    virtual ~DBEngine() = default;
    virtual bool Open(const ConnectionProperties& props, DBError& err) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual void SetCommandTimeout(int32_t seconds) = 0;
    virtual bool Execute(const std::string& tsql, bool updatable, BatchOutput& out,
                         DBError& err) = 0;
    virtual bool CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                               ProcedureResult& result, DBError& err) = 0;
    // Writes the named values into the row `rowId` of `table` (a new row when
    // isNew; rowId then receives its id). `refreshed` gets the row as stored.
    virtual bool WriteRow(const std::string& table, bool isNew, int64_t& rowId,
                          const std::vector<std::pair<std::string, Variant>>& values,
                          std::vector<std::pair<std::string, Variant>>& refreshed,
                          DBError& err) = 0;
};

// nullptr for a provider no engine serves.
std::unique_ptr<DBEngine> CreateDBEngine(const std::string& provider);
