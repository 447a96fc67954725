#pragma once
// One connection through the ODBC driver manager (unixODBC): a driver
// connection string in, statements with ? parameters run, every result of a
// statement read into memory (rows as Variants with ADO type codes, or the
// count of rows changed), the driver's own diagnostic text on failure.
//
// Text travels as UTF-8 through the narrow API: the drivers this engine is
// used with (FreeTDS with ClientCharset=UTF-8, the SQLite and PostgreSQL
// Unicode drivers) take and give UTF-8 there, whatever the process locale.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sql/dbengine.h"
#include "sql/recordset.h"
#include "sql/variant.h"

// One result of a statement: rows, or (Rows null) the rows a data-changing
// statement touched, -1 when the driver does not count them.
struct OdbcResult {
    std::shared_ptr<Recordset> Rows;
    int64_t Changed = -1;
    // Each column's type as the driver reports it: the name
    // (SQL_DESC_TYPE_NAME), the column size and the decimal digits.
    struct ColumnType {
        std::string Name;
        uint64_t Size = 0;
        int16_t Digits = 0;
        // With storage forms: the table and column the value comes from, if any.
        std::string BaseTable;
        std::string BaseColumn;
    };
    std::vector<ColumnType> Types;
};

class OdbcConnection {
  public:
    OdbcConnection() = default;
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;
    ~OdbcConnection();

    // Opens a connection on a driver connection string ("Driver=...;...").
    // Failures are 0x80004005 with the driver manager's or driver's text.
    bool Connect(const std::string& connectionString, int32_t loginTimeout, DBError& err);
    void Close();
    // Open, or lost but able to reconnect on the next statement.
    bool IsOpen() const { return dbc_ != nullptr || lost_; }
    // Seconds a statement may run (0: no limit).
    void SetTimeout(int32_t seconds) { timeout_ = seconds; }

    // Runs one statement (or one batch where the driver takes several) and
    // appends each of its results in order. A connection found lost fails
    // the statement with 0x80004005 and is opened again by the next call;
    // the failed statement is never sent twice.
    bool Run(const std::string& sql, const std::vector<Variant>& params,
             std::vector<OdbcResult>& results, DBError& err);

    // Runs after the connection was opened again for a statement, before the
    // statement: the session's own settings are the owner's to make again.
    void SetOnReconnect(std::function<void()> setup) { onReconnect_ = std::move(setup); }

    // Column names of later results pass through `spelling` (nullptr: as
    // the driver reports them).
    using Spelling = const std::string& (*)(const std::string&);
    void SetNameSpelling(Spelling spelling) { spelling_ = spelling; }
    // Results of later statements tell each column's base table and column
    // (FieldInfo::BaseTable/BaseColumn) as the driver knows them, for rows
    // to be written back. Off by default: drivers may ask the catalog.
    void SetDescribeBase(bool on) { describeBase_ = on; }
    // Later results hold values in plain forms for a caller that types them
    // itself: `fetch(SQL type, type name)` chooses per column between
    // adBigInt (integers), adDouble, adLongVarBinary and adLongVarWChar
    // (text). nullptr: values typed from the driver's column types.
    using StorageFetch = int (*)(int16_t sqlType, const std::string& typeName);
    void SetStorageForms(StorageFetch fetch) { storageFetch_ = fetch; }

    // SQL_DBMS_NAME of the open connection ("SQLite", "PostgreSQL",
    // "Microsoft SQL Server"); "" when closed.
    const std::string& DbmsName() const { return dbms_; }
    // SQLSTATE of the last failed statement ("" after a success).
    const std::string& LastState() const { return state_; }

  private:
    bool Reconnect(DBError& err);
    void Drop();

    void* dbc_ = nullptr;  // SQLHDBC
    std::string connectionString_;
    std::string dbms_;
    std::string state_;
    int32_t loginTimeout_ = 15;
    int32_t timeout_ = 30;
    bool lost_ = false;
    Spelling spelling_ = nullptr;
    bool describeBase_ = false;
    std::function<void()> onReconnect_;
    bool settingUp_ = false;
    StorageFetch storageFetch_ = nullptr;
};

// The connection string value as the driver manager reads it: braced when it
// holds a separator or a brace ("}" doubled inside).
std::string OdbcValue(const std::string& value);
