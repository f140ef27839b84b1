// The one pseudo-random source behind every noise operation: a 64-bit
// Mersenne twister shared by the whole process, guarded by a lock.
//
// A fresh process starts the sequence from a fixed seed, so an operation that
// never seeds gives the same output in every run; the operations that seed
// from the calendar time do so through seed_from_clock(), which a test can
// pin to a fixed seed.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <random>

#include "../image.h"

namespace zel {

class ZEL_API NoiseSource {
 public:
  static NoiseSource& global();

  // Restarts the sequence from s.
  void seed(uint64_t s);
  // From now on seed_from_clock() uses s instead of the clock (tests);
  // std::nullopt returns to the clock.
  void pin_clock_seed(std::optional<uint64_t> s);

  // The draws of one operation call: holds the lock for its lifetime, so one
  // call's draws are one unbroken stretch of the sequence.
  class Draws {
   public:
    uint64_t bits() { return engine_(); }
    // Uniform on [0, 1) with 53-bit resolution: 1 - unit() is never 0.
    double unit() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }
    // One of 0, 0.001, ..., 0.999.
    double thousandths() { return static_cast<double>(engine_() % 1000) / 1000.0; }

   private:
    friend class NoiseSource;
    Draws(std::mutex& m, std::mt19937_64& e) : lock_(m), engine_(e) {}
    std::unique_lock<std::mutex> lock_;
    std::mt19937_64& engine_;
  };

  // Starts an operation's draws; with reseed, first seeds the sequence from
  // the calendar time in whole seconds (or from the pinned seed).
  Draws draws(bool reseed_from_clock);

 private:
  NoiseSource() = default;
  std::mutex mutex_;
  std::mt19937_64 engine_;  // default-seeded: the same sequence in every fresh process
  std::optional<uint64_t> pinned_;
};

}  // namespace zel
