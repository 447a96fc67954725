#pragma once
// The embedded engine behind Provider=SQLite: Data Source names the database
// file, which must exist. T-SQL batches run through the translation layer;
// translations are kept per database file, keyed by the batch text.
#include "sql/dbengine.h"
#include "sql/sqlite/sqliteconnection.h"

class SQLiteEngine : public DBEngine {
  public:
    bool Open(const ConnectionProperties& props, DBError& err) override;
    void Close() override { conn_.Close(); }
    bool IsOpen() const override { return conn_.IsOpen(); }
    void SetCommandTimeout(int32_t seconds) override;
    bool Execute(const std::string& tsql, bool updatable, BatchOutput& out, DBError& err) override;
    bool CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                       ProcedureResult& result, DBError& err) override;
    bool WriteRow(const std::string& table, bool isNew, int64_t& rowId,
                  const std::vector<std::pair<std::string, Variant>>& values,
                  std::vector<std::pair<std::string, Variant>>& refreshed, DBError& err) override;

  private:
    std::shared_ptr<const Batch> Translate(const std::string& tsql, bool updatable, DBError& err);

    SQLiteConnection conn_;
    int32_t timeout_ = 30;
};
