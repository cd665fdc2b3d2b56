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

std::optional<ShardSpec> checked(std::optional<int> index, std::optional<int> total,
                                 const QString& what, QString& error) {
    if (!index || !total || *total < 1 || *index >= *total) {
        error = QStringLiteral("%1: the shard must be K/N with 0 <= K < N <= %2")
                    .arg(what)
                    .arg(kMaxShards);
        return std::nullopt;
    }
    return ShardSpec{*index, *total};
}

std::optional<ShardSpec> fromScheduler(const CommandLine& line, const QProcessEnvironment& env,
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
        // Array indices may start anywhere and step: the shard is the task's place in the
        // array.
        const QString id = env.value(QStringLiteral("SLURM_ARRAY_TASK_ID"));
        const QString min = env.value(QStringLiteral("SLURM_ARRAY_TASK_MIN"), QStringLiteral("0"));
        const QString step =
            env.value(QStringLiteral("SLURM_ARRAY_TASK_STEP"), QStringLiteral("1"));
        const QString total = !line.shardCount.isEmpty()
                                  ? line.shardCount
                                  : env.value(QStringLiteral("SLURM_ARRAY_TASK_COUNT"));
        const std::optional<int> first = count(min), at = count(id), by = count(step);
        std::optional<int> index;
        if (first && at && by && *by > 0 && *at >= *first && (*at - *first) % *by == 0)
            index = (*at - *first) / *by;
        return checked(index, count(total),
                       QStringLiteral("--shard auto (SLURM_ARRAY_TASK_ID=%1, "
                                      "SLURM_ARRAY_TASK_MIN=%2, SLURM_ARRAY_TASK_STEP=%3, "
                                      "count %4)")
                           .arg(id, min, step, total),
                       error);
    }
    error = QStringLiteral("--shard auto: no scheduler index found (JOB_COMPLETION_INDEX or "
                           "SLURM_ARRAY_TASK_ID)");
    return std::nullopt;
}

} // namespace

std::optional<ShardSpec> resolveShard(const CommandLine& line, const QProcessEnvironment& env,
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
