#include "messaging/scriptnode.h"

#include <cstring>

#include "messaging/scriptvariable.h"
#include "messaging/scriptvarlist.h"

namespace {

// Below this many children a linear scan beats hashing.
constexpr std::size_t kIndexFrom = 16;

std::string_view NameOf(const auto& slot) {
    return {slot.name, slot.length};
}
const std::string& NameOf(const std::shared_ptr<ScriptNode>& c) {
    return c->Name();
}
const std::string& NameOf(const std::shared_ptr<ScriptVarList>& c) {
    return c->Name();
}

template <class V>
std::vector<std::string> NamesOf(const V& v) {
    std::vector<std::string> out;
    out.reserve(v.size());
    for (const auto& c : v)
        out.emplace_back(NameOf(c));
    return out;
}

template <class V>
std::string NameAt(const V& v, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= v.size()) return {};
    return std::string(NameOf(v[static_cast<std::size_t>(index)]));
}

// Tells the four element names apart character by character: the names are
// short, and a library call per child costs more than the comparison.
enum class Tag { Var, Grp, List, Row, Other };
Tag TagOf(const char* n) {
    if (n[0] != 'V' || n[1] != 'A' || n[2] != 'R') return Tag::Other;
    const char* r = n + 3;
    if (r[0] == '\0') return Tag::Var;
    if (r[0] == 'G' && r[1] == 'R' && r[2] == 'P' && r[3] == '\0') return Tag::Grp;
    if (r[0] == 'L' && r[1] == 'I' && r[2] == 'S' && r[3] == 'T' && r[4] == '\0') return Tag::List;
    if (r[0] == 'R' && r[1] == 'O' && r[2] == 'W' && r[3] == '\0') return Tag::Row;
    return Tag::Other;
}

uint64_t NameBit(std::string_view name) {
    if (name.empty()) return 1;
    const auto first = static_cast<unsigned char>(name.front());
    const auto last = static_cast<unsigned char>(name.back());
    return uint64_t{1} << ((name.size() * 7 + first * 3 + last) & 63);
}

// Identifiers are a few characters long: counting them here is cheaper than
// a library call per child.
std::string_view View(const char* s) {
    std::size_t n = 0;
    while (s[n] != '\0')
        ++n;
    return {s, n};
}

pugi::xml_attribute IdOf(pugi::xml_node el) {
    pugi::xml_attribute a = el.first_attribute();
    if (a) {
        const char* n = a.name();
        if (n[0] == 'i' && n[1] == 'd' && n[2] == '\0') return a;  // written first by convention
    }
    return el.attribute("id");
}

}  // namespace

ScriptNode::ScriptNode(std::shared_ptr<ScriptDom> dom, pugi::xml_node el,
                       const ScriptOptions& options, std::string name)
    : ScriptElement(std::move(dom), el, std::move(name)), options_(options) {}

ScriptNode::~ScriptNode() {
    ReleaseAll(Parked());
    FreeIfParked();
}

void ScriptNode::ReleaseAll(bool parked) {
    // The children die while this element still exists; the ones held
    // elsewhere leave a subtree that is about to be freed.
    auto release = [parked](auto& v) {
        for (auto& c : v) {
            if (parked) {
                ReleaseChild(*c, c.use_count());
            } else {
                SetOwner(*c, nullptr);
            }
        }
        v.clear();
    };
    for (auto& slot : vars_) {
        if (!slot.obj) continue;
        if (parked) {
            ReleaseChild(*slot.obj, slot.obj.use_count());
        } else {
            SetOwner(*slot.obj, nullptr);
        }
    }
    vars_.clear();
    release(grps_);
    release(lists_);
    index_.reset();
    nameBits_ = 0;
}

void ScriptNode::ParkHeldDescendants() {
    for (auto& slot : vars_) {
        if (slot.obj) ReleaseChild(*slot.obj, slot.obj.use_count());
    }
    for (auto& c : grps_)
        ReleaseChild(*c, c.use_count());
    for (auto& c : lists_)
        ReleaseChild(*c, c.use_count());
}

bool ScriptNode::Fail(int32_t number, std::string message) {
    errNumber_ = number;
    errMessage_ = std::move(message);
    return false;
}

std::optional<ScriptNode::Slot> ScriptNode::Find(std::string_view name) const {
    if ((nameBits_ & NameBit(name)) == 0) return std::nullopt;
    if (index_) {
        auto it = index_->find(name);
        if (it == index_->end()) return std::nullopt;
        return it->second;
    }
    for (uint32_t i = 0; i < vars_.size(); ++i) {
        const VarSlot& v = vars_[i];
        if (v.length == name.size() && std::memcmp(v.name, name.data(), v.length) == 0) {
            return Slot{Kind::Var, i};
        }
    }
    for (uint32_t i = 0; i < grps_.size(); ++i) {
        if (grps_[i]->Name() == name) return Slot{Kind::Grp, i};
    }
    for (uint32_t i = 0; i < lists_.size(); ++i) {
        if (lists_[i]->Name() == name) return Slot{Kind::List, i};
    }
    return std::nullopt;
}

std::optional<uint32_t> ScriptNode::FindOf(Kind kind, std::string_view name) const {
    auto slot = Find(name);
    if (!slot || slot->kind != kind) return std::nullopt;
    return slot->pos;
}

void ScriptNode::Register(Kind kind, std::string_view name, uint32_t pos) {
    nameBits_ |= NameBit(name);
    if (index_) {
        index_->emplace(name, Slot{kind, pos});
    } else if (vars_.size() + grps_.size() + lists_.size() > kIndexFrom) {
        RebuildIndex();
    }
}

void ScriptNode::RebuildIndex() {
    index_.reset();
    if (vars_.size() + grps_.size() + lists_.size() <= kIndexFrom) return;
    auto idx = std::make_unique<std::unordered_map<std::string_view, Slot>>();
    for (uint32_t i = 0; i < vars_.size(); ++i)
        idx->emplace(NameOf(vars_[i]), Slot{Kind::Var, i});
    for (uint32_t i = 0; i < grps_.size(); ++i)
        idx->emplace(grps_[i]->Name(), Slot{Kind::Grp, i});
    for (uint32_t i = 0; i < lists_.size(); ++i) {
        idx->emplace(lists_[i]->Name(), Slot{Kind::List, i});
    }
    index_ = std::move(idx);
}

bool ScriptNode::Parse(int depth) {
    if (!vars_.empty() || !grps_.empty() || !lists_.empty()) ReleaseAll(false);
    if (depth > kMaxScriptDepth) {
        return Fail(kScrErrBadNode,
                    std::string("Invalid node ") + el_.name() + " nested too deeply");
    }
    for (pugi::xml_node c = el_.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element) continue;
        const char* tag = c.name();
        Tag kind = TagOf(tag);
        if (kind == Tag::Var) {
            pugi::xml_attribute id = IdOf(c);
            if (!id) return Fail(kScrErrMissingAttr, "Missing \"id\" attribute in variable node");
            std::string_view name = View(id.value());
            if ((nameBits_ & NameBit(name)) != 0 && Find(name)) {
                if (options_.IgnoreDupNode) continue;
                return Fail(kScrErrDuplicate, std::string("Duplicate variable node ") + id.value());
            }
            PushVar(c, nullptr, name);
        } else if (kind == Tag::List) {
            auto list = MakeNode<ScriptVarList>(dom_, c, options_);
            if (!list->Parse(depth + 1)) {
                if (options_.IgnoreBadNode) continue;
                return Fail(list->ErrNumber(), list->ErrMessage());
            }
            if (Find(list->Name())) {
                if (options_.IgnoreDupNode) continue;
                return Fail(kScrErrDuplicate, "Duplicate variable list node " + list->Name());
            }
            SetOwner(*list, this);
            if (lists_.empty()) lists_.reserve(2);
            lists_.push_back(std::move(list));
            Register(Kind::List, lists_.back()->Name(), static_cast<uint32_t>(lists_.size() - 1));
        } else if (kind == Tag::Grp) {
            auto grp = MakeNode<ScriptNode>(dom_, c, options_);
            if (!grp->Parse(depth + 1)) {
                if (options_.IgnoreBadNode) continue;
                return Fail(grp->ErrNumber(), grp->ErrMessage());
            }
            if (Find(grp->Name())) {
                if (options_.IgnoreDupNode) continue;
                return Fail(kScrErrDuplicate, "Duplicate group node " + grp->Name());
            }
            SetOwner(*grp, this);
            if (grps_.empty()) grps_.reserve(2);
            grps_.push_back(std::move(grp));
            Register(Kind::Grp, grps_.back()->Name(), static_cast<uint32_t>(grps_.size() - 1));
        } else {
            if (options_.IgnoreUnknownNode) continue;
            return Fail(kScrErrBadNode, std::string("Invalid node ") + tag);
        }
    }
    name_ = View(IdOf(el_).value());
    errNumber_ = 0;
    errMessage_.clear();
    return true;
}

void ScriptNode::PushVar(pugi::xml_node el, std::shared_ptr<ScriptVariable> obj,
                         std::string_view name) {
    if (obj) SetOwner(*obj, this);
    if (vars_.empty()) vars_.reserve(8);
    vars_.push_back(VarSlot{name.data(), name.size(), el, std::move(obj)});
    Register(Kind::Var, NameOf(vars_.back()), static_cast<uint32_t>(vars_.size() - 1));
}

std::shared_ptr<ScriptVariable> ScriptNode::VarObject(uint32_t pos) const {
    VarSlot& slot = vars_[pos];
    if (!slot.obj) {
        slot.obj = std::make_shared<ScriptVariable>(dom_, slot.el, slot.name);
        SetOwner(*slot.obj, const_cast<ScriptNode*>(this));
    }
    return slot.obj;
}

std::string ScriptNode::Var(const std::string& name) const {
    auto pos = FindOf(Kind::Var, name);
    return pos ? ElementText(vars_[*pos].el) : std::string();
}

bool ScriptNode::SetVar(const std::string& name, const std::string& value) {
    auto slot = Find(name);
    if (slot) {
        if (slot->kind != Kind::Var)
            return Fail(kScrErrDuplicate, "Duplicate variable node " + name);
        SetElementText(vars_[slot->pos].el, value, false);
        return true;
    }
    pugi::xml_node el = el_.append_child(kElemVar);
    el.append_attribute("id").set_value(name.c_str());
    SetElementText(el, value, false);
    PushVar(el, nullptr, IdOf(el).value());
    return true;
}

std::shared_ptr<ScriptVariable> ScriptNode::GetVar(const std::string& name) const {
    auto pos = FindOf(Kind::Var, name);
    return pos ? VarObject(*pos) : nullptr;
}

std::shared_ptr<ScriptNode> ScriptNode::GetVarGrp(const std::string& name) const {
    auto pos = FindOf(Kind::Grp, name);
    return pos ? grps_[*pos] : nullptr;
}

std::shared_ptr<ScriptVarList> ScriptNode::GetVarList(const std::string& name) const {
    auto pos = FindOf(Kind::List, name);
    return pos ? lists_[*pos] : nullptr;
}

bool ScriptNode::VarExists(const std::string& name) const {
    return FindOf(Kind::Var, name).has_value();
}
bool ScriptNode::VarListExists(const std::string& name) const {
    return FindOf(Kind::List, name).has_value();
}
bool ScriptNode::VarGrpExists(const std::string& name) const {
    return FindOf(Kind::Grp, name).has_value();
}

std::string ScriptNode::VarName(int index) const {
    return NameAt(vars_, index);
}
std::string ScriptNode::VarListName(int index) const {
    return NameAt(lists_, index);
}
std::string ScriptNode::VarGrpName(int index) const {
    return NameAt(grps_, index);
}
std::vector<std::string> ScriptNode::VarKeys() const {
    return NamesOf(vars_);
}
std::vector<std::string> ScriptNode::VarListKeys() const {
    return NamesOf(lists_);
}
std::vector<std::string> ScriptNode::VarGrpKeys() const {
    return NamesOf(grps_);
}

bool ScriptNode::Adopt(ScriptElement& child, const char* elementName) {
    pugi::xml_node el = ElementOf(child);
    if (DomOf(child) != dom_ || !el || std::strcmp(el.name(), elementName) != 0) {
        return Fail(kScrErrBadNode, std::string("Invalid node ") + (el ? el.name() : ""));
    }
    // The DOM refuses to move a node into its own subtree.
    if (!el_.append_move(el)) return Fail(kScrErrBadNode, std::string("Invalid node ") + el.name());
    TakeFromOwner(child, this);
    return true;
}

bool ScriptNode::AddVar(const std::shared_ptr<ScriptVariable>& var) {
    if (!var) return Fail(kScrErrBadNode, "Invalid node ");
    if (Find(var->Name())) return Fail(kScrErrDuplicate, "Duplicate variable node " + var->Name());
    if (!Adopt(*var, kElemVar)) return false;
    PushVar(ElementOf(*var), var, IdOf(ElementOf(*var)).value());
    return true;
}

bool ScriptNode::AddVarList(const std::shared_ptr<ScriptVarList>& list) {
    if (!list) return Fail(kScrErrBadNode, "Invalid node ");
    if (Find(list->Name())) return Fail(kScrErrDuplicate, "Duplicate list node " + list->Name());
    if (!Adopt(*list, kElemList)) return false;
    list->options_ = options_;
    lists_.push_back(list);
    Register(Kind::List, list->Name(), static_cast<uint32_t>(lists_.size() - 1));
    return true;
}

bool ScriptNode::AddVarGrp(const std::shared_ptr<ScriptNode>& group) {
    if (!group) return Fail(kScrErrBadNode, "Invalid node ");
    if (std::strcmp(ElementOf(*group).name(), kElemGrp) != 0) {
        return Fail(kScrErrBadNode, std::string("Invalid node ") + ElementOf(*group).name());
    }
    if (Find(group->Name())) return Fail(kScrErrDuplicate, "Duplicate group node " + group->Name());
    if (!Adopt(*group, kElemGrp)) return false;
    group->options_ = options_;
    grps_.push_back(group);
    Register(Kind::Grp, group->Name(), static_cast<uint32_t>(grps_.size() - 1));
    return true;
}

bool ScriptNode::Detach(Kind kind, const std::string& name) {
    auto pos = FindOf(kind, name);
    if (!pos) return false;
    auto park = [this](auto& v, uint32_t p) {
        auto child = v[p];  // keeps it alive until it is parked
        dom_->Parking().append_move(ElementOf(*child));
        SetOwner(*child, nullptr);
        v.erase(v.begin() + p);
    };
    if (kind == Kind::Var) {
        auto obj = vars_[*pos].obj;  // kept alive until it is parked
        if (obj) {
            dom_->Parking().append_move(ElementOf(*obj));
            SetOwner(*obj, nullptr);
        } else {
            el_.remove_child(vars_[*pos].el);  // no handle refers to it
        }
        vars_.erase(vars_.begin() + *pos);
    }
    if (kind == Kind::Grp) park(grps_, *pos);
    if (kind == Kind::List) park(lists_, *pos);
    RebuildIndex();
    return true;
}

bool ScriptNode::DelVar(const std::string& name) {
    return Detach(Kind::Var, name);
}
bool ScriptNode::DelVarList(const std::string& name) {
    return Detach(Kind::List, name);
}
bool ScriptNode::DelVarGrp(const std::string& name) {
    return Detach(Kind::Grp, name);
}

void ScriptNode::Forget(const ScriptElement* child) {
    auto drop = [child](auto& v) {
        for (auto it = v.begin(); it != v.end(); ++it) {
            if (it->get() == child) {
                v.erase(it);
                return true;
            }
        }
        return false;
    };
    for (auto it = vars_.begin(); it != vars_.end(); ++it) {
        if (it->obj.get() == child) {
            vars_.erase(it);
            RebuildIndex();
            return;
        }
    }
    if (drop(grps_) || drop(lists_)) RebuildIndex();
}

void ScriptNode::Merge(ScriptNode& other) {
    if (&other == this) return;
    // Copies: attaching removes the child from `other`.
    std::vector<std::shared_ptr<ScriptVariable>> vars;
    for (uint32_t i = 0; i < other.vars_.size(); ++i) {
        if (!Find(NameOf(other.vars_[i]))) vars.push_back(other.VarObject(i));
    }
    for (auto& v : vars)
        AddVar(v);
    std::vector<std::shared_ptr<ScriptNode>> grps(other.grps_.begin(), other.grps_.end());
    for (auto& g : grps) {
        if (!Find(g->Name())) AddVarGrp(g);
    }
    std::vector<std::shared_ptr<ScriptVarList>> lists(other.lists_.begin(), other.lists_.end());
    for (auto& l : lists) {
        if (!Find(l->Name())) AddVarList(l);
    }
}
