#include "updater/app/MandatoryUpdateDialog.h"

#include "updater/infrastructure/SecureAddress.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QLabel>
#include <QString>
#include <QUrl>

namespace {

// The link comes from the medium's configuration and lands in rich text
// that opens links: its text is shown escaped whatever it holds, and it is
// clickable only as an https address, encoded so that nothing in it can end
// the attribute.
QString productAnchor(const QString& productLink)
{
    if (!productLink.isEmpty() && !isHttpsAddress(productLink))
        return productLink.toHtmlEscaped();
    const QString href =
        QString::fromLatin1(QUrl(productLink, QUrl::TolerantMode).toEncoded()).toHtmlEscaped();
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(href, productLink.toHtmlEscaped());
}

} // namespace

MandatoryUpdateDialog::MandatoryUpdateDialog(bool showSecurityWarning, const QString& productLink, QWidget* parent)
    : ConsentDialog(
          showSecurityWarning,
          tr("Welcome! <br><br><b>This DVD does not contain all components for a complete product installation. The "
             "product cannot be run unless the required components are downloaded.</b> <br><br>The Pathwarden "
             "downloads the missing components automatically. An internet connection is required. If you cannot "
             "download the installer from this computer please download the components manually here: "
             "<br><br>%1<br><br>The following data may be exchanged between the local computer and servers of "
             "Holmgrave: information about the download and installation utilities used, the version and set "
             "language of the operating system, details about the Windows and product version, information about "
             "which product is to be installed from which source, information about products already installed, free "
             "disk space, geolocation (based on IP), time stamp and error information. This data is made anonymous "
             "and is also analyzed in order to improve the services provided by Holmgrave. Without the exchange of "
             "this data, the update service cannot be used. Your approval is valid only for the current update "
             "process. <br><br>Download and install now?")
              .arg(productAnchor(productLink)),
          tr("Yes, download and install components"), tr("No, do not download. Install DVD content only"), parent)
{
    logger_ = SimpleLogger::getLogger(this);
    if (!productLink.isEmpty() && !isHttpsAddress(productLink))
        logger_->error(QStringLiteral("MandatoryUpdateProductLink is not an https address and is shown as text only."),
                       productLink);
    mainLabel()->setTextFormat(Qt::RichText);
    mainLabel()->setTextInteractionFlags(Qt::TextBrowserInteraction);
    mainLabel()->setOpenExternalLinks(true);
}
