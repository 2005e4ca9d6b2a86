#include "app/render_shard.h"

#include <cerrno>
#include <cstdlib>

namespace {
constexpr long kMostTasks = 1'000'000;

// A whole number from `low` to kMostTasks, nothing else around it.
bool taskNumber(const char* text, long low, long& number) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    number = std::strtol(text, &end, 10);
    return errno == 0 && *end == '\0' && number >= low && number <= kMostTasks;
}

Problem badVariable(const char* name, const char* value) {
    return std::string(name) + " is '" + (value != nullptr ? value : "") + "', which is no task number";
}

Problem shardOf(long index, long count, const char* indexName, Shard& shard) {
    if (index >= count) {
        return std::string(indexName) + " is " + std::to_string(index) + ", but there are " + std::to_string(count) +
               " tasks";
    }
    shard = {static_cast<int>(index), static_cast<int>(count)};
    return {};
}

// Kubernetes and AWS Batch number their tasks from 0 and keep the count in
// the manifest: it comes from --shard-count or VIZ_SHARD_COUNT.
Problem countedElsewhere(const EnvironmentReader& variable, const char* indexName, int countGiven, Shard& shard) {
    long index = 0, count = countGiven;
    if (!taskNumber(variable(indexName), 0, index)) return badVariable(indexName, variable(indexName));
    if (countGiven <= 0) {
        const char* counted = variable("VIZ_SHARD_COUNT");
        if (counted == nullptr) {
            return std::string(indexName) + " is set, but not how many tasks there are: give --shard-count N or "
                                            "VIZ_SHARD_COUNT";
        }
        if (!taskNumber(counted, 1, count)) return badVariable("VIZ_SHARD_COUNT", counted);
    }
    return shardOf(index, count, indexName, shard);
}

// Slurm numbers an array's tasks as asked (--array=1-10, or 0-20:2): the
// task's place is its distance from the first in steps.
Problem slurmShard(const EnvironmentReader& variable, Shard& shard) {
    long id = 0, count = 0, first = 0, step = 1;
    if (!taskNumber(variable("SLURM_ARRAY_TASK_ID"), 0, id)) {
        return badVariable("SLURM_ARRAY_TASK_ID", variable("SLURM_ARRAY_TASK_ID"));
    }
    if (!taskNumber(variable("SLURM_ARRAY_TASK_COUNT"), 1, count)) {
        return badVariable("SLURM_ARRAY_TASK_COUNT", variable("SLURM_ARRAY_TASK_COUNT"));
    }
    if (variable("SLURM_ARRAY_TASK_MIN") != nullptr && !taskNumber(variable("SLURM_ARRAY_TASK_MIN"), 0, first)) {
        return badVariable("SLURM_ARRAY_TASK_MIN", variable("SLURM_ARRAY_TASK_MIN"));
    }
    if (variable("SLURM_ARRAY_TASK_STEP") != nullptr && !taskNumber(variable("SLURM_ARRAY_TASK_STEP"), 1, step)) {
        return badVariable("SLURM_ARRAY_TASK_STEP", variable("SLURM_ARRAY_TASK_STEP"));
    }
    if (id < first || (id - first) % step != 0) return badVariable("SLURM_ARRAY_TASK_ID", variable("SLURM_ARRAY_TASK_ID"));
    return shardOf((id - first) / step, count, "SLURM_ARRAY_TASK_ID", shard);
}

Problem cloudRunShard(const EnvironmentReader& variable, Shard& shard) {
    long index = 0, count = 0;
    if (!taskNumber(variable("CLOUD_RUN_TASK_INDEX"), 0, index)) {
        return badVariable("CLOUD_RUN_TASK_INDEX", variable("CLOUD_RUN_TASK_INDEX"));
    }
    if (!taskNumber(variable("CLOUD_RUN_TASK_COUNT"), 1, count)) {
        return badVariable("CLOUD_RUN_TASK_COUNT", variable("CLOUD_RUN_TASK_COUNT"));
    }
    return shardOf(index, count, "CLOUD_RUN_TASK_INDEX", shard);
}
}  // namespace

std::optional<Shard> parseShard(const std::string& text) {
    const std::size_t slash = text.find('/');
    long index = 0, count = 0;
    if (slash == std::string::npos || !taskNumber(text.substr(0, slash).c_str(), 0, index) ||
        !taskNumber(text.substr(slash + 1).c_str(), 1, count) || index >= count) {
        return std::nullopt;
    }
    return Shard{static_cast<int>(index), static_cast<int>(count)};
}

Problem shardFromEnvironment(const EnvironmentReader& variable, int countGiven, Shard& shard) {
    shard = {};
    if (variable("JOB_COMPLETION_INDEX") != nullptr) {
        return countedElsewhere(variable, "JOB_COMPLETION_INDEX", countGiven, shard);
    }
    if (variable("SLURM_ARRAY_TASK_ID") != nullptr) return slurmShard(variable, shard);
    if (variable("AWS_BATCH_JOB_ARRAY_INDEX") != nullptr) {
        return countedElsewhere(variable, "AWS_BATCH_JOB_ARRAY_INDEX", countGiven, shard);
    }
    if (variable("CLOUD_RUN_TASK_INDEX") != nullptr) return cloudRunShard(variable, shard);
    return {};
}
