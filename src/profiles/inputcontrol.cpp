#include "profiles/inputcontrol.h"

void InputControl::AddItem(const std::string& text, int32_t itemData) {
    rows_.push_back({{text}, itemData});
}

void InputControl::AddRow(std::vector<std::string> columns, int32_t itemData) {
    rows_.push_back({std::move(columns), itemData});
}

void InputControl::ClearList() {
    rows_.clear();
    listIndex_ = -1;
}

int32_t InputControl::ItemData(int index) const {
    if (index < 0 || index >= ListCount()) return 0;
    return rows_[static_cast<std::size_t>(index)].itemData;
}

std::string InputControl::ColList(int row, int column) const {
    if (row < 0 || row >= ListCount() || column < 0) return "";
    const auto& cols = rows_[static_cast<std::size_t>(row)].columns;
    return static_cast<std::size_t>(column) < cols.size() ? cols[static_cast<std::size_t>(column)]
                                                          : std::string();
}

void InputControl::SetListIndex(int index) {
    listIndex_ = index >= 0 && index < ListCount() ? index : -1;
}
