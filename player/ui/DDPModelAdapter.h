#pragma once

// The rows of the track table: one per listed PQ descriptor plus a closing
// total row, in the thirteen columns of columnNames. Owned by the main window
// and refilled on every load; keeps no reference to the disc model afterwards.
// Also the time routines the main window's time display shares with the table.
// GUI thread only.

#include "player/engine/ddp/ImageCheck.h"
#include "player/engine/ddp/PQDESCR.h"

#include <QStandardItemModel>
#include <QString>

#include <memory>
#include <vector>

class DDPModel;
class QSortFilterProxyModel;

class DDPModelAdapter : public QStandardItemModel
{
    Q_OBJECT

public:
    explicit DDPModelAdapter(QObject* parent = nullptr);

    // The whole load: clears the rows, parses the folder into model, builds
    // the rows and makes this the proxy's source model. Returns what the
    // parser found damaged in the descriptor files.
    std::vector<DDP::Damage> setupModel(const QString& folder, std::shared_ptr<DDPModel> model,
                                        QSortFilterProxyModel& proxy);
    void setupHeaderItems();
    // Builds the rows from model's descriptors and CD-TEXT; moves each track's
    // ISRC from its pause entry to its index-01 entry in the model's list and
    // fills the model's index list (one index number per descriptor row).
    void initStandardItemModel(std::shared_ptr<DDPModel> model);
};

// Minutes x 60 + seconds of a descriptor; fields that hold no number read as 0.
int pqTimeInSeconds(const DDP::PQDESCR& entry);
// Seconds from entry i to entry i + 1; both must exist.
int pqDurationInSeconds(const std::vector<DDP::PQDESCR>& list, int i);
// "mm:ss" with minutes counting past 59 (4000 -> "66:40"); wraps at 24 hours.
QString secondsToTimeString(int seconds);
// n in decimal, with a leading "0" when n is 9 or less.
QString twoDigitNumber(int n);
