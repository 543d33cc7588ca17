#pragma once
// Asks for a note on a test: its time in the test's running time (seconds, proposed by the
// caller: the selected row, or now during a run) and its text.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace viscora {

class NoteDialog : public QDialog {
    Q_OBJECT
public:
    NoteDialog(double proposedSeconds, QWidget *parent = nullptr);

    static const char *const kCaption; // "Add Note"
    // The time as typed, NaN when it is not a number written in full.
    double seconds() const;
    QString text() const;

    QLineEdit *txtNoteTime, *txtNote;
    QPushButton *cmdOk, *cmdCancel;
};

} // namespace viscora
