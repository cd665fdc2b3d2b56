// Writing a file so that it is never seen half-written: the data goes to a temporary file in
// the target's folder, which replaces the target only once it is complete and on the disk.
//
// Where the file system allows, the temporary file has no name until it is complete (Linux's
// O_TMPFILE), so a run that is killed leaves nothing behind. Elsewhere (some network and FUSE
// file systems) it is made under a short name of its own, ".pixovia-XXXXXX" with six random
// letters and digits: short, so that a target whose name is as long as a name may be can still
// be replaced, and recognisable, so that one left by a killed run can be told for what it is
// and removed.
#pragma once

#include <QIODevice>
#include <QString>

namespace pix {

// The prefix of the temporary files' names.
inline constexpr const char* kSafeFilePrefix = ".pixovia-";

class SafeFile : public QIODevice {
public:
    enum class Owner {
        Keep,       // the new file keeps the owner of the one it replaces where that may be changed
        KeepOrFail, // and fails rather than leave the file to another owner
    };

    // A target that is a symbolic link is written through: the file it names is replaced and
    // the link stays as it is.
    explicit SafeFile(const QString& target, Owner owner = Owner::Keep);
    ~SafeFile() override; // an uncommitted temporary file is removed

    // WriteOnly. Fails when the target is a folder or may not be written, or no temporary file
    // can be made beside it.
    bool open(OpenMode mode) override;
    // Puts the written data in the target's place; false (and the target untouched) when it
    // could not be written out, synced or renamed.
    bool commit();
    // Encoders that go back to fill in offsets (TIFF) seek in the file being written.
    bool seek(qint64 position) override;
    qint64 size() const override;

    // The error of the first failure (an errno value), 0 when none.
    int systemError() const { return error_; }

    // Tests only: the named temporary file even where a nameless one could be made.
    void setNamedTemporaryForTesting(bool named) { named_ = named; }
    // The temporary file's path while it has one.
    QString temporaryPath() const { return temporary_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override;

private:
    bool fail(int error);
    bool openNamed(const QString& folder, int mode);
    bool linkNameless(const QString& folder);
    void discard();

    QString target_;
    Owner owner_;
    QString temporary_; // empty while the file has no name
    int fd_ = -1;
    int error_ = 0;
    bool named_ = false;
};

} // namespace pix
