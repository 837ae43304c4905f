#pragma once

// Fixed values shared by every source file of the player's user interface:
// the dark palette, the font family, fixed texts, the track-table column names
// and the dialog-folder settings keys.
//
// Built during static initialisation (before main and before any
// QApplication), so everything here is a plain QColor or a Latin-1 QString
// that needs no running application. Read from the GUI thread only.
//
// The disc-side constants (fileset file names, reader error ids, genre names)
// live with the disc readers and come in through their header.

#include "player/engine/ddp/EngineConstants.h"

#include <QColor>
#include <QString>

#include <string>
#include <vector>

// Palette. All opaque unless noted.
inline const QColor backgroundColor{38, 39, 40};
inline const QColor headerBackgroundColor{58, 61, 64};
inline const QColor headerTextColor{139, 139, 140};
inline const QColor accentGreenColor{17, 109, 24};
inline const QColor currentRowColor{43, 77, 47};
inline const QColor highlightColor{69, 79, 88};
inline const QColor controlGreyColor{100, 100, 100};
inline const QColor controlShadowColor{20, 21, 21};
inline const QColor controlLightColor{132, 134, 140};
inline const QColor controlDarkColor{36, 36, 38};
inline const QColor controlMidColor{66, 69, 72};
inline const QColor transparentColor{Qt::transparent};
inline const QColor panelColor{43, 45, 47};
inline const QColor rowBackgroundColor{33, 35, 37};
inline const QColor emptyRowColor{25, 27, 28};
inline const QColor buttonColor{57, 59, 62};
inline const QColor dimTextColor{104, 104, 104};
inline const QColor lightTextColor{180, 180, 180};
inline const QColor textColor{144, 144, 144};
inline const QColor midGreyColor{75, 76, 76};

// Row colours by a row's index value; values at or past the end use
// rowBackgroundColor with Qt::lightGray text.
inline const std::vector<QColor> rowBackgroundColors{QColor(Qt::transparent), QColor(43, 45, 47),
                                                     QColor(33, 35, 37)};
inline const std::vector<QColor> rowTextColors{QColor(Qt::darkGray), QColor(Qt::lightGray),
                                               QColor(Qt::lightGray)};

inline const QString fontFamily = QString::fromLatin1("Arial");

inline const QString exportAllToolTip = QString::fromLatin1(
    "<font>Export all tracks from the loaded DDP-Image to separated WAV-files. If CD-Text exists "
    "the track title is used as file name. Otherwise a generic file name is used.</font>");

// Rich text; the breaks and bold runs belong to the value.
inline const QString sampleRateErrorText = QString::fromLatin1(
    "Your default audio device runs with a sample rate that is not compatible with Glasswell. "
    "<br><br>Set the sample rate of your audio device to <b>16 bit, 44100 Hz (CD Quality)</b> and "
    "click <b>Rescan</b>. To change the sample rate of your audio device, open the Control Panel "
    "in Windows and select <b>Sound > Properties > Advanced > Default Format</b>. <br><br>To "
    "select another audio device in Glasswell, open the Glasswell menu and select it from the "
    "<b>Devices</b> menu.<br><br>");

// Settings keys of the two dialog folders. The window geometry ("mainWindowGeometry")
// and the table header ("header") keys are written where they are used.
inline const QString defaultLoadDirKey = QString::fromLatin1("default_load_dir");
inline const QString defaultExportDirKey = QString::fromLatin1("default_export_dir");

// Base style under CustomStyle.
inline const QString styleName = QString::fromLatin1("fusion");

// Track-table column names; the position is the column number.
inline const std::vector<std::string> columnNames{
    "Type",     "Track",   "Index",   "CD-Time", "Duration", "Title", "Performer",
    "Songwriter", "Composer", "Arranger", "Message", "ISRC",    "Usertext"};
