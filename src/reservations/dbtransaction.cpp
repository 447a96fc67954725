#include "reservations/dbtransaction.h"

#include <map>

#include "core/errorstate.h"
#include "core/log.h"
#include "sql/sqldb.h"

namespace {

struct State {
    int depth = 0;
    bool doomed = false;
};

// One program thread: the open transactions by connection.
std::map<const SQLDB*, State>& States() {
    static std::map<const SQLDB*, State> states;
    return states;
}

}  // namespace

DBTransaction::DBTransaction(SQLDB& db, std::string module, std::string procedure)
    : db_(db), module_(std::move(module)), procedure_(std::move(procedure)) {
    auto& states = States();
    auto it = states.find(&db_);
    if (it != states.end()) {
        ++it->second.depth;
        ok_ = !it->second.doomed;
        return;
    }
    outermost_ = true;
    if (!db_.RunSQLNoReturn("BEGIN TRAN")) {
        WriteLog("Cannot begin a transaction: " + db_.ErrDescription(), module_, procedure_);
        done_ = true;
        return;
    }
    states[&db_] = State{1, false};
    ok_ = true;
}

DBTransaction::~DBTransaction() {
    if (!done_) Fail();
    auto& states = States();
    auto it = states.find(&db_);
    if (it == states.end()) return;
    if (outermost_ || --it->second.depth <= 0) states.erase(it);
}

bool DBTransaction::Open(const SQLDB& db) {
    return States().count(&db) != 0;
}

void DBTransaction::Fail() {
    if (done_) return;
    done_ = true;
    ok_ = false;
    auto& states = States();
    auto it = states.find(&db_);
    if (it == states.end()) return;
    if (!it->second.doomed) {
        it->second.doomed = true;
        // A failed statement may have rolled the transaction back already;
        // then this ROLLBACK fails harmlessly.
        db_.RunSQLNoReturn("ROLLBACK TRAN");
    }
}

bool DBTransaction::Commit() {
    if (done_) return ok_;
    auto& states = States();
    auto it = states.find(&db_);
    if (it == states.end() || it->second.doomed) {
        Fail();
        return false;
    }
    if (!outermost_) {
        done_ = true;
        return true;
    }
    if (!db_.RunSQLNoReturn("COMMIT TRAN")) {
        WriteLog("Cannot commit: " + db_.ErrDescription(), module_, procedure_);
        Fail();
        return false;
    }
    done_ = true;
    return true;
}

bool DBTransaction::FailStatement(const std::string& sql, ErrorState& owner) {
    owner.CopyErr(db_.ErrNumber(), db_.ErrDescription());
    WriteSQLLog(db_.ErrDescription(), sql, module_, procedure_);
    Fail();
    return false;
}
