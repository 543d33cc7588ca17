#pragma once
// The help contents page shipped with the program, in a small browser window.

#include <QDialog>

#include <string>

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

// The help page as the program finds it: "TITLE (N characters)", or an empty text when the
// page is missing. For `viscora --check-help`.
std::string helpDocumentSummary();

} // namespace viscora
