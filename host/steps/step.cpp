#include "steps/step.h"

#include "base/names.h"

namespace quill::host {

std::string Statement::keyword() const
{
    return !tokens.empty() && tokens.front().kind == TokenKind::Name ? upper_case(tokens.front().text) : std::string();
}

bool Step::bad() const
{
    if (head.bad)
        return true;
    for (const Statement &s : body)
        if (s.bad)
            return true;
    return false;
}

} // namespace quill::host
