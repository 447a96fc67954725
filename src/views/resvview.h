#pragma once
// ResvView: what every view of one outlet, meal period and business date
// holds: the outlet and the connection of its database server, the outlet's
// meal periods, the reservation profile and the full reservation list of the
// day with its time filter. The past view is this alone; the current and
// future views add the floor plans (PlanView).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/errorstate.h"
#include "platform/datetime.h"
#include "reservations/reservations.h"
#include "venue/mpoutlets.h"
#include "venue/timefilter.h"

class Outlet;
class Outlets;
class ProfileDefinition;
class ResvListCriteria;
class SQLDB;

class ResvView : public ErrorState {
  public:
    // Raised with the list that changed.
    using ResvListHandler = std::function<void(const Reservations&)>;

    // `module` names the view in every log line ("CurrentView", ...).
    explicit ResvView(std::string module);
    virtual ~ResvView();
    ResvView(const ResvView&) = delete;
    ResvView& operator=(const ResvView&) = delete;

    const std::string& Module() const { return module_; }

    // The outlets the view finds its outlet in (the hub's); not owned.
    void SetOutlets(const Outlets* outlets) { outlets_ = outlets; }
    const Outlets* GetOutlets() const { return outlets_; }
    // The reservation-list profile on the default connection in the current
    // language; "Load Profile fail" is logged when it cannot be read.
    bool InitProfile();
    ProfileDefinition* ProfileDef() { return profileDef_.get(); }

    // Also fetches the connection of the outlet's database server (nullptr
    // when the outlet or its server is unknown).
    virtual void SetOutletID(int32_t id);
    virtual void SetMPOutletID(int32_t id) { mpOutletID_ = id; }
    virtual void SetResvDate(const DateTime& date) { resvDate_ = date.DatePart(); }
    int32_t OutletID() const { return outletID_; }
    int32_t MPOutletID() const { return mpOutletID_; }
    const DateTime& ResvDate() const { return resvDate_; }
    SQLDB* GetSQLDB() const { return sqldb_; }

    // The outlet's active meal periods, read afresh on the default connection.
    bool LoadMPOutlets();
    const MPOutlets& GetMPOutlets() const { return mpOutlets_; }

    // Refills the day's list: statuses A, X, L, N and C, one meal period only
    // when the time filter asks for it.
    bool LoadFullResv();
    Reservations& FullResvs() { return fullResvs_; }
    const Reservations& FullResvs() const { return fullResvs_; }
    TimeFilter& FullListFilter() { return fullListFilter_; }
    const TimeFilter& FullListFilter() const { return fullListFilter_; }

    // The database clock of the outlet's server; the zero date on failure.
    DateTime GetLastModifiedTime();

    // Everything the view shows, in the order the window reloads it: outlet,
    // meal periods, date, meal period, then the lists (and plans). False
    // when any step failed; nothing is loaded while the outlet is 0.
    virtual bool Reload(int32_t outletID, int32_t mpOutletID, const DateTime& date);
    // Whether a Reload has succeeded since the view was made.
    bool IsOpen() const { return open_; }

    void OnFullResvUpdate(ResvListHandler handler) { fullResvUpdate_ = std::move(handler); }
    // Tells the listener the full list changed (after a data change).
    void RaiseFullResvUpdate() const;

  protected:
    // The view's outlet; nullptr (and the log line) when it cannot be found.
    const Outlet* FindOutlet(const char* procedure, bool withID);
    // Runs the list query for the day and outlet with `criteria` and refills
    // `into`; `listName` names the list in the add-failure log line.
    bool LoadResvs(const char* procedure, const char* listName, bool outletIDInLog,
                   ResvListCriteria& criteria, Reservations& into);
    // Reload's steps before the lists, shared by every kind of view.
    void SetAll(int32_t outletID, int32_t mpOutletID, const DateTime& date);
    void SetOpen(bool v) { open_ = v; }
    // Whether a missing outlet is logged with its id by LoadFullResv.
    void SetFullListLogsOutletID(bool v) { fullListLogsOutletID_ = v; }

  private:
    std::string module_;
    const Outlets* outlets_ = nullptr;
    std::unique_ptr<ProfileDefinition> profileDef_;
    int32_t outletID_ = 0;
    int32_t mpOutletID_ = 0;
    DateTime resvDate_;
    SQLDB* sqldb_ = nullptr;
    MPOutlets mpOutlets_;
    Reservations fullResvs_;
    TimeFilter fullListFilter_;
    bool fullListLogsOutletID_ = false;
    bool open_ = false;
    ResvListHandler fullResvUpdate_;
};
