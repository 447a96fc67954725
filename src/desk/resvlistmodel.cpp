#include "desk/resvlistmodel.h"

#include <QMimeData>

#include "app/planlook.h"
#include "app/profileargs.h"
#include "core/mltext.h"
#include "desk/planscene.h"
#include "desk/qtuserinterface.h"
#include "profiles/profiledefinition.h"
#include "profiles/profilefield.h"
#include "reservations/reservations.h"

ResvListModel::ResvListModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResvListModel::SetList(ProfileDefinition* def, const Reservations* list) {
    def_ = def;
    list_ = list;
    Refresh();
}

void ResvListModel::SetSearch(const std::string& text) {
    if (text == search_) return;
    search_ = text;
    Refresh();
}

void ResvListModel::Refresh() {
    beginResetModel();
    columns_ = def_ != nullptr ? def_->ListedFields() : std::vector<ProfileField*>{};
    rows_.clear();
    cells_.clear();
    if (list_ != nullptr) {
        for (const auto& [id, r] : list_->Items()) {
            if (!ReservationMatches(*r, search_)) continue;
            rows_.push_back(id);
            std::vector<QString> cells{QString::number(id)};
            for (ProfileField* f : columns_)
                cells.push_back(ToQ(DisplayText(*f, r->GetFieldText(f->ProfileCode()))));
            cells_.push_back(std::move(cells));
        }
    }
    endResetModel();
}

int32_t ResvListModel::ReserveIDAt(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < rows_.size() ? rows_[row] : 0;
}

int ResvListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResvListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size()) + 1;
}

QVariant ResvListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    const auto col = static_cast<std::size_t>(index.column());
    if (row >= cells_.size() || col >= cells_[row].size()) return {};
    return cells_[row][col];
}

QVariant ResvListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    if (section == 0) return ToQ(GetMLText("ID"));
    const auto col = static_cast<std::size_t>(section - 1);
    return col < columns_.size() ? ToQ(columns_[col]->ResvListHeader()) : QVariant();
}

Qt::ItemFlags ResvListModel::flags(const QModelIndex& index) const {
    return QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled;
}

QStringList ResvListModel::mimeTypes() const {
    return {QString::fromLatin1(kReserveIDMime)};
}

QMimeData* ResvListModel::mimeData(const QModelIndexList& indexes) const {
    if (indexes.isEmpty()) return nullptr;
    auto* data = new QMimeData;
    data->setData(kReserveIDMime, QByteArray::number(ReserveIDAt(indexes.front().row())));
    return data;
}
