// Shell commands of guest files: export every guest profile to a CSV file
// and import one. Guests live on the default database.
#include "app/shell.h"
#include "app/venueargs.h"
#include "core/mltext.h"
#include "platform/textutil.h"
#include "profiles/guestcsv.h"
#include "registry/dbconnections.h"

namespace {

constexpr const char* kMissingFieldLine = "Missing field line in file ";

// A message with a variable tail ("Duplicate columns in source file: X"):
// the fixed lead is translated, the tail shown as it stands.
std::string Translated(const std::string& message) {
    if (message.rfind(kMissingFieldLine, 0) == 0)
        return GetMLText("Missing field line in file") + " " +
               message.substr(std::string(kMissingFieldLine).size());
    const auto colon = message.find(": ");
    if (colon == std::string::npos) return GetMLText(message);
    return GetMLText(message.substr(0, colon)) + message.substr(colon);
}

void ExportGuests(Shell& shell, const std::vector<std::string>& args) {
    if (!CheckArgs(shell, args, 1, "guest export FILE")) return;
    SQLDB* db = DefaultSQLDB();
    if (db == nullptr) {
        shell.Error(GetMLText("Default database is not defined"));
        return;
    }
    GuestCSV csv(*db);
    if (!csv.ExportGuestProfile(args[0])) {
        shell.Error(Translated(csv.Message()));
        return;
    }
    shell.Out(std::to_string(csv.ExportedCount()) + " " + GetMLText("guest profile is exported"));
}

void ImportGuests(Shell& shell, const std::vector<std::string>& args) {
    const char* usage = "guest import FILE [--charset ANSI|UTF-8]";
    CSVCharset charset = CSVCharset::kUTF8;
    const bool withCharset = args.size() == 3 && EqualsNoCase(args[1], "--charset");
    if ((args.size() != 1 && !withCharset) || (withCharset && !ParseCSVCharset(args[2], charset))) {
        shell.Error(GetMLText("Usage") + ": " + usage);
        return;
    }
    SQLDB* db = DefaultSQLDB();
    if (db == nullptr) {
        shell.Error(GetMLText("Default database is not defined"));
        return;
    }
    GuestCSV csv(*db);
    GuestImportResult result;
    const bool ok = csv.ImportGuestProfile(args[0], charset, result);
    if (!ok) shell.Error(Translated(csv.Message()));
    if (!result.RowsChecked) return;
    shell.Out(std::to_string(result.Updated) + " " + GetMLText("guest profile is updated"));
    shell.Out(std::to_string(result.Inserted) + " " + GetMLText("guest profile is inserted"));
    shell.Out("skipped\t" + std::to_string(result.Skipped));
    for (const auto& r : result.Refused) {
        shell.Out("refused\t" + std::to_string(r.Line) + "\t" + GetMLText(r.Message) +
                  (r.Detail.empty() ? "" : " " + OneField(r.Detail)));
    }
}

}  // namespace

void AddGuestCSVCommands(Shell& shell) {
    shell.Add({"guest export", "guest export FILE",
               "Export the guest profiles (active, with an account number) to a CSV file",
               ExportGuests});
    shell.Add({"guest import", "guest import FILE [--charset ANSI|UTF-8]",
               "Import guest profiles from a CSV file: update by account and holder number, "
               "insert the others",
               ImportGuests});
}
