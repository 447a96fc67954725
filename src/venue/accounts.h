#pragma once
// Accounts: the active accounts keyed by AccountID in the order of loading.
#include <cstdint>
#include <vector>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "venue/account.h"

class SQLDB;

class Accounts : public ErrorState {
  public:
    // False with "oSQLDB is nothing" when no database is given, or when the
    // statement fails.
    bool Load(SQLDB* db);

    const Account* Item(int32_t id) const { return items_.Item(id); }
    std::size_t Count() const { return items_.Count(); }
    std::vector<int32_t> Keys() const { return items_.Keys(); }
    const OrderedMap<int32_t, Account>& Items() const { return items_; }

  private:
    OrderedMap<int32_t, Account> items_;
};
