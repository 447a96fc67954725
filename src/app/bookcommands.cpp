// Shell commands that take new bookings through the save chain: a booking
// given on one line or asked field by field, waiting-list entries for one or
// several outlets, and walk-in parties taken now.
#include <algorithm>
#include <memory>

#include "app/booking.h"
#include "app/opscommands.h"
#include "app/profileargs.h"
#include "app/sessionfunc.h"
#include "app/shell.h"
#include "app/venueargs.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "messages/resvmessenger.h"
#include "messaging/kiv.h"
#include "platform/strnum.h"
#include "platform/textutil.h"
#include "platform/userinterface.h"
#include "profiles/fieldinput.h"
#include "profiles/profiledefinition.h"
#include "registry/dbconnections.h"
#include "reservations/newresv.h"
#include "reservations/tablereserve.h"
#include "sql/sqldb.h"
#include "venue/outlets.h"
#include "views/businessdate.h"
#include "views/datachangehandlers.h"
#include "views/viewset.h"

namespace {

constexpr const char* kBookUsage =
    "book OUTLET DATE PERIOD TIME COVERS TABLES|- [FIELD=VALUE ...] [--guest ACCOUNT] "
    "[--decline REASON]";
constexpr const char* kWaitUsage = "waitlist OUTLET[,OUTLET...] DATE TIME COVERS [FIELD=VALUE ...]";
constexpr const char* kWalkinUsage = "walkin OUTLET COVERS TABLES [FIELD=VALUE ...]";

// Positional words, FIELD=VALUE words and the two options.
struct BookArgs {
    std::vector<std::string> words;
    Assignments values;
    std::string guest, decline;
};

bool SplitArgs(Shell& shell, const std::vector<std::string>& args, BookArgs& out) {
    std::vector<std::string> assigned;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--guest" || a == "--decline") && i + 1 < args.size()) {
            (a == "--guest" ? out.guest : out.decline) = args[++i];
        } else if (a.rfind("--", 0) == 0) {
            shell.Error(GetMLText("Unknown option") + ": " + a);
            return false;
        } else if (a.find('=') != std::string::npos) {
            assigned.push_back(a);
        } else if (!assigned.empty()) {
            shell.Error(GetMLText("Give values as FIELD=VALUE") + ": " + a);
            return false;
        } else {
            out.words.push_back(a);
        }
    }
    return assigned.empty() || ReadAssignments(shell, assigned, out.values);
}

// Arguments without the --guest/--decline options and exactly `count`
// positional words; anything else is a usage error.
bool SplitPlainArgs(Shell& shell, const std::vector<std::string>& args, std::size_t count,
                    const char* usage, BookArgs& out) {
    if (!SplitArgs(shell, args, out)) return false;
    if (out.words.size() == count && out.guest.empty() && out.decline.empty()) return true;
    shell.Error(GetMLText("Usage") + ": " + usage);
    return false;
}

// Whether the time of day lies in the meal period (either part).
bool InPeriod(const MPOutlet& p, const DateTime& time) {
    const PartFlags f =
        ComputePartFlags({p.MPStartTime(), p.MPEndTime1(), p.MPStartTime2(), p.MPEndTime()}, time);
    return f.r1 || f.r2;
}

std::optional<int32_t> ReadCovers(Shell& shell, const std::string& arg) {
    if (AllDigits(arg) && arg.size() < 6 && std::stoi(arg) >= 1) return std::stoi(arg);
    shell.Error(GetMLText("Invalid covers") + ": " + arg);
    return std::nullopt;
}

std::vector<std::string> SplitTables(const std::string& list) {
    std::vector<std::string> tables;
    if (list == "-") return tables;
    std::string item;
    for (std::size_t i = 0; i <= list.size(); ++i) {
        if (i < list.size() && list[i] != ',') {
            item += list[i];
            continue;
        }
        if (!Trim(item).empty()) tables.push_back(UpperAscii(Trim(item)));
        item.clear();
    }
    return tables;
}

// FIELD=VALUE through the form, then into the booking.
bool Assign(Shell& shell, Booking& b, const Assignments& values) {
    if (values.empty()) return true;
    if (!ApplyAssignments(shell, *b.def, values, true, false)) return false;
    for (const auto& [name, value] : values) {
        ProfileField* f = b.def->FindField(name);
        b.resv->Fields().SetField(f->ProfileCode(), Variant(f->GetValue()));
    }
    return true;
}

void BookAsked(Shell& shell);

void Book(Shell& shell, const std::vector<std::string>& args) {
    if (args.empty()) return BookAsked(shell);
    BookArgs a;
    if (!SplitArgs(shell, args, a)) return;
    if (a.words.size() != 6) {
        shell.Error(GetMLText("Usage") + ": " + kBookUsage);
        return;
    }
    Booking b(shell);
    const Outlet* outlet = FindOutlet(shell, b.outlets, a.words[0]);
    if (outlet == nullptr) return;
    const auto day = ParseDay(shell, a.words[1]);
    const MPOutlet* period = day ? FindPeriod(shell, *outlet, a.words[2]) : nullptr;
    const auto time = period != nullptr ? ParseTimeOfDay(shell, a.words[3]) : std::nullopt;
    const auto covers = time ? ReadCovers(shell, a.words[4]) : std::nullopt;
    if (!covers) return;
    if (!InPeriod(*period, *time)) {
        shell.Error(GetMLText("The time is not in the meal period") + ": " + a.words[3]);
        return;
    }
    if (!StartBooking(shell, b, *outlet, *day, period->MPOutletID(), BookingForm(shell))) return;
    Reservation& r = b.resv->Fields();
    r.SetField("ReserveType", Variant("N"));
    if (!a.guest.empty() && !AttachGuestAccount(shell, b, a.guest)) return;
    if (!Assign(shell, b, a.values)) return;
    r.SetField("ReserveDate", Variant(day->DateText()));
    r.SetField("ReserveTime", Variant(time->Format("hh:nn")));
    r.SetField("ReserveCover", Variant(*covers));
    if (!a.decline.empty() && !b.resv->SetDeclineReason(a.decline)) {
        shell.Error(GetMLText("Unknown cancel reason") + ": " + a.decline);
        return;
    }
    if (a.decline.empty() && !PickBookingTables(shell, *b.resv, SplitTables(a.words[5]))) return;
    SaveBooking(shell, *b.resv);
}

// One value asked through the field's control until it is accepted; false
// at the end of input.
bool AskField(Shell& shell, ProfileDefinition& def, ProfileField& f, std::string& value) {
    std::string prompt = f.Desc();
    if (f.Options().Count() != 0) {
        std::string opts;
        for (const auto& [key, o] : f.Options())
            opts += (opts.empty() ? "" : ", ") + o.Value + "=" + o.Name;
        prompt += " (" + opts + ")";
    }
    const std::string def0 = f.GetValue();
    if (!def0.empty()) prompt += " [" + def0 + "]";
    if (def.IsMust(f)) prompt += " *";
    for (;;) {
        const auto line = UI().ReadLine(prompt + ": ", false);
        if (!line) return false;
        const std::string typed = Trim(*line).empty() ? def0 : Trim(*line);
        std::string message;
        if (EnterFieldValue(f, typed, def.IsMust(f), message)) {
            value = f.GetValue();
            return true;
        }
        shell.Error(GetMLText(message) + ": " + f.ProfileCode() + "=" + typed);
    }
}

void BookAsked(Shell& shell) {
    Booking b(shell);
    const auto outletLine = UI().ReadLine(GetMLText("Outlet") + ": ", false);
    if (!outletLine) return;
    const Outlet* outlet = FindOutlet(shell, b.outlets, Trim(*outletLine));
    if (outlet == nullptr) return;
    b.def = LoadDefinition(shell, BookingForm(shell));
    if (b.def == nullptr) return;
    b.def->FillDefaults();
    // The fields of the form in its order; date, time and covers decide the
    // meal period before any table is picked.
    Assignments values;
    std::optional<DateTime> day, time;
    int32_t covers = 0;
    for (ProfileField* f : b.def->ListedFields()) {
        if (f->IsPseudo() || !b.def->IsNewEnabled(*f)) continue;
        std::string value;
        if (!AskField(shell, *b.def, *f, value)) return;
        const std::string code = UpperAscii(f->ProfileCode());
        if (code == "RESERVEDATE") {
            day = DateTime::Parse(value == "NOW" ? DateTime::Now().DateText() : value);
        } else if (code == "RESERVETIME") {
            time = DateTime::Parse("1900-01-01 " + value);
        } else if (code == "RESERVECOVER") {
            covers = Variant(value).ToInt32();
        } else if (!value.empty()) {
            values.emplace_back(f->ProfileCode(), value);
        }
    }
    if (!day || !time || covers < 1) {
        shell.Error(GetMLText("Date, time and covers are required"));
        return;
    }
    const int32_t mp = outlet->GetMPOutlets().FindMPOutletID(*time);
    if (mp <= 0) {
        shell.Error(GetMLText("No meal period at this time"));
        return;
    }
    if (!StartBooking(shell, b, *outlet, *day, mp, BookingForm(shell))) return;
    for (const auto& [code, value] : values)
        b.resv->Fields().SetField(code, Variant(value));
    Reservation& r = b.resv->Fields();
    if (r.GetFieldText("ReserveType").empty()) r.SetField("ReserveType", Variant("N"));
    r.SetField("ReserveDate", Variant(day->DateText()));
    r.SetField("ReserveTime", Variant(time->Format("hh:nn")));
    r.SetField("ReserveCover", Variant(covers));
    for (;;) {
        const auto line = UI().ReadLine(GetMLText("Table (empty to finish)") + ": ", false);
        if (!line) return;
        const std::string t = UpperAscii(Trim(*line));
        if (t.empty()) break;
        const HoldRefusal refusal = b.resv->PickTable(t);
        if (refusal == HoldRefusal::None)
            shell.Out("held\t" + t);
        else
            shell.Error(GetMLText("Table") + " " + t + " " + GetMLText("cannot be held:") + " " +
                        GetMLText(HoldRefusalText(refusal)));
    }
    SaveBooking(shell, *b.resv);
}

void WaitList(Shell& shell, const std::vector<std::string>& args) {
    BookArgs a;
    if (!SplitPlainArgs(shell, args, 4, kWaitUsage, a)) return;
    Booking b(shell);
    std::vector<const Outlet*> outlets;
    for (const std::string& code : SplitTables(a.words[0])) {
        const Outlet* o = FindOutlet(shell, b.outlets, code);
        if (o == nullptr) return;
        outlets.push_back(o);
    }
    const auto day = outlets.empty() ? std::nullopt : ParseDay(shell, a.words[1]);
    const auto time = day ? ParseTimeOfDay(shell, a.words[2]) : std::nullopt;
    const auto covers = time ? ReadCovers(shell, a.words[3]) : std::nullopt;
    if (!covers) return;
    std::string ids;
    for (const Outlet* o : outlets) {
        if (o->GetMPOutlets().FindMPOutletID(*time) <= 0) {
            shell.Error(GetMLText("No meal period at this time") + ": " + o->OutletCode());
            return;
        }
        ids += (ids.empty() ? "" : ",") + Str(o->OutletID());
    }
    const int32_t mp = outlets.front()->GetMPOutlets().FindMPOutletID(*time);
    if (!StartBooking(shell, b, *outlets.front(), *day, mp, BookingForm(shell))) return;
    b.resv->SetOutlets(&b.outlets);
    if (!Assign(shell, b, a.values)) return;
    Reservation& r = b.resv->Fields();
    r.SetField("ReserveType", Variant("W"));
    r.SetField("SYS_WaitingOutletID", Variant(ids));
    r.SetField("ReserveDate", Variant(day->DateText()));
    r.SetField("ReserveTime", Variant(time->Format("hh:nn")));
    r.SetField("ReserveCover", Variant(*covers));
    SaveBooking(shell, *b.resv);
}

void Walkin(Shell& shell, const std::vector<std::string>& args) {
    BookArgs a;
    if (!SplitPlainArgs(shell, args, 3, kWalkinUsage, a)) return;
    Outlets outlets;
    const Outlet* outlet = FindOutlet(shell, outlets, a.words[0]);
    const auto covers = outlet != nullptr ? ReadCovers(shell, a.words[1]) : std::nullopt;
    if (!covers) return;
    TakeWalkin(shell, *outlet, *covers, SplitTables(a.words[2]),
               [&shell, &a](Booking& b) { return Assign(shell, b, a.values); });
}

}  // namespace

void AddBookCommands(Shell& shell) {
    shell.Add({"book", kBookUsage,
               "Book a table through the save chain (alone: asks field by field)", Book});
    shell.Add({"waitlist", kWaitUsage, "Put a party on the waiting list of one or more outlets",
               WaitList});
    shell.Add({"walkin", kWalkinUsage, "Take a walk-in party now and bind its tables", Walkin});
}
