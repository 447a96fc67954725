#include "support/testdb.h"

#include <sstream>
#include <stdexcept>

#include "app/admininit.h"
#include "sql/sqlite/sqlitefile.h"

void CreateTestDatabase(const std::string& path) {
    std::string error;
    if (!CreateSchemaDatabase(path, error)) throw std::runtime_error(error);
}

std::unique_ptr<DemoInstallation> BuildDemoInstallation(int scale) {
    auto demo = std::make_unique<DemoInstallation>();
    InitOptions options;
    options.root = demo->dir.Path() + "/install";
    options.demo = true;
    options.scale = scale;
    std::ostringstream out, err;
    if (!InitInstallation(options, out, err)) {
        throw std::runtime_error("init failed: " + err.str());
    }
    demo->root = options.root;
    demo->defaultDb = InstallationDatabasePath(options.root, 1);
    demo->server2Db = InstallationDatabasePath(options.root, 2);
    demo->connIni = options.root + "/Client/cfg/KIV4Connstr.ini";
    return demo;
}
