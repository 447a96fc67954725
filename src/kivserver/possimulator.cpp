#include "kivserver/possimulator.h"

#include "messaging/scriptnode.h"
#include "messaging/scriptvarlist.h"

namespace kivsrv {

PlannedReply PosSimulator::ReplyFor(const ScriptNode& kivdata) {
    std::string type;
    if (auto requests = kivdata.GetVarList("requests"); requests && requests->Count() > 0) {
        if (auto row = requests->Item(0)) {
            if (auto request = row->GetVarGrp("request")) type = request->Var("type");
        }
    }
    PosReplyRule rule = options_.RuleFor(type);
    PlannedReply reply;
    reply.type = type;
    reply.send = rule.reply;
    if (!rule.reply) return reply;
    PacketItems items{{{"errcode", rule.code}, {"errdesc", rule.description}}};
    reply.packet =
        maker_.CompletePacket("POSREPLY", maker_.MakeFilterMsgData(items, "replies", "reply"));
    reply.delayMs = rule.delayMs;
    return reply;
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
