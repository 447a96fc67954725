#include "views/datachangehandlers.h"

#include <algorithm>
#include <set>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "platform/strnum.h"
#include "platform/textutil.h"
#include "profiles/profiledefinition.h"
#include "registry/dbconnections.h"
#include "reservations/newresv.h"
#include "reservations/resvlistcriteria.h"
#include "reservations/tablereserve.h"
#include "sql/recordfields.h"
#include "sql/sqldb.h"
#include "venue/tablestatus.h"
#include "venue/tabletemp.h"
#include "views/viewset.h"

namespace {

constexpr const char* kModule = "KIV";

// The statuses a day's full list holds, and those its floor plans show.
bool InFullList(const std::string& status) {
    return status == "A" || status == "X" || status == "L" || status == "N" || status == "C";
}
bool OnPlans(const std::string& status, bool completedOnPlans) {
    return status == "A" || status == "X" || (status == "C" && completedOnPlans);
}

// Whether the block row applies on `day`: from BeginDate to EndDate
// inclusive, a missing date leaving that side open (both missing: never).
bool BlockApplies(const Recordset* rs, const DateTime& day) {
    const std::string begin = FieldStr(rs, "BeginDate"), end = FieldStr(rs, "EndDate");
    if (begin.empty() && end.empty()) return false;
    const DateTime d = day.DatePart();
    return (begin.empty() || FieldDate(rs, "BeginDate").DatePart() <= d) &&
           (end.empty() || FieldDate(rs, "EndDate").DatePart() >= d);
}

void AddName(std::vector<std::string>& names, const char* name) {
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

// A list changed: its copy of the reservation takes the fresh one, joins,
// or leaves. True when anything was done.
bool Apply(Reservations& list, int32_t reserveID, const Reservation* fresh, bool belongs) {
    Reservation* held = list.Item(reserveID);
    if (!belongs || fresh == nullptr) return held != nullptr && list.Remove(reserveID);
    if (held != nullptr) {
        held->CopyFrom(*fresh);
        return true;
    }
    auto copy = std::make_shared<Reservation>();
    copy->CopyFrom(*fresh);
    return list.Add(std::move(copy));
}

}  // namespace

ViewDataChange::ViewDataChange(ViewSet& views, DataChangeDispatcher& dispatcher, int32_t)
    : views_(views), dispatcher_(dispatcher) {
    Register("tbl_reservation", &ViewDataChange::DBChange_tbl_Reservation);
    Register("tbl_tablereserve", &ViewDataChange::DBChange_tbl_TableReserve);
    Register("tbl_tablestatus", &ViewDataChange::DBChange_tbl_TableStatus);
    Register("tbl_tabletemp", &ViewDataChange::DBChange_tbl_TableTemp);
    Register("tbl_tableblock", &ViewDataChange::DBChange_tbl_TableBlock);
    Register("tbl_floorplan", &ViewDataChange::DBChange_tbl_FloorPlan);
}

ViewDataChange::~ViewDataChange() {
    for (const std::string& table : tables_)
        dispatcher_.Unregister(table);
}

void ViewDataChange::Register(const char* table, Handler handler) {
    tables_.push_back(table);
    dispatcher_.Register(table, [this, handler](const DataChangeMsg& msg) {
        std::vector<std::string> changed = (this->*handler)(msg);
        if (applied_) {
            AppliedHandler copy = applied_;  // a listener may replace itself
            copy(msg, changed);
        }
    });
}

SQLDB* ViewDataChange::Database(const DataChangeMsg& msg, const char* procedure, bool hold) {
    SQLDB* db = g_oDBConns != nullptr ? g_oDBConns->GetSQLDB(msg.DBServerID) : nullptr;
    if (db == nullptr)
        WriteLog(hold ? "Cannot retrieve DBServer: " + Str(msg.DBServerID)
                      : "DBServer With ID: " + Str(msg.DBServerID) + " does not exist",
                 kModule, procedure);
    return db;
}

std::shared_ptr<Recordset> ViewDataChange::ReadRow(SQLDB& db, const std::string& sql,
                                                   const char* procedure,
                                                   const std::string& noRow) {
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db.ErrDescription(), sql, kModule, procedure);
        return nullptr;
    }
    if (rs->Eof()) {
        WriteLog(noRow, kModule, procedure);
        return nullptr;
    }
    return rs;
}

std::vector<std::pair<PlanView*, const char*>> ViewDataChange::PlanViewsOf(int32_t outletID,
                                                                           int32_t mpOutletID,
                                                                           const std::string& date,
                                                                           bool anyDate) {
    std::vector<std::pair<PlanView*, const char*>> out;
    for (auto [kind, name] :
         {std::pair{ViewKind::kCurrent, "current"}, std::pair{ViewKind::kFuture, "future"}}) {
        PlanView* view = views_.Plans(kind);
        if (view == nullptr || !view->IsOpen() || view->OutletID() != outletID ||
            view->MPOutletID() != mpOutletID || (!anyDate && view->ResvDate().DateText() != date))
            continue;
        out.emplace_back(view, name);
    }
    return out;
}

bool ViewDataChange::NewResvShows(int32_t outletID, int32_t mpOutletID,
                                  const std::string& date) const {
    return newResv_ != nullptr && newResv_->Plans().OutletID() == outletID &&
           newResv_->MPOutletID() == mpOutletID && newResv_->ResvDate().DateText() == date;
}

void ViewDataChange::RaiseNRTableStatus(const TableStatus& status) const {
    if (!views_.Events().NRTableStatusUpdate) return;
    auto handler = views_.Events().NRTableStatusUpdate;
    handler(status);
}

std::vector<std::string> ViewDataChange::DBChange_tbl_TableStatus(const DataChangeMsg& msg) {
    const char* proc = "DBChange_tbl_TableStatus";
    SQLDB* db = Database(msg, proc, false);
    if (db == nullptr) return {};
    const std::string sql = std::string("SELECT * FROM tbl_TableStatus WHERE ") +
                            KeyColumnOf(msg.Table, msg.Field) + " =" + Str(msg.FieldID);
    std::shared_ptr<Recordset> rs =
        ReadRow(*db, sql, proc, "Cannot retrieve data with ID: " + Str(msg.FieldID));
    if (rs == nullptr) return {};
    auto fresh = std::make_shared<TableStatus>();
    fresh->AddFromRS(rs.get());
    CurrentView& view = views_.Current();
    if (!view.IsOpen() || fresh->OutletID() != view.OutletID()) return {};
    TableStatus* status = view.GetTableStatus(fresh->TableNo());
    if (status != nullptr) {
        status->CopyFrom(*fresh, false);
    } else {
        view.TableStatuses().Add(UpperAscii(fresh->TableNo()), fresh);
        status = fresh.get();
    }
    view.UpdateTableStatus(*status);
    return {"current"};
}

std::vector<std::string> ViewDataChange::DBChange_tbl_TableTemp(const DataChangeMsg& msg) {
    const char* proc = "DBChange_tbl_TableTemp";
    SQLDB* db = Database(msg, proc, true);
    if (db == nullptr) return {};
    const std::string sql = std::string("SELECT * FROM tbl_TableTemp WHERE ") +
                            KeyColumnOf(msg.Table, msg.Field) + "=" + Str(msg.FieldID);
    std::shared_ptr<Recordset> rs = ReadRow(*db, sql, proc, "oRS.EOF =True");
    if (rs == nullptr) return {};
    TableTemp hold;
    hold.AddFromRS(rs.get());
    // A hold past its time-out no longer keeps the table, as when loading.
    const bool held = hold.RowStatus() == "A" && !HoldExpired(hold.HoldDT(), ServerClockNow());
    const std::string date = hold.ReserveDate().DateText();
    std::vector<std::string> changed;
    if (NewResvShows(hold.OutletID(), hold.MPOutletID(), date)) {
        if (TableStatus* status = newResv_->Plans().GetTableStatus(hold.TableNo())) {
            status->SetTableLock(held);
            RaiseNRTableStatus(*status);
            changed.push_back("new");
        }
    }
    for (auto [view, name] : PlanViewsOf(hold.OutletID(), hold.MPOutletID(), date, false)) {
        TableStatus* status = view->GetTableStatus(hold.TableNo());
        if (status == nullptr) continue;
        status->SetTableLock(held);
        view->UpdateTableStatus(*status);
        AddName(changed, name);
    }
    return changed;
}

std::vector<std::string> ViewDataChange::DBChange_tbl_TableBlock(const DataChangeMsg& msg) {
    const char* proc = "DBChange_tbl_TableBlock";
    SQLDB* db = Database(msg, proc, false);
    if (db == nullptr) return {};
    const std::string sql = std::string("SELECT * FROM tbl_TableBlock AS t LEFT OUTER JOIN ") +
                            " ( SELECT * FROM tbl_User  WHERE RowStatus = " + SQLStr("A") + ") U " +
                            " on t.blockuserid=u.userid WHERE t." +
                            KeyColumnOf(msg.Table, msg.Field) + "=" + Str(msg.FieldID);
    std::shared_ptr<Recordset> rs =
        ReadRow(*db, sql, proc, "Cannot retrieve data with ID: " + Str(msg.FieldID));
    if (rs == nullptr) return {};
    const int32_t outletID = FieldLng(rs.get(), "OutletID");
    const int32_t mpOutletID = FieldLng(rs.get(), "MPOutletID");
    const std::string tableNo = FieldStr(rs.get(), "TableNo");
    const bool active = FieldStr(rs.get(), "RowStatus") == "A";

    // Whether the table stays blocked on `day` counts every block, not only
    // this one: another may still apply. True when the table's block changed.
    auto apply = [&](TableStatus& status, const DateTime& day) {
        const std::string count =
            "SELECT COUNT(*) AS RecCnt FROM tbl_TableBlock WHERE RowStatus=" + SQLStr("A") +
            " AND OutletID=  " + Str(outletID) + " AND MPOutletID= " + Str(mpOutletID) +
            " AND TableNo =" + SQLStr(tableNo) + " AND " + BlockDateCondition(day);
        std::shared_ptr<Recordset> c = db->RunSQLReturnRS(count);
        if (c == nullptr) {
            WriteSQLLog(db->ErrDescription(), count, kModule, proc);
            return false;
        }
        const bool blocked = !c->Eof() && FieldLng(c.get(), "RecCnt") > 0;
        const bool wasBlocked = status.Block();
        const int32_t wasID = status.TableBlockID();
        status.SetBlock(blocked);
        // The details are this block's when it applies; another block that
        // still applies keeps the details the table had.
        const bool mine = active && blocked && BlockApplies(rs.get(), day);
        if (mine || !blocked) {
            status.SetTableBlockID(mine ? FieldLng(rs.get(), "TableBlockID") : 0);
            status.SetBlockUserID(mine ? FieldLng(rs.get(), "BlockUserID") : 0);
            status.SetBlockTime(mine ? FieldDate(rs.get(), "BlockDT") : DateTime());
            status.SetBlockRemark(mine ? FieldStr(rs.get(), "Remark") : "");
            status.SetBlockUserName(mine ? FieldStr(rs.get(), BlockUserNameColumn()) : "");
        }
        // A block of other dates leaves the view as it was.
        return blocked != wasBlocked || status.TableBlockID() != wasID;
    };
    std::vector<std::string> changed;
    if (newResv_ != nullptr && newResv_->Plans().OutletID() == outletID &&
        newResv_->MPOutletID() == mpOutletID) {
        TableStatus* status = newResv_->Plans().GetTableStatus(tableNo);
        if (status != nullptr && apply(*status, newResv_->ResvDate())) {
            RaiseNRTableStatus(*status);
            changed.push_back("new");
        }
    }
    for (auto [view, name] : PlanViewsOf(outletID, mpOutletID, "", true)) {
        TableStatus* status = view->GetTableStatus(tableNo);
        if (status == nullptr || !apply(*status, view->ResvDate())) continue;
        view->UpdateTableStatus(*status);
        AddName(changed, name);
    }
    return changed;
}

std::vector<std::string> ViewDataChange::DBChange_tbl_TableReserve(const DataChangeMsg& msg) {
    const char* proc = "DBChange_tbl_TableReserve";
    SQLDB* db = Database(msg, proc, false);
    if (db == nullptr) return {};
    const std::string sql =
        std::string(
            "SELECT TR.*,R.OutletID,R.MPOutletID,R.ReserveDate FROM tbl_TableReserve AS "
            "TR,tbl_Reservation AS R WHERE ") +
        " TR." + KeyColumnOf(msg.Table, msg.Field) + "=" + Str(msg.FieldID) +
        " AND TR.ReserveID = R.ReserveID ";
    std::shared_ptr<Recordset> rs =
        ReadRow(*db, sql, proc, "Cannot retrieve data with ID: " + Str(msg.FieldID));
    if (rs == nullptr) return {};
    auto binding = std::make_shared<TableReserve>();
    binding->Load(rs.get());
    binding->LoadPartFlags(*db);
    const bool removed = binding->RowStatus() == "D";
    const int32_t reserveID = binding->ReserveID();
    const int32_t bindingID = binding->TableReserveID();

    // A reservation's copy of the binding is replaced, or dropped once deleted.
    auto rebind = [&](Reservation* r) {
        if (r == nullptr) return false;
        TableReserveMap& map = r->TableReserves();
        if (removed) return map.Remove(bindingID);
        if (std::shared_ptr<TableReserve>* held = map.Item(bindingID)) {
            *held = binding;
            return true;
        }
        return map.Add(bindingID, binding);
    };
    std::vector<std::string> changed;
    for (auto [kind, name] :
         {std::pair{ViewKind::kCurrent, "current"}, std::pair{ViewKind::kFuture, "future"},
          std::pair{ViewKind::kPast, "past"}}) {
        ResvView& view = views_.View(kind);
        if (!view.IsOpen()) continue;
        bool any = rebind(view.FullResvs().Item(reserveID));
        if (any) view.RaiseFullResvUpdate();
        if (PlanView* plans = views_.Plans(kind); plans != nullptr) {
            if (rebind(plans->FPResvs().Item(reserveID))) {
                any = true;
                plans->PlaceOnTables();
                plans->RaiseFPResvUpdate();
                if (TableStatus* status = plans->GetTableStatus(binding->TableNo()))
                    plans->UpdateTableStatus(*status);
            }
        }
        if (any) changed.push_back(name);
    }
    const int32_t outletID = FieldLng(rs.get(), "OutletID");
    const int32_t mpOutletID = FieldLng(rs.get(), "MPOutletID");
    if (NewResvShows(outletID, mpOutletID, FieldDate(rs.get(), "ReserveDate").DateText())) {
        if (TableStatus* status = newResv_->Plans().GetTableStatus(binding->TableNo())) {
            const bool seated = !removed && binding->RowStatus() == "A";
            for (ReserveIDSet* set : {&status->Reservations(), &status->R1Res(), &status->R2Res()})
                set->Remove(reserveID);
            if (seated) {
                status->Reservations().Add(reserveID, reserveID);
                if (binding->R1()) status->R1Res().Add(reserveID, reserveID);
                if (binding->R2()) status->R2Res().Add(reserveID, reserveID);
            }
            RaiseNRTableStatus(*status);
            changed.push_back("new");
        }
    }
    return changed;
}

bool ViewDataChange::ApplyToView(ResvView& view, PlanView* plans, int32_t reserveID,
                                 const Reservation* fresh) {
    bool sameDay = false;
    std::string status;
    if (fresh != nullptr) {
        status = fresh->GetFieldText("RowStatus");
        sameDay = fresh->GetFieldLong("OutletID") == view.OutletID() &&
                  fresh->GetFieldDate("ReserveDate").DateText() == view.ResvDate().DateText();
    }
    const int32_t mp = fresh != nullptr ? fresh->GetFieldLong("MPOutletID") : 0;
    const TimeFilter& filter = view.FullListFilter();
    const bool inFull =
        sameDay && InFullList(status) &&
        (filter.FilterMode() != TimeFilter::kOnePeriod || filter.MPOutletID() == mp);
    bool changed = false;
    if (Apply(view.FullResvs(), reserveID, fresh, inFull)) {
        changed = true;
        view.RaiseFullResvUpdate();
    }
    if (plans == nullptr) return changed;
    const bool onPlans =
        sameDay && mp == plans->MPOutletID() && OnPlans(status, plans->Kind().completedOnPlans);
    if (Apply(plans->FPResvs(), reserveID, fresh, onPlans)) {
        changed = true;
        plans->PlaceOnTables();
        plans->RaiseFPResvUpdate();
    }
    return changed;
}

bool ViewDataChange::ApplyToNewResv(SQLDB& db, int32_t reserveID) {
    if (newResv_ == nullptr || newResv_->GetOutlet() == nullptr) return false;
    // The booking's day list holds plain rows of active reservations.
    const std::string sql = "SELECT * FROM tbl_Reservation WHERE ReserveID=" + Str(reserveID);
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db.ErrDescription(), sql, kModule, "DBChange_tbl_Reservation");
        return false;
    }
    std::shared_ptr<Reservation> fresh;
    if (!rs->Eof()) {
        fresh = std::make_shared<Reservation>();
        for (int i = 0; i < rs->FieldCount(); ++i)
            fresh->SetField(rs->FieldAt(i).Name, *rs->Field(i));
    }
    const bool belongs =
        fresh != nullptr && fresh->GetFieldText("RowStatus") == "A" &&
        NewResvShows(fresh->GetFieldLong("OutletID"), fresh->GetFieldLong("MPOutletID"),
                     fresh->GetFieldDate("ReserveDate").DateText());
    if (!Apply(newResv_->DayResvs(), reserveID, fresh.get(), belongs)) return false;
    if (views_.Events().NRResvUpdate) {
        auto handler = views_.Events().NRResvUpdate;
        handler(newResv_->DayResvs());
    }
    return true;
}

std::vector<std::string> ViewDataChange::DBChange_tbl_Reservation(const DataChangeMsg& msg) {
    const char* proc = "DBChange_tbl_Reservation";
    SQLDB* db = Database(msg, proc, false);
    if (db == nullptr) return {};
    // The reservation is read as the lists read it, with its bindings,
    // through the profile of a view.
    ProfileDefinition* def = nullptr;
    for (ViewKind kind : {ViewKind::kCurrent, ViewKind::kFuture, ViewKind::kPast})
        if (def == nullptr) def = views_.View(kind).ProfileDef();
    std::vector<std::string> changed;
    if (def != nullptr) {
        ResvListCriteria criteria;
        criteria.AddReserveID(msg.FieldID);
        Reservations read;
        if (!def->LoadResvList(*db, criteria, read)) {
            WriteLog(def->ErrDescription(), kModule, proc);
            return {};
        }
        const Reservation* fresh = read.Item(msg.FieldID);
        if (fresh == nullptr)
            WriteLog("Cannot retrieve data with ID: " + Str(msg.FieldID), kModule, proc);
        for (auto [kind, name] :
             {std::pair{ViewKind::kCurrent, "current"}, std::pair{ViewKind::kFuture, "future"},
              std::pair{ViewKind::kPast, "past"}}) {
            ResvView& view = views_.View(kind);
            if (view.IsOpen() && ApplyToView(view, views_.Plans(kind), msg.FieldID, fresh))
                changed.push_back(name);
        }
    }
    if (ApplyToNewResv(*db, msg.FieldID)) changed.push_back("new");
    return changed;
}

std::vector<std::string> ViewDataChange::DBChange_tbl_FloorPlan(const DataChangeMsg& msg) {
    std::vector<std::string> changed;
    ViewEvents& events = views_.Events();
    for (auto [kind, name] :
         {std::pair{ViewKind::kCurrent, "current"}, std::pair{ViewKind::kFuture, "future"}}) {
        PlanView* view = views_.Plans(kind);
        if (view == nullptr || !view->IsOpen()) continue;
        const std::shared_ptr<FloorPlan>* plan = view->FloorPlans().Item(msg.FieldID);
        if (plan == nullptr || *plan == nullptr) continue;
        auto handler =
            kind == ViewKind::kCurrent ? events.CVFloorplanUpdate : events.FVFloorplanUpdate;
        if (handler) handler(**plan);
        changed.push_back(name);
    }
    return changed;
}
