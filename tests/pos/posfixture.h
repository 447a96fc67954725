#pragma once
// A demo installation whose KIV server is a real kivserver keeping the
// table statuses of the installation's databases (its POS simulator), a
// signed-in user and the hub opened as after sign-in.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/opscommands.h"
#include "app/servercommands.h"
#include "core/globals.h"
#include "kiv/kivtestsupport.h"
#include "messaging/kiv.h"
#include "platform/datetime.h"
#include "platform/userinterface.h"
#include "registry/dbconnections.h"
#include "reservations/kivfunc.h"
#include "sql/sqldb.h"
#include "support/installation.h"
#include "users/signin.h"

class PosTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(inst.StartInProcess());
        // Two free tables of the Harbour Grill's Main Dining plan.
        inst.Sql(
            "INSERT INTO tbl_FPTable (FPID, TableNo, TCapacity, IsShare, RowStatus) VALUES "
            "(101, 'Q1', 6, 0, 'A'), (101, 'Q2', 4, 0, 'A')");
        SignIn signIn;
        ASSERT_TRUE(signIn.CheckLogin("admin", "admin123", 2)) << signIn.ErrorLabel();
    }
    void TearDown() override { hub.reset(); }

    // Starts the kivserver (POS simulator on the installation's databases,
    // `extra` options after) and opens the hub on it.
    void Start(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"--db", inst.Root() + "/Data/KIVDB1.db", "--db",
                                      inst.Root() + "/Data/KIVDB2.db", "-v"};
        args.insert(args.end(), extra.begin(), extra.end());
        server = std::make_unique<KivServerProcess>(args);
        ASSERT_TRUE(server->Running());
        inst.Sql("UPDATE tbl_ServiceServer SET IPPort = " + std::to_string(server->Port()));
        hub = OpenHub();
        ASSERT_NE(hub, nullptr);
    }
    KIVFunc& Func() { return hub->Func(); }

    static std::string Today() { return DateTime::Now().DatePart().DateText(); }
    static DateTime TodayDate() { return DateTime::Now().DatePart(); }

    // A lunch reservation of the Harbour Grill today on `table`.
    int32_t NewResv(const std::string& table, int covers = 4, int32_t guestID = 0) {
        static int counter = 0;
        const std::string number = std::to_string(++counter);
        inst.Sql(
            "INSERT INTO tbl_Reservation (DBServerID, OutletID, MPOutletID, ReserveDate, "
            "ReserveTime, ReserveCover, ReserveNo, GuestID, ReserveGUID, RowStatus) VALUES "
            "(1, 1, 12, '" +
            Today() + "', '12:00', " + std::to_string(covers) + ", 'T" + number + "', " +
            std::to_string(guestID) + ", 'GUID-" + number + "', 'A')");
        const int32_t id = std::stoi(One("SELECT MAX(ReserveID) FROM tbl_Reservation"));
        inst.Sql(
            "INSERT INTO tbl_TableReserve (DBServerID, ReserveID, TableNo, Capacity, Occupied, "
            "RowStatus) VALUES (1, " +
            std::to_string(id) + ", '" + table + "', 6, " + std::to_string(covers) + ", 'A')");
        return id;
    }
    Reservation Load(int32_t id) {
        Reservation r;
        EXPECT_TRUE(LoadResvRow(*g_oDBConns->GetSQLDB(1), id, r)) << id;
        return r;
    }
    bool CheckIn(int32_t id, bool force = false, std::vector<std::string>* queued = nullptr) {
        Reservation r = Load(id);
        return Func().ResvCheckIn(r, 0, force, TodayDate(), queued);
    }
    // "TableStatus ReserveID WaitReserveID" of a Harbour Grill table.
    std::string Status(const std::string& table) {
        return One(
            "SELECT IsNull(TableStatus,'') + ' ' + Convert(varchar(10), ReserveID) + ' ' + "
            "Convert(varchar(10), WaitReserveID) FROM tbl_TableStatus WHERE RowStatus='A' AND "
            "OutletID=1 AND TableNo='" +
            table + "'");
    }
    std::string One(const std::string& sql) {
        auto rs = inst.Query(sql);
        if (rs == nullptr || rs->Eof() || rs->FieldCount() == 0) return "";
        const Variant* v = rs->Field(0);
        return v == nullptr || v->IsNull() ? "" : v->ToText();
    }

    TestInstallation inst;
    ScriptedUserInterface ui;
    ScopedUserInterface scoped{ui};
    std::unique_ptr<KivServerProcess> server;
    std::unique_ptr<KIV> hub;
};
