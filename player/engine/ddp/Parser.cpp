#include "player/engine/ddp/Parser.h"

#include "player/engine/ddp/CdTextReader.h"
#include "player/engine/ddp/DDPModel.h"
#include "player/engine/ddp/DdpFileset.h"

#include <QByteArray>
#include <QString>

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

    model->getCdInfo() = reader.cdInfo();
    model->getDescList() = fileset.descriptors;
}
