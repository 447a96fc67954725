#include "messaging/scriptelement.h"

namespace {

class StringWriter : public pugi::xml_writer {
  public:
    explicit StringWriter(std::string& out) : out_(out) {}
    void write(const void* data, size_t size) override {
        out_.append(static_cast<const char*>(data), size);
    }

  private:
    std::string& out_;
};

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
#define CT_NODE_BLOCK_CACHE 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CT_NODE_BLOCK_CACHE 0
#endif
#endif
#ifndef CT_NODE_BLOCK_CACHE
#define CT_NODE_BLOCK_CACHE 1
#endif

namespace {

// Blocks of one size (the first size asked for: a node with its control
// block); other sizes pass straight to the heap. Never freed, so a node that
// dies during the thread's exit still has a cache to return to.
struct NodeBlockCache {
    std::size_t size = 0;
    std::vector<void*> blocks;
};
constexpr std::size_t kMaxCachedBlocks = 256;

NodeBlockCache& Cache() {
    thread_local NodeBlockCache* cache = new NodeBlockCache;
    return *cache;
}

}  // namespace

void* TakeNodeBlock(std::size_t size) {
    if (CT_NODE_BLOCK_CACHE) {
        NodeBlockCache& c = Cache();
        if (c.size == 0) c.size = size;
        if (size == c.size && !c.blocks.empty()) {
            void* p = c.blocks.back();
            c.blocks.pop_back();
            return p;
        }
    }
    return ::operator new(size);
}

void GiveNodeBlock(void* block, std::size_t size) {
    if (CT_NODE_BLOCK_CACHE) {
        NodeBlockCache& c = Cache();
        if (size == c.size && c.blocks.size() < kMaxCachedBlocks) {
            try {
                c.blocks.push_back(block);
                return;
            } catch (...) {
                // no room to remember it: the heap takes it back
            }
        }
    }
    ::operator delete(block);
}

pugi::xml_node ScriptDom::Parking() {
    if (!parking_) parking_ = doc.append_child("free");
    return parking_;
}

std::string ScriptElement::xml() const {
    std::string out;
    if (!el_) return out;
    StringWriter writer(out);
    el_.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return out;
}

void ScriptElement::ReleaseChild(ScriptElement& child, long useCount) {
    child.owner_ = nullptr;
    if (useCount > 1) {
        child.dom_->Parking().append_move(child.el_);
    } else {
        child.ParkHeldDescendants();
    }
}

void ScriptElement::TakeFromOwner(ScriptElement& child, ScriptOwner* newOwner) {
    if (child.owner_ != nullptr && child.owner_ != newOwner) child.owner_->Forget(&child);
    child.owner_ = newOwner;
}

void ScriptElement::FreeIfParked() {
    if (el_ && Parked()) {
        dom_->Parking().remove_child(el_);
        el_ = pugi::xml_node();
    }
}

std::string ElementText(pugi::xml_node el) {
    pugi::xml_node first = el.first_child();
    if (!first) return {};
    // The common case: one text child.
    if (!first.next_sibling() &&
        (first.type() == pugi::node_pcdata || first.type() == pugi::node_cdata)) {
        return first.value();
    }
    std::string out;
    for (pugi::xml_node n = first; n;) {
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) out += n.value();
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && n != el && !n.next_sibling())
            n = n.parent();
        if (!n || n == el) break;
        n = n.next_sibling();
    }
    return out;
}

void SetElementText(pugi::xml_node el, std::string_view value, bool cdata) {
    el.remove_children();
    if (value.empty()) return;
    pugi::xml_node t = el.append_child(cdata ? pugi::node_cdata : pugi::node_pcdata);
    t.set_value(value.data(), value.size());
}

std::vector<std::string> SplitColumns(const std::string& cols) {
    std::vector<std::string> out;
    if (cols.empty()) return out;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = cols.find(',', start);
        out.emplace_back(cols.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}
