#include "sql/sqlite/sqlitedriverhooks.h"

#include <sqlite3.h>

#include <mutex>

#include "sql/sqlite/sqlitecollation.h"

namespace {

struct Pending {
    bool Armed = false;
    std::shared_ptr<DriverHookState> Taken;
    Pending* Outer = nullptr;  // a scope around this one
};
thread_local Pending* pending = nullptr;

// Owned by the connection: SQLite frees it (and lets go of the state) when
// the connection closes.
struct Holder {
    std::shared_ptr<DriverHookState> State;
};

void ReleaseHolder(void* p) {
    auto* holder = static_cast<Holder*>(p);
    holder->State->Db = nullptr;
    delete holder;
}

int ResetClock(unsigned, void* ctx, void*, void*) {
    static_cast<DriverHookState*>(ctx)->Clock.Reset();
    return 0;
}

int Progress(void* ctx) {
    auto* s = static_cast<DriverHookState*>(ctx);
    if (s->HasDeadline && std::chrono::steady_clock::now() > s->Deadline) {
        s->TimedOut = true;
        return 1;
    }
    return 0;
}

void Hooked(sqlite3_context* ctx, int, sqlite3_value**) {
    sqlite3_result_int(ctx, 1);
}

int OnOpen(sqlite3* db, char**, const sqlite3_api_routines*) {
    if (pending == nullptr || !pending->Armed) return SQLITE_OK;
    pending->Armed = false;
    auto state = std::make_shared<DriverHookState>();
    state->Db = db;
    auto* holder = new Holder{state};
    // ct_hooked owns the holder: the state's lifetime is the connection's.
    if (sqlite3_create_function_v2(db, "ct_hooked", 0, SQLITE_UTF8, holder, Hooked, nullptr,
                                   nullptr, ReleaseHolder) != SQLITE_OK)
        return SQLITE_OK;  // SQLite freed the holder; the open then finds no functions
    if (!RegisterTSqlFunctions(db, &state->Clock) || !RegisterTextCollation(db)) return SQLITE_OK;
    // A misspelt column must fail, not turn into a text: no "..." strings.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, ResetClock, state.get());
    sqlite3_progress_handler(db, 1000, Progress, state.get());
    pending->Taken = std::move(state);
    return SQLITE_OK;
}

}  // namespace

void DriverHookState::BeginCommand(int seconds) {
    TimedOut = false;
    HasDeadline = seconds > 0;
    if (HasDeadline) Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
}

DriverHookScope::DriverHookScope() {
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_auto_extension(reinterpret_cast<void (*)()>(&OnOpen)); });
    pending = new Pending{true, nullptr, pending};
}

DriverHookScope::~DriverHookScope() {
    Pending* outer = pending->Outer;
    delete pending;
    pending = outer;
}

std::shared_ptr<DriverHookState> DriverHookScope::Taken() const {
    return pending != nullptr ? pending->Taken : nullptr;
}
