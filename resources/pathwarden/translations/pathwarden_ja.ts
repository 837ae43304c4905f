<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
  <context>
    <name>AppInitProgressPage</name>
    <message>
      <location filename="../../../updater/app/AppInitProgressPage.cpp" />
      <source>Preparing for Update</source>
      <translation>アップデートの準備中</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AppInitProgressPage.cpp" />
      <source>Could not establish secure server communication.

The Pathwarden will stop.</source>
      <translation>サーバーとの安全な通信を確立できませんでした。

Pathwarden を終了します。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AppInitProgressPage.cpp" />
      <source>

Please try again later, or contact Holmgrave Support in case the problem persists.</source>
      <translation>

後でもう一度お試しください。問題が解決しない場合は Holmgrave サポートにお問い合わせください。</translation>
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
      <translation>ようこそ! 

Pathwarden は、お使いのコンピューターにダウンロードするのに最も適した製品バージョンを判断します。インターネット接続が必要です。 

ローカル コンピューターと Holmgrave のサーバーとの間で、次のデータがやり取りされる場合があります: 使用しているダウンロード ユーティリティおよびインストール ユーティリティに関する情報、オペレーティング システムのバージョンと設定言語、Windows および製品のバージョン (32 ビットまたは 64 ビット) の詳細、どの製品をどのソースからインストールするかに関する情報、インストール済みの製品に関する情報、ディスクの空き容量、位置情報 (IP に基づく)、タイムスタンプ、エラー情報。これらのデータは匿名化され、Holmgrave が提供するサービスの改善のためにも分析されます。これらのデータをやり取りしない場合、アップデート サービスは利用できません。この同意は今回のアップデート処理に対してのみ有効です。 

今すぐアップデートを検索しますか?</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForGoOnlineDialog.cpp" line="26" />
      <source>Yes, search for updates</source>
      <translation>はい、アップデートを検索します</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForGoOnlineDialog.cpp" line="28" />
      <source>No, install locally available software</source>
      <translation>いいえ、ローカルにあるソフトウェアをインストールします</translation>
    </message>
  </context>
  <context>
    <name>AskForPlatformPage</name>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Select Operating System Version</source>
      <translation>オペレーティングシステムのバージョンを選択</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>You are using Windows 64 bit.

Please select which version of %1 to install.</source>
      <translation>64ビット版のWindowsをお使いです。

インストールする%1のバージョンを選択してください。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Holmgrave's software</source>
      <translation>Holmgraveのソフトウェア</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Install 64 bit Version</source>
      <translation>64ビット版をインストール</translation>
    </message>
    <message>
      <location filename="../../../updater/app/AskForPlatformPage.cpp" />
      <source>Install 32 bit Version</source>
      <translation>32ビット版をインストール</translation>
    </message>
  </context>
  <context>
    <name>CheckIfOnlineDialog</name>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="14" />
      <source>Try again</source>
      <translation>再試行</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="16" />
      <source>Install without updating</source>
      <translation>アップデートせずにインストール</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="18" />
      <source>Cancel</source>
      <translation>キャンセル</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="25" />
      <source>It was not possible to establish a connection to the update server. Please check your internet connnection and try again. Alternatively, proceed with installation using the locally available packages, or cancel the installation process.</source>
      <translation>アップデート サーバーに接続できませんでした。インターネット接続を確認してから、もう一度お試しください。または、ローカルにあるパッケージを使用してインストールを続行するか、インストール処理をキャンセルしてください。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/CheckIfOnlineDialog.cpp" line="30" />
      <source>Could not connect to server</source>
      <translation>サーバーに接続できませんでした</translation>
    </message>
  </context>
  <context>
    <name>DownloadChoiceSelectionPage</name>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Searching for Updates</source>
      <translation>アップデートを検索しています</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Access to Restricted Updates</source>
      <translation>限定アップデートへのアクセス</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Install without updating</source>
      <translation>アップデートせずにインストール</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Select</source>
      <translation>選択</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Update to Download</source>
      <translation>ダウンロードするアップデート</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Size</source>
      <translation>サイズ</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>More Info</source>
      <translation>詳細情報</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>No Updates available</source>
      <translation>利用可能なアップデートはありません</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Available Updates</source>
      <translation>利用可能なアップデート</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Please select the updates to download and install.</source>
      <translation>ダウンロードしてインストールするアップデートを選択してください。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Show Details in Web Browser</source>
      <translation>Web ブラウザーで詳細を表示</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Download and install</source>
      <translation>ダウンロードしてインストール</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Downloading Updates</source>
      <translation>アップデートをダウンロードしています</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 of %2 MB done</source>
      <translation>%1 / %2 MB 完了</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>An error has occurred.

The Pathwarden will stop.</source>
      <translation>エラーが発生しました。

Pathwarden を終了します。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>

Please try again later, or contact Holmgrave Support in case the problem persists.</source>
      <translation>

後でもう一度お試しください。問題が解決しない場合は Holmgrave サポートにお問い合わせください。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>Please enter your code to access restricted updates:</source>
      <translation>限定アップデートにアクセスするためのコードを入力してください:</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 could not be downloaded.</source>
      <translation>%1 をダウンロードできませんでした。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 could not be downloaded: the server answered %2.</source>
      <translation>%1 をダウンロードできませんでした: サーバーの応答は %2 でした。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/DownloadChoiceSelectionPage.cpp" />
      <source>%1 could not be downloaded: the downloaded file does not match its checksum.</source>
      <translation>%1 をダウンロードできませんでした: ダウンロードしたファイルがチェックサムと一致しません。</translation>
    </message>
  </context>
  <context>
    <name>LocalStorage</name>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The update cannot be copied to %1: %2</source>
      <translation>アップデートを %1 にコピーできません: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The update cannot be unpacked into %1: %2</source>
      <translation>アップデートを %1 に展開できません: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>unpacking the update did not finish within %1 s</source>
      <translation>アップデートの展開が %1 秒以内に完了しませんでした</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The path %1 cannot be kept in the file %2.</source>
      <translation>パス %1 をファイル %2 に保存できません。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>%1 cannot be locked: %2</source>
      <translation>%1 をロックできません: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>Another Pathwarden of this user did not finish storing its update within %1 s.</source>
      <translation>このユーザーの別の Pathwarden が %1 秒以内に更新の保存を終えませんでした。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>No copy of version %1 is stored.</source>
      <translation>バージョン %1 のコピーは保存されていません。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The downloaded update %1 is not a regular file.</source>
      <translation>ダウンロードした更新 %1 は通常のファイルではありません。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The server names the update's version "%1", which is no version number.</source>
      <translation>サーバーが示す更新のバージョン「%1」はバージョン番号ではありません。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/LocalStorage.cpp" />
      <source>The folder %1 holds a copy of Pathwarden that is running (process %2); it is left as it is.</source>
      <translation>フォルダー %1 には実行中の Pathwarden のコピーがあります (プロセス %2)。このフォルダーはそのままにします。</translation>
    </message>
  </context>
  <context>
    <name>MandatoryUpdateDialog</name>
    <message>
      <location filename="../../../updater/app/MandatoryUpdateDialog.cpp" line="15" />
      <source>Welcome! &lt;br&gt;&lt;br&gt;&lt;b&gt;This DVD does not contain all components for a complete product installation. The product cannot be run unless the required components are downloaded.&lt;/b&gt; &lt;br&gt;&lt;br&gt;The Pathwarden downloads the missing components automatically. An internet connection is required. If you cannot download the installer from this computer please download the components manually here: &lt;br&gt;&lt;br&gt;%1&lt;br&gt;&lt;br&gt;The following data may be exchanged between the local computer and servers of Holmgrave: information about the download and installation utilities used, the version and set language of the operating system, details about the Windows and product version, information about which product is to be installed from which source, information about products already installed, free disk space, geolocation (based on IP), time stamp and error information. This data is made anonymous and is also analyzed in order to improve the services provided by Holmgrave. Without the exchange of this data, the update service cannot be used. Your approval is valid only for the current update process. &lt;br&gt;&lt;br&gt;Download and install now?</source>
      <translation>ようこそ! &lt;br&gt;&lt;br&gt;&lt;b&gt;この DVD には、製品を完全にインストールするためのコンポーネントがすべて含まれているわけではありません。必要なコンポーネントをダウンロードするまで、製品を実行することはできません。&lt;/b&gt; &lt;br&gt;&lt;br&gt;Pathwarden は不足しているコンポーネントを自動的にダウンロードします。インターネット接続が必要です。このコンピューターにインストーラーをダウンロードできない場合は、こちらからコンポーネントを手動でダウンロードしてください: &lt;br&gt;&lt;br&gt;%1&lt;br&gt;&lt;br&gt;ローカル コンピューターと Holmgrave のサーバーとの間で、次のデータがやり取りされる場合があります: 使用しているダウンロード ユーティリティおよびインストール ユーティリティに関する情報、オペレーティング システムのバージョンと設定言語、Windows および製品のバージョンの詳細、どの製品をどのソースからインストールするかに関する情報、インストール済みの製品に関する情報、ディスクの空き容量、位置情報 (IP に基づく)、タイムスタンプ、エラー情報。これらのデータは匿名化され、Holmgrave が提供するサービスの改善のためにも分析されます。これらのデータをやり取りしない場合、アップデート サービスは利用できません。この同意は今回のアップデート処理に対してのみ有効です。 &lt;br&gt;&lt;br&gt;今すぐダウンロードしてインストールしますか?</translation>
    </message>
    <message>
      <location filename="../../../updater/app/MandatoryUpdateDialog.cpp" line="34" />
      <source>Yes, download and install components</source>
      <translation>はい、コンポーネントをダウンロードしてインストールします</translation>
    </message>
    <message>
      <location filename="../../../updater/app/MandatoryUpdateDialog.cpp" line="36" />
      <source>No, do not download. Install DVD content only</source>
      <translation>いいえ、ダウンロードしません。DVD の内容のみをインストールします</translation>
    </message>
  </context>
  <context>
    <name>PlatformNotSupportedPage</name>
    <message>
      <location filename="../../../updater/app/PlatformNotSupportedPage.cpp" />
      <source>Operating system not supported</source>
      <translation>サポートされていないオペレーティングシステム</translation>
    </message>
    <message>
      <location filename="../../../updater/app/PlatformNotSupportedPage.cpp" />
      <source>This software is only available for 64-bit operating systems.
You are running a 32-bit operating system.</source>
      <translation>このソフトウェアは64ビットのオペレーティングシステムでのみご利用いただけます。
32ビットのオペレーティングシステムをお使いです。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/PlatformNotSupportedPage.cpp" />
      <source>Quit installation</source>
      <translation>インストールを終了</translation>
    </message>
  </context>
  <context>
    <name>PrivateFiles</name>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 belongs to another user (uid %2)</source>
      <translation>%1 は別のユーザーのものです (UID %2)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 can be written by others (mode %2)</source>
      <translation>%1 は他のユーザーが書き込めます (モード %2)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 can be written by others through its ACL</source>
      <translation>%1 は ACL により他のユーザーが書き込めます</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be opened: %2</source>
      <translation>%1 を開けません: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 is not a regular file</source>
      <translation>%1 は通常のファイルではありません</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>more than 40 links lead on from %1</source>
      <translation>%1 から 40 を超えるリンクが続いています</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 is a link of another user (uid %2)</source>
      <translation>%1 は別のユーザーのリンクです (UID %2)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 is not a folder</source>
      <translation>%1 はフォルダーではありません</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be narrowed: %2</source>
      <translation>%1 の権限を制限できません: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 has other names (%2 hard links)</source>
      <translation>%1 には別の名前があります (ハードリンク %2 個)</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be read whole</source>
      <translation>%1 を最後まで読み取れません</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be made: %2</source>
      <translation>%1 を作成できません: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 cannot be written: %2</source>
      <translation>%1 に書き込めません: %2</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/PrivateFiles.cpp" />
      <source>%1 lies outside %2</source>
      <translation>%1 は %2 の外にあります</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/TrustedWay.cpp" />
      <source>%1 cannot be judged: its ACL is read through /proc, which is not mounted</source>
      <translation>%1 を判定できません: ACL は /proc 経由で読み取りますが、/proc がマウントされていません</translation>
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
      <translation>インストールされているオペレーティング システムのバージョンが古すぎるため、このソフトウェアをこのコンピューターにインストールすることはできません。 

最低システム要件は %1 です。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/WindowForeground.cpp" line="11" />
      <source>Version</source>
      <translation>バージョン</translation>
    </message>
    <message>
      <location filename="../../../updater/app/WindowForeground.cpp" line="21" />
      <source>Verification of secure server communication is not available. It is recommended not to search for updates.</source>
      <translation>サーバーとの安全な通信を検証できません。アップデートを検索しないことをお勧めします。</translation>
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
      <translation>アップデートの準備中</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="43" />
      <source>Install without updating</source>
      <translation>アップデートせずにインストール</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="45" />
      <source>Cancel installation</source>
      <translation>インストールをキャンセル</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="106" />
      <source>Error</source>
      <translation>エラー</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="120" />
      <source>The Pathwarden is currently preparing for update. Afterwards, the Pathwarden will automatically restart and look for updates of the product you are about to install. 

Please wait until the Pathwarden has restarted, and follow the instructions on screen. </source>
      <translation>Pathwarden はアップデートの準備をしています。完了すると Pathwarden は自動的に再起動し、これからインストールする製品のアップデートを検索します。 

Pathwarden が再起動するまでお待ちください。その後、画面の指示に従ってください。 </translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="139" />
      <source>An error has occurred.

The Pathwarden will stop.</source>
      <translation>エラーが発生しました。

Pathwarden を終了します。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" />
      <source>

Cause: %1</source>
      <translation>

原因: %1</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" line="140" />
      <source>

Please try again later, or contact Holmgrave Support in case the problem persists.</source>
      <translation>

後でもう一度お試しください。問題が解決しない場合は Holmgrave サポートにお問い合わせください。</translation>
    </message>
    <message>
      <location filename="../../../updater/app/SelfUpdatePage.cpp" />
      <source>Another Pathwarden window is updating. This one waits until that update is finished, then goes on by itself.</source>
      <translation>別の Pathwarden のウィンドウがアップデート中です。このウィンドウはそのアップデートが終わるまで待ち、その後自動的に続行します。</translation>
    </message>
  </context>
  <context>
    <name>SelfUpdateService</name>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The update cannot be downloaded from %1.</source>
      <translation>%1 から更新をダウンロードできません。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The update downloaded from %1 does not match its checksum.</source>
      <translation>%1 からダウンロードした更新がチェックサムと一致しません。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The update %1 is not newer than this Pathwarden %2.</source>
      <translation>更新 %1 はこの Pathwarden %2 より新しくありません。</translation>
    </message>
    <message>
      <location filename="../../../updater/services/SelfUpdateService.cpp" />
      <source>The stored update %1 cannot be started: %2</source>
      <translation>保存された更新 %1 を起動できません: %2</translation>
    </message>
  </context>
  <context>
    <name>WindowsProductInstallerUpdatePage</name>
    <message>
      <location filename="../../../updater/app/WindowsProductInstallerUpdatePage.cpp" />
      <source>Preparing for Update</source>
      <translation>アップデートの準備中</translation>
    </message>
  </context>
  <context>
    <name>WorkingDirectoryProvider</name>
    <message>
      <location filename="../../../updater/infrastructure/WorkingDirectoryProvider.cpp" />
      <source>The folder %1 cannot be used: %2</source>
      <translation>フォルダー %1 を使用できません: %2</translation>
    </message>
  </context>
  <context>
    <name>ZipExtractor</name>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>unzip cannot be run: %1</source>
      <translation>unzip を実行できません: %1</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>unzip failed with status %1</source>
      <translation>unzip がステータス %1 で失敗しました</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>%1 needs more than 40 links to resolve</source>
      <translation>%1 の解決には 40 を超えるリンクが必要です</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>%1 is a link that leads out of the update</source>
      <translation>%1 は更新の外を指すリンクです</translation>
    </message>
    <message>
      <location filename="../../../updater/infrastructure/ZipExtractor_OSX.cpp" />
      <source>the update holds no %1</source>
      <translation>更新に %1 が含まれていません</translation>
    </message>
  </context>
</TS>