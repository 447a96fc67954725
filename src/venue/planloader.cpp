#include "venue/planloader.h"

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "platform/textutil.h"
#include "sql/sqldb.h"
#include "venue/recordfields.h"
#include "venue/tabletemp.h"

namespace {

bool ORBAMode() {
    return g_oConfig != nullptr && g_oConfig->ORBAMode();
}

}  // namespace

std::string BlockUserNameColumn() {
    return "NameL" + std::to_string(g_nLanguage >= 1 && g_nLanguage <= 3 ? g_nLanguage : 1);
}

std::string BlockDateCondition(const DateTime& day) {
    const std::string d = SQLStr(day.DateText());
    return "((BeginDate <=" + d + " AND EndDate>=" + d + ") OR (BeginDate <=" + d +
           " AND EndDate IS NULL) OR (BeginDate IS NULL  AND EndDate >=" + d + "))";
}

PlanLoader::PlanLoader(std::string module) : module_(std::move(module)) {}

void PlanLoader::SetOutlet(int32_t outletID, int32_t dbServerID, SQLDB* db) {
    outletID_ = outletID;
    dbServerID_ = dbServerID;
    db_ = db;
}

SQLDB* PlanLoader::Database(const char* procedure) {
    if (db_ == nullptr) {
        SetErr(kErrItemNotFound, module_, procedure,
               "Cannot retrieve DBServer : " + std::to_string(dbServerID_));
        WriteLog("Cannot retrieve DBServer : " + std::to_string(dbServerID_), module_, procedure);
    }
    return db_;
}

bool PlanLoader::LoadFloorplans() {
    if (outletID_ == 0 || mpOutletID_ == 0) return false;
    if (ORBAMode()) {
        LoadSvrTimeDiff();
        LoadTableBookingDT();
    }
    plans_ = FloorPlanMap();
    statuses_ = TableStatusMap();
    duplicates_.clear();
    duplicateSet_.clear();
    SQLDB* db = Database("LoadFloorplans");
    if (db == nullptr) return false;
    std::shared_ptr<Recordset> rs = db->RunSPReturnRS(
        "sp_CT_GetFPByDate",
        {SQLDB::mp("BizDate", adDBTimeStamp, 8, Variant(resvDate_.Format("yyyy-m-d"))),
         SQLDB::mp("MPOutletID", adInteger, 4, Variant(mpOutletID_)),
         SQLDB::mp("OutletID", adInteger, 4, Variant(outletID_))});
    if (!CheckQuery(*this, *db, rs.get(), "sp_CT_GetFPByDate", module_, "LoadFloorplans"))
        return false;
    for (; !rs->Eof(); rs->MoveNext()) {
        auto plan = std::make_shared<FloorPlan>();
        if (!plan->AddFromRS(rs.get())) {
            WriteLog("oFloorPlan.AddFromRS fail", module_, "LoadFloorplans");
            continue;
        }
        plan->SetSeqNo(FieldLng(rs.get(), "SeqNo"));
        plan->SetCapacity(FieldLng(rs.get(), "Capacity"));
        const int32_t id = plan->FPID();
        if (plans_.Exists(id)) continue;  // a plan named twice is loaded once
        plans_.Add(id, plan);
        if (!LoadPlanTables(*db, *plan)) return false;
    }
    return LoadDuplicates(*db);
}

bool PlanLoader::LoadPlanTables(SQLDB& db, FloorPlan& plan) {
    const std::string sql = "SELECT * FROM tbl_FPTable WHERE RowStatus=" + SQLStr("A") +
                            " AND FPID = " + std::to_string(plan.FPID());
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
    if (!CheckQuery(*this, db, rs.get(), sql, module_, "LoadFloorplans")) return false;
    for (; !rs->Eof(); rs->MoveNext()) {
        FPTable table;
        if (!table.AddFromRS(rs.get())) continue;
        const std::string no = table.TableNo();
        plan.AddTable(std::move(table));
        if (statuses_.Exists(no)) continue;
        auto status = std::make_shared<TableStatus>();
        status->SetTableNo(no);
        statuses_.Add(no, std::move(status));
    }
    return true;
}

bool PlanLoader::LoadDuplicates(SQLDB& db) {
    std::string ids;
    for (const auto& [id, plan] : plans_)
        ids += (ids.empty() ? "" : ",") + std::to_string(id);
    if (ids.empty()) return true;
    const std::string sql = "Select TableNo from tbl_FPTable where FPID IN (" + ids +
                            ") AND RowStatus='A' Group By TableNo having Count(TableNo) > 1 "
                            "Order By TableNo";
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
    if (!CheckQuery(*this, db, rs.get(), sql, module_, "LoadFloorplans")) return false;
    for (; !rs->Eof(); rs->MoveNext()) {
        const std::string no = UpperAscii(FieldStr(rs.get(), "TableNo"));
        if (!duplicateSet_.insert(no).second) continue;
        duplicates_ += (duplicates_.empty() ? "" : ",") + no;
    }
    return true;
}

bool PlanLoader::LoadTableStatuses() {
    SQLDB* db = Database("LoadTableStatuses");
    if (db == nullptr) return false;
    const std::string sql = "SELECT * FROM tbl_TableStatus WHERE RowStatus=" + SQLStr("A") +
                            " AND OutletID = " + std::to_string(outletID_);
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (!CheckQuery(*this, *db, rs.get(), sql, module_, "LoadTableStatuses")) return false;
    for (; !rs->Eof(); rs->MoveNext()) {
        const std::string no = UpperAscii(FieldStr(rs.get(), "TableNo"));
        if (std::shared_ptr<TableStatus>* held = statuses_.Item(no)) {
            (*held)->AddFromRS(rs.get());
            continue;
        }
        auto status = std::make_shared<TableStatus>();
        if (!status->AddFromRS(rs.get())) continue;
        statuses_.Add(no, std::move(status));
    }
    MarkPlanFacts();
    const bool locks = LoadLockTable();
    const bool blocks = LoadBlockTable();
    return locks && blocks;
}

// Every entry, with a status row or without, learns whether its number is
// on a plan in force and, on race-meeting sites, whether booking has begun.
void PlanLoader::MarkPlanFacts() {
    const bool orba = ORBAMode();
    for (auto& [no, status] : statuses_) {
        status->SetExistsInFP(FindTable(no) != nullptr);
        if (!orba) {
            status->SetNotStartBook(false);
        } else if (BeforeBookingTime(no)) {
            status->SetNotStartBook(true);
        }
    }
}

bool PlanLoader::BeforeBookingTime(const std::string& tableNo) const {
    const FPTable* table = FindTable(tableNo);
    const bool onCourse = table != nullptr && table->ReserveMode() == "O";
    const DateTime& bookingTime = onCourse ? onCourseDT_ : phoneBookingDT_;
    return clock_().AddSeconds(svrTimeDiff_) < bookingTime;
}

bool PlanLoader::LoadLockTable() {
    SQLDB* db = Database("LoadLockTable");
    if (db == nullptr) return false;
    std::shared_ptr<Recordset> rs = db->RunSPReturnRS(
        "sp_CT_GetHoldTable",
        {SQLDB::mp("OutletID", adInteger, 4, Variant(outletID_)),
         SQLDB::mp("ReserveDate", adDBTimeStamp, 8, Variant(resvDate_.DateText())),
         SQLDB::mp("MPOutletID", adInteger, 4, Variant(mpOutletID_))});
    if (!CheckQuery(*this, *db, rs.get(), "sp_CT_GetHoldTable", module_, "LoadLockTable"))
        return false;
    // Holds are only ever set here; a fresh load starts from new objects.
    // HoldDT is the server's stamp: its time-out runs on the server's clock,
    // as when the server releases expired holds.
    const int64_t lead = g_oConfig != nullptr ? g_oConfig->ServerClockLead() : 0;
    const DateTime now = clock_().AddSeconds(lead);
    for (; !rs->Eof(); rs->MoveNext()) {
        if (HoldExpired(FieldDate(rs.get(), "HoldDT"), now)) continue;
        if (TableStatus* status = PlanTableStatus(FieldStr(rs.get(), "TableNo")))
            status->SetTableLock(true);
    }
    return true;
}

bool PlanLoader::LoadBlockTable() {
    SQLDB* db = Database("LoadBlockTable");
    if (db == nullptr) return false;
    const std::string sql =
        "select * from tbl_tableblock as t left outer join  (SELECT * FROM  tbl_user WHERE  "
        "RowStatus=" +
        SQLStr("A") + " ) u on  t.blockuserid=u.userid WHERE t.RowStatus=" + SQLStr("A") +
        " AND OutletID=  " + std::to_string(outletID_) +
        " AND MPOutletID= " + std::to_string(mpOutletID_) + " AND " + BlockDateCondition(resvDate_);
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (!CheckQuery(*this, *db, rs.get(), sql, module_, "LoadBlockTable")) return false;
    const std::string nameColumn = BlockUserNameColumn();
    for (; !rs->Eof(); rs->MoveNext()) {
        TableStatus* status = PlanTableStatus(FieldStr(rs.get(), "TableNo"));
        if (status == nullptr) continue;
        status->SetBlock(true);
        status->SetTableBlockID(FieldLng(rs.get(), "TableBlockID"));
        status->SetBlockUserID(FieldLng(rs.get(), "BlockUserID"));
        status->SetBlockTime(FieldDate(rs.get(), "BlockDT"));
        status->SetBlockRemark(FieldStr(rs.get(), "Remark"));
        // The blocking user's name in the user's language, English when blank.
        std::string name = FieldStr(rs.get(), nameColumn);
        if (Trim(name).empty()) name = FieldStr(rs.get(), "NameL1");
        status->SetBlockUserName(name);
    }
    return true;
}

bool PlanLoader::LoadSvrTimeDiff() {
    SQLDB* db = Database("LoadSvrTimeDiff");
    if (db == nullptr) return false;
    // The workstation time goes out cut to the minute, so the server's answer
    // also holds the seconds of the current minute; taking them off again
    // keeps "server time = workstation time + SvrTimeDiff" true to the
    // second instead of up to a minute ahead.
    const DateTime local = clock_();
    const std::string sql = "SELECT DateDiff(s," + SQLStr(local.Format("yyyy-mm-dd hh:nn")) +
                            ",GetDate()) AS SvrDateDiff";
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (!CheckQuery(*this, *db, rs.get(), sql, module_, "LoadSvrTimeDiff")) return false;
    svrTimeDiff_ = FieldLng(rs.get(), "SvrDateDiff") - local.Second;
    return true;
}

bool PlanLoader::LoadTableBookingDT() {
    SQLDB* db = Database("LoadTableBookingDT");
    if (db == nullptr) return false;
    const std::string sql =
        "SELECT * FROM tbl_ORBA_RaceSchedule AS RS,tbl_ORBA_OutletSchedule AS OS  WHERE "
        "OS.OutletID= " +
        std::to_string(outletID_) + " AND MeetingDate = " + SQLStr(resvDate_.DateText()) +
        " AND OS.RaceID=RS.RaceID AND OS.RowStatus=" + SQLStr("A") +
        " AND RS.RowStatus=" + SQLStr("A");
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (!CheckQuery(*this, *db, rs.get(), sql, module_, "LoadTableBookingDT")) return false;
    if (rs->Eof()) return true;  // no meeting: the times stay as they were
    onCourseDT_ = FieldDate(rs.get(), "OnCourseDT");
    phoneBookingDT_ = FieldDate(rs.get(), "PhoneBookingDT");
    return true;
}

TableStatus* PlanLoader::GetTableStatus(const std::string& tableNo) {
    std::shared_ptr<TableStatus>* status = statuses_.Item(UpperAscii(tableNo));
    return status == nullptr ? nullptr : status->get();
}

// A status row of a table on no plan in force has an entry too, but a hold
// or block of such a table is nothing the view can show or act on.
TableStatus* PlanLoader::PlanTableStatus(const std::string& tableNo) {
    return FindTable(tableNo) != nullptr ? GetTableStatus(tableNo) : nullptr;
}

bool PlanLoader::IsDuplicate(const std::string& tableNo) const {
    return duplicateSet_.count(UpperAscii(tableNo)) != 0;
}

const FPTable* PlanLoader::FindTable(const std::string& tableNo) const {
    const std::string no = UpperAscii(tableNo);
    for (const auto& [id, plan] : plans_) {
        if (const FPTable* table = plan->FPTables().Item(no)) return table;
    }
    return nullptr;
}
