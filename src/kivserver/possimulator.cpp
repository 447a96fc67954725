#include "kivserver/possimulator.h"

#include "messaging/scriptnode.h"
#include "messaging/scriptvarlist.h"

namespace kivsrv {

namespace {

// The type and table of the payload's first request.
void FirstRequest(const ScriptNode& kivdata, std::string& type, std::string& table) {
    auto requests = kivdata.GetVarList("requests");
    auto row = requests && requests->Count() > 0 ? requests->Item(0) : nullptr;
    auto request = row ? row->GetVarGrp("request") : nullptr;
    if (!request) return;
    type = request->Var("type");
    table = request->Var("table");
}

}  // namespace

std::string PosSimulator::ReplyPacket(const std::string& code, const std::string& description,
                                      const std::string& type, const std::string& table) {
    // The request's type and table are echoed, so that a reply arriving
    // after its time-out is not taken for the answer to a later request.
    PacketItems items{
        {{"errcode", code}, {"errdesc", description}, {"type", type}, {"table", table}}};
    return maker_.CompletePacket("POSREPLY", maker_.MakeFilterMsgData(items, "replies", "reply"));
}

PlannedReply PosSimulator::ReplyFor(const ScriptNode& kivdata) {
    std::string type, table;
    FirstRequest(kivdata, type, table);
    PosReplyRule rule = options_.RuleFor(type);
    PlannedReply reply;
    reply.type = type;
    reply.send = rule.reply;
    reply.accepted = !rule.reply || rule.code == "0";
    if (!rule.reply) return reply;
    reply.packet = ReplyPacket(rule.code, rule.description, type, table);
    reply.delayMs = rule.delayMs;
    return reply;
}

std::string PosSimulator::Refusal(const ScriptNode& kivdata, const std::string& code,
                                  const std::string& description) {
    std::string type, table;
    FirstRequest(kivdata, type, table);
    return ReplyPacket(code, description, type, table);
}

std::string PosSimulator::StatusPacket() {
    if (options_.posStatus.empty()) return {};
    PacketItems items;
    for (const auto& [code, status] : options_.posStatus)
        items.push_back({{"poscode", code}, {"status", status}});
    return maker_.CompletePacket("POSSTATUS",
                                 maker_.MakeFilterMsgData(items, "statuses", "status"));
}

}  // namespace kivsrv
