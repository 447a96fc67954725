#pragma once
// Reservation: one booking as a bag of column values (the fields of the
// reservation profile definition, plus the key columns the program reads by
// name) and the table bindings that tie it to tables.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "reservations/tablereserve.h"
#include "sql/variant.h"

class Recordset;
class ProfileDefinition;

using TableReserveMap = OrderedMap<int32_t, std::shared_ptr<TableReserve>>;

// Which recordset column fills which field: worked out once per result set,
// so loading a long list does not look every column up by name per row.
struct ResvColumnPlan {
    std::vector<std::pair<std::string, int>> columns;  // field key, column index
    const void* fields = nullptr;                      // the field list it was made for
    int reserveIDColumn = -1;                          // where ReserveID stands; -1 unknown
};
ResvColumnPlan MakeResvColumnPlan(const Recordset& rs, const ProfileDefinition& def);

class Reservation : public ErrorState {
  public:
    // Reads every field of the definition from the current row (the column
    // named by the field's DBField, or by its code for a pseudo-field), and
    // the key columns (ReserveID, DBServerID, OutletID, MPOutletID, GuestID,
    // RowStatus, ReserveDate, ReserveTime) the row carries. NULL reads as "",
    // long binary as its text. Fields the row lacks keep their values.
    bool Load(const Recordset* rs, const ProfileDefinition& def);
    bool Load(const Recordset* rs, const ResvColumnPlan& plan);

    void SetField(const std::string& name, Variant value);
    // The raw value; null when absent.
    Variant GetField(const std::string& name) const;
    std::string GetFieldText(const std::string& name) const;
    int32_t GetFieldLong(const std::string& name) const;
    int32_t GetFieldRoundedLong(const std::string& name) const;
    // The zero date (1900-01-01) when the value is not a date.
    DateTime GetFieldDate(const std::string& name) const;
    bool HasField(const std::string& name) const { return fields_.Exists(name); }
    const OrderedMap<std::string, Variant>& Fields() const { return fields_; }

    int32_t ReserveID() const { return GetFieldLong("ReserveID"); }

    // Takes the other's fields and bindings; the TableReserve objects are shared.
    void CopyFrom(const Reservation& other);
    TableReserveMap& TableReserves() { return tableReserves_; }
    const TableReserveMap& TableReserves() const { return tableReserves_; }
    // The bindings on that table number, ignoring case.
    TableReserveMap TablesByNo(const std::string& tableNo) const;
    bool HasTable(const std::string& tableNo) const;

    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }

  private:
    OrderedMap<std::string, Variant> fields_;
    TableReserveMap tableReserves_;
    bool visible_ = true;
};
