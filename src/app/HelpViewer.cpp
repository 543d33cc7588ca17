#include "app/HelpViewer.h"

#include "ui/WindowPlacement.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

// The page is compiled into the static app library; nothing links its registration in
// unless it is asked for by name, outside any namespace.
static void registerHelpResources() { Q_INIT_RESOURCE(resources); }

namespace viscora {

namespace {
const char *const kHelpPage = "qrc:/help/index.html";

void ensureHelpResources()
{
    static const bool registered = [] {
        registerHelpResources();
        return true;
    }();
    (void)registered;
}
} // namespace

HelpViewer::HelpViewer(QWidget *parent) : QDialog(parent)
{
    ensureHelpResources();
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Viscora Help"));
    auto *layout = new QVBoxLayout(this);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("browser"));
    browser_->setOpenExternalLinks(false);
    browser_->setSource(QUrl(QString::fromLatin1(kHelpPage)));
    layout->addWidget(browser_);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumSize(360, 240);
    resize(640, 520);
    fitOnScreen(*this);
}

std::string helpDocumentSummary()
{
    HelpViewer viewer;
    const QString text = viewer.browser()->toPlainText();
    if (text.trimmed().isEmpty())
        return {};
    return viewer.browser()->documentTitle().toStdString() + " (" + std::to_string(text.size()) +
           " characters)";
}

} // namespace viscora
