#include "player/engine/ddp/Parser.h"

#include "player/engine/ddp/CdTextReader.h"
#include "player/engine/ddp/DDPModel.h"
#include "player/engine/ddp/DdpFileset.h"

#include <QByteArray>
#include <QString>

#include <utility>

void Parser::parseData(const QString& folder, std::shared_ptr<DDPModel> model)
{
    if (!model)
        return;
    DDP::Fileset fileset;
    CdText::Reader reader;

    // Neither result is passed on: a missing descriptor file shows up as an
    // empty descriptor list, a missing "CDTEXT.BIN" as an empty CD-TEXT.
    const QByteArray folderText = folder.toUtf8();
    DDP::readFileset(fileset, folderText.constData());
    reader.read(folderText.constData());

    // The reader and the fileset end here, so their lists move into the model
    // instead of being copied (a full track list is over 100 KB).
    model->getCdInfo() = std::move(reader.cdInfo());
    model->getDescList() = std::move(fileset.descriptors);
}
