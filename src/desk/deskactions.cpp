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
#include "core/globals.h"
#include "core/mltext.h"
#include "desk/bookingdialog.h"
#include "desk/deskwindow.h"
#include "desk/qtuserinterface.h"
#include "messages/cancelmsgs.h"
#include "platform/strnum.h"
#include "platform/textutil.h"
#include "platform/userinterface.h"
#include "profiles/profilefield.h"
#include "registry/dbconnections.h"
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
    : QObject(&window), window_(window), shell_(shell), picks_(shell) {
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
    Add("Seat the chosen party at the picked tables",
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T), &DeskActions::SeatChosen);
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

Booking* DeskActions::PickedBooking(const std::vector<std::string>& tables) {
    const ResvView& view = *window_.ShownView();
    const auto refused =
        picks_.Follow(view.OutletID(), view.ResvDate(), view.MPOutletID(), tables, true);
    if (!refused.empty()) {
        std::string text;
        for (const PickHolds::Refused& r : refused)
            text += (text.empty() ? "" : "\n") + GetMLText("Table") + " " + r.table + " " +
                    GetMLText("cannot be held:") + " " + GetMLText(HoldRefusalText(r.why));
        Tell(text);
        return nullptr;
    }
    return picks_.Prepare(view.OutletID(), view.ResvDate(), view.MPOutletID()) ? picks_.Current()
                                                                               : nullptr;
}

std::string DeskActions::RetypeTables(const std::string& typed) {
    std::string words = typed;
    std::replace(words.begin(), words.end(), ',', ' ');
    std::vector<std::string> tables;
    for (const std::string& w : Shell::SplitWords(words))
        if (std::find(tables.begin(), tables.end(), UpperAscii(w)) == tables.end())
            tables.push_back(UpperAscii(w));
    window_.PickTables(tables, false);
    // A table that cannot be held is shown and left out of the booking.
    PickedBooking(tables);
    const std::vector<std::string> held = picks_.Held();
    window_.PickTables(held, false);
    FollowNow();
    return Joined(held);
}

void DeskActions::Abandon() {
    picks_.ReleaseAll();
    window_.PickTables({}, false);
}

int32_t DeskActions::Book(const std::function<bool(BookingDialog&)>& run) {
    std::string o, d, p;
    if (!ViewWords(o, d, p)) return 0;
    const ResvView& view = *window_.ShownView();
    Booking* picked = PickedBooking(window_.SelectedTables());
    if (picked == nullptr) return 0;
    Booking& b = *picked;
    const Outlet* outlet = b.resv->GetOutlet();
    b.resv->Fields().SetField("ReserveType", Variant("N"));
    // The picks are held already; tables typed on the form's line are held
    // or released as they change, and the plan shows them.
    BookingDialog form(*b.def, ToQ(d + "  " + outlet->OutletCode() + "  "), &window_);
    form.SetTables(Joined(picks_.Held()),
                   [this](const std::string& typed) { return RetypeTables(typed); });
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
    formOpen_ = true;
    const bool confirmed = run ? run(form) && form.TakeValues() : form.exec() == QDialog::Accepted;
    formOpen_ = false;
    if (!confirmed) {
        Abandon();
        shell_.Out(GetMLText("Booking cancelled"));
        return 0;
    }
    if (form.GuestID() > 0 && !b.resv->SetGuest(form.GuestID())) {
        Abandon();
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
    // Saved or refused, the booking is over: its holds went with the save.
    Abandon();
    Reload();
    // The new booking is chosen, ready for a check-in.
    if (id > 0) window_.PickListRow(id);
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
    const std::vector<std::string> tables = PickedTables();
    // The standing hold replaces the pick's, which would go with the pick.
    picks_.Release(tables);
    for (const std::string& t : tables)
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
    picks_.Release(tables);  // a blocked table is not held for a booking
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
    std::vector<std::string> booked;
    for (const std::string& t : window_.SelectedTables())
        if (const TableLook* look = window_.LookOf(t); look != nullptr && !look->bookings.empty())
            booked.push_back(t);
    if (booked.size() != 2) {
        Tell(GetMLText("Pick the two tables whose parties change places"));
        return;
    }
    const int32_t first = SwapPartyOf(booked[0]);
    const int32_t second = first > 0 ? SwapPartyOf(booked[1]) : 0;
    if (second > 0) Run("swap " + o + " " + std::to_string(first) + " " + std::to_string(second));
}

int32_t DeskActions::SwapPartyOf(const std::string& tableNo) const {
    const std::vector<TableBooking>& bookings = window_.LookOf(tableNo)->bookings;
    if (bookings.size() == 1) return bookings.front().reserveID;
    std::vector<QtUserInterface::Choice> items;
    for (const TableBooking& b : bookings)
        items.emplace_back(
            std::to_string(b.reserveID),
            b.time + "  " + b.covers + "  " + b.name + "  (" + std::to_string(b.reserveID) + ")");
    const auto chosen = window_.Interface().Choose(
        GetMLText("Which party of table") + " " + tableNo + " " + GetMLText("changes places?"),
        items);
    return chosen ? bookings[*chosen].reserveID : 0;
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
    // The reasons for a cancellation, the outlet's default one preselected;
    // "no reason" leaves the choice to the outlet's default.
    CancelMsgs reasons;
    SQLDB* db = DefaultSQLDB();
    std::vector<QtUserInterface::Choice> items;
    std::size_t preselected = 0;
    if (db != nullptr && reasons.Load(*db)) {
        reasons.Filter(kCxlCancel);
        for (const CancelMsg* m : reasons.Filtered()) {
            if (m->IsDefault) preselected = items.size();
            items.emplace_back(m->MsgCode, m->MsgCode + "  " + m->Name(g_nLanguage));
        }
    }
    std::string code;
    if (!items.empty()) {
        // Without a default reason nothing is assumed: "No reason" is preselected.
        if (std::none_of(reasons.Filtered().begin(), reasons.Filtered().end(),
                         [](const CancelMsg* m) { return m->IsDefault; }))
            preselected = items.size();
        items.emplace_back("-", GetMLText("No reason"));
        const auto chosen =
            window_.Interface().Choose(GetMLText("Cancel reason"), items, preselected);
        if (!chosen) return;
        if (items[*chosen].first != "-") code = items[*chosen].first;
    }
    std::string remark;
    const Outlet* outlet = window_.ShownOutlet();
    if (outlet != nullptr && outlet->GetExtAttribute("MandatoryCxlRemark").ToInt64() != 0) {
        const auto typed = UI().ReadLine(GetMLText("Cancel remark") + ": ", false);
        if (!typed) return;
        remark = Trim(*typed);
    }
    Run("resv cancel " + o + " " + id + (code.empty() ? "" : " --reason " + Quoted(code)) +
        (remark.empty() ? "" : " --remark " + Quoted(remark)));
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

void DeskActions::FollowPicks() {
    // While the form is open its tables are the booking's: a plan redrawn
    // behind it (another desk changed the plan) must not release them.
    if (!formOpen_) FollowNow();
}

void DeskActions::FollowNow() {
    const ResvView* view = window_.ShownView();
    if (view == nullptr || !window_.HasPlans()) {
        picks_.ReleaseAll();
        return;
    }
    std::string text;
    for (const PickHolds::Refused& r : picks_.Follow(view->OutletID(), view->ResvDate(),
                                                     view->MPOutletID(), window_.SelectedTables()))
        text += (text.empty() ? "" : "; ") + GetMLText("Table") + " " + r.table + " " +
                GetMLText("not held") + ": " + GetMLText(HoldRefusalText(r.why));
    if (!text.empty()) UI().SetStatus(text);
}

void DeskActions::SeatChosen() {
    std::string o, d, p;
    const int32_t id = ViewWords(o, d, p) ? window_.ListReservation() : 0;
    if (id <= 0) {
        Tell(GetMLText("Choose the reservation in the list, then pick its new tables"));
        return;
    }
    const std::vector<std::string> tables = PickedTables();
    if (!tables.empty()) SeatWaiting(id, Joined(tables));
}

void DeskActions::SeatWaiting(int32_t id, const std::string& tableNo) {
    std::string o, d, p;
    if (!ViewWords(o, d, p)) return;
    Run("resv tables " + o + " " + std::to_string(id) + " " + tableNo);
    Run("checkin " + o + " " + std::to_string(id));
}
