#include "core/lists/zone_list.h"

#include "support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

namespace mivo::lists {
namespace {

using test::ListRecord;
using Zones = std::vector<std::pair<int, float>>;

TEST(ZoneList, FactorsGoToTenthsWithin02And50) {
    const std::pair<double, float> cases[] = {
        {0.25, 0.3f},
        {0.04, 0.2f},
        {7.0, 5.0f},
        {-1.0, 0.2f},
        {1.26, 1.3f},
        {0.1, 0.2f},
        {0.15, 0.2f},
        {4.95, 5.0f},
        {1.0, 1.0f},
        {-0.04, 0.2f},
        {std::numeric_limits<double>::quiet_NaN(), 0.2f},
        {std::numeric_limits<double>::infinity(), 5.0f},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(normaliseZoneFactor(in), out) << in;
    EXPECT_EQ(zoneFactorFromText(" 1.26 "), 1.3f);
    EXPECT_EQ(zoneFactorFromText("abc"), std::nullopt);
    EXPECT_EQ(zoneFactorFromText(""), std::nullopt);
}

TEST(ZoneList, SetChangeRemoveAndTrimFollowTheListRules) {
    ListRecord r;
    EXPECT_EQ(setZone(*r.s, 1000, 500, 0.5f).outcome, AddOutcome::Added);
    setZone(*r.s, 1000, 100, 2.0f);
    EXPECT_EQ(r.zones(), (Zones{{100, 2.0f}, {500, 0.5f}}));
    EXPECT_EQ(zoneLine(*r.s, 0), "     100 | 2.0");
    EXPECT_EQ(zoneLine(*r.s, 1), "     500 | 0.5");
    EXPECT_EQ(zoneLine(*r.s, 2), "");
    EXPECT_EQ(setZone(*r.s, 1000, 500, 1.5f).outcome, AddOutcome::Listed);
    EXPECT_EQ(r.zones(), (Zones{{100, 2.0f}, {500, 1.5f}}));
    EXPECT_TRUE(removeZoneAt(*r.s, 1000, 0));
    EXPECT_FALSE(removeZoneAt(*r.s, 1000, 1));
    EXPECT_EQ(r.zones(), (Zones{{500, 1.5f}}));
    EXPECT_EQ(setZone(*r.s, 1000, 1000, 1.0f).outcome, AddOutcome::Added);
    EXPECT_EQ(setZone(*r.s, 1000, 1001, 1.0f).outcome, AddOutcome::Dropped);
    EXPECT_EQ(r.zones(), (Zones{{500, 1.5f}, {1000, 1.0f}}));
    EXPECT_TRUE(r.tailsAreZero());
    r.s->zoneFactors[0] = 12.5f; // a factor a hand-written ini file gave: shown whole
    EXPECT_EQ(zoneLine(*r.s, 0), "     500 | 12.5");
}

TEST(ZoneList, RandomEditsMatchAMapAndAFullListTakesNoNewFrame) {
    std::mt19937 rng(3);
    const int frameCount = 300;
    ListRecord r;
    std::map<int, float> model;
    for (int step = 0; step < 2000; ++step) {
        if (!model.empty() && step % 4 == 0) {
            const int index = std::uniform_int_distribution<int>(0, static_cast<int>(model.size()) - 1)(rng);
            ASSERT_TRUE(removeZoneAt(*r.s, frameCount, index));
            model.erase(std::next(model.begin(), index));
        } else {
            const int f = std::uniform_int_distribution<int>(0, frameCount + 10)(rng);
            const float v = normaliseZoneFactor(std::uniform_real_distribution<double>(0.0, 6.0)(rng));
            setZone(*r.s, frameCount, f, v);
            if (f <= frameCount) model[f] = v;
        }
        ASSERT_EQ(r.zones(), Zones(model.begin(), model.end())) << "step " << step;
    }
    r.s->clearZones();
    for (int i = 0; i < kZoneCapacity; ++i)
        setZone(*r.s, 100000, 2 * i, 1.0f);
    EXPECT_EQ(setZone(*r.s, 100000, 1, 1.0f).outcome, AddOutcome::Full);
    EXPECT_EQ(setZone(*r.s, 100000, 2, 3.0f).outcome, AddOutcome::Listed);
    EXPECT_EQ(r.s->zoneCount, kZoneCapacity);
}

TEST(ZoneList, SortOrdersByFrameKeepingEachFactorAndTheOrderOfEqualFrames) {
    ListRecord r;
    const Zones loaded = {{900, 0.5f}, {10, 2.0f}, {900, 0.7f}, {5, 1.0f}};
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        r.s->zoneFrames[i] = loaded[i].first;
        r.s->zoneFactors[i] = loaded[i].second;
    }
    r.s->zoneCount = 4;
    sortZones(*r.s);
    EXPECT_EQ(r.zones(), (Zones{{5, 1.0f}, {10, 2.0f}, {900, 0.5f}, {900, 0.7f}}));
}

} // namespace
} // namespace mivo::lists
