#pragma once
// A demo installation whose KIV server is a real kivserver, a signed-in
// user, the hub opened as after sign-in, and a second raw connection to the
// server that sees every DATACHANGE this workstation announces.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/servercommands.h"
#include "core/globals.h"
#include "kiv/kivtestsupport.h"
#include "messaging/kiv.h"
#include "messaging/packetmaker.h"
#include "messaging/scriptdocument.h"
#include "platform/datetime.h"
#include "platform/userinterface.h"
#include "registry/client.h"
#include "sql/sqldb.h"
#include "support/installation.h"
#include "users/signin.h"

// One packet as the other workstations receive it.
struct Announced {
    std::string type, priority;
    PacketItem filter;
    std::vector<PacketItem> msgs;
};

inline Announced ParseAnnounced(const std::string& text) {
    Announced a;
    ScriptDocument doc;
    if (text.empty() || !doc.LoadXML(text)) return a;
    auto root = doc.ScrRoot();
    a.type = root->Var("type");
    auto kivdata = root->GetVarGrp("kivdata");
    if (!kivdata) return a;
    a.priority = kivdata->Var("priority");
    if (auto filter = kivdata->GetVarGrp("filter"))
        for (const std::string& k : filter->VarKeys())
            a.filter.push_back({k, filter->Var(k)});
    if (auto list = kivdata->GetVarList("msgs")) {
        for (int i = 0; i < list->Count(); ++i) {
            auto row = list->Item(i);
            auto msg = row ? row->GetVarGrp("msg") : nullptr;
            if (!msg) continue;
            PacketItem item;
            for (const std::string& k : msg->VarKeys())
                item.push_back({k, msg->Var(k)});
            a.msgs.push_back(item);
        }
    }
    return a;
}

// The document of one row as announced.
inline PacketItem Doc(int server, const std::string& module, const std::string& op,
                      const std::string& table, const std::string& field, int64_t id) {
    return {{"dbserverid", std::to_string(server)},
            {"module", module},
            {"operation", op},
            {"table", table},
            {"field", field},
            {"fieldid", std::to_string(id)}};
}

inline PacketItem Filter(int outlet, const std::string& date, int mp) {
    return {{"outletid", std::to_string(outlet)},
            {"reservedate", date},
            {"mealperiodid", std::to_string(mp)}};
}

// A table of the Main Dining plan (Harbour Grill) that no demo booking uses.
inline constexpr const char* kFreeTable = "Q1";
inline constexpr int kLunch = 12;
inline constexpr int kDinner = 13;

class OpsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.Running());
        ASSERT_TRUE(inst.StartInProcess());
        inst.Sql("UPDATE tbl_ServiceServer SET IPPort = " + std::to_string(server.Port()) +
                 " WHERE ServiceID = 1; INSERT INTO tbl_FPTable (FPID, TableNo, TCapacity, "
                 "IsShare, RowStatus) VALUES (101, 'Q1', 6, 0, 'A'), (101, 'Q2', 2, 1, 'A')");
        SignIn signIn;
        ASSERT_TRUE(signIn.CheckLogin("admin", "admin123", 2)) << signIn.ErrorLabel();
        ASSERT_TRUE(peer.Connect(server.Port()));
    }
    void TearDown() override { hub.reset(); }

    void OpenSession() {
        hub = OpenHub();
        ASSERT_NE(hub, nullptr);
    }
    // The next packet the other workstation receives ("" type when none).
    Announced Next(int ms = 3000) { return ParseAnnounced(peer.ReadPacket(ms)); }
    // A date well past the demo's bookings.
    static std::string Day(int offset) { return DateTime::Now().AddDays(offset).DateText(); }
    static DateTime Date(int offset) { return DateTime::Now().DatePart().AddDays(offset); }
    int32_t ClientID() const { return g_oClient->ClientID(); }
    std::string One(const std::string& sql) {
        auto rs = inst.Query(sql);
        if (rs == nullptr || rs->Eof() || rs->FieldCount() == 0) return "";
        const Variant* v = rs->Field(0);
        return v == nullptr || v->IsNull() ? "" : v->ToText();
    }
    int Count(const std::string& sql) { return std::stoi("0" + One(sql)); }

    KivServerProcess server;
    TestInstallation inst;
    ScriptedUserInterface ui;
    ScopedUserInterface scoped{ui};
    RawPeer peer;
    std::unique_ptr<KIV> hub;
};
