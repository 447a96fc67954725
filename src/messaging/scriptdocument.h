#pragma once
// A variable document: parses packet text into nodes, variables and lists,
// and makes the free elements senders assemble packets from.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "messaging/scriptelement.h"
#include "messaging/scriptnode.h"
#include "messaging/scriptvariable.h"
#include "messaging/scriptvarlist.h"

class ScriptDocument {
  public:
    ScriptDocument();
    ~ScriptDocument();
    ScriptDocument(const ScriptDocument&) = delete;
    ScriptDocument& operator=(const ScriptDocument&) = delete;

    // The root node after a successful load; nothing otherwise.
    std::shared_ptr<ScriptNode> ScrRoot() const { return root_; }
    // 0 after a successful load; the XML parser's status number or a
    // variable-document code (30000...) otherwise.
    int32_t ErrNumber() const { return errNumber_; }
    const std::string& ErrMessage() const { return errMessage_; }
    // Handed down to every node, list and row parsed or made by this document.
    ScriptOptions& Options() { return options_; }
    const ScriptOptions& Options() const { return options_; }

    // Drops the root and starts over with the empty document "<A></A>".
    void RemoveScrRoot();
    bool LoadXML(std::string_view text);
    // A file path or a file:// URL.
    bool Load(const std::string& source);

    // Free elements of this document, to be attached with AddVar, AddVarGrp,
    // AddVarList and AddNew.
    std::shared_ptr<ScriptVariable> CreateVariable(const std::string& name,
                                                   const std::string& value, bool cdata = false);
    std::shared_ptr<ScriptVarList> CreateVarList(const std::string& name, const std::string& cols);
    std::shared_ptr<ScriptNode> CreateVarRow();
    std::shared_ptr<ScriptNode> CreateVarGrp(const std::string& name);
    // The outermost group; "type", "src" and "dir" are written when not empty.
    std::shared_ptr<ScriptNode> CreateDocument(const std::string& name,
                                               const std::string& type = {},
                                               const std::string& src = {},
                                               const std::string& dir = {});

  private:
    bool Loaded(const pugi::xml_parse_result& result, std::shared_ptr<ScriptDom> dom);
    pugi::xml_node NewElement(const char* tag, const std::string* id);
    // The DOM the factories use; made on first use.
    const std::shared_ptr<ScriptDom>& Dom();

    std::shared_ptr<ScriptDom> dom_;
    std::shared_ptr<ScriptNode> root_;
    ScriptOptions options_;
    int32_t errNumber_ = 0;
    std::string errMessage_;
};
