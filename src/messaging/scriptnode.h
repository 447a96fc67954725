#pragma once
// A named group ("VARGRP") or a list row ("VARROW") of a variable document:
// its variables, groups and lists, each kept in insertion order and looked up
// by identifier. One identifier names at most one child across the three kinds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "messaging/scriptelement.h"

class ScriptVariable;
class ScriptVarList;

class ScriptNode : public ScriptElement, public ScriptOwner {
  public:
    // Wraps an element; `name` is its "id" (filled in by parsing otherwise).
    ScriptNode(std::shared_ptr<ScriptDom> dom, pugi::xml_node el, const ScriptOptions& options,
               std::string name = {});
    ~ScriptNode() override;

    std::string NodeType() const { return "VARNODE"; }
    int32_t ErrNumber() const { return errNumber_; }
    const std::string& ErrMessage() const { return errMessage_; }
    ScriptOptions& Options() { return options_; }
    const ScriptOptions& Options() const { return options_; }

    // The variable's value; "" when there is none.
    std::string Var(const std::string& name) const;
    // Sets an existing variable or appends a new one. Refuses (30004) a name
    // held by a group or list.
    bool SetVar(const std::string& name, const std::string& value);

    std::shared_ptr<ScriptVariable> GetVar(const std::string& name) const;
    std::shared_ptr<ScriptNode> GetVarGrp(const std::string& name) const;
    std::shared_ptr<ScriptVarList> GetVarList(const std::string& name) const;
    std::shared_ptr<ScriptNode> VarGrp(const std::string& name) const { return GetVarGrp(name); }
    std::shared_ptr<ScriptVarList> VarList(const std::string& name) const {
        return GetVarList(name);
    }

    bool VarExists(const std::string& name) const;
    bool VarListExists(const std::string& name) const;
    bool VarGrpExists(const std::string& name) const;
    // True when any child of the three kinds has this identifier.
    bool Exists(std::string_view name) const { return Find(name).has_value(); }

    // Identifiers by position (0-based; "" out of range) and all of one kind.
    std::string VarName(int index) const;
    std::string VarListName(int index) const;
    std::string VarGrpName(int index) const;
    std::vector<std::string> VarKeys() const;
    std::vector<std::string> VarListKeys() const;
    std::vector<std::string> VarGrpKeys() const;
    int VarCount() const { return static_cast<int>(vars_.size()); }
    int VarListCount() const { return static_cast<int>(lists_.size()); }
    int VarGrpCount() const { return static_cast<int>(grps_.size()); }

    // Attach a child: its element is appended here and it is registered.
    // Refused: a taken identifier (30004), an element of another kind or of
    // another document, or a group that contains this node (30002).
    bool AddVar(const std::shared_ptr<ScriptVariable>& var);
    bool AddVarList(const std::shared_ptr<ScriptVarList>& list);
    bool AddVarGrp(const std::shared_ptr<ScriptNode>& group);
    // Detach a child; false when absent. The detached object stays usable.
    bool DelVar(const std::string& name);
    bool DelVarList(const std::string& name);
    bool DelVarGrp(const std::string& name);

    // Moves every child of `other` whose identifier this node lacks to this
    // node: variables, then groups, then lists, each in `other`'s order.
    void Merge(ScriptNode& other);

    void Forget(const ScriptElement* child) override;

  protected:
    void ParkHeldDescendants() override;

  private:
    friend class ScriptDocument;
    friend class ScriptVarList;

    enum class Kind : uint8_t { Var, Grp, List };
    struct Slot {
        Kind kind;
        uint32_t pos;
    };

    // Parses the element's children; `depth` guards against runaway nesting.
    bool Parse(int depth);
    bool Fail(int32_t number, std::string message);
    std::optional<Slot> Find(std::string_view name) const;
    std::optional<uint32_t> FindOf(Kind kind, std::string_view name) const;
    void Register(Kind kind, std::string_view name, uint32_t pos);
    void RebuildIndex();
    bool Adopt(ScriptElement& child, const char* elementName);
    bool Detach(Kind kind, const std::string& name);
    void ReleaseAll(bool parked);

    // Variables are the bulk of a packet: they are kept as element handles and
    // get an object only when a caller asks for one (GetVar, Merge).
    struct VarSlot {
        const char* name;  // the element's "id", owned by the DOM
        std::size_t length;
        pugi::xml_node el;
        std::shared_ptr<ScriptVariable> obj;
    };
    std::shared_ptr<ScriptVariable> VarObject(uint32_t pos) const;
    // `name` views the element's "id" value.
    void PushVar(pugi::xml_node el, std::shared_ptr<ScriptVariable> obj, std::string_view name);

    // The children of a small node live inside the node: packets consist of
    // many small nodes, and one allocation per node keeps parsing cheap.
    alignas(std::max_align_t) std::byte inline_[448];
    std::pmr::monotonic_buffer_resource arena_{inline_, sizeof inline_};
    mutable std::pmr::vector<VarSlot> vars_{&arena_};
    std::pmr::vector<std::shared_ptr<ScriptNode>> grps_{&arena_};
    std::pmr::vector<std::shared_ptr<ScriptVarList>> lists_{&arena_};
    // Built once a node grows past a handful of children; keys view the
    // children's own names, which never change.
    std::unique_ptr<std::unordered_map<std::string_view, Slot>> index_;
    // One bit per hash of the names registered since the last clear: a clear
    // bit answers "no such child" without a scan, which is what the duplicate
    // check of every parsed child asks.
    uint64_t nameBits_ = 0;
    ScriptOptions options_;
    int32_t errNumber_ = 0;
    std::string errMessage_;
};
