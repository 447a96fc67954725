#pragma once
// TableReserve: one tbl_TableReserve row, binding a reservation to one table,
// with the part flags R1/R2 telling in which part of its meal period the
// reservation's time falls.
#include <array>
#include <cstdint>
#include <string>

#include "core/errorstate.h"
#include "platform/datetime.h"

class Recordset;
class SQLDB;

// The bounds of a meal period and a reservation time; times of day only.
struct PeriodParts {
    DateTime start, end1, start2, end;
};

struct PartFlags {
    bool r1 = false;
    bool r2 = false;
};

// R1: start <= time < end1; R2: start2 <= time < end. A part whose end is
// earlier than its start runs past midnight (a supper of 22:00 to 02:00 holds
// 23:30 and 01:00); a part whose start equals its end is empty.
PartFlags ComputePartFlags(const PeriodParts& parts, const DateTime& reserveTime);

// Where the binding's columns stand in a result set: found once, then read
// by position for every row.
struct TableReserveColumns {
    std::array<int, 17> at{};
    static TableReserveColumns Of(const Recordset& rs);
};

class TableReserve : public ErrorState {
  public:
    // Reads the current row, then the part flags from the reservation's meal
    // period on the connection of the row's DBServerID. False (9015/9018)
    // without a current row.
    bool Load(const Recordset* rs);
    // Reads the columns only; the caller supplies the part flags.
    bool LoadColumns(const Recordset* rs);
    bool LoadColumns(const Recordset* rs, const TableReserveColumns& columns);
    // Reads the meal period and time of the reservation on `db`; both flags
    // stay false when there is no such row.
    bool LoadPartFlags(SQLDB& db);
    void SetPartFlags(PartFlags f) { flags_ = f; }

    const DateTime& RowModified() const { return rowModified_; }
    const std::string& RowStatus() const { return rowStatus_; }
    int32_t TableReserveID() const { return tableReserveID_; }
    int32_t ReserveID() const { return reserveID_; }
    const std::string& TableNo() const { return tableNo_; }
    int16_t IsShare() const { return isShare_; }
    const std::string& CheckNo() const { return checkNo_; }
    const DateTime& CheckOpenTime() const { return checkOpenTime_; }
    const DateTime& CheckPrintTime() const { return checkPrintTime_; }
    const DateTime& CheckCloseTime() const { return checkCloseTime_; }
    int32_t CheckCover() const { return checkCover_; }
    float CheckTotal() const { return checkTotal_; }
    int16_t Capacity() const { return capacity_; }
    int16_t Occupied() const { return occupied_; }
    int16_t Reserved() const { return reserved_; }
    const std::string& POSTableNo() const { return posTableNo_; }
    int32_t DBServerID() const { return dbServerID_; }
    bool R1() const { return flags_.r1; }
    bool R2() const { return flags_.r2; }

    // Setters for bindings the program builds before it writes them.
    void SetTableNo(std::string v) { tableNo_ = std::move(v); }
    void SetReserveID(int32_t v) { reserveID_ = v; }
    void SetRowStatus(std::string v) { rowStatus_ = std::move(v); }

  private:
    DateTime rowModified_;
    std::string rowStatus_;
    int32_t tableReserveID_ = 0;
    int32_t reserveID_ = 0;
    std::string tableNo_;
    int16_t isShare_ = 0;
    std::string checkNo_;
    DateTime checkOpenTime_, checkPrintTime_, checkCloseTime_;
    int32_t checkCover_ = 0;
    float checkTotal_ = 0;
    int16_t capacity_ = 0, occupied_ = 0, reserved_ = 0;
    std::string posTableNo_;
    int32_t dbServerID_ = 0;
    PartFlags flags_;
};
