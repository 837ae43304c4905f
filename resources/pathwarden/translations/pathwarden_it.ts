<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it">
  <context>
    <name>AppInitProgressPage</name>
    <message>
      <location filename="../../../updater/app/AppInitProgressPage.cpp" />
      <source>Preparing for Update</source>
      <translation>Preparazione dell'aggiornamento</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AppInitProgressPage.cpp" />
      <source>Could not establish secure server communication.

The Pathwarden will stop.</source>
      <translation>Impossibile stabilire una comunicazione sicura con il server.

Pathwarden verrà chiuso.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AppInitProgressPage.cpp" />
      <source>

Please try again later, or contact Holmgrave Support in case the problem persists.</source>
      <translation>

Riprovare più tardi o contattare l'assistenza Holmgrave se il problema persiste.</translation>
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
      <translation>Benvenuto! 

Pathwarden determina quale sia la versione del prodotto più adatta da scaricare sul tuo computer. È necessaria una connessione a Internet. 

Tra il computer locale e i server di Holmgrave possono essere scambiati i seguenti dati: informazioni sulle utility di download e installazione utilizzate, la versione e la lingua impostata del sistema operativo, dettagli sulla versione di Windows e del prodotto (32 o 64 bit), informazioni su quale prodotto deve essere installato e da quale origine, informazioni sui prodotti già installati, spazio libero su disco, geolocalizzazione (basata sull'IP), data e ora e informazioni sugli errori. Questi dati vengono resi anonimi e analizzati anche per migliorare i servizi offerti da Holmgrave. Senza lo scambio di questi dati non è possibile utilizzare il servizio di aggiornamento. Il tuo consenso è valido solo per l'attuale processo di aggiornamento. 

Cercare aggiornamenti adesso?</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForGoOnlineDialog.cpp" line="26" />
      <source>Yes, search for updates</source>
      <translation>Sì, cerca aggiornamenti</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForGoOnlineDialog.cpp" line="28" />
      <source>No, install locally available software</source>
      <translation>No, installa il software disponibile localmente</translation>
    </message>
  </context>
  <context>
    <name>AskForPlatformPage</name>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Select Operating System Version</source>
      <translation>Seleziona la versione del sistema operativo</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>You are using Windows 64 bit.

Please select which version of %1 to install.</source>
      <translation>Stai usando Windows a 64 bit.

Seleziona quale versione %1 installare.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Holmgrave's software</source>
      <translation>del software Holmgrave</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Install 64 bit Version</source>
      <translation>Installa la versione a 64 bit</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Install 32 bit Version</source>
      <translation>Installa la versione a 32 bit</translation>
    </message>
  </context>
  <context>
    <name>CheckIfOnlineDialog</name>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="14" />
      <source>Try again</source>
      <translation>Riprova</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="16" />
      <source>Install without updating</source>
      <translation>Installa senza aggiornare</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="18" />
      <source>Cancel</source>
      <translation>Annulla</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="25" />
      <source>It was not possible to establish a connection to the update server. Please check your internet connnection and try again. Alternatively, proceed with installation using the locally available packages, or cancel the installation process.</source>
      <translation>Non è stato possibile stabilire una connessione con il server di aggiornamento. Controlla la connessione a Internet e riprova. In alternativa, prosegui l'installazione con i pacchetti disponibili localmente oppure annulla il processo di installazione.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="30" />
      <source>Could not connect to server</source>
      <translation>Impossibile connettersi al server</translation>
    </message>
  </context>
  <context>
    <name>DownloadChoiceSelectionPage</name>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Searching for Updates</source>
      <translation>Ricerca di aggiornamenti</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Access to Restricted Updates</source>
      <translation>Accesso agli aggiornamenti riservati</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Install without updating</source>
      <translation>Installa senza aggiornare</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Select</source>
      <translation>Seleziona</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Update to Download</source>
      <translation>Aggiornamento da scaricare</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Size</source>
      <translation>Dimensione</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>More Info</source>
      <translation>Ulteriori informazioni</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>No Updates available</source>
      <translation>Nessun aggiornamento disponibile</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Available Updates</source>
      <translation>Aggiornamenti disponibili</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Please select the updates to download and install.</source>
      <translation>Selezionare gli aggiornamenti da scaricare e installare.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Show Details in Web Browser</source>
      <translation>Mostra dettagli nel browser web</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Download and install</source>
      <translation>Scarica e installa</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Downloading Updates</source>
      <translation>Download degli aggiornamenti in corso</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 of %2 MB done</source>
      <translation>%1 di %2 MB completati</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>An error has occurred.

The Pathwarden will stop.</source>
      <translation>Si è verificato un errore.

Pathwarden verrà chiuso.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>

Please try again later, or contact Holmgrave Support in case the problem persists.</source>
      <translation>

Riprovare più tardi o contattare l'assistenza Holmgrave se il problema persiste.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Please enter your code to access restricted updates:</source>
      <translation>Inserire il codice per accedere agli aggiornamenti riservati:</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 could not be downloaded.</source>
      <translation>Non è stato possibile scaricare %1.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 could not be downloaded: the server answered %2.</source>
      <translation>Non è stato possibile scaricare %1: il server ha risposto %2.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 could not be downloaded: the downloaded file does not match its checksum.</source>
      <translation>Non è stato possibile scaricare %1: il file scaricato non corrisponde al suo checksum.</translation>
    </message>
  </context>
  <context>
    <name>LocalStorage</name>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The update cannot be copied to %1: %2</source>
      <translation>Impossibile copiare l&apos;aggiornamento in %1: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The update cannot be unpacked into %1: %2</source>
      <translation>Impossibile decomprimere l&apos;aggiornamento in %1: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>unpacking the update did not finish within %1 s</source>
      <translation>la decompressione dell&apos;aggiornamento non è terminata entro %1 s</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The path %1 cannot be kept in the file %2.</source>
      <translation>Impossibile salvare il percorso %1 nel file %2.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>%1 cannot be locked: %2</source>
      <translation>%1 non può essere bloccato: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>Another Pathwarden of this user did not finish storing its update within %1 s.</source>
      <translation>Un altro Pathwarden di questo utente non ha finito di salvare il suo aggiornamento entro %1 s.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>No copy of version %1 is stored.</source>
      <translation>Nessuna copia della versione %1 è salvata.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The downloaded update %1 is not a regular file.</source>
      <translation>L'aggiornamento scaricato %1 non è un file normale.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The server names the update's version "%1", which is no version number.</source>
      <translation>Il server indica per l'aggiornamento la versione "%1", che non è un numero di versione.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The folder %1 holds a copy of Pathwarden that is running (process %2); it is left as it is.</source>
      <translation>La cartella %1 contiene una copia di Pathwarden in esecuzione (processo %2); viene lasciata così com'è.</translation>
    </message>
  </context>
  <context>
    <name>MandatoryUpdateDialog</name>
    <message>
      <location filename="../../../updater/app/MandatoryUpdateDialog.cpp" line="15" />
      <source>Welcome! &lt;br&gt;&lt;br&gt;&lt;b&gt;This DVD does not contain all components for a complete product installation. The product cannot be run unless the required components are downloaded.&lt;/b&gt; &lt;br&gt;&lt;br&gt;The Pathwarden downloads the missing components automatically. An internet connection is required. If you cannot download the installer from this computer please download the components manually here: &lt;br&gt;&lt;br&gt;%1&lt;br&gt;&lt;br&gt;The following data may be exchanged between the local computer and servers of Holmgrave: information about the download and installation utilities used, the version and set language of the operating system, details about the Windows and product version, information about which product is to be installed from which source, information about products already installed, free disk space, geolocation (based on IP), time stamp and error information. This data is made anonymous and is also analyzed in order to improve the services provided by Holmgrave. Without the exchange of this data, the update service cannot be used. Your approval is valid only for the current update process. &lt;br&gt;&lt;br&gt;Download and install now?</source>
      <translation>Benvenuto! &lt;br&gt;&lt;br&gt;&lt;b&gt;Questo DVD non contiene tutti i componenti per un'installazione completa del prodotto. Il prodotto non può essere eseguito finché i componenti necessari non vengono scaricati.&lt;/b&gt; &lt;br&gt;&lt;br&gt;Pathwarden scarica automaticamente i componenti mancanti. È necessaria una connessione a Internet. Se non puoi scaricare il programma di installazione su questo computer, scarica manualmente i componenti qui: &lt;br&gt;&lt;br&gt;%1&lt;br&gt;&lt;br&gt;Tra il computer locale e i server di Holmgrave possono essere scambiati i seguenti dati: informazioni sulle utility di download e installazione utilizzate, la versione e la lingua impostata del sistema operativo, dettagli sulla versione di Windows e del prodotto, informazioni su quale prodotto deve essere installato e da quale origine, informazioni sui prodotti già installati, spazio libero su disco, geolocalizzazione (basata sull'IP), data e ora e informazioni sugli errori. Questi dati vengono resi anonimi e analizzati anche per migliorare i servizi offerti da Holmgrave. Senza lo scambio di questi dati non è possibile utilizzare il servizio di aggiornamento. Il tuo consenso è valido solo per l'attuale processo di aggiornamento. &lt;br&gt;&lt;br&gt;Scaricare e installare adesso?</translation>
    </message>
    <message>
      <location filename="../../../updater/app/MandatoryUpdateDialog.cpp" line="34" />
      <source>Yes, download and install components</source>
      <translation>Sì, scarica e installa i componenti</translation>
    </message>
    <message>
      <location filename="../../../updater/app/MandatoryUpdateDialog.cpp" line="36" />
      <source>No, do not download. Install DVD content only</source>
      <translation>No, non scaricare. Installa solo il contenuto del DVD</translation>
    </message>
  </context>
  <context>
    <name>PlatformNotSupportedPage</name>
    <message>
      <location filename="../../../updater/app/PlatformNotSupportedPage.cpp" />
      <source>Operating system not supported</source>
      <translation>Sistema operativo non supportato</translation>
    </message>
    <message>
      <location filename="../../../updater/app/PlatformNotSupportedPage.cpp" />
      <source>This software is only available for 64-bit operating systems.
You are running a 32-bit operating system.</source>
      <translation>Questo software è disponibile solo per sistemi operativi a 64 bit.
Stai usando un sistema operativo a 32 bit.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/PlatformNotSupportedPage.cpp" />
      <source>Quit installation</source>
      <translation>Esci dall'installazione</translation>
    </message>
  </context>
  <context>
    <name>PrivateFiles</name>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 belongs to another user (uid %2)</source>
      <translation>%1 appartiene a un altro utente (UID %2)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 can be written by others (mode %2)</source>
      <translation>%1 può essere modificato da altri (modo %2)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 can be written by others through its ACL</source>
      <translation>%1 può essere modificato da altri tramite la sua ACL</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be opened: %2</source>
      <translation>Impossibile aprire %1: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 is not a regular file</source>
      <translation>%1 non è un file normale</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>more than 40 links lead on from %1</source>
      <translation>da %1 si susseguono più di 40 collegamenti</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 is a link of another user (uid %2)</source>
      <translation>%1 è un collegamento di un altro utente (UID %2)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 is not a folder</source>
      <translation>%1 non è una cartella</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be narrowed: %2</source>
      <translation>Impossibile restringere i permessi di %1: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 has other names (%2 hard links)</source>
      <translation>%1 ha altri nomi (%2 collegamenti fisici)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be read whole</source>
      <translation>Impossibile leggere %1 per intero</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be made: %2</source>
      <translation>Impossibile creare %1: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be written: %2</source>
      <translation>Impossibile scrivere %1: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 lies outside %2</source>
      <translation>%1 si trova al di fuori di %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/TrustedWay.cpp" />
      <source>%1 cannot be judged: its ACL is read through /proc, which is not mounted</source>
      <translation>%1 non può essere valutato: la sua ACL viene letta tramite /proc, che non è montato</translation>
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
      <translation>Questo software non può essere installato su questo computer perché la versione installata del sistema operativo è troppo vecchia. 

Il requisito minimo di sistema è %1.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/WindowForeground.cpp" line="11" />
      <source>Version</source>
      <translation>Versione</translation>
    </message>
    <message>
      <location filename="../../../updater/app/WindowForeground.cpp" line="21" />
      <source>Verification of secure server communication is not available. It is recommended not to search for updates.</source>
      <translation>La verifica della comunicazione sicura con il server non è disponibile. Si consiglia di non cercare aggiornamenti.</translation>
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
      <translation>Preparazione dell'aggiornamento</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="43" />
      <source>Install without updating</source>
      <translation>Installa senza aggiornare</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="45" />
      <source>Cancel installation</source>
      <translation>Annulla installazione</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="106" />
      <source>Error</source>
      <translation>Errore</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="120" />
      <source>The Pathwarden is currently preparing for update. Afterwards, the Pathwarden will automatically restart and look for updates of the product you are about to install. 

Please wait until the Pathwarden has restarted, and follow the instructions on screen. </source>
      <translation>Pathwarden sta preparando l'aggiornamento. Al termine, Pathwarden si riavvierà automaticamente e cercherà gli aggiornamenti del prodotto che si sta per installare. 

Attendere il riavvio di Pathwarden e seguire le istruzioni visualizzate sullo schermo. </translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="139" />
      <source>An error has occurred.

The Pathwarden will stop.</source>
      <translation>Si è verificato un errore.

Pathwarden verrà chiuso.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" />
      <source>

Cause: %1</source>
      <translation>

Causa: %1</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="140" />
      <source>

Please try again later, or contact Holmgrave Support in case the problem persists.</source>
      <translation>

Riprovare più tardi o contattare l'assistenza Holmgrave se il problema persiste.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" />
      <source>Another Pathwarden window is updating. This one waits until that update is finished, then goes on by itself.</source>
      <translation>Un'altra finestra di Pathwarden sta eseguendo un aggiornamento. Questa attende che quell'aggiornamento sia terminato, poi prosegue da sola.</translation>
    </message>
  </context>
  <context>
    <name>SelfUpdateService</name>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The update cannot be downloaded from %1.</source>
      <translation>L'aggiornamento non può essere scaricato da %1.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The update downloaded from %1 does not match its checksum.</source>
      <translation>L'aggiornamento scaricato da %1 non corrisponde al suo checksum.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The update %1 is not newer than this Pathwarden %2.</source>
      <translation>L'aggiornamento %1 non è più recente di questo Pathwarden %2.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The stored update %1 cannot be started: %2</source>
      <translation>L'aggiornamento salvato %1 non può essere avviato: %2</translation>
    </message>
  </context>
  <context>
    <name>WindowsProductInstallerUpdatePage</name>
    <message>
      <location filename="../../../updater/app/WindowsProductInstallerUpdatePage.cpp" />
      <source>Preparing for Update</source>
      <translation>Preparazione dell'aggiornamento</translation>
    </message>
  </context>
  <context>
    <name>WorkingDirectoryProvider</name>
    <message>
      <location filename="../../../updater/infrastructure/WorkingDirectoryProvider.cpp" />
      <source>The folder %1 cannot be used: %2</source>
      <translation>Impossibile usare la cartella %1: %2</translation>
    </message>
  </context>
  <context>
    <name>ZipExtractor</name>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>unzip cannot be run: %1</source>
      <translation>unzip non può essere eseguito: %1</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>unzip failed with status %1</source>
      <translation>unzip non è riuscito con lo stato %1</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>%1 needs more than 40 links to resolve</source>
      <translation>%1 richiede più di 40 collegamenti per essere risolto</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>%1 is a link that leads out of the update</source>
      <translation>%1 è un collegamento che porta fuori dall'aggiornamento</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>the update holds no %1</source>
      <translation>l'aggiornamento non contiene %1</translation>
    </message>
  </context>
</TS>