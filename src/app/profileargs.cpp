#include "app/profileargs.h"

#include "app/shell.h"
#include "app/venueargs.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "data/dbconnections.h"
#include "profiles/fieldinput.h"
#include "profiles/profiledefinition.h"
#include "profiles/uiproperties.h"
#include "reservations/reservation.h"

std::unique_ptr<ProfileDefinition> LoadDefinition(Shell& shell, int operation) {
    auto def = std::make_unique<ProfileDefinition>();
    def->SetSQLDB(DefaultSQLDB());
    def->SetLanguage(g_nLanguage);
    if (!def->LoadProfile(operation)) {
        shell.Error(GetMLText("Cannot load the profile definition"));
        return nullptr;
    }
    return def;
}

bool ReadAssignments(Shell& shell, const std::vector<std::string>& words, Assignments& out) {
    for (const auto& w : words) {
        const auto eq = w.find('=');
        if (eq == std::string::npos || eq == 0) {
            shell.Error(GetMLText("Give values as FIELD=VALUE") + ": " + w);
            return false;
        }
        out.emplace_back(w.substr(0, eq), w.substr(eq + 1));
    }
    if (!out.empty()) return true;
    shell.Error(GetMLText("Give values as FIELD=VALUE"));
    return false;
}

bool ApplyAssignments(Shell& shell, ProfileDefinition& def, const Assignments& values, bool forNew,
                      bool guestTable) {
    bool ok = true;
    for (const auto& [name, value] : values) {
        ProfileField* f = def.FindField(name);
        if (f == nullptr) {
            shell.Error(GetMLText("Unknown field") + ": " + name);
            ok = false;
            continue;
        }
        const bool inTable = guestTable ? f->DataFromGuestTable() : f->DataFromResvTable();
        const bool allowed = forNew ? def.IsNewEnabled(*f) : def.IsUpdatable(*f);
        if (f->IsPseudo() || f->DBField().empty() || !inTable || !allowed) {
            shell.Error(GetMLText("This field cannot be changed") + ": " + name);
            ok = false;
            continue;
        }
        std::string message;
        if (!EnterFieldValue(*f, value, def.IsMust(*f), message)) {
            shell.Error(GetMLText(message) + ": " + name + "=" + value);
            ok = false;
        }
    }
    return ok;
}

std::string DisplayText(ProfileField& field, const std::string& stored) {
    InputControl& c = field.Control();
    // The console has no floor plan to choose from: the stored tables are the only row.
    if (field.InputType() == kInputFC) {
        c.ClearList();
        c.AddRow({stored, stored});
    }
    field.SetValue(stored);
    return field.GetDisplayText();
}

void PrintFields(Shell& shell, ProfileDefinition& def, const Reservation& record) {
    for (ProfileField* f : def.ListedFields()) {
        const std::string code = f->ProfileCode();
        shell.Out("field\t" + code + "\t" + OneField(f->Desc()) + "\t" +
                  OneField(DisplayText(*f, record.GetFieldText(code))));
    }
}
