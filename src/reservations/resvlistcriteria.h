#pragma once
// ResvListCriteria: the conditions and order of a reservation-list query.
// Bounds are given in DateFormat / TimeFormat; a bound that is empty or does
// not read as a date (time) adds no condition.
#include <cstdint>
#include <string>

#include "core/orderedmap.h"

class ResvListCriteria {
  public:
    static constexpr const char* DateFormat = "YYYY-MM-DD";
    static constexpr const char* TimeFormat = "HH:NN:SS";
    enum Direction : int { kAscending = 1, kDescending = 2 };

    std::string ResvBeginDate, ResvEndDate;
    std::string ResvBeginTime, ResvEndTime;
    std::string RowModifiedBegin, RowModifiedEnd;
    std::string ReserveType;

    void AddMPOutletID(int32_t id) { mpOutletIDs_.Add(id, id); }
    void AddOutletID(int32_t id) { outletIDs_.Add(id, id); }
    void AddRowStatus(const std::string& code) { rowStatuses_.Add(code, code); }
    void AddReserveID(int32_t id) { reserveIDs_.Add(id, id); }
    // 1 ascending, 2 descending; a column already present keeps its place
    // and takes the new direction. Other directions do nothing.
    void AddOrder(const std::string& column, int direction);

    const OrderedMap<int32_t, int32_t>& MPOutletIDs() const { return mpOutletIDs_; }
    const OrderedMap<int32_t, int32_t>& OutletIDs() const { return outletIDs_; }
    const OrderedMap<std::string, std::string>& RowStatuses() const { return rowStatuses_; }
    const OrderedMap<int32_t, int32_t>& ReserveIDs() const { return reserveIDs_; }
    const OrderedMap<std::string, std::string>& OrderBy() const { return orderBy_; }

    // The conditions, each " AND " + alias + "." + condition.
    std::string BuildConditions(const std::string& alias) const;
    // " Where " + the conditions less their leading " AND", or "" when there
    // are none; also kept in SQLWhereStatment.
    std::string BuildWhere(const std::string& alias);
    const std::string& SQLWhereStatment() const { return sqlWhere_; }
    // " Order By " + the entries joined by ","; "" when there are none.
    std::string SQLOrderByStatement() const;

  private:
    OrderedMap<int32_t, int32_t> mpOutletIDs_, outletIDs_, reserveIDs_;
    OrderedMap<std::string, std::string> rowStatuses_;
    OrderedMap<std::string, std::string> orderBy_;
    std::string sqlWhere_;
};
