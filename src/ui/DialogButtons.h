#pragma once
// The OK and Cancel buttons every dialog ends with, right-aligned, OK the default.

#include <initializer_list>

class QAbstractButton;
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

// Of buttons whose captions mark the same Alt key, only `taker` answers it; the others keep
// their captions. A key that several buttons answer only moves the focus between them.
void giveAltKey(QAbstractButton &taker, std::initializer_list<QAbstractButton *> others);

} // namespace viscora
