#include "messaging/scriptdocument.h"

namespace {

// Whitespace-only text is kept when it is an element's only content, so a
// value of blanks survives a round trip while indentation is ignored.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;

}  // namespace

ScriptDocument::ScriptDocument() = default;

const std::shared_ptr<ScriptDom>& ScriptDocument::Dom() {
    if (!dom_) dom_ = std::make_shared<ScriptDom>();
    return dom_;
}

ScriptDocument::~ScriptDocument() = default;

void ScriptDocument::RemoveScrRoot() {
    root_.reset();
    auto dom = std::make_shared<ScriptDom>();
    dom->doc.load_string("<A></A>", kParseOptions);
    dom_ = std::move(dom);
}

bool ScriptDocument::LoadXML(std::string_view text) {
    try {
        auto dom = std::make_shared<ScriptDom>();
        auto result =
            dom->doc.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
        return Loaded(result, std::move(dom));
    } catch (const std::exception& e) {
        root_.reset();
        errNumber_ = pugi::status_out_of_memory;
        errMessage_ = e.what();
        return false;
    }
}

bool ScriptDocument::Load(const std::string& source) {
    std::string path = source;
    if (path.rfind("file://", 0) == 0) path = path.substr(7);
    try {
        auto dom = std::make_shared<ScriptDom>();
        auto result = dom->doc.load_file(path.c_str(), kParseOptions, pugi::encoding_auto);
        return Loaded(result, std::move(dom));
    } catch (const std::exception& e) {
        root_.reset();
        errNumber_ = pugi::status_out_of_memory;
        errMessage_ = e.what();
        return false;
    }
}

bool ScriptDocument::Loaded(const pugi::xml_parse_result& result, std::shared_ptr<ScriptDom> dom) {
    root_.reset();
    dom_ = std::move(dom);
    if (!result) {
        errNumber_ = static_cast<int32_t>(result.status);
        errMessage_ = result.description();
        return false;
    }
    pugi::xml_node el = dom_->doc.document_element();
    if (!el) {
        errNumber_ = pugi::status_no_document_element;
        errMessage_ = "No document element found";
        return false;
    }
    auto root = std::make_shared<ScriptNode>(dom_, el, options_);
    bool ok = root->Parse(0);
    errNumber_ = root->ErrNumber();
    errMessage_ = root->ErrMessage();
    if (ok) root_ = std::move(root);
    return ok;
}

pugi::xml_node ScriptDocument::NewElement(const char* tag, const std::string* id) {
    pugi::xml_node el = Dom()->Parking().append_child(tag);
    if (id != nullptr) el.append_attribute("id").set_value(id->c_str());
    return el;
}

std::shared_ptr<ScriptVariable> ScriptDocument::CreateVariable(const std::string& name,
                                                               const std::string& value,
                                                               bool cdata) {
    try {
        pugi::xml_node el = NewElement(kElemVar, &name);
        SetElementText(el, value, cdata);
        return std::make_shared<ScriptVariable>(dom_, el, name);
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::shared_ptr<ScriptVarList> ScriptDocument::CreateVarList(const std::string& name,
                                                             const std::string& cols) {
    try {
        pugi::xml_node el = NewElement(kElemList, &name);
        el.append_attribute("cols").set_value(cols.c_str());
        return std::make_shared<ScriptVarList>(dom_, el, options_, name, SplitColumns(cols));
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::shared_ptr<ScriptNode> ScriptDocument::CreateVarRow() {
    try {
        pugi::xml_node el = NewElement(kElemRow, nullptr);
        return std::make_shared<ScriptNode>(dom_, el, options_);
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::shared_ptr<ScriptNode> ScriptDocument::CreateVarGrp(const std::string& name) {
    return CreateDocument(name);
}

std::shared_ptr<ScriptNode> ScriptDocument::CreateDocument(const std::string& name,
                                                           const std::string& type,
                                                           const std::string& src,
                                                           const std::string& dir) {
    try {
        pugi::xml_node el = NewElement(kElemGrp, &name);
        if (!type.empty()) el.append_attribute("type").set_value(type.c_str());
        if (!src.empty()) el.append_attribute("src").set_value(src.c_str());
        if (!dir.empty()) el.append_attribute("dir").set_value(dir.c_str());
        return std::make_shared<ScriptNode>(dom_, el, options_, name);
    } catch (const std::exception&) {
        return nullptr;
    }
}
