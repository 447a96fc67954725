#pragma once
// PlanView: a view that draws the floor plans of its date: the current view
// (the business date being served) and the future view (a later date) are
// one implementation, told apart by PlanViewKind. Besides the day's full list
// it holds the plans in force, one status object per table number with its
// hold, block and race-meeting booking start, and the reservations of its meal
// period, each placed on the status objects of its tables.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "venue/planloader.h"
#include "views/resvview.h"

// What tells the current and the future view apart.
struct PlanViewKind {
    const char* module;     // log module: "CurrentView", "FutureView"
    bool completedOnPlans;  // the meal period's list holds completed ("C") bookings
    bool walkInProfile;     // a walk-in profile is loaded beside the reservation one
    bool fullListLogsID;    // a missing outlet of the full list is logged with its id
    bool liveStates;        // the tables' state codes are the live ones of today
};

inline constexpr PlanViewKind kCurrentViewKind{"CurrentView", true, true, false, true};
inline constexpr PlanViewKind kFutureViewKind{"FutureView", false, false, true, false};

class PlanView : public ResvView {
  public:
    using TableStatusHandler = std::function<void(const TableStatus&)>;

    explicit PlanView(const PlanViewKind& kind);
    ~PlanView() override;

    const PlanViewKind& Kind() const { return kind_; }

    // The walk-in profile (current view only); "Load Profile fail" when it
    // cannot be read.
    bool InitWalkInProfile();
    ProfileDefinition* WalkinProfileDef() { return walkinProfileDef_.get(); }

    void SetOutletID(int32_t id) override;
    void SetMPOutletID(int32_t id) override;
    void SetResvDate(const DateTime& date) override;
    // The workstation clock the race-meeting times are compared with (tests).
    void SetClock(std::function<DateTime()> clock);

    // The plans in force with new plan and status collections (none while
    // outlet or meal period is 0); on race-meeting sites first the server's
    // clock difference and the day's booking times.
    bool LoadFloorplans();
    // The outlet's status rows into the dictionary, ExistsInFP, NotStartBook,
    // then holds and blocks. Run after LoadFloorplans.
    bool LoadTableStatuses();
    // Refills the meal period's list and places each active reservation on
    // the status objects of its active tables (Reservations, R1Res, R2Res).
    bool LoadFPResv();
    bool LoadSvrTimeDiff();
    bool LoadTableBookingDT();

    bool Reload(int32_t outletID, int32_t mpOutletID, const DateTime& date) override;

    const FloorPlanMap& FloorPlans() const { return loader_.FloorPlans(); }
    TableStatusMap& TableStatuses() { return loader_.TableStatuses(); }
    const TableStatusMap& TableStatuses() const { return loader_.TableStatuses(); }
    // nullptr when the number has no entry (any case accepted).
    TableStatus* GetTableStatus(const std::string& tableNo) {
        return loader_.GetTableStatus(tableNo);
    }
    const std::string& DuplicateFPTableNoList() const { return loader_.DuplicateFPTableNoList(); }
    bool IsDuplicate(const std::string& tableNo) const { return loader_.IsDuplicate(tableNo); }
    Reservations& FPResvs() { return fpResvs_; }
    const Reservations& FPResvs() const { return fpResvs_; }
    int32_t SvrTimeDiff() const { return loader_.SvrTimeDiff(); }
    const DateTime& OnCourseDT() const { return loader_.OnCourseDT(); }
    const DateTime& PhoneBookingDT() const { return loader_.PhoneBookingDT(); }
    // The plans, statuses and booking times themselves (handlers and windows).
    PlanLoader& Loader() { return loader_; }
    const PlanLoader& Loader() const { return loader_; }

    // Raises TableStatusUpdate with the status; called after a table's
    // status, block or hold changed.
    void UpdateTableStatus(const TableStatus& status) const;
    // The timer's re-check on race-meeting sites: every table still waiting
    // for its booking time whose time has come gets NotStartBook false and
    // its update raised. The numbers of those tables.
    std::vector<std::string> RecheckBookingStart();

    void OnTableStatusUpdate(TableStatusHandler handler) {
        tableStatusUpdate_ = std::move(handler);
    }
    void OnFPResvUpdate(ResvListHandler handler) { fpResvUpdate_ = std::move(handler); }
    void RaiseFPResvUpdate() const;
    // Places each active reservation of the meal period's list on the status
    // objects of its active tables, afresh (after a list or a binding changed).
    void PlaceOnTables();

  private:
    // Whether the outlet is known; logs "Cannot retrieve outlet :" otherwise.
    bool OutletKnown(const char* procedure);
    void TakeFPResvFromFullList();

    PlanViewKind kind_;
    PlanLoader loader_;
    std::unique_ptr<ProfileDefinition> walkinProfileDef_;
    Reservations fpResvs_;
    TableStatusHandler tableStatusUpdate_;
    ResvListHandler fpResvUpdate_;
};

// The working state behind the floor-plan window of the business date.
class CurrentView final : public PlanView {
  public:
    CurrentView() : PlanView(kCurrentViewKind) {}
};

// The working state behind the window of a later business date.
class FutureView final : public PlanView {
  public:
    FutureView() : PlanView(kFutureViewKind) {}
};
