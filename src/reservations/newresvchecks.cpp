// NewResv: the checks of the save chain that run before anything is
// written. Each shows its own message and returns false to end the save;
// warnings ask and go on when the user confirms.
#include <algorithm>
#include <set>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/mltext.h"
#include "platform/textutil.h"
#include "platform/userinterface.h"
#include "profiles/profiledefinition.h"
#include "reservations/newresv.h"
#include "reservations/resvallotment.h"
#include "reservations/resvduplicates.h"
#include "reservations/resvmessagehook.h"
#include "users/user.h"
#include "venue/outlet.h"

namespace {

// Front-end rights of the reservation screens (index 2), by bit.
constexpr int kResvRights = 2;
constexpr int32_t kRightNewResv = 1;
constexpr int32_t kRightWaitingList = 32;
constexpr int32_t kRightWalkin = 64;
constexpr int32_t kRightOutsideLimits = 128;
constexpr int32_t kRightPastDateTime = 256;
constexpr int32_t kRightFuture = 512;
constexpr int32_t kRightCurrentPeriod = 1024;

bool HasRight(int32_t bit) {
    return g_oUser != nullptr && g_oUser->CheckFERight(kResvRights, bit, false);
}

bool Yes(const std::string& v) {
    return UpperAscii(Trim(v)) == "YES";
}

// Whether the form shows the field (its order in the operation is above 0).
bool Shown(const ProfileDefinition* def, const std::string& code) {
    if (def == nullptr) return false;
    for (const ProfileField* f : def->ListedFields())
        if (UpperAscii(f->ProfileCode()) == UpperAscii(code)) return true;
    return false;
}

}  // namespace

bool NewResv::ConfirmInternetBooking() {
    if (UpperAscii(resv_.GetFieldText("ReserveMode")) != "I") return true;
    if (!UI().AskYesNo(GetMLText("Are you sure the book is internet booking?"),
                       GetMLText("Internet Booking"), false)) {
        message_ = "Are you sure the book is internet booking?";
        return false;
    }
    Log("make one internet booking by " + (g_oUser != nullptr ? g_oUser->LoginID() : ""));
    return true;
}

bool NewResv::ValidateInput() {
    // Adults and children are checked only when the form shows them and
    // one of them was given: an empty pair says nothing about the party.
    if (Shown(def_, "DYAdult") && Shown(def_, "DYChildren")) {
        const std::string adults = resv_.GetFieldText("DYAdult");
        const std::string children = resv_.GetFieldText("DYChildren");
        if ((!adults.empty() || !children.empty()) &&
            resv_.GetFieldLong("DYAdult") + resv_.GetFieldLong("DYChildren") !=
                resv_.GetFieldLong("ReserveCover") &&
            !Confirm("Adult cover + children cover does not equal to reserver cover\nDo you want "
                     "to continue ?",
                     "CulinaroTable"))
            return false;
    }
    Log("ValidateInput seccess");
    return true;
}

bool NewResv::ValidateMessage() {
    if (Yes(resv_.GetFieldText("ReceiveSMS"))) {
        std::string sms = Trim(resv_.GetFieldText("DYSMSContact"));
        if (sms.empty()) sms = Trim(resv_.GetFieldText("ContactPhone"));
        if (sms.empty()) {
            Refuse("Destination cannot be empty");
            return false;
        }
        if (!ValidSMSPhone(sms)) {
            Refuse("Invalid phone for sending SMS message");
            return false;
        }
    }
    if (Yes(resv_.GetFieldText("ReceiveEmail")) && Trim(resv_.GetFieldText("Email")).empty()) {
        Refuse("Destination cannot be empty");
        return false;
    }
    if (messages_ != nullptr && Messaged()) {
        const std::string refusal =
            messages_->ValidateMessages(resv_, *outlet_, mpOutletID_, date_);
        if (!refusal.empty()) {
            Refuse(refusal);
            return false;
        }
    }
    Log("ValidateMessage seccess");
    return true;
}

bool NewResv::CheckTableNoList() {
    if (!picked_.empty() && rule_ != nullptr) {
        bool all = true;
        for (const PickedTable& p : picked_) {
            bool blocked = false;
            if (!rule_->Blocked(p.TableNo, blocked)) {
                Refuse("Cannot read the table blocks");
                return false;
            }
            all = all && blocked;
        }
        if (all) {
            Refuse("All tables are being blocked!");
            return false;
        }
    }
    Log("CheckTableNoList seccess");
    return true;
}

bool NewResv::CheckFutureResvLimit() {
    const int limit = outlet_ != nullptr ? outlet_->FVResvDayLimit() : 0;
    const DateTime today = DateTime::Now().DatePart();
    if (limit > 0 && date_.DaysSinceEpoch() - today.DaysSinceEpoch() > limit) {
        Refuse(GetMLText("You are not allowed to create future reservation beyond") + " " +
               std::to_string(limit) + " " + GetMLText("days"));
        return false;
    }
    Log("CheckFutureResvLimit seccess");
    return true;
}

bool NewResv::CheckSMS() {
    // The send times come from the outlet's message configuration, planned
    // by ValidateMessage.
    if (messages_ != nullptr && Messaged()) {
        const std::string refusal = messages_->CheckSendTimes();
        if (!refusal.empty()) {
            Refuse(refusal);
            return false;
        }
    }
    Log("CheckSMS seccess");
    return true;
}

bool NewResv::CheckPermission() {
    if (!picked_.empty()) {
        const int32_t covers = Covers();
        if (static_cast<int32_t>(picked_.size()) > std::max(covers, 1)) {
            Refuse("Too many tables selected");
            return false;
        }
        int32_t lower = 0, upper = 0, capacity = 0;
        bool shared = false;
        for (const PickedTable& p : picked_) {
            lower += std::max(p.MinCover, 0);
            upper += p.MaxCover > 0 ? p.MaxCover : p.Capacity;
            capacity += p.Capacity;
            shared = shared || p.Shared;
        }
        if ((covers < lower || covers > upper) && !HasRight(kRightOutsideLimits)) {
            Refuse(GetMLText("You are not authorized to create reservation when reservation "
                             "covers outside the table limits,must between ") +
                   std::to_string(lower) + GetMLText(" and ") + std::to_string(upper));
            return false;
        }
        if (outlet_->ResvCoverGreaterWarning() != 0 && covers > capacity &&
            !Confirm("Warning: Reserve cover is larger than table capacity available",
                     "CulinaroTable"))
            return false;
        if (outlet_->ResvCoverSmallerWarning() != 0 && !shared && covers < capacity &&
            !Confirm("Warning: Reserve cover is smaller than table capacity available",
                     "CulinaroTable"))
            return false;
    }
    Log("CheckPermission seccess");
    return true;
}

bool NewResv::PopAlertIsBlackList() {
    if (outlet_->PopAlertIsBlackList() && Yes(resv_.GetFieldText("BlackList")) &&
        !Confirm(resv_.GetFieldText("BlackListCaption") + ". Are you sure to continue?",
                 "Alert Message"))
        return false;
    Log("PopAlertIsBlackList seccess");
    return true;
}

bool NewResv::CheckWebAllotment() {
    std::vector<AllotTable> tables;
    for (const PickedTable& p : picked_)
        tables.push_back({p.TableNo, p.Capacity});
    std::string message;
    if (db_ == nullptr || !UpdateResvCheckWebAllotment(
                              *db_, 0, tables, Covers(), date_, *outlet_, mpOutletID_,
                              UpperAscii(resv_.GetFieldText("ReserveMode")) == "I", &message)) {
        message_ = message;
        Log("CheckWebAllotment = false ");
        return false;
    }
    Log("Check Web Allotment for a capacity table seccess");
    return true;
}

bool NewResv::CheckOutlet() {
    if (outlet_ != nullptr && outlet_->OutletID() > 0) return true;
    Refuse("Input Error: No outlet selected");
    return false;
}

bool NewResv::CheckDateTimeRights() {
    if (g_oUser == nullptr || g_oUser->UserID() <= 0) {
        Refuse("Invalid user login");
        return false;
    }
    if (outlet_ == nullptr) {
        Refuse("System Error: Cannot find outlet");
        return false;
    }
    const int32_t need = Walkin()        ? kRightWalkin
                         : WaitingList() ? kRightWaitingList
                                         : kRightNewResv;
    if (!g_oUser->CheckFERight(kResvRights, need, true)) {
        message_ = "Sorry, you are not authorized to proceed the action";
        return false;
    }
    // A walk-in party is taken now: the date and time rights do not apply.
    if (Walkin()) return true;
    const DateTime now = DateTime::Now();
    const DateTime today = now.DatePart();
    // Without a time only the date can be past.
    const auto time = resv_.GetField("ReserveTime").ToDateTime();
    const bool past =
        time ? date_.AddSeconds(time->Hour * 3600 + time->Minute * 60 + time->Second) < now
             : date_ < today;
    const bool future = date_ > today;
    const char* refusal = nullptr;
    if (WaitingList()) {
        if (past && !HasRight(kRightPastDateTime))
            refusal = "You are not authorized to create waiting list with past date and time";
        else if (future && !HasRight(kRightFuture))
            refusal = "You are not authorized to create future waiting list";
        else if (!future && !past && !HasRight(kRightWaitingList))
            refusal = "You are not authorized to create waiting list of today";
    } else {
        const bool current =
            date_ == today && outlet_->GetMPOutlets().FindMPOutletID(now) == mpOutletID_;
        if (past && !HasRight(kRightPastDateTime))
            refusal = "You are not authorized to create new reservation with past date and time";
        else if (future && !HasRight(kRightFuture))
            refusal = "You are not authorized to create future reservation";
        else if (!past && current && !HasRight(kRightCurrentPeriod))
            refusal = "You are not authorized to create reservation in current meal period";
    }
    if (refusal != nullptr) {
        Refuse(refusal);
        return false;
    }
    return true;
}

bool NewResv::CheckMustFields() {
    std::vector<std::string> codes;
    if (def_ != nullptr) {
        for (const ProfileField* f : def_->ListedFields())
            if (def_->IsMust(*f) && !f->IsPseudo()) codes.push_back(f->ProfileCode());
    }
    const std::string param =
        g_oConfig != nullptr ? g_oConfig->ConfigParam("NewResv_AdvMustField").ToText() : "";
    std::string item;
    for (std::size_t i = 0; i <= param.size(); ++i) {
        if (i < param.size() && param[i] != ',') {
            item += param[i];
            continue;
        }
        item = Trim(item);
        if (!item.empty()) codes.push_back(item);
        item.clear();
    }
    std::string missing;
    std::set<std::string> seen;
    for (const std::string& code : codes) {
        if (!Trim(resv_.GetFieldText(code)).empty() || !seen.insert(UpperAscii(code)).second)
            continue;
        const ProfileField* f = def_ != nullptr ? def_->FindField(code) : nullptr;
        missing += "\n" + (f != nullptr ? f->Desc() : code);
    }
    if (missing.empty()) return true;
    Refuse(GetMLText("You have to input the following fields") + missing);
    return false;
}

bool NewResv::CheckDuplicates() {
    previous_.Clear();
    prevAction_ = PrevResvAction::kNone;
    if (WaitingList() || Walkin()) return true;
    if (db_ == nullptr || !FindDuplicateResvs(*db_, def_, resv_, previous_)) {
        Refuse("Cannot check for duplicate reservations");
        return false;
    }
    if (previous_.Count() == 0) return true;
    if (duplicates_) {
        prevAction_ = duplicates_(previous_);
    } else {
        std::string list;
        for (const auto& [id, r] : previous_.Items())
            list += "\n" + r->GetFieldText("ReserveNo") + " " + r->GetFieldText("ReserveTime") +
                    " " + r->GetFieldText("DYLastName");
        prevAction_ = UI().AskYesNo(GetMLText("Cancel the previous reservations?") + list,
                                    GetMLText("Duplicate reservation"), false)
                          ? PrevResvAction::kCancel
                          : PrevResvAction::kKeep;
    }
    return prevAction_ != PrevResvAction::kNone;
}
