// A small seeded generator for the sample database: the same seed gives the same
// numbers on every platform (the standard distributions do not promise that).
#pragma once

#include <cstdint>
#include <vector>

namespace zol::app {

class SampleRng {
  public:
    explicit SampleRng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        // splitmix64
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0 .. n-1 (n > 0); the bias of the modulo is far below anything the data shows.
    std::uint64_t below(std::uint64_t n) { return next() % n; }
    int between(int lo, int hi) {
        return lo + static_cast<int>(below(static_cast<std::uint64_t>(hi - lo + 1)));
    }
    bool percent(int p) { return static_cast<int>(below(100)) < p; }
    bool permille(int p) { return static_cast<int>(below(1000)) < p; }
    template <typename T>
    const T& pick(const std::vector<T>& v) {
        return v[static_cast<std::size_t>(below(v.size()))];
    }
    // Index chosen with the given weights.
    std::size_t weighted(const std::vector<int>& weights) {
        int total = 0;
        for (int w : weights) total += w;
        int r = static_cast<int>(below(static_cast<std::uint64_t>(total)));
        for (std::size_t i = 0; i < weights.size(); ++i) {
            if (r < weights[i]) return i;
            r -= weights[i];
        }
        return weights.size() - 1;
    }

  private:
    std::uint64_t state_;
};

// A generator of its own for one key, so that a student's lasting traits do not depend on
// the order in which other rows were drawn.
inline SampleRng keyed_rng(std::uint64_t seed, std::uint64_t key, std::uint64_t salt) {
    SampleRng mix(seed ^ (key * 0x9E3779B97F4A7C15ULL) ^ (salt << 48));
    return SampleRng(mix.next());
}

}  // namespace zol::app
