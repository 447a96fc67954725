#include "messaging/scriptdocument.h"

#include <cstdint>
#include <cstring>

namespace {

// Whitespace-only text is kept when it is an element's only content, so a
// value of blanks survives a round trip while indentation is ignored.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;

// The length of the valid UTF-8 sequence starting at `p`, 0 when it is not
// one (overlong forms, surrogates and code points past U+10FFFF included).
std::size_t Utf8Sequence(const unsigned char* p, const unsigned char* end) {
    const unsigned char c = p[0];
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // bounds of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (static_cast<std::size_t>(end - p) < len || p[1] < lo || p[1] > hi) return 0;
    for (std::size_t i = 2; i < len; ++i)
        if ((p[i] & 0xC0) != 0x80) return 0;
    return len;
}

// The offset of the first byte that is not valid UTF-8; npos when all are.
// Packets are nearly always plain ASCII, so whole words are tested at a time.
std::size_t InvalidUtf8At(std::string_view text) {
    const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* p = begin;
    const unsigned char* end = begin + text.size();
    constexpr uint64_t kHigh = 0x8080808080808080ULL;
    while (p < end) {
        if (end - p >= 32) {
            uint64_t w[4];
            std::memcpy(w, p, sizeof w);
            if (((w[0] | w[1] | w[2] | w[3]) & kHigh) == 0) {
                p += 32;
                continue;
            }
        }
        if (end - p >= 8) {
            uint64_t word;
            std::memcpy(&word, p, 8);
            if ((word & kHigh) == 0) {
                p += 8;
                continue;
            }
        }
        if (*p < 0x80) {
            ++p;
            continue;
        }
        std::size_t len = Utf8Sequence(p, end);
        if (len == 0) return static_cast<std::size_t>(p - begin);
        p += len;
    }
    return std::string_view::npos;
}

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
    // The DOM parser passes bytes through unchecked; text that is not UTF-8
    // is malformed and must not travel on in a packet.
    if (std::size_t bad = InvalidUtf8At(text); bad != std::string_view::npos) {
        root_.reset();
        dom_ = std::make_shared<ScriptDom>();
        errNumber_ = pugi::status_bad_pcdata;
        errMessage_ = "Invalid UTF-8 byte sequence at offset " + std::to_string(bad);
        return false;
    }
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
    // The DOM parser accepts a sequence of elements; a document has one.
    for (pugi::xml_node n = el.next_sibling(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element) continue;
        errNumber_ = pugi::status_bad_start_element;
        errMessage_ = std::string("Only one top level element is allowed in a document: ") +
                      n.name() + " follows " + el.name();
        return false;
    }
    auto root = MakeNode<ScriptNode>(dom_, el, options_);
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
