// Who carries out a command: the active pane (the list the user last worked in), then the
// frame, then the application. A command nobody on that route takes is disabled wherever it is
// offered: menu, toolbar and context menu ask the same router.
#pragma once

#include "app/commands.h"

#include <functional>
#include <map>

namespace pix {

// One pane's, the frame's or the application's handlers: what each command does and when it
// is enabled.
class CommandTarget {
public:
    struct Handler {
        std::function<bool()> enabled; // none: always enabled
        std::function<void()> run;
    };

    void add(CommandId id, Handler handler) { handlers_[id] = std::move(handler); }
    bool handles(CommandId id) const { return handlers_.count(id) != 0; }
    // False for a command this target does not handle.
    bool isEnabled(CommandId id) const;
    // Runs the command when handled and enabled; answers whether it ran.
    bool execute(CommandId id) const;

private:
    std::map<CommandId, Handler> handlers_;
};

class CommandRouter {
public:
    void setActivePane(const CommandTarget* pane) { activePane_ = pane; }
    const CommandTarget* activePane() const { return activePane_; }
    void setFrame(const CommandTarget* frame) { frame_ = frame; }
    void setApplication(const CommandTarget* application) { application_ = application; }

    // The target that takes the command, starting at pane (a context menu's own pane) or,
    // when none is given, at the active pane; none when nobody does.
    const CommandTarget* route(CommandId id, const CommandTarget* pane = nullptr) const;
    bool isEnabled(CommandId id, const CommandTarget* pane = nullptr) const;
    bool execute(CommandId id, const CommandTarget* pane = nullptr) const;

private:
    const CommandTarget* activePane_ = nullptr;
    const CommandTarget* frame_ = nullptr;
    const CommandTarget* application_ = nullptr;
};

} // namespace pix
