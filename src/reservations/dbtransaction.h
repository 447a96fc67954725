#pragma once
// DBTransaction: one reservation operation as one database transaction, so
// that a failure half way leaves nothing half changed. Operations nest: an
// operation run inside another joins the outer transaction, and only the
// outermost one commits. A failure anywhere dooms the whole transaction.
#include <string>

class ErrorState;
class SQLDB;

class DBTransaction {
  public:
    // Begins a transaction on `db` unless one of ours is already open there.
    // `module` and `procedure` name the caller in the log line of a failure.
    DBTransaction(SQLDB& db, std::string module, std::string procedure);
    ~DBTransaction();  // rolls back what was not committed
    DBTransaction(const DBTransaction&) = delete;
    DBTransaction& operator=(const DBTransaction&) = delete;

    // False when the transaction could not begin.
    bool Ok() const { return ok_; }
    // The outermost commits; an inner one only reports whether the whole is
    // still sound. False after a failure, which rolls everything back.
    bool Commit();
    // Marks the whole transaction failed and rolls it back now.
    void Fail();
    // A statement of the transaction failed: copies the database's error to
    // `owner`, logs the statement under the caller's names and fails the
    // whole. Returns false, for `return txn.FailStatement(...)`.
    bool FailStatement(const std::string& sql, ErrorState& owner);
    bool Outermost() const { return outermost_; }
    // Whether a transaction of ours is open on `db`.
    static bool Open(const SQLDB& db);

  private:
    SQLDB& db_;
    std::string module_, procedure_;
    bool outermost_ = false;
    bool ok_ = false;
    bool done_ = false;
};
