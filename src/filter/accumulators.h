// Named integer counters of one scan: `:accumulate` adds to them while the
// variants of a position list are tested, `:sumrange` checks them afterwards.
// An accumulator is known by its number, the order its name was first read.
#pragma once

#include <string>
#include <vector>

class Accumulators {
  public:
    static constexpr int naccumulators_max = 10;

    // The number of the accumulator with this name, registering it (value 0)
    // when new; an eleventh name ends the run.
    int getAccumulator(const char* name);
    void incAccumulator(int accumulator, int inc);
    int getAccumulatorValue(int acc) const;
    void clearAccumulator(int acc);
    void clearAccumulators();
    void print() const;

    int naccumulators = 0;

  private:
    void checkNumber(int acc) const;

    std::vector<int> accumulator_values;
    std::vector<std::string> accumulator_names;
};
