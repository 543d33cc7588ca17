#pragma once
// The help contents page shipped with the program, in a small browser window.

#include <QDialog>

class QTextBrowser;

namespace viscora {

class HelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget *parent = nullptr);
    QTextBrowser *browser() const { return browser_; }

private:
    QTextBrowser *browser_;
};

} // namespace viscora
