#include "jobfile/jobnodewalk.h"

#include "jobfile/jobentry.h"

#include <QLatin1String>
#include <QString>

namespace pix {

namespace {

void visitElement(JobList& list, const pugi::xml_node& element, JobLoad& load) {
    const QString name = QString::fromUtf8(element.name());
    if (name.compare(QLatin1String("image"), Qt::CaseInsensitive) == 0)
        AddJobEntry(list, element, true, load);
    else if (name.compare(QLatin1String("folder"), Qt::CaseInsensitive) == 0)
        AddJobEntry(list, element, false, load);
}

// The first child that is not a comment or a processing instruction: notes to the reader
// never decide what loads.
pugi::xml_node firstContentChild(const pugi::xml_node& element) {
    pugi::xml_node child = element.first_child();
    while (child && (child.type() == pugi::node_comment || child.type() == pugi::node_pi))
        child = child.next_sibling();
    return child;
}

// The node after node in the walk once its children are done or skipped: its next sibling,
// or the next sibling of the nearest ancestor that has one, never climbing up to stop.
pugi::xml_node nextAfter(pugi::xml_node node, const pugi::xml_node& stop) {
    while (node && node != stop) {
        if (const pugi::xml_node sibling = node.next_sibling())
            return sibling;
        node = node.parent();
    }
    return pugi::xml_node();
}

} // namespace

void WalkJobNodes(JobList& list, pugi::xml_node node, JobLoad& load) {
    const pugi::xml_node stop = node.parent();
    while (node) {
        if (node.type() == pugi::node_element) {
            visitElement(list, node, load);
            const pugi::xml_node child = firstContentChild(node);
            if (child.type() == pugi::node_element) {
                node = child;
                continue;
            }
        }
        node = nextAfter(node, stop);
    }
}

} // namespace pix
