#pragma once
// "Real Time Test Testname": names a real-time test before it starts.

#include "realtime/RealTestNaming.h"
#include "review/TestHeaderFields.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace viscora {

struct Module1;

// The header boxes (txtTestName ... txtDesc) are the form's own members.
class frmRealRelated : public QDialog, public TestHeaderFields {
    Q_OBJECT
public:
    frmRealRelated(Module1 &m, TestRepository &repo, Prompter &prompter, const QString &currentName,
                   QWidget *parent = nullptr);

    QLineEdit *txtStressFactor, *txtRateFactor;
    QGroupBox *Frame1;
    QRadioButton *Option1, *Option2;
    QLabel *lblStressFactor, *Label5, *lblRateFactor, *Label4, *Label1;
    QPushButton *cmdok, *cmdCancel;

    void Option1_Click();
    void Option2_Click();
    void cmdOk_Click();
    void reject() override;
    // The name given in the dialog (the real-time window's test name after OK).
    QString testName() const;

private:
    void showFactors(bool on);
    // After a refused OK the operator goes on in the box that was refused.
    void focusEntry(QLineEdit *box);
    Module1 &m_;
    RealTestNaming naming_;
};

} // namespace viscora
