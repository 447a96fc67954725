#pragma once
// Helpers shared by the installation database's procedures: reading call
// arguments by name or position, normalising dates, building result sets.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sql/dbprocedures.h"

// The database clock (local time) as SQLite expressions, so that rows written
// by procedures carry the same clock as GetDate() and not a workstation's.
inline constexpr const char* kSqlNow = "datetime('now', 'localtime')";
inline constexpr const char* kSqlToday = "date('now', 'localtime')";

// Arguments of one call. An argument is found by its name ("@OutletID" and
// "OutletID" are the same, case ignored) or else, when the caller gave it no
// name, by its position (0-based).
class ProcArgs {
  public:
    explicit ProcArgs(const std::vector<ProcedureArg>& args) : args_(args) {}

    // nullptr when absent; a present NULL is returned as a null Variant.
    const Variant* Find(const std::string& name, std::size_t position) const;
    bool IsNull(const std::string& name, std::size_t position) const;
    int64_t Int(const std::string& name, std::size_t position, int64_t def = 0) const;
    // The integer, or a null value when the argument is absent or NULL (or 0
    // with `zeroIsNull`).
    Variant IntOrNull(const std::string& name, std::size_t position, bool zeroIsNull = false) const;
    std::string Text(const std::string& name, std::size_t position) const;
    // The argument as a date "YYYY-MM-DD" (see NormaliseDate); nullopt when
    // absent, NULL or not a date.
    std::optional<std::string> Date(const std::string& name, std::size_t position) const;
    // The name of the first output argument, or `def`.
    std::string OutputName(const std::string& def) const;

  private:
    const std::vector<ProcedureArg>& args_;
};

// "2024-3-5", "2024/03/05", "2024-03-05 00:00:00" and date-time values give
// "2024-03-05"; anything that is not a valid date gives nullopt.
std::optional<std::string> NormaliseDate(const Variant& value);

// A result set with the given integer/text columns.
std::shared_ptr<Recordset> MakeRecordset(const std::vector<std::string>& columns,
                                         const std::vector<int>& types,
                                         std::vector<Recordset::Row> rows);

// The first column of the first row as an integer, `def` when there is none.
int64_t QueryInt(ProcedureContext& ctx, const std::string& sql, const std::vector<Variant>& params,
                 int64_t def = 0);

// Table numbers are stored upper-cased and without surrounding blanks.
std::string NormaliseTableNo(const std::string& tableNo);

// The condition (on the columns BeginDate/EndDate of alias `alias`) under
// which a block applies on one date; bind that date to its four ? parameters.
std::string BlockAppliesSql(const std::string& alias);

// Whether the ids name rows of the database: an outlet (active only, when
// `activeOnly`), a meal period of that outlet, a database server. Procedures
// refuse ids that name nothing instead of writing or answering for them.
bool OutletExists(ProcedureContext& ctx, int64_t outlet, bool activeOnly);
bool MealPeriodOfOutlet(ProcedureContext& ctx, int64_t mealPeriod, int64_t outlet);
bool ServerExists(ProcedureContext& ctx, int64_t server);
