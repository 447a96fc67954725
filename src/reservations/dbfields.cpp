#include "reservations/dbfields.h"

#include "platform/textutil.h"
#include "sql/sqldb.h"

bool DBFields::Add(const std::string& name, Variant value, bool quote) {
    const std::string key = UpperAscii(name);
    if (items_.Exists(key)) return false;
    items_.Add(key, DBField{name, std::move(value), quote});
    return true;
}

bool DBFields::Exists(const std::string& name) const {
    return items_.Exists(UpperAscii(name));
}

const DBField* DBFields::Item(const std::string& name) const {
    return items_.Item(UpperAscii(name));
}

bool DBFields::SetList(std::string& out) const {
    out.clear();
    std::string list;
    for (const auto& [key, field] : items_) {
        std::string value;
        if (!DBFieldValueSQL(field, value)) return false;
        list += (list.empty() ? "" : ",") + field.Name + "=" + value;
    }
    out = std::move(list);
    return true;
}

bool DBFieldValueSQL(const DBField& field, std::string& out) {
    const Variant& v = field.Value;
    switch (v.Type()) {
        case VarType::Text:
            out = field.Quote ? SQLStr(v.ToText()) : v.ToText();
            return true;
        case VarType::Boolean:
            out = v.ToBool() ? "'T'" : "'F'";
            return true;
        case VarType::Integer:
        case VarType::Double:
        case VarType::Currency:
            out = v.ToText();
            return true;
        case VarType::Date:
            out = "'" + v.ToDateTime()->Format("yyyy-m-d") + "'";
            return true;
        case VarType::Null:
        case VarType::Binary:
            break;
    }
    out.clear();
    return false;
}
