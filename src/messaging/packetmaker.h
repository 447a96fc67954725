#pragma once
// Builds the packets a workstation sends to the KIV servers: data-change
// notifications, its active outlet filter, POS requests and broadcasts. Every
// packet is a "kivp" group (envelope) holding a "kivdata" group (payload).
// Builders never throw; a failure is logged and gives "" (or nothing).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "messaging/scriptdocument.h"
#include "platform/datetime.h"

// One item: field name -> value in insertion order (names are distinct).
using PacketItem = std::vector<std::pair<std::string, std::string>>;
// Items keyed 0, 1, 2 ... in order; only the items are written.
using PacketItems = std::vector<PacketItem>;

class PacketMaker {
  public:
    PacketMaker();

    // Copied into "senderip"; nothing in the workstation sets it.
    const std::string& IP() const { return ip_; }
    void SetIP(std::string ip) { ip_ = std::move(ip); }
    // Kept for callers; packet building does not use it.
    const std::string& TimeFormat() const { return timeFormat_; }
    void SetTimeFormat(std::string format) { timeFormat_ = std::move(format); }

    // The clock "sendtime" reads (the local clock unless replaced).
    void SetClock(std::function<DateTime()> clock) { clock_ = std::move(clock); }

    // Item builders.
    static PacketItem CreateFilter(int32_t outletId, const std::string& reserveDate,
                                   int32_t mealPeriodId);
    // Operation codes 0..3 give UNCHANGE, INSERT, UPDATE, DELETE; others "".
    static PacketItem CreateDataChangeMsg(int32_t dbServerId, const std::string& module,
                                          int operation, const std::string& table,
                                          const std::string& field, int64_t fieldId);
    static PacketItem CreatePOSSetVacant(const std::string& account, const std::string& outlet,
                                         const std::string& table, const std::string& employee,
                                         const std::string& posCode);
    static PacketItem CreatePOSEditResv(const std::string& account, const std::string& outlet,
                                        const std::string& table, const std::string& resvGuid,
                                        const std::string& employee, const std::string& posCode,
                                        const std::string& servRem, const std::string& guestName,
                                        const std::string& refNo, const std::string& memAc);
    static PacketItem CreatePOSChangeCover(const std::string& account, const std::string& outlet,
                                           const std::string& table, int32_t cover,
                                           const std::string& employee, const std::string& posCode);
    static PacketItem CreatePOSChangeTable(const std::string& account, const std::string& outlet,
                                           const std::string& table, const std::string& fromTable,
                                           const std::string& employee, const std::string& posCode);
    static PacketItem CreatePOSNewTable(const std::string& account, const std::string& outlet,
                                        const std::string& table, int32_t cover,
                                        const std::string& employee, const std::string& posCode);
    static PacketItem CreatePOSCheckEnquriy(const std::string& account, const std::string& outlet,
                                            const std::string& table, const std::string& employee,
                                            const std::string& posCode);
    static PacketItem CreatePOSRequest(const std::string& module, const std::string& type,
                                       const std::string& accountCode,
                                       const std::string& outletCode, const std::string& tableNo,
                                       const std::string& content);
    static PacketItem CreateBroadcastMsg(const std::string& text);

    // Packets.
    std::string MakePOSRequestPkt(const PacketItems& items);
    std::string MakeBroadcastPkt(const PacketItems& items);
    // `filter` may be null (no "filter" group).
    std::string MakeDataChangePkt(const std::string& priority, const PacketItem* filter,
                                  const PacketItems& items);
    std::string MakeActOutletPkt(const PacketItem& filter);

    // The envelope around a payload; "" on failure.
    std::string CompletePacket(const std::string& type, const std::shared_ptr<ScriptNode>& payload);
    // The "kivdata" payload; nothing on failure.
    std::shared_ptr<ScriptNode> MakeFilterMsgData(const PacketItems& items,
                                                  const std::string& listName,
                                                  const std::string& rowName,
                                                  const PacketItem* filter = nullptr);

  private:
    bool SCAddVar(ScriptNode& node, const std::string& name, const std::string& value);

    ScriptDocument doc_;
    std::function<DateTime()> clock_;
    std::string ip_;
    std::string timeFormat_;
};
