#pragma once
// ViewDataChange: the data-change handlers of a workstation. Each takes one
// notification another workstation sent through the KIV server, re-reads
// the changed row on the database the notification names, and brings every
// open view and the booking being taken (the new-reservation object) up to
// date, raising their change events under the hub's names.
//
// Only the table's key column and a positive integer id ever reach a
// statement: the dispatcher refuses anything else before a handler runs, and
// the handlers write the column in their own spelling.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "messaging/datachange.h"

class NewResv;
class PlanView;
class Recordset;
class Reservation;
class ResvView;
class SQLDB;
class TableStatus;
class ViewSet;

class ViewDataChange {
  public:
    // Told after each handled notification with the views it changed, by
    // name: "current", "future", "past", "new" (none: empty).
    using AppliedHandler =
        std::function<void(const DataChangeMsg& msg, const std::vector<std::string>& views)>;

    // Registers the six handlers with `dispatcher`. Instant messages are the
    // hub's own (InstantMsgs); `clientID` is kept for the callers.
    ViewDataChange(ViewSet& views, DataChangeDispatcher& dispatcher, int32_t clientID);
    ~ViewDataChange();  // unregisters them
    ViewDataChange(const ViewDataChange&) = delete;
    ViewDataChange& operator=(const ViewDataChange&) = delete;

    // The booking being taken, kept up to date too while set (nullptr: none).
    void SetNewResv(NewResv* resv) { newResv_ = resv; }
    NewResv* GetNewResv() const { return newResv_; }
    void OnApplied(AppliedHandler handler) { applied_ = std::move(handler); }

    // The handlers; each returns the views it changed.
    std::vector<std::string> DBChange_tbl_TableBlock(const DataChangeMsg& msg);
    std::vector<std::string> DBChange_tbl_TableTemp(const DataChangeMsg& msg);
    std::vector<std::string> DBChange_tbl_TableStatus(const DataChangeMsg& msg);
    std::vector<std::string> DBChange_tbl_TableReserve(const DataChangeMsg& msg);
    std::vector<std::string> DBChange_tbl_FloorPlan(const DataChangeMsg& msg);
    std::vector<std::string> DBChange_tbl_Reservation(const DataChangeMsg& msg);

  private:
    using Handler = std::vector<std::string> (ViewDataChange::*)(const DataChangeMsg&);
    void Register(const char* table, Handler handler);
    // The connection of the notification's server; nullptr (logged as the
    // handler of `hold`s or another logs it) without one.
    SQLDB* Database(const DataChangeMsg& msg, const char* procedure, bool hold);
    // Runs `sql`; nullptr (logged) when it fails or finds no row.
    std::shared_ptr<Recordset> ReadRow(SQLDB& db, const std::string& sql, const char* procedure,
                                       const std::string& noRow);
    // The open plan views showing the outlet and meal period (and the date,
    // unless `anyDate`), with their names.
    std::vector<std::pair<PlanView*, const char*>> PlanViewsOf(int32_t outletID, int32_t mpOutletID,
                                                               const std::string& date,
                                                               bool anyDate);
    // Whether the booking being taken shows the outlet, meal period and date.
    bool NewResvShows(int32_t outletID, int32_t mpOutletID, const std::string& date) const;
    void RaiseNRTableStatus(const TableStatus& status) const;
    // Brings one view's lists up to date with the re-read reservation
    // (nullptr: no longer to be shown); true when a list changed.
    bool ApplyToView(ResvView& view, PlanView* plans, int32_t reserveID, const Reservation* fresh);
    bool ApplyToNewResv(SQLDB& db, int32_t reserveID);

    ViewSet& views_;
    DataChangeDispatcher& dispatcher_;
    NewResv* newResv_ = nullptr;
    AppliedHandler applied_;
    std::vector<std::string> tables_;
};
