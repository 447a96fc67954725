#pragma once
// What the desk window does to tables and reservations: book the picked
// tables through the booking form, take a walk-in, hold, release, block,
// check in, undo, swap, the POS check, cancel, settle, covers and tables.
// Each is a menu entry with a key, on the plans' context menu too. The work
// is the console's: the booking goes through the shared booking functions,
// the other actions run the console's own commands, so the window holds no
// rule of its own and its lines appear in the output pane.
#include <QObject>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "desk/pickholds.h"

class BookingDialog;
class DeskWindow;
class QAction;
class QKeySequence;
class QMenu;
class Shell;

class DeskActions : public QObject {
  public:
    DeskActions(DeskWindow& window, Shell& shell);

    // The actions, for the menu bar and the plans' context menus.
    const std::vector<QAction*>& All() const { return actions_; }
    void AddTo(QMenu& menu) const;

    // Opens the booking form for the picked tables of the shown view, holding
    // them while it is open. `run` shows the form and says whether it was
    // confirmed (a modal dialog unless given). The new ReserveID, or 0.
    int32_t Book(const std::function<bool(BookingDialog&)>& run = {});
    // Opens the chosen reservation in the form and writes what was changed.
    // `run` as for Book. True when it was written (or nothing changed).
    bool Change(const std::function<bool(BookingDialog&)>& run = {});
    // A walk-in at the picked tables; covers and a name are asked.
    int32_t WalkIn();
    void Hold();
    void ReleaseHolds();
    void Block();
    void Unblock();
    void CheckIn();
    void UndoCheckIn();
    void Swap();
    void PosCheck();
    void Cancel();
    void Settle();
    void Covers();
    void ChangeTables();
    // Seats the party chosen in the list at the picked tables, as a drag
    // from the list onto the plan does.
    void SeatChosen();
    // Seats the waiting-list entry `id` at `tableNo` (a drop on the plan).
    void SeatWaiting(int32_t id, const std::string& tableNo);

    // Holds the tables picked on the shown plan since the last call and
    // releases those no longer picked; the refusals go to the status bar.
    void FollowPicks();
    // Releases the picks' holds (the form abandoned, the window closing).
    void ReleasePicks() { picks_.ReleaseAll(); }
    std::vector<std::string> HeldPicks() const { return picks_.Held(); }

  private:
    void BookNow();
    void WalkInNow();
    void ChangeNow();
    QAction* Add(const char* text, const QKeySequence& key, void (DeskActions::*fn)());
    // The outlet id, date and meal-period id of the shown view as command words.
    bool ViewWords(std::string& outlet, std::string& date, std::string& period) const;
    std::vector<std::string> PickedTables() const;
    // The chosen reservation's id as text; "" after a message when none.
    std::string ChosenResv() const;
    void Run(const std::string& line);
    void Reload();
    void Tell(const std::string& text) const;
    // Ends a booking that was not saved: its holds go, the plan is unpicked.
    void Abandon();
    // The booking of the picks for the shown view; nullptr after a message.
    Booking* PickedBooking(const std::vector<std::string>& tables);
    // The tables held after the form's tables line was changed to `typed`.
    std::string RetypeTables(const std::string& typed);
    void FollowNow();
    // The booking of one picked table a swap moves, chosen when it has several.
    int32_t SwapPartyOf(const std::string& tableNo) const;

    DeskWindow& window_;
    Shell& shell_;
    std::vector<QAction*> actions_;
    PickHolds picks_;
    bool formOpen_ = false;  // the booking form holds the picks
};
