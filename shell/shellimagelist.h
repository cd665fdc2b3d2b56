// The folder tree's icons: the desktop theme's icons for the namespace's items, each with a
// bundled fallback so that no item is ever drawn without an icon, and the overlay marks.
#pragma once

#include <QIcon>
#include <QList>

class QStyle;

namespace pix {

/// The icons by ShellIcon index (computer, home, root, medium, folder, open folder).
QList<QIcon> SystemImageList(const QStyle* style);
/// Overlay marks by number: 0 none, 1 shared, 2 shortcut (a symbolic link).
QList<QIcon> OverlayImageList(const QStyle* style);
/// The icon of the computer: the Folders tab's picture.
QIcon ComputerIcon(const QStyle* style);

/// One item's icon: normal shown normally, selected while the item is selected, both marked
/// with overlay (when not null) in their lower left corner.
QIcon ComposeItemIcon(const QIcon& normal, const QIcon& selected, const QIcon& overlay);
/// A transparent icon of the given size: keeps a label in line with its iconed siblings.
QIcon BlankIcon(const QSize& size);

} // namespace pix
