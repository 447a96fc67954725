#include "messaging/vbscriptobjects.h"

#include <algorithm>
#include <initializer_list>

#include "messaging/scriptnode.h"
#include "messaging/scriptvarlist.h"

namespace {

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool ArgCount(const std::vector<VBValue>& args, std::size_t n, std::string_view name,
              VBError& err) {
    if (args.size() == n) return true;
    err = {kVBErrArgCount,
           "Wrong number of arguments or invalid property assignment: '" + std::string(name) + "'"};
    return false;
}

bool NoMember(std::string_view name, VBError& err) {
    err = {kVBErrNoMember,
           "Object doesn't support this property or method: '" + std::string(name) + "'"};
    return false;
}

VBValue NodeValue(const std::shared_ptr<ScriptNode>& n) {
    return n ? VBValue(std::static_pointer_cast<VBObject>(std::make_shared<VBNodeObject>(n)))
             : VBValue();
}

VBValue ListValue(const std::shared_ptr<ScriptVarList>& l) {
    return l ? VBValue(std::static_pointer_cast<VBObject>(std::make_shared<VBListObject>(l)))
             : VBValue();
}

// A row's child `name`: the variable's text, else the list, else "".
VBValue FieldOf(const std::shared_ptr<ScriptNode>& row, const std::string& name) {
    if (!row) return VBValue("");
    if (row->VarExists(name)) return VBValue(row->Var(name));
    if (auto l = row->GetVarList(name)) return ListValue(l);
    return VBValue("");
}

}  // namespace

bool VBListObject::HasMember(std::string_view name) const {
    return OneOf(name, {"count", "item", "field", "var", "movefirst", "movenext", "name"});
}

bool VBListObject::Invoke(std::string_view name, std::vector<VBValue>& args, VBValue& out,
                          VBError& err) {
    if (name == "count" && ArgCount(args, 0, name, err)) {
        out = VBValue(static_cast<double>(list_->Count()));
    } else if (name == "name" && ArgCount(args, 0, name, err)) {
        out = VBValue(list_->Name());
    } else if (name == "movefirst" && ArgCount(args, 0, name, err)) {
        list_->MoveFirst();
        out = VBValue();
    } else if (name == "movenext" && ArgCount(args, 0, name, err)) {
        out = VBValue(list_->MoveNext());
    } else if ((name == "field" || name == "var") && ArgCount(args, 1, name, err)) {
        out = FieldOf(list_->CurrentRow(), args[0].ToText());
    } else if (name == "item" && ArgCount(args, 1, name, err)) {
        int32_t i = 0;
        double d = 0;
        if (!args[0].ToNumber(d) || !VBToLong(d, i)) {
            err = {kVBErrTypeMismatch, "Type mismatch: 'Item'"};
            return false;
        }
        out = NodeValue(list_->Item(i));
    } else {
        return err.number == 0 ? NoMember(name, err) : false;
    }
    return true;
}

bool VBNodeObject::HasMember(std::string_view name) const {
    return OneOf(name,
                 {"var", "varexists", "vargrpexists", "varlistexists", "vargrp", "getvargrp",
                  "varlist", "getvarlist", "varcount", "vargrpcount", "varlistcount", "name"});
}

bool VBNodeObject::Invoke(std::string_view name, std::vector<VBValue>& args, VBValue& out,
                          VBError& err) {
    if (OneOf(name, {"varcount", "vargrpcount", "varlistcount", "name"})) {
        if (!ArgCount(args, 0, name, err)) return false;
        if (name == "name") {
            out = VBValue(node_->Name());
        } else {
            int n = name == "varcount"
                        ? node_->VarCount()
                        : (name == "vargrpcount" ? node_->VarGrpCount() : node_->VarListCount());
            out = VBValue(static_cast<double>(n));
        }
        return true;
    }
    if (!HasMember(name)) return NoMember(name, err);
    if (!ArgCount(args, 1, name, err)) return false;
    std::string key = args[0].ToText();
    if (name == "var") {
        out = VBValue(node_->Var(key));
    } else if (name == "varexists") {
        out = VBValue(node_->VarExists(key));
    } else if (name == "vargrpexists") {
        out = VBValue(node_->VarGrpExists(key));
    } else if (name == "varlistexists") {
        out = VBValue(node_->VarListExists(key));
    } else if (name == "vargrp" || name == "getvargrp") {
        out = NodeValue(node_->GetVarGrp(key));
    } else {
        out = ListValue(node_->GetVarList(key));
    }
    return true;
}

bool VBDictionary::HasMember(std::string_view name) const {
    return OneOf(name, {"", "item", "exists", "count", "add", "remove"});
}

bool VBDictionary::Invoke(std::string_view name, std::vector<VBValue>& args, VBValue& out,
                          VBError& err) {
    if (name == "count") {
        if (!ArgCount(args, 0, name, err)) return false;
        out = VBValue(static_cast<double>(items_.size()));
        return true;
    }
    if (name == "add") {
        if (!ArgCount(args, 2, name, err)) return false;
        std::string key = args[0].ToText();
        if (Exists(key)) {
            err = {kVBErrInvalidCall, "This key is already associated with an element"};
            return false;
        }
        if (args[1].IsObject() && args[1].AsObject().get() == this) {
            err = {kVBErrInvalidCall, "Invalid procedure call or argument: 'Add'"};
            return false;
        }
        Set(key, args[1]);
        out = VBValue();
        return true;
    }
    if (!HasMember(name)) return NoMember(name, err);
    if (!ArgCount(args, 1, name, err)) return false;
    std::string key = args[0].ToText();
    if (name == "exists") {
        out = VBValue(Exists(key));
    } else if (name == "remove") {
        auto it = index_.find(key);
        if (it == index_.end()) {
            err = {kVBErrInvalidCall, "Element not found"};
            return false;
        }
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(it->second));
        index_.clear();
        for (std::size_t i = 0; i < items_.size(); ++i)
            index_.emplace(items_[i].first, i);
        out = VBValue();
    } else {
        out = Get(key);
    }
    return true;
}

bool VBDictionary::Assign(std::string_view name, std::vector<VBValue>& args, const VBValue& value,
                          VBError& err) {
    if (name != "" && name != "item") return VBObject::Assign(name, args, value, err);
    if (!ArgCount(args, 1, "Item", err)) return false;
    // Holding itself would keep the dictionary alive forever.
    if (value.IsObject() && value.AsObject().get() == this) {
        err = {kVBErrInvalidCall, "Invalid procedure call or argument: 'Item'"};
        return false;
    }
    Set(args[0].ToText(), value);
    return true;
}

VBValue VBDictionary::Get(const std::string& key) const {
    auto it = index_.find(key);
    return it == index_.end() ? VBValue() : items_[it->second].second;
}

void VBDictionary::Set(const std::string& key, VBValue value) {
    value.literal = false;
    auto it = index_.find(key);
    if (it != index_.end()) {
        items_[it->second].second = std::move(value);
        return;
    }
    index_.emplace(key, items_.size());
    items_.emplace_back(key, std::move(value));
}

bool VBDictionary::Exists(const std::string& key) const {
    return index_.count(key) != 0;
}
