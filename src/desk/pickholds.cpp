#include "desk/pickholds.h"

#include <algorithm>

#include "app/venueargs.h"
#include "messaging/datachange.h"
#include "messaging/kiv.h"
#include "platform/strnum.h"
#include "platform/textutil.h"
#include "views/datachangehandlers.h"
#include "views/viewset.h"

namespace {

bool Has(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

PickHolds::PickHolds(Shell& shell) : shell_(shell) {}

PickHolds::~PickHolds() {
    ReleaseAll();
}

bool PickHolds::Open(int32_t outletID, const DateTime& date, int32_t mp) {
    ReleaseAll();
    auto b = std::make_unique<Booking>(shell_);
    const Outlet* outlet = FindOutlet(shell_, b->outlets, Str(outletID));
    if (outlet == nullptr || !StartBooking(shell_, *b, *outlet, date, mp, BookingForm(shell_)))
        return false;
    booking_ = std::move(b);
    outletID_ = outletID;
    mp_ = mp;
    date_ = date.DateText();
    return true;
}

bool PickHolds::Prepare(int32_t outletID, const DateTime& date, int32_t mp) {
    const bool open =
        booking_ != nullptr && outletID == outletID_ && mp == mp_ && date.DateText() == date_;
    return open || Open(outletID, date, mp);
}

std::vector<PickHolds::Refused> PickHolds::Follow(int32_t outletID, const DateTime& date,
                                                  int32_t mp,
                                                  const std::vector<std::string>& tables,
                                                  bool retry) {
    const bool sameView =
        booking_ != nullptr && outletID == outletID_ && mp == mp_ && date.DateText() == date_;
    // Another day or period shown without picks: nothing to open yet.
    if (!sameView && tables.empty()) {
        ReleaseAll();
        return {};
    }
    if (!Prepare(outletID, date, mp)) return {};
    for (const std::string& t : followed_)
        if (!Has(tables, t)) Drop(t);
    const std::vector<std::string> held = Held();
    std::vector<Refused> refused;
    for (const std::string& t : tables) {
        if (Has(held, t) || (!retry && Has(followed_, t))) continue;
        const HoldRefusal why = booking_->resv->PickTable(t);
        if (why == HoldRefusal::None || why == HoldRefusal::HeldHere)
            ShowHold(TempIDOf(t));
        else
            refused.push_back({t, why});
    }
    followed_ = tables;
    return refused;
}

int32_t PickHolds::TempIDOf(const std::string& table) const {
    for (const PickedTable& p : booking_->resv->Picked())
        if (p.TableNo == table) return p.TempID;
    return 0;
}

void PickHolds::Drop(const std::string& table) {
    const int32_t tempID = TempIDOf(table);
    if (tempID == 0) return;  // it was never held
    booking_->resv->DropTable(table);
    ShowHold(tempID);
}

void PickHolds::Release(const std::vector<std::string>& tables) {
    if (booking_ != nullptr)
        for (const std::string& t : tables)
            Drop(t);
}

void PickHolds::ReleaseAll() {
    if (booking_ != nullptr)
        while (!booking_->resv->Picked().empty())
            Drop(booking_->resv->Picked().front().TableNo);
    booking_.reset();
    followed_.clear();
    outletID_ = mp_ = 0;
    date_.clear();
}

std::vector<std::string> PickHolds::Held() const {
    std::vector<std::string> out;
    if (booking_ != nullptr)
        for (const PickedTable& p : booking_->resv->Picked())
            out.push_back(p.TableNo);
    return out;
}

void PickHolds::ShowHold(int32_t tempID) const {
    const Outlet* outlet = booking_->resv->GetOutlet();
    ViewSet* views = shell_.Hub() != nullptr ? shell_.Hub()->Views() : nullptr;
    ViewDataChange* changes = views != nullptr ? views->DataChanges() : nullptr;
    if (outlet == nullptr || changes == nullptr || tempID <= 0) return;
    DataChangeMsg msg;
    msg.DBServerID = outlet->DBServerID();
    msg.Module = "RESERVATION";
    msg.Operation = "update";
    msg.Table = "tbl_tabletemp";
    msg.Field = "tempid";
    msg.FieldID = tempID;
    msg.FieldIDText = Str(tempID);
    changes->DBChange_tbl_TableTemp(msg);
}
