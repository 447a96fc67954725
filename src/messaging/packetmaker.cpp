#include "messaging/packetmaker.h"

#include "core/log.h"

namespace {

const char* const kModule = "PacketMaker";

std::string OperationName(int operation) {
    switch (operation) {
        case 0:
            return "UNCHANGE";
        case 1:
            return "INSERT";
        case 2:
            return "UPDATE";
        case 3:
            return "DELETE";
        default:
            return {};
    }
}

PacketItem PosItem(const char* type,
                   std::initializer_list<std::pair<const char*, std::string>> rest) {
    PacketItem item{{"type", type}};
    for (const auto& [k, v] : rest)
        item.emplace_back(k, v);
    return item;
}

}  // namespace

PacketMaker::PacketMaker() : clock_([] { return DateTime::Now(); }) {}

PacketItem PacketMaker::CreateFilter(int32_t outletId, const std::string& reserveDate,
                                     int32_t mealPeriodId) {
    return {{"outletid", std::to_string(outletId)},
            {"reservedate", reserveDate},
            {"mealperiodid", std::to_string(mealPeriodId)}};
}

PacketItem PacketMaker::CreateDataChangeMsg(int32_t dbServerId, const std::string& module,
                                            int operation, const std::string& table,
                                            const std::string& field, int64_t fieldId) {
    return {{"dbserverid", std::to_string(dbServerId)},
            {"module", module},
            {"operation", OperationName(operation)},
            {"table", table},
            {"field", field},
            {"fieldid", std::to_string(fieldId)}};
}

PacketItem PacketMaker::CreatePOSSetVacant(const std::string& account, const std::string& outlet,
                                           const std::string& table, const std::string& employee,
                                           const std::string& posCode) {
    return PosItem("change_vacant", {{"account", account},
                                     {"outlet", outlet},
                                     {"table", table},
                                     {"employee", employee},
                                     {"poscode", posCode}});
}

PacketItem PacketMaker::CreatePOSEditResv(const std::string& account, const std::string& outlet,
                                          const std::string& table, const std::string& resvGuid,
                                          const std::string& employee, const std::string& posCode,
                                          const std::string& servRem, const std::string& guestName,
                                          const std::string& refNo, const std::string& memAc) {
    return PosItem("edit_resv", {{"account", account},
                                 {"outlet", outlet},
                                 {"table", table},
                                 {"resvguid", resvGuid},
                                 {"employee", employee},
                                 {"poscode", posCode},
                                 {"servrem", servRem},
                                 {"guestname", guestName},
                                 {"refno", refNo},
                                 {"memac", memAc}});
}

PacketItem PacketMaker::CreatePOSChangeCover(const std::string& account, const std::string& outlet,
                                             const std::string& table, int32_t cover,
                                             const std::string& employee,
                                             const std::string& posCode) {
    return PosItem("change_cover", {{"account", account},
                                    {"outlet", outlet},
                                    {"table", table},
                                    {"cover", std::to_string(cover)},
                                    {"employee", employee},
                                    {"poscode", posCode}});
}

PacketItem PacketMaker::CreatePOSChangeTable(const std::string& account, const std::string& outlet,
                                             const std::string& table, const std::string& fromTable,
                                             const std::string& employee,
                                             const std::string& posCode) {
    return PosItem("change_table", {{"account", account},
                                    {"outlet", outlet},
                                    {"table", table},
                                    {"from_table", fromTable},
                                    {"employee", employee},
                                    {"poscode", posCode}});
}

PacketItem PacketMaker::CreatePOSNewTable(const std::string& account, const std::string& outlet,
                                          const std::string& table, int32_t cover,
                                          const std::string& employee, const std::string& posCode) {
    return PosItem("new_table", {{"account", account},
                                 {"outlet", outlet},
                                 {"table", table},
                                 {"cover", std::to_string(cover)},
                                 {"employee", employee},
                                 {"poscode", posCode}});
}

PacketItem PacketMaker::CreatePOSCheckEnquriy(const std::string& account, const std::string& outlet,
                                              const std::string& table, const std::string& employee,
                                              const std::string& posCode) {
    return PosItem("chk_enq", {{"account", account},
                               {"outlet", outlet},
                               {"table", table},
                               {"employee", employee},
                               {"poscode", posCode}});
}

PacketItem PacketMaker::CreatePOSRequest(const std::string& module, const std::string& type,
                                         const std::string& accountCode,
                                         const std::string& outletCode, const std::string& tableNo,
                                         const std::string& content) {
    return {{"module", module},         {"type", type},       {"accountcode", accountCode},
            {"outletcode", outletCode}, {"tableno", tableNo}, {"content", content}};
}

PacketItem PacketMaker::CreateBroadcastMsg(const std::string& text) {
    return {{"msg", text}};
}

bool PacketMaker::SCAddVar(ScriptNode& node, const std::string& name, const std::string& value) {
    auto var = doc_.CreateVariable(name, value, false);
    if (!var) return false;
    if (!node.AddVar(var)) {
        WriteErrLog(node.ErrNumber(), node.ErrMessage(), kModule, "SCAddVar");
        return false;
    }
    return true;
}

std::string PacketMaker::CompletePacket(const std::string& type,
                                        const std::shared_ptr<ScriptNode>& payload) {
    try {
        auto packet = doc_.CreateDocument("kivp");
        if (!packet || !payload) return {};
        const std::pair<const char*, std::string> envelope[] = {
            {"version", "4.0"},   {"sendtime", clock_().Format("yyyy-mm-dd hh:nn")},
            {"senderip", ip_},    {"type", type},
            {"sender", "KIVAPP"},
        };
        for (const auto& [name, value] : envelope) {
            if (!SCAddVar(*packet, name, value)) return {};
        }
        if (!packet->AddVarGrp(payload)) {
            WriteErrLog(packet->ErrNumber(), packet->ErrMessage(), kModule, "CompletePacket");
            return {};
        }
        return packet->xml();
    } catch (const std::exception& e) {
        WriteLog(e.what(), kModule, "CompletePacket");
        return {};
    }
}

std::shared_ptr<ScriptNode> PacketMaker::MakeFilterMsgData(const PacketItems& items,
                                                           const std::string& listName,
                                                           const std::string& rowName,
                                                           const PacketItem* filter) {
    const char* proc = "MakeFilterMsgData";
    try {
        auto data = doc_.CreateVarGrp("kivdata");
        if (!data) return nullptr;
        if (filter != nullptr) {
            auto group = doc_.CreateVarGrp("filter");
            if (!group || !data->AddVarGrp(group)) return nullptr;
            for (const auto& [key, value] : *filter) {
                // A refused entry ends the payload: the filter so far, no list.
                if (!SCAddVar(*group, key, value)) return data;
            }
        }
        auto list = doc_.CreateVarList(listName, rowName);
        if (!list) return nullptr;
        for (const auto& item : items) {
            auto row = doc_.CreateVarRow();
            auto group = doc_.CreateVarGrp(rowName);
            if (!row || !group) return nullptr;
            for (const auto& [key, value] : item) {
                if (!SCAddVar(*group, key, value)) WriteLog("Add Var Failed", kModule, proc);
            }
            if (!row->AddVarGrp(group)) {
                WriteLog("Add vargrp failed" + std::to_string(row->ErrNumber()) + ":" +
                             row->ErrMessage(),
                         kModule, proc);
            }
            if (!list->AddNew(row)) {
                WriteLog("Add varrow failed " + std::to_string(list->ErrNumber()) + ":" +
                             list->ErrMessage(),
                         kModule, proc);
            }
        }
        if (!data->AddVarList(list)) {
            WriteErrLog(data->ErrNumber(), data->ErrMessage(), kModule, proc);
            return nullptr;
        }
        return data;
    } catch (const std::exception& e) {
        WriteLog(e.what(), kModule, proc);
        return nullptr;
    }
}

std::string PacketMaker::MakePOSRequestPkt(const PacketItems& items) {
    auto data = MakeFilterMsgData(items, "requests", "request");
    return data ? CompletePacket("POSREQUEST", data) : std::string();
}

std::string PacketMaker::MakeBroadcastPkt(const PacketItems& items) {
    auto data = MakeFilterMsgData(items, "msgs", "msg");
    return data ? CompletePacket("BROADCAST", data) : std::string();
}

std::string PacketMaker::MakeDataChangePkt(const std::string& priority, const PacketItem* filter,
                                           const PacketItems& items) {
    try {
        auto data = MakeFilterMsgData(items, "msgs", "msg", filter);
        if (!data) return {};
        auto var = doc_.CreateVariable("priority", priority, false);
        if (var && !data->AddVar(var)) {
            WriteErrLog(data->ErrNumber(), data->ErrMessage(), kModule, "MakeDataChangePkt");
            return {};
        }
        return CompletePacket("DATACHANGE", data);
    } catch (const std::exception& e) {
        WriteLog(e.what(), kModule, "MakeDataChangePkt");
        return {};
    }
}

std::string PacketMaker::MakeActOutletPkt(const PacketItem& filter) {
    try {
        auto data = doc_.CreateVarGrp("kivdata");
        auto group = doc_.CreateVarGrp("filter");
        if (!data || !group || !data->AddVarGrp(group)) return {};
        for (const auto& [key, value] : filter) {
            if (!SCAddVar(*group, key, value)) return {};
        }
        return CompletePacket("FILTER", data);
    } catch (const std::exception& e) {
        WriteLog(e.what(), kModule, "MakeActOutletPkt");
        return {};
    }
}
