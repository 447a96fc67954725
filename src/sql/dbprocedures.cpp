#include "sql/dbprocedures.h"

#include <exception>
#include <map>
#include <mutex>

#include "platform/textutil.h"

namespace {

std::string Key(const std::string& name) {
    std::string k = LowerAscii(name);
    if (k.rfind("dbo.", 0) == 0) k.erase(0, 4);
    if (k.size() >= 2 && k.front() == '[' && k.back() == ']') k = k.substr(1, k.size() - 2);
    return k;
}

struct Registry {
    std::mutex mutex;
    // Entries are never removed, only replaced, so the node addresses the
    // look-ups hand out stay valid.
    std::map<std::string, std::unique_ptr<DBProcedure>> procedures;
    std::map<std::string, std::unique_ptr<DBTableFunction>> functions;
};

Registry& TheRegistry() {
    static Registry r;
    return r;
}

}  // namespace

void RegisterDBProcedure(const std::string& name, DBProcedure body) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto& slot = r.procedures[Key(name)];
    if (slot)
        *slot = std::move(body);
    else
        slot = std::make_unique<DBProcedure>(std::move(body));
}

void RegisterDBTableFunction(const std::string& name, DBTableFunction fn) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto& slot = r.functions[Key(name)];
    if (slot)
        *slot = std::move(fn);
    else
        slot = std::make_unique<DBTableFunction>(std::move(fn));
}

const DBProcedure* FindDBProcedure(const std::string& name) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.procedures.find(Key(name));
    return it == r.procedures.end() ? nullptr : it->second.get();
}

const DBTableFunction* FindDBTableFunction(const std::string& name) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.functions.find(Key(name));
    return it == r.functions.end() ? nullptr : it->second.get();
}

bool RunDBProcedure(const std::string& name, ProcedureContext& ctx,
                    const std::vector<ProcedureArg>& args, ProcedureResult& result, bool& found,
                    std::string& error) {
    const DBProcedure* proc = FindDBProcedure(name);
    found = proc != nullptr;
    if (!found) {
        error = "Could not find stored procedure '" + name + "'.";
        return false;
    }
    bool ok = false;
    try {
        ok = (*proc)(ctx, args, result, error);
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = "unknown failure";
    }
    if (!ok && error.empty()) error = ctx.LastError();
    return ok;
}
