#include "calib/frmCalibrationRecords.h"

#include "core/Module1.h"
#include "core/NumberText.h"
#include "core/Prompter.h"
#include "report/CalibrationCertificate.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

namespace viscora {

namespace {

constexpr int kCertificateRows = 8;
const char *const kFluidsTitle = "Calibration Fluids";
const char *const kHistoryTitle = "Calibration History";

QString number(double v, int decimals) { return QString::number(v, 'f', decimals); }

std::optional<double> numberIn(const QString &text)
{
    if (text.trimmed().isEmpty())
        return std::nullopt;
    return parseNumber(text.toStdString());
}

QTableWidgetItem *cell(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

void ToleranceBoxes::build(QFormLayout &form, const QString &label, QWidget &parent)
{
    auto *row = new QHBoxLayout;
    percent = new QLineEdit(&parent);
    percent->setObjectName(QStringLiteral("txtPercent"));
    floor = new QLineEdit(&parent);
    floor->setObjectName(QStringLiteral("txtFloor"));
    row->addWidget(percent);
    row->addWidget(new QLabel(QStringLiteral("% of the stress, at least"), &parent));
    row->addWidget(floor);
    row->addWidget(new QLabel(QStringLiteral("dyn/cm2"), &parent));
    form.addRow(label, row);
    show({});
}

void ToleranceBoxes::show(const calibration::Tolerance &t)
{
    percent->setText(QString::number(t.percent));
    floor->setText(QString::number(t.floorDynCm2));
}

std::optional<calibration::Tolerance> ToleranceBoxes::read(Prompter &prompter,
                                                           const char *title) const
{
    const auto p = numberIn(percent->text());
    const auto f = numberIn(floor->text());
    if (!p || *p < 0 || !f || *f < 0) {
        prompter.message("The tolerance must be a percent and a floor in dyn/cm2, each 0 or more.",
                         title);
        return std::nullopt;
    }
    return calibration::Tolerance{*p, *f};
}

frmCalibrationFluids::frmCalibrationFluids(CalibrationRecordsDeps deps, QWidget *parent)
    : QDialog(parent), deps_(std::move(deps)),
      prompter_(deps_.makePrompter, *this, deps_.prompter, {})
{
    setObjectName(QStringLiteral("frmCalibrationFluids"));
    setWindowTitle(QString::fromLatin1(kFluidsTitle));
    setModal(true);
    auto *outer = new QHBoxLayout(this);
    lstFluids = new QListWidget(this);
    lstFluids->setObjectName(QStringLiteral("lstFluids"));
    outer->addWidget(lstFluids, 1);
    auto *right = new QVBoxLayout;
    auto *form = new QFormLayout;
    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    form->addRow(QStringLiteral("&Name:"), txtName);
    txtLot = new QLineEdit(this);
    txtLot->setObjectName(QStringLiteral("txtLot"));
    form->addRow(QStringLiteral("&Lot:"), txtLot);
    dateExpiry = new QDateEdit(QDate::currentDate().addYears(1), this);
    dateExpiry->setObjectName(QStringLiteral("dateExpiry"));
    dateExpiry->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dateExpiry->setCalendarPopup(true);
    form->addRow(QStringLiteral("&Expiry date:"), dateExpiry);
    tolerance.build(*form, QStringLiteral("Tolerance:"), *this);
    right->addLayout(form);
    right->addWidget(
        new QLabel(QStringLiteral("The certificate's viscosity at each temperature:"), this));
    gridCertificate = new QTableWidget(kCertificateRows, 2, this);
    gridCertificate->setObjectName(QStringLiteral("gridCertificate"));
    gridCertificate->setHorizontalHeaderLabels(
        {si() ? QStringLiteral("Temperature (°C)") : QStringLiteral("Temperature (°F)"),
         QStringLiteral("Viscosity (cP)")});
    gridCertificate->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    right->addWidget(gridCertificate, 1);
    auto *buttons = new QHBoxLayout;
    cmdNew = new QPushButton(QStringLiteral("Ne&w"), this);
    cmdSave = new QPushButton(QStringLiteral("&Save"), this);
    cmdRemove = new QPushButton(QStringLiteral("&Remove"), this);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    for (QPushButton *b : {cmdNew, cmdSave, cmdRemove, cmdClose})
        buttons->addWidget(b);
    right->addLayout(buttons);
    outer->addLayout(right, 2);
    connect(cmdNew, &QPushButton::clicked, this, &frmCalibrationFluids::cmdNew_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmCalibrationFluids::cmdSave_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmCalibrationFluids::cmdRemove_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(lstFluids, &QListWidget::currentRowChanged, this, &frmCalibrationFluids::showFluid);
    load();
    resize(760, 460);
}

bool frmCalibrationFluids::si() const { return deps_.m.UnitSystem == 2; }

void frmCalibrationFluids::load(int selectFluidId)
{
    const auto all = FluidRepository(deps_.db).fluids();
    if (!all) {
        viscora::show(prompter_.get(), all.failure());
        return;
    }
    fluids_ = *all;
    const QSignalBlocker quiet(lstFluids);
    lstFluids->clear();
    int select = -1;
    for (size_t i = 0; i < fluids_.size(); ++i) {
        lstFluids->addItem(fluids_[i].name + QStringLiteral(" (lot ") + fluids_[i].lot +
                           QLatin1Char(')'));
        if (fluids_[i].fluidId == selectFluidId)
            select = static_cast<int>(i);
    }
    lstFluids->setCurrentRow(select);
    showFluid();
}

void frmCalibrationFluids::showFluid()
{
    const int i = lstFluids->currentRow();
    gridCertificate->clearContents();
    cmdRemove->setEnabled(i >= 0);
    if (i < 0) {
        txtName->clear();
        txtLot->clear();
        return;
    }
    const CalibrationFluid &f = fluids_[static_cast<size_t>(i)];
    txtName->setText(f.name);
    txtLot->setText(f.lot);
    dateExpiry->setDate(QDate::fromString(f.expiry, Qt::ISODate));
    tolerance.show(f.tolerance);
    for (size_t r = 0; r < f.certificate.size() && r < kCertificateRows; ++r) {
        const double t = f.certificate[r].temperatureF;
        gridCertificate->setItem(static_cast<int>(r), 0,
                                 new QTableWidgetItem(QString::number(
                                     si() ? calibration::fahrenheitToCelsius(t) : t, 'g', 10)));
        gridCertificate->setItem(
            static_cast<int>(r), 1,
            new QTableWidgetItem(QString::number(f.certificate[r].viscosityCp, 'g', 10)));
    }
}

void frmCalibrationFluids::cmdNew_Click()
{
    lstFluids->setCurrentRow(-1);
    txtName->setFocus();
}

std::optional<CalibrationFluid> frmCalibrationFluids::typed()
{
    auto refuse = [this](const char *text) {
        prompter_.get().message(text, kFluidsTitle);
        return std::nullopt;
    };
    CalibrationFluid f;
    f.name = txtName->text().trimmed();
    f.lot = txtLot->text().trimmed();
    f.expiry = dateExpiry->date().toString(Qt::ISODate);
    if (f.name.isEmpty() || f.lot.isEmpty())
        return refuse("Please enter the fluid's name and lot.");
    const auto typedTolerance = tolerance.read(prompter_.get(), kFluidsTitle);
    if (!typedTolerance)
        return std::nullopt;
    f.tolerance = *typedTolerance;
    for (int r = 0; r < kCertificateRows; ++r) {
        auto text = [&](int c) {
            const QTableWidgetItem *item = gridCertificate->item(r, c);
            return item ? item->text() : QString();
        };
        if (text(0).trimmed().isEmpty() && text(1).trimmed().isEmpty())
            continue;
        const auto t = numberIn(text(0));
        const auto v = numberIn(text(1));
        if (!t || !v || *v <= 0)
            return refuse("Each line of the certificate needs a temperature and a viscosity "
                          "above 0 cP.");
        f.certificate.push_back({si() ? calibration::celsiusToFahrenheit(*t) : *t, *v});
    }
    if (f.certificate.empty())
        return refuse("Please enter the certificate's viscosity at one temperature at least.");
    return f;
}

void frmCalibrationFluids::cmdSave_Click()
{
    auto f = typed();
    if (!f)
        return;
    FluidRepository repo(deps_.db);
    const int i = lstFluids->currentRow();
    if (i < 0) {
        const auto id = repo.add(*f);
        if (!id) {
            viscora::show(prompter_.get(), id.failure());
            return;
        }
        load(*id);
        return;
    }
    // A correction: a later record of the same fluid; the checks keep the one they used.
    f->fluidId = fluids_[static_cast<size_t>(i)].fluidId;
    if (const DbResult r = repo.correct(*f); !r) {
        viscora::show(prompter_.get(), r.failure());
        return;
    }
    load(f->fluidId);
}

void frmCalibrationFluids::cmdRemove_Click()
{
    const int i = lstFluids->currentRow();
    if (i < 0)
        return;
    const CalibrationFluid &f = fluids_[static_cast<size_t>(i)];
    if (prompter_.get().message("Remove the calibration fluid \"" + f.name.toStdString() +
                                    "\" from use? The checks made with it keep its record.",
                                kFluidsTitle, Buttons::YesNoDefaultNo,
                                Icon::Question) != Answer::Yes)
        return;
    if (const DbResult r = FluidRepository(deps_.db).remove(f.fluidId); !r)
        viscora::show(prompter_.get(), r.failure());
    load();
}

frmCalibrationHistory::frmCalibrationHistory(CalibrationRecordsDeps deps, QWidget *parent)
    : QDialog(parent), deps_(std::move(deps)),
      prompter_(deps_.makePrompter, *this, deps_.prompter, {})
{
    setObjectName(QStringLiteral("frmCalibrationHistory"));
    setWindowTitle(QString::fromLatin1(kHistoryTitle));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    cmbInstrument = new QComboBox(this);
    cmbInstrument->setObjectName(QStringLiteral("cmbInstrument"));
    auto *label = new QLabel(QStringLiteral("&Instrument:"), this);
    label->setBuddy(cmbInstrument);
    top->addWidget(label);
    top->addWidget(cmbInstrument, 1);
    top->addWidget(new QLabel(QStringLiteral("Interval (days):"), this));
    txtInterval = new QLineEdit(this);
    txtInterval->setObjectName(QStringLiteral("txtInterval"));
    txtInterval->setMaximumWidth(80);
    top->addWidget(txtInterval);
    cmdInterval = new QPushButton(QStringLiteral("Set Interva&l"), this);
    top->addWidget(cmdInterval);
    layout->addLayout(top);
    lblDue = new QLabel(this);
    lblDue->setObjectName(QStringLiteral("lblDue"));
    layout->addWidget(lblDue);
    gridChecks = new QTableWidget(0, 10, this);
    gridChecks->setObjectName(QStringLiteral("gridChecks"));
    gridChecks->setHorizontalHeaderLabels(
        {QStringLiteral("Check"), QStringLiteral("Date"), QStringLiteral("Instrument"),
         QStringLiteral("Operator"), QStringLiteral("Fluid"), QStringLiteral("Lot"),
         QStringLiteral("Temperature"), QStringLiteral("Viscosity (cP)"), QStringLiteral("Result"),
         QStringLiteral("Correction")});
    gridChecks->verticalHeader()->hide();
    gridChecks->setSelectionBehavior(QAbstractItemView::SelectRows);
    gridChecks->setSelectionMode(QAbstractItemView::SingleSelection);
    gridChecks->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(gridChecks, 2);
    chartTrend = new QChartView(this);
    chartTrend->setObjectName(QStringLiteral("chartTrend"));
    chartTrend->setMinimumHeight(220);
    layout->addWidget(chartTrend, 2);
    auto *buttons = new QHBoxLayout;
    cmdPdf = new QPushButton(QStringLiteral("Save &PDF..."), this);
    cmdPrint = new QPushButton(QStringLiteral("P&rint..."), this);
    cmdCorrect = new QPushButton(QStringLiteral("C&orrect..."), this);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    for (QPushButton *b : {cmdPdf, cmdPrint, cmdCorrect, cmdClose})
        buttons->addWidget(b);
    cmdPrint->setEnabled(static_cast<bool>(deps_.choosePrinter));
    layout->addLayout(buttons);
    connect(cmdInterval, &QPushButton::clicked, this, &frmCalibrationHistory::cmdInterval_Click);
    connect(cmdPdf, &QPushButton::clicked, this, &frmCalibrationHistory::cmdPdf_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmCalibrationHistory::cmdPrint_Click);
    connect(cmdCorrect, &QPushButton::clicked, this, &frmCalibrationHistory::cmdCorrect_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmbInstrument, &QComboBox::currentIndexChanged, this,
            &frmCalibrationHistory::showChecks);
    load();
    resize(980, 680);
}

void frmCalibrationHistory::load()
{
    const auto all = InstrumentRepository(deps_.db).instruments();
    if (!all) {
        viscora::show(prompter_.get(), all.failure());
        return;
    }
    instruments_ = *all;
    const int was = cmbInstrument->currentIndex();
    const QSignalBlocker quiet(cmbInstrument);
    cmbInstrument->clear();
    cmbInstrument->addItem(QStringLiteral("All instruments"));
    for (const Instrument &i : instruments_)
        cmbInstrument->addItem(i.serialNo +
                               (i.location.isEmpty()
                                    ? QString()
                                    : QStringLiteral(" (") + i.location + QLatin1Char(')')));
    cmbInstrument->setCurrentIndex(std::max(0, std::min(was, cmbInstrument->count() - 1)));
    showChecks();
}

void frmCalibrationHistory::showChecks()
{
    const int at = cmbInstrument->currentIndex() - 1;
    const std::optional<Instrument> instrument =
        at >= 0 ? std::optional<Instrument>(instruments_[static_cast<size_t>(at)]) : std::nullopt;
    txtInterval->setEnabled(instrument.has_value());
    cmdInterval->setEnabled(instrument.has_value());
    lblDue->setStyleSheet(QString());
    if (instrument) {
        txtInterval->setText(QString::number(instrument->intervalDays));
        const auto due = instrumentDue(deps_.db, *instrument, today());
        if (due) {
            lblDue->setText(QStringLiteral("Next check: ") + dueText(*due));
            if (due->status.state == calibration::DueState::Overdue)
                lblDue->setStyleSheet(QStringLiteral("color: red"));
        }
    } else {
        txtInterval->clear();
        lblDue->setText(QStringLiteral("Choose an instrument for its interval and next check."));
    }
    const auto checks = CheckRepository(deps_.db).checks(
        instrument ? std::optional<int>(instrument->instrumentId) : std::nullopt);
    if (!checks) {
        viscora::show(prompter_.get(), checks.failure());
        return;
    }
    checks_ = *checks;
    gridChecks->setRowCount(static_cast<int>(checks_.size()));
    for (int r = 0; r < static_cast<int>(checks_.size()); ++r) {
        const CalibrationRecord &c = checks_[static_cast<size_t>(r)];
        QString serial = QStringLiteral("-");
        for (const Instrument &i : instruments_)
            if (c.instrumentId == i.instrumentId)
                serial = i.serialNo;
        QString correction;
        if (c.replaces)
            correction = QStringLiteral("replaces check %1").arg(*c.replaces);
        if (c.replacedBy)
            correction += (correction.isEmpty() ? QString() : QStringLiteral("; ")) +
                          QStringLiteral("replaced by check %1").arg(*c.replacedBy);
        const QDateTime started = QDateTime::fromString(c.started, Qt::ISODate).toLocalTime();
        const QString temperature =
            !c.temperatureF ? QStringLiteral("-")
            : deps_.m.UnitSystem == 2
                ? number(calibration::fahrenheitToCelsius(*c.temperatureF), 1) +
                      QStringLiteral(" °C")
                : number(*c.temperatureF, 1) + QStringLiteral(" °F");
        const QString cells[] = {QString::number(c.checkId),
                                 started.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                                 serial,
                                 c.operatorName,
                                 c.fluidName.isEmpty() ? QStringLiteral("(typed)") : c.fluidName,
                                 c.lot,
                                 temperature,
                                 number(c.viscosityCp, 2),
                                 verdictText(c.outcome),
                                 correction};
        for (int col = 0; col < 10; ++col) {
            QTableWidgetItem *item = cell(cells[col]);
            if (col == 8 && c.outcome == QLatin1String(CalibrationRecord::kFailed))
                item->setForeground(Qt::red);
            gridChecks->setItem(r, col, item);
        }
    }
    gridChecks->resizeColumnsToContents();
    if (!checks_.empty())
        gridChecks->selectRow(0);
    showTrend();
}

void frmCalibrationHistory::showTrend()
{
    auto *chart = new QChart;
    chart->setTitle(QStringLiteral("Error (%) at each reference stress"));
    auto *time = new QDateTimeAxis;
    time->setFormat(QStringLiteral("yyyy-MM-dd"));
    time->setTickCount(3);
    time->setTitleText(QStringLiteral("Date"));
    auto *percent = new QValueAxis;
    percent->setTitleText(QStringLiteral("Error (%)"));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(percent, Qt::AlignLeft);
    double lo = -1, hi = 1;
    qint64 first = 0, last = 0;
    for (int row = 0; row < 5; ++row) {
        auto *series = new QLineSeries;
        series->setName(QStringLiteral("%1 dyn/cm2").arg(calibration::kReferenceStresses[row]));
        series->setPointsVisible(true);
        // Oldest first; a replaced check gives way to its correction.
        for (auto c = checks_.rbegin(); c != checks_.rend(); ++c) {
            if (c->replacedBy)
                continue;
            for (const CheckReading &g : c->readings)
                if (g.row == row && g.measured) {
                    const qint64 ms =
                        QDateTime::fromString(c->started, Qt::ISODate).toMSecsSinceEpoch();
                    series->append(static_cast<qreal>(ms), g.percentError);
                    lo = std::min(lo, g.percentError);
                    hi = std::max(hi, g.percentError);
                    first = first == 0 ? ms : std::min(first, ms);
                    last = std::max(last, ms);
                }
        }
        chart->addSeries(series);
        series->attachAxis(time);
        series->attachAxis(percent);
    }
    if (first == 0)
        first = last = QDateTime::currentMSecsSinceEpoch();
    const qint64 day = 86400000;
    time->setRange(QDateTime::fromMSecsSinceEpoch(first - day),
                   QDateTime::fromMSecsSinceEpoch(last + day));
    percent->setRange(lo - 1, hi + 1);
    QChart *old = chartTrend->chart();
    chartTrend->setChart(chart);
    delete old;
}

std::optional<CalibrationRecord> frmCalibrationHistory::selected()
{
    const int r = gridChecks->currentRow();
    if (r < 0 || r >= static_cast<int>(checks_.size())) {
        prompter_.get().message("Please choose a check in the list.", kHistoryTitle);
        return std::nullopt;
    }
    return checks_[static_cast<size_t>(r)];
}

void frmCalibrationHistory::cmdInterval_Click()
{
    const int at = cmbInstrument->currentIndex() - 1;
    if (at < 0)
        return;
    const auto days = parseNumber(txtInterval->text().toStdString());
    if (!days || *days < 1 || *days > 3650 || *days != std::floor(*days)) {
        prompter_.get().message("The interval is a whole number of days from 1 to 3650.",
                                kHistoryTitle);
        return;
    }
    Instrument i = instruments_[static_cast<size_t>(at)];
    i.intervalDays = static_cast<int>(*days);
    if (const DbResult r = InstrumentRepository(deps_.db).correct(i); !r) {
        viscora::show(prompter_.get(), r.failure());
        return;
    }
    load();
}

void frmCalibrationHistory::cmdPdf_Click()
{
    const auto check = selected();
    if (!check)
        return;
    FileDialogRequest request;
    request.title = "Save Calibration Record";
    request.filter = "PDF (*.pdf)|*.pdf";
    request.proposedName = "calibration " + std::to_string(check->checkId) + ".pdf";
    const std::string path = prompter_.get().saveFile(request);
    if (path.empty())
        return;
    const auto content = certificateContent(deps_.db, *check);
    if (!content) {
        viscora::show(prompter_.get(), content.failure());
        return;
    }
    if (const ExportResult r = writeCertificatePdf(path, *content); !r.ok)
        prompter_.get().message("The calibration record could not be saved to " + path + ": " +
                                    r.error,
                                "Export Error");
}

void frmCalibrationHistory::cmdPrint_Click()
{
    const auto check = selected();
    if (!check || !deps_.choosePrinter)
        return;
    const auto content = certificateContent(deps_.db, *check);
    if (!content) {
        viscora::show(prompter_.get(), content.failure());
        return;
    }
    if (QPagedPaintDevice *printer = deps_.choosePrinter())
        drawCertificate(*printer, *content);
}

void frmCalibrationHistory::cmdCorrect_Click()
{
    const auto check = selected();
    if (!check)
        return;
    if (check->replacedBy) {
        prompter_.get().message("Check " + std::to_string(check->checkId) +
                                    " has been corrected already by check " +
                                    std::to_string(*check->replacedBy) + ": correct that one.",
                                kHistoryTitle);
        return;
    }
    const auto name = prompter_.get().input("The operator who ran the check:", kHistoryTitle,
                                            check->operatorName.toStdString());
    if (!name)
        return;
    const auto why = prompter_.get().input("Why is the record corrected?", kHistoryTitle);
    if (!why || QString::fromStdString(*why).trimmed().isEmpty())
        return;
    // Records are never changed: the correction is a new check naming the one it replaces.
    CalibrationRecord fixed = *check;
    fixed.replaces = check->checkId;
    fixed.replacedBy.reset();
    fixed.operatorName = QString::fromStdString(*name).trimmed();
    fixed.note = QString::fromStdString(*why).trimmed();
    const auto id = CheckRepository(deps_.db).add(fixed);
    if (!id) {
        viscora::show(prompter_.get(), id.failure());
        return;
    }
    showChecks();
}

} // namespace viscora
