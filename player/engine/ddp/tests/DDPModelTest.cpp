#include "player/engine/ddp/DDPModel.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

TEST(DDPModel, NewModelStartsWithoutTrackAndWithOffsetOne)
{
    auto model = std::make_shared<DDPModel>();
    EXPECT_EQ(model->getTrackNumber(), -1);
    EXPECT_EQ(model->getIndexOffset(), 1);
    EXPECT_TRUE(model->getIndexList().empty());
    EXPECT_TRUE(model->getDescList().empty());
    EXPECT_TRUE(model->getCdInfo().tracks.empty());
    EXPECT_TRUE(model->getCdInfo().genre.empty());
    EXPECT_FALSE(model->getCdInfo().doubleByte);
    EXPECT_FALSE(model->isRunning());
}

TEST(DDPModel, RunningCallbackSeesEachStateBeforeSetRunningReturns)
{
    DDPModel model;
    model.setRunning(true);  // no callback: only the flag
    EXPECT_TRUE(model.isRunning());

    std::vector<bool> first;
    std::vector<bool> second;
    bool flagSeenByCallback = false;
    model.setRunningCallback([&](bool running) {
        first.push_back(running);
        flagSeenByCallback = model.isRunning() == running;
    });
    model.setRunning(false);
    ASSERT_EQ(first, std::vector<bool>{false});
    EXPECT_TRUE(flagSeenByCallback);

    model.setRunningCallback([&](bool running) { second.push_back(running); });
    model.setRunning(true);
    EXPECT_EQ(first.size(), 1u);
    EXPECT_EQ(second, std::vector<bool>{true});
}

TEST(DDPModel, CallbackRunsOnTheThreadThatChangesTheFlag)
{
    DDPModel model;
    std::thread::id callbackThread;
    model.setRunningCallback([&](bool) { callbackThread = std::this_thread::get_id(); });
    std::thread reader([&] { model.setRunning(false); });
    const std::thread::id readerId = reader.get_id();
    reader.join();
    EXPECT_EQ(callbackThread, readerId);
}

TEST(DDPModel, InitialIndexValidOnlyWhenFirstRowIsAPause)
{
    DDPModel model;
    EXPECT_FALSE(model.isInitialIndexValid());  // no rows at all
    model.getIndexList() = {0, 1, 1};
    EXPECT_TRUE(model.isInitialIndexValid());
    model.getIndexList() = {1, 0, 1};
    EXPECT_FALSE(model.isInitialIndexValid());
}

TEST(DDPModel, InterfacesReachTheSameState)
{
    auto model = std::make_shared<DDPModel>();
    std::shared_ptr<IDescListProvider> player = model;
    Audio::ITrackNumberModel* transport = model.get();
    IDrawInfoProvider* painter = model.get();
    IMetaDataProvider* table = model.get();

    transport->setTrackNumber(7);
    EXPECT_EQ(painter->getTrackNumber(), 7);
    player->setIndexOffset(2);
    EXPECT_EQ(model->getIndexOffset(), 2);
    table->getDescList().resize(3);
    EXPECT_EQ(player->getDescList().size(), 3u);
    painter->getIndexList().push_back(0);
    EXPECT_TRUE(table->isInitialIndexValid());
    EXPECT_TRUE(player->isInitialIndexValid());
}
