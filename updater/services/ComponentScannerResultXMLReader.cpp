#include "updater/services/ComponentScannerResultXMLReader.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

// Only a regular file of sane size: a FIFO or device in its place must not
// block the scan.
bool isReadableResultFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.size() <= ComponentScannerResultXMLReader::kMaxFileBytes;
}

bool isTrue(const QStringRef& value)
{
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

} // namespace

ComponentScannerResultXMLReader::ComponentScannerResultXMLReader(QObject* parent)
    : QObject(parent)
{
}

bool ComponentScannerResultXMLReader::read(const QString& path, ComponentenScannerScanningOutput& output)
{
    if (!isReadableResultFile(path))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    xml_.setDevice(&file);

    bool result = false;
    bool found = false;
    while (xml_.readNextStartElement()) {
        if (xml_.name() == QLatin1String("scanning-output")) {
            result = readScanningOutput(output);
            found = true;
            break;
        }
    }
    if (found) {
        // A document that turns malformed after the element is not a result
        // the script finished writing.
        while (!xml_.atEnd())
            xml_.readNext();
    }
    const bool wellFormed = !xml_.hasError();
    xml_.setDevice(nullptr);
    return found && result && wellFormed;
}

QString ComponentScannerResultXMLReader::readFileText(const QString& path)
{
    if (!isReadableResultFile(path))
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    return stream.readAll();
}

bool ComponentScannerResultXMLReader::readScanningOutput(ComponentenScannerScanningOutput& output)
{
    if (!xml_.isStartElement() || xml_.name() != QLatin1String("scanning-output"))
        return false;
    bool result = false;
    while (xml_.readNextStartElement()) {
        const QStringRef name = xml_.name();
        if (name == QLatin1String("packages"))
            result = readPackages(output);
        else if (name == QLatin1String("original-installer-path"))
            output.setOriginalInstallerPath(readOriginalInstallerPath());
        else if (name == QLatin1String("installer-info"))
            output.setInstallerInfo(readInstallerInfo());
        else if (name == QLatin1String("product-id"))
            output.setProductId(readProductId());
        else if (name == QLatin1String("medium-id"))
            output.setMediumId(readMediumId());
        else
            xml_.skipCurrentElement();
    }
    return result;
}

bool ComponentScannerResultXMLReader::readPackages(ComponentenScannerScanningOutput& output)
{
    if (!xml_.isStartElement() || xml_.name() != QLatin1String("packages"))
        return false;
    while (xml_.readNextStartElement()) {
        if (xml_.name() != QLatin1String("package")) {
            xml_.skipCurrentElement();
            continue;
        }
        ComponentenScannerPackage package;
        if (!readPackage(package))
            return false;
        output.addPackage(package);
    }
    return !xml_.hasError();
}

bool ComponentScannerResultXMLReader::readPackage(ComponentenScannerPackage& package)
{
    if (!xml_.isStartElement() || xml_.name() != QLatin1String("package"))
        return false;
    const QXmlStreamAttributes attributes = xml_.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef name = attribute.name();
        if (name == QLatin1String("id"))
            package.setId(attribute.value().toString());
        else if (name == QLatin1String("medium-version"))
            package.setMediumVersion(attribute.value().toString());
        else if (name == QLatin1String("installed-version"))
            package.setInstalledVersion(attribute.value().toString());
        else if (name == QLatin1String("osx") && isTrue(attribute.value()))
            package.setOsx();
        else if (name == QLatin1String("win32") && isTrue(attribute.value()))
            package.setWin32();
        else if (name == QLatin1String("win64") && isTrue(attribute.value()))
            package.setWin64();
    }
    xml_.skipCurrentElement();
    return !attributes.isEmpty();
}

QString ComponentScannerResultXMLReader::readOriginalInstallerPath()
{
    return readTextElement(QStringLiteral("original-installer-path"));
}

QString ComponentScannerResultXMLReader::readInstallerInfo()
{
    return readTextElement(QStringLiteral("installer-info"));
}

QString ComponentScannerResultXMLReader::readProductId()
{
    return readTextElement(QStringLiteral("product-id"));
}

QString ComponentScannerResultXMLReader::readMediumId()
{
    return readTextElement(QStringLiteral("medium-id"));
}

QString ComponentScannerResultXMLReader::readTextElement(const QString& name)
{
    if (!xml_.isStartElement() || xml_.name() != name)
        return QString();
    return xml_.readElementText();
}
