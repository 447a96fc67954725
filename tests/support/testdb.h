#pragma once
// Throwaway installation databases for tests: an empty database made from the
// installation schema, and a whole demo installation in a temporary folder.
#include <memory>
#include <string>

#include "support/tempdir.h"

// Creates `path` from the installation schema; throws when that fails.
void CreateTestDatabase(const std::string& path);

// A demo installation (culinarotable-admin init --demo) in its own TempDir.
struct DemoInstallation {
    TempDir dir;
    std::string root;       // installation root
    std::string defaultDb;  // database of server 1 (the default database)
    std::string server2Db;  // database of server 2
    std::string connIni;    // Client/cfg/KIV4Connstr.ini
};

// Builds a demo installation (scale 1 unless given); throws when init fails.
// The same arguments give the same data on the same day.
std::unique_ptr<DemoInstallation> BuildDemoInstallation(int scale = 1);
