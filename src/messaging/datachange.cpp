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
    ParseInt32(msg.Var("fieldid"), m.FieldID);
    return m;
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
