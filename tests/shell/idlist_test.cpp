// Identifier lists, the shared allocator and display names.
#include "shell/filesystemfolder.h"
#include "shell/itemid.h"
#include "shell/shellfolder.h"
#include "shell/shellpidl.h"

#include <cstring>
#include <gtest/gtest.h>
#include <initializer_list>

namespace pix {
namespace {

// A list from SharedMalloc whose identifiers have the given counts; payload byte i of
// identifier k is k * 16 + i.
ItemIdList* makeList(std::initializer_list<uint16_t> counts) {
    std::size_t size = 2;
    for (uint16_t count : counts)
        size += count;
    MallocScope malloc;
    auto* bytes = static_cast<uint8_t*>(malloc->Alloc(size));
    uint8_t* at = bytes;
    int k = 0;
    for (uint16_t count : counts) {
        at[0] = uint8_t(count & 0xff);
        at[1] = uint8_t(count >> 8);
        for (int i = 2; i < count; ++i)
            at[i] = uint8_t(k * 16 + i);
        at += count;
        ++k;
    }
    at[0] = at[1] = 0;
    return reinterpret_cast<ItemIdList*>(bytes);
}

const uint8_t* bytesOf(const void* list) {
    return static_cast<const uint8_t*>(list);
}

// Holds the allocator for a whole test, so that blocks still handed out can be counted.
class IdLists : public ::testing::Test {
protected:
    ShellAllocator* malloc = AcquireSharedMalloc();
    std::size_t before = malloc->Outstanding();
    void TearDown() override {
        EXPECT_EQ(malloc->Outstanding(), before) << "every block was freed";
        ReleaseSharedMalloc();
    }
};

TEST_F(IdLists, SizeNextAndLastFollowTheCounts) {
    const CShellPidl empty(makeList({}));
    const CShellPidl two(makeList({20, 14}));
    const CShellPidl three(makeList({6, 8, 10}));
    EXPECT_EQ(IdListSize(nullptr), 0u);
    EXPECT_EQ(IdListSize(empty.get()), 0u);
    EXPECT_EQ(IdListSize(two.get()), 34u);

    EXPECT_EQ(IdListNext(nullptr), nullptr);
    EXPECT_EQ(IdListNext(empty.get()), nullptr);
    EXPECT_EQ(bytesOf(IdListNext(two.get())), bytesOf(two.get()) + 20);
    EXPECT_EQ(IdListNext(IdListNext(two.get())), nullptr) << "the terminator is no identifier";

    EXPECT_EQ(bytesOf(IdListLast(three.get())), bytesOf(three.get()) + 14);
    EXPECT_EQ(IdListLast(empty.get()), empty.get()) << "the desktop asks about itself";
    const CShellPidl one(makeList({9}));
    EXPECT_EQ(IdListLast(one.get()), one.get());
}

TEST_F(IdLists, ConcatJoinsTheIdentifiersIntoABlockOfTheirSizePlusTheTerminator) {
    EXPECT_EQ(IdListConcat(nullptr, nullptr), nullptr);
    const CShellPidl empty(makeList({}));
    const CShellPidl first(makeList({20, 14}));
    const CShellPidl second(makeList({6}));

    const CShellPidl joined(IdListConcat(first.get(), second.get()));
    ASSERT_TRUE(joined);
    EXPECT_EQ(malloc->GetSize(joined.get()), 34u + 6u + 2u);
    EXPECT_EQ(IdListSize(joined.get()), 40u);
    EXPECT_EQ(std::memcmp(joined.get(), first.get(), 34), 0);
    EXPECT_EQ(std::memcmp(bytesOf(joined.get()) + 34, second.get(), 6), 0);
    EXPECT_EQ(bytesOf(joined.get())[40], 0);
    EXPECT_EQ(bytesOf(joined.get())[41], 0);

    const CShellPidl fromEmpty(IdListConcat(empty.get(), second.get()));
    EXPECT_EQ(malloc->GetSize(fromEmpty.get()), 8u);
    EXPECT_EQ(std::memcmp(fromEmpty.get(), second.get(), 8), 0);
    const CShellPidl alone(IdListConcat(nullptr, first.get()));
    EXPECT_EQ(std::memcmp(alone.get(), first.get(), 36), 0);
    const CShellPidl desktop(IdListConcat(empty.get(), nullptr));
    EXPECT_EQ(malloc->GetSize(desktop.get()), 2u);
    EXPECT_EQ(IdCount(desktop.get()), 0);
}

TEST_F(IdLists, CopyTakesTheWholeBlockTheAllocatorReports) {
    EXPECT_EQ(IdListCopy(nullptr), nullptr);
    // A block larger than the list it holds: the copy is as large as the block.
    auto* block = static_cast<uint8_t*>(malloc->Alloc(16));
    std::memset(block, 0xAB, 16);
    block[0] = 4;
    block[1] = 0;
    block[4] = block[5] = 0;
    const CShellPidl list(reinterpret_cast<ItemIdList*>(block));
    const CShellPidl copy(IdListCopy(list.get()));
    EXPECT_EQ(malloc->GetSize(copy.get()), 16u);
    EXPECT_EQ(std::memcmp(copy.get(), list.get(), 16), 0);
    EXPECT_EQ(malloc->GetSize(nullptr), SIZE_MAX);
    malloc->Free(nullptr); // harmless
}

TEST_F(IdLists, AnAbsoluteListGivesThePathOfThePlaceAndItsFolders) {
    const CShellPidl home(MakePlaceId(ItemKind::Home, "/home/ada", "Home", kItemHasSubfolders));
    const CShellPidl root(MakePlaceId(ItemKind::Root, "/", "File System", 0));
    const CShellPidl pictures(MakeFolderId("Pictures", 0));
    const CShellPidl trip(MakeFolderId("Trip 2024", kItemLink));
    const CShellPidl both(IdListConcat(pictures.get(), trip.get()));
    const CShellPidl underHome(IdListConcat(home.get(), both.get()));
    const CShellPidl underRoot(IdListConcat(root.get(), pictures.get()));
    EXPECT_EQ(IdListPath(underHome.get()), "/home/ada/Pictures/Trip 2024");
    EXPECT_EQ(IdListPath(underRoot.get()), "/Pictures");
    EXPECT_EQ(IdListPath(root.get()), "/");
    const CShellPidl empty(makeList({}));
    EXPECT_EQ(IdListPath(empty.get()), "") << "the desktop has no path";
    EXPECT_EQ(IdListPath(nullptr), "");
    // A list that does not start at a place names no folder on disk.
    EXPECT_EQ(IdListPath(both.get()), "");
    const CShellPidl foreign(makeList({20, 14}));
    EXPECT_EQ(IdListPath(foreign.get()), "");
}

TEST_F(IdLists, IdentifiersAreReadOnlyWithinTheirCount) {
    const CShellPidl folder(MakeFolderId("Scans", kItemHasSubfolders));
    EXPECT_EQ(ItemIdKind(folder.get()), ItemKind::Folder);
    EXPECT_EQ(ItemIdName(folder.get()), "Scans");
    EXPECT_EQ(ItemIdFlags(folder.get()), kItemHasSubfolders);
    EXPECT_EQ(ItemIdPath(folder.get()), "");
    // The same bytes with the name's terminator cut off by a shorter count: no name.
    auto* bytes = reinterpret_cast<uint8_t*>(folder.get());
    bytes[0] = uint8_t(kItemNameOffset + 5);
    EXPECT_EQ(ItemIdName(folder.get()), "");
    EXPECT_EQ(MakeFolderId("", 0), nullptr);
    EXPECT_EQ(MakeFolderId(QByteArray("a\0b", 3), 0), nullptr);
    EXPECT_EQ(MakeFolderId(QByteArray(70000, 'x'), 0), nullptr) << "does not fit a 16-bit count";
}

TEST_F(IdLists, ANameGivenAsAnOffsetOutlivesTheCallersIdentifier) {
    const auto folder = ShellRef<ShellFolder>::Adopt(new FileSystemFolder("/", true));
    CShellString name;
    {
        CShellPidl id(MakeFolderId("Holidays", 0));
        StrRet* record = name.Bind(id.get(), StrRet::WideString);
        ASSERT_TRUE(folder->GetDisplayNameOf(id.get(), kNameInFolder, record));
        EXPECT_EQ(record->uType, StrRet::Offset);
    } // the caller's identifier is freed here
    EXPECT_EQ(name.ToString(), "Holidays");
    // An offset outside the identifier gives nothing rather than reading beyond it.
    CShellPidl id(MakeFolderId("x", 0));
    StrRet* record = name.Bind(id.get(), StrRet::WideString);
    record->uType = StrRet::Offset;
    record->uOffset = 400;
    EXPECT_EQ(name.ToString(), "");
}

TEST_F(IdLists, NamesOfEveryTypeAreReadAndWideStringsFreed) {
    CShellPidl id(MakeFolderId("x", 0));
    CShellString name;
    EXPECT_EQ(name.ToString(), "") << "a fresh name is an empty wide string";
    name.Reset(); // frees nothing

    StrRet* record = name.Bind(id.get(), StrRet::WideString);
    const QString wide = QStringLiteral("Été");
    record->pOleStr = static_cast<char16_t*>(malloc->Alloc((wide.size() + 1) * 2));
    std::memcpy(record->pOleStr, wide.utf16(), (wide.size() + 1) * 2);
    EXPECT_EQ(name.ToString(), wide);

    record = name.Bind(id.get(), StrRet::WideString); // frees the wide string
    record->uType = StrRet::Inline;
    std::strcpy(record->cStr, "Fotos");
    EXPECT_EQ(name.ToString(), "Fotos");

    record = name.Bind(id.get(), 7);
    EXPECT_EQ(name.ToString(), "") << "an unknown type";
}

TEST(SharedServices, AServiceLivesWhileReferencedAndIsMadeAfreshAfterwards) {
    ShellAllocator* first = AcquireSharedMalloc();
    EXPECT_EQ(AcquireSharedMalloc(), first);
    ReleaseSharedMalloc();
    void* block = first->Alloc(8); // still held once
    first->Free(block);
    ReleaseSharedMalloc();
    ReleaseSharedMalloc(); // nothing held: harmless

    ShellFolder* desktop = AcquireSharedDesktopFolder();
    EXPECT_EQ(AcquireSharedDesktopFolder(), desktop);
    ReleaseSharedDesktopFolder();
    ReleaseSharedDesktopFolder();
    ShellFolder* again = AcquireSharedDesktopFolder();
    ASSERT_NE(again, nullptr);
    ReleaseSharedDesktopFolder();
}

} // namespace
} // namespace pix
