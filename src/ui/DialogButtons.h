#pragma once
// The OK and Cancel buttons every dialog ends with, right-aligned, OK the default.

class QBoxLayout;
class QPushButton;
class QWidget;

namespace viscora {

struct OkCancel {
    QPushButton *ok;
    QPushButton *cancel;
};

// okName is the OK button's object name ("cmdOk", or "cmdok" in the naming dialogs).
OkCancel addOkCancel(QWidget *dialog, QBoxLayout *layout, const char *okName = "cmdOk");

} // namespace viscora
