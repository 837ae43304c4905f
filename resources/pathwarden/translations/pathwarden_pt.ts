<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_PT">
  <context>
    <name>AppInitProgressPage</name>
    <message>
      <location filename="../../../updater/app/AppInitProgressPage.cpp" />
      <source>Preparing for Update</source>
      <translation>Preparando a atualização</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AppInitProgressPage.cpp" />
      <source>Could not establish secure server communication.

The Pathwarden will stop.</source>
      <translation>Não foi possível estabelecer uma comunicação segura com o servidor.

O Pathwarden será encerrado.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AppInitProgressPage.cpp" />
      <source>

Please try again later, or contact Holmgrave Support in case the problem persists.</source>
      <translation>

Tente novamente mais tarde ou entre em contato com o suporte da Holmgrave se o problema persistir.</translation>
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
      <translation>Bem-vindo! 

O Pathwarden determina qual é a versão do produto mais adequada para transferir para o seu computador. É necessária uma ligação à Internet. 

Os seguintes dados podem ser trocados entre o computador local e os servidores da Holmgrave: informações sobre os utilitários de transferência e instalação utilizados, a versão e o idioma definido do sistema operativo, detalhes sobre a versão do Windows e do produto (32 ou 64 bits), informações sobre qual produto será instalado e a partir de que origem, informações sobre produtos já instalados, espaço livre em disco, geolocalização (com base no IP), carimbo de data/hora e informações de erros. Estes dados são anonimizados e também analisados para melhorar os serviços prestados pela Holmgrave. Sem a troca destes dados, o serviço de atualização não pode ser utilizado. A sua aprovação é válida apenas para o processo de atualização atual. 

Procurar atualizações agora?</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForGoOnlineDialog.cpp" line="26" />
      <source>Yes, search for updates</source>
      <translation>Sim, procurar atualizações</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForGoOnlineDialog.cpp" line="28" />
      <source>No, install locally available software</source>
      <translation>Não, instalar o software disponível localmente</translation>
    </message>
  </context>
  <context>
    <name>AskForPlatformPage</name>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Select Operating System Version</source>
      <translation>Selecione a versão do sistema operacional</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>You are using Windows 64 bit.

Please select which version of %1 to install.</source>
      <translation>Você está usando o Windows de 64 bits.

Selecione qual versão %1 deseja instalar.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Holmgrave's software</source>
      <translation>do software da Holmgrave</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Install 64 bit Version</source>
      <translation>Instalar a versão de 64 bits</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Install 32 bit Version</source>
      <translation>Instalar a versão de 32 bits</translation>
    </message>
  </context>
  <context>
    <name>CheckIfOnlineDialog</name>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="14" />
      <source>Try again</source>
      <translation>Tentar novamente</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="16" />
      <source>Install without updating</source>
      <translation>Instalar sem atualizar</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="18" />
      <source>Cancel</source>
      <translation>Cancelar</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="25" />
      <source>It was not possible to establish a connection to the update server. Please check your internet connnection and try again. Alternatively, proceed with installation using the locally available packages, or cancel the installation process.</source>
      <translation>Não foi possível estabelecer uma ligação ao servidor de atualizações. Verifique a sua ligação à Internet e tente novamente. Em alternativa, prossiga com a instalação utilizando os pacotes disponíveis localmente ou cancele o processo de instalação.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="30" />
      <source>Could not connect to server</source>
      <translation>Não foi possível ligar ao servidor</translation>
    </message>
  </context>
  <context>
    <name>DownloadChoiceSelectionPage</name>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Searching for Updates</source>
      <translation>Procurando atualizações</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Access to Restricted Updates</source>
      <translation>Acesso a atualizações restritas</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Install without updating</source>
      <translation>Instalar sem atualizar</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Select</source>
      <translation>Selecionar</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Update to Download</source>
      <translation>Atualização para baixar</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Size</source>
      <translation>Tamanho</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>More Info</source>
      <translation>Mais informações</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>No Updates available</source>
      <translation>Nenhuma atualização disponível</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Available Updates</source>
      <translation>Atualizações disponíveis</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Please select the updates to download and install.</source>
      <translation>Selecione as atualizações que deseja baixar e instalar.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Show Details in Web Browser</source>
      <translation>Mostrar detalhes no navegador da Web</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Download and install</source>
      <translation>Baixar e instalar</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Downloading Updates</source>
      <translation>Baixando atualizações</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 of %2 MB done</source>
      <translation>%1 de %2 MB concluídos</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>An error has occurred.

The Pathwarden will stop.</source>
      <translation>Ocorreu um erro.

O Pathwarden será encerrado.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>

Please try again later, or contact Holmgrave Support in case the problem persists.</source>
      <translation>

Tente novamente mais tarde ou entre em contato com o suporte da Holmgrave se o problema persistir.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Please enter your code to access restricted updates:</source>
      <translation>Digite seu código para acessar as atualizações restritas:</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 could not be downloaded.</source>
      <translation>Não foi possível transferir %1.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 could not be downloaded: the server answered %2.</source>
      <translation>Não foi possível transferir %1: o servidor respondeu %2.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 could not be downloaded: the downloaded file does not match its checksum.</source>
      <translation>Não foi possível transferir %1: o ficheiro transferido não corresponde à sua soma de verificação.</translation>
    </message>
  </context>
  <context>
    <name>LocalStorage</name>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The update cannot be copied to %1: %2</source>
      <translation>Não é possível copiar a atualização para %1: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The update cannot be unpacked into %1: %2</source>
      <translation>Não é possível descompactar a atualização em %1: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>unpacking the update did not finish within %1 s</source>
      <translation>a descompactação da atualização não terminou em %1 s</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The path %1 cannot be kept in the file %2.</source>
      <translation>Não é possível guardar o caminho %1 no ficheiro %2.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>%1 cannot be locked: %2</source>
      <translation>%1 não pode ser bloqueado: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>Another Pathwarden of this user did not finish storing its update within %1 s.</source>
      <translation>Outro Pathwarden deste utilizador não terminou de guardar a sua atualização em %1 s.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>No copy of version %1 is stored.</source>
      <translation>Nenhuma cópia da versão %1 está guardada.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The downloaded update %1 is not a regular file.</source>
      <translation>A atualização transferida %1 não é um ficheiro normal.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The server names the update's version "%1", which is no version number.</source>
      <translation>O servidor indica a versão "%1" para a atualização, que não é um número de versão.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The folder %1 holds a copy of Pathwarden that is running (process %2); it is left as it is.</source>
      <translation>A pasta %1 contém uma cópia do Pathwarden em execução (processo %2); é deixada como está.</translation>
    </message>
  </context>
  <context>
    <name>MandatoryUpdateDialog</name>
    <message>
      <location filename="../../../updater/app/MandatoryUpdateDialog.cpp" line="15" />
      <source>Welcome! &lt;br&gt;&lt;br&gt;&lt;b&gt;This DVD does not contain all components for a complete product installation. The product cannot be run unless the required components are downloaded.&lt;/b&gt; &lt;br&gt;&lt;br&gt;The Pathwarden downloads the missing components automatically. An internet connection is required. If you cannot download the installer from this computer please download the components manually here: &lt;br&gt;&lt;br&gt;%1&lt;br&gt;&lt;br&gt;The following data may be exchanged between the local computer and servers of Holmgrave: information about the download and installation utilities used, the version and set language of the operating system, details about the Windows and product version, information about which product is to be installed from which source, information about products already installed, free disk space, geolocation (based on IP), time stamp and error information. This data is made anonymous and is also analyzed in order to improve the services provided by Holmgrave. Without the exchange of this data, the update service cannot be used. Your approval is valid only for the current update process. &lt;br&gt;&lt;br&gt;Download and install now?</source>
      <translation>Bem-vindo! &lt;br&gt;&lt;br&gt;&lt;b&gt;Este DVD não contém todos os componentes para uma instalação completa do produto. O produto não pode ser executado enquanto os componentes necessários não forem transferidos.&lt;/b&gt; &lt;br&gt;&lt;br&gt;O Pathwarden transfere automaticamente os componentes em falta. É necessária uma ligação à Internet. Se não conseguir transferir o instalador neste computador, transfira os componentes manualmente aqui: &lt;br&gt;&lt;br&gt;%1&lt;br&gt;&lt;br&gt;Os seguintes dados podem ser trocados entre o computador local e os servidores da Holmgrave: informações sobre os utilitários de transferência e instalação utilizados, a versão e o idioma definido do sistema operativo, detalhes sobre a versão do Windows e do produto, informações sobre qual produto será instalado e a partir de que origem, informações sobre produtos já instalados, espaço livre em disco, geolocalização (com base no IP), carimbo de data/hora e informações de erros. Estes dados são anonimizados e também analisados para melhorar os serviços prestados pela Holmgrave. Sem a troca destes dados, o serviço de atualização não pode ser utilizado. A sua aprovação é válida apenas para o processo de atualização atual. &lt;br&gt;&lt;br&gt;Transferir e instalar agora?</translation>
    </message>
    <message>
      <location filename="../../../updater/app/MandatoryUpdateDialog.cpp" line="34" />
      <source>Yes, download and install components</source>
      <translation>Sim, transferir e instalar os componentes</translation>
    </message>
    <message>
      <location filename="../../../updater/app/MandatoryUpdateDialog.cpp" line="36" />
      <source>No, do not download. Install DVD content only</source>
      <translation>Não, não transferir. Instalar apenas o conteúdo do DVD</translation>
    </message>
  </context>
  <context>
    <name>PlatformNotSupportedPage</name>
    <message>
      <location filename="../../../updater/app/PlatformNotSupportedPage.cpp" />
      <source>Operating system not supported</source>
      <translation>Sistema operacional não suportado</translation>
    </message>
    <message>
      <location filename="../../../updater/app/PlatformNotSupportedPage.cpp" />
      <source>This software is only available for 64-bit operating systems.
You are running a 32-bit operating system.</source>
      <translation>Este software está disponível apenas para sistemas operacionais de 64 bits.
Você está usando um sistema operacional de 32 bits.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/PlatformNotSupportedPage.cpp" />
      <source>Quit installation</source>
      <translation>Sair da instalação</translation>
    </message>
  </context>
  <context>
    <name>PrivateFiles</name>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 belongs to another user (uid %2)</source>
      <translation>%1 pertence a outro utilizador (UID %2)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 can be written by others (mode %2)</source>
      <translation>%1 pode ser alterado por outros (modo %2)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 can be written by others through its ACL</source>
      <translation>%1 pode ser alterado por outros através da sua ACL</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be opened: %2</source>
      <translation>Não é possível abrir %1: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 is not a regular file</source>
      <translation>%1 não é um ficheiro normal</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>more than 40 links lead on from %1</source>
      <translation>a partir de %1 seguem-se mais de 40 ligações</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 is a link of another user (uid %2)</source>
      <translation>%1 é uma ligação de outro utilizador (UID %2)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 is not a folder</source>
      <translation>%1 não é uma pasta</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be narrowed: %2</source>
      <translation>Não é possível restringir as permissões de %1: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 has other names (%2 hard links)</source>
      <translation>%1 tem outros nomes (%2 ligações físicas)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be read whole</source>
      <translation>Não é possível ler %1 por completo</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be made: %2</source>
      <translation>Não é possível criar %1: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be written: %2</source>
      <translation>Não é possível escrever %1: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 lies outside %2</source>
      <translation>%1 está fora de %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/TrustedWay.cpp" />
      <source>%1 cannot be judged: its ACL is read through /proc, which is not mounted</source>
      <translation>%1 não pode ser avaliado: a sua ACL é lida através de /proc, que não está montado</translation>
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
      <translation>Este software não pode ser instalado neste computador porque a versão instalada do sistema operativo é demasiado antiga. 

O requisito mínimo de sistema é %1.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/WindowForeground.cpp" line="11" />
      <source>Version</source>
      <translation>Versão</translation>
    </message>
    <message>
      <location filename="../../../updater/app/WindowForeground.cpp" line="21" />
      <source>Verification of secure server communication is not available. It is recommended not to search for updates.</source>
      <translation>A verificação da comunicação segura com o servidor não está disponível. Recomenda-se não procurar atualizações.</translation>
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
      <translation>Preparando a atualização</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="43" />
      <source>Install without updating</source>
      <translation>Instalar sem atualizar</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="45" />
      <source>Cancel installation</source>
      <translation>Cancelar instalação</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="106" />
      <source>Error</source>
      <translation>Erro</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="120" />
      <source>The Pathwarden is currently preparing for update. Afterwards, the Pathwarden will automatically restart and look for updates of the product you are about to install. 

Please wait until the Pathwarden has restarted, and follow the instructions on screen. </source>
      <translation>O Pathwarden está preparando a atualização. Em seguida, o Pathwarden será reiniciado automaticamente e procurará atualizações do produto que você está prestes a instalar. 

Aguarde até que o Pathwarden seja reiniciado e siga as instruções na tela. </translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="139" />
      <source>An error has occurred.

The Pathwarden will stop.</source>
      <translation>Ocorreu um erro.

O Pathwarden será encerrado.</translation>
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

Tente novamente mais tarde ou entre em contato com o suporte da Holmgrave se o problema persistir.</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" />
      <source>Another Pathwarden window is updating. This one waits until that update is finished, then goes on by itself.</source>
      <translation>Outra janela do Pathwarden está a fazer uma atualização. Esta aguarda até que essa atualização termine e depois continua automaticamente.</translation>
    </message>
  </context>
  <context>
    <name>SelfUpdateService</name>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The update cannot be downloaded from %1.</source>
      <translation>A atualização não pode ser transferida de %1.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The update downloaded from %1 does not match its checksum.</source>
      <translation>A atualização transferida de %1 não corresponde à sua soma de verificação.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The update %1 is not newer than this Pathwarden %2.</source>
      <translation>A atualização %1 não é mais recente do que este Pathwarden %2.</translation>
    </message>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The stored update %1 cannot be started: %2</source>
      <translation>A atualização guardada %1 não pode ser iniciada: %2</translation>
    </message>
  </context>
  <context>
    <name>WindowsProductInstallerUpdatePage</name>
    <message>
      <location filename="../../../updater/app/WindowsProductInstallerUpdatePage.cpp" />
      <source>Preparing for Update</source>
      <translation>Preparando a atualização</translation>
    </message>
  </context>
  <context>
    <name>WorkingDirectoryProvider</name>
    <message>
      <location filename="../../../updater/infrastructure/WorkingDirectoryProvider.cpp" />
      <source>The folder %1 cannot be used: %2</source>
      <translation>Não é possível usar a pasta %1: %2</translation>
    </message>
  </context>
  <context>
    <name>ZipExtractor</name>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>unzip cannot be run: %1</source>
      <translation>o unzip não pode ser executado: %1</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>unzip failed with status %1</source>
      <translation>o unzip falhou com o estado %1</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>%1 needs more than 40 links to resolve</source>
      <translation>%1 precisa de mais de 40 ligações para ser resolvido</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>%1 is a link that leads out of the update</source>
      <translation>%1 é uma ligação que leva para fora da atualização</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>the update holds no %1</source>
      <translation>a atualização não contém %1</translation>
    </message>
  </context>
</TS>