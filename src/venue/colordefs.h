#pragma once
// ColorDefs: the table colours, loaded once: state colours ("S"), capacity
// colours ("C") and elapsed-time colours ("T"), each keyed by ColorID in
// load order.
#include <cstdint>
#include <string>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "venue/colordef.h"

class SQLDB;

class ColorDefs : public ErrorState {
  public:
    // Reads the three modules into fresh dictionaries; a failed statement is
    // logged and the next still runs. False when any statement failed.
    bool Load(SQLDB& db);

    // The first state row, in load order, whose code equals `code`
    // ignoring case; nullptr when there is none.
    const ColorDef* GetStatusColorDef(const std::string& code) const;
    // Its colour; 0 for a code without a row.
    int32_t GetTableStatusColor(const std::string& code) const;
    // The colour of the last time range (ascending lower bounds) holding
    // `minutes`, both bounds inclusive; the occupied colour when none does.
    int32_t GetTimeColor(int32_t minutes) const;

    const OrderedMap<int32_t, ColorDef>& TableStatusColor() const { return statusColors_; }
    const OrderedMap<int32_t, ColorDef>& TableCapacityColor() const { return capacityColors_; }
    const OrderedMap<int32_t, ColorDef>& TimeOccupiedColor() const { return timeColors_; }

  private:
    bool LoadModule(SQLDB& db, const std::string& sql, OrderedMap<int32_t, ColorDef>& into);

    OrderedMap<int32_t, ColorDef> statusColors_;
    OrderedMap<int32_t, ColorDef> capacityColors_;
    OrderedMap<int32_t, ColorDef> timeColors_;
};
