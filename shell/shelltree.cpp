#include "shell/shelltree.h"

#include "shell/filesystemfolder.h"
#include "shell/folderwatch.h"
#include "shell/itemid.h"
#include "shell/mounts.h"
#include "shell/shellicons.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <vector>

namespace pix {

namespace {

ShellItemData* recordOf(void* param) {
    return static_cast<ShellItemData*>(param);
}

// At most kMaxLabel characters, never splitting a surrogate pair.
QString cutLabel(QString text) {
    if (text.size() > ShellTree::kMaxLabel) {
        qsizetype keep = ShellTree::kMaxLabel;
        if (text.at(keep - 1).isHighSurrogate())
            --keep;
        text.truncate(keep);
    }
    return text;
}

// What makes a child the same child after a new reading: its kind, its name (a place: its
// path) and whether it is a link. A folder replaced by a link of the same name is a new child.
QByteArray childKey(const ItemIdList* own) {
    const ItemKind kind = ItemIdKind(own);
    QByteArray key(1, char(kind));
    key += char(ItemIdFlags(own) & kItemLink);
    key += kind == ItemKind::Folder ? ItemIdName(own) : ItemIdPath(own);
    return key;
}

bool mayHoldSubfolders(ShellFolder* folder, const ItemIdList* own) {
    const uint32_t attributes =
        folder->GetAttributesOf(own, kAttrFolder | kAttrRemovable | kAttrHasSubfolder);
    return (attributes & kAttrFolder) && (attributes & (kAttrRemovable | kAttrHasSubfolder));
}

} // namespace

ShellTree::ShellTree(TreeControl& control)
    : WaitingTree(control), desktop_(AcquireSharedDesktopFolder()) {}

ShellTree::~ShellTree() {
    DeleteChildren(control().RootItem());
    ReleaseSharedDesktopFolder();
}

void ShellTree::InitRoot() {
    const ItemIdList desktopList{}; // the empty list: a count of 0
    InsertChildItem(control().RootItem(), desktop_, nullptr, &desktopList);
}

bool ShellTree::FillChildren(TreeItem item) {
    if (item == control().RootItem())
        return true;
    ShellItemData* record = recordOf(control().ItemParam(item));
    if (!record || !EnumerateChildren(item, record->idList.get()))
        return true;
    const QString path = IdListPath(record->idList.get());
    // On removable media and network locations an empty answer may be temporary: keep the
    // button so that the next opening asks again.
    return path.isEmpty() || IsFixedLocation(path);
}

bool ShellTree::EnumerateChildren(TreeItem parent, const ItemIdList* absolute) {
    ShellRef<ShellFolder> folder;
    if (absolute && IdCount(absolute) != 0)
        folder = ShellRef<ShellFolder>::Adopt(desktop_->BindToObject(absolute));
    else
        folder = ShellRef<ShellFolder>::Share(desktop_);
    if (!folder)
        return false;
    const auto children = ShellRef<IdEnumerator>::Adopt(folder->EnumObjects(kEnumFolders));
    if (children) {
        SetProgress(0, 0);
        MallocScope malloc;
        while (ItemIdList* child = children->Next()) {
            InsertChildItem(parent, folder.get(), absolute, child);
            AddProgress(1);
            malloc->Free(child);
        }
        if (GetProgress() > 0)
            control().SortChildren(parent, &ShellTree::CompareSiblings);
    }
    SetProgress(1, 1);
    return true;
}

void ShellTree::InsertChildItem(TreeItem parent, ShellFolder* parentFolder,
                                const ItemIdList* parentList, const ItemIdList* childId) {
    InsertChild(parent, nullptr, false, parentFolder, parentList, childId);
}

TreeItem ShellTree::InsertChild(TreeItem parent, TreeItem after, bool placed,
                                ShellFolder* parentFolder, const ItemIdList* parentList,
                                const ItemIdList* childId) {
    auto* record = new ShellItemData{ShellRef<ShellFolder>::Share(parentFolder),
                                     CShellPidl(IdListConcat(parentList, childId)),
                                     nullptr,
                                     {}};
    TreeInsert request;
    request.parent = parent;
    request.param = record;
    request.mask = TreeInsert::Text | TreeInsert::Image | TreeInsert::SelectedImage |
                   TreeInsert::Children | TreeInsert::Param;
    request.placed = placed;
    request.after = after;
    FillItemAttributes(request);
    record->item = control().InsertItem(request);
    return record->item;
}

void ShellTree::FillItemAttributes(TreeInsert& request) const {
    const ShellItemData* record = recordOf(request.param);
    if (!record)
        return;
    ShellFolder* folder = record->parentFolder.get();
    const ItemIdList* own = IdListLast(record->idList.get());
    if (request.mask & TreeInsert::Text)
        request.text = cutLabel(DisplayNameOf(folder, own, kNameInFolder));
    if (request.mask & (TreeInsert::Image | TreeInsert::SelectedImage)) {
        const uint32_t attributes =
            folder->GetAttributesOf(own, kAttrFolder | kAttrShare | kAttrLink | kAttrGhosted);
        if (attributes & kAttrGhosted) {
            request.mask |= TreeInsert::State;
            request.cut = true;
        }
        if (attributes & (kAttrShare | kAttrLink)) {
            request.mask |= TreeInsert::State;
            request.overlay = (attributes & kAttrShare) ? 1 : 2;
        }
        if (request.mask & TreeInsert::Image)
            request.image = request.selectedImage = ShellIconOf(record->idList.get(), false);
        if ((request.mask & TreeInsert::SelectedImage) && (attributes & kAttrFolder))
            request.selectedImage = ShellIconOf(record->idList.get(), true);
    }
    if (request.mask & TreeInsert::Children) {
        const uint32_t attributes =
            folder->GetAttributesOf(own, kAttrFolder | kAttrRemovable | kAttrHasSubfolder);
        request.children =
            (attributes & kAttrFolder) && (attributes & (kAttrRemovable | kAttrHasSubfolder));
    }
}

int ShellTree::CompareSiblings(void* data1, void* data2) {
    const ShellItemData* first = recordOf(data1);
    const ShellItemData* second = recordOf(data2);
    if (!first || !second)
        return 0;
    const int order = second->parentFolder->CompareIDs(IdListLast(first->idList.get()),
                                                       IdListLast(second->idList.get()));
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

QString ShellTree::SelectedFolderPath() const {
    return ItemPath(control().CaretItem());
}

QString ShellTree::ItemPath(TreeItem item) const {
    const ShellItemData* record = item ? recordOf(control().ItemParam(item)) : nullptr;
    if (!record)
        return {};
    const CShellPidl copy(IdListCopy(record->idList.get()));
    return IdListPath(copy.get());
}

void ShellTree::OnDeleteItem(void* param) {
    ShellItemData* record = recordOf(param);
    if (record == selected_)
        selected_ = nullptr;
    record->shownOpen = false;
    UpdateWatch(record);
    delete record;
}

void ShellTree::OnCaretChanged(TreeItem item) {
    ShellItemData* previous = selected_;
    selected_ = item ? recordOf(control().ItemParam(item)) : nullptr;
    UpdateWatch(previous);
    UpdateWatch(selected_);
}

void ShellTree::OnItemExpanded(TreeItem item, bool expand) {
    // A first opening fills the item now; an item filled before may have missed changes while
    // it was closed.
    const bool filling = expand && PendingItem() == item;
    WaitingTree::OnItemExpanded(item, expand);
    if (!expand)
        HideOpen(item);
    else if (control().IsExpanded(item))
        ShowOpen(item, !filling);
}

void ShellTree::ShowOpen(TreeItem item, bool read) {
    if (read && Refresh(item) != item)
        return; // gone
    if (ShellItemData* record = recordOf(control().ItemParam(item))) {
        record->shownOpen = true;
        UpdateWatch(record);
    }
    for (TreeItem child = control().ChildItem(item); child; child = control().NextSibling(child)) {
        if (control().IsExpanded(child))
            ShowOpen(child, true);
    }
}

void ShellTree::HideOpen(TreeItem item) {
    if (ShellItemData* record = recordOf(control().ItemParam(item))) {
        record->shownOpen = false;
        UpdateWatch(record);
    }
    for (TreeItem child = control().ChildItem(item); child; child = control().NextSibling(child)) {
        if (control().IsExpanded(child))
            HideOpen(child);
    }
}

void ShellTree::UpdateWatch(ShellItemData* record) {
    if (!record)
        return;
    const bool wanted = watch_ && (record->shownOpen || record == selected_);
    if (wanted && record->watchedPaths.isEmpty()) {
        record->watchedPaths = IdCount(record->idList.get()) == 0
                                   ? MediaMountFolders()
                                   : QStringList{ItemPath(record->item)};
        record->watchedPaths.removeAll(QString());
        for (const QString& path : record->watchedPaths) {
            watched_.insert(path, record);
            watch_->Watch(path);
        }
    } else if (!wanted && !record->watchedPaths.isEmpty()) {
        for (const QString& path : record->watchedPaths) {
            watched_.remove(path, record);
            if (watch_)
                watch_->Unwatch(path);
        }
        record->watchedPaths.clear();
    }
}

void ShellTree::FoldersChanged(const QStringList& paths) {
    QStringList ordered = paths;
    // Parents first: reading a parent may drop a changed child that is gone with it.
    std::sort(ordered.begin(), ordered.end(),
              [](const QString& a, const QString& b) { return a.size() < b.size(); });
    for (const QString& path : ordered) {
        std::vector<TreeItem> items;
        for (auto it = watched_.constFind(path); it != watched_.cend() && it.key() == path; ++it)
            items.push_back(it.value()->item);
        for (TreeItem item : items) {
            bool stillShown = false;
            for (auto it = watched_.constFind(path); it != watched_.cend() && it.key() == path;
                 ++it)
                stillShown = stillShown || it.value()->item == item;
            if (stillShown)
                Refresh(item);
        }
    }
}

bool ShellTree::RefreshSelected() {
    caretMoved_ = false;
    Refresh(control().CaretItem());
    return caretMoved_;
}

TreeItem ShellTree::Refresh(TreeItem item) {
    if (!item)
        return nullptr;
    TreeItem target = item;
    while (target != control().RootItem() && !FolderExists(target))
        target = control().ParentItem(target);
    SyncChildren(target);
    return target;
}

bool ShellTree::FolderExists(TreeItem item) const {
    const ShellItemData* record = recordOf(control().ItemParam(item));
    if (!record || IdCount(record->idList.get()) == 0)
        return true; // the desktop
    return FolderFlagsOf(QFile::encodeName(ItemPath(item))).has_value();
}

void ShellTree::SyncChildren(TreeItem item) {
    const ShellItemData* record = recordOf(control().ItemParam(item));
    if (!record)
        return;
    ShellRef<ShellFolder> folder;
    if (IdCount(record->idList.get()) != 0)
        folder = ShellRef<ShellFolder>::Adopt(desktop_->BindToObject(record->idList.get()));
    else
        folder = ShellRef<ShellFolder>::Share(desktop_);
    if (!folder)
        return; // gone since Refresh looked
    const auto reading = ShellRef<IdEnumerator>::Adopt(folder->EnumObjects(kEnumFolders));
    if (!reading)
        return; // unreadable now: what shows stays
    std::vector<CShellPidl> fresh;
    QSet<QByteArray> freshKeys;
    while (ItemIdList* child = reading->Next()) {
        fresh.emplace_back(child);
        freshKeys.insert(childKey(child));
    }

    QHash<QByteArray, TreeItem> kept;
    std::vector<TreeItem> gone;
    for (TreeItem child = control().ChildItem(item); child; child = control().NextSibling(child)) {
        const ShellItemData* shown = recordOf(control().ItemParam(child));
        if (!shown)
            continue;
        const QByteArray key = childKey(IdListLast(shown->idList.get()));
        if (freshKeys.contains(key))
            kept.insert(key, child);
        else
            gone.push_back(child);
    }
    const bool changes = !gone.empty() || kept.size() < qsizetype(fresh.size());
    if (changes)
        control().SetRedraw(false);

    const QString goneSelection = LeaveGoneBranches(item, gone);
    for (TreeItem child : gone)
        control().DeleteItem(child);

    // New children go in the folder's order, after the child they follow there.
    TreeItem previous = nullptr;
    for (const CShellPidl& id : fresh) {
        const auto found = kept.constFind(childKey(id.get()));
        if (found == kept.cend()) {
            previous =
                InsertChild(item, previous, true, folder.get(), record->idList.get(), id.get());
            continue;
        }
        previous = *found;
        // A closed child shows a button as long as it may hold sub-folders or holds some.
        if (!control().IsExpanded(previous))
            control().SetItemChildren(previous, mayHoldSubfolders(folder.get(), id.get()) ||
                                                    control().ChildItem(previous) != nullptr);
    }
    if (changes) {
        if (item != control().RootItem() && !control().ChildItem(item)) {
            const QString path = ItemPath(item);
            control().SetItemChildren(item, !(path.isEmpty() || IsFixedLocation(path)));
        } else if (item != control().RootItem()) {
            control().SetItemChildren(item, true);
        }
        control().SetRedraw(true);
    }
    if (!goneSelection.isEmpty() && gone_)
        gone_(goneSelection);
}

QString ShellTree::LeaveGoneBranches(TreeItem item, const std::vector<TreeItem>& gone) {
    TreeItem branch = control().CaretItem();
    while (branch && branch != control().RootItem() && control().ParentItem(branch) != item)
        branch = control().ParentItem(branch);
    if (!branch || std::find(gone.begin(), gone.end(), branch) == gone.end())
        return {};
    const QString path = ItemPath(control().CaretItem());
    control().SelectItem(item);
    caretMoved_ = true;
    return path;
}

} // namespace pix
