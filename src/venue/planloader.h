#pragma once
// PlanLoader: the floor plans in force for one outlet, meal period and
// business date, one status object per table number with its hold and
// block, and the race-meeting booking times. The current and future views
// and the new-reservation object each own one; `module` names the owner in
// every log line ("CurrentView", "FutureView", ...).
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "platform/datetime.h"
#include "venue/floorplan.h"
#include "venue/tablestatus.h"

class SQLDB;

using FloorPlanMap = OrderedMap<int32_t, std::shared_ptr<FloorPlan>>;
// Keyed by upper-cased table number. Shared so that a handler holding a
// status keeps a valid object across a reload.
using TableStatusMap = OrderedMap<std::string, std::shared_ptr<TableStatus>>;

// The condition of the blocks that apply on `day`: from BeginDate to EndDate
// inclusive, a missing date leaving that side open (both missing: never).
std::string BlockDateCondition(const DateTime& day);
// The column of the blocking user's name in the language in use ("NameL1").
std::string BlockUserNameColumn();

class PlanLoader : public ErrorState {
  public:
    explicit PlanLoader(std::string module);

    // The outlet and the connection of its database server (`db` may be
    // nullptr when the server is not available; loads then fail and log).
    void SetOutlet(int32_t outletID, int32_t dbServerID, SQLDB* db);
    void SetMPOutletID(int32_t id) { mpOutletID_ = id; }
    void SetResvDate(const DateTime& date) { resvDate_ = date.DatePart(); }
    // The workstation clock (tests give a fixed one).
    void SetClock(std::function<DateTime()> clock) { clock_ = std::move(clock); }

    // Replaces the plans, the status dictionary and the duplicate list with
    // those in force. Nothing happens (false) while outlet or meal period is 0.
    bool LoadFloorplans();
    // Reads the outlet's status rows into the dictionary (a row of a table on
    // no plan gets an entry too), sets ExistsInFP and NotStartBook, then
    // loads holds and blocks.
    bool LoadTableStatuses();
    // Marks the tables held by a workstation for the date and meal period.
    bool LoadLockTable();
    // Marks the tables blocked on the date; a block applies from BeginDate
    // to EndDate inclusive, a missing date leaving that side open (both
    // missing: never).
    bool LoadBlockTable();
    // Race-meeting sites: the server clock's lead and the day's booking times.
    bool LoadSvrTimeDiff();
    bool LoadTableBookingDT();

    // Race-meeting sites: whether the server's present time is still before
    // the table's booking time (on-course for "O" tables, telephone else).
    bool BeforeBookingTime(const std::string& tableNo) const;

    int32_t OutletID() const { return outletID_; }
    int32_t MPOutletID() const { return mpOutletID_; }
    const DateTime& ResvDate() const { return resvDate_; }
    const FloorPlanMap& FloorPlans() const { return plans_; }
    TableStatusMap& TableStatuses() { return statuses_; }
    const TableStatusMap& TableStatuses() const { return statuses_; }
    // nullptr when the number has no entry (any case accepted).
    TableStatus* GetTableStatus(const std::string& tableNo);
    // Numbers drawn on more than one plan in force, joined by ",".
    const std::string& DuplicateFPTableNoList() const { return duplicates_; }
    bool IsDuplicate(const std::string& tableNo) const;
    // The table of that number on the first plan in force that draws it.
    const FPTable* FindTable(const std::string& tableNo) const;

    int32_t SvrTimeDiff() const { return svrTimeDiff_; }
    void SetSvrTimeDiff(int32_t seconds) { svrTimeDiff_ = seconds; }
    const DateTime& OnCourseDT() const { return onCourseDT_; }
    void SetOnCourseDT(const DateTime& v) { onCourseDT_ = v; }
    const DateTime& PhoneBookingDT() const { return phoneBookingDT_; }
    void SetPhoneBookingDT(const DateTime& v) { phoneBookingDT_ = v; }

  private:
    SQLDB* Database(const char* procedure);
    bool LoadPlanTables(SQLDB& db, FloorPlan& plan);
    // The entry of a table on a plan in force; nullptr for any other number.
    TableStatus* PlanTableStatus(const std::string& tableNo);
    bool LoadDuplicates(SQLDB& db);
    void MarkPlanFacts();

    std::string module_;
    int32_t outletID_ = 0;
    int32_t dbServerID_ = 0;
    SQLDB* db_ = nullptr;
    int32_t mpOutletID_ = 0;
    DateTime resvDate_;
    std::function<DateTime()> clock_ = [] { return DateTime::Now(); };

    FloorPlanMap plans_;
    TableStatusMap statuses_;
    std::string duplicates_;
    std::set<std::string> duplicateSet_;
    int32_t svrTimeDiff_ = 0;
    DateTime onCourseDT_;
    DateTime phoneBookingDT_;
};
