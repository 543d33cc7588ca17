#pragma once
// The related-information dialog over RelatedInfoEditor.

#include "review/RelatedInfoEditor.h"
#include "review/TestHeaderFields.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace viscora {

struct Module1;

// The header boxes (txtTestName ... txtDesc) are the form's own members.
class frmRelated : public QDialog, public TestHeaderFields {
    Q_OBJECT
public:
    // Shows the opened test's header, or makes a new test while none is shown. With
    // Purpose::NameNewTest it always makes a new test and leaves the opened one as it is: the
    // caller takes created().
    enum class Purpose { OpenedTest, NameNewTest };
    frmRelated(Module1 &m, TestRepository &repo, Prompter &prompter, QWidget *parent = nullptr,
               Purpose purpose = Purpose::OpenedTest);

    const std::optional<NamedTest> &created() const { return editor_.created(); }

    QPushButton *cmdok;
    QPushButton *cmdCancel;

    void cmdok_Click();
    void cmdCancel_Click();

    // Cancel, Escape and the close box all cancel.
    void reject() override;

private:
    Module1 &m_;
    Purpose purpose_;
    RelatedInfoEditor editor_;
};

} // namespace viscora
