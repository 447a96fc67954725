#include "venue/colordefs.h"

#include "core/log.h"
#include "sql/recordfields.h"
#include "sql/sqldb.h"

namespace {
constexpr const char* kClass = "ColorDefs";
}

bool ColorDefs::Load(SQLDB& db) {
    const std::string active = " AND RowStatus=" + SQLStr("A");
    bool ok = LoadModule(
        db, "SELECT * FROM tbl_ColorDef WHERE ColorModule ='C'" + active + " ORDER BY Value1",
        capacityColors_);
    ok = LoadModule(db, "SELECT * FROM tbl_ColorDef WHERE ColorModule ='S'" + active,
                    statusColors_) &&
         ok;
    ok = LoadModule(db,
                    "SELECT * FROM tbl_ColorDef WHERE ColorModule ='T'" + active +
                        " ORDER BY CAST(Value1 AS INT)",
                    timeColors_) &&
         ok;
    return ok;
}

bool ColorDefs::LoadModule(SQLDB& db, const std::string& sql, OrderedMap<int32_t, ColorDef>& into) {
    into = OrderedMap<int32_t, ColorDef>();
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
    if (!CheckQuery(*this, db, rs.get(), sql, kClass, "Load")) return false;
    for (; !rs->Eof(); rs->MoveNext()) {
        ColorDef colour;
        if (!colour.AddFromRS(rs.get())) continue;
        const int32_t id = colour.ColorID();
        into.Add(id, std::move(colour));
    }
    return true;
}

const ColorDef* ColorDefs::GetStatusColorDef(const std::string& code) const {
    const std::string wanted = UpperAscii(code);
    for (const auto& [id, colour] : statusColors_) {
        if (UpperAscii(colour.Value1().ToText()) == wanted) return &colour;
    }
    return nullptr;
}

int32_t ColorDefs::GetTableStatusColor(const std::string& code) const {
    const ColorDef* colour = GetStatusColorDef(code);
    return colour == nullptr ? 0 : colour->ColorValue();
}

int32_t ColorDefs::GetTimeColor(int32_t minutes) const {
    const ColorDef* match = nullptr;
    for (const auto& [id, colour] : timeColors_) {
        // Every match overwrites: with overlapping ranges the one that
        // starts last wins.
        if (colour.Value1().ToInt64() <= minutes && minutes <= colour.Value2().ToInt64())
            match = &colour;
    }
    return match != nullptr ? match->ColorValue() : GetTableStatusColor("O");
}
