#include "views/resvview.h"

#include "core/globals.h"
#include "core/log.h"
#include "profiles/profiledefinition.h"
#include "registry/dbconnections.h"
#include "reservations/resvlistcriteria.h"
#include "sql/recordfields.h"
#include "sql/sqldb.h"
#include "venue/outlets.h"

ResvView::ResvView(std::string module) : module_(std::move(module)) {}

ResvView::~ResvView() = default;

bool ResvView::InitProfile() {
    auto def = std::make_unique<ProfileDefinition>();
    def->SetSQLDB(DefaultSQLDB());
    def->SetLanguage(g_nLanguage);
    if (!def->LoadProfile(kProfileResvList)) {
        CopyErr(def->ErrNumber(), def->ErrDescription());
        WriteLog("Load Profile fail", module_, "InitProfile");
        profileDef_.reset();
        return false;
    }
    profileDef_ = std::move(def);
    return true;
}

void ResvView::SetOutletID(int32_t id) {
    outletID_ = id;
    sqldb_ = nullptr;
    const Outlet* outlet = outlets_ != nullptr ? outlets_->GetOutletByID(id) : nullptr;
    if (outlet != nullptr && g_oDBConns != nullptr)
        sqldb_ = g_oDBConns->GetSQLDB(outlet->DBServerID());
}

bool ResvView::LoadMPOutlets() {
    mpOutlets_ = MPOutlets();
    SQLDB* db = DefaultSQLDB();
    if (db == nullptr) {
        SetErr(kErrNoDefaultDB, module_, "LoadMPOutlets", "oSQLDB is nothing");
        WriteLog("oSQLDB is nothing", module_, "LoadMPOutlets");
        return false;
    }
    if (mpOutlets_.Load(*db, outletID_)) return true;
    CopyErr(mpOutlets_.ErrNumber(), mpOutlets_.ErrDescription());
    return false;
}

const Outlet* ResvView::FindOutlet(const char* procedure, bool withID) {
    const Outlet* outlet = outlets_ != nullptr ? outlets_->GetOutletByID(outletID_) : nullptr;
    if (outlet == nullptr) {
        const std::string text =
            "GetOutletByID fail" + (withID ? " " + std::to_string(outletID_) : std::string());
        SetErr(kErrItemNotFound, module_, procedure, text);
        WriteLog(text, module_, procedure);
    }
    return outlet;
}

bool ResvView::LoadResvs(const char* procedure, const char* listName, bool outletIDInLog,
                         ResvListCriteria& criteria, Reservations& into) {
    const Outlet* outlet = FindOutlet(procedure, outletIDInLog);
    if (outlet == nullptr) return false;
    SQLDB* db = g_oDBConns != nullptr ? g_oDBConns->GetSQLDB(outlet->DBServerID()) : nullptr;
    if (db == nullptr) {
        const std::string text = "GetSQLDB " + std::to_string(outlet->DBServerID()) + " fail";
        SetErr(kErrItemNotFound, module_, procedure, text);
        WriteLog(text, module_, procedure);
        return false;
    }
    if (profileDef_ == nullptr) {
        SetErr(kErrItemNotFound, module_, procedure, "Load Profile fail");
        WriteLog("Load Profile fail", module_, procedure);
        return false;
    }
    criteria.ResvBeginDate = criteria.ResvEndDate = resvDate_.Format("yyyy-mm-dd");
    criteria.AddOutletID(outletID_);
    // The lists read in time order, as the day's list is shown.
    criteria.AddOrder("R.ReserveTime", ResvListCriteria::kAscending);
    criteria.AddOrder("R.ReserveID", ResvListCriteria::kAscending);
    Reservations loaded;
    const bool ok = profileDef_->LoadResvList(*db, criteria, loaded);
    // The list is refilled: what the query did not return is no longer the view's.
    into.Clear();
    for (const auto& [id, r] : loaded.Items()) {
        if (!into.Add(r)) WriteLog(std::string(listName) + ".Add fail", module_, procedure);
    }
    if (!ok) CopyErr(profileDef_->ErrNumber(), profileDef_->ErrDescription());
    return ok;
}

bool ResvView::LoadFullResv() {
    ResvListCriteria criteria;
    for (const char* status : {"A", "X", "L", "N", "C"})
        criteria.AddRowStatus(status);
    if (fullListFilter_.FilterMode() == TimeFilter::kOnePeriod)
        criteria.AddMPOutletID(fullListFilter_.MPOutletID());
    return LoadResvs("LoadFullResv", "m_oFullResvs", fullListLogsOutletID_, criteria, fullResvs_);
}

DateTime ResvView::GetLastModifiedTime() {
    SQLDB* db = sqldb_ != nullptr ? sqldb_ : DefaultSQLDB();
    if (db == nullptr) return DateTime();
    const std::string sql = "SELECT GetDate() AS LastTime";
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (!CheckQuery(*this, *db, rs.get(), sql, module_, "GetLastModifiedTime") || rs->Eof())
        return DateTime();
    return FieldDate(rs.get(), "LastTime");
}

void ResvView::SetAll(int32_t outletID, int32_t mpOutletID, const DateTime& date) {
    SetOutletID(outletID);
    LoadMPOutlets();
    SetResvDate(date);
    SetMPOutletID(mpOutletID);
}

bool ResvView::Reload(int32_t outletID, int32_t mpOutletID, const DateTime& date) {
    if (outletID == 0) return false;
    ClearErr();
    SetAll(outletID, mpOutletID, date);
    open_ = LoadFullResv();
    return open_;
}

void ResvView::RaiseFullResvUpdate() const {
    if (!fullResvUpdate_) return;
    ResvListHandler handler = fullResvUpdate_;  // a handler may replace itself
    handler(fullResvs_);
}
