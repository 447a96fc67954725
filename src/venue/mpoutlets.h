#pragma once
// MPOutlets: the meal periods of one outlet, keyed by MPOutletID in MPCode order.
#include <cstdint>
#include <string>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "venue/mpoutlet.h"

class SQLDB;

class MPOutlets : public ErrorState {
  public:
    // Reads the outlet's active meal periods; a row that cannot be read is
    // logged and skipped. False when the statement fails.
    bool Load(SQLDB& db, int32_t outletID);

    // The first period in MPCode order that contains the time of day; -1
    // when none does.
    int32_t FindMPOutletID(const DateTime& time) const;

    // A member added under an existing key is dropped and the first returned.
    MPOutlet* Add(int32_t id, MPOutlet period);
    MPOutlet* Item(int32_t id) { return items_.Item(id); }
    const MPOutlet* Item(int32_t id) const { return items_.Item(id); }
    // The member at a 0-based position; nullptr beyond the count.
    const MPOutlet* ItemAt(std::size_t index) const;
    std::size_t Count() const { return items_.Count(); }
    std::vector<int32_t> Keys() const { return items_.Keys(); }
    const OrderedMap<int32_t, MPOutlet>& Items() const { return items_; }

  private:
    OrderedMap<int32_t, MPOutlet> items_;
};
