#pragma once
// Which of a catalogue's songs one task renders when many machines share it:
// the songs whose place in the sorted list is `index` modulo `count`. A job
// array's engine numbers its tasks; each engine says so in variables of its
// own, read here so one command line serves every task.
#include <functional>
#include <optional>
#include <string>

#include "base/problem.h"

struct Shard {
    int index = 0;
    int count = 1;
    bool owns(std::size_t songIndex) const { return songIndex % static_cast<std::size_t>(count) == static_cast<std::size_t>(index); }
};

// "I/N", with 0 <= I < N; nullopt for anything else.
std::optional<Shard> parseShard(const std::string& text);

// The task's shard from the first job-array engine whose index variable is
// set: Kubernetes (JOB_COMPLETION_INDEX), Slurm (SLURM_ARRAY_TASK_ID), AWS
// Batch (AWS_BATCH_JOB_ARRAY_INDEX), Cloud Run (CLOUD_RUN_TASK_INDEX).
// Engines that do not give the count take `countGiven` (--shard-count) or
// else VIZ_SHARD_COUNT. No variable set: the whole list, as one task.
// `variable` reads the environment; a value that makes no sense is a problem.
using EnvironmentReader = std::function<const char*(const char*)>;
Problem shardFromEnvironment(const EnvironmentReader& variable, int countGiven, Shard& shard);
