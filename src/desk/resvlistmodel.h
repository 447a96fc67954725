#pragma once
// The day's reservation list beside the plans: one row per reservation of
// the view's full list, one column per listed field of the reservation
// profile (its list header and shown text), after a leading number column.
// A search text keeps the reservations it finds by name, phone or number.
#include <QAbstractTableModel>
#include <string>
#include <vector>

class ProfileDefinition;
class ProfileField;
class Reservations;

class ResvListModel : public QAbstractTableModel {
  public:
    explicit ResvListModel(QObject* parent = nullptr);

    // Shows `list` with the columns of `def` (either may be nullptr: empty).
    void SetList(ProfileDefinition* def, const Reservations* list);
    // Rebuilds the rows from the list (after it changed).
    void Refresh();
    void SetSearch(const std::string& text);
    // The ReserveID shown on `row`.
    int32_t ReserveIDAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    ProfileDefinition* def_ = nullptr;
    const Reservations* list_ = nullptr;
    std::vector<ProfileField*> columns_;
    std::vector<int32_t> rows_;  // ReserveIDs shown, in list order
    std::vector<std::vector<QString>> cells_;
    std::string search_;
};
