#include "venue/outlets.h"

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "platform/textutil.h"
#include "sql/recordfields.h"
#include "sql/sqldb.h"

namespace {

constexpr const char* kClass = "Outlets";

}  // namespace

std::string OutletsQuery(const std::string& outletCode) {
    std::string sql = "SELECT * FROM tbl_Outlet WHERE RowStatus = " + SQLStr("A");
    if (!Trim(outletCode, " \t").empty()) sql += " AND OutletCode = " + SQLStr(outletCode);
    const bool byName =
        g_oConfig != nullptr && g_oConfig->ConfigParam("OutletSorting").ToText() == "1";
    if (byName) {
        const bool known = g_nLanguage >= 1 && g_nLanguage <= 3;
        sql += " ORDER BY NameL" + std::to_string(known ? g_nLanguage : 1);
    } else {
        sql += " ORDER BY OutletCode";
    }
    return sql;
}

bool Outlets::Load(SQLDB& db, const std::string& outletCode) {
    const std::string sql = OutletsQuery(outletCode);
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
    if (!CheckQuery(*this, db, rs.get(), sql, kClass, "Load")) return false;
    for (; !rs->Eof(); rs->MoveNext()) {
        auto outlet = std::make_unique<Outlet>();
        if (!outlet->AddFromRS(rs.get())) {
            WriteLog("Outlet.AddFromRS fail", kClass, "Load");
            continue;
        }
        const int32_t id = outlet->OutletID();
        if (items_.Exists(id)) continue;  // the first object of an outlet stays
        outlet->GetMPOutlets().Load(db, id);
        LoadSections(db, *outlet);
        Add(id, std::move(outlet));
    }
    return true;
}

bool Outlets::LoadSections(SQLDB& db, Outlet& outlet) {
    const std::string sql =
        "SELECT * FROM tbl_FPSection  WHERE OutletID =  " + std::to_string(outlet.OutletID()) +
        " AND RowStatus = " + SQLStr("A") + " Order By FPSectionCode";
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db.ErrDescription(), sql, kClass, "Load");
        return false;
    }
    for (; !rs->Eof(); rs->MoveNext()) {
        FPSection section;
        if (!section.AddFromRS(rs.get())) continue;
        const int32_t id = section.FPSectionID();
        outlet.FPSections().Add(id, std::move(section));
    }
    return true;
}

Outlet* Outlets::GetOutletByID(int32_t id) {
    if (!items_.Exists(id)) return nullptr;
    return items_.Item(id)->get();
}

const Outlet* Outlets::GetOutletByID(int32_t id) const {
    if (!items_.Exists(id)) return nullptr;
    return items_.Item(id)->get();
}

Outlet* Outlets::ItemAt(std::size_t index) {
    if (index >= items_.Count()) return nullptr;
    return (items_.begin() + static_cast<long>(index))->second.get();
}

Outlet* Outlets::Add(int32_t id, std::unique_ptr<Outlet> outlet) {
    items_.Add(id, std::move(outlet));
    return items_.Item(id)->get();
}
