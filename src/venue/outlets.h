#pragma once
// Outlets: the active outlets with their meal periods and floor-plan
// sections, keyed by OutletID in the order of loading.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "venue/outlet.h"

class SQLDB;

class Outlets : public ErrorState {
  public:
    // Adds every active outlet (only `outletCode` when it is not blank),
    // sorted by name or code as the OutletSorting parameter says. An outlet
    // already held keeps its first object. False when the statement fails.
    bool Load(SQLDB& db, const std::string& outletCode = "");

    // nullptr for an unknown id (not an error).
    Outlet* GetOutletByID(int32_t id);
    const Outlet* GetOutletByID(int32_t id) const;
    // The member at a 0-based position; nullptr beyond the count.
    Outlet* ItemAt(std::size_t index);
    // A member added under an existing key is dropped and the first returned.
    Outlet* Add(int32_t id, std::unique_ptr<Outlet> outlet);
    std::size_t Count() const { return items_.Count(); }
    std::vector<int32_t> Keys() const { return items_.Keys(); }
    const OrderedMap<int32_t, std::unique_ptr<Outlet>>& Items() const { return items_; }

  private:
    bool LoadSections(SQLDB& db, Outlet& outlet);

    OrderedMap<int32_t, std::unique_ptr<Outlet>> items_;
};

// The statement Outlets::Load runs (exposed for the tests).
std::string OutletsQuery(const std::string& outletCode);
