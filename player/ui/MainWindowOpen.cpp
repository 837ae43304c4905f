// Opening a disc image: the open dialog, drag and drop, and the load that
// replaces the model and rewires everything that depends on it.

#include "player/ui/MainWindow.h"

#include "player/engine/ddp/DDPModel.h"
#include "player/engine/ddp/EngineConstants.h"
#include "player/engine/ddp/FolderFiles.h"
#include "player/ui/AttributesMenu.h"
#include "player/ui/CellDelegate.h"
#include "player/ui/ClickableLabel.h"
#include "player/ui/Constants.h"
#include "player/ui/DamageReport.h"
#include "player/ui/ErrorDialog.h"
#include "player/ui/InfoBoxWidget.h"
#include "player/ui/MainWindowWidgets.h"
#include "player/ui/MenuBar.h"
#include "player/ui/PlayerSettings.h"
#include "player/ui/SeekSlider.h"
#include "player/ui/TransportButton.h"
#include "player/ui/TransportController.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QSettings>
#include <QSlider>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QWidgetAction>

#include <utility>

using namespace MainWindowWidgets;

namespace {

const QString imageFileName = QStringLiteral("IMAGE.DAT");

bool isImageFileName(const QString& name)
{
    return name.compare(imageFileName, Qt::CaseInsensitive) == 0;
}

// The folder holds "IMAGE.DAT", in any case, as a regular file: a FIFO or a
// device in its place is a damaged folder, reported as one without audio.
bool holdsImage(const QString& folder)
{
    return QFileInfo(DDP::folderFilePath(folder, DDP::imageFileName)).isFile();
}

} // namespace

QString localFileFromMimeData(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls())
        return QString();
    const QList<QUrl> urls = mime->urls();
    return urls.isEmpty() ? QString() : urls.first().toLocalFile();
}

namespace MainWindow {

bool MainWindow::isLoadablePath(const QString& path)
{
    // QDir("") is the working folder: an empty path (a drag without file
    // URLs, a cancelled dialog) must not stand for it.
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (isImageFileName(info.fileName()) && !info.isDir())
        return info.isFile();
    return holdsImage(path);
}

QString MainWindow::askImageFolder(const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(this, tr("Open Image"), startFolder, QFileDialog::ShowDirsOnly);
}

void MainWindow::showMissingImageError()
{
    ErrorDialog dialog(MissingImageDat, this);
    dialog.exec();
}

void MainWindow::showDamageReport(const QStringList& lines)
{
    // One box at a time: a new image's report replaces the last one.
    if (damageDialog)
        damageDialog->close();
    auto* dialog = new ErrorDialog(DamagedImage, this);
    dialog->setDetails(lines);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    damageDialog = dialog;
    // Not modal: the report comes once the reader has opened the audio, maybe
    // while the user is already at the transport, and a modal box would
    // swallow the next click on the window.
    dialog->setWindowModality(Qt::NonModal);
    dialog->show();
}

void MainWindow::onActionOpenTriggered()
{
    audioPlayer.pause();
    std::unique_ptr<QSettings> settings = openPlayerSettings();
    const QString chosen = askImageFolder(settings->value(defaultLoadDirKey).toString());
    // A cancelled dialog: nothing is loaded, reported or remembered.
    if (chosen.isEmpty())
        return;
    if (holdsImage(chosen)) {
        folder = chosen;
        loadFile(QDir(chosen));
    } else {
        showMissingImageError();
    }
    storeParentDirectory(chosen, *settings, defaultLoadDirKey);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (isLoadablePath(localFileFromMimeData(event->mimeData())))
        event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QString path = localFileFromMimeData(event->mimeData());
    if (!isLoadablePath(path)) {
        event->ignore();
        return;
    }
    const QFileInfo info(path);
    folder = isImageFileName(info.fileName()) && !info.isDir() ? info.absolutePath() : path;
    loadFile(QDir(folder));
    event->acceptProposedAction();
}

void MainWindow::loadFile(const QDir& imageDir)
{
    if (std::shared_ptr<IDescListProvider> previous = audioPlayer.getDescListProvider()) {
        audioPlayer.getStreaming().stop();
        previous->setRunning(false);
    }

    model = std::make_shared<DDPModel>();
    transport->setTrackNumberModel(model.get());

    QTableView* view = tableView(ui);
    TableViewWidget* panel = tablePanel(ui);
    if (view) {
        // The previous painter holds the previous model; it goes now that the
        // view paints with the new one.
        CellDelegate* previousDelegate = cellDelegate;
        cellDelegate = new CellDelegate(view, model);
        view->setItemDelegate(cellDelegate);
        if (previousDelegate)
            previousDelegate->deleteLater();
    }

    const QString path = imageDir.absolutePath();
    std::vector<DDP::Damage> damage;
    if (panel) {
        damage = tableModel.setupModel(path, model, panel->proxyModel());
        panel->proxyModel().sort(1, Qt::AscendingOrder);
        panel->model = model;
        panel->showHeader();
        panel->restoreState();
        panel->setupHeaderProperties();
        panel->setupColumnSpecificExtras();
    }
    syncColumnEntries();

    audioPlayer.setDescListProvider(model);
    audioPlayer.setRangesFromPqDesc(model->getDescList());
    audioPlayer.setAudioFileName(path, [this](std::uint32_t move) { onAudioFileEnded(move); });

    if (InfoBoxWidget* info = infoBox(ui))
        info->setupLabel(model);

    if (!timer)
        timer = new QTimer(this);
    timer->start(16);

    rewireImageConnections();

    if (menuBar) {
        if (QAction* exportAll = menuBar->getActionAt(3))
            exportAll->setEnabled(true);
    }

    // The labels follow the slider's value changes; a slider that is already
    // where the new image starts would leave them showing the previous image.
    updateTimeLabels();

    // The report waits for the reader's open of "IMAGE.DAT": this thread
    // never opens it (a slow share would hold the window up).
    audioEnd = -1;
    descriptorDamage = std::move(damage);
    imageCheckPending = true;
    checkOpenedImage();
}

void MainWindow::checkOpenedImage()
{
    if (!imageCheckPending || !model)
        return;
    DDP::ImageFile image;
    if (!audioPlayer.getStreaming().preloader().openedImage(image.size, image.error))
        return;
    imageCheckPending = false;
    std::vector<DDP::Damage> damage = std::move(descriptorDamage);
    descriptorDamage.clear();
    DDP::checkAudio(model->getDescList(), image, damage);
    audioEnd = DamageReport::audioEnd(damage);
    if (damage.empty())
        return;
    const QStringList lines = DamageReport::lines(damage);
    const QString path = audioPlayer.getStreaming().preloader().folder();
    for (const QString& line : lines)
        qWarning("Damaged DDP image \"%s\": %s", qUtf8Printable(path), qUtf8Printable(line));
    showDamageReport(lines);
}

void MainWindow::syncColumnEntries()
{
    QTableView* view = tableView(ui);
    if (!view || !view->model() || view->model()->columnCount() < 3)
        return;
    const QList<QAction*> actions = attributesMenu->actions();
    for (int c = 2; c < view->model()->columnCount(); ++c) {
        if (c - 2 >= actions.size())
            break;
        auto* action = qobject_cast<QWidgetAction*>(actions.at(c - 2));
        auto* box = action ? qobject_cast<QCheckBox*>(action->defaultWidget()) : nullptr;
        if (box)
            box->setChecked(!view->isColumnHidden(c));
    }
}

namespace {

// Every load first drops, then makes, each image-dependent connection, so
// that after any number of loads each exists exactly once.
template <typename Sender, typename Signal, typename Receiver, typename Slot>
void rewire(bool connecting, Sender* sender, Signal signal, Receiver* receiver, Slot slot)
{
    if (!sender)
        return;
    if (connecting)
        QObject::connect(sender, signal, receiver, slot);
    else
        QObject::disconnect(sender, signal, receiver, slot);
}

} // namespace

void MainWindow::rewireImageConnections()
{
    transport->resetConnections();

    Ui::TimeWidget* t = time(ui);
    Ui::VolumeSliderWidget* v = volume(ui);
    QTableView* view = tableView(ui);
    TableViewWidget* panel = tablePanel(ui);

    const auto all = [&](bool connecting) {
        rewire(connecting, transport, &TransportController::update, this, &MainWindow::onUpdate);
        rewire(connecting, transport, &TransportController::reset, this, &MainWindow::onReset);
        if (t) {
            rewire(connecting, t->seekslider, &QSlider::sliderReleased, this, &MainWindow::onSeekSliderReleased);
            rewire(connecting, t->seekslider, &QSlider::valueChanged, this, &MainWindow::onSeekSliderPosChanged);
        }
        if (v) {
            rewire(connecting, v->volumeSlider, &QSlider::valueChanged, this, &MainWindow::onVolumeSliderValueChanged);
            rewire(connecting, v->volumeSlider, &QSlider::sliderReleased, this, &MainWindow::onVolumeSliderReleased);
        }
        rewire(connecting, view, &QAbstractItemView::doubleClicked, this, &MainWindow::onCellDoubleClicked);
        rewire(connecting, timer, &QTimer::timeout, this, &MainWindow::onTimeout);
        rewire(connecting, panel, &TableViewWidget::infoButtonClicked, this, &MainWindow::onInfoButtonClicked);
        rewire(connecting, panel, &TableViewWidget::exportAsWavButtonClicked, this,
               &MainWindow::onExportAsWavButtonClicked);
        rewire(connecting, menuBar, &MenuBar::wavExportAllTriggered, this, &MainWindow::onWavExportAllTriggered);
        if (t) {
            rewire(connecting, t->cdTimeLabel, &ClickableLabel::clicked, this, &MainWindow::onCdTimeLabelClicked);
            rewire(connecting, t->cdTimeCaptionLabel, &ClickableLabel::clicked, this,
                   &MainWindow::onCdTimeLabelClicked);
            rewire(connecting, t->timeLabel, &ClickableLabel::clicked, this, &MainWindow::onTrackTimeLabelClicked);
            rewire(connecting, t->timeCaptionLabel, &ClickableLabel::clicked, this,
                   &MainWindow::onTrackTimeLabelClicked);
        }
    };

    all(false);
    if (v)
        v->volumeSlider->setEnabled(true);
    if (t)
        t->seekslider->setEnabled(true);
    if (Ui::TransportWidget* buttons = MainWindowWidgets::transport(ui))
        buttons->playButton->setCheckable(true);
    transport->setupConnections();
    all(true);
}

void MainWindow::onAudioFileEnded(std::uint32_t move)
{
    if (!audioPlayer.onEndOfAudioFile(move))
        return;
    // Widgets and the track number belong to the GUI thread. A window that is
    // gone by then drops the call.
    QMetaObject::invokeMethod(
        this,
        [this]() {
            if (model)
                model->setTrackNumber(0);
            updateDisplay();
        },
        Qt::QueuedConnection);
}

} // namespace MainWindow
