#pragma once
// Runs a parsed T-SQL batch on a SQLite connection: the shared batch runner
// (tsqlrunner.h) over this connection's statements, with the row ids of
// updatable requests, table functions as temporary tables and SELECT ...
// INTO as a new table.
#include "sql/sqlite/sqliteconnection.h"
#include "sql/tsql/tsqlbatch.h"
#include "sql/tsql/tsqlrunner.h"

class SQLiteBatchRunner {
  public:
    SQLiteBatchRunner(SQLiteConnection& c, BatchOutput& out) : c_(c), out_(out) {}
    bool Run(const Batch& batch, DBError& err);

  private:
    SQLiteConnection& c_;
    BatchOutput& out_;
};
