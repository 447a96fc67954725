#include "desk/planscene.h"

#include <QGraphicsSceneDragDropEvent>
#include <QGraphicsSceneMouseEvent>
#include <QMimeData>
#include <QPainter>
#include <cmath>
#include <numbers>

#include "core/globals.h"
#include "desk/qtuserinterface.h"
#include "venue/floorplan.h"
#include "views/planview.h"

namespace {

constexpr qreal kSeatRadius = 6;
constexpr qreal kSeatGap = 9;  // from the table's edge to a seat's centre
constexpr int kRoundShape = 2;
constexpr int32_t kNoStateGrey = 0xD8D8D8;

// Dark text on light fills, light text on dark ones.
QColor TextColorOn(const QColor& fill) {
    const int luma = (fill.red() * 299 + fill.green() * 587 + fill.blue() * 114) / 1000;
    return luma < 120 ? Qt::white : Qt::black;
}

void Badge(QPainter& p, const QPointF& centre, const QColor& colour, const QString& letter) {
    const qreal r = 7;
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(colour);
    p.drawEllipse(centre, r, r);
    QFont f = p.font();
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), Qt::AlignCenter, letter);
}

}  // namespace

QColor ToQColor(int32_t value) {
    return QColor((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

TableItem::TableItem(const FPTable& table, int fontSize)
    : tableNo_(table.TableNo()),
      width_(std::max(table.TWidth(), 10)),
      height_(std::max(table.THeight(), 10)),
      capacity_(std::max(table.TCapacity(), 0)),
      shape_(table.TShapeID()),
      startAngle_(table.StartAngle()),
      fontSize_(fontSize > 0 ? fontSize : kDefaultTableFontSize) {
    setPos(table.XCoord(), table.YCoord());
    setToolTip(ToQ(tableNo_));
    // Tables are picked for bookings and actions (Ctrl+click adds one); a
    // waiting party may be dropped on one.
    setFlag(QGraphicsItem::ItemIsSelectable);
    setAcceptDrops(true);
}

void TableItem::SetLook(TableLook look) {
    const bool same = look.state == look_.state && look.color == look_.color &&
                      look.held == look_.held && look.blocked == look_.blocked &&
                      look.shared == look_.shared && look.blockRemark == look_.blockRemark &&
                      look.bookings.size() == look_.bookings.size() &&
                      std::equal(look.bookings.begin(), look.bookings.end(), look_.bookings.begin(),
                                 [](const TableBooking& a, const TableBooking& b) {
                                     return a.reserveID == b.reserveID && a.time == b.time &&
                                            a.covers == b.covers && a.name == b.name;
                                 });
    if (same) return;
    look_ = std::move(look);
    QString tip = ToQ(tableNo_);
    if (look_.state != "-") tip += QStringLiteral(" (%1)").arg(ToQ(look_.state));
    if (look_.blocked) tip += QStringLiteral("\nBlocked: ") + ToQ(look_.blockRemark);
    for (const TableBooking& b : look_.bookings)
        tip += QStringLiteral("\n%1  %2  %3").arg(ToQ(b.time), ToQ(b.covers), ToQ(b.name));
    setToolTip(tip);
    update();
}

QColor TableItem::FillColor() const {
    return ToQColor(look_.color >= 0 ? look_.color : kNoStateGrey);
}

QRectF TableItem::boundingRect() const {
    const qreal m = kSeatGap + kSeatRadius + 2;
    return QRectF(-m, -m, width_ + 2 * m, height_ + 2 * m);
}

void TableItem::PaintSeats(QPainter& p) const {
    if (capacity_ <= 0) return;
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1));
    p.setBrush(QColor(0xF4, 0xF1, 0xE8));
    std::vector<QPointF> seats;
    if (shape_ == kRoundShape) {
        const qreal rx = width_ / 2.0 + kSeatGap, ry = height_ / 2.0 + kSeatGap;
        for (int i = 0; i < capacity_; ++i) {
            const qreal a = (startAngle_ + 360.0 * i / capacity_ - 90) * std::numbers::pi / 180;
            seats.emplace_back(width_ / 2.0 + rx * std::cos(a), height_ / 2.0 + ry * std::sin(a));
        }
    } else {
        // Along the two long sides; an odd seat goes to the top.
        const bool wide = width_ >= height_;
        const int first = (capacity_ + 1) / 2, second = capacity_ - first;
        auto side = [&](int count, bool near) {
            for (int i = 0; i < count; ++i) {
                const qreal along = (wide ? width_ : height_) * (i + 0.5) / count;
                const qreal off = near ? -kSeatGap : (wide ? height_ : width_) + kSeatGap;
                seats.push_back(wide ? QPointF(along, off) : QPointF(off, along));
            }
        };
        side(first, true);
        side(second, false);
    }
    for (const QPointF& s : seats)
        p.drawEllipse(s, kSeatRadius, kSeatRadius);
}

void TableItem::PaintMarks(QPainter& p) const {
    if (look_.blocked) {
        p.setPen(Qt::NoPen);
        p.setBrush(QBrush(QColor(0xC0, 0x10, 0x10), Qt::BDiagPattern));
        if (shape_ == kRoundShape)
            p.drawEllipse(QRectF(0, 0, width_, height_));
        else
            p.drawRect(QRectF(0, 0, width_, height_));
        Badge(p, QPointF(width_ - 2, height_ - 2), QColor(0xC0, 0x10, 0x10), QStringLiteral("B"));
    }
    if (look_.held) Badge(p, QPointF(width_ - 2, 2), QColor(0xE0, 0x8A, 0x00), QStringLiteral("H"));
    if (look_.shared) Badge(p, QPointF(2, 2), QColor(0x20, 0x50, 0xB0), QStringLiteral("S"));
}

void TableItem::PaintText(QPainter& p) const {
    const QColor fill = FillColor();
    p.setPen(TextColorOn(fill));
    QFont f = p.font();
    f.setPixelSize(fontSize_);
    f.setBold(true);
    p.setFont(f);
    const QRectF inner(3, 2, width_ - 6, height_ - 4);
    const qreal line = QFontMetricsF(f).height();
    p.drawText(QRectF(inner.x(), inner.y(), inner.width(), line), Qt::AlignHCenter | Qt::AlignTop,
               ToQ(tableNo_));
    f.setBold(false);
    f.setPixelSize(std::max(8, fontSize_ - 3));
    p.setFont(f);
    const QFontMetricsF fm(f);
    qreal y = inner.y() + line;
    for (std::size_t i = 0; i < look_.bookings.size(); ++i) {
        const bool last = y + 2 * fm.height() > inner.bottom() && i + 1 < look_.bookings.size();
        if (y + fm.height() > inner.bottom() + 1) break;
        const TableBooking& b = look_.bookings[i];
        QString text =
            last ? QStringLiteral("+%1").arg(look_.bookings.size() - i)
                 : QStringLiteral("%1 %2 %3").arg(ToQ(b.time), ToQ(b.covers), ToQ(b.name));
        text = fm.elidedText(text, Qt::ElideRight, inner.width());
        p.drawText(QRectF(inner.x(), y, inner.width(), fm.height()), Qt::AlignHCenter, text);
        y += fm.height();
        if (last) break;
    }
}

void TableItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    QPainter& p = *painter;
    p.setRenderHint(QPainter::Antialiasing);
    PaintSeats(p);
    p.setPen(QPen(look_.shared ? QColor(0x20, 0x50, 0xB0) : QColor(0x30, 0x30, 0x30),
                  look_.shared ? 2 : 1, look_.shared ? Qt::DashLine : Qt::SolidLine));
    p.setBrush(FillColor());
    const QRectF r(0, 0, width_, height_);
    if (shape_ == kRoundShape)
        p.drawEllipse(r);
    else
        p.drawRoundedRect(r, 4, 4);
    PaintMarks(p);
    PaintText(p);
    if (isSelected()) {
        p.setPen(QPen(QColor(0x10, 0x60, 0xE0), 3));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(-4, -4, 4, 4));
    }
}

// A right click acts on the table under the mouse: it is picked (alone,
// unless it was picked already or Ctrl is held) before the menu opens. Left
// alone, the scene would drop every pick, as for a click on no table.
void TableItem::mousePressEvent(QGraphicsSceneMouseEvent* event) {
    if (event->button() != Qt::RightButton) {
        QGraphicsItem::mousePressEvent(event);
        return;
    }
    if (!isSelected()) {
        if (!(event->modifiers() & Qt::ControlModifier) && scene() != nullptr)
            scene()->clearSelection();
        setSelected(true);
    }
    event->accept();
}

void TableItem::dragEnterEvent(QGraphicsSceneDragDropEvent* event) {
    event->setAccepted(event->mimeData()->hasFormat(kReserveIDMime));
}

void TableItem::dropEvent(QGraphicsSceneDragDropEvent* event) {
    const int32_t id = event->mimeData()->data(kReserveIDMime).toInt();
    if (auto* plan = dynamic_cast<PlanScene*>(scene()); plan != nullptr && id > 0) {
        event->acceptProposedAction();
        plan->Dropped(id, tableNo_);
    }
}

PlanScene::PlanScene(const FloorPlan& plan, QObject* parent)
    : QGraphicsScene(parent), fpID_(plan.FPID()) {
    const int w = std::max(plan.FPWidth(), 100), h = std::max(plan.FPHeight(), 100);
    setSceneRect(0, 0, w, h);
    setBackgroundBrush(ToQColor(plan.BgColor() != 0 ? plan.BgColor() : 0xFFFFFF));
    // Items never move; without the index a repaint of one table is cheap.
    setItemIndexMethod(QGraphicsScene::NoIndex);
    for (const auto& [no, table] : plan.FPTables()) {
        if (table.IsDeleted()) continue;
        auto* item = new TableItem(table, plan.TableFontSize());
        addItem(item);
        items_[no] = item;
    }
}

TableItem* PlanScene::Item(const std::string& tableNo) const {
    auto it = items_.find(tableNo);
    return it == items_.end() ? nullptr : it->second;
}

void RepaintTables(const std::vector<PlanScene*>& scenes, PlanView& view, const ColorDefs& colors,
                   ColorMode mode, const std::vector<std::string>* only) {
    std::vector<std::pair<TableItem*, std::string>> work;
    for (PlanScene* scene : scenes) {
        if (only == nullptr) {
            for (const auto& [no, item] : scene->Items())
                work.emplace_back(item, no);
        } else {
            for (const std::string& no : *only)
                if (TableItem* item = scene->Item(no)) work.emplace_back(item, no);
        }
    }
    std::map<int32_t, DateTime> arrivals;
    if (view.Kind().liveStates && view.GetSQLDB() != nullptr) {
        std::vector<const TableStatus*> tables;
        for (const auto& [item, no] : work)
            if (const TableStatus* s = view.GetTableStatus(no)) tables.push_back(s);
        arrivals = SeatedArrivals(*view.GetSQLDB(), tables, mode == ColorMode::ByTime);
    }
    const DateTime now = DateTime::Now();
    for (const auto& [item, no] : work)
        item->SetLook(LookOfTable(view, no, colors, mode, arrivals, now));
}
