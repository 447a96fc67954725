#pragma once
// A demo installation with helpers to change its rows, run the workstation
// program against it, and start the workstation in this process.
#include <map>
#include <memory>
#include <string>

#include "sql/sqldb.h"
#include "support/process_run.h"
#include "support/testdb.h"

// The computer name the tests register and run as.
constexpr const char* kTestComputer = "TESTWS";

class TestInstallation {
  public:
    TestInstallation();  // builds a demo installation registered for kTestComputer
    ~TestInstallation();

    const std::string& Root() const { return demo_->root; }
    std::string Cfg(const std::string& file) const { return Root() + "/Client/cfg/" + file; }
    // Runs statements on the default database; fails the test on error.
    void Sql(const std::string& batch);
    std::shared_ptr<Recordset> Query(const std::string& sql);
    // The text of every day log / error file written so far.
    std::string DayLogs() const;

    // Runs `culinarotable --root ROOT` with `input`, as kTestComputer.
    RunResult Start(const std::string& input, std::map<std::string, std::string> env = {},
                    std::vector<std::string> extraArgs = {}) const;
    // Start-up in this process up to the sign-in window; false when it fails.
    bool StartInProcess();

  private:
    std::unique_ptr<DemoInstallation> demo_;
    SQLDB db_;
};
