#include "core/Failure.h"

#include "core/Prompter.h"

namespace viscora {

void show(Prompter &prompter, const Failure &failure)
{
    prompter.message(failure.text, failure.title);
    if (!failure.detail.empty())
        prompter.detail(failure.detail);
}

} // namespace viscora
