#include "player/engine/ddp/Parser.h"

#include "player/engine/ddp/CdTextReader.h"
#include "player/engine/ddp/DDPModel.h"
#include "player/engine/ddp/DdpFileset.h"

#include <QByteArray>
#include <QString>

#include <utility>

std::vector<DDP::Damage> Parser::parseData(const QString& folder, std::shared_ptr<DDPModel> model)
{
    if (!model)
        return {};
    DDP::Fileset fileset;
    CdText::Reader reader;

    // A missing "CDTEXT.BIN" is no damage and shows as an empty CD-TEXT; a
    // damaged one is reported after the descriptor files.
    const QByteArray folderText = folder.toUtf8();
    const std::string readError = DDP::readFileset(fileset, folderText.constData());
    reader.read(folderText.constData());
    std::vector<DDP::Damage> damage = DDP::checkDescriptors(fileset, readError);
    damage.insert(damage.end(), reader.damage().begin(), reader.damage().end());

    // The reader and the fileset end here, so their lists move into the model
    // instead of being copied (a full track list is over 100 KB).
    model->getCdInfo() = std::move(reader.cdInfo());
    model->getDescList() = std::move(fileset.descriptors);
    return damage;
}
