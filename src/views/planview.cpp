#include "views/planview.h"

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "profiles/profiledefinition.h"
#include "registry/dbconnections.h"
#include "reservations/resvlistcriteria.h"
#include "venue/outlets.h"

namespace {

bool ORBAMode() {
    return g_oConfig != nullptr && g_oConfig->ORBAMode();
}

}  // namespace

PlanView::PlanView(const PlanViewKind& kind)
    : ResvView(kind.module), kind_(kind), loader_(kind.module) {
    SetFullListLogsOutletID(kind.fullListLogsID);
}

PlanView::~PlanView() = default;

bool PlanView::InitWalkInProfile() {
    if (!kind_.walkInProfile) return false;
    auto def = std::make_unique<ProfileDefinition>();
    def->SetSQLDB(DefaultSQLDB());
    def->SetLanguage(g_nLanguage);
    if (!def->LoadProfile(kProfileWalkIn)) {
        CopyErr(def->ErrNumber(), def->ErrDescription());
        WriteLog("Load Profile fail", Module(), "InitWalkInProfile");
        walkinProfileDef_.reset();
        return false;
    }
    walkinProfileDef_ = std::move(def);
    return true;
}

void PlanView::SetOutletID(int32_t id) {
    ResvView::SetOutletID(id);
    const Outlet* outlet = nullptr;
    if (const Outlets* outlets = GetOutlets()) outlet = outlets->GetOutletByID(id);
    loader_.SetOutlet(id, outlet != nullptr ? outlet->DBServerID() : 0, GetSQLDB());
}

void PlanView::SetMPOutletID(int32_t id) {
    ResvView::SetMPOutletID(id);
    loader_.SetMPOutletID(id);
}

void PlanView::SetResvDate(const DateTime& date) {
    ResvView::SetResvDate(date);
    loader_.SetResvDate(date);
}

void PlanView::SetClock(std::function<DateTime()> clock) {
    loader_.SetClock(std::move(clock));
}

bool PlanView::OutletKnown(const char* procedure) {
    const Outlets* outlets = GetOutlets();
    if (outlets != nullptr && outlets->GetOutletByID(OutletID()) != nullptr) return true;
    const std::string text = "Cannot retrieve outlet :" + std::to_string(OutletID());
    SetErr(kErrItemNotFound, Module(), procedure, text);
    WriteLog(text, Module(), procedure);
    return false;
}

bool PlanView::LoadFloorplans() {
    // The loader runs the race-meeting loads itself; an unknown outlet is
    // named here, since the loader knows only that it has no connection.
    if (ORBAMode() && OutletID() != 0 && MPOutletID() != 0) {
        OutletKnown("LoadSvrTimeDiff");
        OutletKnown("LoadTableBookingDT");
    }
    if (loader_.LoadFloorplans()) return true;
    if (loader_.ErrNumber() != 0) CopyErr(loader_.ErrNumber(), loader_.ErrDescription());
    return false;
}

bool PlanView::LoadTableStatuses() {
    if (loader_.LoadTableStatuses()) return true;
    CopyErr(loader_.ErrNumber(), loader_.ErrDescription());
    return false;
}

bool PlanView::LoadSvrTimeDiff() {
    if (!OutletKnown("LoadSvrTimeDiff")) return false;
    if (loader_.LoadSvrTimeDiff()) return true;
    CopyErr(loader_.ErrNumber(), loader_.ErrDescription());
    return false;
}

bool PlanView::LoadTableBookingDT() {
    if (!OutletKnown("LoadTableBookingDT")) return false;
    if (loader_.LoadTableBookingDT()) return true;
    CopyErr(loader_.ErrNumber(), loader_.ErrDescription());
    return false;
}

bool PlanView::LoadFPResv() {
    ResvListCriteria criteria;
    criteria.AddMPOutletID(MPOutletID());
    criteria.AddRowStatus("A");
    criteria.AddRowStatus("X");
    if (kind_.completedOnPlans) criteria.AddRowStatus("C");
    const bool ok = LoadResvs("LoadFPResv", "m_oFPResvs", false, criteria, fpResvs_);
    PlaceOnTables();
    return ok;
}

void PlanView::TakeFPResvFromFullList() {
    fpResvs_.Clear();
    for (const auto& [id, r] : FullResvs().Items()) {
        const std::string status = r->GetFieldText("RowStatus");
        const bool listed =
            status == "A" || status == "X" || (status == "C" && kind_.completedOnPlans);
        // The same object in both lists: one row, one reservation, so a change
        // that reaches it through one list (a binding added or removed) is
        // seen through the other.
        if (listed && r->GetFieldLong("MPOutletID") == MPOutletID()) fpResvs_.Add(r);
    }
    PlaceOnTables();
}

// The sets mirror the list just loaded: a reservation moved off a table
// since the last load must not stay on it.
void PlanView::PlaceOnTables() {
    for (auto& [no, status] : loader_.TableStatuses()) {
        status->Reservations().Clear();
        status->R1Res().Clear();
        status->R2Res().Clear();
    }
    for (const auto& [id, r] : fpResvs_.Items()) {
        if (r->GetFieldText("RowStatus") != "A") continue;
        for (const auto& [trID, tr] : r->TableReserves()) {
            if (tr->RowStatus() != "A") continue;
            TableStatus* status = loader_.GetTableStatus(tr->TableNo());
            if (status == nullptr) continue;
            status->Reservations().Add(id, id);
            if (tr->R1()) status->R1Res().Add(id, id);
            if (tr->R2()) status->R2Res().Add(id, id);
        }
    }
}

bool PlanView::Reload(int32_t outletID, int32_t mpOutletID, const DateTime& date) {
    if (outletID == 0) return false;
    ClearErr();
    SetAll(outletID, mpOutletID, date);
    // Statuses after the plans (the plans make the entries and decide
    // ExistsInFP); the meal period's reservations last, into those entries.
    const bool full = LoadFullResv();
    bool ok = LoadFloorplans() && full;
    ok = LoadTableStatuses() && ok;
    // A full list of every meal period, just read, already holds the meal
    // period's reservations: they are taken from it instead of being read
    // again (the same rows, with the same bindings).
    if (full && FullListFilter().FilterMode() != TimeFilter::kOnePeriod) {
        TakeFPResvFromFullList();
    } else {
        ok = LoadFPResv() && ok;
    }
    SetOpen(ok);
    return ok;
}

void PlanView::UpdateTableStatus(const TableStatus& status) const {
    if (!tableStatusUpdate_) return;
    TableStatusHandler handler = tableStatusUpdate_;
    handler(status);
}

std::vector<std::string> PlanView::RecheckBookingStart() {
    std::vector<std::string> started;
    for (auto& [no, status] : loader_.TableStatuses()) {
        if (!status->NotStartBook() || loader_.BeforeBookingTime(no)) continue;
        status->SetNotStartBook(false);
        started.push_back(no);
        UpdateTableStatus(*status);
    }
    return started;
}

void PlanView::RaiseFPResvUpdate() const {
    if (!fpResvUpdate_) return;
    ResvListHandler handler = fpResvUpdate_;
    handler(fpResvs_);
}
