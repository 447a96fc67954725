// KIVFunc: the requests to the outlets' POS servers.
#include "core/globals.h"
#include "core/log.h"
#include "core/mltext.h"
#include "messaging/kivconnections.h"
#include "messaging/posservers.h"
#include "registry/dbconnections.h"
#include "reservations/kivfunc.h"
#include "reservations/kivfuncsupport.h"
#include "sql/sqldb.h"
#include "users/user.h"
#include "venue/accounts.h"
#include "venue/outlets.h"

namespace {

using kivfunc_support::kClass;

constexpr int32_t kErrInvalidOutlet = 9009;

}  // namespace

struct KIVFunc::POSRoute {
    const Outlet* outlet = nullptr;
    const Account* account = nullptr;
    POSServer* pos = nullptr;
    std::string employee;
};

const Account* KIVFunc::GetAccount(int32_t accountID) {
    if (accounts_ == nullptr) {
        ownAccounts_ = std::make_unique<Accounts>();
        ownAccounts_->Load(DefaultSQLDB());
        accounts_ = ownAccounts_.get();
    }
    return accounts_->Item(accountID);
}

POSServer* KIVFunc::GetPOSServer(int32_t posID) {
    if (posServers_ == nullptr) {
        ownPOSServers_ = std::make_unique<POSServers>();
        ownPOSServers_->Load(DefaultSQLDB());
        posServers_ = ownPOSServers_.get();
    }
    return posServers_->GetPOSServerByID(posID);
}

bool KIVFunc::POSLinked(const Outlet& outlet) {
    const Account* account = GetAccount(outlet.AccountID());
    return account != nullptr && account->POSID() != 0 && !outlet.POSOutletCode().empty();
}

bool KIVFunc::ResolvePOS(int32_t outletID, const char* procedure, POSRoute& route) {
    route.outlet = GetOutlet(outletID);
    if (route.outlet == nullptr) {
        const std::string text = GetMLText("Invalid Outlet ID : ") + Str(outletID);
        SetErr(kErrInvalidOutlet, kClass, procedure, text);
        WriteLog(text, kClass, procedure);
        return false;
    }
    route.account = GetAccount(route.outlet->AccountID());
    if (route.account == nullptr) {
        Fail(procedure, GetMLText("Invalid Account ID : ") + Str(route.outlet->AccountID()));
        return false;
    }
    route.pos = GetPOSServer(route.account->POSID());
    if (route.pos == nullptr) {
        Fail(procedure, "Invalid POS ID : " + Str(route.account->POSID()));
        return false;
    }
    route.employee = g_oUser != nullptr ? g_oUser->GetEmployeeID(route.account->AccountID()) : "";
    if (route.employee.empty()) {
        Fail(procedure, "Invalid POS employee ID");
        return false;
    }
    return true;
}

bool KIVFunc::SendPOS(const POSRoute& route, const PacketItem& item, int timeoutMs,
                      const char* procedure) {
    const std::string packet = maker_.MakePOSRequestPkt({item});
    if (packet.empty()) {
        Fail(procedure, "Make packet fail");
        return false;
    }
    if (conn_ == nullptr) {
        Fail(procedure, "No server connection");
        return false;
    }
    auto field = [&item](const char* name) {
        for (const auto& [k, v] : item)
            if (k == name) return v;
        return std::string();
    };
    const bool ok = timeoutMs <= 0
                        ? conn_->SendMessage(route.outlet->ServiceID(), packet)
                        : conn_->SendMessageWithReply(route.outlet->ServiceID(), packet, timeoutMs,
                                                      field("type"), field("table"));
    if (!ok) {
        CopyErr(conn_->ErrNumber(), conn_->ErrDescription());
        WriteLog("POS request " + field("type") + " " + field("table") +
                     " failed: " + conn_->ErrDescription(),
                 kClass, procedure);
    }
    return ok;
}

bool KIVFunc::POSSetTableVacant(int32_t outletID, const std::string& tableNo) {
    POSRoute r;
    return ResolvePOS(outletID, "POSSetTableVacant", r) &&
           SendPOS(
               r,
               PacketMaker::CreatePOSSetVacant(r.account->POSAccount(), r.outlet->POSOutletCode(),
                                               tableNo, r.employee, r.pos->POSCode()),
               0, "POSSetTableVacant");
}

bool KIVFunc::POSEditResv(int32_t outletID, const std::string& tableNo, const std::string& resvGuid,
                          const std::string& remark, const std::string& guestName,
                          const std::string& refNo, const std::string& memberAccount) {
    POSRoute r;
    return ResolvePOS(outletID, "POSEditResv", r) &&
           SendPOS(r,
                   PacketMaker::CreatePOSEditResv(
                       r.account->POSAccount(), r.outlet->POSOutletCode(), tableNo, resvGuid,
                       r.employee, r.pos->POSCode(), remark, guestName, refNo, memberAccount),
                   kPOSReplyTimeoutMs, "POSEditResv");
}

bool KIVFunc::POSChagneCover(int32_t outletID, const std::string& tableNo, int32_t cover) {
    POSRoute r;
    return ResolvePOS(outletID, "POSChagneCover", r) &&
           SendPOS(
               r,
               PacketMaker::CreatePOSChangeCover(r.account->POSAccount(), r.outlet->POSOutletCode(),
                                                 tableNo, cover, r.employee, r.pos->POSCode()),
               kPOSReplyTimeoutMs, "POSChagneCover");
}

bool KIVFunc::POSChangeTable(int32_t outletID, const std::string& tableNo,
                             const std::string& fromTable) {
    POSRoute r;
    return ResolvePOS(outletID, "POSChangeTable", r) &&
           SendPOS(
               r,
               PacketMaker::CreatePOSChangeTable(r.account->POSAccount(), r.outlet->POSOutletCode(),
                                                 tableNo, fromTable, r.employee, r.pos->POSCode()),
               kPOSReplyTimeoutMs, "POSChangeTable");
}

bool KIVFunc::CheckEnquiry(int32_t outletID, const std::string& tableNo) {
    POSRoute r;
    return ResolvePOS(outletID, "CheckEnquiry", r) &&
           SendPOS(r,
                   PacketMaker::CreatePOSCheckEnquriy(r.account->POSAccount(),
                                                      r.outlet->POSOutletCode(), tableNo,
                                                      r.employee, r.pos->POSCode()),
                   kCheckEnquiryTimeoutMs, "CheckEnquiry");
}

bool KIVFunc::OpenTable(int32_t outletID, const std::string& tableNo, int32_t cover) {
    POSRoute r;
    return ResolvePOS(outletID, "OpenTable", r) &&
           SendPOS(
               r,
               PacketMaker::CreatePOSNewTable(r.account->POSAccount(), r.outlet->POSOutletCode(),
                                              tableNo, cover, r.employee, r.pos->POSCode()),
               kPOSReplyTimeoutMs, "OpenTable");
}

bool KIVFunc::RefreshOutletTableSatus(int32_t outletID) {
    constexpr const char* kProc = "RefreshOutletTableSatus";
    POSRoute r;
    // The enquiry needs no employee: only outlet, account and POS server.
    r.outlet = GetOutlet(outletID);
    if (r.outlet == nullptr) {
        const std::string text = GetMLText("Invalid Outlet ID : ") + Str(outletID);
        SetErr(kErrInvalidOutlet, kClass, kProc, text);
        WriteLog(text, kClass, kProc);
        return false;
    }
    r.account = GetAccount(r.outlet->AccountID());
    if (r.account == nullptr) {
        Fail(kProc, GetMLText("Invalid Account ID : ") + Str(r.outlet->AccountID()));
        return false;
    }
    r.pos = GetPOSServer(r.account->POSID());
    if (r.pos == nullptr) {
        Fail(kProc, "Invalid POS ID : " + Str(r.account->POSID()));
        return false;
    }
    SQLDB* db = g_oDBConns != nullptr ? g_oDBConns->GetSQLDB(r.outlet->DBServerID()) : nullptr;
    if (db == nullptr) {
        Fail(kProc, "Cannot retrieve SQLDB:" + Str(r.outlet->DBServerID()));
        return false;
    }
    const std::string sql = "SELECT * FROM tbl_TableStatus  WHERE OutletID =" + Str(outletID) +
                            " AND RowStatus=" + SQLStr("A");
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (rs == nullptr) {
        CopyErr(db->ErrNumber(), db->ErrDescription());
        WriteSQLLog(db->ErrDescription(), sql, kClass, kProc);
        return false;
    }
    PacketItems items;
    for (; !rs->Eof(); rs->MoveNext())
        items.push_back({{"type", "table_enquiry"},
                         {"account", r.account->POSAccount()},
                         {"outlet", r.outlet->POSOutletCode()},
                         {"poscode", r.pos->POSCode()},
                         {"table", FieldStr(rs.get(), "TableNo")}});
    if (items.empty()) return true;
    const std::string packet = maker_.MakePOSRequestPkt(items);
    if (packet.empty() || conn_ == nullptr) {
        Fail(kProc, packet.empty() ? "Make packet fail" : "No server connection");
        return false;
    }
    const std::string first = items.front().back().second;
    if (!conn_->SendMessageWithReply(r.outlet->ServiceID(), packet, kPOSReplyTimeoutMs,
                                     "table_enquiry", first)) {
        CopyErr(conn_->ErrNumber(), conn_->ErrDescription());
        WriteLog("POS table enquiry failed: " + conn_->ErrDescription(), kClass, kProc);
        return false;
    }
    return true;
}
