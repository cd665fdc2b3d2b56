// Shards of a job: the choice of the share from the command line and the scheduler, and N runs
// that together write what one whole run writes.
#include "app/jobrunfixture.h"
#include "app/shardoption.h"
#include "jobs/shardplan.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <functional>
#include <map>

namespace pix {
namespace {

std::optional<Shard> resolve(const QStringList& args, const QStringList& environment,
                             QString& error) {
    QProcessEnvironment env;
    for (const QString& pair : environment)
        env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    return resolveShard(parseCommandLine(QStringList{"pixovia"} + args + QStringList{"j.xml"}), env,
                        error);
}

TEST(ShardOption, ValuesFromTheCommandLineAndTheSchedulers) {
    const struct {
        QStringList args, env;
        int index, count; // -1: an error
    } cases[] = {
        {{}, {}, 0, 1},
        {{"--shard", "2/3"}, {}, 2, 3},
        {{"--shard=0/1"}, {}, 0, 1},
        {{"--shard", "3/3"}, {}, -1, 0},
        {{"--shard", "-1/3"}, {}, -1, 0},
        {{"--shard", "1/0"}, {}, -1, 0},
        {{"--shard", "1/ 3"}, {}, -1, 0},
        {{"--shard", "a/b"}, {}, -1, 0},
        {{"--shard", "1"}, {}, -1, 0},
        {{"--shard", "99999999/99999999"}, {}, -1, 0},
        {{"--shard", "1/3", "--shard-count", "3"}, {}, -1, 0},
        {{"--shard-count", "3"}, {}, -1, 0},
        {{"--shard", "auto"}, {}, -1, 0},
        {{"--shard", "auto", "--shard-count", "4"}, {"JOB_COMPLETION_INDEX=3"}, 3, 4},
        {{"--shard", "auto"}, {"JOB_COMPLETION_INDEX=1", "PIXOVIA_SHARD_COUNT=2"}, 1, 2},
        {{"--shard", "auto"}, {"JOB_COMPLETION_INDEX=1"}, -1, 0},
        {{"--shard", "auto"}, {"JOB_COMPLETION_INDEX=5", "PIXOVIA_SHARD_COUNT=5"}, -1, 0},
        {{"--shard", "auto"}, {"JOB_COMPLETION_INDEX=", "PIXOVIA_SHARD_COUNT=5"}, -1, 0},
        {{"--shard", "auto"}, {"SLURM_ARRAY_TASK_ID=2", "SLURM_ARRAY_TASK_COUNT=4"}, 2, 4},
        // A task sent again alone keeps its share when the count is given.
        {{"--shard", "auto", "--shard-count", "16"},
         {"SLURM_ARRAY_TASK_ID=7", "SLURM_ARRAY_TASK_COUNT=1"},
         7,
         16},
        {{"--shard", "auto"}, {"SLURM_ARRAY_TASK_ID=7", "SLURM_ARRAY_TASK_COUNT=1"}, -1, 0},
        {{"--shard", "auto"}, {"SLURM_ARRAY_TASK_ID=4", "SLURM_ARRAY_TASK_COUNT=4"}, -1, 0},
        {{"--shard", "auto"}, {"SLURM_ARRAY_TASK_ID=x", "SLURM_ARRAY_TASK_COUNT=4"}, -1, 0},
    };
    for (const auto& c : cases) {
        QString error;
        const std::optional<Shard> shape = resolve(c.args, c.env, error);
        const std::string what = (c.args + c.env).join(' ').toStdString();
        if (c.index < 0) {
            EXPECT_FALSE(shape) << what;
            EXPECT_FALSE(error.isEmpty()) << what;
        } else {
            EXPECT_TRUE(error.isEmpty()) << what << ": " << error.toStdString();
            EXPECT_EQ(shape ? shape->index : 0, c.index) << what;
            EXPECT_EQ(shape ? shape->count : 1, c.count) << what;
        }
    }
    EXPECT_FALSE(parseCommandLine({"pixovia", "--shard"}).error.isEmpty());
}

// The split is a fixed function of each group's key: the same on every machine and in every
// version (a retried shard may run a newer program), and even over the shards.
TEST(ShardSplit, KeysSpreadEvenlyAndAlwaysLandInTheSameShard) {
    const struct {
        const char* key;
        int count, shard;
    } pinned[] = {{"out/p0.gif", 16, 8}, {"/data/out/IMG_0001.jpg", 7, 3}};
    for (const auto& p : pinned)
        EXPECT_EQ(ShardOfKey(p.key, p.count), p.shard) << p.key;
    for (int count : {2, 7, 16}) {
        std::vector<int> load(std::size_t(count), 0);
        for (int i = 0; i < 1600 * count; ++i)
            ++load[std::size_t(ShardOfKey(QString("out/p%1.gif").arg(i), count))];
        for (int shard = 0; shard < count; ++shard)
            EXPECT_NEAR(load[std::size_t(shard)], 1600, 160) << shard << " of " << count;
    }
}

using test::JobRun;
using test::Outcome;

class Shards : public JobRun {
protected:
    // Folder entries with renames, pictures of mixed sizes, two rows writing one file and a
    // row that reads an earlier row's output.
    void writeJob() {
        QDir().mkpath(path("in"));
        for (int i = 0; i < 9; ++i) {
            QImage image(8 + i * 23, 6 + (i * 37) % 90, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(i * 40, 200, 200));
            ASSERT_TRUE(image.save(path(QString("in/p%1.png").arg(i)), "PNG"));
        }
        QDir().mkpath(path("in/sub"));
        ASSERT_TRUE(QFile::copy(path("in/p1.png"), path("in/sub/p1.png")));
        QDir().mkpath(path("out"));
        ASSERT_TRUE(QFile::copy(path("in/p2.png"), path("out/p2.png")));
        writeText("job.xml",
                  R"(<job>
  <folder path="in" filter="*.png" includesubfolders="1" outputformat="gif"
          outputfolder="out" overwrite="1"/>
  <folder path="in" filter="p3.png;p4.png;p5.png" prefix="R" startnumber="7"
          outputformat="jpg" outputfolder="out/renamed"/>
  <image path="out" name="p2.png" outputformat="bmp" outputfolder="out/again"/>
</job>
)");
    }

    // Every file below out/ with its contents.
    std::map<QString, QByteArray> outputs() const {
        std::map<QString, QByteArray> files;
        QDirIterator it(path("out"), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            QFile f(file);
            EXPECT_TRUE(f.open(QIODevice::ReadOnly));
            files[QDir(dir.path()).relativeFilePath(file)] = f.readAll();
        }
        return files;
    }
    void resetOutputs() {
        QDir(path("out")).removeRecursively();
        QDir().mkpath(path("out"));
        ASSERT_TRUE(QFile::copy(path("in/p2.png"), path("out/p2.png")));
    }
};

TEST_F(Shards, TogetherTheyWriteWhatOneWholeRunWritesEachFileOnce) {
    writeJob();
    const Outcome whole = run({"job.xml"});
    const std::map<QString, QByteArray> expected = outputs();
    QStringList wholeLines = whole.out.split('\n', Qt::SkipEmptyParts);
    wholeLines.sort();
    ASSERT_GT(expected.size(), 8u);

    for (int count : {1, 2, 3, 7}) {
        resetOutputs();
        QStringList lines;
        QStringList planned;
        int worst = 0;
        for (int index = 0; index < count; ++index) {
            const QString shard = QString("%1/%2").arg(index).arg(count);
            const Outcome dry = run({"--shard", shard, "--dry-run", "job.xml"});
            EXPECT_EQ(dry.out, run({"--shard", shard, "--dry-run", "job.xml"}).out)
                << "the split depends on the job and the files alone";
            planned += dry.out.split('\n', Qt::SkipEmptyParts);
            const Outcome r = run({"--shard", shard, "job.xml"});
            lines += r.out.split('\n', Qt::SkipEmptyParts);
            worst = std::max(worst, r.status);
        }
        lines.sort();
        EXPECT_EQ(lines, wholeLines) << count << " shards";
        EXPECT_EQ(outputs(), expected) << count << " shards";
        EXPECT_EQ(worst, whole.status) << count << " shards";
        // Every row in exactly one shard.
        QStringList all = run({"--dry-run", "job.xml"}).out.split('\n', Qt::SkipEmptyParts);
        all.sort();
        planned.sort();
        EXPECT_EQ(planned, all) << count << " shards";
    }
}

// Sources that change between the starts of the shards, as when pods start late or a folder is
// still syncing: before each shard after the first, a picture grows, one shrinks, one appears or
// one vanishes. Every row there from the first start to the last is converted by exactly one
// shard; a row that appeared or vanished meanwhile by at most one.
TEST_F(Shards, FilesChangingBetweenShardStartsLoseNoRowAndConvertNoneTwice) {
    const auto picture = [this](const QString& name, int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(width % 360, 180, 220));
        ASSERT_TRUE(image.save(path(name), "PNG"));
    };
    const struct {
        const char* name;
        std::function<void(int)> change; // before shard k (k >= 1)
    } changes[] = {
        {"grows", [&](int k) { picture("in/p0.png", 300 + 200 * k, 250 + 100 * k); }},
        {"shrinks", [&](int k) { picture("in/p8.png", 200 / k, 100 / k); }},
        {"appears", [&](int k) { picture(QString("in/new%1.png").arg(k), 20 * k, 90); }},
        {"vanishes", [&](int k) { QFile::remove(path(QString("in/p%1.png").arg(5 + k))); }},
    };
    const auto rowsOf = [](const Outcome& r) { return r.out.split('\n', Qt::SkipEmptyParts); };
    for (const auto& c : changes) {
        for (int count : {2, 4}) {
            const std::string what = std::string(c.name) + ", " + std::to_string(count) + " shards";
            QDir(path("in")).removeRecursively();
            QDir(path("out")).removeRecursively();
            writeJob();
            const QStringList before = rowsOf(run({"--dry-run", "job.xml"}));
            QStringList planned, saved;
            for (int index = 0; index < count; ++index) {
                if (index > 0)
                    c.change(index);
                const QString shard = QString("%1/%2").arg(index).arg(count);
                planned += rowsOf(run({"--shard", shard, "--dry-run", "job.xml"}));
                saved += rowsOf(run({"--shard", shard, "job.xml"}));
            }
            const QStringList after = rowsOf(run({"--dry-run", "job.xml"}));
            QStringList all = before + after;
            all.removeDuplicates();
            for (const QString& row : all) {
                const bool throughout = before.contains(row) && after.contains(row);
                const qsizetype times = planned.count(row);
                EXPECT_TRUE(throughout ? times == 1 : times <= 1)
                    << what << ": " << row.toStdString() << " in " << times << " shards";
                const QString output = row.section('\t', 1);
                if (throughout) {
                    EXPECT_TRUE(saved.contains(
                        QString("The file has been saved to %1 successfully.").arg(output)))
                        << what << ": " << output.toStdString() << " was not converted";
                }
            }
        }
    }
}

TEST_F(Shards, BadValuesWriteNothingAndExitWithTwo) {
    writeJob();
    for (const QStringList& args :
         {QStringList{"--shard", "3/3", "job.xml"}, QStringList{"--shard", "x", "job.xml"},
          QStringList{"--shard", "auto", "job.xml"}, QStringList{"job.xml", "--shard"},
          QStringList{"--shard-count", "2", "job.xml"}}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("pixovia: ")) << r.err.toStdString();
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(outputs().size(), 1u) << "only the file that was there";
    const Outcome dry = run({"--dry-run", "job.xml"});
    EXPECT_EQ(dry.status, 0);
    EXPECT_TRUE(dry.out.contains("in/p0.png\tout/p0.gif\n")) << dry.out.toStdString();
    EXPECT_EQ(outputs().size(), 1u) << "a dry run writes nothing";
}

} // namespace
} // namespace pix
