#include "review/TestHeaderFields.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace viscora {

void TestHeaderFields::build(QWidget *parent, QVBoxLayout *layout)
{
    auto line = [parent](const char *name) {
        auto *e = new QLineEdit(parent);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    txtTestName = line("txtTestName");
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
