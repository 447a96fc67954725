#include "desk/deskactions.h"

#include <QAction>
#include <QDialog>
#include <QKeySequence>
#include <QMenu>
#include <algorithm>

#include "app/booking.h"
#include "app/planlook.h"
#include "app/resvfind.h"
#include "app/shell.h"
#include "app/venueargs.h"
#include "core/mltext.h"
#include "desk/bookingdialog.h"
#include "desk/deskwindow.h"
#include "desk/qtuserinterface.h"
#include "platform/textutil.h"
#include "platform/userinterface.h"
#include "profiles/profilefield.h"
#include "views/resvview.h"

namespace {

std::string Joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& s : items)
        out += (out.empty() ? "" : ",") + s;
    return out;
}

// A free text as one word of a command line.
std::string Quoted(std::string s) {
    for (char& c : s)
        if (c == '"') c = '\'';
    return "\"" + s + "\"";
}

}  // namespace

DeskActions::DeskActions(DeskWindow& window, Shell& shell)
    : QObject(&window), window_(window), shell_(shell) {
    Add("&Book the picked tables...", QKeySequence(Qt::Key_F2), &DeskActions::BookNow);
    Add("&Walk-in at the picked tables...", QKeySequence(Qt::Key_F3), &DeskActions::WalkInNow);
    Add("&Open and change the reservation...", QKeySequence(Qt::Key_F4), &DeskActions::ChangeNow);
    Add("Check &in", QKeySequence(Qt::Key_F5), &DeskActions::CheckIn);
    Add("&Undo the check-in", QKeySequence(Qt::SHIFT | Qt::Key_F5), &DeskActions::UndoCheckIn);
    Add("S&wap the tables of two parties", QKeySequence(Qt::Key_F6), &DeskActions::Swap);
    Add("&POS check of the table", QKeySequence(Qt::Key_F7), &DeskActions::PosCheck);
    Add("&Hold the picked tables", QKeySequence(Qt::Key_F8), &DeskActions::Hold);
    Add("&Release my holds", QKeySequence(Qt::SHIFT | Qt::Key_F8), &DeskActions::ReleaseHolds);
    Add("Bloc&k the picked tables...", QKeySequence(Qt::Key_F9), &DeskActions::Block);
    Add("U&nblock the picked tables", QKeySequence(Qt::SHIFT | Qt::Key_F9), &DeskActions::Unblock);
    Add("&Cancel the reservation...", QKeySequence(Qt::CTRL | Qt::Key_Delete),
        &DeskActions::Cancel);
    Add("Se&ttle the reservation", QKeySequence(Qt::CTRL | Qt::Key_E), &DeskActions::Settle);
    Add("Change co&vers...", QKeySequence(Qt::CTRL | Qt::Key_R), &DeskActions::Covers);
    Add("Move to the picked ta&bles", QKeySequence(Qt::CTRL | Qt::Key_T),
        &DeskActions::ChangeTables);
}

QAction* DeskActions::Add(const char* text, const QKeySequence& key, void (DeskActions::*fn)()) {
    auto* a = new QAction(ToQ(GetMLText(text)), this);
    a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, [this, fn] { (this->*fn)(); });
    actions_.push_back(a);
    return a;
}

void DeskActions::AddTo(QMenu& menu) const {
    for (QAction* a : actions_)
        menu.addAction(a);
}

void DeskActions::Tell(const std::string& text) const {
    UI().MessageBox(text, MsgIcon::Exclamation, "CulinaroTable");
}

void DeskActions::Run(const std::string& line) {
    window_.RunCommand(line);  // reads the change back
}

void DeskActions::Reload() {
    // The relay passes a change on to the other workstations only, so this
    // window reads its own change back from the database.
    window_.Reread();
}

bool DeskActions::ViewWords(std::string& outlet, std::string& date, std::string& period) const {
    const ResvView* view = window_.ShownView();
    if (view == nullptr || !window_.HasPlans()) {
        Tell(GetMLText("Open the current or future view first"));
        return false;
    }
    outlet = std::to_string(view->OutletID());
    date = view->ResvDate().DateText();
    period = std::to_string(view->MPOutletID());
    return true;
}

std::vector<std::string> DeskActions::PickedTables() const {
    std::vector<std::string> tables = window_.SelectedTables();
    if (tables.empty()) Tell(GetMLText("Please select table first"));
    return tables;
}

std::string DeskActions::ChosenResv() const {
    const int32_t id = window_.SelectedReservation();
    if (id > 0) return std::to_string(id);
    Tell(GetMLText("Choose a reservation in the list or a booked table first"));
    return "";
}

void DeskActions::BookNow() {
    Book();
}

void DeskActions::ChangeNow() {
    Change();
}

void DeskActions::WalkInNow() {
    WalkIn();
}

int32_t DeskActions::Book(const std::function<bool(BookingDialog&)>& run) {
    std::string o, d, p;
    if (!ViewWords(o, d, p)) return 0;
    const ResvView& view = *window_.ShownView();
    const std::vector<std::string> tables = window_.SelectedTables();
    Booking b(shell_);
    const Outlet* outlet = FindOutlet(shell_, b.outlets, o);
    if (outlet == nullptr ||
        !StartBooking(shell_, b, *outlet, view.ResvDate(), view.MPOutletID(), BookingForm(shell_)))
        return 0;
    b.resv->Fields().SetField("ReserveType", Variant("N"));
    // The tables are held while the form is open; other desks see them held.
    if (!PickBookingTables(shell_, *b.resv, tables)) return 0;
    const QString heading = ToQ(d + "  " + outlet->OutletCode() + "  " +
                                (tables.empty() ? GetMLText("no table") : Joined(tables)));
    BookingDialog form(*b.def, heading, &window_);
    // The booking belongs to the plan's day and meal period.
    form.SetText("ReserveDate", d);
    if (QWidget* date = form.Control("ReserveDate")) date->setEnabled(false);
    const int32_t mp = view.MPOutletID();
    // Without a default time the form starts at the meal period's start.
    const ProfileField* timeField = b.def->FindField("ReserveTime");
    const MPOutlet* period = outlet->GetMPOutlets().Item(mp);
    if (timeField != nullptr && timeField->GetValue().empty() && period != nullptr)
        form.SetText("ReserveTime", period->MPStartTime().Format("hh:nn"));
    form.SetCheck([outlet, mp](const std::string& time) {
        const auto t = DateTime::Parse("1900-01-01 " + time);
        return t && outlet->GetMPOutlets().FindMPOutletID(*t) == mp;
    });
    const bool confirmed = run ? run(form) && form.TakeValues() : form.exec() == QDialog::Accepted;
    if (!confirmed) {
        b.resv->ReleaseHolds();
        shell_.Out(GetMLText("Booking cancelled"));
        return 0;
    }
    if (form.GuestID() > 0 && !b.resv->SetGuest(form.GuestID())) {
        b.resv->ReleaseHolds();
        shell_.Error(GetMLText("Guest not found") + ": " + std::to_string(form.GuestID()));
        return 0;
    }
    Reservation& r = b.resv->Fields();
    for (ProfileField* f : form.Shown()) {
        const std::string code = UpperAscii(f->ProfileCode());
        const std::string value = f->GetValue();
        r.SetField(f->ProfileCode(),
                   code == "RESERVECOVER" ? Variant(Variant(value).ToInt32()) : Variant(value));
    }
    r.SetField("ReserveDate", Variant(d));
    const int32_t id = SaveBooking(shell_, *b.resv);
    Reload();
    return id;
}

bool DeskActions::Change(const std::function<bool(BookingDialog&)>& run) {
    std::string o, d, p;
    const std::string id = ViewWords(o, d, p) ? ChosenResv() : "";
    if (id.empty()) return false;
    Opened opened;
    if (!OpenReservation(shell_, {o, id}, opened)) return false;
    const Reservation& r = opened.r;
    const QString heading =
        ToQ(r.GetFieldText("ReserveNo") + "  " + opened.found.outlet->OutletCode() + "  " +
            r.GetFieldText("DYLastName"));
    BookingDialog form(*opened.def, heading, &window_, true);
    const bool confirmed = run ? run(form) && form.TakeValues() : form.exec() == QDialog::Accepted;
    if (!confirmed) return false;
    const bool saved = SaveReservationEdit(shell_, opened);
    Reload();
    return saved;
}

int32_t DeskActions::WalkIn() {
    std::string o, d, p;
    if (!ViewWords(o, d, p)) return 0;
    const std::vector<std::string> tables = PickedTables();
    if (tables.empty()) return 0;
    const auto covers = UI().ReadLine(GetMLText("Covers") + ": ", false);
    if (!covers) return 0;
    const int32_t n = Variant(Trim(*covers)).ToInt32();
    if (n < 1) {
        Tell(GetMLText("Invalid covers") + ": " + *covers);
        return 0;
    }
    const auto name = UI().ReadLine(GetMLText("Name (may be empty)") + ": ", false);
    if (!name) return 0;
    Outlets outlets;
    const Outlet* outlet = FindOutlet(shell_, outlets, o);
    if (outlet == nullptr) return 0;
    const std::string last = Trim(*name);
    const int32_t id = TakeWalkin(shell_, *outlet, n, tables, [&last](Booking& b) {
        if (!last.empty()) b.resv->Fields().SetField("DYLastName", Variant(last));
        return true;
    });
    Reload();
    return id;
}

void DeskActions::Hold() {
    std::string o, d, p;
    if (!ViewWords(o, d, p)) return;
    for (const std::string& t : PickedTables())
        Run("hold " + o + " " + d + " " + p + " " + t);
}

void DeskActions::ReleaseHolds() {
    Run("release all");
}

void DeskActions::Block() {
    std::string o, d, p;
    if (!ViewWords(o, d, p)) return;
    const std::vector<std::string> tables = PickedTables();
    if (tables.empty()) return;
    const auto remark = UI().ReadLine(GetMLText("Remark of the block") + ": ", false);
    if (!remark) return;
    for (const std::string& t : tables)
        Run("block " + o + " " + p + " " + t + " --from " + d + " --until " + d +
            (Trim(*remark).empty() ? "" : " " + Quoted(Trim(*remark))));
}

void DeskActions::Unblock() {
    std::string o, d, p;
    if (!ViewWords(o, d, p)) return;
    std::vector<int32_t> blocks;
    for (const std::string& t : PickedTables()) {
        const TableLook* look = window_.LookOf(t);
        if (look == nullptr || !look->blocked || look->blockID <= 0) continue;
        // Two tables of one block lift it once.
        if (std::find(blocks.begin(), blocks.end(), look->blockID) == blocks.end())
            blocks.push_back(look->blockID);
    }
    if (blocks.empty()) Tell(GetMLText("None of the picked tables is blocked"));
    for (int32_t id : blocks)
        Run("unblock " + o + " " + std::to_string(id));
}

void DeskActions::CheckIn() {
    std::string o, d, p;
    const std::string id = ViewWords(o, d, p) ? ChosenResv() : "";
    if (!id.empty()) Run("checkin " + o + " " + id);
}

void DeskActions::UndoCheckIn() {
    std::string o, d, p;
    const std::string id = ViewWords(o, d, p) ? ChosenResv() : "";
    if (!id.empty()) Run("checkin undo " + o + " " + id);
}

void DeskActions::Swap() {
    std::string o, d, p;
    if (!ViewWords(o, d, p)) return;
    const std::vector<int32_t> ids = window_.ReservationsOnPickedTables();
    if (ids.size() != 2) {
        Tell(GetMLText("Pick the two tables whose parties change places"));
        return;
    }
    Run("swap " + o + " " + std::to_string(ids[0]) + " " + std::to_string(ids[1]));
}

void DeskActions::PosCheck() {
    std::string o, d, p;
    if (!ViewWords(o, d, p)) return;
    for (const std::string& t : PickedTables())
        Run("pos check " + o + " " + t);
}

void DeskActions::Cancel() {
    std::string o, d, p;
    const std::string id = ViewWords(o, d, p) ? ChosenResv() : "";
    if (id.empty()) return;
    const auto reason = UI().ReadLine(GetMLText("Cancel reason code (may be empty)") + ": ", false);
    if (!reason) return;
    Run("resv cancel " + o + " " + id +
        (Trim(*reason).empty() ? "" : " --reason " + Quoted(Trim(*reason))));
}

void DeskActions::Settle() {
    std::string o, d, p;
    const std::string id = ViewWords(o, d, p) ? ChosenResv() : "";
    if (!id.empty()) Run("resv settle " + o + " " + id);
}

void DeskActions::Covers() {
    std::string o, d, p;
    const std::string id = ViewWords(o, d, p) ? ChosenResv() : "";
    if (id.empty()) return;
    const auto covers = UI().ReadLine(GetMLText("Covers") + ": ", false);
    if (covers && !Trim(*covers).empty())
        Run("resv cover " + o + " " + id + " " + Quoted(Trim(*covers)));
}

void DeskActions::ChangeTables() {
    std::string o, d, p;
    const int32_t id = ViewWords(o, d, p) ? window_.ListReservation() : 0;
    if (id <= 0) {
        Tell(GetMLText("Choose the reservation in the list, then pick its new tables"));
        return;
    }
    const std::vector<std::string> tables = PickedTables();
    if (!tables.empty()) Run("resv tables " + o + " " + std::to_string(id) + " " + Joined(tables));
}

void DeskActions::SeatWaiting(int32_t id, const std::string& tableNo) {
    std::string o, d, p;
    if (!ViewWords(o, d, p)) return;
    Run("resv tables " + o + " " + std::to_string(id) + " " + tableNo);
    Run("checkin " + o + " " + std::to_string(id));
}
