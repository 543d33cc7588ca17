#include "app/frmAbout.h"

#include "core/Version.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace viscora {

frmAbout::frmAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Viscora"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(QStringLiteral("<h2>Viscora V1.0</h2>"
                                            "<p>for K7400R Automatic Viscometer</p>"),
                             this);
    title->setObjectName(QStringLiteral("lblTitle"));
    auto *text = new QLabel(
        QStringLiteral("Test sequences, real-time tests, stored results, charts, reports and "
                       "calibration checks for the K7400R rotational viscometer."),
        this);
    text->setWordWrap(true);
    auto *version =
        new QLabel(QStringLiteral("Version %1").arg(QString::fromLatin1(versionText())), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addWidget(text);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

} // namespace viscora
