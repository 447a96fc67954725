#include "reservations/resvlistcriteria.h"

#include <type_traits>

#include "platform/datetime.h"
#include "venue/textpattern.h"

namespace {

bool IsDate(const std::string& s) {
    return MatchesPattern(s, "[0-9][0-9][0-9][0-9][/-][0-9][0-9][/-][0-9][0-9]") &&
           DateTime::Parse(s.substr(0, 4) + "-" + s.substr(5, 2) + "-" + s.substr(8, 2));
}

bool IsTime(const std::string& s) {
    return MatchesPattern(s, "[0-9][0-9][/:][0-9][0-9][/:][0-9][0-9]") &&
           DateTime::Parse(s.substr(0, 2) + ":" + s.substr(3, 2) + ":" + s.substr(6, 2));
}

// Bounds may be written with "/" between their parts; the statement takes
// them in the form the columns are compared in ("yyyy-mm-dd", "hh:nn:ss").
std::string DateBound(const std::string& s) {
    return s.substr(0, 4) + "-" + s.substr(5, 2) + "-" + s.substr(8, 2);
}

std::string TimeBound(const std::string& s) {
    return s.substr(0, 2) + ":" + s.substr(3, 2) + ":" + s.substr(6, 2);
}

// Single quotes doubled, so a code can never end the literal early.
std::string Quoted(const std::string& s) {
    std::string out = "'";
    for (char ch : s)
        out += ch == '\'' ? std::string("''") : std::string(1, ch);
    return out + "'";
}

template <typename Map>
std::string Join(const Map& set, bool quoted) {
    std::string out;
    for (const auto& [key, value] : set) {
        if (!out.empty()) out += ",";
        if constexpr (std::is_same_v<decltype(value), const std::string>) {
            out += quoted ? Quoted(value) : value;
        } else {
            out += quoted ? "'" + std::to_string(value) + "'" : std::to_string(value);
        }
    }
    return out;
}

}  // namespace

void ResvListCriteria::AddOrder(const std::string& column, int direction) {
    if (direction != kAscending && direction != kDescending) return;
    const std::string entry = column + (direction == kAscending ? " ASC " : " DESC ");
    if (std::string* existing = orderBy_.Item(column)) {
        *existing = entry;
        return;
    }
    orderBy_.Add(column, entry);
}

std::string ResvListCriteria::BuildConditions(const std::string& alias) const {
    std::string c;
    auto add = [&](const std::string& condition) { c += " AND " + alias + "." + condition; };
    if (IsDate(ResvBeginDate)) add("ReserveDate >= '" + DateBound(ResvBeginDate) + "'");
    if (IsDate(ResvEndDate)) add("ReserveDate <= '" + DateBound(ResvEndDate) + "'");
    if (IsTime(ResvBeginTime)) add("ReserveTime >= '" + TimeBound(ResvBeginTime) + "'");
    if (IsTime(ResvEndTime)) add("ReserveTime <= '" + TimeBound(ResvEndTime) + "'");
    if (IsDate(RowModifiedBegin)) add("RowModified >= '" + DateBound(RowModifiedBegin) + "'");
    if (IsDate(RowModifiedEnd)) add("RowModified <= '" + DateBound(RowModifiedEnd) + "'");
    if (!ReserveType.empty()) add("ReserveType= " + Quoted(ReserveType));
    if (mpOutletIDs_.Count() > 0) add("MPOutletID IN (" + Join(mpOutletIDs_, false) + ")");
    if (outletIDs_.Count() > 0) add("OutletID IN (" + Join(outletIDs_, false) + ")");
    if (rowStatuses_.Count() > 0) add("RowStatus IN (" + Join(rowStatuses_, true) + ")");
    if (reserveIDs_.Count() > 0) add("ReserveID IN (" + Join(reserveIDs_, true) + ")");
    return c;
}

std::string ResvListCriteria::BuildWhere(const std::string& alias) {
    const std::string c = BuildConditions(alias);
    sqlWhere_ = c.empty() ? std::string() : " Where " + c.substr(4);
    return sqlWhere_;
}

std::string ResvListCriteria::SQLOrderByStatement() const {
    std::string out;
    for (const auto& [column, entry] : orderBy_)
        out += (out.empty() ? "" : ",") + entry;
    return out.empty() ? out : " Order By " + out;
}
