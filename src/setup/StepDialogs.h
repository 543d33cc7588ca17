#pragma once
// frmAddEditStep ("Input Step Parameters") and frmInsertStep ("Insert Step"), and
// frmCopyPaste.

#include "setup/SequenceOperations.h"
#include "setup/StepDialogLogic.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace viscora {

class Prompter;

class StepDialog : public QDialog {
    Q_OBJECT
public:
    StepDialog(StepDialogKind kind, Module1 &m, Prompter &prompter, QWidget *parent = nullptr);

    QLineEdit *txtStepNo, *txtTime, *txtTemp, *txtSpeed, *txtShearrate, *txtRecordRate;
    QLabel *lblTemp;
    QComboBox *cmbBeforeAfter = nullptr; // insert only
    QPushButton *cmdOk, *cmdCancel;

    // Fills the fields from a shown grid row (edit), or the step number (insert).
    void setRow(const SetupRow &row);
    void setStepNo(const QString &stepNo);

    void txtSpeed_LostFocus();
    void txtShearrate_LostFocus();
    void cmdOk_Click();
    void cmdCancel_Click();
    // The field the dialog last sent the focus back to.
    std::optional<StepField> focusedField;

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;
    void reject() override;
    void done(int r) override;

private:
    void focus(StepField field);
    // Leaving the speed or shear-rate box is checked only when the focus goes to another
    // control of this dialog (not to a message box, another window or a popup), once per
    // change of the box, and never once the dialog is closing.
    bool leaveNeedsCheck(const QLineEdit *box, Qt::FocusReason reason) const;
    QString checkedSpeed_, checkedShearrate_;
    bool closing_ = false;
    StepDialogKind kind_;
    Module1 &m_;
    Prompter &prompter_;
};

class frmAddEditStep : public StepDialog {
    Q_OBJECT
public:
    frmAddEditStep(Module1 &m, Prompter &p, QWidget *parent = nullptr)
        : StepDialog(StepDialogKind::Edit, m, p, parent)
    {}
};

class frmInsertStep : public StepDialog {
    Q_OBJECT
public:
    frmInsertStep(Module1 &m, Prompter &p, QWidget *parent = nullptr)
        : StepDialog(StepDialogKind::Insert, m, p, parent)
    {}
};

class frmCopyPaste : public QDialog {
    Q_OBJECT
public:
    frmCopyPaste(int stepCount, Prompter &prompter, QWidget *parent = nullptr);
    QComboBox *cmbCopyfrom, *cmbCopyto, *cmbPasteto, *cmbBeforeAfter;
    QPushButton *cmdOk, *cmdCancel;
    void cmdOk_Click();
    void cmdCancel_Click();
    CopyPasteChoice choice; // copyFrom1 stays 0 unless OK succeeds

private:
    Prompter &prompter_;
};

} // namespace viscora
