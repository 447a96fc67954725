#pragma once
// A demo installation opened on both database servers, with the system
// parameters loaded, for the venue tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/config.h"
#include "core/globals.h"
#include "platform/datetime.h"
#include "platform/userinterface.h"
#include "sql/sqldb.h"
#include "support/tempdir.h"
#include "support/testdb.h"

class VenueTest : public ::testing::Test {
  protected:
    VenueTest() : demo_(BuildDemoInstallation()) {
        Open(db1, demo_->defaultDb);
        Open(db2, demo_->server2Db);
        ScopedUserInterface scoped(ui);
        UseInstallRoot(demo_->root);  // logs go to the installation's log folder
        g_oConfig->Load(db1);
    }
    ~VenueTest() override {
        g_oConfig.reset();
        g_nLanguage = 1;
    }

    // Runs a batch on server 1 (the default database).
    void Sql(const std::string& batch) {
        ASSERT_TRUE(db1.RunSQLNoReturn(batch)) << db1.ErrDescription();
    }
    static std::string Day(int offset) { return DateTime::Now().AddDays(offset).DateText(); }
    static DateTime Date(int offset) { return DateTime::Now().DatePart().AddDays(offset); }
    // Every day log line written so far.
    std::string DayLogs() const {
        std::string text;
        std::error_code ec;
        for (const auto& f :
             std::filesystem::recursive_directory_iterator(demo_->root + "/Client/Log", ec)) {
            if (f.path().extension() == ".log") text += ReadTextFile(f.path());
        }
        return text;
    }

    std::unique_ptr<DemoInstallation> demo_;  // first: outlives the connections
    ScriptedUserInterface ui;
    SQLDB db1, db2;

  private:
    static void Open(SQLDB& db, const std::string& file) {
        db.SetKeepConnection(true);
        db.SetConnectionString("Provider=SQLite;Data Source=" + file);
    }
};
