#include "sql/postgres/pgstatementcache.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <functional>

namespace {

enum : Oid { kInt8 = 20, kInt4 = 23, kNumeric = 1700 };

bool WordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$';
}

// Words whose parenthesised numbers are type modifiers or window frames,
// where the server wants a constant.
bool KeepsConstants(const std::string& word) {
    static const char* const kWords[] = {"varchar",   "char",   "character", "varying", "nvarchar",
                                         "nchar",     "bpchar", "numeric",   "decimal", "dec",
                                         "timestamp", "time",   "interval",  "bit",     "varbit",
                                         "float",     "over"};
    for (const char* w : kWords)
        if (word == w) return true;
    return false;
}

// Words that end an ORDER BY list at its own depth.
bool EndsList(const std::string& word) {
    static const char* const kWords[] = {"limit",  "offset",    "having", "union",
                                         "except", "intersect", "fetch",  "for",
                                         "window", "returning", "order"};
    for (const char* w : kWords)
        if (word == w) return true;
    return false;
}

Oid LiteralType(const std::string& digits) {
    int64_t v = 0;
    auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (r.ec != std::errc() || r.ptr != digits.data() + digits.size()) return kNumeric;
    return v <= INT32_MAX ? kInt4 : kInt8;
}

}  // namespace

bool ParameterizeLiterals(const std::string& sql, int first, std::string& out,
                          std::vector<std::string>& literals, std::vector<Oid>& types) {
    out.clear();
    literals.clear();
    types.clear();
    std::vector<bool> keep;  // per open parenthesis: numbers inside stay
    int keeping = 0;         // open parentheses that keep their numbers
    int listDepth = -1;      // depth of an open ORDER BY / GROUP BY list
    std::string word, lastWord;
    const std::size_t n = sql.size();
    for (std::size_t i = 0; i < n;) {
        char c = sql[i];
        if (c == '\'') {
            // E'...' strings take backslash escapes.
            bool escapes = i > 0 && (sql[i - 1] == 'E' || sql[i - 1] == 'e') &&
                           (i < 2 || !WordChar(sql[i - 2]));
            std::size_t j = i + 1;
            for (; j < n; ++j) {
                if (escapes && sql[j] == '\\') {
                    ++j;
                } else if (sql[j] == '\'') {
                    if (j + 1 < n && sql[j + 1] == '\'') {
                        ++j;
                    } else {
                        break;
                    }
                }
            }
            if (j >= n) return false;
            out.append(sql, i, j + 1 - i);
            i = j + 1;
            lastWord.clear();
            continue;
        }
        if (c == '"') {
            std::size_t j = sql.find('"', i + 1);
            while (j != std::string::npos && j + 1 < n && sql[j + 1] == '"')
                j = sql.find('"', j + 2);
            if (j == std::string::npos) return false;
            out.append(sql, i, j + 1 - i);
            i = j + 1;
            lastWord.clear();
            continue;
        }
        if (c == '$') {
            // $n parameters only: a dollar-quoted string is not scanned.
            std::size_t j = i + 1;
            while (j < n && std::isdigit(static_cast<unsigned char>(sql[j])))
                ++j;
            if (j == i + 1) return false;
            out.append(sql, i, j - i);
            i = j;
            lastWord.clear();
            continue;
        }
        if ((c == '-' && i + 1 < n && sql[i + 1] == '-') ||
            (c == '/' && i + 1 < n && sql[i + 1] == '*') || (c == '&' && lastWord == "u"))
            return false;  // comments and Unicode strings are not scanned
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            std::size_t j = i;
            while (j < n && WordChar(sql[j]))
                ++j;
            word.assign(sql, i, j - i);
            for (char& w : word)
                w = static_cast<char>(std::tolower(static_cast<unsigned char>(w)));
            int depth = static_cast<int>(keep.size());
            // Grouped and DISTINCT queries match select-list expressions
            // against GROUP BY / ORDER BY ones, and "a % $2" is not "a % 2".
            if (word == "distinct" || (word == "by" && lastWord == "group")) return false;
            if (word == "by" && lastWord == "order") {
                listDepth = depth;
            } else if (listDepth == depth && EndsList(word)) {
                listDepth = -1;
            }
            out.append(sql, i, j - i);
            i = j;
            lastWord = word;
            continue;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) ||
            (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
            std::size_t j = i;
            while (j < n && std::isdigit(static_cast<unsigned char>(sql[j])))
                ++j;
            bool whole = j == n || (sql[j] != '.' && sql[j] != 'e' && sql[j] != 'E');
            while (j < n &&
                   (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '.' ||
                    ((sql[j] == '+' || sql[j] == '-') && (sql[j - 1] == 'e' || sql[j - 1] == 'E'))))
                ++j;
            std::string digits = sql.substr(i, j - i);
            bool plain = whole && c != '.';
            for (char d : digits)
                plain = plain && std::isdigit(static_cast<unsigned char>(d));
            if (!plain && whole) return false;  // "5abc": not a number the scanner knows
            if (plain && keeping == 0 && listDepth < 0) {
                literals.push_back(digits);
                types.push_back(LiteralType(digits));
                out += "$" + std::to_string(first + static_cast<int>(literals.size()) - 1);
            } else {
                out += digits;
            }
            i = j;
            lastWord.clear();
            continue;
        }
        if (c == '(') {
            bool k = KeepsConstants(lastWord);
            keep.push_back(k);
            keeping += k ? 1 : 0;
        } else if (c == ')') {
            if (keep.empty()) return false;
            keeping -= keep.back() ? 1 : 0;
            keep.pop_back();
            if (listDepth > static_cast<int>(keep.size())) listDepth = -1;
        } else if (c == ';') {
            listDepth = -1;
        }
        if (!std::isspace(static_cast<unsigned char>(c))) lastWord.clear();
        out += c;
        ++i;
    }
    return keep.empty();
}

PGresult* PgStatementCache::Exec(PGconn* conn, const std::string& sql,
                                 const std::vector<const char*>& values, bool prepare) {
    const int count = static_cast<int>(values.size());
    std::string text;
    std::vector<std::string> literals;
    std::vector<Oid> types;
    if (!prepare || PQtransactionStatus(conn) != PQTRANS_IDLE ||
        !ParameterizeLiterals(sql, count + 1, text, literals, types) ||
        values.size() + literals.size() > kMaxParams)
        return PQexecParams(conn, sql.c_str(), count, nullptr, values.data(), nullptr, nullptr, 0);
    std::vector<const char*> all = values;
    for (const auto& l : literals)
        all.push_back(l.c_str());
    types.insert(types.begin(), values.size(), Oid{0});
    const int total = static_cast<int>(all.size());
    std::string name = Lookup(conn, text, types);
    if (name.empty())
        return PQexecParams(conn, text.c_str(), total, types.data(), all.data(), nullptr, nullptr,
                            0);
    PGresult* res = PQexecPrepared(conn, name.c_str(), total, all.data(), nullptr, nullptr, 0);
    const char* state = PQresultErrorField(res, PG_DIAG_SQLSTATE);
    // DDL elsewhere changed what the statement returns ("cached plan must
    // not change result type"); the statement did not run.
    if (state != nullptr && std::strcmp(state, "0A000") == 0 &&
        PQtransactionStatus(conn) == PQTRANS_IDLE) {
        PQclear(res);
        Forget(conn, text);
        res =
            PQexecParams(conn, text.c_str(), total, types.data(), all.data(), nullptr, nullptr, 0);
    }
    return res;
}

std::string PgStatementCache::Lookup(PGconn* conn, const std::string& sql,
                                     const std::vector<Oid>& types) {
    auto it = prepared_.find(sql);
    if (it != prepared_.end()) return it->second;
    if (sql.size() > kMaxText) return {};
    if (seen_.size() >= kMaxEntries * 8) seen_.clear();
    const std::size_t hash = std::hash<std::string>{}(sql);
    if (seen_.insert(hash).second) return {};
    if (prepared_.size() >= kMaxEntries) Clear(conn);
    std::string name = "ct_s" + std::to_string(++next_);
    PGresult* res =
        PQprepare(conn, name.c_str(), sql.c_str(), static_cast<int>(types.size()), types.data());
    bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
    PQclear(res);
    seen_.erase(hash);
    if (!ok) return {};
    prepared_.emplace(sql, name);
    return name;
}

void PgStatementCache::Forget(PGconn* conn, const std::string& sql) {
    auto it = prepared_.find(sql);
    if (it == prepared_.end()) return;
    std::string drop = "DEALLOCATE " + it->second;
    PQclear(PQexec(conn, drop.c_str()));
    prepared_.erase(it);
}

void PgStatementCache::Clear(PGconn* conn) {
    if (!prepared_.empty()) PQclear(PQexec(conn, "DEALLOCATE ALL"));
    prepared_.clear();
}

void PgStatementCache::Reset() {
    prepared_.clear();
    seen_.clear();
}
