#pragma once
// A named list of rows ("VARLIST") with its column names, a cursor, row
// editing, and the queries that evaluate script conditions over the rows.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "messaging/scriptelement.h"
#include "platform/datetime.h"
#include "sql/variant.h"

class ScriptNode;

class ScriptVarList : public ScriptElement, public ScriptOwner {
  public:
    ScriptVarList(std::shared_ptr<ScriptDom> dom, pugi::xml_node el, const ScriptOptions& options,
                  std::string name = {}, std::vector<std::string> columns = {});
    ~ScriptVarList() override;

    std::string NodeType() const { return "VARLIST"; }
    const std::vector<std::string>& Columns() const { return columns_; }
    int32_t ErrNumber() const { return errNumber_; }
    const std::string& ErrMessage() const { return errMessage_; }
    ScriptOptions& Options() { return options_; }
    const ScriptOptions& Options() const { return options_; }

    int Count() const { return static_cast<int>(rows_.size()); }
    // The row at a 0-based position; nothing out of range.
    std::shared_ptr<ScriptNode> Item(int position) const;
    // The current row's variable `name`; "" when there is none or no current
    // row (a list of that name is reached through CurrentRow()).
    std::string Field(const std::string& name) const;
    std::string Var(const std::string& name) const { return Field(name); }
    // The current row; nothing after MoveNext ran off the end.
    std::shared_ptr<ScriptNode> CurrentRow() const;

    void MoveFirst();
    // Advances and returns true while a next row exists; at the end the
    // current row becomes none and the position stays.
    bool MoveNext();

    // Appends a row: refused when it is not a "VARROW" (30002) or, unless
    // IgnoreFieldCheck, lacks a column (30006).
    bool AddNew(const std::shared_ptr<ScriptNode>& row);
    void RemoveAll();
    // Removes the row at `position` (-1: the cursor's position); later rows
    // move down by one.
    bool Del(int position = -1);

    // Script-evaluated queries. A condition is a script expression evaluated
    // with each row current ("" means True). A script error ends the query
    // with its default result and leaves the error in ErrNumber/ErrMessage.
    std::shared_ptr<ScriptVarList> GetList(const std::string& condition);
    // The first matching row's `column`, else the default of `typeCode`
    // ("S" "", "D" "1900-01-01", "T" "00:00:00", "DT" "1900-01-01 00:00:00",
    // anything else the number 0).
    Variant GetValue(const std::string& column, const std::string& condition,
                     const std::string& typeCode);
    double Sum(const std::string& aggregate, const std::string& condition,
               const std::shared_ptr<ScriptNode>& gw = nullptr,
               const std::shared_ptr<ScriptVarList>& gwList = nullptr);
    double Max(const std::string& aggregate, const std::string& condition);
    double Min(const std::string& aggregate, const std::string& condition);

    // Sums over the rows whose "RowYear"/"RowMonth" fall in a period.
    double AtYear(const std::string& aggregate, int year, const std::string& condition);
    double AtMonth(const std::string& aggregate, int year, int month, const std::string& condition);
    double AtLastY(const std::string& aggregate, const DateTime& date, int n,
                   const std::string& condition);
    double AtNextY(const std::string& aggregate, const DateTime& date, int n,
                   const std::string& condition);
    double AtLastM(const std::string& aggregate, const DateTime& date, int n,
                   const std::string& condition);
    double AtNextM(const std::string& aggregate, const DateTime& date, int n,
                   const std::string& condition);
    double LastY(const std::string& aggregate, const DateTime& date, int n,
                 const std::string& condition);
    double NextY(const std::string& aggregate, const DateTime& date, int n,
                 const std::string& condition);
    double LastM(const std::string& aggregate, const DateTime& date, int n,
                 const std::string& condition);
    double NextM(const std::string& aggregate, const DateTime& date, int n,
                 const std::string& condition);

    // Moves every row of `other` here (through AddNew; refused rows stay).
    bool Merge(ScriptVarList& other);
    // For each row here, merges in the children of the first row of `other`
    // with the same `keyColumn` value; the columns become the union.
    bool MergeColumn(ScriptVarList& other, const std::string& keyColumn);
    // Stable sort on `column`: numerically when both values are numbers,
    // else as text.
    bool Sort(const std::string& column, bool descending = false);

    void Forget(const ScriptElement* child) override;

    // The condition texts the period sums evaluate (exposed for the tests).
    static std::string PeriodCondition(const std::string& condition, const std::string& period,
                                       bool wrap);
    static std::string YearTerm(int year);
    static std::string MonthTerm(int year, int month);

  protected:
    void ParkHeldDescendants() override;

  private:
    friend class ScriptNode;
    friend class ScriptDocument;

    bool Parse(int depth);
    bool Fail(int32_t number, std::string message);
    bool HasColumns(const ScriptNode& row) const;
    void SetCurrent(int position);
    void ReleaseAll(bool parked);
    double RunSum(const std::string& procedure, const std::string& aggregate,
                  const std::string& condition, const std::shared_ptr<ScriptNode>& gw,
                  const std::shared_ptr<ScriptVarList>& gwList);
    double RunExtreme(const std::string& procedure, bool max, const std::string& aggregate,
                      const std::string& condition);
    double RangeSum(const std::string& procedure, const std::string& aggregate,
                    const DateTime& date, int n, int step, bool months,
                    const std::string& condition);
    void ScriptFailed(const std::string& procedure, int32_t number, const std::string& message);

    std::vector<std::string> columns_;
    std::vector<std::shared_ptr<ScriptNode>> rows_;
    int position_ = 0;
    ScriptNode* current_ = nullptr;  // one of rows_, or none
    ScriptOptions options_;
    int32_t errNumber_ = 0;
    std::string errMessage_;
};
