#pragma once
// Everything the program asks or tells the operator goes through a Prompter: message
// boxes in the windows, scripted answers in tests, "TITLE: MESSAGE" on stderr in the CLI.

#include "core/Failure.h"

#include <optional>
#include <string>

namespace viscora {

// YesNoDefaultNo: a question whose careless Enter must not do what it asks (a delete).
// RetryChooseQuit: a database that cannot be opened at start: Retry, Choose another
// database, or Quit (also the answer of a box closed without a choice).
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, YesNoDefaultNo, RetryChooseQuit };
enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Answer { Ok, Cancel, Yes, No, Retry, Choose, Quit };

struct FileDialogRequest {
    std::string title;
    std::string filter; // "(*.mdb)|*.mdb" style: description|pattern pairs
    std::string initialDir;
    std::string proposedName;
    bool fileMustExist = false;
    bool pathMustExist = false;
    // A save dialog asks before it replaces an existing file; off where a file chosen is added
    // to, not replaced.
    bool confirmOverwrite = true;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // An empty title means the program's default title.
    virtual Answer message(const std::string &text, const std::string &title = {},
                           Buttons buttons = Buttons::Ok, Icon icon = Icon::None) = 0;
    // nullopt when cancelled.
    virtual std::optional<std::string> input(const std::string &prompt, const std::string &title,
                                             const std::string &defaultText = {}) = 0;
    // The chosen path, or empty when cancelled.
    virtual std::string openFile(const FileDialogRequest &request) = 0;
    virtual std::string saveFile(const FileDialogRequest &request) = 0;
    // A line that explains the message just shown (the system's reason for a failure): a
    // window puts it in its status bar, the CLI prints it on a line of its own.
    virtual void detail(const std::string &text) { (void)text; }
};

// Shows a failure a lower layer returned: its text under its title, then its detail line.
inline void show(Prompter &prompter, const Failure &failure)
{
    prompter.message(failure.text, failure.title);
    if (!failure.detail.empty())
        prompter.detail(failure.detail);
}

} // namespace viscora
