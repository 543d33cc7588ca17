#include "setup/frmSetup.h"

#include "device/Exchanges.h"
#include "device/PortMap.h"
#include "core/Module1.h"
#include "core/Prompter.h"
#include "setup/SequencePrintout.h"
#include "setup/SequenceSend.h"
#include "setup/SetupGrid.h"
#include "setup/StepDialogs.h"
#include "core/Units.h"
#include "ui/ConventionalIcons.h"
#include "ui/DialogButtons.h"
#include "ui/WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>
#include <QTime>
#include <QToolBar>

#include <utility>

namespace viscora {

namespace {
constexpr int kDesignWidth = 900;
constexpr int kDesignHeight = 500;
} // namespace

frmSetup::frmSetup(SetupWindowDeps deps, QWidget *parent)
    : QMainWindow(parent), deps_(std::move(deps)),
      prompter_(
          deps_.makePrompter, *this, deps_.prompter,
          [this](const std::string &text) { statusPanel->setText(QString::fromStdString(text)); }),
      repo_(deps_.db), ops_(deps_.m, repo_, prompter_), grid_(std::make_unique<SetupGridModel>())
{
    if (!deps_.runDialog)
        deps_.runDialog = [](QDialog &d) { return d.exec(); };
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(QStringLiteral("K7400R Setup"));
    buildMenus();
    buildToolbar();
    buildControls();
    MSComm1 = deps_.makePort ? deps_.makePort() : nullptr;
}

frmSetup::~frmSetup()
{
    if (MSComm1 && MSComm1->isOpen())
        MSComm1->close();
    MSFlexGrid1->setModel(nullptr);
}

void frmSetup::buildMenus()
{
    auto action = [this](QMenu *menu, const char *text, const char *name, auto slot) {
        QAction *a = menu->addAction(QString::fromUtf8(text));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("MenuFile"));
    MenuFilenew = action(file, "&New Sequence", "MenuFilenew", [this] { cmdNew_Click(); });
    MenuFilesaveas =
        action(file, "Save Sequence &As", "MenuFilesaveas", [this] { cmdSaveAs_Click(); });
    MenuFileDelete =
        action(file, "&Delete Sequence", "MenuFileDelete", [this] { MenuFileDelete_Click(); });
    file->addSeparator();
    MenuReturn = action(file, "&Return", "MenuReturn", [this] { cmdReturn_Click(); });
    QMenu *unit = menuBar()->addMenu(QStringLiteral("&Unit"));
    unit->setObjectName(QStringLiteral("MenuUnit"));
    MenuUnitEI = action(unit, "&EI Unit", "MenuUnitEI", [this] {
        setUnit(1);
        Option1->setChecked(true);
    });
    MenuUnitSI = action(unit, "&SI Unit", "MenuUnitSI", [this] {
        setUnit(2);
        Option2->setChecked(true);
    });
    QMenu *sequence = menuBar()->addMenu(QStringLiteral("&Sequence"));
    sequence->setObjectName(QStringLiteral("MenuSequence"));
    MenuAddStep = action(sequence, "&Add Step", "MenuAddStep", [this] { cmdInsertStep_Click(); });
    MenuDeleteStep =
        action(sequence, "&Delete Step", "MenuDeleteStep", [this] { cmdDeleteStep_Click(); });
    sequence->addSeparator();
    MenuSend = action(sequence, "&Send ", "MenuSend", [this] { cmdSend_Click(); });
    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("MenuHelp"));
    MenuHelpContent = action(help, "&Content", "MenuHelpContent", [this] {
        if (deps_.showHelp)
            deps_.showHelp(*this);
    });
    help->addSeparator();
    MenuHelpAbout = action(help, "&About", "MenuHelpAbout", [this] {
        if (deps_.showAbout)
            deps_.showAbout(*this);
    });
}

void frmSetup::buildToolbar()
{
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    struct Key {
        const char *key, *tip, *icon;
    } keys[] = {
        {"New", "New Sequence", "document-new"},
        {"Saveas", "Save Sequence As", "document-save-as"},
        {"Delete", "Delete Sequence", "edit-delete"},
        {"Print", "Print", "document-print"},
        {"Send", "Send Sequence to K7400r", "document-send"},
        {"Help", "Help", "help-contents"},
    };
    for (const Key &k : keys) {
        QAction *a = Toolbar1->addAction(conventionalIcon(QString::fromLatin1(k.icon)),
                                         QString::fromLatin1(k.key));
        a->setObjectName(QStringLiteral("Toolbar1_") + QString::fromLatin1(k.key));
        a->setData(QString::fromLatin1(k.key));
        a->setToolTip(QString::fromLatin1(k.tip));
        connect(a, &QAction::triggered, this,
                [this, a] { Toolbar1_ButtonClick(a->data().toString()); });
    }
}

void frmSetup::buildControls()
{
    central_ = new QWidget(this);
    setCentralWidget(scrollable(central_));
    central_->resize(kDesignWidth, kDesignHeight);

    auto label = [this](const char *name, const char *text, QRect g) {
        auto *l = new QLabel(QString::fromUtf8(text), central_);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(g);
        return l;
    };
    Label3 = label("Label3", "Saved test sequences:", {10, 8, 220, 20});
    DBList1 = new QListWidget(central_);
    DBList1->setObjectName(QStringLiteral("DBList1"));
    DBList1->setToolTip(QStringLiteral("Click to select the desired test sequence"));
    DBList1->setGeometry(10, 30, 220, 300);
    Label3->setBuddy(DBList1);
    connect(DBList1, &QListWidget::itemClicked, this, [this] {
        if (!std::exchange(pressChangedRow_, false))
            DBList1_Click();
    });
    connect(DBList1, &QListWidget::currentRowChanged, this, [this] {
        pressChangedRow_ = QApplication::mouseButtons() != Qt::NoButton;
        if (loaded_)
            DBList1_Click();
    });

    MSFlexGrid1 = new QTableView(central_);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setToolTip(QStringLiteral("Select the desired test step by click on it"));
    MSFlexGrid1->setGeometry(240, 8, 650, 322);
    MSFlexGrid1->setTabKeyNavigation(false);
    MSFlexGrid1->setModel(grid_.get());
    MSFlexGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    MSFlexGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    MSFlexGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    MSFlexGrid1->horizontalHeader()->setFixedHeight(36);
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(20);
    connect(MSFlexGrid1, &QTableView::doubleClicked, this, [this] { cmdEditStep_Click(); });

    Frame1 = new QGroupBox(QStringLiteral("Unit Selection"), central_);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(10, 336, 150, 52);
    Option1 = new QRadioButton(QStringLiteral("EI"), Frame1);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->setToolTip(QStringLiteral("Click here to select English Units"));
    Option1->setGeometry(10, 22, 60, 26);
    Option2 = new QRadioButton(QStringLiteral("SI"), Frame1);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option2->setToolTip(QStringLiteral("Click here to select Metric Units"));
    Option2->setGeometry(80, 22, 60, 26);
    connect(Option1, &QRadioButton::clicked, this, [this] { setUnit(1); });
    connect(Option2, &QRadioButton::clicked, this, [this] { setUnit(2); });

    lblRotorBob = label("lblRotorBob", "Rotor Bob Selection", {170, 338, 150, 20});
    cmbRbselect = new QComboBox(central_);
    cmbRbselect->setObjectName(QStringLiteral("cmbRbselect"));
    cmbRbselect->setToolTip(
        QStringLiteral("Select correct rotor and bob information in this pull down menu"));
    cmbRbselect->setGeometry(170, 358, 140, 30);
    lblRotorBob->setBuddy(cmbRbselect);
    connect(cmbRbselect, &QComboBox::activated, this, &frmSetup::cmbRbselect_Click);

    Label2 = label("Label2", "Comm Port No.", {320, 338, 120, 20});
    cmbComm = new QComboBox(central_);
    cmbComm->setObjectName(QStringLiteral("cmbComm"));
    cmbComm->setToolTip(QStringLiteral("Selecting the commport number in this pull down menu"));
    cmbComm->setGeometry(320, 358, 120, 30);
    Label2->setBuddy(cmbComm);
    connect(cmbComm, &QComboBox::activated, this, &frmSetup::cmbComm_Click);

    Frame2 = new QGroupBox(QStringLiteral("Charting Type"), central_);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(450, 336, 440, 52);
    auto radio = [this](const char *name, const char *text, int x, PlottingMethod method) {
        auto *r = new QRadioButton(QString::fromLatin1(text), Frame2);
        r->setObjectName(QString::fromLatin1(name));
        r->setGeometry(x, 22, x < 200 ? 124 : 80, 26);
        connect(r, &QRadioButton::clicked, this, [this, method] { curveStyle_Click(method); });
        return r;
    };
    radBfc = radio("radBfc", "Best Fit Power", 8, PlottingMethod::BestFitPower);
    radBfl = radio("radBfl", "Best Fit Linear", 136, PlottingMethod::BestFitLinear);
    radSpline = radio("radSpline", "Spline", 264, PlottingMethod::Spline);
    radLinear = radio("radLinear", "Linear", 350, PlottingMethod::Linear);

    auto button = [this](const char *name, const char *text, const char *tip, int col, int row,
                         auto slot) {
        auto *b = new QPushButton(QString::fromUtf8(text), central_);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(QString::fromUtf8(tip));
        b->setGeometry(10 + col * 148, 398 + row * 44, 140, 34);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    cmdNew = button("cmdNew", "&New", "Click here to create a new test sequence", 0, 0,
                    [this] { cmdNew_Click(); });
    cmdSaveAs = button("cmdSaveAs", "Save &As",
                       "Click here to save the selected test sequence as a different name", 1, 0,
                       [this] { cmdSaveAs_Click(); });
    cmdDelete = button("cmdDelete", "&Delete", "Click here to delete the selected test ssequence",
                       2, 0, [this] { cmdDelete_Click(); });
    cmdPrint = button("cmdPrint", "&Print steps", "Click here to print sequence steps", 3, 0,
                      [this] { cmdPrint_Click(); });
    cmdSend = button("cmdSend", "Send to &K7400r",
                     "Click here to send the selected test sequence to K7400r", 4, 0,
                     [this] { cmdSend_Click(); });
    cmdReturn = button("cmdReturn", "&Return", "Click here to return to main menu", 5, 0,
                       [this] { cmdReturn_Click(); });
    cmdEditStep = button("cmdEditStep", "Ed&it current step",
                         "Click here to edit the selected test step setup", 0, 1,
                         [this] { cmdEditStep_Click(); });
    cmdInsertStep = button("cmdInsertStep", "&Insert new step",
                           "Click here to insert new test step in the current test sequence", 1, 1,
                           [this] { cmdInsertStep_Click(); });
    cmdDeleteStep = button("cmdDeleteStep", "De&lete current step",
                           "Click here to delete the test step from the current test sequence", 2,
                           1, [this] { cmdDeleteStep_Click(); });
    cmdCopyPaste =
        button("cmdCopyPaste", "Copy && P&aste", "Click here to copy & paste one section of steps",
               3, 1, [this] { cmdCopyPaste_Click(); });
    // Shared Alt keys go to the button without a menu item of its own: Insert is Sequence, Add
    // Step; Save As is File, Save Sequence As.
    giveAltKey(*cmdEditStep, {cmdInsertStep});
    setCopyPasteEnabled(cmdCopyPaste->isEnabled());

    statusPanel = new QLabel(this);
    statusPanel->setObjectName(QStringLiteral("Status"));
    timePanel = new QLabel(this);
    timePanel->setObjectName(QStringLiteral("Time"));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setVisible(false);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(statusPanel, 1);
    statusBar()->addPermanentWidget(ProgressBar1);
    statusBar()->addPermanentWidget(timePanel);
    resize(kDesignWidth, kDesignHeight + 80);
}

void frmSetup::Form_Load()
{
    timePanel->setText(QTime::currentTime().toString(QStringLiteral("h:mm AP")));
    keepStatusBarWhole(*this);
    cmbComm->clear();
    for (int i = 1; i <= kCommPorts; ++i)
        cmbComm->addItem(QStringLiteral("Comm %1").arg(i));
    cmbComm->setCurrentIndex(0);
    cmbComm_Click(0);
    if (deps_.m.DebugMode)
        prompter().message("Add comport ok");
    cmbRbselect->clear();
    for (const RotorBob &rb : rotorBobList())
        cmbRbselect->addItem(QString::fromLatin1(rb.name));
    cmbRbselect->setCurrentIndex(0);
    cmbRbselect_Click(0);
    if (deps_.m.DebugMode)
        prompter().message("Add rb options ok");
    deps_.m.RbIndex = 1;
    central_->resize(kDesignWidth, kDesignHeight);
    layout_.attach(central_);
    centerOnScreen(*this);
    applyWindowState(*this, deps_.m.SavedWindowState);
    (deps_.m.isSI() ? Option2 : Option1)->setChecked(true);
    radLinear->setChecked(true);
    selectFirstSequence();
    loaded_ = true;
}

void frmSetup::selectFirstSequence()
{
    const auto all = repo_.sequences();
    if (!all) {
        viscora::show(prompter(), all.failure());
        return;
    }
    selectSequence(all->empty() ? QString() : all->front().name);
}

bool frmSetup::reloadList(const QString &select)
{
    const bool wasLoaded = loaded_;
    loaded_ = false; // no selection handling while the list is rebuilt
    DBList1->clear();
    const auto all = repo_.sequences();
    if (!all) {
        viscora::show(prompter(), all.failure());
        loaded_ = wasLoaded;
        return false;
    }
    for (const auto &s : *all)
        DBList1->addItem(s.name);
    const auto items = DBList1->findItems(select, Qt::MatchExactly);
    if (!select.isEmpty() && !items.isEmpty())
        DBList1->setCurrentItem(items.first());
    setDeleteEnabled(!currentSequence().isEmpty());
    loaded_ = wasLoaded;
    return true;
}

QString frmSetup::currentSequence() const
{
    const auto *item = DBList1->currentItem();
    return item ? item->text() : QString();
}

void frmSetup::setDeleteEnabled(bool on)
{
    cmdDelete->setEnabled(on);
    MenuFileDelete->setEnabled(on);
}

void frmSetup::selectSequence(const QString &name)
{
    if (reloadList(name))
        DBList1_Click();
}

void frmSetup::DBList1_Click()
{
    const QString name = currentSequence();
    statusPanel->clear();
    if (name.isEmpty()) {
        setDeleteEnabled(false);
        refreshGrid();
    } else {
        setDeleteEnabled(true);
        const auto seq = repo_.find(name);
        if (!seq) {
            // Said once; the steps would fail the same way.
            viscora::show(prompter(), seq.failure());
            grid_->setRows({}, deps_.m.isSI());
            setCopyPasteEnabled(false);
            return;
        }
        const int code = *seq ? (*seq)->rbfactor : 1;
        const SequenceRotorBob choice = sequenceRotorBob(code);
        if (!choice.inList)
            statusPanel->setText(QStringLiteral("Stored rotor-bob code %1 is not in the list; "
                                                "R1-B1 is used.")
                                     .arg(code));
        const int position = rotorBobPosition(choice.rb);
        cmbRbselect->setCurrentIndex(position);
        cmbRbselect_Click(position);
    }
    setCopyPasteEnabled(grid_->rowCount() > 0);
}

void frmSetup::setCopyPasteEnabled(bool enabled)
{
    cmdCopyPaste->setEnabled(enabled);
    // Alt+A: Copy & Paste while it can act, else Save As.
    if (enabled)
        giveAltKey(*cmdCopyPaste, {cmdSaveAs});
    else
        giveAltKey(*cmdSaveAs, {cmdCopyPaste});
}

void frmSetup::refreshGrid()
{
    const int keep = currentRow();
    const QString name = currentSequence();
    deps_.m.CurrentSequenceName = name.toStdString();
    std::vector<SequenceStep> steps;
    if (name.isEmpty()) {
        // No sequence is selected: nothing to read.
    } else if (const auto read = repo_.stepsOf(name); !read) {
        viscora::show(prompter(), read.failure());
    } else if (*read) {
        steps = std::move(**read);
    }
    grid_->setRows(setupRows(steps, deps_.m.isSI(), deps_.m.RbShearFactor), deps_.m.isSI());
    setCurrentRow(keep >= 1 && keep <= grid_->rowCount() ? keep : 1);
}

int frmSetup::currentRow() const
{
    const QModelIndex i = MSFlexGrid1->currentIndex();
    if (grid_->rowCount() == 0)
        return 0;
    return i.isValid() ? i.row() + 1 : 1;
}

void frmSetup::setCurrentRow(int row)
{
    if (row >= 1 && row <= grid_->rowCount())
        MSFlexGrid1->setCurrentIndex(grid_->index(row - 1, 0));
}

void frmSetup::setUnit(int unitSystem)
{
    if (deps_.m.UnitSystem == unitSystem)
        return;
    deps_.m.UnitSystem = unitSystem;
    refreshGrid();
    deps_.m.UnitChanged = true;
}

void frmSetup::cmbRbselect_Click(int position)
{
    const auto list = rotorBobList();
    if (position < 0 || position >= static_cast<int>(list.size()))
        position = 0;
    deps_.m.setRotorBob(withRotorBob(deps_.m.rotorBob(), list[static_cast<size_t>(position)]));
    refreshGrid();
}

void frmSetup::cmbComm_Click(int position)
{
    if (position < 0 || position > 11) {
        position = 0;
        cmbComm->setCurrentIndex(0);
    }
    deps_.m.CommPort = static_cast<std::int16_t>(position + 1);
}

void frmSetup::curveStyle_Click(PlottingMethod method)
{
    if (deps_.setPlottingMethod)
        deps_.setPlottingMethod(method);
}

void frmSetup::cmdNew_Click()
{
    if (const auto name = ops_.newSequence())
        selectSequence(*name);
}

void frmSetup::cmdSaveAs_Click()
{
    if (const auto name = ops_.saveAs(currentSequence()))
        selectSequence(*name);
}

void frmSetup::cmdDelete_Click()
{
    if (ops_.deleteSequence(currentSequence(), SequenceOperations::DeleteQuestion::Button))
        selectFirstSequence();
}

void frmSetup::MenuFileDelete_Click()
{
    if (ops_.deleteSequence(currentSequence(), SequenceOperations::DeleteQuestion::None))
        selectFirstSequence();
}

void frmSetup::cmdEditStep_Click()
{
    const int row = currentRow();
    if (row == 0) {
        prompter().message("Please select a test step first.", "Selection Error.");
        return;
    }
    frmAddEditStep dialog(deps_.m, prompter(), this);
    dialog.setRow(grid_->rows()[static_cast<size_t>(row - 1)]);
    deps_.m.StepDialogCancelled = true;
    deps_.runDialog(dialog);
    if (dialog.result() == QDialog::Accepted && ops_.editStep(currentSequence(), row)) {
        DBList1_Click();
        setCurrentRow(row);
    }
}

void frmSetup::cmdInsertStep_Click()
{
    if (currentSequence().isEmpty()) {
        prompter().message("Please select a test sequence first.", "Selection Error.");
        return;
    }
    if (!ops_.insertAllowed(grid_->rowCount()))
        return;
    const int row = currentRow();
    frmInsertStep dialog(deps_.m, prompter(), this);
    dialog.setStepNo(row ? grid_->rows()[static_cast<size_t>(row - 1)][0] : QStringLiteral("1"));
    deps_.m.StepDialogCancelled = true;
    deps_.runDialog(dialog);
    if (dialog.result() == QDialog::Accepted &&
        ops_.insertStep(currentSequence(), row, deps_.m.InsertAfter))
        DBList1_Click();
}

void frmSetup::cmdDeleteStep_Click()
{
    if (ops_.deleteStep(currentSequence(), currentRow()))
        DBList1_Click();
}

void frmSetup::cmdCopyPaste_Click()
{
    frmCopyPaste dialog(grid_->rowCount(), prompter(), this);
    deps_.runDialog(dialog);
    if (ops_.copyPaste(currentSequence(), dialog.choice, grid_->rows()))
        DBList1_Click();
}

void frmSetup::cmdPrint_Click()
{
    if (!deps_.makePrinter)
        return;
    auto printer = deps_.makePrinter();
    printSequence(*printer, currentSequence(), grid_->rows(), deps_.m.isSI());
}

void frmSetup::cmdSend_Click()
{
    if (!MSComm1)
        return;
    const auto read = repo_.stepsOf(currentSequence());
    if (!read) {
        viscora::show(prompter(), read.failure());
        return;
    }
    const std::vector<SequenceStep> steps = read->value_or(std::vector<SequenceStep>());
    ExchangeObserver observer;
    observer.status = [this](const std::string &text) {
        statusPanel->setText(QString::fromStdString(text));
        statusPanel->repaint();
    };
    observer.progress = [this](int value, int maximum) {
        if (value < 0) {
            ProgressBar1->setVisible(false);
            return;
        }
        ProgressBar1->setRange(0, maximum);
        ProgressBar1->setValue(value);
        ProgressBar1->setVisible(true);
        ProgressBar1->repaint();
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (auto sent = sendSequence(*MSComm1, deps_.clock, deps_.m, currentSequence(), steps,
                                 prompter(), observer))
        deps_.m.keepSent(std::move(*sent));
    QApplication::restoreOverrideCursor();
}

void frmSetup::cmdReturn_Click()
{
    const WindowState state = windowStateOf(*this);
    hide();
    if (deps_.showMain)
        deps_.showMain(state);
}

void frmSetup::Toolbar1_ButtonClick(const QString &key)
{
    if (key == QLatin1String("Saveas"))
        cmdSaveAs_Click();
    else if (key == QLatin1String("New"))
        cmdNew_Click();
    else if (key == QLatin1String("Delete") &&
             ops_.deleteSequence(currentSequence(), SequenceOperations::DeleteQuestion::Toolbar))
        selectFirstSequence();
    else if (key == QLatin1String("Print"))
        cmdPrint_Click();
    else if (key == QLatin1String("Send"))
        cmdSend_Click();
    else if (key == QLatin1String("Help") && deps_.showHelp)
        deps_.showHelp(*this);
}

void frmSetup::closeEvent(QCloseEvent *e)
{
    e->accept();
    if (deps_.showMain)
        deps_.showMain(WindowState::None);
}

} // namespace viscora
