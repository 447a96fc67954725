#include "app/profileargs.h"

#include <algorithm>

#include "app/shell.h"
#include "app/venueargs.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "platform/textutil.h"
#include "profiles/fieldinput.h"
#include "profiles/profiledefinition.h"
#include "profiles/uiproperties.h"
#include "registry/dbconnections.h"
#include "reservations/reservation.h"
#include "reservations/resvrules.h"
#include "venue/outlet.h"

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

namespace {

constexpr const char* kPeriodField = "MPOutletID";

// The field's value after the edit: the form's when it has the field, else
// the record's.
std::string EditedValue(const ProfileDefinition& def, const Reservation& resv,
                        const std::string& code) {
    const ProfileField* f = def.Field(code);
    return f != nullptr ? f->GetValue() : resv.GetFieldText(code);
}

bool EditedField(const ProfileDefinition& def, const std::string& code) {
    const ProfileField* f = def.Field(code);
    return f != nullptr && f->Changed();
}

// The period field the reservation forms write MPOutletID through.
std::shared_ptr<ProfileField> PeriodField() {
    auto f = std::make_shared<ProfileField>();
    f->SetAttr("ProfileCode", kPeriodField);
    f->SetAttr("DBField", kPeriodField);
    f->SetAttr("InputType", "TX");
    f->SetAttr("DataType", "I");
    f->SetAttr("DBDataType", "I");
    f->SetAttr("DescL1", "Meal period");
    f->SetAttr("DataFromResvTable", 1);
    for (const char* form : {"IsTeleResv", "IsInPerResv", "IsWalkIn", "IsBulkResv"}) {
        for (const char* sw : {"Update", "UpdateEnabled", "New", "NewEnabled"})
            f->SetAttr(std::string(form) + sw, 1);
    }
    return f;
}

}  // namespace

bool ApplyPeriodArgument(Shell& shell, ProfileDefinition& def, const Reservation& resv,
                         const Outlet& outlet, Assignments& values) {
    auto it = std::find_if(values.begin(), values.end(), [](const auto& v) {
        return UpperAscii(v.first) == UpperAscii(kPeriodField);
    });
    if (it == values.end()) return true;
    const std::string arg = it->second;
    values.erase(it);
    ProfileField* field = def.Field(kPeriodField);
    if (field != nullptr && !def.IsUpdatable(*field)) {
        shell.Error(GetMLText("This field cannot be changed") + ": " + kPeriodField);
        return false;
    }
    if (field == nullptr) {
        def.AddField(PeriodField());
        field = def.Field(kPeriodField);
        field->SetValue(resv.GetFieldText(kPeriodField));
        field->SetLoadedValue(field->GetValue());
    }
    const MPOutlet* period = FindPeriod(shell, outlet, arg);
    if (period == nullptr) return false;
    field->SetValue(std::to_string(period->MPOutletID()));
    return true;
}

bool CheckReservationEdit(Shell& shell, const ProfileDefinition& def, const Reservation& resv,
                          const Outlet& outlet) {
    bool ok = true;
    for (const char* code : {"ReserveCover", "ArrivalCover", "DYAdult", "DYChildren"}) {
        if (!EditedField(def, code)) continue;
        const std::string value = EditedValue(def, resv, code);
        std::string message;
        if (!CheckResvCount(code, value, message)) {
            shell.Error(GetMLText(message) + ": " + code + "=" + value);
            ok = false;
        }
    }
    if (!EditedField(def, "ReserveTime") && !EditedField(def, kPeriodField)) return ok;
    const std::string time = EditedValue(def, resv, "ReserveTime");
    const std::string periodID = EditedValue(def, resv, kPeriodField);
    const MPOutlet* period =
        AllDigits(periodID) ? outlet.GetMPOutlets().Item(std::stoi(periodID)) : nullptr;
    const auto clock = DateTime::Parse(time);
    if (period == nullptr || !clock || !TimeInMealPeriod(*period, *clock)) {
        const std::string name =
            period != nullptr ? LocalName(period->Name(g_nLanguage), period->NameL1()) : periodID;
        shell.Error(GetMLText("The time is outside the meal period") + ": ReserveTime=" + time +
                    " (" + name + ")");
        ok = false;
    }
    return ok;
}
