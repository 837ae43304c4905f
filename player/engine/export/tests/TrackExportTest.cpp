#include "player/engine/export/TrackExport.h"

#include "player/engine/ddp/DDPModel.h"
#include "player/testsupport/DdpFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

DDP::PQDESCR entry(const std::string& track, const std::string& index)
{
    const std::string raw = DdpFixture::pqEntryRaw(track, index, "00", "00", "00", "00");
    DDP::PQDESCR e;
    std::memcpy(&e, raw.data(), sizeof e);
    return e;
}

std::vector<DDP::PQDESCR> entries(const std::vector<std::string>& indexes)
{
    std::vector<DDP::PQDESCR> list;
    for (const std::string& index : indexes)
        list.push_back(entry("01", index));
    return list;
}

void setTitle(DDPModel& model, int track, const std::string& bytes)
{
    auto& tracks = model.getCdInfo().tracks;
    if (static_cast<int>(tracks.size()) <= track)
        tracks.resize(track + 1, CdText::TrackInfo{});
    std::memset(tracks[track].title, 0, sizeof tracks[track].title);
    std::memcpy(tracks[track].title, bytes.data(), std::min(bytes.size(), sizeof tracks[track].title));
}

} // namespace

TEST(FindTrackEnd, StopsAtTheNextPauseOrTrackStartAndPassesFurtherIndexes)
{
    const auto list = entries({"00", "00", "01", "02", "03", "00", "01", "01", "01"});
    EXPECT_EQ(findTrackEnd(2, list), 5);
    EXPECT_EQ(findTrackEnd(5, list), 6);
    EXPECT_EQ(findTrackEnd(6, list), 7);
}

TEST(FindTrackEnd, StaysInsideTheListWhenNoEndFollows)
{
    const auto list = entries({"00", "01", "02", "02"});
    EXPECT_EQ(findTrackEnd(1, list), 3);
    EXPECT_EQ(findTrackEnd(3, list), 3);
    EXPECT_EQ(findTrackEnd(7, list), 7);
    EXPECT_EQ(findTrackEnd(0, {}), 0);
}

TEST(TrackFileName, UsesTheTitleOfTheTrackOrFallsBackToItsNumber)
{
    DDPModel model;
    model.getDescList() = {entry("01", "00"), entry("01", "01"), entry("02", "01"), entry("03", "01"),
                           entry("12", "01"), entry("04", "01")};
    EXPECT_EQ(trackFileName(1, model), "Track 1.wav");  // no CD-TEXT at all

    setTitle(model, 0, "Album");
    setTitle(model, 1, "Intro");
    setTitle(model, 3, "AC/DC");
    EXPECT_EQ(trackFileName(0, model), "1 - Intro.wav");
    EXPECT_EQ(trackFileName(1, model), "1 - Intro.wav");
    EXPECT_EQ(trackFileName(2, model), "Track 2.wav");  // empty title among titled tracks
    EXPECT_EQ(trackFileName(3, model), "3 - AC-DC.wav");  // never a path into a folder
    EXPECT_EQ(trackFileName(4, model), "Track 12.wav");   // past the CD-TEXT track list
    setTitle(model, 4, "Side\tA\nB\x1B\x7F");
    EXPECT_EQ(trackFileName(5, model), "4 - Side-A-B--.wav");  // control characters as "/"
}

TEST(TrackFileName, ReadsTitlesAsLatin1OrAsUtf8ForDoubleByteText)
{
    DDPModel model;
    model.getDescList() = {entry("01", "01"), entry("02", "01")};
    setTitle(model, 1, "Caf\xE9");
    setTitle(model, 2, std::string(160, 'x'));  // fills the field without a terminator
    EXPECT_EQ(trackFileName(0, model), QString::fromUtf8("1 - Caf\xC3\xA9.wav"));
    EXPECT_EQ(trackFileName(1, model), "2 - " + QString(160, 'x') + ".wav");

    model.getCdInfo().doubleByte = true;
    setTitle(model, 1, "\xE6\x9C\x9D");  // a kanji, three bytes of UTF-8
    EXPECT_EQ(trackFileName(0, model), QString::fromUtf8("1 - \xE6\x9C\x9D.wav"));
}
