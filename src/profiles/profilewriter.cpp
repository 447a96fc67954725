// Writing edited profile values back: reservation updates with their log
// row, new guests, guest updates with their audit rows, and guest columns
// copied into a reservation.
#include <cctype>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "platform/textutil.h"
#include "profiles/profiledefinition.h"
#include "registry/client.h"
#include "reservations/reservation.h"
#include "sql/sqldb.h"
#include "users/user.h"

namespace {

constexpr const char* kClass = "ProfileDefinition";
constexpr const char* kCrLf = "\r\n";

std::string UserID() {
    return std::to_string(g_oUser != nullptr ? g_oUser->UserID() : 0);
}

std::string ClientID() {
    return std::to_string(g_oClient != nullptr ? g_oClient->ClientID() : 0);
}

// The value as its DBDataType writes it. A number column never takes text
// unquoted: a value that is not a number goes in quoted, so it cannot run
// on as SQL.
std::string SqlValue(const ProfileField& f, const std::string& v) {
    if (v.empty()) return "NULL";
    if (v == "NOW" && f.DefaultValue() == "NOW") return "GetDate()";
    const std::string type = UpperAscii(f.DBDataType());
    if (type == "NV") return SQLStr(v);
    if ((type == "I" || type == "M") && Variant(v).IsNumeric()) return v;
    return "'" + SQLEscape(v) + "'";
}

// Column names come from the definition; anything but a plain name is refused.
bool PlainName(const std::string& s) {
    if (s.empty()) return false;
    for (unsigned char c : s) {
        if (std::isalnum(c) == 0 && c != '_') return false;
    }
    return true;
}

// The statement's count, from the first result set that has rows; -1 when none.
int32_t ReadCount(const std::shared_ptr<Recordset>& rs, const std::string& column) {
    auto open = FirstOpenRecordset(rs);
    if (open == nullptr || open->Eof()) return -1;
    return FieldLng(open.get(), column, -1);
}

// Audit columns the write-back sets itself.
bool IsAuditColumn(const std::string& column) {
    const std::string c = UpperAscii(column);
    return c == "UPDATEUSERID" || c == "UPDATECLIENTID" || c == "UPDATEDT" || c == "ROWMODIFIED" ||
           c == "UPDATECOUNTBYUSER";
}

std::string NullOr(const std::string& v, const std::string& literal) {
    return v.empty() ? "NULL" : literal;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> ProfileDefinition::ReservationUpdateColumns()
    const {
    std::vector<std::pair<std::string, std::string>> columns;
    for (const auto& [code, field] : fields_) {
        const std::string column = field->DBField();
        if (field->IsPseudo() || !PlainName(column) || !field->DataFromResvTable() ||
            IsAuditColumn(column) || !IsUpdatable(*field) || !field->Changed()) {
            continue;
        }
        columns.emplace_back(column, SqlValue(*field, field->GetValue()));
    }
    return columns;
}

std::string ProfileDefinition::ValueSQL(const ProfileField& field, const std::string& value) {
    return SqlValue(field, value);
}

std::string ProfileDefinition::ReservationUpdateSQL(int32_t reserveID) const {
    std::string set;
    for (const auto& [column, value] : ReservationUpdateColumns())
        set += ", " + column + "=" + value;
    if (set.empty()) return "";
    return "Update tbl_Reservation Set UpdateCountByUser=ISNULL(UpdateCountByUser,0)+1" + set +
           ", UpdateUserID=" + UserID() + ", UpdateClientID=" + ClientID() +
           ", UpdateDT=GetDate(), RowModified=GetDate()" +
           " Where ReserveID=" + std::to_string(reserveID) + kCrLf + "Select @@ROWCOUNT AS RC";
}

bool ProfileDefinition::UpdateReservation(SQLDB& db, Reservation& resv) {
    message_.clear();
    if (operation_ != kProfileTelephone && operation_ != kProfileInPerson &&
        operation_ != kProfileWalkIn) {
        message_ = "This form cannot change a reservation";
        return false;
    }
    const std::string sql = ReservationUpdateSQL(resv.ReserveID());
    if (sql.empty()) return true;  // nothing was edited
    auto rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        SetErr(db.ErrNumber(), kClass, "UpdateReservation", db.ErrDescription());
        WriteSQLLog(db.ErrDescription(), sql, kClass, "UpdateReservation");
        message_ = "Reservation is not updated";
        return false;
    }
    const int32_t count = ReadCount(rs, "RC");
    if (count != 1) {
        WriteLog(std::to_string(count) + " rows updated", kClass, "UpdateReservation");
        message_ = "Reservation is not updated";
        return false;
    }
    for (auto& [code, field] : fields_) {
        if (!field->Changed()) continue;
        resv.SetField(code, field->GetValue());
        field->SetLoadedValue(field->GetValue());
    }
    return UpdateReservationLog(db, resv);
}

bool ProfileDefinition::UpdateReservationLog(SQLDB& db, const Reservation& r) {
    auto text = [&](const char* name) { return r.GetFieldText(name); };
    std::string name;
    for (const char* part : {"DYSalutation", "DYFirstName", "DYLastName"}) {
        if (!text(part).empty()) name += (name.empty() ? "" : " ") + text(part);
    }
    const std::string summary = ";Name :" + name + ";Contact Phone: " + text("ContactPhone") +
                                ";SMS Contact: " + text("DYSMSContact");
    const std::string cover = text("ReserveCover");
    const std::string confirm = text("ConfirmStatus");
    const std::string sql =
        "Insert Into tbl_ReservationLog "
        "(RowModified,RowStatus,DBServerID,ReserveID,UpdateDT,UpdateUserID,UpdateClientID,"
        "TableNo,ReserveCover,ReserveTime,ConfirmStatus,ReserveType,ReserveDate,Remark,Summary)"
        " Values (GetDate(),'A'," +
        std::to_string(r.GetFieldLong("DBServerID")) + "," + std::to_string(r.ReserveID()) +
        ",GetDate()," + UserID() + "," + ClientID() + "," + SQLStr(text("SYS_TableNoList")) + "," +
        (Variant(cover).IsNumeric() ? cover : "NULL") + "," +
        NullOr(text("ReserveTime"), "'" + SQLEscape(text("ReserveTime")) + "'") + "," +
        (confirm == "1" || confirm == "0" ? confirm : "NULL") + "," +
        NullOr(text("ReserveType"), "'" + SQLEscape(text("ReserveType")) + "'") + "," +
        NullOr(text("ReserveDate"), "'" + SQLEscape(text("ReserveDate")) + "'") + "," +
        NullOr(text("Remark"), SQLStr(text("Remark"))) + "," + SQLStr(summary) + ")";
    if (!db.RunSQLNoReturn(sql)) {
        SetErr(db.ErrNumber(), kClass, "UpdateReservationLog", "Reservation log is not saved");
        WriteSQLLog("Reservation log is not saved: " + db.ErrDescription(), sql, kClass,
                    "UpdateReservationLog");
        message_ = "Reservation log is not saved";
        return false;
    }
    return true;
}

int32_t ProfileDefinition::SaveNewGuest(SQLDB& db) {
    message_.clear();
    std::string columns, values, account, holder, phone;
    for (const auto& [code, field] : fields_) {
        const std::string column = field->DBField();
        const std::string v = field->GetValue();
        if (field->IsPseudo() || !PlainName(column) || !field->DataFromGuestTable()) continue;
        const std::string c = UpperAscii(column);
        if (c == "DYACCOUNTNO") account = v;
        if (c == "DYHOLDERNO") holder = v;
        if (c == "CONTACTPHONE") phone = v;
        if (v.empty() || !IsNewEnabled(*field) || IsAuditColumn(column)) continue;
        columns += (columns.empty() ? "" : ",") + column;
        values += (values.empty() ? "" : ",") + SqlValue(*field, v);
    }
    const bool uniquePhone =
        g_oConfig != nullptr && g_oConfig->ConfigParam("GuestUniquePhone").ToInt32() == 1;
    std::string insert = "   Insert Into tbl_Guest (" + columns + (columns.empty() ? "" : ",") +
                         "DBServerID,RowStatus,GuestNo) " + kCrLf + "       Values (" + values +
                         (values.empty() ? "" : ",") + "1,'A','" + SQLEscape(account) + "')" +
                         kCrLf + "   Select @@Identity AS RV" + kCrLf;
    if (uniquePhone && !phone.empty()) {
        insert =
            "IF (Select Count(*) As PrevCount From tbl_Guest Where ContactPhone=" + SQLStr(phone) +
            " AND RowStatus='A') = 0 " + kCrLf + "Begin" + kCrLf + insert + "END" + kCrLf +
            "ELSE Select -102 AS RV" + kCrLf;
    }
    // Guests without an account number are not duplicates of one another.
    std::string sql = insert;
    if (!account.empty()) {
        sql = "IF (Select Count(*) As PrevCount From tbl_Guest Where DYAccountNo='" +
              SQLEscape(account) + "' AND IsNull(DYHolderNo,'')='" + SQLEscape(holder) +
              "' AND RowStatus='A') = 0 " + kCrLf + "Begin" + kCrLf + insert + "END" + kCrLf +
              "ELSE Select -101 AS RV";
    }
    auto rs = db.RunSQLReturnRS(sql);
    const int32_t rv = rs == nullptr ? 0 : ReadCount(rs, "RV");
    if (rv > 0) return rv;
    if (rv == kGuestAccountExists) {
        message_ = "Account number exists, please select another account number";
    } else if (rv == kGuestPhoneExists) {
        message_ = "Contact phone exists, please input  another contact phone";
    } else {
        message_ = "Error in creating guest profile";
        SetErr(db.ErrNumber(), kClass, "SaveNewGuest", message_);
        WriteSQLLog(message_ + ": " + db.ErrDescription(), sql, kClass, "SaveNewGuest");
        return 0;
    }
    return rv;
}

bool ProfileDefinition::UpdateGuestProfile(SQLDB& db, int32_t guestID) {
    message_.clear();
    std::vector<ProfileField*> changed;
    std::string set;
    for (auto& [code, field] : fields_) {
        const std::string column = field->DBField();
        if (field->IsPseudo() || !PlainName(column) || !field->DataFromGuestTable() ||
            IsAuditColumn(column) || !IsUpdatable(*field) || !field->Changed()) {
            continue;
        }
        set += (set.empty() ? "" : ", ") + column + "=" + SqlValue(*field, field->GetValue());
        changed.push_back(field.get());
        if (UpperAscii(column) != "CONTACTPHONE" || field->GetValue().empty()) continue;
        const std::string check =
            "Select Count(*) AS PhoneCount From tbl_Guest Where ContactPhone=" +
            SQLStr(field->GetValue()) + " AND RowStatus='A' AND GuestID<>" +
            std::to_string(guestID);
        auto rs = db.RunSQLReturnRS(check);
        if (rs != nullptr && FieldLng(rs.get(), "PhoneCount") > 0) {
            message_ = "Contact phone exists, please input  another contact phone";
            return false;
        }
    }
    if (changed.empty()) return true;  // nothing was edited
    if (AccountTaken(db, guestID)) {
        message_ = "Account number exists, please select another account number";
        return false;
    }
    // The count runs on a line of its own: glued to the id it would not parse.
    const std::string sql =
        "Update tbl_Guest Set " + set + ", UpdateDT=GetDate()" + ", UpdateUserID=" + UserID() +
        " Where GuestID=" + std::to_string(guestID) + kCrLf + "Select @@ROWCOUNT AS RC";
    auto rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr || ReadCount(rs, "RC") != 1) {
        if (rs == nullptr) WriteSQLLog(db.ErrDescription(), sql, kClass, "UpdateGuestProfile");
        message_ = "Guest profile is not updated";
        SetErr(db.ErrNumber(), kClass, "UpdateGuestProfile", message_);
        return false;
    }
    for (ProfileField* f : changed) {
        const std::string audit =
            "INSERT tbl_UserLog_Profile "
            "(RowModified,RowStatus,DBServerID,UserID,GuestID,ClientID,FieldName,Action,"
            "LastValue,NewValue) values(GetDate(),'A',1," +
            UserID() + "," + std::to_string(guestID) + "," + ClientID() + ",'" +
            SQLEscape(f->DBField()) + "','Update'," + SQLStr(f->LoadedValue()) + "," +
            SQLStr(f->GetValue()) + ")";
        if (!db.RunSQLNoReturn(audit))
            WriteSQLLog(db.ErrDescription(), audit, kClass, "UpdateGuestProfile");
        f->SetLoadedValue(f->GetValue());
    }
    return true;
}

bool ProfileDefinition::AccountTaken(SQLDB& db, int32_t guestID) const {
    // The rule of new guests holds for edits too: no two active guests share
    // an account number and holder number.
    const ProfileField* account = nullptr;
    const ProfileField* holder = nullptr;
    for (const auto& [code, field] : fields_) {
        if (field->IsPseudo() || !field->DataFromGuestTable()) continue;
        const std::string c = UpperAscii(field->DBField());
        if (c == "DYACCOUNTNO") account = field.get();
        if (c == "DYHOLDERNO") holder = field.get();
    }
    const bool edited = (account != nullptr && IsUpdatable(*account) && account->Changed()) ||
                        (holder != nullptr && IsUpdatable(*holder) && holder->Changed());
    const std::string id = std::to_string(guestID);
    const std::string accountValue =
        account != nullptr ? "'" + SQLEscape(account->GetValue()) + "'"
                           : "(Select DYAccountNo From tbl_Guest Where GuestID=" + id + ")";
    const std::string holderValue =
        holder != nullptr
            ? "'" + SQLEscape(holder->GetValue()) + "'"
            : "(Select IsNull(DYHolderNo,'') From tbl_Guest Where GuestID=" + id + ")";
    if (!edited || (account != nullptr && account->GetValue().empty())) return false;
    const std::string sql =
        "Select Count(*) AS PrevCount From tbl_Guest Where DYAccountNo=" + accountValue +
        " AND IsNull(DYHolderNo,'')=" + holderValue +
        " AND IsNull(DYAccountNo,'')<>'' AND RowStatus='A' AND GuestID<>" + id;
    auto rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr) WriteSQLLog(db.ErrDescription(), sql, kClass, "UpdateGuestProfile");
    return rs != nullptr && !rs->Eof() && FieldLng(rs.get(), "PrevCount") > 0;
}

bool ProfileDefinition::UpdateResvGuestAccount(SQLDB& db, int32_t reserveID, int32_t guestID,
                                               const std::vector<std::string>& columns) {
    std::string copies;
    for (const auto& c : columns) {
        if (!PlainName(c)) {
            Fail("UpdateResvGuestAccount", "Invalid column name " + c);
            return false;
        }
        copies += (copies.empty() ? "" : ",") + c + " = (SELECT " + c +
                  " FROM tbl_Guest Where GuestID=" + std::to_string(guestID) + ")";
    }
    if (copies.empty()) return false;
    const std::string sql =
        "update tbl_Reservation Set RowModified=GetDate(), UpdateDT=GetDate(), UpdateUserID=" +
        UserID() + ", UpdateClientID=" + ClientID() +
        ", UpdateCountByUser=ISNULL(UpdateCountByUser,0)+1 , " + copies +
        " Where ReserveID = " + std::to_string(reserveID) + kCrLf +
        "Select @@RowCount as 'RowCount'";
    auto rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr || ReadCount(rs, "RowCount") != 1) {
        if (rs == nullptr) WriteSQLLog(db.ErrDescription(), sql, kClass, "UpdateResvGuestAccount");
        SetErr(db.ErrNumber(), kClass, "UpdateResvGuestAccount", "Reservation is not updated");
        return false;
    }
    WriteLog(
        "Change guest account (" + std::to_string(reserveID) + ", " + std::to_string(guestID) + ")",
        kClass, "UpdateResvGuestAccount", kLogInfo);
    return true;
}
