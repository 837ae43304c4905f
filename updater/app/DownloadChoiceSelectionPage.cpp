#include "updater/app/DownloadChoiceSelectionPage.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/services/AbstractInstallerLauncher.h"
#include "updater/services/ArtifactsFile.h"
#include "updater/services/AbstractComponentScanner.h"
#include "updater/services/AbstractDownloadChoicesService.h"
#include "updater/services/DownloadChoice.h"
#include "updater/services/DownloadChoicesRemoteClient.h"
#include "updater/services/PlatformIdentifier.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWizard>
#include <QtConcurrent/QtConcurrentRun>

#include <climits>

namespace {

// The last whole percent logged; one value for the whole process.
int lastLoggedPercent = -1;

constexpr int kSelectColumn = 0;
constexpr int kNameColumn = 1;
constexpr int kSizeColumn = 2;
constexpr int kMoreInfoColumn = 3;

QString platformText(int platform)
{
    if (platform < OSX || platform > WIN64)
        return QString::number(platform);
    return platformName(static_cast<PlatformIdentifier>(platform));
}

// The address as it may stand inside a single-quoted attribute of rich text:
// web addresses only (anything else would be handed to whatever program the
// system opens it with), fully percent-encoded, quotes included.
QString safeWebAddress(const QString& link)
{
    const QUrl url(link.trimmed());
    if (!url.isValid() || url.host().isEmpty()
        || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http")))
        return QString();
    QString encoded = QString::fromLatin1(url.toEncoded());
    encoded.replace(QLatin1Char('\''), QStringLiteral("%27"));
    return encoded.toHtmlEscaped();
}

} // namespace

DownloadChoiceSelectionPage::DownloadChoiceSelectionPage(AbstractDownloadChoicesService* downloadChoicesService,
                                                         DownloadChoicesRemoteClient* remoteClient, int platform,
                                                         ArtifactsFile* artifactsFile,
                                                         AbstractComponentScanner* componentScanner,
                                                         AbstractInstallerLauncher* installerLauncher,
                                                         bool accessRestrictedUpdates, QWidget* parent)
    : QWizardPage(parent)
    , statusLabel_(new QLabel(this))
    , secondLabel_(new QLabel(this))
    , table_(new QTableWidget(this))
    , progressBar_(new QProgressBar(this))
    , downloadChoicesService_(downloadChoicesService)
    , installerLauncher_(installerLauncher)
    , remoteClient_(remoteClient)
    , platform_(platform)
    , artifactsFile_(artifactsFile)
    , componentScanner_(componentScanner)
    , logger_(SimpleLogger::getLogger(this))
    , accessRestrictedUpdates_(accessRestrictedUpdates)
{
    statusLabel_->setObjectName(QStringLiteral("statusLabel"));
    statusLabel_->setWordWrap(true);
    secondLabel_->setWordWrap(true);
    table_->setObjectName(QStringLiteral("downloadChoicesTable"));
    progressBar_->setObjectName(QStringLiteral("downloadProgressBar"));
}

DownloadChoiceSelectionPage::~DownloadChoiceSelectionPage()
{
    // A task still running works on the list freed below.
    watcher_.waitForFinished();
    qDeleteAll(choices_);
}

void DownloadChoiceSelectionPage::initializePage()
{
    setTitle(tr("Searching for Updates"));
    if (initialized_)
        return;
    initialized_ = true;

    connect(downloadChoicesService_, &AbstractDownloadChoicesService::downloadProgress, this,
            &DownloadChoiceSelectionPage::downloadProgressSlot);
    connect(downloadChoicesService_, &AbstractDownloadChoicesService::downloadStarted, this,
            &DownloadChoiceSelectionPage::downloadStartedSlot);
    connect(downloadChoicesService_, &AbstractDownloadChoicesService::downloadsFinished, this,
            &DownloadChoiceSelectionPage::downloadFinishedSlot);
    connect(downloadChoicesService_, &AbstractDownloadChoicesService::downloadError, this,
            &DownloadChoiceSelectionPage::downloadErrorSlot);
    connect(downloadChoicesService_, &AbstractDownloadChoicesService::downloadProgressSetup, this,
            &DownloadChoiceSelectionPage::initProgressBarBeforeMultiDownloadStarts);
    connect(&watcher_, &QFutureWatcher<bool>::finished, this,
            &DownloadChoiceSelectionPage::componentScannerFinishedAndDownloadChoicesReceivedFromServerSlot);

    setFixedSize(650, 400);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(statusLabel_);
    progressBar_->setRange(0, 0);
    layout->addWidget(progressBar_);
    layout->addWidget(secondLabel_);
    layout->addWidget(table_);
    if (accessRestrictedUpdates_) {
        restrictedUpdatesButton_ = new QPushButton(tr("Access to Restricted Updates"), this);
        restrictedUpdatesButton_->setObjectName(QStringLiteral("restrictedUpdatesButton"));
        connect(restrictedUpdatesButton_, &QPushButton::clicked, this,
                &DownloadChoiceSelectionPage::betaAuthButtonClickedSlot);
        restrictedUpdatesButton_->setEnabled(false);
        layout->addWidget(restrictedUpdatesButton_);
    }

    logger_->debug(QStringLiteral("selected platform is : ") + platformText(platform_), QString());

    const QFuture<bool> task = QtConcurrent::run(this, &DownloadChoiceSelectionPage::scanAndReadDownloadChoices);

    if (QWizard* wizard = this->wizard()) {
        wizard->setButtonText(QWizard::CustomButton1, tr("Install without updating"));
        wizard->setOption(QWizard::HaveCustomButton1, true);
        QAbstractButton* button = wizard->button(QWizard::CustomButton1);
        button->setFixedWidth(300);
        button->setEnabled(false);
        connect(wizard, &QWizard::customButtonClicked, this, &DownloadChoiceSelectionPage::downloadSelectedButtonSlot,
                Qt::UniqueConnection);
        wizard->setButtonLayout({QWizard::Stretch, QWizard::CustomButton1});
    }
    watcher_.setFuture(task);
}

void DownloadChoiceSelectionPage::cancelAndWait()
{
    cancelled_ = true;
    componentScanner_->cancel();
    watcher_.cancel();
    watcher_.waitForFinished();
}

bool DownloadChoiceSelectionPage::scanAndReadDownloadChoices()
{
    const bool scanned = componentScanner_->scan();
    // A scan the cancel ended did not fail.
    if (cancelled_) {
        logger_->info(QStringLiteral("Search for updates cancelled; the server is not asked."), QString());
        return false;
    }
    if (!scanned)
        logger_->error(QStringLiteral("Failed to scan components"), QString());
    qDeleteAll(choices_);
    choices_.clear();
    choices_.append(remoteClient_->getDownloadChoices(componentScanner_->resultXml()));
    return !choices_.isEmpty();
}

bool DownloadChoiceSelectionPage::readAndMergeRestrictedDownloadChoices(QString code)
{
    const QList<DownloadChoice*> restricted = remoteClient_->readRestrictedDownloadChoices(code);
    for (DownloadChoice* candidate : restricted) {
        bool known = false;
        for (const DownloadChoice* choice : qAsConst(choices_)) {
            if (choice->name == candidate->name && choice->totalFilesize == candidate->totalFilesize) {
                known = true;
                break;
            }
        }
        if (known)
            delete candidate; // the page owns what it receives, kept or not
        else
            choices_.append(candidate);
    }
    return !choices_.isEmpty();
}

void DownloadChoiceSelectionPage::componentScannerFinishedAndDownloadChoicesReceivedFromServerSlot()
{
    logger_->debug(QStringLiteral("componentScannerFinishedAndDownloadChoicesReceivedFromServerSlot"), QString());
    // The watcher's finished event may already be queued when the user
    // cancels: after a cancel nothing is listed, written or started.
    if (cancelled_) {
        logger_->info(QStringLiteral("Search for updates cancelled; nothing is installed."), QString());
        return;
    }
    progressBar_->hide();

    disconnect(table_, &QTableWidget::itemChanged, this,
               &DownloadChoiceSelectionPage::downloadChoicesTableSelectionChanged);
    table_->clear();
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setColumnCount(4);
    table_->setAlternatingRowColors(true);
    table_->setHorizontalHeaderLabels({tr("Select"), tr("Update to Download"), tr("Size"), tr("More Info")});
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(kSelectColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(kNameColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(kSizeColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(kMoreInfoColumn, QHeaderView::ResizeToContents);

    setTitle(choices_.isEmpty() ? tr("No Updates available") : tr("Available Updates"));
    statusLabel_->setText(tr("Please select the updates to download and install."));

    listed_ = false;
    table_->setRowCount(choices_.size());
    fillRows(++listing_, 0);
}

void DownloadChoiceSelectionPage::fillRows(int listing, int from)
{
    // A later listing, or a cancel, ends this one.
    if (listing != listing_ || cancelled_)
        return;
    const int end = qMin(from + kRowsPerTurn, choices_.size());
    for (int row = from; row < end; ++row) {
        const DownloadChoice* choice = choices_.at(row);
        auto* select = new QTableWidgetItem();
        select->setCheckState(Qt::Unchecked);
        auto* name = new QTableWidgetItem(choice->name);
        auto* size = new QTableWidgetItem(choice->totalFilesizeText());
        for (QTableWidgetItem* item : {select, name, size})
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        table_->setItem(row, kSelectColumn, select);
        table_->setItem(row, kNameColumn, name);
        table_->setItem(row, kSizeColumn, size);
        table_->setCellWidget(row, kMoreInfoColumn, moreInfoCell(choice));
        table_->setRowHeight(row, 60);
    }
    // Thousands of rows with a label each took many seconds: a part per turn
    // of the event loop, so that the window goes on painting and answering.
    if (end < choices_.size()) {
        QTimer::singleShot(0, this, [this, listing, end] { fillRows(listing, end); });
        return;
    }

    // Only a whole list is handed out: until then the button stays disabled.
    listed_ = true;
    if (restrictedUpdatesButton_) {
        logger_->debug(QStringLiteral("enable beta auth button"), QString());
        restrictedUpdatesButton_->setEnabled(true);
    }
    if (wizard())
        wizard()->button(QWizard::CustomButton1)->setEnabled(true);
    connect(table_, &QTableWidget::itemChanged, this,
            &DownloadChoiceSelectionPage::downloadChoicesTableSelectionChanged);

    if (choices_.isEmpty() && !accessRestrictedUpdates_)
        installSelectedDownloads();

    progressBar_->setRange(0, 100);
    progressBar_->setValue(100);
    updateButtonText();
}

QWidget* DownloadChoiceSelectionPage::moreInfoCell(const DownloadChoice* choice)
{
    auto* label = new QLabel();
    if (choice->moreInfoLink.isEmpty())
        return label;
    const QString address = safeWebAddress(choice->moreInfoLink);
    if (address.isEmpty()) {
        logger_->error(QStringLiteral("More-info link is not a web address; it is not shown."), choice->moreInfoLink);
        return label;
    }
    label->setText(QStringLiteral("<html><a href='%1'>%2</a></html>")
                       .arg(address, tr("Show Details in Web Browser").toHtmlEscaped()));
    // Encoded, so the tip cannot be taken for rich text.
    label->setToolTip(QString::fromLatin1(QUrl(choice->moreInfoLink.trimmed()).toEncoded(QUrl::RemovePassword)));
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    label->setOpenExternalLinks(true);
    label->setMargin(3);
    label->setWordWrap(true);
    return label;
}

void DownloadChoiceSelectionPage::downloadChoicesTableSelectionChanged(QTableWidgetItem* item)
{
    Q_UNUSED(item)
    updateButtonText();
}

void DownloadChoiceSelectionPage::updateButtonText()
{
    QWizard* wizard = this->wizard();
    if (!wizard)
        return;
    bool anyChecked = false;
    for (int row = 0; row < table_->rowCount() && !anyChecked; ++row) {
        const QTableWidgetItem* select = table_->item(row, kSelectColumn);
        anyChecked = select && select->checkState() == Qt::Checked;
    }
    wizard->setButtonText(QWizard::CustomButton1,
                          anyChecked ? tr("Download and install") : tr("Install without updating"));
}

void DownloadChoiceSelectionPage::downloadSelectedButtonSlot()
{
    // The list belongs to a running task, or is not all in the table yet;
    // the button is disabled meanwhile, so this is a click that was already
    // queued.
    if (watcher_.isRunning() || !listed_ || installing_)
        return;
    QList<DownloadChoice*> checked;
    downloadTotal_ = 0;
    for (int row = 0; row < table_->rowCount() && row < choices_.size(); ++row) {
        const QTableWidgetItem* select = table_->item(row, kSelectColumn);
        if (select && select->checkState() == Qt::Checked) {
            checked.append(choices_.at(row));
            downloadTotal_ += choices_.at(row)->totalFilesize;
        }
    }
    if (checked.isEmpty()) {
        installSelectedDownloads();
        return;
    }
    if (wizard())
        wizard()->button(QWizard::CustomButton1)->setEnabled(false);
    table_->setEnabled(false);
    secondLabel_->setText(QString());
    statusLabel_->setText(QString());
    setTitle(QString());
    downloadChoicesService_->startDownloads(checked);
}

void DownloadChoiceSelectionPage::initProgressBarBeforeMultiDownloadStarts(int total)
{
    logger_->debug(QStringLiteral("initProgressBarBeforeMultiDownloadStarts"), QString());
    if (restrictedUpdatesButton_) {
        logger_->debug(QStringLiteral("disable beta auth button"), QString());
        restrictedUpdatesButton_->setEnabled(false);
    }
    progressBar_->setValue(0);
    progressBar_->show();
    showDownloadedBytes(downloadTotal_, 0);
    logger_->debug(QStringLiteral("signal :initProgressBarBeforeMultiDownloadStarts"), QString::number(total));
    logger_->debug(QStringLiteral("progressbar maximum") + QString::number(progressBar_->maximum()),
                   QString::number(downloadTotal_));
}

void DownloadChoiceSelectionPage::showDownloadedBytes(quint64 total, quint64 done)
{
    // The bar counts in ints: bytes while the total fits, else bytes shifted
    // down as far as needed, so that totals of 2 GiB and more show too.
    int shift = 0;
    while ((total >> shift) > static_cast<quint64>(INT_MAX))
        ++shift;
    progressBar_->setMaximum(static_cast<int>(total >> shift));
    progressBar_->setValue(static_cast<int>(qMin(done, total) >> shift));
}

void DownloadChoiceSelectionPage::downloadStartedSlot(QString name)
{
    logger_->info(QStringLiteral("downloadStartedSlot"), QStringLiteral("downloadText: '%1'").arg(name));
    if (wizard())
        wizard()->button(QWizard::CustomButton1)->setEnabled(false);
}

void DownloadChoiceSelectionPage::downloadProgressSlot(quint64 total, quint64 done, int index, int count)
{
    const int percent = total == 0 ? 0 : static_cast<int>(static_cast<float>(qMin(done, total)) / static_cast<float>(total) * 100.0f);
    if (percent != lastLoggedPercent) {
        logger_->info(QStringLiteral("Downloading package %1/%2: %3 of %4 bytes received (%5%)")
                          .arg(index)
                          .arg(count)
                          .arg(done)
                          .arg(total)
                          .arg(QLocale::system().toString(static_cast<double>(percent), 'f', 0)),
                      QString());
        lastLoggedPercent = percent;
    }
    setTitle(tr("Downloading Updates"));
    statusLabel_->setText(tr("%1 of %2 MB done").arg(done / 1048576u).arg(total / 1048576u));
    showDownloadedBytes(total, done);
}

void DownloadChoiceSelectionPage::downloadFinishedSlot()
{
    logger_->info(QStringLiteral("downloadFinishedSlot"), QString());
    installSelectedDownloads();
}

void DownloadChoiceSelectionPage::installSelectedDownloads()
{
    // Once: the launcher's answer ends the application. Never after a
    // cancel, also not when a download finishes afterwards.
    if (installing_ || cancelled_)
        return;
    installing_ = true;
    if (wizard())
        wizard()->button(QWizard::CustomButton1)->setEnabled(false);
    const QList<DownloadChoice*> finished = downloadChoicesService_->finishedDownloadChoices();
    for (DownloadChoice* choice : finished)
        artifactsFile_->addDownloadChoice(choice);
    artifactsFile_->setSelectedPlatform(platform_);
    artifactsFile_->setOriginalInstallerPath(componentScanner_->installerDirPath());
    artifactsFile_->setArtifactsFilePath(componentScanner_->artifactsFilePath());
    if (!artifactsFile_->write()) {
        // The installer would install without this run's downloads (or with
        // an earlier run's): it is not started, and the user is told why.
        logger_->error(QStringLiteral("Downloads not handed over to the installer."), artifactsFile_->failure());
        stopWithError(QStringLiteral("informationFileFailedMessage"),
                      QCoreApplication::translate("PrivateFiles", "%1 cannot be written: %2")
                          .arg(artifactsFile_->artifactsFilePath(), artifactsFile_->failure()));
        return;
    }
    installerLauncher_->launchInstaller(artifactsFile_->artifactsFilePath());
}

void DownloadChoiceSelectionPage::downloadErrorSlot(QString name)
{
    if (cancelled_) {
        logger_->info(QStringLiteral("Download ended after the run was cancelled."), name);
        return;
    }
    // Logged before the box waits for the user; the box names the cause.
    logger_->error(QStringLiteral("Download failed. (exit)"),
                   QStringLiteral("downloadErrorSlot: Download Job '") + name + QStringLiteral("' failed."));
    // Which of the two the user can tell apart: the server has no such file,
    // or what came does not match what the server promised.
    const DownloadFailure failure = downloadChoicesService_->lastFailure();
    QString cause;
    if (failure.failed && failure.error == ChecksumError) {
        cause = tr("%1 could not be downloaded: the downloaded file does not match its checksum.").arg(name);
    } else if (failure.failed && failure.httpStatus >= 400) {
        const QString answer = (QString::number(failure.httpStatus) + QLatin1Char(' ') + failure.httpReason.left(80))
                                   .trimmed();
        cause = tr("%1 could not be downloaded: the server answered %2.").arg(name, answer);
    } else {
        cause = tr("%1 could not be downloaded.").arg(name);
    }
    stopWithError(QStringLiteral("downloadFailedMessage"), cause);
}

void DownloadChoiceSelectionPage::stopWithError(const QString& boxName, const QString& cause)
{
    QMessageBox box(QMessageBox::Critical, QString(),
                    tr("An error has occurred.\n\nThe Pathwarden will stop.")
                        + QCoreApplication::translate("SelfUpdatePage", "\n\nCause: %1").arg(cause)
                        + tr("\n\nPlease try again later, or contact Holmgrave Support in case the problem persists."));
    // Names, paths and the server's words are shown as they are.
    box.setTextFormat(Qt::PlainText);
    box.setObjectName(boxName);
    box.exec();
    QCoreApplication::exit(-1);
}

void DownloadChoiceSelectionPage::betaAuthButtonClickedSlot()
{
    logger_->debug(QStringLiteral("betaAuthButtonClickedSlot()"), QString());
    logger_->debug(QStringLiteral("disable beta auth button"), QString());
    restrictedUpdatesButton_->setEnabled(false);
    bool accepted = false;
    const QString code = QInputDialog::getText(this, tr("Access to Restricted Updates"),
                                               tr("Please enter your code to access restricted updates:"),
                                               QLineEdit::Normal, QString(), &accepted);
    if (!accepted || code.isEmpty()) {
        logger_->debug(QStringLiteral("enable beta auth button"), QString());
        restrictedUpdatesButton_->setEnabled(true);
        return;
    }
    // The code is a credential: its length goes to the log, not the code.
    logger_->debug(QStringLiteral("restrictedAccessKey ") + QStringLiteral("(%1 characters)").arg(code.size()),
                   QString());
    // Until the query has finished the list belongs to it: nothing may read
    // it or hand it to the download service.
    if (wizard())
        wizard()->button(QWizard::CustomButton1)->setEnabled(false);
    watcher_.setFuture(
        QtConcurrent::run(this, &DownloadChoiceSelectionPage::readAndMergeRestrictedDownloadChoices, code));
}
