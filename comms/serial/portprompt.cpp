#include "comms/serial/portprompt.h"

#include <utility>

namespace {
TPortPrompt& prompt()
{
    static TPortPrompt p;
    return p;
}
}  // namespace

void SetPortPrompt(TPortPrompt p)
{
    prompt() = std::move(p);
}

int RunPortPrompt()
{
    return prompt() ? prompt()() : 0;
}
