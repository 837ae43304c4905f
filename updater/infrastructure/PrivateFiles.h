#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

// Folders and files that hold what the updater keeps for its user (logs,
// settings, stored copies of itself) must stay the user's alone whatever the
// umask: others could read the logs, or change a setting or a stored program
// that the updater later trusts. What only the user could have written is
// trusted and made private; what another user could have written is not.

// Makes the folder (missing parents with the usual mode) and gives it mode
// 0700. A folder of the user is narrowed to 0700 whatever its mode was; once
// narrowed, nobody else can add, swap or remove what it holds. A link of the
// user is accepted when it leads to a folder of the user that neither group
// nor others can write (that folder is narrowed too). Anything else (a folder
// or link of another user, a link to a folder others can write, a file) is
// left alone. True when the folder is private to the user afterwards;
// otherwise problem (when given) says what is wrong with it.
bool makePrivateFolder(const QString& path, QString* problem = nullptr);

// Narrows an existing file of the user to mode 0600, by the rule of
// readUserFile. True when the file is the user's and private afterwards.
bool makePrivateFile(const QString& path);

// What reading a file the updater takes as the user's own (settings, the
// local store's file) found.
struct UserFileRead {
    enum State { Missing, Read, Refused };
    State state = Missing;
    QByteArray contents;
    // Read: what was mended (write bits of group or others taken away), else
    // empty. Refused: why the file was not read.
    QString note;
};

// Opens the file once, without waiting on a FIFO, and judges and reads what
// that one descriptor holds: a regular file of the user with no other name.
// A link is followed only in a folder that nobody else can write (so only
// the user made it), and only to a file of the user. A file of the user that
// group or others could write is read and narrowed to 0600. The file is
// never opened a second time by name.
UserFileRead readUserFile(const QString& path);

// The same for a machine-wide file: a regular file (not a link) of root or
// the user that neither group nor others can write. Never changed.
UserFileRead readMachineFile(const QString& path);

// The keys and values of an INI text as Qt's settings class reads a file of
// that content.
QVariantMap iniValues(const QByteArray& text);

// Whether path is a folder (not a link) of the user that neither group nor
// others can write.
bool isPrivateFolderOfUser(const QString& path);

// Where Qt keeps the user-scope INI file of organisation "Pathwarden" and the
// application name given, computed without opening it.
QString userSettingsFilePath(const QString& applicationName);
