#pragma once
// The Prompter of the windows: Qt message boxes, input boxes and file dialogs.

#include "core/Prompter.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

namespace viscora {

class QtPrompter : public Prompter {
public:
    // Boxes open over parent, or over a modal dialog of parent's that is up at the time;
    // detail lines go to showDetail (a window's status bar).
    explicit QtPrompter(QWidget *parent = nullptr,
                        std::function<void(const std::string &)> showDetail = {})
        : parent_(parent), showDetail_(std::move(showDetail))
    {}
    void setParent(QWidget *parent) { parent_ = parent; }

    Answer message(const std::string &text, const std::string &title, Buttons buttons,
                   Icon icon) override;
    std::optional<std::string> input(const std::string &prompt, const std::string &title,
                                     const std::string &defaultText) override;
    std::string openFile(const FileDialogRequest &request) override;
    std::string saveFile(const FileDialogRequest &request) override;
    void detail(const std::string &text) override;

    // The widget a box opens over now.
    QWidget *boxParent() const;

private:
    QPointer<QWidget> parent_;
    std::function<void(const std::string &)> showDetail_;
};

// Makes the Prompter of one window: boxes over that window, detail lines where it shows them.
using PrompterFactory = std::function<std::unique_ptr<Prompter>(
    QWidget &window, std::function<void(const std::string &)> showDetail)>;

// The program's factory: a QtPrompter for each window.
PrompterFactory qtPrompterFactory();

// A window's own Prompter from the factory, or the shared one when there is no factory (the
// tests script one Prompter for every window).
class WindowPrompter {
public:
    WindowPrompter(const PrompterFactory &factory, QWidget &window, Prompter &shared,
                   std::function<void(const std::string &)> showDetail)
        : own_(factory ? factory(window, std::move(showDetail)) : nullptr), shared_(shared)
    {}
    Prompter &get() { return own_ ? *own_ : shared_; }
    operator Prompter &() { return get(); }

private:
    std::unique_ptr<Prompter> own_;
    Prompter &shared_;
};

// "(*.mdb)|*.mdb" -> "(*.mdb)"; "Excel (*.xlsx)|*.xlsx|All|*" -> "Excel (*.xlsx);;All (*)".
QString qtFileFilter(const std::string &filter);

// The title a message box shows when the program gives none.
extern const char *const kDefaultMessageTitle;

} // namespace viscora
