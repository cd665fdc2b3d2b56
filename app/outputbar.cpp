#include "app/outputbar.h"

#include "app/commandactions.h"
#include "app/help.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QTabBar>
#include <QTabWidget>

namespace pix {

COutputListBox::COutputListBox(OutputLogModel& log, QWidget* parent)
    : QListView(parent), log_(log) {
    setModel(&log_);
    setAccessibleName(QStringLiteral("Output"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // New lines are scrolled into view while the list shows its end, so that the log follows
    // a run; a person who scrolled up to read keeps the place.
    connect(&log_, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        followNewLines_ = verticalScrollBar()->value() >= verticalScrollBar()->maximum();
    });
    connect(&log_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int, int last) {
                if (followNewLines_)
                    scrollTo(log_.index(last), QAbstractItemView::PositionAtBottom);
            });
}

int COutputListBox::selectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

std::unique_ptr<QMenu> COutputListBox::makeContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    menu->setAccessibleName(QStringLiteral("Output menu"));
    const std::vector<CommandId> entries = OutputLogModel::contextMenu(selectedRow());
    fillMenu(*menu, entries, [](CommandId) { return true; });
    return menu;
}

void COutputListBox::runCommand(CommandId id) {
    switch (id) {
    case CommandId::OpenContainingFolder:
        log_.OpenLinePath(selectedRow());
        break;
    case CommandId::CopyToClipboard:
        log_.copyToClipboard(selectedRow());
        break;
    case CommandId::Clear:
        log_.clear();
        break;
    default:
        break;
    }
}

void COutputListBox::contextMenuEvent(QContextMenuEvent* event) {
    const std::unique_ptr<QMenu> menu = makeContextMenu();
    if (const QAction* chosen = ChooseFromMenu(*menu, event->globalPos()))
        runCommand(CommandId(chosen->data().toInt()));
}

void COutputListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListView::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        log_.OpenLinePath(selectedRow());
}

COutputBar::COutputBar(QWidget* parent) : QDockWidget(QStringLiteral("Output"), parent) {
    setObjectName(QStringLiteral("OutputBar"));
    setAccessibleName(QStringLiteral("Output"));
    setAllowedAreas(Qt::AllDockWidgetAreas);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    // xdg-open answers true even when it finds no program: the desktop is asked first.
    log_.setUrlOpener([](const QUrl& url) {
        return desktopHandles(QStringLiteral("inode/directory")) && QDesktopServices::openUrl(url);
    });
    log_.setClipboard([](const QString& text) {
        if (QClipboard* clipboard = QApplication::clipboard())
            clipboard->setText(text);
    });
    tabs_ = new QTabWidget(this);
    tabs_->setDocumentMode(true);
    tabs_->setTabPosition(QTabWidget::South);
    tabs_->setAccessibleName(QStringLiteral("Output"));
    list_ = new COutputListBox(log_, tabs_);
    tabs_->addTab(list_, QStringLiteral("Output"));
    tabs_->setCurrentIndex(0);
    setWidget(tabs_);
}

int COutputBar::heightForLines(int lines) const {
    // One line as the list draws it: the text's height and the item's margins.
    QStyleOptionViewItem option;
    option.initFrom(list_);
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("Xy");
    const int line =
        list_->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), list_).height();
    const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    return lines * line + 2 * list_->frameWidth() + tabs_->tabBar()->sizeHint().height() +
           list_->horizontalScrollBar()->sizeHint().height() + title;
}

} // namespace pix
