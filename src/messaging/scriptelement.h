#pragma once
// The common ground of the variable-document classes: the DOM they share, the
// parse options handed down the tree, the error codes, and the base class that
// ties one object to one element of the DOM.
//
// Lifetime rules (why the code below looks the way it does):
// - Every object keeps the DOM alive through a shared pointer, so a handle kept
//   by a caller never outlives the nodes it points into.
// - A free element (made by a factory, or detached by a Del... call) waits
//   under a hidden parking element until it is attached. When the last owner
//   of a parked object lets go, the element is freed; children still held by
//   someone else are parked first, so their handles stay valid.
// - An object is registered in at most one node or list at a time; attaching
//   it elsewhere moves both the element and the registration.
#include <pugixml.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct ScriptOptions {
    bool IgnoreDupNode = false;
    bool IgnoreBadNode = false;
    bool IgnoreUnknownNode = false;
    bool IgnoreFieldCheck = false;
};

// Error codes of the variable document.
enum : int32_t {
    kScrErrMissingAttr = 30000,
    kScrErrBadCols = 30001,
    kScrErrBadNode = 30002,
    kScrErrDuplicate = 30004,
    kScrErrMissingColumn = 30006,
};

// Groups, lists and rows nested deeper than this are refused (30002): the
// parser recurses, and a packet must not be able to exhaust the stack.
inline constexpr int kMaxScriptDepth = 200;

// Element names of the format.
inline constexpr const char* kElemVar = "VAR";
inline constexpr const char* kElemGrp = "VARGRP";
inline constexpr const char* kElemList = "VARLIST";
inline constexpr const char* kElemRow = "VARROW";

class ScriptDom {
  public:
    pugi::xml_document doc;
    // Created on first use, after the document element when there is one.
    pugi::xml_node Parking();
    bool IsParked(pugi::xml_node el) const { return parking_ && el.parent() == parking_; }

  private:
    pugi::xml_node parking_;
};

class ScriptElement;

// A node or list that registers children; lets a child that moves elsewhere
// drop out of its previous container.
class ScriptOwner {
  public:
    virtual void Forget(const ScriptElement* child) = 0;

  protected:
    ~ScriptOwner() = default;
};

class ScriptElement {
  public:
    ScriptElement(const ScriptElement&) = delete;
    ScriptElement& operator=(const ScriptElement&) = delete;
    virtual ~ScriptElement() = default;

    // The element's markup: no declaration, attributes and children in order.
    std::string xml() const;
    const std::string& Name() const { return name_; }
    // For the tests and the interpreter; not needed by callers.
    pugi::xml_node Element() const { return el_; }

  protected:
    ScriptElement(std::shared_ptr<ScriptDom> dom, pugi::xml_node el, std::string name)
        : dom_(std::move(dom)), el_(el), name_(std::move(name)) {}

    // Moves externally held descendants to the parking element so that this
    // object's subtree can be freed without invalidating their handles.
    virtual void ParkHeldDescendants() {}

    // Called before a container lets go of `child` (whose shared pointer has
    // `useCount` owners): parks the child's element when someone else holds
    // it, else parks its held descendants; clears the child's registration.
    static void ReleaseChild(ScriptElement& child, long useCount);
    // Moves `child` out of its previous container before it is registered here.
    static void TakeFromOwner(ScriptElement& child, ScriptOwner* newOwner);
    static void SetOwner(ScriptElement& child, ScriptOwner* owner) { child.owner_ = owner; }
    static ScriptOwner* OwnerOf(const ScriptElement& child) { return child.owner_; }
    static const std::shared_ptr<ScriptDom>& DomOf(const ScriptElement& e) { return e.dom_; }
    static pugi::xml_node ElementOf(const ScriptElement& e) { return e.el_; }

    // Frees this object's element when it is parked; called by the destructors
    // of the derived classes after their children were released.
    void FreeIfParked();
    bool Parked() const { return dom_->IsParked(el_); }

    std::shared_ptr<ScriptDom> dom_;
    pugi::xml_node el_;
    std::string name_;
    ScriptOwner* owner_ = nullptr;
};

// Parsing a packet makes a few dozen nodes that die together soon after; the
// blocks of the last ones are kept per thread for the next packet instead of
// going back to the heap. (Sanitizer builds use the heap directly, so that
// use after free is still caught.)
void* TakeNodeBlock(std::size_t size);
void GiveNodeBlock(void* block, std::size_t size);

template <class T>
struct NodeBlockAllocator {
    using value_type = T;
    NodeBlockAllocator() = default;
    template <class U>
    NodeBlockAllocator(const NodeBlockAllocator<U>&) {}
    T* allocate(std::size_t n) { return static_cast<T*>(TakeNodeBlock(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) { GiveNodeBlock(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const NodeBlockAllocator<U>&) const {
        return true;
    }
};

// A shared object whose block comes from the node block cache.
template <class T, class... Args>
std::shared_ptr<T> MakeNode(Args&&... args) {
    return std::allocate_shared<T>(NodeBlockAllocator<T>(), std::forward<Args>(args)...);
}

// The element's full text: every text and CDATA descendant, in order.
std::string ElementText(pugi::xml_node el);
// Replaces the element's children by one text (or CDATA) child; none for "".
void SetElementText(pugi::xml_node el, std::string_view value, bool cdata);
// VBScript Split on ",": no trimming; the empty text gives no column.
std::vector<std::string> SplitColumns(const std::string& cols);
