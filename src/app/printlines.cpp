#include "app/printlines.h"

#include <map>
#include <optional>

#include "app/planlook.h"
#include "app/profileargs.h"
#include "app/shell.h"
#include "app/tableprint.h"
#include "app/venueargs.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "profiles/profiledefinition.h"
#include "registry/dbconnections.h"
#include "reservations/reservations.h"
#include "venue/colordefs.h"
#include "venue/planloader.h"
#include "venue/recordfields.h"
#include "venue/tablecolor.h"

namespace {

// The state as people read it: the code and the caption of its colour row.
std::string StateForPeople(const ColorDefs& colors, const std::string& code) {
    const ColorDef* def = colors.GetStatusColorDef(code);
    const std::string caption = def != nullptr ? def->Name(g_nLanguage) : std::string();
    return caption.empty() ? code : code + " " + caption;
}

}  // namespace

void PrintPlans(Shell& shell, const PlanLoader& loader) {
    if (loader.FloorPlans().Count() == 0) shell.Out(GetMLText("No floor plan in force"));
    shell.BeginTable(TableLayout({"Plan ID", "Plan", "Name", "Sequence", "Capacity"}).Skip(1));
    for (const auto& [id, plan] : loader.FloorPlans()) {
        shell.Out("plan\t" + std::to_string(id) + "\t" + plan->FPCode() + "\t" +
                  LocalName(plan->Name(g_nLanguage), plan->NameL1()) + "\t" +
                  std::to_string(plan->SeqNo()) + "\t" + std::to_string(plan->Capacity()));
    }
}

void PrintTables(Shell& shell, PlanLoader& loader, SQLDB& db, bool liveStates) {
    ColorDefs colors;
    std::map<int32_t, DateTime> arrivals;
    if (liveStates) {
        if (SQLDB* config = g_oDBConns->GetDefaultSQLDB()) colors.Load(*config);
        std::vector<const TableStatus*> tables;
        for (const auto& [no, s] : loader.TableStatuses())
            tables.push_back(s.get());
        arrivals = SeatedArrivals(db, tables, false);
    }
    const DateTime now = DateTime::Now();
    shell.BeginTable(TableLayout({"Table", "Plan", "Seats", "State", "Held", "Blocked",
                                  "Blocked by", "Remark", "Colour", "Shared"})
                         .Skip(1)
                         .SortBy({1, 0}));
    for (const auto& [fpID, plan] : loader.FloorPlans()) {
        for (const auto& [no, table] : plan->FPTables()) {
            const TableStatus& s = *loader.GetTableStatus(no);
            std::string state = "-", color;
            if (liveStates) {
                auto arrival = arrivals.find(s.ReserveID());
                std::optional<DateTime> arrived;
                if (arrival != arrivals.end()) arrived = arrival->second;
                state = shell.ForPeople() ? StateForPeople(colors, s.GetTableStatus())
                                          : s.GetTableStatus();
                color = ColorHex(TableColor(colors, s, ColorMode::ByState, arrived, now));
            }
            shell.Out("table\t" + no + "\t" + plan->FPCode() + "\t" +
                      std::to_string(table.TCapacity()) + "\t" + state + "\t" +
                      (s.TableLock() ? "1" : "0") + "\t" + (s.Block() ? "1" : "0") + "\t" +
                      OneField(s.BlockUserName()) + "\t" + OneField(s.BlockRemark()) + "\t" +
                      color + "\t" + (loader.IsDuplicate(no) ? "1" : "0"));
        }
    }
}

void PrintResvList(Shell& shell, ProfileDefinition& def, const Reservations& list) {
    const std::vector<ProfileField*> columns = def.ListedFields();
    std::string header = GetMLText("ID");
    for (ProfileField* f : columns)
        header += "\t" + OneField(f->ResvListHeader());
    shell.Out(header);
    for (const auto& [id, r] : list.Items()) {
        std::string line = std::to_string(id);
        for (ProfileField* f : columns)
            line += "\t" + OneField(DisplayText(*f, r->GetFieldText(f->ProfileCode())));
        shell.Out(line);
    }
}
