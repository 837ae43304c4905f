#include "core/FUID.h"
#include "core/Provider.h"

#include <gtest/gtest.h>

#include <set>

using Holmgrave::FUID;

TEST(FUID, DefaultIsZeroAndGenerateGivesDistinctVersion4Identifiers)
{
    FUID zero;
    EXPECT_TRUE(zero.isNull());

    std::set<FUID::Bytes> seen;
    for (int i = 0; i < 64; ++i) {
        FUID id;
        ASSERT_TRUE(id.generate());
        EXPECT_FALSE(id.isNull());
        EXPECT_EQ(id.bytes()[6] >> 4, 4);
        EXPECT_EQ(id.bytes()[8] & 0xC0, 0x80);
        EXPECT_TRUE(seen.insert(id.bytes()).second) << "identifier repeated";
    }
    FUID a;
    a.generate();
    FUID b(a.bytes());
    EXPECT_EQ(a, b);
}

namespace {

struct ICounter
{
    virtual ~ICounter() = default;
    virtual int next() = 0;
};

int liveCounters = 0;

struct Counter : ICounter
{
    Counter() { ++liveCounters; }
    ~Counter() override { --liveCounters; }
    int next() override { return ++value; }
    int value = 0;
};

} // namespace

TEST(DefaultProvider, MakesOneInstanceLazilyAndDeletesItWithTheProvider)
{
    {
        Holmgrave::Core::DefaultProvider<ICounter, Counter> provider;
        EXPECT_EQ(liveCounters, 0);
        ICounter* first = provider.instance();
        EXPECT_EQ(liveCounters, 1);
        EXPECT_EQ(first->next(), 1);
        EXPECT_EQ(provider.instance(), first);
        EXPECT_EQ(provider.instance()->next(), 2);
    }
    EXPECT_EQ(liveCounters, 0);
}
