// Fills a sample package database with students, classes, batches and payments drawn
// from a seed: the same seed and size give the same file.
#pragma once

#include <cstdint>

#include "app/zol5300/sampledb_writer.h"

namespace zol::app::sample {

struct SampleSummary {
    long long students = 0;
    long long removed = 0;
    long long classes = 0;
    long long batches = 0;
    long long payments = 0;
    long long pay_items = 0;
};

// Students per class stay at or below this, so a class group never nears the report's
// limit of 255 students.
constexpr int kMaxClassSize = 32;

SampleSummary generate_sample(SampleWriter& out, long long students, std::uint64_t seed);

}  // namespace zol::app::sample
