#include "views/viewset.h"

#include "core/log.h"
#include "registry/dbconnections.h"
#include "venue/outlets.h"
#include "views/datachangehandlers.h"

namespace {

constexpr const char* kClass = "ViewSet";

// Calls the hub's handler of an event when one is set.
template <typename Handler, typename Arg>
void Raise(const Handler& handler, const Arg& arg) {
    if (!handler) return;
    Handler copy = handler;  // a handler may replace itself
    copy(arg);
}

}  // namespace

ViewDateCheck CheckViewDate(ViewKind kind, const DateTime& date, const DateTime& businessDate) {
    const DateTime day = date.DatePart(), business = businessDate.DatePart();
    switch (kind) {
        case ViewKind::kCurrent:
            return day == business ? ViewDateCheck::kOK : ViewDateCheck::kNotBusinessDate;
        case ViewKind::kFuture:
            return day > business ? ViewDateCheck::kOK : ViewDateCheck::kNotAfter;
        case ViewKind::kPast:
            return day < business ? ViewDateCheck::kOK : ViewDateCheck::kNotBefore;
    }
    return ViewDateCheck::kOK;
}

ViewSet::ViewSet() {
    WireEvents();
}

ViewSet::~ViewSet() = default;

void ViewSet::AttachDataChanges(DataChangeDispatcher& dispatcher, int32_t clientID) {
    dataChanges_.reset();  // unregisters the handlers of an earlier attach
    dataChanges_ = std::make_unique<ViewDataChange>(*this, dispatcher, clientID);
}

bool ViewSet::Init(const Outlets* outlets) {
    bool ok = true;
    if (outlets == nullptr) {
        ownOutlets_ = std::make_unique<Outlets>();
        SQLDB* db = DefaultSQLDB();
        if (db == nullptr || !ownOutlets_->Load(*db)) {
            WriteLog("Load Outlets Information fail", kClass, "Init");
            ok = false;
        }
        outlets = ownOutlets_.get();
    }
    outlets_ = outlets;
    for (ResvView* view : {static_cast<ResvView*>(&current_), static_cast<ResvView*>(&future_),
                           static_cast<ResvView*>(&past_)}) {
        view->SetOutlets(outlets_);
        ok = view->InitProfile() && ok;
    }
    ok = current_.InitWalkInProfile() && ok;
    return ok;
}

ResvView& ViewSet::View(ViewKind kind) {
    switch (kind) {
        case ViewKind::kCurrent:
            return current_;
        case ViewKind::kFuture:
            return future_;
        case ViewKind::kPast:
            break;
    }
    return past_;
}

PlanView* ViewSet::Plans(ViewKind kind) {
    if (kind == ViewKind::kCurrent) return &current_;
    if (kind == ViewKind::kFuture) return &future_;
    return nullptr;
}

bool ViewSet::Open(ViewKind kind, int32_t outletID, int32_t mpOutletID, const DateTime& date) {
    const bool loaded = View(kind).Reload(outletID, mpOutletID, date);
    last_ = kind;
    // The servers are told even when a load failed: the workstation shows
    // this outlet, date and meal period now, and a lost server must not keep
    // the view from opening.
    filterSent_ = filterSender_ && filterSender_(date, outletID, mpOutletID);
    if (!filterSent_) WriteLog("Filter not sent to any server", kClass, "Open");
    return loaded;
}

void ViewSet::WireEvents() {
    current_.OnFullResvUpdate(
        [this](const Reservations& l) { Raise(events_.CVFullResvUpdate, l); });
    current_.OnFPResvUpdate([this](const Reservations& l) { Raise(events_.CVFPResvUpdate, l); });
    current_.OnTableStatusUpdate(
        [this](const TableStatus& s) { Raise(events_.CVTableStatusUpdate, s); });
    future_.OnFullResvUpdate([this](const Reservations& l) { Raise(events_.FVFullResvUpdate, l); });
    future_.OnFPResvUpdate([this](const Reservations& l) { Raise(events_.FVFPResvUpdate, l); });
    future_.OnTableStatusUpdate(
        [this](const TableStatus& s) { Raise(events_.FVTableStatusUpdate, s); });
    past_.OnFullResvUpdate([this](const Reservations& l) { Raise(events_.PVFullResvUpdate, l); });
}
