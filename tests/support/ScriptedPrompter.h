#pragma once
// A Prompter that records everything shown and answers from a script.

#include "core/Prompter.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace viscora::test {

struct Shown {
    std::string text, title;
    Buttons buttons;
    Icon icon;
};

class ScriptedPrompter : public Prompter {
public:
    Answer message(const std::string &text, const std::string &title, Buttons buttons,
                   Icon icon) override
    {
        shown.push_back({text, title, buttons, icon});
        if (onMessage)
            onMessage(shown.back());
        if (!answers.empty()) {
            Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        // Unscripted questions are answered Yes, whatever their default; a database that
        // cannot be opened, Quit: trying again would find it as it is.
        if (buttons == Buttons::RetryChooseQuit)
            return Answer::Quit;
        return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
    }
    std::optional<std::string> input(const std::string &prompt, const std::string &title,
                                     const std::string &) override
    {
        inputs.push_back({prompt, title, Buttons::OkCancel, Icon::None});
        if (inputAnswers.empty())
            return std::nullopt;
        auto a = inputAnswers.front();
        inputAnswers.pop_front();
        return a;
    }
    std::string openFile(const FileDialogRequest &r) override { return nextFile(r); }
    std::string saveFile(const FileDialogRequest &r) override { return nextFile(r); }
    void detail(const std::string &text) override { details.push_back(text); }

    std::vector<Shown> shown;
    // Runs while a message is "up": a test can take the focus away as a real box would.
    std::function<void(const Shown &)> onMessage;
    std::vector<std::string> details;
    std::vector<Shown> inputs;
    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> inputAnswers;
    std::vector<FileDialogRequest> fileRequests;
    std::deque<std::string> files; // empty string = cancelled

private:
    std::string nextFile(const FileDialogRequest &r)
    {
        fileRequests.push_back(r);
        if (files.empty())
            return {};
        std::string f = files.front();
        files.pop_front();
        return f;
    }
};

} // namespace viscora::test
