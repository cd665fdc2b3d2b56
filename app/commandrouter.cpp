#include "app/commandrouter.h"

namespace pix {

bool CommandTarget::isEnabled(CommandId id) const {
    const auto it = handlers_.find(id);
    if (it == handlers_.end())
        return false;
    return !it->second.enabled || it->second.enabled();
}

bool CommandTarget::execute(CommandId id) const {
    if (!isEnabled(id))
        return false;
    const Handler& handler = handlers_.at(id);
    if (handler.run)
        handler.run();
    return true;
}

const CommandTarget* CommandRouter::route(CommandId id, const CommandTarget* pane) const {
    for (const CommandTarget* target : {pane ? pane : activePane_, frame_, application_}) {
        if (target && target->handles(id))
            return target;
    }
    return nullptr;
}

bool CommandRouter::isEnabled(CommandId id, const CommandTarget* pane) const {
    const CommandTarget* target = route(id, pane);
    return target && target->isEnabled(id);
}

bool CommandRouter::execute(CommandId id, const CommandTarget* pane) const {
    const CommandTarget* target = route(id, pane);
    return target && target->execute(id);
}

} // namespace pix
