#pragma once
// What the evaluated queries show to a script: a list ("VarList", "GWList"),
// a group or row ("GW", rows of a list) and the result dictionary ("Result").
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "messaging/vbscriptvalue.h"

class ScriptNode;
class ScriptVarList;

// Count, Item(i), Field(name) / Var(name), MoveFirst, MoveNext, Name.
class VBListObject : public VBObject {
  public:
    explicit VBListObject(std::shared_ptr<ScriptVarList> list) : list_(std::move(list)) {}
    bool HasMember(std::string_view name) const override;
    bool Invoke(std::string_view name, std::vector<VBValue>& args, VBValue& out,
                VBError& err) override;

  private:
    std::shared_ptr<ScriptVarList> list_;
};

// Var(name), VarExists, VarGrpExists, VarListExists, VarGrp(name),
// VarList(name), VarCount, VarGrpCount, VarListCount, Name.
class VBNodeObject : public VBObject {
  public:
    explicit VBNodeObject(std::shared_ptr<ScriptNode> node) : node_(std::move(node)) {}
    bool HasMember(std::string_view name) const override;
    bool Invoke(std::string_view name, std::vector<VBValue>& args, VBValue& out,
                VBError& err) override;

  private:
    std::shared_ptr<ScriptNode> node_;
};

// A dictionary of text keys in insertion order: d(key) and d.Item(key) read
// and assign, Exists, Count, Add, Remove.
class VBDictionary : public VBObject {
  public:
    bool HasMember(std::string_view name) const override;
    bool Invoke(std::string_view name, std::vector<VBValue>& args, VBValue& out,
                VBError& err) override;
    bool Assign(std::string_view name, std::vector<VBValue>& args, const VBValue& value,
                VBError& err) override;

    VBValue Get(const std::string& key) const;
    void Set(const std::string& key, VBValue value);
    bool Exists(const std::string& key) const;

  private:
    std::vector<std::pair<std::string, VBValue>> items_;
    std::unordered_map<std::string, std::size_t> index_;
};
