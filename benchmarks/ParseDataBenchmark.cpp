// Parser::parseData on a 99-track image whose CD-TEXT block is full (256
// packs), as the player does it when an image is opened.

#include "player/engine/ddp/DDPModel.h"
#include "player/engine/ddp/Parser.h"
#include "player/testsupport/DdpFixture.h"

#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void parse(benchmark::State& state, DdpFixture::CdTextKind kind, std::vector<int> types)
{
    QTemporaryDir dir;
    DdpFixture::Options o;
    o.trackCount = 99;
    o.tracksWithPause = 98;
    o.tracksWithIndex2 = 99;
    o.cdText = kind;
    o.cdTextTypes = std::move(types);
    o.writeImage = false;
    DdpFixture::write(dir.path().toStdString(), o);

    std::size_t entries = 0;
    for (auto _ : state) {
        auto model = std::make_shared<DDPModel>();
        Parser::parseData(dir.path(), model);
        entries = model->getDescList().size();
        benchmark::DoNotOptimize(model->getCdInfo().tracks.data());
    }
    if (entries != 2 + 99 + 98 + 99 + 2)
        state.SkipWithError("unexpected descriptor count");
}

void BM_ParseData99TracksJapanese(benchmark::State& state)
{
    parse(state, DdpFixture::CdTextKind::Japanese,
          {DdpFixture::Title, DdpFixture::Performer, DdpFixture::Songwriter});
}

void BM_ParseData99TracksLatin1(benchmark::State& state)
{
    parse(state, DdpFixture::CdTextKind::Latin1, {DdpFixture::Title, DdpFixture::Performer});
}

} // namespace

BENCHMARK(BM_ParseData99TracksJapanese)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseData99TracksLatin1)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
