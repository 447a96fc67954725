#pragma once
// The drawing of one floor plan: a QGraphicsScene in the plan's own units
// (one unit one pixel at zoom 1) with the plan's background and one item per
// table at its coordinates, drawn from its size, shape and seats and painted
// with the table's look (state colour, held, blocked and shared marks, the
// reservations on it).
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/planlook.h"

class ColorDefs;
class FloorPlan;
class FPTable;
class PlanView;

class TableItem : public QGraphicsItem {
  public:
    enum { Type = UserType + 1 };

    TableItem(const FPTable& table, int fontSize);

    const std::string& TableNo() const { return tableNo_; }
    int Capacity() const { return capacity_; }
    int Shape() const { return shape_; }
    // The table's own rectangle in scene units (without the seats).
    QRectF TableRect() const { return mapRectToScene(QRectF(0, 0, width_, height_)); }
    // Takes a new look and schedules a repaint when it differs.
    void SetLook(TableLook look);
    const TableLook& Look() const { return look_; }
    // The fill the look paints: the state colour, or a neutral grey where
    // the date has no live state.
    QColor FillColor() const;

    int type() const override { return Type; }
    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

  protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void dragEnterEvent(QGraphicsSceneDragDropEvent* event) override;
    void dropEvent(QGraphicsSceneDragDropEvent* event) override;

  private:
    void PaintSeats(QPainter& p) const;
    void PaintMarks(QPainter& p) const;
    void PaintText(QPainter& p) const;

    std::string tableNo_;
    int width_, height_, capacity_, shape_, startAngle_, fontSize_;
    TableLook look_;
};

class PlanScene : public QGraphicsScene {
  public:
    explicit PlanScene(const FloorPlan& plan, QObject* parent = nullptr);

    int32_t FPID() const { return fpID_; }
    // The item of a table number (upper case); nullptr when not on this plan.
    TableItem* Item(const std::string& tableNo) const;
    const std::map<std::string, TableItem*>& Items() const { return items_; }
    // Called with the ReserveID and the table when a reservation of the list
    // is dropped on a table.
    void OnDrop(std::function<void(int32_t, const std::string&)> fn) { onDrop_ = std::move(fn); }
    void Dropped(int32_t id, const std::string& tableNo) const {
        if (onDrop_) onDrop_(id, tableNo);
    }

  private:
    std::function<void(int32_t, const std::string&)> onDrop_;
    int32_t fpID_;
    std::map<std::string, TableItem*> items_;
};

// Repaints the tables of `scenes` from `view`: every table, or those in
// `only` when given. Arrival times are read once for the tables repainted.
void RepaintTables(const std::vector<PlanScene*>& scenes, PlanView& view, const ColorDefs& colors,
                   ColorMode mode, const std::vector<std::string>* only = nullptr);

// The drag format of a reservation from the list: its ReserveID as text.
inline constexpr const char* kReserveIDMime = "application/x-culinarotable-reserveid";

// A colour value 0xRRGGBB as a QColor.
QColor ToQColor(int32_t value);
