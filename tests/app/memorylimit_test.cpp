// Jobs run under memory limits that the machine's free memory does not show: an address-space
// limit, and a memory cgroup (a Kubernetes pod, a systemd slice). Pictures that each convert
// alone within the limit must all convert, one after the other, not be started side by side
// until an allocation fails or the kernel kills the run.
#include "app/jobrunfixture.h"
#include "platform/machinememory.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <sched.h>
#include <unistd.h>

namespace {

using test::Outcome;

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PIXOVIA_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(PIXOVIA_UNDER_ASAN)
constexpr bool kSanitized = true; // its shadow memory and quarantine ignore both limits
#else
constexpr bool kSanitized = false;
#endif

class MemoryLimits : public test::JobRun {
protected:
    static constexpr int kPictures = 3;

    // Three 6000 x 6000 pictures.
    void SetUp() override {
        if (kSanitized)
            GTEST_SKIP() << "the sanitizers reserve terabytes of address space and keep freed "
                            "memory in quarantine";
        static const QByteArray png = [] {
            QImage image(6000, 6000, QImage::Format_RGB32);
            image.fill(Qt::darkCyan);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            return bytes;
        }();
        for (int i = 0; i < kPictures; ++i)
            writeText(QString("in/p%1.png").arg(i), png);
    }

    // Every picture to `format`: as BMP a picture holds its encoded file too (some 300 MB
    // while it converts), as JPEG little more than its pixels (some 150 MB).
    void writeJob(const char* format) {
        writeText("job.xml",
                  QByteArray("<job><folder path=\"in\" filter=\"*.png\" outputformat=\"") + format +
                      "\" outputfolder=\"out\" overwrite=\"1\"/></job>");
    }

    // The program as a shell command, on two processors where there are two, so that the
    // workers are as many as on a small machine whatever this one has.
    static QString program() {
        QString command = QString("'%1' job.xml").arg(PIXOVIA_BINARY);
        cpu_set_t set;
        CPU_ZERO(&set);
        if (sched_getaffinity(0, sizeof set, &set) != 0 ||
            QStandardPaths::findExecutable("taskset").isEmpty())
            return command;
        QStringList cpus;
        for (int cpu = 0; cpu < CPU_SETSIZE && cpus.size() < 2; ++cpu) {
            if (CPU_ISSET(cpu, &set))
                cpus << QString::number(cpu);
        }
        return cpus.size() < 2
                   ? command
                   : QString("taskset -c %1 '%2' job.xml").arg(cpus.join(','), PIXOVIA_BINARY);
    }

    void expectAllConverted(const Outcome& r, const char* format) {
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        for (int i = 0; i < kPictures; ++i)
            EXPECT_TRUE(r.out.contains(QString("out/p%1.%2 successfully").arg(i).arg(format)))
                << r.out.toStdString() << r.err.toStdString();
    }
};

TEST_F(MemoryLimits, UnderAnAddressSpaceLimitThePicturesTakeTurns) {
    // About twice what one picture needs beside the program, less than two together.
    writeJob("bmp");
    expectAllConverted(run({"-c", "ulimit -v 750000 && exec " + program()}, {}, "/bin/sh"), "bmp");
}

// A memory cgroup made below this process's own one for the run, and removed afterwards; none
// where the machine does not allow it (not root, a read-only or delegated hierarchy).
class ChildCgroup {
public:
    static std::unique_ptr<ChildCgroup> make(qint64 limit) {
        const std::optional<pix::MemoryCgroup> own = pix::ownMemoryCgroup();
        if (!own || geteuid() != 0)
            return nullptr;
        auto child = std::make_unique<ChildCgroup>();
        child->folder_ = own->folder + QString("/pixovia-test-%1-%2")
                                           .arg(getpid())
                                           .arg(QRandomGenerator::global()->generate());
        if (!QDir().mkdir(child->folder_)) {
            child->folder_.clear();
            return nullptr;
        }
        QFile max(child->folder_ +
                  (own->v2 ? QString("/memory.max") : QString("/memory.limit_in_bytes")));
        if (!max.open(QIODevice::WriteOnly) || max.write(QByteArray::number(limit)) <= 0)
            return nullptr; // v2 without the memory controller below this group
        return child;
    }
    ~ChildCgroup() {
        if (!folder_.isEmpty())
            QDir().rmdir(folder_);
    }
    QString enter() const { return QString("echo $$ > '%1/cgroup.procs' && ").arg(folder_); }

private:
    QString folder_;
};

TEST_F(MemoryLimits, InAMemoryCgroupThePicturesTakeTurns) {
    // Room for one picture and the files written meanwhile, not for two pictures.
    const std::unique_ptr<ChildCgroup> cgroup = ChildCgroup::make(qint64(250) << 20);
    if (!cgroup)
        GTEST_SKIP() << "no memory cgroup can be made here";
    writeJob("jpg");
    // The shell stays to report a run the kernel killed (137).
    expectAllConverted(run({"-c", cgroup->enter() + program()}, {}, "/bin/sh"), "jpg");
}

} // namespace
