#include "rheology/frmRheology.h"

#include "rheology/FlowChart.h"

#include "core/ChartTypes.h"
#include "rheology/Tables.h"
#include "ui/ChartView.h"
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace viscora {

const char *const frmRheology::kTitle = "Rheology";

namespace {

QString qs(const std::string &s) { return QString::fromStdString(s); }

QTableWidget *makeGrid(const char *name, QWidget *parent)
{
    auto *g = new QTableWidget(parent);
    g->setObjectName(QString::fromLatin1(name));
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionMode(QAbstractItemView::ContiguousSelection);
    g->verticalHeader()->setVisible(false);
    g->verticalHeader()->setDefaultSectionSize(20);
    g->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    g->setWordWrap(false);
    g->setTabKeyNavigation(false);
    g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return g;
}

// A table never cut in the middle: as tall and wide as its cells, the window scrolls instead.
void showWhole(QTableWidget &g)
{
    const int frame = 2 * g.frameWidth();
    int height = frame + g.horizontalHeader()->sizeHint().height();
    for (int r = 0; r < g.rowCount(); ++r)
        height += g.rowHeight(r);
    int width = frame;
    for (int c = 0; c < g.columnCount(); ++c)
        width += g.columnWidth(c);
    g.setFixedHeight(height);
    g.setMinimumWidth(width);
}

void fillGrid(QTableWidget &g, const rheology::Table &t, int boldRow = -1)
{
    g.clear();
    g.setColumnCount(static_cast<int>(t.header.size()));
    g.setRowCount(static_cast<int>(t.rows.size()));
    QStringList header;
    for (const std::string &h : t.header)
        header << qs(h);
    g.setHorizontalHeaderLabels(header);
    for (int r = 0; r < g.rowCount(); ++r) {
        const auto &row = t.rows[static_cast<size_t>(r)];
        for (int c = 0; c < g.columnCount() && c < static_cast<int>(row.size()); ++c) {
            const rheology::Cell &cell = row[static_cast<size_t>(c)];
            auto *item = new QTableWidgetItem(qs(cell.text));
            item->setTextAlignment((cell.number ? Qt::AlignRight : Qt::AlignLeft) |
                                   Qt::AlignVCenter);
            // Notes can be long: the whole text stays a hover away.
            if (!cell.number && !cell.text.empty())
                item->setToolTip(qs(cell.text));
            if (r == boldRow) {
                QFont f = item->font();
                f.setBold(true);
                item->setFont(f);
            }
            g.setItem(r, c, item);
        }
    }
    g.resizeColumnsToContents();
    // A notes column takes the room left; a number column stays by its neighbours.
    g.horizontalHeader()->setStretchLastSection(!t.header.empty() && t.header.back() == "Note");
    showWhole(g);
}

QGroupBox *framed(const char *title, QWidget *content, QWidget *parent, QLabel *note = nullptr)
{
    auto *box = new QGroupBox(QString::fromUtf8(title), parent);
    auto *l = new QVBoxLayout(box);
    l->setContentsMargins(4, 4, 4, 4);
    if (note)
        l->addWidget(note);
    l->addWidget(content);
    l->addStretch();
    return box;
}

QLabel *noteLabel(const char *name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setWordWrap(true);
    QFont f = l->font();
    f.setItalic(true);
    l->setFont(f);
    return l;
}

} // namespace

frmRheology::frmRheology(rheology::Analysis analysis, std::string testName, QWidget *parent)
    : QDialog(parent), analysis_(std::move(analysis)), testName_(std::move(testName))
{
    setObjectName(QStringLiteral("frmRheology"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setSizeGripEnabled(true);

    lblCurve = new QLabel(QStringLiteral("Flow &curve:"), this);
    lblCurve->setObjectName(QStringLiteral("lblCurve"));
    cmbCurve = new QComboBox(this);
    cmbCurve->setObjectName(QStringLiteral("cmbCurve"));
    lblCurve->setBuddy(cmbCurve);
    for (size_t i = 0; i < analysis_.curves.size(); ++i)
        cmbCurve->addItem(qs(rheology::curveTitle(analysis_.curves[i], i, analysis_.curves.size(),
                                                  analysis_.units)));
    // A selector only when there is something to choose.
    const bool several = analysis_.curves.size() > 1;
    lblCurve->setVisible(several);
    cmbCurve->setVisible(several);
    lblNotes = new QLabel(this);
    lblNotes->setObjectName(QStringLiteral("lblNotes"));
    lblNotes->setWordWrap(true);

    lblWarnings = new QLabel(this);
    lblWarnings->setObjectName(QStringLiteral("lblWarnings"));
    lblWarnings->setWordWrap(true);
    lblWarnings->setTextFormat(Qt::PlainText);
    {
        QPalette p = lblWarnings->palette();
        p.setColor(QPalette::WindowText, QColor(0x9c, 0x1c, 0x1c));
        lblWarnings->setPalette(p);
    }

    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("content"));
    grdReport = makeGrid("grdReport", content);
    grdReadings = makeGrid("grdReadings", content);
    grdField = makeGrid("grdField", content);
    grdGels = makeGrid("grdGels", content);
    grdModels = makeGrid("grdModels", content);
    lblReportNote = noteLabel("lblReportNote", content);
    lblFieldNote = noteLabel("lblFieldNote", content);
    lblGelsNote = noteLabel("lblGelsNote", content);
    lblModelsNote = noteLabel("lblModelsNote", content);
    lblRecommended = new QLabel(this);
    lblRecommended->setObjectName(QStringLiteral("lblRecommended"));
    QFont bold = lblRecommended->font();
    bold.setBold(true);
    lblRecommended->setFont(bold);

    chtFlowCurve = new ChartView(content);
    chtFlowCurve->setObjectName(QStringLiteral("chtFlowCurve"));
    chtFlowCurve->setMinimumSize(420, 300);

    auto *models = new QHBoxLayout;
    for (const rheology::Model &model : rheology::modelTable()) {
        auto *box = new QCheckBox(QString::fromUtf8(model.name), content);
        box->setObjectName(QStringLiteral("chkModel_") + QString::fromLatin1(model.key));
        box->setChecked(true);
        connect(box, &QCheckBox::toggled, this, [this] { chkModel_Click(); });
        models->addWidget(box);
        chkModel.push_back(box);
    }
    models->addStretch();
    optLinear = new QRadioButton(QStringLiteral("&Linear axes"), content);
    optLinear->setObjectName(QStringLiteral("optLinear"));
    optLog = new QRadioButton(QStringLiteral("Lo&g axes"), content);
    optLog->setObjectName(QStringLiteral("optLog"));
    optLinear->setChecked(true);
    connect(optLinear, &QRadioButton::toggled, this, [this] { optScale_Click(); });
    auto *scales = new QHBoxLayout;
    scales->addWidget(optLinear);
    scales->addWidget(optLog);
    scales->addStretch();

    cmdCopy = new QPushButton(QStringLiteral("Copy"), this);
    cmdCopy->setObjectName(QStringLiteral("cmdCopy"));
    cmdCopy->setToolTip(
        QStringLiteral("Copy every table of every flow curve as tab-separated text"));
    connect(cmdCopy, &QPushButton::clicked, this, &frmRheology::cmdCopy_Click);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    // Enter closes, as in the other dialogs; copying is asked for by name.
    cmdCopy->setAutoDefault(false);
    cmdClose->setDefault(true);

    auto *top = new QHBoxLayout;
    top->addWidget(lblCurve);
    top->addWidget(cmbCurve, 1);

    auto *chartBox = new QVBoxLayout;
    chartBox->addWidget(chtFlowCurve, 1);
    chartBox->addLayout(models);
    chartBox->addLayout(scales);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblRecommended, 1);
    buttons->addWidget(cmdCopy);
    buttons->addWidget(cmdClose);

    // The mud report first, beside the chart; then the field values and gels; the readings and
    // models below, full width. Every table shows all its rows: the whole content scrolls.
    auto *grid = new QGridLayout(content);
    grid->addWidget(framed("Mud report", grdReport, content, lblReportNote), 0, 0);
    grid->addLayout(chartBox, 0, 1);
    grid->addWidget(framed("Field values", grdField, content, lblFieldNote), 1, 0);
    grid->addWidget(framed("Gels", grdGels, content, lblGelsNote), 1, 1);
    grid->addWidget(framed("Readings", grdReadings, content), 2, 0, 1, 2);
    grid->addWidget(framed("Models", grdModels, content, lblModelsNote), 3, 0, 1, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    grid->setRowStretch(4, 1);

    scrContent = new QScrollArea(this);
    scrContent->setObjectName(QStringLiteral("scrContent"));
    scrContent->setWidgetResizable(true);
    scrContent->setFrameShape(QFrame::NoFrame);
    scrContent->setWidget(content);

    auto *outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addWidget(lblNotes);
    outer->addWidget(lblWarnings);
    outer->addWidget(scrContent, 1);
    outer->addLayout(buttons);
    // Small screens scroll the content; the buttons stay in reach.
    setMinimumSize(560, 360);
    // Roomy, but never larger than the screen it opens on.
    resize(1240, 960);
    fitOnScreen(*this);

    QStringList notes;
    for (const std::string &n : rheology::analysisNotes(analysis_))
        notes << qs(n);
    lblNotes->setText(notes.join(QLatin1Char(' ')));
    lblNotes->setVisible(!notes.isEmpty());

    connect(cmbCurve, &QComboBox::activated, this, &frmRheology::cmbCurve_Click);
    cmbCurve_Click(0);
}

void frmRheology::cmbCurve_Click(int index)
{
    const int count = static_cast<int>(analysis_.curves.size());
    if (count == 0) {
        for (QTableWidget *g : {grdReport, grdReadings, grdField, grdGels, grdModels}) {
            g->clear();
            g->setRowCount(0);
            g->setColumnCount(0);
        }
        for (QLabel *l : {lblReportNote, lblFieldNote, lblGelsNote, lblModelsNote})
            l->clear();
        lblWarnings->hide();
        lblRecommended->clear();
        redrawChart();
        return;
    }
    curve_ = std::clamp(index, 0, count - 1);
    cmbCurve->setCurrentIndex(curve_);
    const rheology::FlowCurve &c = analysis_.curves[static_cast<size_t>(curve_)];
    const rheology::CurveTables t = rheology::curveTables(c, static_cast<size_t>(curve_),
                                                          analysis_.curves.size(), analysis_.units);
    int recommendedRow = -1;
    for (size_t i = 0; i < c.models.size(); ++i)
        if (c.models[i].model == c.recommended)
            recommendedRow = static_cast<int>(i);
    fillGrid(*grdReport, t.report);
    fillGrid(*grdReadings, t.readings);
    fillGrid(*grdField, t.field);
    fillGrid(*grdGels, t.gels);
    fillGrid(*grdModels, t.models, recommendedRow);
    lblReportNote->setText(qs(t.report.note));
    lblFieldNote->setText(qs(t.field.note));
    lblGelsNote->setText(qs(t.gels.note));
    lblModelsNote->setText(qs(t.models.note));
    QStringList warnings;
    for (const std::string &w : t.warnings)
        warnings << QStringLiteral("Warning: ") + qs(w);
    lblWarnings->setText(warnings.join(QLatin1Char('\n')));
    lblWarnings->setVisible(!warnings.isEmpty());
    lblRecommended->setText(qs(t.recommendation));
    for (size_t i = 0; i < chkModel.size() && i < c.models.size(); ++i) {
        chkModel[i]->setEnabled(c.models[i].fitted);
        chkModel[i]->setToolTip(qs(c.models[i].reason));
    }
    redrawChart();
}

void frmRheology::chkModel_Click() { redrawChart(); }

void frmRheology::optScale_Click() { redrawChart(); }

void frmRheology::redrawChart()
{
    if (curve_ < 0) {
        ChartModel empty;
        empty.setMainTitle("Shear Stress Vs. Shear Rate");
        empty.setSubtitle(testName_);
        empty.setXAxisLabel("Shear Rate (1/S)");
        empty.setYAxisLabel(stressAxisLabel(analysis_.units == Units::SI));
        chtFlowCurve->redraw(empty);
        return;
    }
    std::vector<bool> shown;
    for (QCheckBox *box : chkModel)
        shown.push_back(box->isChecked());
    const rheology::FlowCurve &c = analysis_.curves[static_cast<size_t>(curve_)];
    const std::string subtitle = testName_ + " - " +
                                 rheology::curveTitle(c, static_cast<size_t>(curve_),
                                                      analysis_.curves.size(), analysis_.units);
    chtFlowCurve->redraw(
        rheology::flowCurveChart(c, analysis_.units, shown, optLog->isChecked(), subtitle));
}

void frmRheology::cmdCopy_Click()
{
    QApplication::clipboard()->setText(
        qs(rheology::analysisText(analysis_, testName_, rheology::TextLayout::Tabs)));
}

} // namespace viscora
