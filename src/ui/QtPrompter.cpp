#include "ui/QtPrompter.h"

#include "ui/BusyCursor.h"

#include <QPushButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QSpacerItem>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

#include <algorithm>

namespace viscora {

const char *const kDefaultMessageTitle = "Viscora";

QString qtFileFilter(const std::string &filter)
{
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i], pattern = parts[i + 1];
        out << (desc.contains(QLatin1Char('(') + pattern + QLatin1Char(')'))
                    ? desc
                    : desc + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    return out.join(QStringLiteral(";;"));
}

QWidget *QtPrompter::boxParent() const
{
    // A modal dialog opened from this window shows its own messages above itself.
    if (QWidget *modal = QApplication::activeModalWidget()) {
        if (!parent_)
            return modal;
        for (QWidget *w = modal; w; w = w->parentWidget())
            if (w == parent_)
                return modal;
    }
    return parent_;
}

void QtPrompter::detail(const std::string &text)
{
    if (showDetail_)
        showDetail_(text);
}

PrompterFactory qtPrompterFactory()
{
    return [](QWidget &window, std::function<void(const std::string &)> showDetail) {
        return std::make_unique<QtPrompter>(&window, std::move(showDetail));
    };
}

Answer QtPrompter::message(const std::string &text, const std::string &title, Buttons buttons,
                           Icon icon)
{
    const ArrowCursor arrow;
    QMessageBox box(boxParent());
    box.setWindowTitle(QString::fromStdString(title.empty() ? kDefaultMessageTitle : title));
    box.setText(QString::fromStdString(text));
    switch (icon) {
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::None:
        break;
    }
    QPushButton *choose = nullptr, *quit = nullptr;
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case Buttons::YesNoDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        break;
    case Buttons::RetryChooseQuit:
        box.setStandardButtons(QMessageBox::Retry);
        box.setDefaultButton(QMessageBox::Retry);
        choose =
            box.addButton(QStringLiteral("&Choose Another Database..."), QMessageBox::ActionRole);
        quit = box.addButton(QStringLiteral("&Quit"), QMessageBox::RejectRole);
        box.setEscapeButton(quit);
        break;
    }
    // Wide enough for its title: the titles say what kind of error it is.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        const int titleWidth = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 140;
        grid->addItem(new QSpacerItem(std::min(titleWidth, 600), 0, QSizePolicy::Minimum,
                                      QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    const int pressed = box.exec();
    if (buttons == Buttons::RetryChooseQuit)
        return box.clickedButton() == box.button(QMessageBox::Retry) ? Answer::Retry
               : box.clickedButton() == choose                       ? Answer::Choose
                                                                     : Answer::Quit;
    switch (pressed) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoDefaultNo ? Answer::No
                                                                               : Answer::Ok;
    }
}

std::optional<std::string> QtPrompter::input(const std::string &prompt, const std::string &title,
                                             const std::string &defaultText)
{
    const ArrowCursor arrow;
    bool ok = false;
    const QString t = QInputDialog::getText(
        boxParent(), QString::fromStdString(title.empty() ? kDefaultMessageTitle : title),
        QString::fromStdString(prompt), QLineEdit::Normal, QString::fromStdString(defaultText),
        &ok);
    if (!ok)
        return std::nullopt;
    return t.toStdString();
}

namespace {
std::string runFileDialog(QWidget *parent, const FileDialogRequest &r, QFileDialog::AcceptMode mode)
{
    const ArrowCursor arrow;
    QFileDialog dialog(parent, QString::fromStdString(r.title),
                       QString::fromStdString(r.initialDir), qtFileFilter(r.filter));
    dialog.setAcceptMode(mode);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !r.confirmOverwrite);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen && r.fileMustExist
                           ? QFileDialog::ExistingFile
                           : QFileDialog::AnyFile);
    if (!r.proposedName.empty())
        dialog.selectFile(QString::fromStdString(r.proposedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString();
}
} // namespace

std::string QtPrompter::openFile(const FileDialogRequest &request)
{
    return runFileDialog(boxParent(), request, QFileDialog::AcceptOpen);
}

std::string QtPrompter::saveFile(const FileDialogRequest &request)
{
    return runFileDialog(boxParent(), request, QFileDialog::AcceptSave);
}

} // namespace viscora
