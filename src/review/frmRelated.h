#pragma once
// The related-information dialog over RelatedInfoEditor.

#include "review/RelatedInfoEditor.h"
#include "review/TestHeaderFields.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace viscora {

// The header boxes (txtTestName ... txtDesc) are the form's own members.
class frmRelated : public QDialog, public TestHeaderFields {
    Q_OBJECT
public:
    frmRelated(Module1 &m, TestRepository &repo, Prompter &prompter, QWidget *parent = nullptr);

    QPushButton *cmdok;
    QPushButton *cmdCancel;

    void cmdok_Click();
    void cmdCancel_Click();

    // Cancel, Escape and the close box all cancel.
    void reject() override;

private:
    RelatedInfoEditor editor_;
};

} // namespace viscora
