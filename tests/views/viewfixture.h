#pragma once
// A started workstation on a demo installation, the hub's outlets, and
// reservations written for a quiet lunch far ahead, for the view tests.
#include <gtest/gtest.h>

#include <string>

#include "core/config.h"
#include "core/globals.h"
#include "platform/datetime.h"
#include "platform/userinterface.h"
#include "registry/dbconnections.h"
#include "support/installation.h"
#include "venue/outlets.h"

class ViewTest : public ::testing::Test {
  protected:
    static constexpr int kHBR = 1;
    static constexpr int kBreakfast = 11, kLunch = 12, kDinner = 13;

    void SetUp() override {
        ASSERT_TRUE(inst.StartInProcess());
        ASSERT_TRUE(outlets.Load(*DefaultSQLDB()));
    }
    void TearDown() override { g_oConfig->SetORBAMode(false); }

    // A lunch with no demo bookings: 40 days ahead.
    static DateTime Ahead(int days = 40) { return DateTime::Now().DatePart().AddDays(days); }
    // A reservation of the Harbour Grill; `time` "HH:MM".
    void Resv(int id, const DateTime& day, int mp, const std::string& time,
              const std::string& status, const std::string& lastName = "Guest") {
        inst.Sql(
            "INSERT INTO tbl_Reservation (ReserveID, DBServerID, OutletID, MPOutletID, "
            "ReserveDate, ReserveTime, ReserveCover, RowStatus, ReserveType, DYLastName, "
            "GuestID) VALUES (" +
            std::to_string(id) + ", 1, 1, " + std::to_string(mp) + ", '" + day.DateText() + "', '" +
            time + ":00', 2, '" + status + "', 'N', '" + lastName + "', 0)");
    }
    void Bind(int id, int resvID, const std::string& table, const std::string& status = "A") {
        inst.Sql(
            "INSERT INTO tbl_TableReserve (TableReserveID, DBServerID, ReserveID, TableNo, "
            "RowStatus) VALUES (" +
            std::to_string(id) + ", 1, " + std::to_string(resvID) + ", '" + table + "', '" +
            status + "')");
    }

    TestInstallation inst;
    ScriptedUserInterface ui;
    ScopedUserInterface scoped{ui};
    Outlets outlets;
};
