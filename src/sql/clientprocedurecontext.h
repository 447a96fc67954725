#pragma once
// The installation's procedures over a client library's connection to a
// database that does not hold them itself (PostgreSQL through libpq, any
// database through ODBC). What does not depend on the library lives here
// once: the outcome of the statements a procedure ran, which the engine reads
// after the call (@@ROWCOUNT, @@IDENTITY, the failure's number), and the
// wording of a unique-key violation the procedures rely on.
#include <cstdint>
#include <string>
#include <vector>

#include "sql/dbengine.h"
#include "sql/dbprocedures.h"

class ClientProcedureContext : public ProcedureContext {
  public:
    std::string LastError() override { return error_; }
    // The connection was lost during the call: a procedure that went on
    // after a failure must not hide that.
    bool Lost() const { return lost_; }
    bool TimedOut() const { return timedOut_; }
    // The row count of the last statement (for @@ROWCOUNT); false when none ran.
    bool Ran() const { return ran_; }
    int64_t LastCount() const { return lastCount_; }
    // Rows the last INSERT added; -1 when no INSERT ran.
    int64_t LastInsertRows() const { return lastInsertRows_; }

  protected:
    // A statement starts: the last one's error no longer stands.
    void Starting() { error_.clear(); }
    // It returned or changed `count` rows.
    void Succeeded(int64_t count) {
        ran_ = true;
        lastCount_ = count;
    }
    void Inserted(int64_t rows) { lastInsertRows_ = rows; }
    // It failed with `message` and SQLSTATE `state`. A unique-key violation
    // reads "UNIQUE constraint failed" as on the embedded engine, so that
    // procedures relying on a unique index (one standing hold per table)
    // answer alike on every engine.
    void Failed(const std::string& message, const std::string& state, bool lost, bool timedOut);

  private:
    std::string error_;
    bool lost_ = false;
    bool timedOut_ = false;
    bool ran_ = false;
    int64_t lastCount_ = 0;
    int64_t lastInsertRows_ = -1;
};

// Runs the registered procedure `name` in `ctx`. False with `err` set when it
// is unknown or fails: 0x80004005 when the connection was lost, 0x80040E31 on
// a timeout, 0x80040E14 otherwise.
bool RunClientProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                        ProcedureResult& result, ClientProcedureContext& ctx, DBError& err);
