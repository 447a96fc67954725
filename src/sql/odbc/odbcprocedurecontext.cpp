#include "sql/odbc/odbcprocedurecontext.h"

#include <algorithm>
#include <cctype>

#include "platform/textutil.h"
#include "sql/postgres/pgbatch.h"
#include "sql/postgres/pgprocedurecontext.h"

std::string OdbcMarkers(const std::string& pgSql, std::vector<int>& order, char sign) {
    order.clear();
    int highest = 0;
    std::string out;
    char quote = 0;
    for (std::size_t i = 0; i < pgSql.size(); ++i) {
        char c = pgSql[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
            out += c;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            out += c;
            continue;
        }
        bool numbered = c == sign && i + 1 < pgSql.size() &&
                        std::isdigit(static_cast<unsigned char>(pgSql[i + 1])) &&
                        (i == 0 || !std::isalnum(static_cast<unsigned char>(pgSql[i - 1])));
        if (!numbered) {
            if (c == '?' && sign == '?') order.push_back(++highest);
            out += c;
            continue;
        }
        std::size_t end = i + 1;
        int n = 0;
        while (end < pgSql.size() && std::isdigit(static_cast<unsigned char>(pgSql[end])) &&
               n < 100000)
            n = n * 10 + (pgSql[end++] - '0');
        order.push_back(n);
        highest = std::max(highest, n);
        out += '?';
        i = end - 1;
    }
    return out;
}

std::vector<Variant> OdbcParams(const std::vector<Variant>& values, const std::vector<int>& order) {
    std::vector<Variant> out;
    out.reserve(order.size());
    for (int n : order)
        out.push_back(n >= 1 && static_cast<std::size_t>(n) <= values.size()
                          ? values[static_cast<std::size_t>(n - 1)]
                          : Variant());
    return out;
}

std::string PgDriverMessage(const std::string& text, const std::string& state) {
    std::string message = text;
    const std::string head = "ERROR: ", tail = ";\nError while executing the query";
    if (message.rfind(head, 0) == 0) message.erase(0, head.size());
    std::size_t end = message.find(tail);
    if (end != std::string::npos) message.erase(end);
    // The server's DETAIL, HINT and the like follow on lines of their own.
    end = message.find('\n');
    if (end != std::string::npos) message.erase(end);
    return PgSqlServerMessage(state, message);
}

bool OdbcProcedureContext::Run(const std::string& sql, const std::vector<Variant>& params,
                               std::vector<OdbcResult>& results) {
    Starting();
    DBError err;
    bool ok = false;
    if (postgres_) {
        std::vector<int> order;
        std::string text = OdbcMarkers(PgProcedureSql(sql), order);
        ok = conn_.Run(text, OdbcParams(params, order), results, err);
    } else {
        ok = conn_.Run(sql, params, results, err);
    }
    if (ok) {
        int64_t count = 0;
        for (const auto& r : results)
            count = r.Rows ? r.Rows->RecordCount() : std::max<int64_t>(r.Changed, 0);
        Succeeded(count);
        return true;
    }
    Failed(postgres_ ? PgDriverMessage(err.Message, conn_.LastState()) : err.Message,
           conn_.LastState(), err.Number == kErrConnection, err.Number == kErrTimeout);
    return false;
}

std::shared_ptr<Recordset> OdbcProcedureContext::Query(const std::string& sql,
                                                       const std::vector<Variant>& params) {
    std::vector<OdbcResult> results;
    if (!Run(sql, params, results)) return nullptr;
    for (auto& r : results)
        if (r.Rows) return r.Rows;
    return std::make_shared<Recordset>();
}

bool OdbcProcedureContext::Execute(const std::string& sql, const std::vector<Variant>& params,
                                   int64_t* changes) {
    std::vector<OdbcResult> results;
    if (!Run(sql, params, results)) return false;
    int64_t n = 0;
    for (const auto& r : results)
        if (!r.Rows && r.Changed > 0) n += r.Changed;
    if (changes != nullptr) *changes = n;
    if (UpperAscii(Trim(sql)).rfind("INSERT", 0) == 0) Inserted(n);
    return true;
}

int64_t OdbcProcedureContext::LastInsertId() {
    std::vector<OdbcResult> results;
    DBError err;
    const char* sql = postgres_ ? "SELECT lastval()" : "SELECT last_insert_rowid()";
    if (!conn_.Run(sql, {}, results, err) || results.empty() || !results[0].Rows ||
        results[0].Rows->RecordCount() == 0)
        return 0;
    return results[0].Rows->Rows()[0][0].ToInt64();
}
