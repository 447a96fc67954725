// Guest profile export, and what export and import share.
#include "profiles/guestcsv.h"

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "profiles/csvfile.h"
#include "profiles/datatype.h"
#include "sql/sqldb.h"

namespace {
constexpr const char* kModule = "KIVFunc";
}  // namespace

bool GuestCSV::Fail(const std::string& procedure, const std::string& message) {
    message_ = message;
    SetErr(-1, kModule, procedure, message);
    WriteLog(message, kModule, procedure);
    return false;
}

std::string GuestCSV::PlaceholderAccount() const {
    if (placeholderSet_ || g_oConfig == nullptr) return placeholder_;
    return g_oConfig->ResvParam("PseudoGuestNo").ToText();
}

bool GuestCSV::ExportGuestProfile(const std::string& path,
                                  const std::vector<std::string>& conditions) {
    exported_ = 0;
    message_.clear();
    ClearErr();
    std::vector<GuestCSVField> all, fields;
    if (!LoadGuestCSVFields(db_, all, *this)) {
        message_ = "Cannot read the profile definition";
        return false;
    }
    std::string columns;
    for (const auto& f : all) {
        if (!f.Export) continue;
        columns += (columns.empty() ? "" : ",") + f.Column;
        fields.push_back(f);
    }
    if (fields.empty())
        return Fail("ExportGuestProfile", "No guest profile field is marked for export");
    std::string sql = "SELECT " + columns + " FROM tbl_Guest WHERE RowStatus=" + "'A'" +
                      " AND DYAccountNo <> " + SQLStr(PlaceholderAccount());
    for (const auto& c : conditions)
        sql += " AND " + c;
    sql += " ORDER BY GuestID";  // a stable order for people comparing files
    auto rs = db_.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db_.ErrDescription(), sql, kModule, "ExportGuestProfile");
        message_ = "Cannot read the guest profiles";
        SetErr(db_.ErrNumber(), kModule, "ExportGuestProfile", db_.ErrDescription());
        return false;
    }
    return ExportGuestProfileRS(path, *rs, fields);
}

bool GuestCSV::ExportGuestProfileRS(const std::string& path, Recordset& rs,
                                    const std::vector<GuestCSVField>& fields) {
    exported_ = 0;
    std::vector<std::string> names, formats;
    for (const auto& f : fields) {
        names.push_back(f.Column);
        formats.push_back(ProfileDataType::ExportFormat(f.DataType));
    }
    CSV csv;
    if (!csv.SaveCSVFile(path, rs, names, formats, exported_)) {
        WriteLog("Fail to SaveCSVFile", kModule, "ExportGuestProfileRS");
        message_ = csv.Message();
        CopyErr(csv.ErrNumber(), csv.ErrDescription());
        return false;
    }
    return true;
}
