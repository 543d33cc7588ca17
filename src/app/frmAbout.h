#pragma once

#include <QDialog>

namespace viscora {

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);
};

} // namespace viscora
