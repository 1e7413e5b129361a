#include "filter/accumulators.h"

#include <cstdio>

#include "query/util.h"

int Accumulators::getAccumulator(const char* name) {
    for (int i = 0; i < naccumulators; i++)
        if (accumulator_names[i] == name) return i;
    util::uassert(naccumulators < naccumulators_max, "bad insert accumulator");
    accumulator_names.emplace_back(name);
    accumulator_values.push_back(0);
    return naccumulators++;
}

void Accumulators::checkNumber(int acc) const {
    util::uassert(acc >= 0 && acc < naccumulators, "bad acc value");
}

void Accumulators::incAccumulator(int accumulator, int inc) {
    checkNumber(accumulator);
    accumulator_values[accumulator] += inc;
}

int Accumulators::getAccumulatorValue(int acc) const {
    checkNumber(acc);
    return accumulator_values[acc];
}

void Accumulators::clearAccumulator(int acc) {
    checkNumber(acc);
    accumulator_values[acc] = 0;
}

void Accumulators::clearAccumulators() {
    for (int& value : accumulator_values) value = 0;
}

void Accumulators::print() const {
    for (int i = 0; i < naccumulators; i++)
        printf("Accumulator: %d: %s: value: %d\n", i, accumulator_names[i].c_str(),
               accumulator_values[i]);
}
