// The channel budget our own packets share: what goes out when, in which order, and what
// is dropped, on a clock moved by hand.
#include "aprs/transmit_budget.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quilmo {
namespace {

// At `at` seconds: queue `add` (kind by its first letter: a ack, m message, b beacon;
// then the field), then release, and expect `out`.
struct Step {
    double at;
    std::vector<std::string> add;
    std::vector<std::string> out;
};

OwnPacket kindOf(const std::string& tagged) {
    return tagged[0] == 'a' ? OwnPacket::Ack : tagged[0] == 'm' ? OwnPacket::Message : OwnPacket::Beacon;
}

std::vector<std::string> many(char kind, int from, int count) {
    std::vector<std::string> out;
    for (int i = from; i < from + count; ++i) out.push_back(std::string(1, kind) + std::to_string(i));
    return out;
}

std::vector<std::string> fields(const std::vector<std::string>& tagged) {
    std::vector<std::string> out;
    for (const std::string& t : tagged) out.push_back(t.substr(1));
    return out;
}

TEST(TransmitBudget, WhatGoesOutWhen) {
    const struct {
        const char* name;
        BudgetLimits limits;
        std::vector<Step> steps;
        const char* nextRelease;  // seconds after the last step, or "none"
        std::uint64_t dropped = 0;
    } rows[] = {
        {"five in 10 s on a radio link, the rest in order as room comes",
         kRadioBudget,
         {{0, many('a', 1, 8), fields(many('a', 1, 5))}, {9.999, {}, {}}, {10, {}, fields(many('a', 6, 3))}},
         "none"},
        {"acks before messages before the beacon, whatever the order they came in",
         kRadioBudget,
         {{0, many('a', 1, 5), fields(many('a', 1, 5))}, {1, {"bbeacon", "mtry1", "aack9", "mtry2"}, {}},
          {10, {}, {"ack9", "try1", "try2", "beacon"}}},
         "none"},
        {"twenty a minute however they spread",
         kRadioBudget,
         {{0, many('m', 1, 5), fields(many('m', 1, 5))}, {10, many('m', 6, 5), fields(many('m', 6, 5))},
          {20, many('m', 11, 5), fields(many('m', 11, 5))}, {30, many('m', 16, 6), fields(many('m', 16, 5))},
          {40, {}, {}}, {59.999, {}, {}}, {60, {}, {"21"}}},
         "none"},
        {"the same field waiting is not queued twice, a newer beacon replaces the waiting one",
         kRadioBudget,
         {{0, many('m', 1, 5), fields(many('m', 1, 5))}, {1, {"aack3", "aack3", "mtry", "mtry", "bold", "bnew"}, {}},
          {10, {}, {"ack3", "try", "new"}}},
         "none"},
        {"an ack that waited over 30 s is dropped, the message behind it still goes",
         BudgetLimits{1, 0},
         {{0, {"mfirst"}, {"first"}}, {1, {"aack1", "mlater"}, {}}, {60, {}, {"later"}}},
         "none", 1},
        {"an ack that waited exactly 30 s still goes",
         BudgetLimits{1, 0},
         {{0, {"mfirst"}, {"first"}}, {30, {"aack1"}, {}}, {60, {}, {"ack1"}}},
         "none"},
        {"APRS-IS: sixty a minute, no shorter limit",
         kInternetBudget,
         {{0, many('a', 1, 61), fields(many('a', 1, 60))}},
         "60"},
        {"a full budget says when there is room again",
         kRadioBudget,
         {{0, many('m', 1, 6), fields(many('m', 1, 5))}},
         "10"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TransmitBudget budget(r.limits);
        std::int64_t now = 0;
        for (const Step& s : r.steps) {
            now = static_cast<std::int64_t>(s.at * 1000);
            for (const std::string& t : s.add) budget.add(kindOf(t), t.substr(1), now);
            EXPECT_EQ(budget.release(now), s.out) << "at " << s.at << " s";
        }
        const auto next = budget.nextReleaseAt();
        EXPECT_EQ(next ? std::to_string(*next / 1000) : "none", r.nextRelease);
        EXPECT_EQ(budget.droppedAcks(), r.dropped);
    }
}

// A link that goes down forgets what waits, but what went out still counts.
TEST(TransmitBudget, ClearedWhenTheLinkGoesDownSendsStillCount) {
    TransmitBudget budget(kRadioBudget);
    for (const std::string& f : fields(many('m', 1, 7))) budget.add(OwnPacket::Message, f, 0);
    EXPECT_EQ(budget.release(0).size(), 5U);
    budget.clear();
    EXPECT_FALSE(budget.waiting());
    EXPECT_EQ(budget.nextReleaseAt(), std::nullopt);
    budget.add(OwnPacket::Ack, "ack1", 1000);
    EXPECT_TRUE(budget.release(1000).empty());
    EXPECT_EQ(budget.release(10'000), std::vector<std::string>{"ack1"});
}

}  // namespace
}  // namespace quilmo
