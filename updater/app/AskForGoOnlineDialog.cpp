#include "updater/app/AskForGoOnlineDialog.h"

#include "updater/infrastructure/SimpleLogger.h"

#include <QString>

AskForGoOnlineDialog::AskForGoOnlineDialog(bool showSecurityWarning, QWidget* parent)
    : ConsentDialog(
          showSecurityWarning,
          tr("Welcome! \n\nThe Pathwarden determines which is the most appropriate product version for download to "
             "your computer. An internet connection is required. \n\nThe following data may be exchanged between the "
             "local computer and servers of Holmgrave: information about the download and installation utilities "
             "used, the version and set language of the operating system, details about the Windows and product "
             "version (32 or 64 bit), information about which product is to be installed from which source, "
             "information about products already installed, free disk space, geolocation (based on IP), time stamp "
             "and error information. This data is made anonymous and is also analyzed in order to improve the "
             "services provided by Holmgrave. Without the exchange of this data, the update service cannot be used. "
             "Your approval is valid only for the current update process. \n\nSearch for updates now?"),
          tr("Yes, search for updates"), tr("No, install locally available software"), parent)
{
    logger_ = SimpleLogger::getLogger(this);
}
