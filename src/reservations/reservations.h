#pragma once
// Reservations: reservations keyed by ReserveID in the order they were added.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "reservations/reservation.h"

class Reservations : public ErrorState {
  public:
    // nullptr when absent / out of range (0-based).
    Reservation* Item(int32_t reserveID);
    const Reservation* Item(int32_t reserveID) const;
    Reservation* ItemAt(std::size_t index);
    bool Exists(int32_t reserveID) const { return items_.Exists(reserveID); }
    std::size_t Count() const { return items_.Count(); }
    std::vector<int32_t> Keys() const { return items_.Keys(); }
    // False (and nothing changes) when the key is already present.
    bool Add(std::shared_ptr<Reservation> reservation);
    bool Remove(int32_t reserveID) { return items_.Remove(reserveID); }
    void Clear() { items_.Clear(); }
    // Loads the current row into a new member, or reloads the member that
    // has its ReserveID in place. nullptr when the row cannot be read.
    Reservation* LoadRow(const Recordset* rs, const ProfileDefinition& def);
    // The same with the column plan of the result set made once by the caller.
    Reservation* LoadRow(const Recordset* rs, const ResvColumnPlan& plan);
    bool HasTableReserve(int32_t tableReserveID) const;
    const OrderedMap<int32_t, std::shared_ptr<Reservation>>& Items() const { return items_; }

  private:
    OrderedMap<int32_t, std::shared_ptr<Reservation>> items_;
};
