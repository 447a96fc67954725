// Feeds arbitrary text to the variable-document parser. The first byte picks
// the four parse options. A document that loads is walked, edited and
// re-serialised; its markup must load again and be stable from then on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "messaging/scriptdocument.h"

namespace {

void Walk(const std::shared_ptr<ScriptNode>& node, int depth) {
    if (!node || depth > 8) return;
    for (const auto& k : node->VarKeys())
        (void)node->Var(k);
    for (const auto& k : node->VarGrpKeys())
        Walk(node->GetVarGrp(k), depth + 1);
    for (const auto& k : node->VarListKeys()) {
        auto list = node->GetVarList(k);
        list->MoveFirst();
        do {
            for (const auto& c : list->Columns())
                (void)list->Field(c);
        } while (list->MoveNext());
        for (int i = 0; i < list->Count(); ++i)
            Walk(list->Item(i), depth + 1);
    }
}

std::string Reload(const ScriptOptions& options, const std::string& text) {
    ScriptDocument doc;
    doc.Options() = options;
    if (!doc.LoadXML(text)) {
        // Markup we produced from a loaded document must load again.
        std::abort();
    }
    return doc.ScrRoot()->xml();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    ScriptOptions options;
    options.IgnoreDupNode = (data[0] & 1) != 0;
    options.IgnoreBadNode = (data[0] & 2) != 0;
    options.IgnoreUnknownNode = (data[0] & 4) != 0;
    options.IgnoreFieldCheck = (data[0] & 8) != 0;
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    ScriptDocument doc;
    doc.Options() = options;
    if (!doc.LoadXML(text)) return 0;
    auto root = doc.ScrRoot();
    Walk(root, 0);

    std::string once = Reload(options, root->xml());
    if (Reload(options, once) != once) std::abort();

    // Edits: move children between nodes, drop some, build a row.
    auto grpKeys = root->VarGrpKeys();
    if (grpKeys.size() >= 2) {
        root->GetVarGrp(grpKeys[0])->Merge(*root->GetVarGrp(grpKeys[1]));
    }
    auto held = root->VarListCount() > 0 ? root->GetVarList(root->VarListName(0)) : nullptr;
    if (held) {
        auto copy = held->GetList("");
        if (held->Count() > 0) held->Del(0);
        if (copy) held->Merge(*copy);
        held->Sort(held->Columns().empty() ? "" : held->Columns()[0]);
    }
    for (const auto& k : root->VarKeys())
        root->DelVar(k);
    auto row = doc.CreateVarRow();
    row->SetVar("x", text.substr(0, 16));
    if (held) held->AddNew(row);
    Reload(options, root->xml());
    doc.RemoveScrRoot();
    if (held) (void)held->xml();  // still valid after its document moved on
    return 0;
}
