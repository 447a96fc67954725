// Shell commands of the guest profiles: show, create and change a guest
// through the guest maintenance form. Guests are written on the default
// database.
#include "app/profileargs.h"
#include "app/shell.h"
#include "app/venueargs.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "profiles/profiledefinition.h"
#include "registry/dbconnections.h"
#include "reservations/reservation.h"

namespace {

SQLDB* GuestDB() {
    return DefaultSQLDB();
}

// Reads guest `arg` into the definition; false (and a line) when it is not there.
bool LoadGuest(Shell& shell, ProfileDefinition& def, const std::string& arg, int32_t& id) {
    Reservation guest;
    if (!AllDigits(arg) || GuestDB() == nullptr ||
        !def.LoadGuest(*GuestDB(), id = static_cast<int32_t>(std::stol(arg)), guest)) {
        shell.Error(GetMLText("Guest not found") + ": " + arg);
        return false;
    }
    return true;
}

void ShowGuest(Shell& shell, const std::vector<std::string>& args) {
    if (!CheckArgs(shell, args, 1, "guest show ID")) return;
    auto def = LoadDefinition(shell, kProfileGuest);
    Reservation guest;
    if (def == nullptr) return;
    if (!AllDigits(args[0]) || GuestDB() == nullptr ||
        !def->LoadGuest(*GuestDB(), static_cast<int32_t>(std::stol(args[0])), guest)) {
        shell.Error(GetMLText("Guest not found") + ": " + args[0]);
        return;
    }
    shell.Out("guest\t" + args[0] + "\t" + guest.GetFieldText("DYAccountNo"));
    PrintFields(shell, *def, guest);
}

void NewGuest(Shell& shell, const std::vector<std::string>& args) {
    Assignments values;
    if (args.empty()) {
        shell.Error(GetMLText("Usage") + ": guest new FIELD=VALUE ...");
        return;
    }
    if (!ReadAssignments(shell, args, values)) return;
    auto def = LoadDefinition(shell, kProfileGuest);
    if (def == nullptr || GuestDB() == nullptr) return;
    def->FillDefaults();
    if (!ApplyAssignments(shell, *def, values, true, true)) return;
    for (ProfileField* f : def->ListedFields()) {
        if (def->IsMust(*f) && def->IsNewEnabled(*f) && f->GetValue().empty()) {
            shell.Error(GetMLText("A value is required") + ": " + f->ProfileCode());
            return;
        }
    }
    const int32_t id = def->SaveNewGuest(*GuestDB());
    if (id <= 0) {
        shell.Error(GetMLText(def->Message()));
        return;
    }
    shell.Out(GetMLText("Guest created") + ": " + std::to_string(id));
}

void SetGuest(Shell& shell, const std::vector<std::string>& args) {
    if (args.size() < 2) {
        shell.Error(GetMLText("Usage") + ": guest set ID FIELD=VALUE ...");
        return;
    }
    Assignments values;
    if (!ReadAssignments(shell, std::vector<std::string>(args.begin() + 1, args.end()), values))
        return;
    auto def = LoadDefinition(shell, kProfileGuest);
    int32_t id = 0;
    if (def == nullptr || !LoadGuest(shell, *def, args[0], id)) return;
    if (!ApplyAssignments(shell, *def, values, false, true)) return;
    bool changed = false;
    for (const auto& [code, f] : def->Fields())
        changed = changed || (def->IsUpdatable(*f) && f->Changed());
    if (!changed) {
        shell.Out(GetMLText("No change"));
        return;
    }
    if (!def->UpdateGuestProfile(*GuestDB(), id)) {
        shell.Error(GetMLText(def->Message()));
        return;
    }
    shell.Out(GetMLText("Guest updated") + ": " + std::to_string(id));
}

}  // namespace

void AddGuestCommands(Shell& shell) {
    shell.Add({"guest show", "guest show ID", "Show a guest profile: every field of the guest form",
               ShowGuest});
    shell.Add({"guest new", "guest new FIELD=VALUE ...", "Create a guest profile", NewGuest});
    shell.Add({"guest set", "guest set ID FIELD=VALUE ...", "Change fields of a guest profile",
               SetGuest});
}
