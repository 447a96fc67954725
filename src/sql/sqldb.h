#pragma once
// SQLDB: the one door to a database. Wraps one connection chosen by the
// Provider= keyword of the connection string, runs T-SQL text and stored
// procedures, builds INSERT and UPDATE statements, quotes values and names,
// and remembers the last error instead of throwing.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sql/recordset.h"
#include "sql/variant.h"

class DBEngine;  // the engine behind a connection (data/dbengine.h)

// A stored-procedure parameter as made by SQLDB::mp: exactly five elements,
// in this order: name, type, direction, size, value.
using ParamList = std::vector<Variant>;

enum ParamDirection : int {
    adParamInput = 1,
    adParamOutput = 2,
    adParamInputOutput = 3,
    adParamReturnValue = 4
};

struct OutputParam {
    std::string Name;
    int Direction = adParamOutput;
    Variant Value;
};

class SQLDB {
  public:
    SQLDB();
    ~SQLDB();
    SQLDB(const SQLDB&) = delete;
    SQLDB& operator=(const SQLDB&) = delete;

    // Writing closes an open connection first and keeps the password so the
    // string read back opens the same database.
    std::string ConnectionString() const;
    void SetConnectionString(const std::string& value);
    bool Connected() const;
    int32_t CommandTimeout() const;
    void SetCommandTimeout(int32_t seconds);
    bool KeepConnection() const;
    void SetKeepConnection(bool keep);
    int32_t ErrNumber() const;
    const std::string& ErrDescription() const;

    bool Connect();
    void Disconnect();

    bool RunSQLNoReturn(const std::string& sql, int64_t* recordsAffected = nullptr);
    // The first result set of the batch (its later ones through NextRecordset);
    // nullptr on failure.
    std::shared_ptr<Recordset> RunSQLReturnRS(const std::string& sql, bool updatable = false);
    std::shared_ptr<Recordset> OpenTable(const std::string& table);

    std::shared_ptr<Recordset> RunSPReturnRS(const std::string& procedure,
                                             const std::vector<ParamList>& params);
    int64_t RunSPReturnInteger(const std::string& procedure, const std::vector<ParamList>& params);
    std::vector<OutputParam> RunSPReturnParams(const std::string& procedure,
                                               const std::vector<ParamList>& params);
    bool RunSPNoReturn(const std::string& procedure, const std::vector<ParamList>& params);

    static ParamList mp(const std::string& name, int type, int32_t size, const Variant& value,
                        int direction = adParamInput);

    // Pairs are flat lists: name, value, name, value ...
    bool UpdateRecordSQL(const std::string& table, const std::vector<Variant>& setPairs,
                         const std::vector<Variant>& wherePairs, bool unicode);
    bool InsertRecordSQL(const std::string& table, const std::vector<Variant>& valuePairs,
                         bool unicode, int32_t& newID);
    // Sets the named fields of the current row (or of a new row) and saves it.
    bool UpdateRecord(Recordset& rs, const std::vector<std::string>& names,
                      const std::vector<Variant>& values);
    bool InsertRecordRS(Recordset& rs, const std::vector<std::string>& names,
                        const std::vector<Variant>& values);

    static std::string EscapeName(const std::string& s);
    static std::string EscapeValue(const std::string& s);
    static std::string EscapeLike(const std::string& s);
    void SetLastError(int32_t number, const std::string& procedure, const std::string& description);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Module routines for hand-written SQL.
std::string SQLStr(const std::string& s);           // N'...' with ' doubled
std::string SQLLikeContains(const std::string& s);  // N'%...%' with ' doubled
std::string SQLEscape(const std::string& s);        // ' doubled, no quotes

// Field readers: the default when the recordset or field is missing, the
// value is NULL, or (numeric readers) not numeric.
std::string FieldStr(const Recordset* rs, const std::string& field, const std::string& def = "");
DateTime FieldDate(const Recordset* rs, const std::string& field, const DateTime& def = DateTime{});
double FieldDbl(const Recordset* rs, const std::string& field, double def = 0);
float FieldSng(const Recordset* rs, const std::string& field, float def = 0);
int32_t FieldLng(const Recordset* rs, const std::string& field, int32_t def = 0);

bool BlobToFile(const Recordset* rs, const std::string& field, const std::string& path);
bool FileToBlob(const std::string& path, Recordset& rs, const std::string& field);
// The first result set from `rs` on that carries rows (skipping the closed
// ones that statements without rows leave); nullptr when there is none.
std::shared_ptr<Recordset> FirstOpenRecordset(std::shared_ptr<Recordset> rs);
// Follows NextRecordset to the last result set that exists.
std::shared_ptr<Recordset> LastRecordset(std::shared_ptr<Recordset> rs);
