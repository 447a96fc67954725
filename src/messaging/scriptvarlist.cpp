#include "messaging/scriptvarlist.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "messaging/scriptnode.h"

ScriptVarList::ScriptVarList(std::shared_ptr<ScriptDom> dom, pugi::xml_node el,
                             const ScriptOptions& options, std::string name,
                             std::vector<std::string> columns)
    : ScriptElement(std::move(dom), el, std::move(name)),
      columns_(std::move(columns)),
      options_(options) {}

ScriptVarList::~ScriptVarList() {
    ReleaseAll(Parked());
    FreeIfParked();
}

void ScriptVarList::ReleaseAll(bool parked) {
    for (auto& r : rows_) {
        if (parked) {
            ReleaseChild(*r, r.use_count());
        } else {
            SetOwner(*r, nullptr);
        }
    }
    rows_.clear();
    current_ = nullptr;
    position_ = 0;
}

void ScriptVarList::ParkHeldDescendants() {
    for (auto& r : rows_)
        ReleaseChild(*r, r.use_count());
}

bool ScriptVarList::Fail(int32_t number, std::string message) {
    errNumber_ = number;
    errMessage_ = std::move(message);
    return false;
}

bool ScriptVarList::HasColumns(const ScriptNode& row) const {
    for (const auto& c : columns_) {
        if (!row.Exists(c)) return false;
    }
    return true;
}

bool ScriptVarList::Parse(int depth) {
    ReleaseAll(false);
    pugi::xml_attribute id = el_.attribute("id");
    if (!id) return Fail(kScrErrMissingAttr, "Missing \"id\" attribute in variable list node");
    name_ = id.value();
    pugi::xml_attribute cols = el_.attribute("cols");
    if (!cols) return Fail(kScrErrMissingAttr, "Missing \"cols\" attribute in variable list node");
    columns_ = SplitColumns(cols.value());
    if (columns_.empty()) {
        return Fail(kScrErrBadCols, std::string("Invalid \"cols\" value \"") + cols.value() +
                                        "\" in variable list node \"" + name_ + "\"");
    }
    if (depth > kMaxScriptDepth) {
        return Fail(kScrErrBadNode, "Invalid node VARLIST nested too deeply");
    }
    std::size_t children = 0;
    for (pugi::xml_node c = el_.first_child(); c; c = c.next_sibling())
        ++children;
    rows_.reserve(children);
    for (pugi::xml_node c = el_.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element) continue;
        const char* tag = c.name();
        const bool isRow = tag[0] == 'V' && tag[1] == 'A' && tag[2] == 'R' && tag[3] == 'R' &&
                           tag[4] == 'O' && tag[5] == 'W' && tag[6] == '\0';
        if (!isRow) {
            if (options_.IgnoreUnknownNode) continue;
            return Fail(kScrErrBadNode, std::string("Invalid node ") + c.name());
        }
        auto row = MakeNode<ScriptNode>(dom_, c, options_);
        if (!row->Parse(depth + 1)) {
            if (options_.IgnoreBadNode) continue;
            return Fail(row->ErrNumber(), row->ErrMessage());
        }
        if (!options_.IgnoreFieldCheck && !HasColumns(*row)) {
            return Fail(kScrErrMissingColumn,
                        "Some columns are missing in variable list node \"" + name_ + "\"");
        }
        SetOwner(*row, this);
        rows_.push_back(std::move(row));
    }
    MoveFirst();
    errNumber_ = 0;
    errMessage_.clear();
    return true;
}

std::shared_ptr<ScriptNode> ScriptVarList::Item(int position) const {
    if (position < 0 || position >= Count()) return nullptr;
    return rows_[static_cast<std::size_t>(position)];
}

std::string ScriptVarList::Field(const std::string& name) const {
    return current_ != nullptr ? current_->Var(name) : std::string();
}

std::shared_ptr<ScriptNode> ScriptVarList::CurrentRow() const {
    if (current_ == nullptr) return nullptr;
    // Usually the row at the cursor's position; after deletions, search.
    if (position_ >= 0 && position_ < Count() &&
        rows_[static_cast<std::size_t>(position_)].get() == current_) {
        return rows_[static_cast<std::size_t>(position_)];
    }
    for (const auto& r : rows_) {
        if (r.get() == current_) return r;
    }
    return nullptr;
}

void ScriptVarList::SetCurrent(int position) {
    position_ = position;
    current_ = position >= 0 && position < Count() ? rows_[static_cast<std::size_t>(position)].get()
                                                   : nullptr;
}

void ScriptVarList::MoveFirst() {
    SetCurrent(0);
}

bool ScriptVarList::MoveNext() {
    if (position_ + 1 < Count()) {
        SetCurrent(position_ + 1);
        return true;
    }
    current_ = nullptr;
    return false;
}

bool ScriptVarList::AddNew(const std::shared_ptr<ScriptNode>& row) {
    if (!row) return Fail(kScrErrBadNode, "Invalid node ");
    pugi::xml_node el = ElementOf(*row);
    if (std::strcmp(el.name(), kElemRow) != 0) {
        return Fail(kScrErrBadNode, std::string("Invalid node ") + el.name());
    }
    if (!options_.IgnoreFieldCheck && !HasColumns(*row)) {
        return Fail(kScrErrMissingColumn, "Some columns are missing in row");
    }
    if (DomOf(*row) != dom_ || !el_.append_move(el)) {
        return Fail(kScrErrBadNode, std::string("Invalid node ") + el.name());
    }
    // Re-adding a row of this list moves it to the end.
    if (OwnerOf(*row) == this) Forget(row.get());
    TakeFromOwner(*row, this);
    row->options_ = options_;
    rows_.push_back(row);
    return true;
}

void ScriptVarList::RemoveAll() {
    ReleaseAll(true);
    el_.remove_children();
}

bool ScriptVarList::Del(int position) {
    if (position == -1) position = position_;
    if (position < 0 || position >= Count()) return false;
    auto row = rows_[static_cast<std::size_t>(position)];
    dom_->Parking().append_move(ElementOf(*row));
    SetOwner(*row, nullptr);
    if (row.get() == current_) current_ = nullptr;
    rows_.erase(rows_.begin() + position);
    return true;
}

void ScriptVarList::Forget(const ScriptElement* child) {
    for (auto it = rows_.begin(); it != rows_.end(); ++it) {
        if (it->get() == child) {
            if (it->get() == current_) current_ = nullptr;
            rows_.erase(it);
            return;
        }
    }
}

bool ScriptVarList::Merge(ScriptVarList& other) {
    if (&other == this) return true;
    bool all = true;
    auto rows = other.rows_;  // AddNew takes each row out of `other`
    for (auto& r : rows)
        all = AddNew(r) && all;
    return all;
}

bool ScriptVarList::MergeColumn(ScriptVarList& other, const std::string& keyColumn) {
    if (&other == this) return true;
    for (auto& row : rows_) {
        std::string key = row->Var(keyColumn);
        for (auto& o : other.rows_) {
            if (o->Var(keyColumn) == key) {
                row->Merge(*o);
                break;
            }
        }
    }
    for (const auto& c : other.columns_) {
        if (std::find(columns_.begin(), columns_.end(), c) == columns_.end()) {
            columns_.push_back(c);
        }
    }
    std::string cols;
    for (std::size_t i = 0; i < columns_.size(); ++i)
        cols += (i ? "," : "") + columns_[i];
    pugi::xml_attribute a = el_.attribute("cols");
    if (!a) a = el_.append_attribute("cols");
    a.set_value(cols.c_str());
    return true;
}

bool ScriptVarList::Sort(const std::string& column, bool descending) {
    struct Keyed {
        std::string text;
        double number;
        bool numeric;
        std::shared_ptr<ScriptNode> row;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(rows_.size());
    for (auto& r : rows_) {
        Variant v(r->Var(column));
        bool ok = false;
        double d = v.ToDouble(&ok);
        keyed.push_back({v.ToText(), d, ok && std::isfinite(d), r});
    }
    // Numbers before texts keeps the order strict when the column mixes both.
    auto less = [](const Keyed& a, const Keyed& b) {
        if (a.numeric != b.numeric) return a.numeric;
        if (a.numeric) return a.number < b.number;
        return a.text < b.text;
    };
    std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        return descending ? less(b, a) : less(a, b);
    });
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        el_.append_move(ElementOf(*keyed[i].row));
        rows_[i] = keyed[i].row;
    }
    MoveFirst();
    return true;
}
