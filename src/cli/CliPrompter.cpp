#include "cli/CliPrompter.h"

namespace viscora {

Answer CliPrompter::message(const std::string &text, const std::string &title, Buttons buttons,
                            Icon)
{
    err_ << (title.empty() ? "Viscora" : title) << ": " << text << '\n';
    switch (buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        return Answer::Yes;
    case Buttons::YesNoDefaultNo:
        return Answer::No;
    case Buttons::RetryChooseQuit:
        return Answer::Quit;
    default:
        return Answer::Ok;
    }
}

} // namespace viscora
