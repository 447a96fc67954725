#include "desk/deskwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QGraphicsView>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/servercommands.h"
#include "app/shell.h"
#include "app/venueargs.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "desk/deskactions.h"
#include "desk/dialogs.h"
#include "desk/eventpump.h"
#include "desk/planscene.h"
#include "desk/qtuserinterface.h"
#include "desk/resvlistmodel.h"
#include "messaging/kiv.h"
#include "platform/eventloop.h"
#include "platform/textutil.h"
#include "users/user.h"
#include "venue/outlets.h"
#include "views/businessdate.h"

namespace {

QString ML(const char* english) {
    return ToQ(GetMLText(english));
}

const char* KindCaption(ViewKind kind) {
    switch (kind) {
        case ViewKind::kCurrent:
            return "Current view";
        case ViewKind::kFuture:
            return "Future view";
        case ViewKind::kPast:
            break;
    }
    return "Past view";
}

QDate ToQDate(const DateTime& d) {
    return QDate::fromString(ToQ(d.DateText()), QStringLiteral("yyyy-MM-dd"));
}

DateTime FromQDate(const QDate& d) {
    return DateTime::Parse(FromQ(d.toString(QStringLiteral("yyyy-MM-dd")))).value_or(DateTime());
}

// Field `n` of a tab-separated line.
std::string FieldOf(const std::string& line, int n) {
    std::size_t start = 0;
    for (int i = 0; i < n && start != std::string::npos; ++i) {
        start = line.find('\t', start);
        if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos) return "";
    return line.substr(start, line.find('\t', start) - start);
}

}  // namespace

DeskWindow::DeskWindow(Shell& shell, QtUserInterface& ui)
    : shell_(shell), ui_(ui), pump_(std::make_unique<EventPump>(MainLoop())) {
    setWindowTitle(QStringLiteral("CulinaroTable"));
    lastActivity_ = std::chrono::steady_clock::now();
    BuildPickers();
    BuildCentre();
    serverLabel_ = new QLabel;
    statusBar()->addPermanentWidget(serverLabel_);
    ui_.SetDialogParent(this);
    ui_.OnPrint([this](const QString& text) { output_->appendPlainText(text); });
    ui_.OnStatus([this](const QString& text) { statusBar()->showMessage(text, 5000); });

    QMenu* file = menuBar()->addMenu(ML("&Program"));
    file->addAction(ML("Change password"), this, [this] { ChangePassword(); });
    file->addAction(ML("Quit"), this, [this] { close(); });
    AddViewMenu();
    actions_ = new DeskActions(*this, shell_);
    QMenu* tables = menuBar()->addMenu(ML("&Tables"));
    tables->addAction(ML("Pick tables by number..."), QKeySequence(Qt::CTRL | Qt::Key_G), this,
                      [this] { AskTables(); });
    tables->addSeparator();
    actions_->AddTo(*tables);
    list_->addActions(QList<QAction*>(actions_->All().begin(), actions_->All().end()));
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    // Enter or a double click on a row opens it in the form.
    connect(list_, &QTableView::activated, this, [this] {
        listChosenLast_ = true;
        actions_->Change();
    });
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { listChosenLast_ = true; });

    WireViewEvents();
    FillOutlets();
    OpenFirstView();

    pickTimer_ = new QTimer(this);
    pickTimer_->setSingleShot(true);
    connect(pickTimer_, &QTimer::timeout, this, [this] {
        if (QApplication::mouseButtons() != Qt::NoButton || MainLoop().Waiting())
            pickTimer_->start(150);
        else
            actions_->FollowPicks();
    });

    auto* minute = new QTimer(this);
    connect(minute, &QTimer::timeout, this, [this] { OnMinuteTimer(); });
    minute->start(30000);
    auto* servers = new QTimer(this);
    connect(servers, &QTimer::timeout, this, [this] { UpdateServerStatus(); });
    servers->start(500);
    auto* session = new QTimer(this);
    connect(session, &QTimer::timeout, this, [this] { CheckSessionTimeout(); });
    session->start(10000);
    UpdateServerStatus();
    resize(1400, 860);
    // While an operation waits for a reply (a POS check-in: seconds) the
    // window keeps painting; clicks and keys wait until it is done, so no
    // second operation starts inside the first.
    MainLoop().SetWaitHook(
        [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
}

DeskWindow::~DeskWindow() {
    // The views outlive the window: their events must not reach it any more.
    ViewEvents& e = Views().Events();
    e.CVTableStatusUpdate = e.FVTableStatusUpdate = nullptr;
    e.CVFPResvUpdate = e.FVFPResvUpdate = e.CVFullResvUpdate = e.FVFullResvUpdate =
        e.PVFullResvUpdate = nullptr;
    e.CVFloorplanUpdate = e.FVFloorplanUpdate = nullptr;
    MainLoop().SetWaitHook(nullptr);
    actions_->ReleasePicks();  // the shell and its databases outlive the window
    // Scenes and the list emit selection changes while the widgets below
    // destroy them, when this is no longer a window.
    for (PlanScene* scene : scenes_)
        scene->disconnect(this);
    list_->selectionModel()->disconnect(this);
    ui_.OnPrint(nullptr);
    ui_.OnStatus(nullptr);
    ui_.SetDialogParent(nullptr);
}

KIV& DeskWindow::Hub() const {
    return *shell_.Hub();
}

ViewSet& DeskWindow::Views() const {
    return *Hub().Views();
}

void DeskWindow::BuildPickers() {
    QToolBar* bar = addToolBar(ML("View"));
    bar->setMovable(false);
    outletBox_ = new QComboBox;
    outletBox_->setMinimumContentsLength(14);
    periodBox_ = new QComboBox;
    periodBox_->setMinimumContentsLength(10);
    dateEdit_ = new QDateEdit;
    dateEdit_->setCalendarPopup(true);
    dateEdit_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    colorBox_ = new QComboBox;
    colorBox_->addItem(ML("Colour by state"));
    colorBox_->addItem(ML("Colour by time"));
    searchEdit_ = new QLineEdit;
    searchEdit_->setPlaceholderText(ML("Search name, phone or number"));
    searchEdit_->setClearButtonEnabled(true);
    kindLabel_ = new QLabel;
    auto button = [bar](const QString& text) {
        auto* b = new QToolButton;
        b->setText(text);
        bar->addWidget(b);
        return b;
    };
    bar->addWidget(new QLabel(ML("Outlet") + QStringLiteral(" ")));
    bar->addWidget(outletBox_);
    bar->addSeparator();
    QToolButton* prev = button(QStringLiteral("◀"));
    bar->addWidget(dateEdit_);
    QToolButton* next = button(QStringLiteral("▶"));
    QToolButton* today = button(ML("Today"));
    bar->addSeparator();
    bar->addWidget(new QLabel(ML("Meal period") + QStringLiteral(" ")));
    bar->addWidget(periodBox_);
    bar->addSeparator();
    bar->addWidget(colorBox_);
    bar->addSeparator();
    bar->addWidget(kindLabel_);
    bar->addSeparator();
    bar->addWidget(searchEdit_);

    connect(prev, &QToolButton::clicked, this,
            [this] { dateEdit_->setDate(dateEdit_->date().addDays(-1)); });
    connect(next, &QToolButton::clicked, this,
            [this] { dateEdit_->setDate(dateEdit_->date().addDays(1)); });
    connect(today, &QToolButton::clicked, this, [this] {
        const Outlet* o = Hub().OutletList().GetOutletByID(outletBox_->currentData().toInt());
        if (o == nullptr) return;
        dateEdit_->setDate(ToQDate(BusinessDate(o->GetMPOutlets(), DateTime::Now())));
    });
    connect(outletBox_, &QComboBox::currentIndexChanged, this, [this] {
        if (syncing_) return;
        FillPeriods(true);
        OpenFromPickers();
    });
    connect(dateEdit_, &QDateEdit::dateChanged, this, [this] {
        if (!syncing_) OpenFromPickers();
    });
    connect(periodBox_, &QComboBox::currentIndexChanged, this, [this] {
        if (!syncing_) OpenFromPickers();
    });
    connect(colorBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        SetColorMode(index == 1 ? ColorMode::ByTime : ColorMode::ByState);
    });
    connect(searchEdit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { model_->SetSearch(FromQ(text)); });
}

void DeskWindow::BuildCentre() {
    tabs_ = new QTabWidget;
    model_ = new ResvListModel(this);
    list_ = new QTableView;
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->setVisible(false);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->setAlternatingRowColors(true);
    // A waiting party is dragged from the list onto a table of the plan.
    list_->setDragEnabled(true);
    list_->setDragDropMode(QAbstractItemView::DragOnly);
    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(tabs_);
    split->addWidget(list_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setSizes({860, 540});
    list_->horizontalHeader()->setDefaultSectionSize(72);

    output_ = new QPlainTextEdit;
    output_->setReadOnly(true);
    output_->setMaximumBlockCount(2000);
    output_->setMaximumHeight(110);
    output_->setLineWrapMode(QPlainTextEdit::NoWrap);
    commandLine_ = new QLineEdit;
    commandLine_->setPlaceholderText(ML("Command"));
    connect(commandLine_, &QLineEdit::returnPressed, this, [this] {
        const std::string line = FromQ(commandLine_->text());
        commandLine_->clear();
        RunCommand(line);
    });

    auto* centre = new QWidget;
    auto* layout = new QVBoxLayout(centre);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(split, 1);
    layout->addWidget(output_);
    layout->addWidget(commandLine_);
    setCentralWidget(centre);
}

void DeskWindow::WireViewEvents() {
    ViewEvents& e = Views().Events();
    e.CVTableStatusUpdate = [this](const TableStatus& s) {
        OnTableChanged(ViewKind::kCurrent, s.TableNo());
    };
    e.FVTableStatusUpdate = [this](const TableStatus& s) {
        OnTableChanged(ViewKind::kFuture, s.TableNo());
    };
    e.CVFPResvUpdate = [this](const Reservations&) { OnPlanResvsChanged(ViewKind::kCurrent); };
    e.FVFPResvUpdate = [this](const Reservations&) { OnPlanResvsChanged(ViewKind::kFuture); };
    e.CVFullResvUpdate = [this](const Reservations&) { OnListChanged(ViewKind::kCurrent); };
    e.FVFullResvUpdate = [this](const Reservations&) { OnListChanged(ViewKind::kFuture); };
    e.PVFullResvUpdate = [this](const Reservations&) { OnListChanged(ViewKind::kPast); };
    e.CVFloorplanUpdate = [this](const FloorPlan&) { OnPlansChanged(ViewKind::kCurrent); };
    e.FVFloorplanUpdate = [this](const FloorPlan&) { OnPlansChanged(ViewKind::kFuture); };
}

void DeskWindow::FillOutlets() {
    syncing_ = true;
    outletBox_->clear();
    for (const auto& [id, outlet] : Hub().OutletList().Items()) {
        outletBox_->addItem(
            ToQ(outlet->OutletCode() + " " + LocalName(outlet->Name(g_nLanguage), outlet->Name(1))),
            id);
    }
    const Outlet* first = Hub().OutletList().GetOutletByID(outletBox_->currentData().toInt());
    if (first != nullptr)
        dateEdit_->setDate(ToQDate(BusinessDate(first->GetMPOutlets(), DateTime::Now())));
    syncing_ = false;
    FillPeriods(true);
}

// A host starts on a plan, not an empty window: the view the session has
// open already, else the one the pickers name (the period running now, or
// the outlet's first when none runs).
void DeskWindow::OpenFirstView() {
    const std::optional<ViewKind> kind = Views().LastOpened();
    if (kind && Views().View(*kind).IsOpen())
        ShowOpenView(*kind);
    else
        OpenFromPickers();
}

// The outlet's meal periods; `fromClock` preselects the period running now.
void DeskWindow::FillPeriods(bool fromClock) {
    const bool was = syncing_;
    syncing_ = true;
    const int keep = periodBox_->currentData().toInt();
    periodBox_->clear();
    const Outlet* outlet = Hub().OutletList().GetOutletByID(outletBox_->currentData().toInt());
    if (outlet != nullptr) {
        for (const auto& [id, period] : outlet->GetMPOutlets().Items())
            periodBox_->addItem(
                ToQ(period.MPCode() + " " + LocalName(period.Name(g_nLanguage), period.Name(1))),
                id);
        int want = fromClock ? outlet->GetMPOutlets().FindMPOutletID(DateTime::Now()) : keep;
        const int index = periodBox_->findData(want);
        periodBox_->setCurrentIndex(index >= 0 ? index : 0);
    }
    syncing_ = was;
}

bool DeskWindow::OpenFromPickers() {
    const int32_t outletID = outletBox_->currentData().toInt();
    const int32_t mpID = periodBox_->currentData().toInt();
    const Outlet* outlet = Hub().OutletList().GetOutletByID(outletID);
    if (outlet == nullptr || mpID <= 0) return false;
    const DateTime day = FromQDate(dateEdit_->date());
    const DateTime business = BusinessDate(outlet->GetMPOutlets(), DateTime::Now());
    const ViewKind kind = day.DateText() == business.DateText()  ? ViewKind::kCurrent
                          : day.DateText() > business.DateText() ? ViewKind::kFuture
                                                                 : ViewKind::kPast;
    if (!Views().Open(kind, outletID, mpID, day)) {
        ui_.MessageBox(
            GetMLText("Cannot load the view") + ": " + Views().View(kind).ErrDescription(),
            MsgIcon::Exclamation, "CulinaroTable");
        return false;
    }
    ShowOpenView(kind);
    return true;
}

void DeskWindow::ShowOpenView(ViewKind kind) {
    ResvView& view = Views().View(kind);
    shown_ = kind;
    syncing_ = true;
    const int outletIndex = outletBox_->findData(view.OutletID());
    if (outletIndex >= 0 && outletIndex != outletBox_->currentIndex()) {
        outletBox_->setCurrentIndex(outletIndex);
        FillPeriods(false);
    }
    const int periodIndex = periodBox_->findData(view.MPOutletID());
    if (periodIndex >= 0) periodBox_->setCurrentIndex(periodIndex);
    dateEdit_->setDate(ToQDate(view.ResvDate()));
    syncing_ = false;
    kindLabel_->setText(ML(KindCaption(kind)));
    RebuildPlans();
    model_->SetList(view.ProfileDef(), &view.FullResvs());
    // Another view has no picks yet: the holds of the last one go. A reread
    // of the same view puts its picks back instead.
    if (!rereading_) actions_->FollowPicks();
}

void DeskWindow::RebuildPlans() {
    while (tabs_->count() > 0) {
        QWidget* page = tabs_->widget(0);
        tabs_->removeTab(0);
        delete page;  // its scene is a child of the page
    }
    scenes_.clear();
    PlanView* plans = shown_ ? Views().Plans(*shown_) : nullptr;
    if (plans == nullptr) {
        auto* none = new QLabel(ML("The past view shows the reservation list only"));
        none->setAlignment(Qt::AlignCenter);
        tabs_->addTab(none, ML(KindCaption(ViewKind::kPast)));
        return;
    }
    for (const auto& [id, plan] : plans->FloorPlans()) {
        auto* page = new QGraphicsView;
        auto* scene = new PlanScene(*plan, page);
        page->setScene(scene);
        page->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        page->setRenderHint(QPainter::Antialiasing);
        page->setDragMode(QGraphicsView::RubberBandDrag);
        page->setContextMenuPolicy(Qt::ActionsContextMenu);
        page->addActions(QList<QAction*>(actions_->All().begin(), actions_->All().end()));
        connect(scene, &QGraphicsScene::selectionChanged, this, [this] {
            listChosenLast_ = false;
            SchedulePickHolds();
        });
        scene->OnDrop([this](int32_t resvID, const std::string& tableNo) {
            actions_->SeatWaiting(resvID, tableNo);
        });
        // A wide plan shrinks to the page's width (never below 40 %), keeping
        // its proportions; a small one stays at its own size.
        const qreal width = std::max<qreal>(scene->sceneRect().width(), 1);
        const qreal fit = std::clamp((tabs_->width() - 24) / width, 0.4, 1.0);
        page->setTransform(QTransform::fromScale(fit, fit));
        scenes_.push_back(scene);
        tabs_->addTab(page, ToQ(LocalName(plan->Name(g_nLanguage), plan->NameL1())));
    }
    if (scenes_.empty()) tabs_->addTab(new QLabel(ML("No floor plan in force")), QString());
    RepaintAll();
}

void DeskWindow::RepaintAll() {
    PlanView* plans = shown_ ? Views().Plans(*shown_) : nullptr;
    if (plans != nullptr) RepaintTables(scenes_, *plans, Hub().Colors(), colorMode_);
}

void DeskWindow::SetColorMode(ColorMode mode) {
    colorMode_ = mode;
    if (colorBox_->currentIndex() != static_cast<int>(mode))
        colorBox_->setCurrentIndex(static_cast<int>(mode));
    RepaintAll();
}

void DeskWindow::Search(const QString& text) {
    searchEdit_->setText(text);
}

void DeskWindow::OnTableChanged(ViewKind kind, const std::string& tableNo) {
    if (shown_ != kind) return;
    PlanView* plans = Views().Plans(kind);
    if (plans == nullptr) return;
    const std::vector<std::string> only{tableNo};
    RepaintTables(scenes_, *plans, Hub().Colors(), colorMode_, &only);
}

void DeskWindow::OnPlanResvsChanged(ViewKind kind) {
    if (shown_ == kind) RepaintAll();
}

void DeskWindow::OnListChanged(ViewKind kind) {
    if (shown_ == kind) model_->Refresh();
}

void DeskWindow::OnPlansChanged(ViewKind kind) {
    if (shown_ == kind) RebuildPlans();
}

// Elapsed-time colours move with the clock; tables waiting for their
// booking time open when it comes.
void DeskWindow::OnMinuteTimer() {
    if (MainLoop().Waiting()) return;  // in the middle of an operation
    PlanView* plans = shown_ ? Views().Plans(*shown_) : nullptr;
    if (plans == nullptr) return;
    plans->RecheckBookingStart();
    if (colorMode_ == ColorMode::ByTime) RepaintAll();
}

QString DeskWindow::ServerStatusText() const {
    QStringList parts;
    for (const std::string& line : ServerStatusLines(Hub())) {
        const bool pos = line.rfind(GetMLText("POS Server"), 0) == 0;
        parts << QStringLiteral("%1 %2: %3")
                     .arg(pos ? QStringLiteral("POS") : QStringLiteral("KIV"),
                          ToQ(FieldOf(line, 1)), ToQ(FieldOf(line, 3)));
    }
    return parts.join(QStringLiteral("  |  "));
}

void DeskWindow::UpdateServerStatus() {
    const QString text = ServerStatusText();
    if (serverLabel_->text() != text) serverLabel_->setText(text);
}

void DeskWindow::CheckSessionTimeout() {
    if (ui_.Scripted() || sessionEnded_ || MainLoop().Waiting() || g_oUser == nullptr ||
        g_oUser->SessionTimeout() <= 0)
        return;
    const auto idle = std::chrono::steady_clock::now() - lastActivity_;
    if (idle <= std::chrono::minutes(g_oUser->SessionTimeout())) return;
    ReSignInDialog again(this);
    if (again.exec() == QDialog::Accepted) {
        NoteActivity();
        return;
    }
    Finish("F");
}

// Everything the mouse reaches has a key: the pickers, the plans, the list,
// the search and the command line.
void DeskWindow::AddViewMenu() {
    QMenu* view = menuBar()->addMenu(ML("&View"));
    auto add = [this, view](const char* text, const QKeySequence& key, auto fn) {
        QAction* a = view->addAction(ML(text), this, fn);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
    };
    add("Previous day", QKeySequence(Qt::ALT | Qt::Key_Left),
        [this] { dateEdit_->setDate(dateEdit_->date().addDays(-1)); });
    add("Next day", QKeySequence(Qt::ALT | Qt::Key_Right),
        [this] { dateEdit_->setDate(dateEdit_->date().addDays(1)); });
    add("Choose the outlet", QKeySequence(Qt::CTRL | Qt::Key_O), [this] {
        outletBox_->setFocus();
        outletBox_->showPopup();
    });
    add("Choose the meal period", QKeySequence(Qt::CTRL | Qt::Key_M), [this] {
        periodBox_->setFocus();
        periodBox_->showPopup();
    });
    add("Choose the date", QKeySequence(Qt::CTRL | Qt::Key_D), [this] { dateEdit_->setFocus(); });
    view->addSeparator();
    add("Go to the plan", QKeySequence(Qt::CTRL | Qt::Key_1), [this] {
        if (QWidget* page = tabs_->currentWidget()) page->setFocus();
    });
    add("Next plan", QKeySequence(Qt::CTRL | Qt::Key_PageDown), [this] {
        tabs_->setCurrentIndex((tabs_->currentIndex() + 1) % std::max(1, tabs_->count()));
    });
    add("Previous plan", QKeySequence(Qt::CTRL | Qt::Key_PageUp), [this] {
        const int n = std::max(1, tabs_->count());
        tabs_->setCurrentIndex((tabs_->currentIndex() + n - 1) % n);
    });
    add("Go to the list", QKeySequence(Qt::CTRL | Qt::Key_2), [this] { list_->setFocus(); });
    add("Search the list", QKeySequence(Qt::CTRL | Qt::Key_F), [this] {
        searchEdit_->setFocus();
        searchEdit_->selectAll();
    });
    add("Go to the command line", QKeySequence(Qt::CTRL | Qt::Key_L),
        [this] { commandLine_->setFocus(); });
    add("Colour by state or time", QKeySequence(Qt::CTRL | Qt::Key_K), [this] {
        SetColorMode(colorMode_ == ColorMode::ByTime ? ColorMode::ByState : ColorMode::ByTime);
    });
}

void DeskWindow::SchedulePickHolds() {
    if (!pickTimer_->isActive()) pickTimer_->start(0);
}

void DeskWindow::Finish(const std::string& method) {
    if (!sessionEnded_) {
        sessionEnded_ = true;
        actions_->ReleasePicks();
        shell_.EndSession(method);
    }
    close();
}

void DeskWindow::ChangePassword() {
    PasswordDialog dialog(this);
    dialog.exec();
}

void DeskWindow::RunCommand(const std::string& line) {
    ui_.Print("CulinaroTable> " + line);
    shell_.Execute(line);
    const std::vector<std::string> words = Shell::SplitWords(line);
    if (shell_.QuitRequested()) {
        sessionEnded_ = true;
        close();
        return;
    }
    const std::string first = words.empty() ? "" : words[0];
    if (first == "view") {
        const std::optional<ViewKind> kind = Views().LastOpened();
        if (kind && Views().View(*kind).IsOpen()) ShowOpenView(*kind);
    } else if (shown_ && !first.empty() && first != "screenshot" && first != "formshot" &&
               first != "pick") {
        // The relay passes a change on to the other workstations only: this
        // window reads its own changes back.
        Reread();
    }
}

void DeskWindow::Reread() {
    const std::vector<std::string> tables = SelectedTables();
    const int32_t listed = ListReservation();
    const bool listLast = listChosenLast_;
    const int page = tabs_->currentIndex();
    rereading_ = true;
    const bool opened = OpenFromPickers();
    rereading_ = false;
    if (!opened) return;
    PickTables(tables, false);
    if (page >= 0 && page < tabs_->count()) tabs_->setCurrentIndex(page);
    if (listed > 0) PickListRow(listed);
    listChosenLast_ = listLast;
}

ResvView* DeskWindow::ShownView() const {
    return shown_ ? &Views().View(*shown_) : nullptr;
}

bool DeskWindow::HasPlans() const {
    return shown_ && Views().Plans(*shown_) != nullptr;
}

std::vector<std::string> DeskWindow::SelectedTables() const {
    std::vector<std::string> tables;
    for (PlanScene* scene : scenes_)
        for (const auto& [no, item] : scene->Items())
            if (item->isSelected() && std::find(tables.begin(), tables.end(), no) == tables.end())
                tables.push_back(no);
    return tables;
}

void DeskWindow::PickTables(const std::vector<std::string>& tables, bool hold) {
    int page = -1;  // the first plan holding a picked table comes to the front
    for (std::size_t i = 0; i < scenes_.size(); ++i) {
        scenes_[i]->clearSelection();
        for (const std::string& no : tables) {
            TableItem* item = scenes_[i]->Item(no);
            if (item == nullptr) continue;
            item->setSelected(true);
            if (page < 0) page = static_cast<int>(i);
        }
    }
    if (page >= 0) tabs_->setCurrentIndex(page);
    listChosenLast_ = false;
    if (hold) actions_->FollowPicks();
}

const Outlet* DeskWindow::ShownOutlet() const {
    const ResvView* view = ShownView();
    return view != nullptr ? Hub().OutletList().GetOutletByID(view->OutletID()) : nullptr;
}

void DeskWindow::AskTables() {
    const auto line = ui_.ReadLine(GetMLText("Tables (comma separated)") + ": ", false);
    if (!line) return;
    std::vector<std::string> tables;
    std::string words = *line;
    std::replace(words.begin(), words.end(), ',', ' ');
    for (const std::string& word : Shell::SplitWords(words))
        tables.push_back(UpperAscii(word));
    PickTables(tables);
}

int32_t DeskWindow::ListReservation() const {
    const QModelIndex at = list_->currentIndex();
    return at.isValid() && list_->selectionModel()->isSelected(at) ? model_->ReserveIDAt(at.row())
                                                                   : 0;
}

bool DeskWindow::PickListRow(int32_t id) {
    for (int row = 0; row < model_->rowCount(); ++row) {
        if (model_->ReserveIDAt(row) != id) continue;
        list_->selectRow(row);
        list_->setCurrentIndex(model_->index(row, 0));
        listChosenLast_ = true;
        return true;
    }
    return false;
}

const TableLook* DeskWindow::LookOf(const std::string& tableNo) const {
    for (PlanScene* scene : scenes_)
        if (TableItem* item = scene->Item(tableNo)) return &item->Look();
    return nullptr;
}

std::vector<int32_t> DeskWindow::ReservationsOnPickedTables() const {
    std::vector<int32_t> ids;
    for (const std::string& no : SelectedTables())
        for (PlanScene* scene : scenes_)
            if (TableItem* item = scene->Item(no);
                item != nullptr && !item->Look().bookings.empty()) {
                ids.push_back(item->Look().bookings.front().reserveID);
                break;
            }
    return ids;
}

int32_t DeskWindow::SelectedReservation() const {
    const int32_t listed = ListReservation();
    if (listChosenLast_ && listed > 0) return listed;
    const std::vector<int32_t> onTables = ReservationsOnPickedTables();
    return !onTables.empty() ? onTables.front() : listed;
}

bool DeskWindow::Screenshot(const std::string& path) {
    UpdateServerStatus();
    return grab().save(ToQ(path), "PNG");
}

void DeskWindow::closeEvent(QCloseEvent* event) {
    if (!sessionEnded_) {
        if (!ui_.AskYesNo(GetMLText("Are you sure to quit ?"), "CulinaroTable", false)) {
            event->ignore();
            return;
        }
        sessionEnded_ = true;
        actions_->ReleasePicks();
        shell_.EndSession("N");
    }
    event->accept();
}
