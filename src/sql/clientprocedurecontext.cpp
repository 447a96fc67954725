#include "sql/clientprocedurecontext.h"

void ClientProcedureContext::Failed(const std::string& message, const std::string& state, bool lost,
                                    bool timedOut) {
    error_ = state == "23505" ? "UNIQUE constraint failed: " + message : message;
    lost_ = lost_ || lost;
    timedOut_ = timedOut;
}

bool RunClientProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                        ProcedureResult& result, ClientProcedureContext& ctx, DBError& err) {
    bool found = true;
    std::string error;
    if (RunDBProcedure(name, ctx, args, result, found, error)) return true;
    if (!found) {
        err.Set(kErrSql, error);
        return false;
    }
    err.Set(ctx.Lost()       ? kErrConnection
            : ctx.TimedOut() ? kErrTimeout
                             : kErrSql,
            "Procedure " + name + " failed: " + error);
    return false;
}
