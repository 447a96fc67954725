#pragma once
// The floor the POS simulator keeps: given the installation's databases, it
// applies the requests a POS acts on (open a check, move it, change its
// covers, clear the table) to the live table-status rows, and names the rows
// it changed so that the relay can announce them as a POS link does.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "messaging/packetmaker.h"

class SQLDB;
class ScriptNode;

namespace kivsrv {

// What one POSREQUEST did to the floor.
struct FloorOutcome {
    bool refused = false;  // the first refusal's code and text below
    std::string code;
    std::string description;
    // Changed status rows: one data-change document each, grouped by outlet
    // (each group is announced with that outlet's filter).
    struct Change {
        int32_t outletID = 0;
        PacketItem doc;
    };
    std::vector<Change> changes;
};

class PosFloor {
  public:
    PosFloor();
    ~PosFloor();
    PosFloor(const PosFloor&) = delete;
    PosFloor& operator=(const PosFloor&) = delete;

    // Opens every database file; false with the reason in `error`.
    bool Open(const std::vector<std::string>& files, std::string& error);
    bool Enabled() const { return !dbs_.empty(); }
    // Applies every request of a POSREQUEST payload.
    FloorOutcome Apply(const ScriptNode& kivdata);

  private:
    struct Target;
    bool Find(const ScriptNode& request, Target& t);
    void ApplyOne(const std::string& type, const ScriptNode& request, FloorOutcome& out);

    std::vector<std::unique_ptr<SQLDB>> dbs_;
    int nextCheck_ = 1;
};

}  // namespace kivsrv
