<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
  <context>
    <name>AppInitProgressPage</name>
    <message>
      <location filename="../../../updater/app/AppInitProgressPage.cpp" />
      <source>Preparing for Update</source>
      <translation>正在准备更新</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AppInitProgressPage.cpp" />
      <source>Could not establish secure server communication.

The Pathwarden will stop.</source>
      <translation>无法与服务器建立安全通信。

Pathwarden 将停止。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AppInitProgressPage.cpp" />
      <source>

Please try again later, or contact Holmgrave Support in case the problem persists.</source>
      <translation>

请稍后重试；如果问题仍然存在，请联系 Holmgrave 支持。</translation>
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
      <translation>欢迎! 

Pathwarden 会确定最适合下载到您计算机上的产品版本。需要连接互联网。 

本地计算机与 Holmgrave 服务器之间可能会交换以下数据: 所使用的下载和安装工具的信息、操作系统的版本和设置的语言、Windows 和产品版本 (32 位或 64 位) 的详细信息、要从哪个来源安装哪个产品的信息、已安装产品的信息、可用磁盘空间、地理位置 (基于 IP)、时间戳以及错误信息。这些数据会经过匿名处理，并且还会被分析以改进 Holmgrave 提供的服务。如不交换这些数据，将无法使用更新服务。您的同意仅对本次更新过程有效。 

现在搜索更新吗?</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForGoOnlineDialog.cpp" line="26" />
      <source>Yes, search for updates</source>
      <translation>是，搜索更新</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForGoOnlineDialog.cpp" line="28" />
      <source>No, install locally available software</source>
      <translation>否，安装本地可用的软件</translation>
    </message>
  </context>
  <context>
    <name>AskForPlatformPage</name>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Select Operating System Version</source>
      <translation>选择操作系统版本</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>You are using Windows 64 bit.

Please select which version of %1 to install.</source>
      <translation>您正在使用 64 位 Windows。

请选择要安装的%1版本。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Holmgrave's software</source>
      <translation>Holmgrave 软件</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Install 64 bit Version</source>
      <translation>安装 64 位版本</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Install 32 bit Version</source>
      <translation>安装 32 位版本</translation>
    </message>
  </context>
  <context>
    <name>CheckIfOnlineDialog</name>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="14" />
      <source>Try again</source>
      <translation>重试</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="16" />
      <source>Install without updating</source>
      <translation>不更新直接安装</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="18" />
      <source>Cancel</source>
      <translation>取消</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="25" />
      <source>It was not possible to establish a connection to the update server. Please check your internet connnection and try again. Alternatively, proceed with installation using the locally available packages, or cancel the installation process.</source>
      <translation>无法与更新服务器建立连接。请检查您的互联网连接，然后重试。您也可以使用本地可用的软件包继续安装，或者取消安装过程。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="30" />
      <source>Could not connect to server</source>
      <translation>无法连接到服务器</translation>
    </message>
  </context>
  <context>
    <name>DownloadChoiceSelectionPage</name>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Searching for Updates</source>
      <translation>正在搜索更新</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Access to Restricted Updates</source>
      <translation>访问受限更新</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Install without updating</source>
      <translation>不更新直接安装</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Select</source>
      <translation>选择</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Update to Download</source>
      <translation>要下载的更新</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Size</source>
      <translation>大小</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>More Info</source>
      <translation>更多信息</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>No Updates available</source>
      <translation>没有可用的更新</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Available Updates</source>
      <translation>可用更新</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Please select the updates to download and install.</source>
      <translation>请选择要下载并安装的更新。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Show Details in Web Browser</source>
      <translation>在 Web 浏览器中显示详细信息</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Download and install</source>
      <translation>下载并安装</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Downloading Updates</source>
      <translation>正在下载更新</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 of %2 MB done</source>
      <translation>已完成 %1 / %2 MB</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>An error has occurred.

The Pathwarden will stop.</source>
      <translation>发生错误。

Pathwarden 将停止。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>

Please try again later, or contact Holmgrave Support in case the problem persists.</source>
      <translation>

请稍后重试；如果问题仍然存在，请联系 Holmgrave 支持。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Please enter your code to access restricted updates:</source>
      <translation>请输入您的代码以访问受限更新：</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 could not be downloaded.</source>
      <translation>无法下载 %1。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 could not be downloaded: the server answered %2.</source>
      <translation>无法下载 %1：服务器的回答是 %2。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 could not be downloaded: the downloaded file does not match its checksum.</source>
      <translation>无法下载 %1：下载的文件与其校验和不符。</translation>
    </message>
  </context>
  <context>
    <name>LocalStorage</name>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The update cannot be copied to %1: %2</source>
      <translation>无法将更新复制到 %1：%2</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The update cannot be unpacked into %1: %2</source>
      <translation>无法将更新解压到 %1：%2</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>unpacking the update did not finish within %1 s</source>
      <translation>更新解压未能在 %1 秒内完成</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The path %1 cannot be kept in the file %2.</source>
      <translation>无法将路径 %1 保存到文件 %2 中。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>%1 cannot be locked: %2</source>
      <translation>无法锁定 %1：%2</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>Another Pathwarden of this user did not finish storing its update within %1 s.</source>
      <translation>此用户的另一个 Pathwarden 未在 %1 秒内完成保存其更新。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>No copy of version %1 is stored.</source>
      <translation>未保存版本 %1 的副本。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The downloaded update %1 is not a regular file.</source>
      <translation>下载的更新 %1 不是普通文件。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The server names the update's version "%1", which is no version number.</source>
      <translation>服务器给出的更新版本“%1”不是版本号。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The folder %1 holds a copy of Pathwarden that is running (process %2); it is left as it is.</source>
      <translation>文件夹 %1 中有一个正在运行的 Pathwarden 副本（进程 %2）；该文件夹保持原样。</translation>
    </message>
  </context>
  <context>
    <name>MandatoryUpdateDialog</name>
    <message>
      <location filename="../../../updater/app/MandatoryUpdateDialog.cpp" line="15" />
      <source>Welcome! &lt;br&gt;&lt;br&gt;&lt;b&gt;This DVD does not contain all components for a complete product installation. The product cannot be run unless the required components are downloaded.&lt;/b&gt; &lt;br&gt;&lt;br&gt;The Pathwarden downloads the missing components automatically. An internet connection is required. If you cannot download the installer from this computer please download the components manually here: &lt;br&gt;&lt;br&gt;%1&lt;br&gt;&lt;br&gt;The following data may be exchanged between the local computer and servers of Holmgrave: information about the download and installation utilities used, the version and set language of the operating system, details about the Windows and product version, information about which product is to be installed from which source, information about products already installed, free disk space, geolocation (based on IP), time stamp and error information. This data is made anonymous and is also analyzed in order to improve the services provided by Holmgrave. Without the exchange of this data, the update service cannot be used. Your approval is valid only for the current update process. &lt;br&gt;&lt;br&gt;Download and install now?</source>
      <translation>欢迎! &lt;br&gt;&lt;br&gt;&lt;b&gt;此 DVD 未包含完整安装产品所需的全部组件。在下载所需组件之前，产品无法运行。&lt;/b&gt; &lt;br&gt;&lt;br&gt;Pathwarden 会自动下载缺少的组件。需要连接互联网。如果您无法在此计算机上下载安装程序，请在此处手动下载组件: &lt;br&gt;&lt;br&gt;%1&lt;br&gt;&lt;br&gt;本地计算机与 Holmgrave 服务器之间可能会交换以下数据: 所使用的下载和安装工具的信息、操作系统的版本和设置的语言、Windows 和产品版本的详细信息、要从哪个来源安装哪个产品的信息、已安装产品的信息、可用磁盘空间、地理位置 (基于 IP)、时间戳以及错误信息。这些数据会经过匿名处理，并且还会被分析以改进 Holmgrave 提供的服务。如不交换这些数据，将无法使用更新服务。您的同意仅对本次更新过程有效。 &lt;br&gt;&lt;br&gt;现在下载并安装吗?</translation>
    </message>
    <message>
      <location filename="../../../updater/app/MandatoryUpdateDialog.cpp" line="34" />
      <source>Yes, download and install components</source>
      <translation>是，下载并安装组件</translation>
    </message>
    <message>
      <location filename="../../../updater/app/MandatoryUpdateDialog.cpp" line="36" />
      <source>No, do not download. Install DVD content only</source>
      <translation>否，不下载。仅安装 DVD 内容</translation>
    </message>
  </context>
  <context>
    <name>PlatformNotSupportedPage</name>
    <message>
      <location filename="../../../updater/app/PlatformNotSupportedPage.cpp" />
      <source>Operating system not supported</source>
      <translation>不支持的操作系统</translation>
    </message>
    <message>
      <location filename="../../../updater/app/PlatformNotSupportedPage.cpp" />
      <source>This software is only available for 64-bit operating systems.
You are running a 32-bit operating system.</source>
      <translation>本软件仅适用于 64 位操作系统。
您正在运行 32 位操作系统。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/PlatformNotSupportedPage.cpp" />
      <source>Quit installation</source>
      <translation>退出安装</translation>
    </message>
  </context>
  <context>
    <name>PrivateFiles</name>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 belongs to another user (uid %2)</source>
      <translation>%1 属于另一个用户（UID %2）</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 can be written by others (mode %2)</source>
      <translation>%1 可被他人写入（模式 %2）</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 can be written by others through its ACL</source>
      <translation>%1 可通过其 ACL 被他人写入</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be opened: %2</source>
      <translation>无法打开 %1：%2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 is not a regular file</source>
      <translation>%1 不是普通文件</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>more than 40 links lead on from %1</source>
      <translation>从 %1 起有超过 40 个链接</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 is a link of another user (uid %2)</source>
      <translation>%1 是另一个用户的链接（UID %2）</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 is not a folder</source>
      <translation>%1 不是文件夹</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be narrowed: %2</source>
      <translation>无法收紧 %1 的权限：%2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 has other names (%2 hard links)</source>
      <translation>%1 还有其他名称（%2 个硬链接）</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be read whole</source>
      <translation>无法完整读取 %1</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be made: %2</source>
      <translation>无法创建 %1：%2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be written: %2</source>
      <translation>无法写入 %1：%2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 lies outside %2</source>
      <translation>%1 位于 %2 之外</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/TrustedWay.cpp" />
      <source>%1 cannot be judged: its ACL is read through /proc, which is not mounted</source>
      <translation>无法判断 %1：其 ACL 需通过 /proc 读取，而 /proc 未挂载</translation>
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
      <translation>由于已安装的操作系统版本过旧，无法在此计算机上安装本软件。 

最低系统要求为 %1。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/WindowForeground.cpp" line="11" />
      <source>Version</source>
      <translation>版本</translation>
    </message>
    <message>
      <location filename="../../../updater/app/WindowForeground.cpp" line="21" />
      <source>Verification of secure server communication is not available. It is recommended not to search for updates.</source>
      <translation>无法验证与服务器的安全通信。建议不要搜索更新。</translation>
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
      <translation>正在准备更新</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="43" />
      <source>Install without updating</source>
      <translation>不更新直接安装</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="45" />
      <source>Cancel installation</source>
      <translation>取消安装</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="106" />
      <source>Error</source>
      <translation>错误</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="120" />
      <source>The Pathwarden is currently preparing for update. Afterwards, the Pathwarden will automatically restart and look for updates of the product you are about to install. 

Please wait until the Pathwarden has restarted, and follow the instructions on screen. </source>
      <translation>Pathwarden 正在准备更新。之后，Pathwarden 将自动重新启动，并查找您即将安装的产品的更新。 

请等待 Pathwarden 重新启动，然后按照屏幕上的说明操作。 </translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="139" />
      <source>An error has occurred.

The Pathwarden will stop.</source>
      <translation>发生错误。

Pathwarden 将停止运行。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" />
      <source>

Cause: %1</source>
      <translation>

原因：%1</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="140" />
      <source>

Please try again later, or contact Holmgrave Support in case the problem persists.</source>
      <translation>

请稍后重试；如果问题仍然存在，请联系 Holmgrave 支持。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" />
      <source>Another Pathwarden window is updating. This one waits until that update is finished, then goes on by itself.</source>
      <translation>另一个 Pathwarden 窗口正在更新。此窗口会等待该更新完成，然后自动继续。</translation>
    </message>
  </context>
  <context>
    <name>SelfUpdateService</name>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The update cannot be downloaded from %1.</source>
      <translation>无法从 %1 下载更新。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The update downloaded from %1 does not match its checksum.</source>
      <translation>从 %1 下载的更新与其校验和不符。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The update %1 is not newer than this Pathwarden %2.</source>
      <translation>更新 %1 并不比此 Pathwarden %2 更新。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The stored update %1 cannot be started: %2</source>
      <translation>无法启动已保存的更新 %1：%2</translation>
    </message>
  </context>
  <context>
    <name>WindowsProductInstallerUpdatePage</name>
    <message>
      <location filename="../../../updater/app/WindowsProductInstallerUpdatePage.cpp" />
      <source>Preparing for Update</source>
      <translation>正在准备更新</translation>
    </message>
  </context>
  <context>
    <name>WorkingDirectoryProvider</name>
    <message>
      <location filename="../../../updater/infrastructure/WorkingDirectoryProvider.cpp" />
      <source>The folder %1 cannot be used: %2</source>
      <translation>无法使用文件夹 %1：%2</translation>
    </message>
  </context>
  <context>
    <name>ZipExtractor</name>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>unzip cannot be run: %1</source>
      <translation>无法运行 unzip：%1</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>unzip failed with status %1</source>
      <translation>unzip 失败，状态 %1</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>%1 needs more than 40 links to resolve</source>
      <translation>解析 %1 需要超过 40 个链接</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>%1 is a link that leads out of the update</source>
      <translation>%1 是指向更新之外的链接</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>the update holds no %1</source>
      <translation>更新中没有 %1</translation>
    </message>
  </context>
</TS>