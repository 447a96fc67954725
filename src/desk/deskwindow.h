#pragma once
// The reception desk's main window: outlet, date and meal-period pickers,
// the floor plans in force of the chosen view (a tab each, drawn by
// PlanScene), the day's reservation list with its search, a command line
// that takes the console's commands, and the servers' connection state in
// the status bar. The window opens views and reads them; every change it
// shows comes from the views' change events, so another workstation's
// change is redrawn as soon as its notification is handled.
#include <QMainWindow>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/planlook.h"
#include "venue/tablecolor.h"
#include "views/viewset.h"

class DeskActions;
class EventPump;
class KIV;
class Outlet;
class QTimer;
class PlanScene;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;
class QTableView;
class QtUserInterface;
class ResvListModel;
class Shell;

class DeskWindow : public QMainWindow {
  public:
    // `shell` holds the signed-in session (its hub and views) and outlives
    // the window.
    DeskWindow(Shell& shell, QtUserInterface& ui);
    ~DeskWindow() override;

    // Shows the open view of `kind`: pickers, plans and list.
    void ShowOpenView(ViewKind kind);
    // Opens the view the pickers name (the kind follows from the date
    // against the outlet's business date); false when it could not load.
    bool OpenFromPickers();
    // Reopens the shown view from the database (after this workstation's own
    // change), keeping the picked tables, the plan shown and the list row.
    void Reread();
    // Runs one console command as typed on the window's command line; a
    // `view` command switches the window to the view it opened.
    void RunCommand(const std::string& line);
    // Ends the session with the sign-out `method` and closes the window,
    // asking nothing (the end of a script, a time-out).
    void Finish(const std::string& method);
    // Saves the window as a PNG file; false when it cannot be written.
    bool Screenshot(const std::string& path);

    std::optional<ViewKind> ShownKind() const { return shown_; }
    const std::vector<PlanScene*>& Scenes() const { return scenes_; }
    QTabWidget* PlanTabs() const { return tabs_; }
    ResvListModel& ListModel() const { return *model_; }
    QString ServerStatusText() const;
    void SetColorMode(ColorMode mode);
    // Sets the search text of the list.
    void Search(const QString& text);
    // The view shown; nullptr when none. HasPlans: it draws floor plans.
    ResvView* ShownView() const;
    bool HasPlans() const;
    // The tables picked on the plans (in plan and table order).
    std::vector<std::string> SelectedTables() const;
    // Picks exactly `tables` (upper case) on the plans; with `hold`, as a
    // click does, the picks' holds follow.
    void PickTables(const std::vector<std::string>& tables, bool hold = true);
    // The reservation chosen in the list; 0 when none.
    int32_t ListReservation() const;
    // Chooses the list row of `id`; false when the list does not show it.
    bool PickListRow(int32_t id);
    // The reservation an action is for: the one last chosen, in the list or
    // as the first booking of the first picked table; 0 when none.
    int32_t SelectedReservation() const;
    // The look of a table on the plans; nullptr when none shows it.
    const TableLook* LookOf(const std::string& tableNo) const;
    // The first booking of each picked table that has one.
    std::vector<int32_t> ReservationsOnPickedTables() const;
    DeskActions& Actions() const { return *actions_; }
    QtUserInterface& Interface() const { return ui_; }
    // The outlet of the shown view; nullptr when none.
    const Outlet* ShownOutlet() const;

    // The time of the last key press or click (the session time-out).
    void NoteActivity() { lastActivity_ = std::chrono::steady_clock::now(); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    KIV& Hub() const;
    ViewSet& Views() const;
    void BuildPickers();
    void BuildCentre();
    void WireViewEvents();
    void FillOutlets();
    void OpenFirstView();
    void FillPeriods(bool fromClock);
    void RebuildPlans();
    void RepaintAll();
    void OnTableChanged(ViewKind kind, const std::string& tableNo);
    void OnPlanResvsChanged(ViewKind kind);
    void OnListChanged(ViewKind kind);
    void OnPlansChanged(ViewKind kind);
    void OnMinuteTimer();
    void UpdateServerStatus();
    void CheckSessionTimeout();
    void ChangePassword();
    void AskTables();
    void AddViewMenu();
    // A pick on the plan holds its tables once the mouse is let go (a rubber
    // band passes over tables it does not keep).
    void SchedulePickHolds();

    Shell& shell_;
    QtUserInterface& ui_;
    // The workstation's event loop runs while the window is open.
    std::unique_ptr<EventPump> pump_;
    QComboBox* outletBox_ = nullptr;
    QDateEdit* dateEdit_ = nullptr;
    QComboBox* periodBox_ = nullptr;
    QComboBox* colorBox_ = nullptr;
    QLineEdit* searchEdit_ = nullptr;
    QLabel* kindLabel_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QTableView* list_ = nullptr;
    ResvListModel* model_ = nullptr;
    QLineEdit* commandLine_ = nullptr;
    QPlainTextEdit* output_ = nullptr;
    QLabel* serverLabel_ = nullptr;
    QTimer* pickTimer_ = nullptr;
    std::vector<PlanScene*> scenes_;
    std::optional<ViewKind> shown_;
    DeskActions* actions_ = nullptr;
    bool listChosenLast_ = false;  // the list was used after the plans
    ColorMode colorMode_ = ColorMode::ByState;
    bool syncing_ = false;
    bool rereading_ = false;  // the shown view is read again, picks kept  // pickers set by the
                              // program, not the user
    bool sessionEnded_ = false;
    std::chrono::steady_clock::time_point lastActivity_;
};
