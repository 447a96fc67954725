#pragma once
// KIVFunc: the operations that change reservations, their table bindings,
// live table statuses and temporary holds in the database of the outlet's
// server, and announce each changed row to the other workstations as one
// data-change document. Every operation runs as one transaction and
// announces only what was committed. Failures return false (or nothing),
// keep ErrNumber/ErrDescription and write one log line under "KIVFunc".
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/errorstate.h"
#include "messaging/packetmaker.h"
#include "platform/datetime.h"
#include "reservations/dbfields.h"
#include "reservations/reservation.h"
#include "reservations/resvstat.h"
#include "venue/tabletemp.h"

class KIVConnections;
class Accounts;
class Account;
class POSServers;
class POSServer;
class Outlets;
class Outlet;
class SQLDB;
class FloorPlan;

// One data-change document per changed row, in the order of the changes.
using PacketList = PacketItems;

// Operation codes of the data-change documents.
enum DataChangeOperation : int { kOpUnchange = 0, kOpInsert = 1, kOpUpdate = 2, kOpDelete = 3 };

// HoldTableRow's answer when the database failed (not a refusal).
inline constexpr int64_t kHoldError = -99;

// Priorities of DATACHANGE packets.
inline constexpr const char* kPriorityHold = "1";
inline constexpr const char* kPriorityChange = "2";

class KIVFunc : public ErrorState {
  public:
    KIVFunc();
    ~KIVFunc();
    KIVFunc(const KIVFunc&) = delete;
    KIVFunc& operator=(const KIVFunc&) = delete;

    // The servers to announce through; without them changes are written
    // and the announcement is skipped with a log line.
    void SetConnections(KIVConnections* conn) { conn_ = conn; }
    // The outlets reservations are resolved against (read on first use
    // from the default database when none are given).
    void SetOutlets(Outlets* outlets) { outlets_ = outlets; }
    // The accounts and POS servers the POS requests are resolved against
    // (read on first use from the default database when none are given).
    void SetAccounts(Accounts* accounts) { accounts_ = accounts; }
    void SetPOSServers(POSServers* servers) { posServers_ = servers; }
    PacketMaker& PackerMaker() { return maker_; }

    bool DBResvUpdate(Reservation& resv, const DBFields& fields, PacketList& packets, bool sendNow);
    bool DBResvDelete(Reservation& resv, PacketList& packets);
    bool DBTableResvCancel(Reservation& resv, PacketList& packets);
    // Replaces every live binding of the reservation by `newOnes`; a table
    // bound before keeps its POS check data.
    bool DBTableResvUpdate(Reservation& resv, TableReserveMap& newOnes, PacketList& packets,
                           bool keepCheck);
    // Moves a seated party's live status from the old table to the new one
    // (one binding on each side; otherwise nothing happens). A check open on
    // the old table of a POS-linked outlet is moved on the POS first; its
    // refusal leaves both tables as they were.
    bool DBTableStatusUpdate(Reservation& resv, const TableReserveMap& oldOnes,
                             TableReserveMap& newOnes, PacketList& packets);
    bool GetTableReserve(Reservation& resv);
    // The new hold, or nothing when the table cannot be held (`result`
    // receives the procedure's answer: the TempID, 0 held, -1 booked,
    // -2 refused input). Announced at once.
    std::unique_ptr<TableTemp> TempHoldTable(SQLDB& db, int32_t dbServerID, int32_t outletID,
                                             const DateTime& date, int32_t mpOutletID,
                                             const std::string& tableNo, int32_t userID,
                                             int32_t clientID, int32_t webSessionID = 0,
                                             int64_t* result = nullptr);
    bool ReleaseTempHoldTable(const TableTemp& hold);
    // Every standing hold of this workstation, announced outlet by outlet;
    // `released` receives how many were released.
    bool ReleaseAllTempHoldTables(int* released = nullptr);
    bool ResvSettle(Reservation& resv, bool fillArrival);
    // With `checkTable`, a POS-linked outlet's POS is asked first to change
    // the covers of the check on `tableNo` when this party is seated there.
    bool ResvChangeArrivalCover(Reservation& resv, int32_t cover, const std::string& tableNo,
                                bool checkTable);
    bool SendFPChanged(const FloorPlan& plan);

    // Requests to the outlet's POS through its KIV server (outlet id first).
    // Each resolves outlet, account, POS server and the signed-in user's POS
    // employee number; a failure keeps the reason (9033 and the POS's own
    // text for a refusal, 9024 for no reply in time, 9004 while another
    // request waits).
    bool POSSetTableVacant(int32_t outletID, const std::string& tableNo);
    bool POSEditResv(int32_t outletID, const std::string& tableNo, const std::string& resvGuid,
                     const std::string& remark, const std::string& guestName,
                     const std::string& refNo, const std::string& memberAccount);
    bool POSChagneCover(int32_t outletID, const std::string& tableNo, int32_t cover);
    bool POSChangeTable(int32_t outletID, const std::string& tableNo, const std::string& fromTable);
    bool CheckEnquiry(int32_t outletID, const std::string& tableNo);
    bool OpenTable(int32_t outletID, const std::string& tableNo, int32_t cover);
    // Asks the POS to send every active table status of the outlet again.
    bool RefreshOutletTableSatus(int32_t outletID);
    // Whether the outlet's account names a POS server and the outlet its
    // POS outlet code; the others run without a POS.
    bool POSLinked(const Outlet& outlet);

    // Checks a party in on `businessDate`: binds the live status rows of its
    // tables (or, without `force`, queues it on a table another party
    // holds), opens the POS check and passes the reservation to the POS,
    // and records the arrival covers (the booked covers when `cover` is 0)
    // and time. `queued` receives the tables it waits for.
    bool ResvCheckIn(Reservation& resv, int32_t cover, bool force, const DateTime& businessDate,
                     std::vector<std::string>* queued = nullptr);
    // Reverses a check-in: a party waiting behind it moves up, a table
    // whose check is open is cleared on the POS too.
    bool ResvCheckInUndo(Reservation& resv);
    // Exchanges the tables (bindings and seated status rows) of two
    // reservations of one outlet.
    bool ResvsSwapTables(Reservation& source, Reservation& destination);
    bool SetActiveFilter(const DateTime& date, int32_t outletID, int32_t mpOutletID);

    // Availability statistics of an outlet, date and meal period
    // (resvstat.cpp); each replaces `stats` and returns true, or false with
    // the error set and logged under the operation's name.
    bool GetTableStat(int32_t outletID, const DateTime& date, int32_t mpOutletID,
                      TableStats& stats);
    bool GetResvStat(int32_t outletID, const DateTime& date, int32_t mpOutletID, ResvStats& stats);
    bool GetResvStatByInterval(int32_t outletID, const DateTime& date, int32_t mpOutletID,
                               IntervalStats& stats);

    // Database work of a hold without the announcement (the caller may be
    // inside a larger transaction): releases expired holds of that table
    // first (their documents go to `released`), then calls the procedure:
    // the TempID, 0 held, -1 booked, -2 refused input, kHoldError.
    int64_t HoldTableRow(SQLDB& db, int32_t dbServerID, int32_t outletID, const DateTime& date,
                         int32_t mpOutletID, const std::string& tableNo, int32_t userID,
                         int32_t clientID, int32_t webSessionID, PacketList& released);

    // Sends `packets` as one DATACHANGE with the outlet/date/meal-period
    // filter through the outlet's server. Nothing to send is success.
    bool SendDataChange(const Outlet& outlet, const DateTime& date, int32_t mpOutletID,
                        const std::string& priority, const PacketList& packets);
    // The outlet of the reservation and its connection; nullptr (error set,
    // logged under `procedure`) when either is unknown.
    // The texts name the outlet and server ids in the log line.
    const Outlet* ResvOutlet(const Reservation& resv, const char* procedure, SQLDB** db,
                             const char* outletText = "Cannot retrieve Outlet With ID: ",
                             const char* dbText = "Cannot retrieve SQLDB with id: ");
    const Outlet* GetOutlet(int32_t outletID);

    // The document of one changed row.
    static PacketItem DataChangeDoc(int32_t dbServerID, const std::string& module, int operation,
                                    const std::string& table, const std::string& field, int64_t id);

  private:
    void Fail(const char* procedure, const std::string& message);
    // The reservation's date when its meal period and date are set (and its
    // outlet, with `needOutlet`); otherwise nothing, the error set and
    // logged under `procedure`.
    std::optional<DateTime> ResvRowDate(const Reservation& resv, const char* procedure,
                                        bool needOutlet);
    bool UpdateBindingStatus(Reservation& resv, const std::string& rowCondition,
                             const std::string& status, const char* procedure,
                             const std::string& invalidText, PacketList& packets);
    bool SendPacket(int32_t serviceID, const std::string& packet, const char* procedure);
    // The POS request parts of one outlet; false (error set, logged) when
    // one is missing.
    struct POSRoute;
    bool ResolvePOS(int32_t outletID, const char* procedure, POSRoute& route);
    // Sends `item` as a POS request; waits `timeoutMs` for the reply
    // (0: no wait).
    bool SendPOS(const POSRoute& route, const PacketItem& item, int timeoutMs,
                 const char* procedure);
    const Account* GetAccount(int32_t accountID);
    POSServer* GetPOSServer(int32_t posID);
    // Check-in steps.
    std::string POSGuestName(SQLDB& db, const Reservation& resv);
    bool PassResvToPOS(SQLDB& db, const Outlet& outlet, const Reservation& resv,
                       const std::string& tableNo);

    KIVConnections* conn_ = nullptr;
    Outlets* outlets_ = nullptr;
    std::unique_ptr<Outlets> ownOutlets_;
    Accounts* accounts_ = nullptr;
    std::unique_ptr<Accounts> ownAccounts_;
    POSServers* posServers_ = nullptr;
    std::unique_ptr<POSServers> ownPOSServers_;
    PacketMaker maker_;
};

// Audit columns every reservation update writes (RowModified and UpdateDT
// GetDate(), UpdateUserID, UpdateClientID); columns already set stay.
void AddResvAuditFields(DBFields& fields);
