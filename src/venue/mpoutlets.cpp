#include "venue/mpoutlets.h"

#include "core/log.h"
#include "sql/recordfields.h"
#include "sql/sqldb.h"

namespace {
constexpr const char* kClass = "MPOutlets";
}

bool MPOutlets::Load(SQLDB& db, int32_t outletID) {
    const std::string sql = "SELECT * FROM tbl_MPOutlet WHERE RowStatus=" + SQLStr("A") +
                            " AND OutletID = " + std::to_string(outletID) + " ORDER BY MPCode";
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
    if (!CheckQuery(*this, db, rs.get(), sql, kClass, "Load")) return false;
    for (; !rs->Eof(); rs->MoveNext()) {
        MPOutlet period;
        if (!period.AddFromRS(rs.get())) {
            WriteLog("MPOutlet.AddFROMoRS fail", kClass, "Load");
            continue;
        }
        const int32_t id = period.MPOutletID();
        Add(id, std::move(period));
    }
    return true;
}

MPOutlet* MPOutlets::Add(int32_t id, MPOutlet period) {
    items_.Add(id, std::move(period));
    return items_.Item(id);
}

const MPOutlet* MPOutlets::ItemAt(std::size_t index) const {
    if (index >= items_.Count()) return nullptr;
    return &(items_.begin() + static_cast<long>(index))->second;
}

int32_t MPOutlets::FindMPOutletID(const DateTime& time) const {
    for (const auto& [id, period] : items_) {
        if (period.Contains(time)) return id;
    }
    return -1;
}
