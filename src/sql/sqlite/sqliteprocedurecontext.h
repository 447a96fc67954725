#pragma once
// What a database procedure sees of the SQLite connection it was called on.
#include <cstdint>
#include <string>

#include "sql/dbprocedures.h"
#include "sql/sqlite/sqliteconnection.h"

class SQLiteProcedureContext : public ProcedureContext {
  public:
    explicit SQLiteProcedureContext(SQLiteConnection& c) : c_(c) {}

    std::shared_ptr<Recordset> Query(const std::string& sql,
                                     const std::vector<Variant>& params) override;
    bool Execute(const std::string& sql, const std::vector<Variant>& params,
                 int64_t* changes = nullptr) override;
    int64_t LastInsertId() override;
    std::string LastError() override { return error_.Message; }

    // The row count of the last statement (for @@ROWCOUNT); false when none ran.
    bool Ran() const { return ran_; }
    int64_t LastCount() const { return lastCount_; }
    const DBError& Error() const { return error_; }

  private:
    SQLiteConnection::Prepared* PrepareAndBind(const std::string& sql,
                                               const std::vector<Variant>& params);

    SQLiteConnection& c_;
    DBError error_;
    bool ran_ = false;
    int64_t lastCount_ = 0;
};

// Runs a registered procedure on `c`. False with `err` set when the procedure
// is unknown, fails, or throws.
bool CallDBProcedure(SQLiteConnection& c, const std::string& name,
                     const std::vector<ProcedureArg>& args, ProcedureResult& result,
                     SQLiteProcedureContext& ctx, DBError& err);
