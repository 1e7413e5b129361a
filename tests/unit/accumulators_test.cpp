#include "filter/accumulators.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "filter/scanstate.h"
#include "refusal.h"

namespace {

TEST(Accumulators, NamesGetNumbersInOrderFirstSeen) {
    Accumulators acc;
    struct Case {
        const char* name;
        int number;
    } cases[] = {
        {"A", 0}, {"B", 1}, {"A", 0}, {"a", 2}, {"total", 3}, {"B", 1}, {"", 4},
    };
    for (const Case& c : cases) EXPECT_EQ(acc.getAccumulator(c.name), c.number) << c.name;
    EXPECT_EQ(acc.naccumulators, 5);
}

TEST(Accumulators, ValuesCountAndClear) {
    Accumulators acc;
    int a = acc.getAccumulator("A"), b = acc.getAccumulator("B");
    acc.incAccumulator(a, 1);
    acc.incAccumulator(a, 1);
    acc.incAccumulator(b, 5);
    acc.incAccumulator(b, -2);
    EXPECT_EQ(acc.getAccumulatorValue(a), 2);
    EXPECT_EQ(acc.getAccumulatorValue(b), 3);
    acc.clearAccumulator(a);
    EXPECT_EQ(acc.getAccumulatorValue(a), 0);
    EXPECT_EQ(acc.getAccumulatorValue(b), 3);
    acc.clearAccumulators();
    EXPECT_EQ(acc.getAccumulatorValue(b), 0);
}

TEST(Accumulators, EachScanHasItsOwn) {
    ScanState one, two;
    one.accumulators.getAccumulator("A");
    one.accumulators.incAccumulator(0, 3);
    EXPECT_EQ(two.accumulators.getAccumulator("B"), 0);
    EXPECT_EQ(two.accumulators.getAccumulatorValue(0), 0);
    EXPECT_EQ(one.accumulators.getAccumulatorValue(0), 3);
}

TEST(Accumulators, Print) {
    Accumulators acc;
    acc.getAccumulator("A");
    acc.incAccumulator(acc.getAccumulator("sum"), 3);
    testing::internal::CaptureStdout();
    acc.print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Accumulator: 0: A: value: 0\nAccumulator: 1: sum: value: 3\n");
}

TEST(AccumulatorsDeathTest, TenNamesAndNoMore) {
    Accumulators acc;
    for (int i = 0; i < Accumulators::naccumulators_max; i++)
        EXPECT_EQ(acc.getAccumulator(("n" + std::to_string(i)).c_str()), i);
    EXPECT_EQ(acc.getAccumulator("n9"), 9);
    EXPECT_EQ(refusal([&] { acc.getAccumulator("n10"); }), "Error: bad insert accumulator\n");
}

TEST(AccumulatorsDeathTest, NumbersOutsideTheRegistry) {
    Accumulators acc;
    acc.getAccumulator("A");
    for (int bad : {-1, 1, 10}) {
        EXPECT_EQ(refusal([&] { acc.incAccumulator(bad, 1); }), "Error: bad acc value\n");
        EXPECT_EQ(refusal([&] { acc.getAccumulatorValue(bad); }), "Error: bad acc value\n");
        EXPECT_EQ(refusal([&] { acc.clearAccumulator(bad); }), "Error: bad acc value\n");
    }
}

}  // namespace
