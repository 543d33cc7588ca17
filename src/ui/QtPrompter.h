#pragma once
// The Prompter of the windows: Qt message boxes, input boxes and file dialogs.

#include "core/Prompter.h"

#include <QString>

class QWidget;

namespace viscora {

class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget *parent = nullptr) : parent_(parent) {}
    void setParent(QWidget *parent) { parent_ = parent; }

    Answer message(const std::string &text, const std::string &title, Buttons buttons,
                   Icon icon) override;
    std::optional<std::string> input(const std::string &prompt, const std::string &title,
                                     const std::string &defaultText) override;
    std::string openFile(const FileDialogRequest &request) override;
    std::string saveFile(const FileDialogRequest &request) override;

private:
    QWidget *parent_;
};

// "(*.mdb)|*.mdb" -> "(*.mdb)"; "Excel (*.xlsx)|*.xlsx|All|*" -> "Excel (*.xlsx);;All (*)".
QString qtFileFilter(const std::string &filter);

// The title a message box shows when the program gives none.
extern const char *const kDefaultMessageTitle;

} // namespace viscora
