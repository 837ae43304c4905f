#include "player/engine/ddp/Parser.h"

#include "player/engine/ddp/DDPModel.h"
#include "player/testsupport/DdpFixture.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
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
