#include "ports/frmSerialPorts.h"

#include "core/Prompter.h"
#include "device/PortMap.h"
#include "device/SerialPortList.h"
#include "ui/DialogButtons.h"
#include "ui/WindowPlacement.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace viscora {

namespace {
QString text(const std::string &s) { return QString::fromStdString(s); }

QString shownDevice(const std::string &device)
{
    return device == kSimulatedDevice ? QString::fromLatin1(frmSerialPorts::kSimulatedText)
                                      : text(device);
}
} // namespace

frmSerialPorts::frmSerialPorts(SerialPortsDeps deps, QWidget *parent)
    : QDialog(parent), deps_(std::move(deps))
{
    setObjectName(QStringLiteral("frmSerialPorts"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setModal(true);
    // The lists scroll on a small screen; OK and Cancel stay in view below them.
    auto *outer = new QVBoxLayout(this);
    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("content"));
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scrollable(content), 1);

    auto *present = new QGroupBox(QStringLiteral("Devices found"), this);
    auto *presentLayout = new QVBoxLayout(present);
    gridDevices = new QTableWidget(0, 5, present);
    gridDevices->setObjectName(QStringLiteral("gridDevices"));
    gridDevices->setHorizontalHeaderLabels({QStringLiteral("Device"), QStringLiteral("Stable name"),
                                            QStringLiteral("Maker and product"),
                                            QStringLiteral("Used as"), QStringLiteral("Access")});
    gridDevices->verticalHeader()->hide();
    gridDevices->setTabKeyNavigation(false);
    gridDevices->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridDevices->setSelectionMode(QAbstractItemView::NoSelection);
    // Everything but the stable name fits its contents; that one takes what is left.
    for (int c = 0; c < 5; ++c)
        gridDevices->horizontalHeader()->setSectionResizeMode(
            c, c == 1 ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
    gridDevices->setTextElideMode(Qt::ElideMiddle);
    gridDevices->setWordWrap(false);
    gridDevices->setMinimumHeight(140);
    presentLayout->addWidget(gridDevices);
    cmdRefresh = new QPushButton(QStringLiteral("&Refresh"), present);
    cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));
    cmdRefresh->setToolTip(QStringLiteral("List the devices again, after plugging one in"));
    connect(cmdRefresh, &QPushButton::clicked, this, &frmSerialPorts::cmdRefresh_Click);
    presentLayout->addWidget(cmdRefresh, 0, Qt::AlignLeft);
    layout->addWidget(present, 1);

    auto *assigned = new QGroupBox(QStringLiteral("Device of each port"), this);
    auto *form = new QFormLayout(assigned);
    const CommDevices saved = deps_.assignment.load();
    for (int n = 1; n <= kCommPorts; ++n) {
        QComboBox *box = new QComboBox(assigned);
        box->setObjectName(QStringLiteral("cmbComm%1").arg(n));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(48);
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->lineEdit()->setPlaceholderText(QStringLiteral("/dev/ttyS%1").arg(n - 1));
        box->setToolTip(QStringLiteral("Empty: /dev/ttyS%1").arg(n - 1));
        cmbComm[static_cast<size_t>(n - 1)] = box;
        if (!deps_.db) {
            form->addRow(QStringLiteral("Comm %1").arg(n), box);
            continue;
        }
        auto *row = new QHBoxLayout;
        row->addWidget(box, 2);
        QComboBox *instrument = new QComboBox(assigned);
        instrument->setObjectName(QStringLiteral("cmbInstrument%1").arg(n));
        instrument->setToolTip(QStringLiteral("The named instrument on Comm %1").arg(n));
        cmbInstrument[static_cast<size_t>(n - 1)] = instrument;
        row->addWidget(instrument, 1);
        form->addRow(QStringLiteral("Comm %1").arg(n), row);
    }
    if (deps_.db) {
        cmdNewInstrument = new QPushButton(QStringLiteral("Name an &Instrument..."), assigned);
        cmdNewInstrument->setObjectName(QStringLiteral("cmdNewInstrument"));
        connect(cmdNewInstrument, &QPushButton::clicked, this,
                &frmSerialPorts::cmdNewInstrument_Click);
        form->addRow(cmdNewInstrument);
        fillInstruments();
    }
    fillDevices();
    for (int n = 1; n <= kCommPorts; ++n) {
        const auto it = saved.find(n);
        cmbComm[static_cast<size_t>(n - 1)]->setEditText(
            it == saved.end() ? QString() : shownDevice(it->second));
    }
    layout->addWidget(assigned);

    QStringList runOnly;
    for (const auto &[n, device] : deps_.overrides)
        runOnly << QStringLiteral("Comm %1 = %2").arg(n).arg(shownDevice(device));
    lblOverrides = new QLabel(this);
    lblOverrides->setObjectName(QStringLiteral("lblOverrides"));
    lblOverrides->setWordWrap(true);
    lblOverrides->setText(
        QStringLiteral("For this run only (--comm): %1.").arg(runOnly.join(QStringLiteral(", "))));
    lblOverrides->setVisible(!runOnly.isEmpty());
    layout->addWidget(lblOverrides);
    lblFile =
        new QLabel(QStringLiteral("Saved for this user in %1. Every start is still on Comm 1.")
                       .arg(deps_.assignment.file()),
                   this);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    lblFile->setWordWrap(true);
    layout->addWidget(lblFile);

    const OkCancel buttons = addOkCancel(this, outer);
    cmdOk = buttons.ok;
    cmdCancel = buttons.cancel;
    connect(cmdOk, &QPushButton::clicked, this, &frmSerialPorts::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    cmbComm[0]->setFocus();
    resize(900, 720);
}

void frmSerialPorts::fillDevices()
{
    const auto rows =
        portRows(deps_.list.devices(), deps_.map, deps_.simulatorDevice(), deps_.problem);
    gridDevices->setRowCount(static_cast<int>(rows.size()));
    QStringList offered;
    for (size_t i = 0; i < rows.size(); ++i) {
        const PortRow &r = rows[i];
        const int row = static_cast<int>(i);
        // The by-id folder is the same for every device; its name alone fits the table.
        const QString cells[] = {text(r.info.device), QFileInfo(text(r.info.byId)).fileName(),
                                 text(r.description), text(commList(r.commPorts)),
                                 r.problem.empty() ? QStringLiteral("ok") : text(r.problem)};
        for (int c = 0; c < 5; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            item->setToolTip(c == 1 ? text(r.info.byId) : cells[c]);
            gridDevices->setItem(row, c, item);
        }
        if (r.description != kSimulatedText)
            offered << text(r.info.byId.empty() ? r.info.device : r.info.byId);
    }
    offered << QString::fromLatin1(kSimulatedText);
    for (QComboBox *box : cmbComm) {
        const QString typed = box->currentText();
        box->clear();
        box->addItems(offered);
        box->setEditText(typed);
    }
}

void frmSerialPorts::cmdRefresh_Click() { fillDevices(); }

void frmSerialPorts::fillInstruments()
{
    const auto all = InstrumentRepository(*deps_.db).instruments();
    const auto ports = InstrumentRepository(*deps_.db).assignments();
    if (!all || !ports) {
        viscora::show(deps_.prompter, !all ? all.failure() : ports.failure());
        return;
    }
    instruments_ = *all;
    if (assigned_.empty())
        assigned_ = *ports;
    for (int n = 1; n <= kCommPorts; ++n) {
        QComboBox *box = cmbInstrument[static_cast<size_t>(n - 1)];
        const int was = box->count() ? box->currentData().toInt() : -1;
        box->clear();
        box->addItem(QStringLiteral("(no instrument named)"), 0);
        for (const Instrument &i : instruments_)
            box->addItem(i.serialNo +
                             (i.model.isEmpty() ? QString() : QStringLiteral(", ") + i.model),
                         i.instrumentId);
        const auto it = assigned_.find(n);
        const int want = was >= 0 ? was : it == assigned_.end() ? 0 : it->second;
        box->setCurrentIndex(std::max(0, box->findData(want)));
    }
}

void frmSerialPorts::cmdNewInstrument_Click()
{
    const auto serial =
        deps_.prompter.input("The instrument's serial number:", "Name an Instrument");
    if (!serial || QString::fromStdString(*serial).trimmed().isEmpty())
        return;
    const auto model = deps_.prompter.input("Its model:", "Name an Instrument", "K7400R");
    if (!model)
        return;
    const auto location = deps_.prompter.input("Where it stands:", "Name an Instrument");
    if (!location)
        return;
    Instrument i;
    i.serialNo = QString::fromStdString(*serial).trimmed();
    i.model = QString::fromStdString(*model).trimmed();
    i.location = QString::fromStdString(*location).trimmed();
    const auto id = InstrumentRepository(*deps_.db).add(i);
    if (!id) {
        viscora::show(deps_.prompter, id.failure());
        return;
    }
    fillInstruments();
}

bool frmSerialPorts::saveInstruments()
{
    if (!deps_.db)
        return true;
    InstrumentRepository repo(*deps_.db);
    for (int n = 1; n <= kCommPorts; ++n) {
        const int chosen = cmbInstrument[static_cast<size_t>(n - 1)]->currentData().toInt();
        const auto it = assigned_.find(n);
        const int was = it == assigned_.end() ? 0 : it->second;
        if (chosen == was)
            continue;
        if (const DbResult r = repo.assign(n, chosen ? std::optional<int>(chosen) : std::nullopt);
            !r) {
            viscora::show(deps_.prompter, r.failure());
            return false;
        }
    }
    return true;
}

CommDevices frmSerialPorts::chosen() const
{
    CommDevices out;
    for (int n = 1; n <= kCommPorts; ++n) {
        const QString t = cmbComm[static_cast<size_t>(n - 1)]->currentText().trimmed();
        if (t == QLatin1String(kSimulatedText))
            out[n] = kSimulatedDevice;
        else if (!t.isEmpty())
            out[n] = t.toStdString();
    }
    return out;
}

void frmSerialPorts::cmdOk_Click()
{
    if (!saveInstruments())
        return;
    const CommDevices devices = chosen();
    std::string error;
    if (!deps_.assignment.save(devices, &error)) {
        deps_.prompter.message("The port assignment was not saved: " + error + ".", kTitle,
                               Buttons::Ok, Icon::Critical);
        return;
    }
    deps_.apply(devices);
    // Saved all the same: the adapter may be plugged in, or the user added to the group, later.
    std::string problems;
    for (const auto &[n, device] : devices) {
        if (device == kSimulatedDevice)
            continue;
        const std::string why = deps_.problem(device);
        if (!why.empty())
            problems += "Comm " + std::to_string(n) + ": " + device + ": " + why + "\n";
    }
    if (!problems.empty())
        deps_.prompter.message("Saved, but this user cannot open every device yet:\n" + problems,
                               kTitle, Buttons::Ok, Icon::Exclamation);
    accept();
}

} // namespace viscora
