#include "reservations/weballotment.h"

#include "core/log.h"
#include "core/mltext.h"
#include "core/userlog.h"
#include "sql/recordset.h"
#include "sql/sqldb.h"
#include "venue/mpoutlets.h"
#include "venue/outlet.h"

namespace {

constexpr const char* kClass = "WebAllotment";
constexpr const char* kModule = "frmAllotment";

}  // namespace

std::string WebBookingOutletCode(SQLDB& db, int32_t outletID, bool& failed) {
    failed = false;
    std::shared_ptr<Recordset> rs = db.RunSPReturnRS("sp_WebKIV_GetWebBookingOutlet", {});
    if (rs == nullptr) {
        failed = true;
        WriteLog(db.ErrDescription(), kModule, "GetWebBookingOutlet");
        return {};
    }
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        if (FieldLng(rs.get(), "OutletID") == outletID) return FieldStr(rs.get(), "OutletCode");
    }
    return {};
}

int32_t WebPeriodMealPeriod(const MPOutlets& periods, const std::string& start) {
    const auto time = DateTime::Parse(start);
    if (!time) return -1;
    const std::string hhnn = time->Format("hh:nn");
    // Periods that touch (dinner to 23:00, supper from 23:00) both contain
    // the boundary; the one that starts there is meant.
    for (const auto& [id, period] : periods.Items())
        if (period.MPStartTime().Format("hh:nn") == hhnn) return id;
    return periods.FindMPOutletID(*time);
}

std::optional<int64_t> WebBookedCovers(SQLDB& db, int32_t outletID, int32_t mpOutletID,
                                       const DateTime& date) {
    const std::string sql =
        std::string(
            "SELECT isnull(sum(ReserveCover),0) as BookedCount FROM tbl_Reservation AS R ") +
        " WHERE R.ReserveMode='I' AND R.RowStatus = " + "'A'" +
        " AND R.OutletID=" + std::to_string(outletID) +
        " AND R.MPOutletID = " + std::to_string(mpOutletID) +
        " AND R.ReserveDate = " + SQLStr(date.DateText());
    std::shared_ptr<Recordset> rs = FirstOpenRecordset(db.RunSQLReturnRS(sql));
    if (rs == nullptr || rs->Eof()) {
        WriteSQLLog(db.ErrDescription(), sql, kModule, "WebBookedCovers");
        return std::nullopt;
    }
    return FieldLng(rs.get(), "BookedCount");
}

bool SetTimeActiveWebKIV(SQLDB& db, const std::string& outletCode, const DateTime& date,
                         int32_t mpOutletID, const DateTime& start, const DateTime& end,
                         int32_t tableSize, int32_t minPax, bool active) {
    const std::string code = SQLStr(outletCode);
    const std::string day = SQLStr(date.DateText());
    const std::string mp = std::to_string(mpOutletID);
    const std::string size = std::to_string(tableSize);
    const std::string sql =
        std::string("  Delete From tbl_WebReserveTimeSetting ") + "     Where OutletCode=" + code +
        "  And ReserveDate=" + day + " And MPOutletID=" + mp +
        "  And ReserveTimeStatus='i'  And TableSize=" + size +
        "  Insert Into tbl_WebReserveTimeSetting " +
        " (RowModified,RowStatus,OutletCode,ReserveDate,MPOutletID,StartTime,EndTime,TableSize,"
        "MinPax,ReserveTimeStatus,SubmitStatus )VALUES (" +
        " Getdate()" + " ,'A'" + "," + code + "," + day + "," + mp + ",'" + start.Format("hh:nn") +
        "','" + end.Format("hh:nn") + "'," + size + "," + std::to_string(minPax) + ",'" +
        (active ? "a" : "i") + "'" + " ,NULL)";
    if (db.RunSQLNoReturn(sql)) return true;
    WriteSQLLog(db.ErrDescription(), sql, kModule, "SetTimeActiveWebKIV");
    return false;
}

WebAllotment::WebAllotment(WebKIV& service, const Outlet& outlet, std::string webCode, SQLDB& db)
    : service_(service), outlet_(outlet), webCode_(std::move(webCode)), db_(db) {}

WebAllotment::~WebAllotment() {
    Close();
}

void WebAllotment::Fail(const std::string& procedure, const std::string& text) {
    failureText_ = text;
    SetErr(kErrWebService, kClass, procedure, text);
}

bool WebAllotment::Open() {
    ClearErr();
    if (!service_.LoginWebKIV().empty()) return true;
    Fail("Open", service_.FailureText());
    return false;
}

bool WebAllotment::Read(const DateTime& date) {
    ClearErr();
    const std::string text = service_.GetDateConfigWebKIV(webCode_, date);
    if (service_.LastFailure() != WebKIV::Failure::kNone) {
        Fail("Read", service_.FailureText());
        return false;
    }
    WebAllotGrid read;
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        Fail("Read", GetMLText("The web booking service sent no date configuration") + ": " +
                         webCode_ + " " + date.DateText());
        WriteLog(ErrDescription(), kModule, "GetDateConfigWebKIV");
        return false;
    }
    if (!read.Load(text)) {
        Fail("Read", GetMLText("The web booking service sent no valid date configuration") + ": " +
                         read.ErrorText());
        WriteLog(ErrDescription(), kModule, "GetDateConfigWebKIV");
        return false;
    }
    std::map<std::size_t, int32_t> mealPeriod;
    std::map<std::size_t, std::optional<int64_t>> used;
    const auto starts = read.PeriodStarts();
    for (std::size_t p = 0; p < starts.size(); ++p) {
        mealPeriod[p] = WebPeriodMealPeriod(outlet_.GetMPOutlets(), starts[p]);
        used[p] = mealPeriod[p] > 0 ? WebBookedCovers(db_, outlet_.OutletID(), mealPeriod[p], date)
                                    : std::nullopt;
    }
    grid_ = std::move(read);
    mealPeriod_ = std::move(mealPeriod);
    used_ = std::move(used);
    date_ = date;
    WriteUserLog(kUserLogOther,
                 "View Alloment,Date=" + date.DateText() + ",Outlet Code=" + webCode_,
                 outlet_.OutletID(), outlet_.DBServerID());
    return true;
}

bool WebAllotment::Save() {
    ClearErr();
    if (!date_ || !grid_.Loaded()) {
        Fail("Save", GetMLText("No date configuration has been read"));
        return false;
    }
    const std::string value = service_.SetDateConfigWebKIV(webCode_, *date_, grid_.ToJSON());
    WriteUserLog(kUserLogOther,
                 "Change Alloment,Date=" + date_->DateText() + ",Outlet Code=" + webCode_,
                 outlet_.OutletID(), outlet_.DBServerID());
    if (service_.LastFailure() != WebKIV::Failure::kNone) {
        Fail("Save", service_.FailureText());
        return false;
    }
    if (!WebUpdateSucceeded(value)) {
        Fail("Save", GetMLText("The web booking service did not accept the update") + ": " +
                         (value.empty() ? "(no answer)" : value));
        WriteLog(ErrDescription(), kModule, "SetDateConfigWebKIV");
        return false;
    }
    return true;
}

void WebAllotment::Close() {
    if (service_.Connected()) service_.LogoutWebKIV();
}

int32_t WebAllotment::MealPeriodOf(std::size_t period) const {
    auto it = mealPeriod_.find(period);
    return it == mealPeriod_.end() ? -1 : it->second;
}

std::optional<int64_t> WebAllotment::Used(std::size_t period) const {
    auto it = used_.find(period);
    return it == used_.end() ? std::nullopt : it->second;
}

std::string WebAllotment::LeftOf(const WebAllotRow& row) const {
    return AllotLeftText(row.unit, row.allotted, Used(row.period));
}
