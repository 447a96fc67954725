#pragma once
// ViewSet: the current, future and past views of a signed-in workstation,
// held by the hub from sign-in to sign-out. It opens a view on an outlet,
// date and meal period, tells the KIV servers what the workstation now shows
// (the FILTER packet), and passes the views' change events on under the
// hub's names (CVTableStatusUpdate, FVFullResvUpdate, ...).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "views/pastview.h"
#include "views/planview.h"

class DataChangeDispatcher;
class Outlets;
class ViewDataChange;

enum class ViewKind { kCurrent, kFuture, kPast };

// Which dates a kind of view may show, against the outlet's business date.
enum class ViewDateCheck {
    kOK,
    kNotBusinessDate,  // the current view shows the business date only
    kNotAfter,         // the future view shows later dates only
    kNotBefore,        // the past view shows earlier dates only
};
ViewDateCheck CheckViewDate(ViewKind kind, const DateTime& date, const DateTime& businessDate);

// The view events as the hub raises them.
struct ViewEvents {
    std::function<void(const Reservations&)> CVFullResvUpdate, CVFPResvUpdate;
    std::function<void(const TableStatus&)> CVTableStatusUpdate;
    std::function<void(const Reservations&)> FVFullResvUpdate, FVFPResvUpdate;
    std::function<void(const TableStatus&)> FVTableStatusUpdate;
    std::function<void(const Reservations&)> PVFullResvUpdate;
    // Raised by the data-change handlers (ViewDataChange).
    std::function<void(const FloorPlan&)> CVFloorplanUpdate, FVFloorplanUpdate;
    std::function<void(const TableStatus&)> NRTableStatusUpdate;
    std::function<void(const Reservations&)> NRResvUpdate;
};

class ViewSet {
  public:
    // Tells the servers the date, outlet and meal period on show; false when
    // no server could be told (the sender logs why).
    using FilterSender =
        std::function<bool(const DateTime& date, int32_t outletID, int32_t mpOutletID)>;

    ViewSet();
    ~ViewSet();
    ViewSet(const ViewSet&) = delete;
    ViewSet& operator=(const ViewSet&) = delete;

    // Gives the views their outlets (`outlets`, or a set read here on the
    // default connection when nullptr) and their profiles. False when a
    // profile or the outlets could not be read (logged; the views still exist).
    bool Init(const Outlets* outlets = nullptr);
    void SetFilterSender(FilterSender sender) { filterSender_ = std::move(sender); }
    ViewEvents& Events() { return events_; }
    // Registers the data-change handlers of these views with `dispatcher`;
    // they stay registered while the views live.
    void AttachDataChanges(DataChangeDispatcher& dispatcher, int32_t clientID);
    // The handlers; nullptr until attached.
    ViewDataChange* DataChanges() { return dataChanges_.get(); }
    const Outlets* GetOutlets() const { return outlets_; }

    CurrentView& Current() { return current_; }
    FutureView& Future() { return future_; }
    PastView& Past() { return past_; }
    ResvView& View(ViewKind kind);
    // The plan view of a kind; nullptr for the past view.
    PlanView* Plans(ViewKind kind);

    // Reloads the view of `kind` and sends the FILTER. A view opens even when
    // no server can be told; false only when the view could not be loaded.
    bool Open(ViewKind kind, int32_t outletID, int32_t mpOutletID, const DateTime& date);
    // The kind opened last; nothing before the first Open.
    std::optional<ViewKind> LastOpened() const { return last_; }
    // Whether the last FILTER reached a server.
    bool FilterSent() const { return filterSent_; }

  private:
    void WireEvents();

    std::unique_ptr<Outlets> ownOutlets_;
    const Outlets* outlets_ = nullptr;
    CurrentView current_;
    FutureView future_;
    PastView past_;
    ViewEvents events_;
    FilterSender filterSender_;
    std::unique_ptr<ViewDataChange> dataChanges_;
    std::optional<ViewKind> last_;
    bool filterSent_ = false;
};
