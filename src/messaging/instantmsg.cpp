#include "messaging/instantmsg.h"

#include "sql/recordfields.h"

bool InstantMsg::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, "InstantMsg", "oRS is EOF")) return false;
    rowModified_ = FieldDate(rs, "RowModified");
    rowStatus_ = FieldStr(rs, "RowStatus");
    instantMsgID_ = FieldLng(rs, "InstantMsgID");
    dbServerID_ = FieldLng(rs, "DBServerID");
    clientID_ = FieldLng(rs, "ClientID");
    sendDT_ = FieldDate(rs, "SendDT");
    text_ = FieldStr(rs, "InstantMsg");
    return true;
}

std::string OneLineText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}
