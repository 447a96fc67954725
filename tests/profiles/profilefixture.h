#pragma once
// A demo installation started in this process with "reception" signed in,
// so the profile code finds its connections, parameters, user and
// workstation.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/globals.h"
#include "platform/datetime.h"
#include "platform/userinterface.h"
#include "profiles/profiledefinition.h"
#include "registry/dbconnections.h"
#include "support/installation.h"
#include "users/signin.h"

class ProfileTest : public ::testing::Test {
  protected:
    ProfileTest() : scoped_(ui) {
        EXPECT_TRUE(inst.StartInProcess());
        EXPECT_TRUE(SignIn().CheckLogin("reception", "reception123", 1));
    }

    // Server 1: the default database and the Harbour Grill's reservations.
    SQLDB& Db() { return *g_oDBConns->GetDefaultSQLDB(); }
    std::unique_ptr<ProfileDefinition> Load(int operation, int sub = 0) {
        auto def = std::make_unique<ProfileDefinition>();
        def->SetSQLDB(&Db());
        EXPECT_TRUE(def->LoadProfile(operation, sub)) << def->ErrDescription();
        return def;
    }
    std::string One(const std::string& sql) {
        auto rs = inst.Query(sql);
        return rs == nullptr || rs->Eof() ? "" : FieldStr(rs.get(), rs->FieldAt(0).Name);
    }
    int Count(const std::string& sql) { return std::stoi(One(sql)); }
    static std::string Today() { return DateTime::Now().DateText(); }

    TestInstallation inst;
    ScriptedUserInterface ui;

  private:
    ScopedUserInterface scoped_;
};
