#include "app/DocumentActions.h"

#include "editor/TMDIChild.h"

#include <QPointer>

#include <optional>
#include <string>

DocumentActions::DocumentActions(ActiveDocument active, ShowDocument show)
    : active_(std::move(active)), show_(std::move(show))
{
}

bool DocumentActions::run(std::string_view undoName, const Command& command)
{
    TMDIChild* view = active_();
    if (!view)
        return false;
    const QPointer<TMDIChild> alive(view);
    {
        std::optional<TMDIChild::UndoScope> step;
        if (!undoName.empty())
            step.emplace(*view, std::string(undoName));
        command(*view);
    }
    if (alive)
        show_(*view);
    return true;
}

void DocumentActions::watch(TMDIChild& view)
{
    connect(&view, &TMDIChild::documentChanged, this, [this, target = &view] { emit documentChanged(target); });
}
