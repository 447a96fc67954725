#pragma once
// Server-side prepared statements for the PostgreSQL engine's repeated
// statements. The programs send the same point queries over and over with
// only a number changed ("... WHERE ID = 17"); parsing and planning each
// anew costs the server more than running it. Whole-number literals become
// parameters typed as the literal would be, so such texts share one prepared
// statement per connection.
#include <libpq-fe.h>

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// `sql` (PostgreSQL text whose parameters are $1..$first-1) with its
// whole-number literals turned into $first, $first+1, ...; `literals`
// receives their texts and `types` their type (int4, int8 or numeric, as the
// server types such a literal). Literals whose place needs a constant stay:
// ORDER BY positions and type modifiers such as varchar(10). False when the
// text is better left alone: grouped or DISTINCT queries (their select list
// must match GROUP BY / ORDER BY expressions literally), comments, dollar
// quotes, or text the scanner cannot follow.
bool ParameterizeLiterals(const std::string& sql, int first, std::string& out,
                          std::vector<std::string>& literals, std::vector<Oid>& types);

// Prepared statements of one connection by text. A text is prepared the
// second time it is seen, so one-off statements cost no extra round trip.
class PgStatementCache {
  public:
    // Runs `sql` with `values` (NULL for nullptr; the server infers their
    // types) like PQexecParams. With `prepare` (a query or DML statement)
    // and no transaction open, through a prepared statement: outside a
    // transaction a statement whose plan went stale can simply run again.
    PGresult* Exec(PGconn* conn, const std::string& sql, const std::vector<const char*>& values,
                   bool prepare);
    // The name of the prepared statement for `sql`, preparing it now when it
    // was seen before; "" to run the text unprepared.
    std::string Lookup(PGconn* conn, const std::string& sql, const std::vector<Oid>& types);
    // After "cached plan must not change result type": the statement is made
    // again on next use.
    void Forget(PGconn* conn, const std::string& sql);
    // Drops every prepared statement (after DDL on this connection).
    void Clear(PGconn* conn);
    // A new connection has none.
    void Reset();

  private:
    static constexpr std::size_t kMaxEntries = 500;
    static constexpr std::size_t kMaxText = 8192;
    static constexpr std::size_t kMaxParams = 1000;
    std::unordered_map<std::string, std::string> prepared_;  // text -> statement name
    // Hashes of texts seen once (a collision only prepares a text early).
    std::unordered_set<std::size_t> seen_;
    unsigned long next_ = 0;
};
