#pragma once
// The CLI's Prompter: every message goes to stderr as "TITLE: MESSAGE"; questions take
// their default answer, since nobody is there to answer them.

#include "core/Prompter.h"

#include <ostream>

namespace viscora {

class CliPrompter : public Prompter {
public:
    explicit CliPrompter(std::ostream &err) : err_(err) {}
    Answer message(const std::string &text, const std::string &title, Buttons buttons,
                   Icon icon) override;
    std::optional<std::string> input(const std::string &, const std::string &,
                                     const std::string &defaultText) override
    {
        return defaultText;
    }
    std::string openFile(const FileDialogRequest &) override { return {}; }
    std::string saveFile(const FileDialogRequest &) override { return {}; }
    void detail(const std::string &text) override { err_ << text << '\n'; }

private:
    std::ostream &err_;
};

} // namespace viscora
