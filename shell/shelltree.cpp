#include "shell/shelltree.h"

#include "shell/mounts.h"
#include "shell/shellicons.h"

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
    auto* record = new ShellItemData{ShellRef<ShellFolder>::Share(parentFolder),
                                     CShellPidl(IdListConcat(parentList, childId))};
    TreeInsert request;
    request.parent = parent;
    request.param = record;
    request.mask = TreeInsert::Text | TreeInsert::Image | TreeInsert::SelectedImage |
                   TreeInsert::Children | TreeInsert::Param;
    FillItemAttributes(request);
    control().InsertItem(request);
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
    delete recordOf(param);
}

} // namespace pix
