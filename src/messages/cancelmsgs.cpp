#include "messages/cancelmsgs.h"

#include "core/log.h"
#include "platform/textutil.h"
#include "sql/sqldb.h"

namespace {

const struct {
    const char* subCat;
    int32_t flag;
} kFlags[] = {{"DCL", kCxlDecline},
              {"NS", kCxlNoShow},
              {"BULK", kCxlBulk},
              {"N", kCxlCancel},
              {"NCP", kCxlNCP}};

bool Digits(const std::string& s) {
    if (s.empty()) return false;
    for (unsigned char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

int32_t CancelMsgFlagOf(const std::string& subCat) {
    const std::string upper = UpperAscii(Trim(subCat));
    for (const auto& f : kFlags)
        if (upper == f.subCat) return f.flag;
    return 0;
}

std::optional<int32_t> ParseCancelMask(const std::string& text) {
    int32_t mask = 0;
    std::string part;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != ',') {
            part += text[i];
            continue;
        }
        part = Trim(part);
        if (part.empty()) return std::nullopt;
        if (Digits(part) && part.size() < 10) {
            mask |= static_cast<int32_t>(std::stol(part));
        } else if (const int32_t flag = CancelMsgFlagOf(part); flag != 0) {
            mask |= flag;
        } else {
            return std::nullopt;
        }
        part.clear();
    }
    return mask;
}

std::string CancelMsg::Name(int language) const {
    const std::string& n = language == 2 ? NameL2 : language == 3 ? NameL3 : NameL1;
    return n.empty() ? NameL1 : n;
}

bool CancelMsgs::Load(SQLDB& db) {
    items_.Clear();
    filtered_.clear();
    const std::string sql =
        "Select * from tbl_Message Where MsgType='CXL' AND MsgCat='MAN' \r\n AND RowStatus='A' "
        "Order By MsgCode, MsgCat, MsgSubCat";
    auto rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        SetErr(db.ErrNumber(), "CancelMsgs", "Load", db.ErrDescription());
        WriteSQLLog(db.ErrDescription(), sql, "CancelMsgs", "Load");
        return false;
    }
    for (; !rs->Eof(); rs->MoveNext()) {
        CancelMsg m;
        const Recordset* r = rs.get();
        m.MsgID = FieldLng(r, "MsgID");
        m.MsgCode = FieldStr(r, "MsgCode");
        m.MsgCat = FieldStr(r, "MsgCat");
        m.MsgSubCat = FieldStr(r, "MsgSubCat");
        m.NameL1 = FieldStr(r, "NameL1");
        m.NameL2 = FieldStr(r, "NameL2");
        m.NameL3 = FieldStr(r, "NameL3");
        m.IsDefault = FieldLng(r, "IsDefault") != 0;
        m.ShowPaymentRef = FieldLng(r, "ShowPaymentRef") != 0;
        m.ShowRefuntAmt = FieldLng(r, "ShowRefuntAmt") != 0;
        m.CXLMsgSubCat = CancelMsgFlagOf(m.MsgSubCat);
        items_.Add(m.MsgID, std::move(m));
    }
    return true;
}

void CancelMsgs::Filter(int32_t mask) {
    filtered_.clear();
    for (const auto& [id, m] : items_)
        if ((m.CXLMsgSubCat & mask) != 0) filtered_.push_back(&m);
}
