#include "app/shardoption.h"

#include <QRegularExpression>

namespace pix {

namespace {

// More shards than this is no sensible job: most would hold nothing.
constexpr int kMaxShards = 1000000;

// A whole number written with digits only (no sign, no blanks), up to kMaxShards.
std::optional<int> count(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,7}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const int value = text.toInt();
    return value <= kMaxShards ? std::optional<int>(value) : std::nullopt;
}

std::optional<Shard> checked(std::optional<int> index, std::optional<int> total,
                             const QString& what, QString& error) {
    if (!index || !total || *total < 1 || *index >= *total) {
        error = QStringLiteral("%1: the shard must be K/N with 0 <= K < N <= %2")
                    .arg(what)
                    .arg(kMaxShards);
        return std::nullopt;
    }
    return Shard{*index, *total};
}

std::optional<Shard> fromScheduler(const CommandLine& line, const QProcessEnvironment& env,
                                   QString& error) {
    if (env.contains(QStringLiteral("JOB_COMPLETION_INDEX"))) {
        const QString total = !line.shardCount.isEmpty()
                                  ? line.shardCount
                                  : env.value(QStringLiteral("PIXOVIA_SHARD_COUNT"));
        if (total.isEmpty()) {
            error = QStringLiteral("--shard auto: JOB_COMPLETION_INDEX is set, but the number of "
                                   "shards is not: give --shard-count N or PIXOVIA_SHARD_COUNT");
            return std::nullopt;
        }
        const QString index = env.value(QStringLiteral("JOB_COMPLETION_INDEX"));
        return checked(
            count(index), count(total),
            QStringLiteral("--shard auto (JOB_COMPLETION_INDEX=%1, count %2)").arg(index, total),
            error);
    }
    if (env.contains(QStringLiteral("SLURM_ARRAY_TASK_ID"))) {
        // The task's own index is the shard, so that a failed task sent again alone
        // (sbatch --array=7 with --shard-count) converts the same share.
        const QString id = env.value(QStringLiteral("SLURM_ARRAY_TASK_ID"));
        const QString total = !line.shardCount.isEmpty()
                                  ? line.shardCount
                                  : env.value(QStringLiteral("SLURM_ARRAY_TASK_COUNT"));
        return checked(count(id), count(total),
                       QStringLiteral("--shard auto (SLURM_ARRAY_TASK_ID=%1, count %2; the "
                                      "array must run from 0 to N-1)")
                           .arg(id, total),
                       error);
    }
    error = QStringLiteral("--shard auto: no scheduler index found (JOB_COMPLETION_INDEX or "
                           "SLURM_ARRAY_TASK_ID)");
    return std::nullopt;
}

} // namespace

std::optional<Shard> resolveShard(const CommandLine& line, const QProcessEnvironment& env,
                                  QString& error) {
    error.clear();
    if (line.shard.isEmpty()) {
        if (!line.shardCount.isEmpty())
            error = QStringLiteral("--shard-count is used only with --shard auto");
        return std::nullopt;
    }
    if (line.shard == QLatin1String("auto"))
        return fromScheduler(line, env, error);
    if (!line.shardCount.isEmpty()) {
        error = QStringLiteral("--shard-count is used only with --shard auto");
        return std::nullopt;
    }
    const qsizetype slash = line.shard.indexOf(u'/');
    if (slash < 0)
        return checked(std::nullopt, std::nullopt, QStringLiteral("--shard %1").arg(line.shard),
                       error);
    return checked(count(line.shard.left(slash)), count(line.shard.mid(slash + 1)),
                   QStringLiteral("--shard %1").arg(line.shard), error);
}

} // namespace pix
