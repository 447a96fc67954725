#include "messaging/datachange.h"

#include <charconv>
#include <exception>

#include "core/log.h"
#include "messaging/scriptnode.h"
#include "platform/textutil.h"

bool ParseInt32(const std::string& text, int32_t& value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    int32_t v = 0;
    auto [ptr, ec] = std::from_chars(begin, end, v);
    if (ec != std::errc() || ptr != end || begin == end) return false;
    value = v;
    return true;
}

DataChangeMsg DataChangeMsg::FromGroup(const ScriptNode& msg) {
    DataChangeMsg m;
    ParseInt32(msg.Var("dbserverid"), m.DBServerID);
    m.Module = msg.Var("module");
    m.Operation = LowerAscii(msg.Var("operation"));
    m.Field = msg.Var("field");
    m.Table = LowerAscii(msg.Var("table"));
    m.FieldIDText = msg.Var("fieldid");
    ParseInt32(m.FieldIDText, m.FieldID);
    return m;
}

const char* KeyColumnOf(const std::string& table, const std::string& field) {
    struct Key {
        const char* table;
        const char* column;
    };
    // A reservation is announced by "reserveid"; older check windows say
    // "reservationid".
    static constexpr Key kKeys[] = {
        {"tbl_reservation", "ReserveID"},
        {"tbl_reservation", "ReservationID"},
        {"tbl_tablereserve", "TableReserveID"},
        {"tbl_tablestatus", "TableStatusID"},
        {"tbl_tabletemp", "TempID"},
        {"tbl_tableblock", "TableBlockID"},
        {"tbl_instantmsg", "InstantMsgID"},
        {"tbl_floorplan", "FPID"},
    };
    const std::string t = LowerAscii(table), f = LowerAscii(field);
    for (const Key& k : kKeys)
        if (t == k.table && f == LowerAscii(k.column)) return k.column;
    return nullptr;
}

bool AcceptableChange(const DataChangeMsg& msg) {
    int32_t id = 0;
    return KeyColumnOf(msg.Table, msg.Field) != nullptr && ParseInt32(msg.FieldIDText, id) &&
           id > 0;
}

void DataChangeDispatcher::Register(const std::string& table, Handler handler) {
    handlers_[LowerAscii(table)] = std::move(handler);
}

void DataChangeDispatcher::Unregister(const std::string& table) {
    handlers_.erase(LowerAscii(table));
}

bool DataChangeDispatcher::Has(const std::string& table) const {
    return handlers_.count(LowerAscii(table)) != 0;
}

bool DataChangeDispatcher::Dispatch(const DataChangeMsg& msg) const {
    auto it = handlers_.find(msg.Table);
    if (it == handlers_.end()) {
        WriteLog("No handler for table " + msg.Table + ", change ignored", "KIV", "ParseKIVSvrMsg",
                 kLogInfo, 2);
        return false;
    }
    if (!AcceptableChange(msg)) {
        // Quoted as received, cut short: the text may be anything.
        WriteLog("Change of " + msg.Table + " refused: field '" + msg.Field.substr(0, 64) +
                     "', id '" + msg.FieldIDText.substr(0, 64) + "'",
                 "KIV", "ParseKIVSvrMsg");
        return false;
    }
    try {
        it->second(msg);
    } catch (const std::exception& e) {
        WriteLog(std::string("Handler of ") + msg.Table + " failed: " + e.what(), "KIV",
                 "ParseKIVSvrMsg");
    } catch (...) {
        WriteLog("Handler of " + msg.Table + " failed", "KIV", "ParseKIVSvrMsg");
    }
    return true;
}
