// Loading a profile definition: the field rows of one operation with their
// options, and the options some fields take from tables.

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/mltext.h"
#include "platform/inifile.h"
#include "platform/textutil.h"
#include "profiles/profiledefinition.h"
#include "sql/recordfields.h"
#include "sql/sqldb.h"
#include "users/user.h"
#include "venue/outlets.h"

namespace {

constexpr const char* kClass = "ProfileDefinition";
constexpr const char* kCrLf = "\r\n";

std::string InLanguage(const Recordset* rs, const std::string& prefix, int language) {
    const std::string t = FieldStr(rs, prefix + std::to_string(language));
    return t.empty() ? FieldStr(rs, prefix + "1") : t;
}

bool Permitted(int32_t outletID) {
    if (g_oUser == nullptr) return true;  // no sign-in yet: nothing to narrow by
    for (const auto& [code, id] : g_oUser->Outlets())
        if (id == outletID) return true;
    return false;
}

}  // namespace

bool ProfileDefinition::LoadProfile(int operation, int subOperation) {
    fields_.Clear();
    listHead_.clear();
    ClearErr();
    if (db_ == nullptr) {
        Fail("LoadProfile", "DB is nothing");
        return false;
    }
    operation_ = operation;
    subOperation_ = subOperation;
    const std::string order = OrderColumn();
    if (order.empty()) {
        Fail("LoadProfile", "No Operation defined!!!");
        return false;
    }
    if (!ignoreSet_ && g_oConfig != nullptr) {
        SetIgnoreProfileList(
            GetPrivateProfileString("KIVCnt", "IgnoreProfileList", "", g_oConfig->ClientIniPath()));
        ignoreSet_ = false;  // read afresh on the next load
    }
    std::string orderBy = " Order By PD." + order;
    if (operation == kProfileGuest && subOperation == kProfileGuestSearch)
        orderBy = " Order By PD.GuestSearchOrder, PD.GuestModeOrder";
    const std::string sql =
        std::string(
            "Select PD.*, PO.OptID, PO.OptSeq, PO.OptSubCode, PO.OptValue, PO.NameL1 as "
            "OptNameL1, PO.NameL2 as OptNameL2, PO.NameL3 as OptNameL3 ") +
        kCrLf + "From tbl_ProfileDefinition PD " + kCrLf +
        "Left OUTER Join tbl_ParaOption PO ON PD.ProfileCode=PO.OptCode AND PO.OptModule='PDEF' "
        "AND PO.RowStatus='A' " +
        kCrLf + "Where PD.RowStatus='A' " + kCrLf + orderBy + ", PD.ProfileCode, PO.OptSeq";
    auto rs = db_->RunSQLReturnRS(sql);
    if (!CheckQuery(*this, *db_, rs.get(), sql, kClass, "LoadProfile")) return false;
    for (; !rs->Eof(); rs->MoveNext()) {
        const std::string code = FieldStr(rs.get(), "ProfileCode");
        bool skip = false;
        for (const auto& ignored : ignored_)
            skip = skip || ignored == UpperAscii(code);
        if (skip || code.empty()) continue;
        ProfileField* field = Field(code);
        if (field == nullptr) {
            auto made = std::make_shared<ProfileField>();
            made->LoadDefinition(rs.get(), language_);
            field = made.get();
            fields_.Add(code, std::move(made));
        }
        if (FieldStr(rs.get(), "OptID").empty()) continue;
        field->AddOption({FieldLng(rs.get(), "OptSeq"), InLanguage(rs.get(), "OptNameL", language_),
                          FieldStr(rs.get(), "OptValue"), FieldStr(rs.get(), "OptSubCode")});
    }
    for (auto& [code, field] : fields_)
        LoadTableOptions(*field);
    return true;
}

bool ProfileDefinition::LoadTableOptions(ProfileField& field) {
    const std::string code = UpperAscii(field.ProfileCode());
    if (code == "SYS_CANCELCODE") {
        LoadCancelCodes(field);
    } else if (code == "OUTLETID" || code == "CREATEOUTLETID") {
        LoadOutletOptions(field);
    } else if (code == "BOXTYPE") {
        LoadNamedOptions(field,
                         "Select * from tbl_ORBA_BoxType Where RowStatus='A' Order By BoxType",
                         "BoxType", "");
    } else if (code == "SYNDICODE") {
        LoadNamedOptions(
            field, " Select * from tbl_ORBA_Syndicate S Where S.RowStatus='A' Order By SyndiCode",
            "SyndiCode", "(Do not use syndicate quota)");
    } else {
        return false;
    }
    return true;
}

void ProfileDefinition::LoadCancelCodes(ProfileField& field) {
    LoadNamedOptions(field,
                     "Select * from tbl_Message Where RowStatus='A' AND MsgType='CXL' Order By "
                     "MsgCat, MsgSubCat, MsgCode",
                     "MsgCode", "");
}

void ProfileDefinition::LoadNamedOptions(ProfileField& field, const std::string& sql,
                                         const std::string& column,
                                         const std::string& firstChoice) {
    auto rs = db_->RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db_->ErrDescription(), sql, kClass, "LoadProfile");
        return;
    }
    field.ClearOptions();
    if (!firstChoice.empty()) field.AddOption({0, GetMLText(firstChoice), "", ""});
    int seq = 0;
    for (; !rs->Eof(); rs->MoveNext()) {
        field.AddOption({++seq, InLanguage(rs.get(), "NameL", language_),
                         FieldStr(rs.get(), column), FieldStr(rs.get(), "MsgSubCat")});
    }
}

void ProfileDefinition::LoadOutletOptions(ProfileField& field) {
    Outlets outlets;
    if (!outlets.Load(*db_)) {
        WriteLog("Cannot load the outlets", kClass, "LoadProfile");
        return;
    }
    field.ClearOptions();
    int seq = 0;
    for (const auto& [id, outlet] : outlets.Items()) {
        if (!Permitted(id)) continue;
        const std::string name = outlet->Name(language_);
        field.AddOption({++seq, name.empty() ? outlet->NameL1() : name, std::to_string(id),
                         outlet->OutletCode()});
    }
}
