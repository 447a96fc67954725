// Demo reservations of one outlet from 30 days back to 30 days ahead: their
// table bindings, numbers, the live table status of today's seated parties
// and a few queued guest messages.
#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "app/demodata.h"
#include "app/demomodel.h"
#include "procedures/installprocedures.h"
#include "procedures/procsupport.h"

namespace {

constexpr int kDays = 30;

// Cancel reasons as numbered by the base data (tbl_Message identities).
struct Reason {
    int id;
    const char* subCat;
};
constexpr Reason kCancelled = {1, "N"};
constexpr Reason kNoShow = {6, "NS"};
constexpr Reason kDeclined = {4, "DCL"};
constexpr Reason kRefunded = {9, "NCP"};

const char* const kRemarks[] = {"Birthday cake at dessert",    "Window seat please",
                                "Wheelchair access",           "Allergic to nuts",
                                "High chair needed",           "Anniversary",
                                "Business dinner, quiet table"};

std::string Clock(int minutes) {
    minutes = ((minutes % 1440) + 1440) % 1440;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:00", minutes / 60, minutes % 60);
    return buf;
}

int Minutes(const char* hhmmss) {
    return std::stoi(hhmmss) * 60 + std::stoi(hhmmss + 3);
}

std::string Guid(DemoRandom& r) {
    // Drawn one by one: the order of function arguments is not fixed.
    uint32_t p[6];
    for (auto& v : p)
        v = r.Next();
    char buf[40];
    std::snprintf(buf, sizeof buf, "%08X-%04X-%04X-%04X-%04X%08X", p[0], p[1] & 0xFFFF,
                  (p[2] & 0x0FFF) | 0x4000, (p[3] & 0x3FFF) | 0x8000, p[4] & 0xFFFF, p[5]);
    return buf;
}

int Cover(DemoRandom& r) {
    static const int covers[] = {1, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3,  4,
                                 4, 4, 4, 4, 5, 6, 6, 6, 8, 8, 10, 12};
    return covers[r.Below(static_cast<int>(sizeof covers / sizeof covers[0]))];
}

enum class Phase { Past, Seated, Future };

// What happens to one generated reservation.
struct Outcome {
    std::string rowStatus = "A";
    const Reason* reason = nullptr;
    bool arrived = false;
};

Outcome Decide(DemoRandom& r, Phase phase, bool waiting) {
    Outcome o;
    const int roll = r.Below(100);
    if (waiting) {
        if (phase == Phase::Past) {
            o.rowStatus = "X";
            o.reason = &kCancelled;
        }
        return o;
    }
    if (phase == Phase::Past) {
        if (roll < 80) {
            o.rowStatus = "C";
            o.arrived = true;
        } else if (roll < 90) {
            o.rowStatus = "X", o.reason = &kCancelled;
        } else if (roll < 96) {
            o.rowStatus = "X", o.reason = &kNoShow;
        } else if (roll < 98) {
            o.rowStatus = "X", o.reason = &kDeclined;
        } else {
            o.rowStatus = "D";
        }
    } else if (phase == Phase::Seated) {
        if (roll < 50) {
            o.arrived = true;
        } else if (roll >= 92) {
            o.rowStatus = "X", o.reason = &kCancelled;
        }
    } else {
        if (roll >= 98) {
            o.rowStatus = "D";
        } else if (roll >= 96) {
            o.rowStatus = "X", o.reason = &kDeclined;
        } else if (roll >= 95) {
            o.rowStatus = "X", o.reason = &kRefunded;
        } else if (roll >= 88) {
            o.rowStatus = "X", o.reason = &kCancelled;
        }
    }
    return o;
}

const std::vector<std::string> kReservationColumns = {"DBServerID",
                                                      "OutletID",
                                                      "MPOutletID",
                                                      "CreateOutletID",
                                                      "ReserveNo",
                                                      "ReserveGUID",
                                                      "ReserveDate",
                                                      "ReserveTime",
                                                      "ReserveCover",
                                                      "OccupyCover",
                                                      "ArrivalTime",
                                                      "ArrivalCover",
                                                      "ReturnTime",
                                                      "ReserveType",
                                                      "ReserveMode",
                                                      "ReserveStatus",
                                                      "ConfirmStatus",
                                                      "WaitDT",
                                                      "GuestID",
                                                      "DYSalutation",
                                                      "DYFirstName",
                                                      "DYLastName",
                                                      "DYChineseName",
                                                      "ContactPhone",
                                                      "DYSMSContact",
                                                      "Email",
                                                      "ReceiveSMS",
                                                      "ReceiveEmail",
                                                      "DYAccountNo",
                                                      "DYHolderNo",
                                                      "DYMemCategory",
                                                      "DYType",
                                                      "DYAdult",
                                                      "DYChildren",
                                                      "Remark",
                                                      "CancelMsgID",
                                                      "CancelMsgCat",
                                                      "CancelMsgSubCat",
                                                      "CancelUserID",
                                                      "CancelDT",
                                                      "CreateUserID",
                                                      "CreateClientID",
                                                      "CreateDT",
                                                      "UpdateUserID",
                                                      "UpdateClientID",
                                                      "UpdateDT",
                                                      "UpdateCountByUser",
                                                      "RowStatus",
                                                      "RowModified"};

const std::vector<std::string> kBindingColumns = {
    "DBServerID",     "ReserveID",      "TableNo",    "IsShare",    "CheckNo",  "CheckOpenTime",
    "CheckPrintTime", "CheckCloseTime", "CheckCover", "CheckTotal", "Capacity", "Occupied",
    "Reserved",       "POSTableNo",     "RowStatus",  "RowModified"};

// A party seated now, for the live table status.
struct Seated {
    int64_t reserveID;
    std::string table;
    std::string arrival;
    int cover;
    std::string checkNo;
};

// Free tables of one date, meal period and seating part.
class Seating {
  public:
    Seating(const std::vector<const DemoTable*>& tables, const std::set<std::string>& blocked)
        : tables_(tables), blocked_(blocked) {}

    // The smallest free table that fits, a merge pair, or a place at a shared
    // table; empty when the party cannot be placed.
    std::vector<const DemoTable*> Choose(int cover, int part) {
        for (const DemoTable* t : tables_) {
            if (t->shareCount == 0 && Free(t->no, part) && t->capacity >= cover &&
                t->capacity <= cover + 4) {
                return {t};
            }
        }
        for (const DemoTable* t : tables_) {
            if (t->mergeWith.empty() || t->mergeCover < cover || !Free(t->no, part) ||
                !Free(t->mergeWith, part)) {
                continue;
            }
            for (const DemoTable* u : tables_) {
                if (u->no == t->mergeWith) return {t, u};
            }
        }
        for (const DemoTable* t : tables_) {
            if (t->shareCount > 0 && cover <= 4 && !blocked_.count(t->no) &&
                shared_[{t->no, part}] < t->shareCount) {
                return {t};
            }
        }
        return {};
    }
    void Take(const std::vector<const DemoTable*>& chosen, int part) {
        for (const DemoTable* t : chosen) {
            if (t->shareCount > 0) {
                shared_[{t->no, part}]++;
            } else {
                used_.insert({t->no, part});
            }
        }
    }

  private:
    bool Free(const std::string& no, int part) const {
        return !blocked_.count(no) && !used_.count({no, part});
    }
    std::vector<const DemoTable*> tables_;
    std::set<std::string> blocked_;
    std::set<std::pair<std::string, int>> used_;
    std::map<std::pair<std::string, int>, int> shared_;
};

class BookingWriter {
  public:
    BookingWriter(SQLiteFile& db, const InstallContext& ctx, const DemoOutlet& outlet)
        : db_(db),
          ctx_(ctx),
          outlet_(outlet),
          r_(1000 + static_cast<uint64_t>(outlet.id)),
          resv_(db, "tbl_Reservation", kReservationColumns),
          bind_(db, "tbl_TableReserve", kBindingColumns) {
        for (const auto& [plan, tables] : DemoTablesOfOutlet(ctx, outlet.id)) {
            for (const auto& t : tables)
                byPlan_[plan].push_back(t);
        }
        for (const auto& [plan, tables] : byPlan_) {
            for (const auto& t : tables) {
                if (!tableNos_.count(t.no)) tableNos_.insert(t.no), order_.push_back(t.no);
            }
        }
    }

    bool Run(std::string& error) {
        std::vector<const DemoMealPeriod*> periods;
        for (const auto& m : DemoMealPeriods()) {
            if (m.outlet == outlet_.id) periods.push_back(&m);
        }
        for (int d = -kDays; d <= kDays; ++d) {
            const int base = (d == 0 ? outlet_.todayCount
                                     : (d == 1 || d == -1 ? outlet_.nearCount : outlet_.dayCount)) *
                             ctx_.scale;
            bool beforeSeated = true;
            for (const DemoMealPeriod* m : periods) {
                if (m->id == outlet_.seatedMP) beforeSeated = false;
                const Phase phase = d < 0 || (d == 0 && beforeSeated)     ? Phase::Past
                                    : d == 0 && m->id == outlet_.seatedMP ? Phase::Seated
                                                                          : Phase::Future;
                const int count = std::max(1, (base * m->weight + 50) / 100);
                if (!MealPeriod(d, *m, phase, count, error)) return false;
            }
        }
        return Finish(error);
    }

  private:
    bool MealPeriod(int d, const DemoMealPeriod& m, Phase phase, int count, std::string& error) {
        const std::string date = ctx_.Day(d);
        FileProcedureContext pctx(db_);
        std::vector<PlanInForce> plans;
        if (!FloorPlansInForce(pctx, date, m.id, outlet_.id, plans, error)) return false;
        std::vector<const DemoTable*> tables;
        std::set<std::string> seen;
        for (const auto& p : plans) {
            for (const auto& t : byPlan_[static_cast<int>(p.FPID)]) {
                if (seen.insert(t.no).second) tables.push_back(&t);
            }
        }
        std::stable_sort(tables.begin(), tables.end(), [](const DemoTable* a, const DemoTable* b) {
            return a->capacity < b->capacity;
        });
        std::set<std::string> blocked;
        auto rs = db_.Query(
            "SELECT TableNo FROM tbl_TableBlock t WHERE t.RowStatus = 'A' AND"
            " t.OutletID = ? AND t.MPOutletID = ? AND " +
                BlockAppliesSql("t"),
            {outlet_.id, m.id, date, date, date, date});
        if (rs == nullptr) {
            error = db_.LastError();
            return false;
        }
        for (const auto& row : rs->Rows())
            blocked.insert(row[0].ToText());
        Seating seating(tables, blocked);
        for (int k = 0; k < count; ++k) {
            if (!Reservation(d, m, phase, seating, error)) return false;
        }
        return true;
    }

    // Start times every 15 minutes up to an hour before the end, skipping the
    // break of a split period.
    int PickTime(const DemoMealPeriod& m) {
        const int start = Minutes(m.start);
        int end = Minutes(m.end);
        if (end <= start) end += 1440;
        const int end1 = Minutes(m.end1), start2 = Minutes(m.start2);
        std::vector<int> slots;
        for (int t = start; t <= end - 60; t += 15) {
            const int clock = t % 1440;
            if (end1 < start2 && clock >= end1 && clock < start2) continue;
            slots.push_back(t);
        }
        return slots[static_cast<std::size_t>(r_.Below(static_cast<int>(slots.size())))];
    }

    bool Reservation(int d, const DemoMealPeriod& m, Phase phase, Seating& seating,
                     std::string& error) {
        const std::string date = ctx_.Day(d);
        const bool walkIn = phase != Phase::Future && r_.Chance(8);
        const bool waiting = !walkIn && r_.Chance(5);
        Outcome out = Decide(r_, phase, waiting);
        if (walkIn) out = Outcome{phase == Phase::Past ? "C" : "A", nullptr, true};
        const int time = PickTime(m);
        const int part =
            Minutes(m.end1) != Minutes(m.end) && time % 1440 >= Minutes(m.end1) ? 2 : 1;
        const int cover = Cover(r_);
        const int arrival = time + r_.Between(-10, 20);
        std::string mode = walkIn ? "W" : (r_.Chance(75) ? "T" : "P");
        if (!walkIn && outlet_.web && r_.Chance(12)) mode = "I";

        // The booker: a member, or the placeholder guest with the caller's details.
        const bool member = !walkIn ? r_.Chance(70) : r_.Chance(20);
        const DemoGuest* g = member ? &DemoGuests()[static_cast<std::size_t>(
                                          r_.Below(static_cast<int>(DemoGuests().size())))]
                                    : nullptr;
        const std::string first =
            g ? g->firstName : DemoGuests()[static_cast<std::size_t>(r_.Below(50))].firstName;
        const std::string last =
            g ? g->lastName : DemoGuests()[static_cast<std::size_t>(r_.Below(50) + 50)].lastName;
        const std::string phone = g ? g->phone : std::to_string(60000000 + r_.Below(9999999));

        // When and by whom it was booked.
        const int createDay = walkIn ? d : std::min(d, 0) - r_.Below(15);
        const std::string created =
            walkIn ? ctx_.At(d, 0, arrival)
                   : ctx_.At(createDay, createDay == 0 ? 8 : r_.Between(9, 20), r_.Below(4) * 15);
        const std::string createDate = created.substr(0, 10);
        const std::string number = FormatReserveNo(createDate, ++counters_[createDate]);
        const int user = 1 + r_.Below(3);
        const int client = 1 + r_.Below(2);
        const int children = cover >= 4 && r_.Chance(20) ? r_.Between(1, 2) : 0;

        std::string updated = created;
        Variant cancelDT, cancelUser;
        if (out.reason != nullptr) {
            cancelDT = Variant(ctx_.At(std::min(d, 0), 7, 30));
            cancelUser = Variant(2 + r_.Below(2));
            updated = cancelDT.ToText();
        }
        const bool seatedNow = out.arrived && phase == Phase::Seated;
        if (out.arrived && phase == Phase::Past) updated = ctx_.At(d, 0, arrival + 100);
        if (seatedNow) updated = ctx_.At(d, 0, arrival);

        Row row = {outlet_.server,
                   outlet_.id,
                   m.id,
                   outlet_.id,
                   number,
                   Guid(r_),
                   date,
                   Clock(time),
                   cover,
                   cover,
                   out.arrived ? Variant(Clock(arrival)) : Null(),
                   out.arrived ? Variant(cover - (r_.Chance(10) && cover > 1 ? 1 : 0)) : Null(),
                   Clock(time + 120),
                   waiting ? "W" : "N",
                   mode,
                   waiting ? Variant("N")
                           : (mode == "I" && phase == Phase::Future && r_.Chance(30) ? Variant("P")
                                                                                     : Null()),
                   out.arrived || phase == Phase::Past || r_.Chance(60) ? 1 : 0,
                   waiting ? Variant(created) : Null(),
                   g ? g->id : kPseudoGuestID,
                   g ? Variant(g->salutation) : Null(),
                   first,
                   last,
                   g ? Variant(g->chineseName) : Null(),
                   phone,
                   phone,
                   g ? Variant(g->email) : Null(),
                   g ? g->receiveSMS : "NO",
                   g ? g->receiveEmail : "NO",
                   g ? g->accountNo : kPseudoGuestNo,
                   g ? Variant(g->holderNo) : Null(),
                   g ? Variant(g->category) : Null(),
                   g ? "MEMBER" : "GUEST",
                   cover - children,
                   children,
                   r_.Chance(15) ? Variant(kRemarks[r_.Below(7)]) : Null(),
                   out.reason ? Variant(out.reason->id) : Null(),
                   out.reason ? Variant("MAN") : Null(),
                   out.reason ? Variant(out.reason->subCat) : Null(),
                   cancelUser,
                   cancelDT,
                   user,
                   client,
                   created,
                   user,
                   client,
                   updated,
                   0,
                   out.rowStatus,
                   updated};
        if (!resv_.Add(row)) {
            error = "tbl_Reservation: " + resv_.Error();
            return false;
        }
        const int64_t id = resv_.LastInsertId();
        if (g && mode != "W" && phase == Phase::Future && out.rowStatus == "A" &&
            g->receiveSMS == "YES" && messages_.size() < 20) {
            messages_.push_back({id, g->id, g->phone, date, Clock(time), created});
        }
        if (waiting) return true;

        auto chosen = seating.Choose(cover, part);
        const bool occupies = out.rowStatus == "A" || out.rowStatus == "C";
        if (occupies) seating.Take(chosen, part);
        const std::string bindStatus =
            out.rowStatus == "X" ? "X" : (out.rowStatus == "D" ? "D" : "A");
        int left = cover;
        const std::string checkNo =
            out.arrived ? outlet_.posCode + std::to_string(10000 + ++checks_) : std::string();
        for (const DemoTable* t : chosen) {
            const int occupied = std::min(left, t->capacity);
            left -= occupied;
            const bool settled = out.arrived && phase == Phase::Past;
            const std::string open = ctx_.At(d, 0, arrival + 5);
            Row b = {outlet_.server,
                     id,
                     t->no,
                     t->shareCount > 0 ? 1 : 0,
                     out.arrived ? Variant(checkNo) : Null(),
                     out.arrived ? Variant(open) : Null(),
                     settled ? Variant(ctx_.At(d, 0, arrival + 80)) : Null(),
                     settled ? Variant(ctx_.At(d, 0, arrival + 90)) : Null(),
                     out.arrived ? Variant(occupied) : Null(),
                     settled ? Variant::Currency(occupied * r_.Between(150, 600) + 0.5) : Null(),
                     t->capacity,
                     occupied,
                     occupied,
                     out.arrived ? Variant(t->no) : Null(),
                     bindStatus,
                     updated};
            if (!bind_.Add(b)) {
                error = "tbl_TableReserve: " + bind_.Error();
                return false;
            }
            if (seatedNow)
                seated_.push_back({id, t->no, ctx_.At(d, 0, arrival), occupied, checkNo});
        }
        return true;
    }

    bool Finish(std::string& error) {
        return WriteStatuses(error) && WriteCounters(error) && WriteMessages(error);
    }

    // One live status row per table number: parties seated now occupy theirs
    // (some with the bill printed), two tables wait for cleaning, the rest are vacant.
    bool WriteStatuses(std::string& error) {
        std::map<std::string, const Seated*> byTable;
        for (const auto& s : seated_)
            byTable.emplace(s.table, &s);
        std::vector<Row> rows;
        int vacant = 0;
        for (const auto& no : order_) {
            auto it = byTable.find(no);
            Row row;
            if (it != byTable.end()) {
                const Seated& s = *it->second;
                const bool printed = r_.Chance(25);
                row = {outlet_.server,
                       outlet_.id,
                       no,
                       printed ? "B" : "O",
                       s.arrival,
                       "V",
                       s.checkNo,
                       s.arrival,
                       s.arrival,
                       printed ? Variant(s.arrival) : Null(),
                       Null(),
                       s.cover,
                       Variant::Currency(s.cover * 120.0),
                       s.reserveID,
                       0,
                       Null(),
                       printed ? 1 : 0,
                       0,
                       0,
                       "A",
                       s.arrival};
            } else {
                const bool closed = ++vacant <= 2;
                row = {outlet_.server,
                       outlet_.id,
                       no,
                       closed ? "C" : "V",
                       ctx_.At(0, 7, 0),
                       closed ? "O" : "V",
                       Null(),
                       Null(),
                       Null(),
                       Null(),
                       closed ? Null() : Variant(ctx_.At(0, 7, 0)),
                       0,
                       Variant::Currency(0),
                       0,
                       0,
                       Null(),
                       0,
                       0,
                       0,
                       "A",
                       ctx_.At(0, 7, 0)};
            }
            rows.push_back(row);
        }
        return InsertRows(db_, ctx_, "tbl_TableStatus", {"DBServerID",
                                                         "OutletID",
                                                         "TableNo",
                                                         "TableStatus",
                                                         "LastChangeTime",
                                                         "LastTableStatus",
                                                         "CheckNo",
                                                         "CheckOpenTime",
                                                         "LastOrderTime",
                                                         "LastPrintTime",
                                                         "LastCleanTime",
                                                         "CheckCover",
                                                         "CheckTotal",
                                                         "ReserveID",
                                                         "WaitReserveID",
                                                         "MergeStatus",
                                                         "CheckPrintCnt",
                                                         "MinimumTableTotal",
                                                         "SubmitResvInfoToPOS",
                                                         "RowStatus",
                                                         "RowModified"},
                          rows, error);
    }

    bool WriteCounters(std::string& error) {
        std::vector<Row> rows;
        for (const auto& [date, last] : counters_)
            rows.push_back({outlet_.id, date, last});
        return InsertRows(db_, ctx_, "tbl_ReserveNoCounter", {"OutletID", "CounterDate", "LastNo"},
                          rows, error);
    }

    struct Message {
        int64_t reserveID;
        int guestID;
        std::string phone, date, time, created;
    };

    // Confirmation SMS of the first future bookings of members who take SMS;
    // those booked before today have been sent.
    bool WriteMessages(std::string& error) {
        std::vector<Row> rows;
        for (const auto& m : messages_) {
            const bool sent = m.created.substr(0, 10) < ctx_.Day(0);
            rows.push_back(
                {m.reserveID, m.guestID, 1, 1, "NewReservation", "SMS", 2, m.phone,
                 "Your table on " + m.date + " at " + m.time.substr(0, 5) + " is confirmed.",
                 m.created, 0, m.created, "DYSMSContact", "KIV", sent ? Variant("S") : Null(),
                 "A"});
        }
        return InsertRows(
            db_, ctx_, "tbl_ReservationMsg",
            {"ReserveID", "GuestID", "ServerID", "EventID", "EventName", "MessageType",
             "TemplateID", "Destination", "MessageContent", "SendTime", "SendOption",
             "SendDateTime", "ContactField", "Source", "SubmitStatus", "RowStatus"},
            rows, error);
    }

    SQLiteFile& db_;
    const InstallContext& ctx_;
    const DemoOutlet& outlet_;
    DemoRandom r_;
    BulkInsert resv_;
    BulkInsert bind_;
    std::map<int, std::vector<DemoTable>> byPlan_;
    std::set<std::string> tableNos_;
    std::vector<std::string> order_;
    std::map<std::string, int> counters_;
    std::vector<Seated> seated_;
    std::vector<Message> messages_;
    int checks_ = 0;
};

}  // namespace

bool WriteDemoBookings(SQLiteFile& db, const InstallContext& ctx, int outlet, std::string& error) {
    const DemoOutlet& o = DemoOutlets()[static_cast<std::size_t>(outlet - 1)];
    BookingWriter writer(db, ctx, o);
    return writer.Run(error);
}
