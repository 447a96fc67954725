#include "procedures/installprocedures.h"

// Kept apart from the catalogue so that code and tests that only call the
// bodies do not need the engine's registry.
void RegisterInstallationProcedures() {
    for (const auto& p : InstallationProcedures()) {
        if (FindDBProcedure(p.Name) == nullptr) RegisterDBProcedure(p.Name, p.Body);
    }
    for (const auto& f : InstallationTableFunctions()) {
        if (FindDBTableFunction(f.Name) == nullptr) RegisterDBTableFunction(f.Name, f.Function);
    }
}
