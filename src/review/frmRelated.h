#pragma once
// The related-information dialog over RelatedInfoEditor.

#include "RelatedInfoEditor.h"
#include "TestHeaderFields.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace viscora {

class frmRelated : public QDialog {
    Q_OBJECT
public:
    frmRelated(Module1 &m, TestRepository &repo, Prompter &prompter, QWidget *parent = nullptr);

    QLineEdit *txtTestName;
    QLineEdit *txtMudId;
    QLineEdit *txtSampleTime;
    QLineEdit *txtCompanyName;
    QPlainTextEdit *txtDesc;
    QPushButton *cmdok;
    QPushButton *cmdCancel;

    void cmdok_Click();
    void cmdCancel_Click();

    // Cancel, Escape and the close box all cancel.
    void reject() override;

private:
    TestHeaderFields fields_;
    RelatedInfoEditor editor_;
};

} // namespace viscora
