// Wildcard matching, folder listing and joining paths, as the image browser, the job list and
// the job-file loader use them.
//
// Matching follows the Windows file search with the quirks that make no sense here left out:
//  - "*" matches any run of characters (dots included), "?" exactly one character;
//  - letters match without regard to case (Unicode simple case folding), and both texts are
//    compared in composed form (NFC), so "É" typed by the user matches a decomposed "É" on disk;
//  - the pattern "*.*" matches every name, also one without a dot;
//  - the whole name is matched: "*.jpg" does not match "a.jpeg" (there are no 8.3 short names);
//  - every other character is literal: "<", ">" and '"' have no special meaning, and a final
//    "." is matched as a dot (names here may end in one), so "*." matches names ending in ".";
//  - an empty pattern matches only the empty name, that is no file.
// The matcher works in time proportional to the product of the lengths at worst, never
// exponentially, whatever the pattern.
#pragma once

#include <QFlags>
#include <QHashFunctions>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace pix {

/// A pattern prepared once for matching many names.
class WildcardPattern {
public:
    explicit WildcardPattern(const QString& pattern);
    bool matches(const QString& name) const;

private:
    QList<uint> pattern_; // folded code points
    bool matchAll_ = false;
};

bool wildcardMatch(const QString& pattern, const QString& name);

/// Name order: without regard to case, ties broken by exact comparison, so that the order
/// never depends on how the file system reported the names.
bool nameLess(const QString& a, const QString& b);

enum class Entry {
    Files = 0x1,
    Folders = 0x2,
    NoLinks = 0x4, // leave out symbolic links (to files and to folders)
};
Q_DECLARE_FLAGS(Entries, Entry)

/// The names (not paths) of the entries of folder that match pattern, in name order. "." and
/// ".." never appear. Hidden entries are included, as the Windows file search includes them.
/// Files are regular files (or links to them); FIFOs, sockets, devices and broken links are
/// left out, since opening them could block or fail. Links to folders count as folders.
/// A folder that is empty, missing or unreadable, or an empty folder path, gives no names.
QStringList listFolder(const QString& folder, const QString& pattern, Entries what);

/// listFolder of every pattern, with the folder read once: one list of names per pattern, in
/// the order given. A name that matches two patterns is in both lists.
std::vector<QStringList> listFolderByPatterns(const QString& folder, const QStringList& patterns,
                                              Entries what);

/// folder and name joined with one "/" (none added when the folder already ends in one). An
/// empty folder gives the name alone, rather than a path under the root.
QString joinPath(const QString& folder, const QString& name);

/// The entries of folder whose names are not valid UTF-8, which listFolder cannot give (no
/// text names them), each as it would read with the bad bytes replaced (for matching) and as
/// it is shown (the bad bytes as "\xHH").
struct UndecodableName {
    QString replaced;
    QString shown;
};
QList<UndecodableName> undecodableNames(const QString& folder);

/// What tells one folder from every other on the machine, however it is reached (through
/// links or mounts); none when it cannot be read.
struct FolderIdentity {
    quint64 device = 0;
    quint64 node = 0;
    friend bool operator==(const FolderIdentity&, const FolderIdentity&) = default;
};
std::optional<FolderIdentity> folderIdentity(const QString& folder);
inline size_t qHash(const FolderIdentity& identity, size_t seed = 0) {
    return qHashMulti(seed, identity.device, identity.node);
}

} // namespace pix

Q_DECLARE_OPERATORS_FOR_FLAGS(pix::Entries)
