#include "app/render_shard.h"

#include <gtest/gtest.h>

#include <map>

namespace {
Problem shardFrom(const std::map<std::string, std::string>& set, Shard& shard, int countGiven = 0) {
    return shardFromEnvironment(
        [&](const char* name) {
            const auto value = set.find(name);
            return value != set.end() ? value->second.c_str() : nullptr;
        },
        countGiven, shard);
}
}  // namespace

TEST(RenderShard, EachEngineNumbersItsTasksItsOwnWay) {
    Shard shard;
    EXPECT_FALSE(shardFrom({}, shard));
    EXPECT_EQ(shard.count, 1) << "no job array: every song";
    // Slurm counts from where the array was asked to start, in its steps.
    EXPECT_FALSE(shardFrom({{"SLURM_ARRAY_TASK_ID", "14"}, {"SLURM_ARRAY_TASK_MIN", "10"},
                            {"SLURM_ARRAY_TASK_STEP", "2"}, {"SLURM_ARRAY_TASK_COUNT", "5"}},
                           shard));
    EXPECT_EQ(shard.index, 2);
    EXPECT_EQ(shard.count, 5);
    // The first engine set wins: a Kubernetes pod started by Slurm is Kubernetes's task.
    EXPECT_FALSE(shardFrom({{"JOB_COMPLETION_INDEX", "1"}, {"SLURM_ARRAY_TASK_ID", "0"}}, shard, 4));
    EXPECT_EQ(shard.index, 1);
    EXPECT_EQ(shard.count, 4);
}

TEST(RenderShard, ATaskThatCannotKnowItsShareSaysWhy) {
    Shard shard;
    const Problem noCount = shardFrom({{"AWS_BATCH_JOB_ARRAY_INDEX", "3"}}, shard);
    EXPECT_NE(noCount.message().find("VIZ_SHARD_COUNT"), std::string::npos) << noCount.message();
    EXPECT_TRUE(shardFrom({{"CLOUD_RUN_TASK_INDEX", "3"}, {"CLOUD_RUN_TASK_COUNT", "3"}}, shard));
    EXPECT_TRUE(shardFrom({{"JOB_COMPLETION_INDEX", "x1"}, {"VIZ_SHARD_COUNT", "3"}}, shard));
    EXPECT_TRUE(shardFrom({{"SLURM_ARRAY_TASK_ID", "3"}, {"SLURM_ARRAY_TASK_MIN", "4"}, {"SLURM_ARRAY_TASK_COUNT", "3"}},
                          shard));
    EXPECT_FALSE(parseShard("3/3"));
    EXPECT_FALSE(parseShard("-1/3"));
    EXPECT_FALSE(parseShard("1/"));
    ASSERT_TRUE(parseShard("2/3"));
    EXPECT_TRUE(parseShard("2/3")->owns(5));
    EXPECT_FALSE(parseShard("2/3")->owns(4));
}
