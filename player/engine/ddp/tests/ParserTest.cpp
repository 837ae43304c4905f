#include "player/engine/ddp/Parser.h"

#include "player/engine/ddp/DDPModel.h"
#include "player/testsupport/DdpFixture.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cctype>
#include <cstring>
#include <future>
#include <memory>
#include <string>

namespace {

std::string trackField(const DDP::PQDESCR& d)
{
    return std::string(d.trackNumber, 2) + "/" + std::string(d.indexNumber, 2);
}

} // namespace

TEST(Parser, FillsTheModelFromGeneratedImagesOfEveryShape)
{
    struct Shape {
        int tracks;
        int pauses;
        int index2;
        DdpFixture::CdTextKind text;
    };
    for (const Shape& shape : {Shape{1, 0, 0, DdpFixture::CdTextKind::None},
                               Shape{12, 3, 0, DdpFixture::CdTextKind::Japanese},
                               Shape{5, 4, 5, DdpFixture::CdTextKind::Latin1},
                               Shape{30, 10, 2, DdpFixture::CdTextKind::Latin1}}) {
        QTemporaryDir dir;
        DdpFixture::Options o;
        o.trackCount = shape.tracks;
        o.tracksWithPause = shape.pauses;
        o.tracksWithIndex2 = shape.index2;
        o.cdText = shape.text;
        o.writeImage = false;
        if (shape.tracks == 30)
            o.cdTextTypes = {DdpFixture::Title, DdpFixture::Performer};
        const DdpFixture::Image image = DdpFixture::write(dir.path().toStdString(), o);

        auto model = std::make_shared<DDPModel>();
        model->setTrackNumber(4);
        Parser::parseData(dir.path(), model);

        const auto& list = model->getDescList();
        ASSERT_EQ(list.size(), image.entries.size()) << shape.tracks;
        EXPECT_EQ(list.size(), std::size_t(2 + shape.tracks + shape.pauses + shape.index2 + 2));
        for (std::size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(trackField(list[i]), image.entries[i].track + "/" + image.entries[i].index);
            EXPECT_DOUBLE_EQ(pqTimeToBytePosition(list[i]), double(image.entries[i].bytePosition()));
        }
        const CdText::CdInfo& info = model->getCdInfo();
        if (shape.text == DdpFixture::CdTextKind::None) {
            EXPECT_TRUE(info.tracks.empty());
        } else {
            ASSERT_EQ(info.tracks.size(), std::size_t(shape.tracks + 1));
            EXPECT_EQ(info.doubleByte, shape.text == DdpFixture::CdTextKind::Japanese);
            EXPECT_EQ(CdText::fieldText(info.tracks.back().title),
                      image.fieldBytes(image.tracks.back().texts.at(DdpFixture::Title)));
            EXPECT_EQ(info.genre, image.genre);
        }
        // The parser leaves everything else to the table model and the player.
        EXPECT_EQ(model->getTrackNumber(), 4);
        EXPECT_EQ(model->getIndexOffset(), 1);
        EXPECT_TRUE(model->getIndexList().empty());
    }
}

TEST(Parser, FolderWithOnlyTheAudioLeavesTheModelEmpty)
{
    QTemporaryDir dir;
    DdpFixture::Options o;
    o.writeDdpId = o.writeDdpMs = o.writePqDescr = false;
    o.trackFrames = 10;
    DdpFixture::write(dir.path().toStdString(), o);
    ASSERT_TRUE(QDir(dir.path()).exists("IMAGE.DAT"));

    auto model = std::make_shared<DDPModel>();
    Parser::parseData(dir.path(), model);
    EXPECT_TRUE(model->getDescList().empty());
    EXPECT_TRUE(model->getCdInfo().tracks.empty());
    EXPECT_TRUE(model->getCdInfo().genre.empty());
    EXPECT_EQ(std::strlen(model->getCdInfo().discIdentification), 0u);

    Parser::parseData(dir.path() + "/missing", model);
    EXPECT_TRUE(model->getDescList().empty());
}

TEST(Parser, FolderNamesOutsideAsciiAreFound)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QString::fromUtf8("/Mast\xC3\xA9r \xE6\x9B\xB2");
    DdpFixture::Options o;
    o.writeImage = false;
    o.cdText = DdpFixture::CdTextKind::Latin1;
    const DdpFixture::Image image = DdpFixture::write(folder.toStdString(), o);

    auto model = std::make_shared<DDPModel>();
    Parser::parseData(folder, model);
    EXPECT_EQ(model->getDescList().size(), image.entries.size());
    EXPECT_EQ(model->getCdInfo().tracks.size(), 4u);
}

TEST(Parser, ReadsAFilesetWhoseNamesArriveInLowerCase)
{
    QTemporaryDir dir;
    DdpFixture::Options o;
    o.trackCount = 3;
    o.cdText = DdpFixture::CdTextKind::Latin1;
    const DdpFixture::Image image = DdpFixture::write(dir.path().toStdString(), o);
    for (std::string name : {"DDPID", "DDPMS", "PQDESCR", "CDTEXT.BIN", "IMAGE.DAT"}) {
        std::string lower = name;
        for (char& c : lower)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        ASSERT_TRUE(QDir(dir.path()).rename(QString::fromStdString(name), QString::fromStdString(lower)));
    }
    auto model = std::make_shared<DDPModel>();
    Parser::parseData(dir.path(), model);
    EXPECT_EQ(model->getDescList().size(), image.entries.size());
    ASSERT_EQ(model->getCdInfo().tracks.size(), 4u);
    EXPECT_EQ(CdText::fieldText(model->getCdInfo().tracks[3].title),
              image.fieldBytes(image.tracks[2].texts.at(DdpFixture::Title)));
}

TEST(Parser, FifosInPlaceOfTheDescriptorFilesNeverBlockAndCountAsMissing)
{
    for (const std::string name : {"DDPID", "PQDESCR", "CDTEXT.BIN"}) {
        SCOPED_TRACE(name);
        QTemporaryDir dir;
        DdpFixture::Options o;
        o.cdText = DdpFixture::CdTextKind::Latin1;
        o.writeImage = false;
        const DdpFixture::Image image = DdpFixture::write(dir.path().toStdString(), o);
        DdpFixture::replaceWithFifo(image.path(name));

        auto model = std::make_shared<DDPModel>();
        auto parsing = std::async(std::launch::async, [&] { Parser::parseData(dir.path(), model); });
        // The FIFO has no writer: a parse that waits on it never returns, so
        // the bound is only against a hang.
        const bool returned = parsing.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
        if (!returned)
            DdpFixture::releaseFifoReaders(image.path(name));
        parsing.get();
        ASSERT_TRUE(returned) << "opening the folder waited on the FIFO";
        // A failed descriptor file ends the fileset read; the CD-TEXT is its own.
        EXPECT_EQ(model->getDescList().size(), name == "CDTEXT.BIN" ? image.entries.size() : 0u);
        EXPECT_EQ(model->getCdInfo().tracks.size(), name == "CDTEXT.BIN" ? 0u : image.tracks.size() + 1);
    }
}
