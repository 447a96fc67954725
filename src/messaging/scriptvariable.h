#pragma once
// One named scalar of a variable document: a "VAR" element whose value is its text.
#include <memory>
#include <string>

#include "messaging/scriptelement.h"

class ScriptVariable : public ScriptElement {
  public:
    // Wraps an existing "VAR" element; the document and nodes create these.
    ScriptVariable(std::shared_ptr<ScriptDom> dom, pugi::xml_node el, std::string name)
        : ScriptElement(std::move(dom), el, std::move(name)) {}
    ~ScriptVariable() override { FreeIfParked(); }

    std::string NodeType() const { return "VAR"; }
    std::string Value() const { return ElementText(el_); }
    // Replaces the element's content by the text (a CDATA section is not kept).
    void SetValue(const std::string& value) { SetElementText(el_, value, false); }
};
