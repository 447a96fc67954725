#include "venue/account.h"

bool Account::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, "Account", "oRS is at the end")) return false;
    rowModified_ = FieldDate(rs, "RowModified");
    rowStatus_ = FieldStr(rs, "RowStatus");
    accountID_ = FieldLng(rs, "AccountID");
    posID_ = FieldLng(rs, "POSID");
    accountCode_ = FieldStr(rs, "AccountCode");
    posAccount_ = FieldStr(rs, "POSAccount");
    name_.Read(rs, "Name");
    desc_.Read(rs, "Desc");
    return true;
}
