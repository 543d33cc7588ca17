#include "review/TestHeaderFields.h"

#include <QEvent>
#include <QFocusEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace viscora {

namespace {
// A prefilled name is selected whenever its box gets the focus, except by a click (which
// places the cursor) or back from a popup: typing then replaces the name, not extends it.
class SelectAllOnFocus : public QObject {
public:
    explicit SelectAllOnFocus(QLineEdit *box) : QObject(box), box_(box)
    {
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (watched == box_ && e->type() == QEvent::FocusIn) {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(e)->reason();
            if (reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason)
                box_->selectAll();
        }
        return QObject::eventFilter(watched, e);
    }

private:
    QLineEdit *box_;
};
} // namespace

void TestHeaderFields::build(QWidget *parent, QVBoxLayout *layout)
{
    auto line = [parent](const char *name) {
        auto *e = new QLineEdit(parent);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    txtTestName = line("txtTestName");
    new SelectAllOnFocus(txtTestName);
    txtMudId = line("txtMudId");
    txtSampleTime = line("txtSampleTime");
    txtCompanyName = line("txtCompanyName");
    txtDesc = new QPlainTextEdit(parent);
    txtDesc->setObjectName(QStringLiteral("txtDesc"));
    txtDesc->setTabChangesFocus(true);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Test Name:"), txtTestName);
    form->addRow(QStringLiteral("Fluid ID:"), txtMudId);
    form->addRow(QStringLiteral("Sample Time:"), txtSampleTime);
    form->addRow(QStringLiteral("Company Name:"), txtCompanyName);
    layout->addLayout(form);
    layout->addWidget(new QLabel(QStringLiteral("Description, Notes and Comments:"), parent));
    layout->addWidget(txtDesc);
}

TestHeader TestHeaderFields::header() const
{
    return {txtTestName->text(), txtMudId->text(), txtSampleTime->text(), txtCompanyName->text(),
            txtDesc->toPlainText()};
}

void TestHeaderFields::showHeader(const TestHeader &h)
{
    txtTestName->setText(h.testName);
    txtMudId->setText(h.mudId);
    txtSampleTime->setText(h.sampleTime);
    txtCompanyName->setText(h.companyName);
    txtDesc->setPlainText(h.desc);
}

} // namespace viscora
