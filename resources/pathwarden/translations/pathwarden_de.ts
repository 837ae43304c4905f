<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
  <context>
    <name>AppInitProgressPage</name>
    <message>
      <location filename="../../../updater/app/AppInitProgressPage.cpp" />
      <source>Preparing for Update</source>
      <translation>Update wird vorbereitet</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AppInitProgressPage.cpp" />
      <source>Could not establish secure server communication.

The Pathwarden will stop.</source>
      <translation>Es konnte keine sichere Verbindung zum Server hergestellt werden.

Pathwarden wird beendet.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AppInitProgressPage.cpp" />
      <source>

Please try again later, or contact Holmgrave Support in case the problem persists.</source>
      <translation>

Bitte versuchen Sie es später erneut oder wenden Sie sich an den Holmgrave Support, falls das Problem weiterhin besteht.</translation>
    </message>
  </context>
  <context>
    <name>AskForGoOnlineDialog</name>
    <message>
      <location filename="../../../updater/app/AskForGoOnlineDialog.cpp" line="14" />
      <source>Welcome! 

The Pathwarden determines which is the most appropriate product version for download to your computer. An internet connection is required. 

The following data may be exchanged between the local computer and servers of Holmgrave: information about the download and installation utilities used, the version and set language of the operating system, details about the Windows and product version (32 or 64 bit), information about which product is to be installed from which source, information about products already installed, free disk space, geolocation (based on IP), time stamp and error information. This data is made anonymous and is also analyzed in order to improve the services provided by Holmgrave. Without the exchange of this data, the update service cannot be used. Your approval is valid only for the current update process. 

Search for updates now?</source>
      <translation>Willkommen! 

Der Pathwarden ermittelt die für Ihren Computer am besten geeignete Produktversion zum Download. Dafür ist eine Internetverbindung erforderlich. 

Zwischen dem lokalen Computer und Servern von Holmgrave können folgende Daten ausgetauscht werden: Informationen über die verwendeten Download- und Installationsprogramme, die Version und eingestellte Sprache des Betriebssystems, Angaben zur Windows- und Produktversion (32 oder 64 Bit), Informationen darüber, welches Produkt aus welcher Quelle installiert werden soll, Informationen über bereits installierte Produkte, freier Speicherplatz, Geoposition (anhand der IP-Adresse), Zeitstempel und Fehlerinformationen. Diese Daten werden anonymisiert und auch ausgewertet, um die Dienste von Holmgrave zu verbessern. Ohne den Austausch dieser Daten kann der Update-Dienst nicht genutzt werden. Ihre Zustimmung gilt nur für den aktuellen Update-Vorgang. 

Jetzt nach Updates suchen?</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForGoOnlineDialog.cpp" line="26" />
      <source>Yes, search for updates</source>
      <translation>Ja, nach Updates suchen</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForGoOnlineDialog.cpp" line="28" />
      <source>No, install locally available software</source>
      <translation>Nein, lokal verfügbare Software installieren</translation>
    </message>
  </context>
  <context>
    <name>AskForPlatformPage</name>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Select Operating System Version</source>
      <translation>Betriebssystemversion auswählen</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>You are using Windows 64 bit.

Please select which version of %1 to install.</source>
      <translation>Sie verwenden Windows 64 Bit.

Bitte wählen Sie, welche Version der %1 installiert werden soll.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Holmgrave's software</source>
      <translation>Holmgrave-Software</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Install 64 bit Version</source>
      <translation>64-Bit-Version installieren</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Install 32 bit Version</source>
      <translation>32-Bit-Version installieren</translation>
    </message>
  </context>
  <context>
    <name>CheckIfOnlineDialog</name>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="14" />
      <source>Try again</source>
      <translation>Erneut versuchen</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="16" />
      <source>Install without updating</source>
      <translation>Ohne Update installieren</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="18" />
      <source>Cancel</source>
      <translation>Abbrechen</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="25" />
      <source>It was not possible to establish a connection to the update server. Please check your internet connnection and try again. Alternatively, proceed with installation using the locally available packages, or cancel the installation process.</source>
      <translation>Es konnte keine Verbindung zum Update-Server hergestellt werden. Bitte prüfen Sie Ihre Internetverbindung und versuchen Sie es erneut. Alternativ können Sie die Installation mit den lokal verfügbaren Paketen fortsetzen oder den Installationsvorgang abbrechen.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="30" />
      <source>Could not connect to server</source>
      <translation>Keine Verbindung zum Server</translation>
    </message>
  </context>
  <context>
    <name>DownloadChoiceSelectionPage</name>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Searching for Updates</source>
      <translation>Suche nach Updates</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Access to Restricted Updates</source>
      <translation>Zugang zu eingeschränkten Updates</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Install without updating</source>
      <translation>Ohne Update installieren</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Select</source>
      <translation>Auswählen</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Update to Download</source>
      <translation>Herunterzuladendes Update</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Size</source>
      <translation>Größe</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>More Info</source>
      <translation>Weitere Infos</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>No Updates available</source>
      <translation>Keine Updates verfügbar</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Available Updates</source>
      <translation>Verfügbare Updates</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Please select the updates to download and install.</source>
      <translation>Bitte wählen Sie die Updates aus, die heruntergeladen und installiert werden sollen.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Show Details in Web Browser</source>
      <translation>Details im Webbrowser anzeigen</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Download and install</source>
      <translation>Herunterladen und installieren</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Downloading Updates</source>
      <translation>Updates werden heruntergeladen</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 of %2 MB done</source>
      <translation>%1 von %2 MB erledigt</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>An error has occurred.

The Pathwarden will stop.</source>
      <translation>Ein Fehler ist aufgetreten.

Pathwarden wird beendet.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>

Please try again later, or contact Holmgrave Support in case the problem persists.</source>
      <translation>

Bitte versuchen Sie es später erneut oder wenden Sie sich an den Holmgrave Support, falls das Problem weiterhin besteht.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Please enter your code to access restricted updates:</source>
      <translation>Bitte geben Sie Ihren Code für den Zugang zu eingeschränkten Updates ein:</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 could not be downloaded.</source>
      <translation>%1 konnte nicht heruntergeladen werden.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 could not be downloaded: the server answered %2.</source>
      <translation>%1 konnte nicht heruntergeladen werden: Der Server antwortete %2.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 could not be downloaded: the downloaded file does not match its checksum.</source>
      <translation>%1 konnte nicht heruntergeladen werden: Die heruntergeladene Datei stimmt nicht mit ihrer Prüfsumme überein.</translation>
    </message>
  </context>
  <context>
    <name>LocalStorage</name>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The update cannot be copied to %1: %2</source>
      <translation>Das Update kann nicht nach %1 kopiert werden: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The update cannot be unpacked into %1: %2</source>
      <translation>Das Update kann nicht in %1 entpackt werden: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>unpacking the update did not finish within %1 s</source>
      <translation>das Entpacken des Updates wurde nicht innerhalb von %1 s abgeschlossen</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The path %1 cannot be kept in the file %2.</source>
      <translation>Der Pfad %1 kann nicht in der Datei %2 gespeichert werden.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>%1 cannot be locked: %2</source>
      <translation>%1 kann nicht gesperrt werden: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>Another Pathwarden of this user did not finish storing its update within %1 s.</source>
      <translation>Ein anderer Pathwarden dieses Benutzers hat das Speichern seines Updates nicht innerhalb von %1 s abgeschlossen.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>No copy of version %1 is stored.</source>
      <translation>Es ist keine Kopie der Version %1 gespeichert.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The downloaded update %1 is not a regular file.</source>
      <translation>Das heruntergeladene Update %1 ist keine reguläre Datei.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The server names the update's version "%1", which is no version number.</source>
      <translation>Der Server nennt als Version des Updates „%1“, was keine Versionsnummer ist.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The folder %1 holds a copy of Pathwarden that is running (process %2); it is left as it is.</source>
      <translation>Der Ordner %1 enthält eine Kopie von Pathwarden, die gerade läuft (Prozess %2); er bleibt, wie er ist.</translation>
    </message>
  </context>
  <context>
    <name>MandatoryUpdateDialog</name>
    <message>
      <location filename="../../../updater/app/MandatoryUpdateDialog.cpp" line="15" />
      <source>Welcome! &lt;br&gt;&lt;br&gt;&lt;b&gt;This DVD does not contain all components for a complete product installation. The product cannot be run unless the required components are downloaded.&lt;/b&gt; &lt;br&gt;&lt;br&gt;The Pathwarden downloads the missing components automatically. An internet connection is required. If you cannot download the installer from this computer please download the components manually here: &lt;br&gt;&lt;br&gt;%1&lt;br&gt;&lt;br&gt;The following data may be exchanged between the local computer and servers of Holmgrave: information about the download and installation utilities used, the version and set language of the operating system, details about the Windows and product version, information about which product is to be installed from which source, information about products already installed, free disk space, geolocation (based on IP), time stamp and error information. This data is made anonymous and is also analyzed in order to improve the services provided by Holmgrave. Without the exchange of this data, the update service cannot be used. Your approval is valid only for the current update process. &lt;br&gt;&lt;br&gt;Download and install now?</source>
      <translation>Willkommen! &lt;br&gt;&lt;br&gt;&lt;b&gt;Diese DVD enthält nicht alle Komponenten für eine vollständige Produktinstallation. Das Produkt kann erst ausgeführt werden, wenn die erforderlichen Komponenten heruntergeladen wurden.&lt;/b&gt; &lt;br&gt;&lt;br&gt;Der Pathwarden lädt die fehlenden Komponenten automatisch herunter. Dafür ist eine Internetverbindung erforderlich. Falls Sie das Installationsprogramm nicht auf diesen Computer herunterladen können, laden Sie die Komponenten bitte hier manuell herunter: &lt;br&gt;&lt;br&gt;%1&lt;br&gt;&lt;br&gt;Zwischen dem lokalen Computer und Servern von Holmgrave können folgende Daten ausgetauscht werden: Informationen über die verwendeten Download- und Installationsprogramme, die Version und eingestellte Sprache des Betriebssystems, Angaben zur Windows- und Produktversion, Informationen darüber, welches Produkt aus welcher Quelle installiert werden soll, Informationen über bereits installierte Produkte, freier Speicherplatz, Geoposition (anhand der IP-Adresse), Zeitstempel und Fehlerinformationen. Diese Daten werden anonymisiert und auch ausgewertet, um die Dienste von Holmgrave zu verbessern. Ohne den Austausch dieser Daten kann der Update-Dienst nicht genutzt werden. Ihre Zustimmung gilt nur für den aktuellen Update-Vorgang. &lt;br&gt;&lt;br&gt;Jetzt herunterladen und installieren?</translation>
    </message>
    <message>
      <location filename="../../../updater/app/MandatoryUpdateDialog.cpp" line="34" />
      <source>Yes, download and install components</source>
      <translation>Ja, Komponenten herunterladen und installieren</translation>
    </message>
    <message>
      <location filename="../../../updater/app/MandatoryUpdateDialog.cpp" line="36" />
      <source>No, do not download. Install DVD content only</source>
      <translation>Nein, nichts herunterladen. Nur den DVD-Inhalt installieren</translation>
    </message>
  </context>
  <context>
    <name>PlatformNotSupportedPage</name>
    <message>
      <location filename="../../../updater/app/PlatformNotSupportedPage.cpp" />
      <source>Operating system not supported</source>
      <translation>Betriebssystem nicht unterstützt</translation>
    </message>
    <message>
      <location filename="../../../updater/app/PlatformNotSupportedPage.cpp" />
      <source>This software is only available for 64-bit operating systems.
You are running a 32-bit operating system.</source>
      <translation>Diese Software ist nur für 64-Bit-Betriebssysteme verfügbar.
Sie verwenden ein 32-Bit-Betriebssystem.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/PlatformNotSupportedPage.cpp" />
      <source>Quit installation</source>
      <translation>Installation beenden</translation>
    </message>
  </context>
  <context>
    <name>PrivateFiles</name>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 belongs to another user (uid %2)</source>
      <translation>%1 gehört einem anderen Benutzer (UID %2)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 can be written by others (mode %2)</source>
      <translation>%1 kann von anderen beschrieben werden (Modus %2)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 can be written by others through its ACL</source>
      <translation>%1 kann über seine ACL von anderen beschrieben werden</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be opened: %2</source>
      <translation>%1 kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 is not a regular file</source>
      <translation>%1 ist keine normale Datei</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>more than 40 links lead on from %1</source>
      <translation>von %1 aus folgen mehr als 40 Verknüpfungen</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 is a link of another user (uid %2)</source>
      <translation>%1 ist eine Verknüpfung eines anderen Benutzers (UID %2)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 is not a folder</source>
      <translation>%1 ist kein Ordner</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be narrowed: %2</source>
      <translation>Die Rechte von %1 können nicht eingeschränkt werden: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 has other names (%2 hard links)</source>
      <translation>%1 hat weitere Namen (%2 harte Verknüpfungen)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be read whole</source>
      <translation>%1 kann nicht vollständig gelesen werden</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be made: %2</source>
      <translation>%1 kann nicht angelegt werden: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be written: %2</source>
      <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 lies outside %2</source>
      <translation>%1 liegt außerhalb von %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/TrustedWay.cpp" />
      <source>%1 cannot be judged: its ACL is read through /proc, which is not mounted</source>
      <translation>%1 kann nicht beurteilt werden: seine ACL wird über /proc gelesen, das nicht eingehängt ist</translation>
    </message>
  </context>
  <context>
    <name>QApplication</name>
    <message>
      <location filename="../../../updater/app/VornApp.cpp" line="39" />
      <source>Pathwarden</source>
      <translation>Pathwarden</translation>
    </message>
  </context>
  <context>
    <name>QObject</name>
    <message>
      <location filename="../../../updater/app/VornApp.cpp" line="70" />
      <source>This software cannot be installed on this computer because the installed version of the operating system is too old. 

The minimum system requirement is %1.</source>
      <translation>Diese Software kann auf diesem Computer nicht installiert werden, da die installierte Version des Betriebssystems zu alt ist. 

Die Mindestsystemanforderung ist %1.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/WindowForeground.cpp" line="11" />
      <source>Version</source>
      <translation>Version</translation>
    </message>
    <message>
      <location filename="../../../updater/app/WindowForeground.cpp" line="21" />
      <source>Verification of secure server communication is not available. It is recommended not to search for updates.</source>
      <translation>Die Überprüfung der sicheren Serverkommunikation ist nicht verfügbar. Es wird empfohlen, nicht nach Updates zu suchen.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/DownloadChoice.cpp" />
      <source>MB</source>
      <translation>MB</translation>
    </message>
    <message>
      <location filename="../../../updater/services/DownloadChoice.cpp" />
      <source>GB</source>
      <translation>GB</translation>
    </message>
  </context>
  <context>
    <name>SelfUpdatePage</name>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="62" />
      <source>Preparing for Update</source>
      <translation>Update wird vorbereitet</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="43" />
      <source>Install without updating</source>
      <translation>Ohne Update installieren</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="45" />
      <source>Cancel installation</source>
      <translation>Installation abbrechen</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="106" />
      <source>Error</source>
      <translation>Fehler</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="120" />
      <source>The Pathwarden is currently preparing for update. Afterwards, the Pathwarden will automatically restart and look for updates of the product you are about to install. 

Please wait until the Pathwarden has restarted, and follow the instructions on screen. </source>
      <translation>Der Pathwarden bereitet gerade das Update vor. Anschließend startet der Pathwarden automatisch neu und sucht nach Updates für das Produkt, das Sie installieren möchten. 

Bitte warten Sie, bis der Pathwarden neu gestartet ist, und folgen Sie den Anweisungen auf dem Bildschirm. </translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="139" />
      <source>An error has occurred.

The Pathwarden will stop.</source>
      <translation>Ein Fehler ist aufgetreten.

Der Pathwarden wird beendet.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" />
      <source>

Cause: %1</source>
      <translation>

Ursache: %1</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="140" />
      <source>

Please try again later, or contact Holmgrave Support in case the problem persists.</source>
      <translation>

Bitte versuchen Sie es später erneut oder wenden Sie sich an den Holmgrave Support, falls das Problem weiterhin besteht.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" />
      <source>Another Pathwarden window is updating. This one waits until that update is finished, then goes on by itself.</source>
      <translation>Ein anderes Pathwarden-Fenster führt gerade ein Update durch. Dieses wartet, bis jenes Update abgeschlossen ist, und fährt dann von selbst fort.</translation>
    </message>
  </context>
  <context>
    <name>SelfUpdateService</name>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The update cannot be downloaded from %1.</source>
      <translation>Das Update kann nicht von %1 heruntergeladen werden.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The update downloaded from %1 does not match its checksum.</source>
      <translation>Das von %1 heruntergeladene Update stimmt nicht mit seiner Prüfsumme überein.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The update %1 is not newer than this Pathwarden %2.</source>
      <translation>Das Update %1 ist nicht neuer als dieser Pathwarden %2.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The stored update %1 cannot be started: %2</source>
      <translation>Das gespeicherte Update %1 kann nicht gestartet werden: %2</translation>
    </message>
  </context>
  <context>
    <name>WindowsProductInstallerUpdatePage</name>
    <message>
      <location filename="../../../updater/app/WindowsProductInstallerUpdatePage.cpp" />
      <source>Preparing for Update</source>
      <translation>Update wird vorbereitet</translation>
    </message>
  </context>
  <context>
    <name>WorkingDirectoryProvider</name>
    <message>
      <location filename="../../../updater/infrastructure/WorkingDirectoryProvider.cpp" />
      <source>The folder %1 cannot be used: %2</source>
      <translation>Der Ordner %1 kann nicht verwendet werden: %2</translation>
    </message>
  </context>
  <context>
    <name>ZipExtractor</name>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>unzip cannot be run: %1</source>
      <translation>unzip kann nicht ausgeführt werden: %1</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>unzip failed with status %1</source>
      <translation>unzip ist mit Status %1 fehlgeschlagen</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>%1 needs more than 40 links to resolve</source>
      <translation>%1 braucht mehr als 40 Verknüpfungen zur Auflösung</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>%1 is a link that leads out of the update</source>
      <translation>%1 ist eine Verknüpfung, die aus dem Update hinausführt</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>the update holds no %1</source>
      <translation>das Update enthält kein %1</translation>
    </message>
  </context>
</TS>