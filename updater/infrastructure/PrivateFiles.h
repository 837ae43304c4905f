#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

// Folders and files that hold what the updater keeps for its user (logs,
// settings, stored copies of itself) are trusted by the rule of TrustedWay.h:
// only what no other user could have written or swapped on its way is read,
// written or started. What fails is neither read nor written; the cause
// names the file or folder at fault, in the user's language.

// Judges the way to the folder by the rule and makes what is missing of it
// below the nearest folder that passed, each mode 0700 (OwnFolder::Make). A folder of the user reached without a link loses
// the write bits of others; a link of the user counts when what it leads to
// passes. True when the folder is the user's and passes; otherwise problem
// (when given) says what is wrong. narrowed, when given, receives a line for
// the log when write bits were taken away.
bool makePrivateFolder(const QString& path, QString* problem = nullptr, QString* narrowed = nullptr);

// What reading a file the updater takes as the user's own (settings, the
// local store's file) found.
struct UserFileRead {
    enum State { Missing, Read, Refused };
    State state = Missing;
    QByteArray contents;
    // Refused: why the file was not read, naming the file or folder.
    QString note;
};

// Opens the file once by the rule, without waiting on a FIFO, and reads what
// that one descriptor holds: a regular file of the user with no other name.
// The file is never opened a second time by name, and never changed.
UserFileRead readUserFile(const QString& path);

// The same for a machine-wide file: a regular file of root or the user.
UserFileRead readMachineFile(const QString& path);

// Writes contents as the file at path below a descriptor of its folder,
// which must be the user's and pass the rule: a new temporary file (never
// through a link, never over an existing one), written, synced, then renamed
// over the name, which replaces whatever another user put there. With
// replace false an entry already at the name is kept (true, nothing
// written). False with problem set when the contents did not reach the disk.
// Temporaries of the name that an ended write left are removed first; only
// names with the mark of our own temporaries (kTemporaryMark) are, never a
// file of an editor or of the user beside it.
bool writeUserFile(const QString& path, const QByteArray& contents, QString* problem, bool replace = true);

// Between the name and the random part of our temporaries:
// ".<name>.pathwarden-temporary.<random>", a name no editor gives its files.
constexpr const char* kTemporaryMark = ".pathwarden-temporary.";

// A descriptor to append to the log file at path, below a descriptor of its
// checked folder: the user's own regular file with no other name when there
// is one, else a new file renamed over whatever has the name. -1 with
// problem set otherwise.
int openUserLogFile(const QString& path, QString* problem);

// What one attempt at the lock of a lock file found.
struct UserLock {
    enum State {
        // fd holds the lock; the caller closes it to let the lock go.
        Taken,
        // Another descriptor holds it.
        Busy,
        // The file system keeps no locks (ENOLCK, EOPNOTSUPP, ENOSYS or
        // EINVAL from flock): error tells which.
        Unsupported,
        // error: flock's other error; else problem names the file and why
        // it cannot be had.
        Failed,
    };
    State state = Failed;
    int fd = -1;
    int error = 0;
    QString problem;
    // The folder of the lock file, once it was reached by the rule.
    quint64 folderDevice = 0;
    quint64 folderInode = 0;
};

// One attempt, without waiting, at the exclusive lock (flock) of the lock
// file at path, below a descriptor of its checked folder of the user. The
// file is made, mode 0600, when missing. The user's own regular file is
// used as it is, with other names too: nothing reads or writes a lock file,
// and a name of it elsewhere lets nobody else open it. Whatever else has
// the name (another user's file, link or FIFO; the user's own link, FIFO or
// folder) is exchanged for a new file, and taken away: a folder only when
// empty, else it is kept under the new file's temporary name. A lock file
// that has the name is never moved or removed (replacements take turns
// under a lock on the folder, and judge the name again), and the lock
// counts only once the name still names the locked file: two runs never
// both hold it.
UserLock tryLockUserFile(const QString& path);

// The executable at path, resolved by the rule, when it is a regular file of
// the user that lies inside folder (resolved by the rule as well); empty
// with problem set otherwise. Every folder on its way passed, so nobody else
// can change what the returned path names.
QString trustedExecutable(const QString& path, const QString& folder, QString* problem);

// The keys and values of an INI text as Qt's settings class reads a file of
// that content.
QVariantMap iniValues(const QByteArray& text);
// The INI text of string values in the settings class's own format, read
// back by iniValues as the same values.
QByteArray iniText(const QVariantMap& values);

// The folder that holds path, split off without cleaning the path: which
// folder a ".." names is for the walk by the rule to find, after any link.
QString folderOfPath(const QString& path);

// A user folder of the XDG base directory rules: the variable's value when
// it is an absolute path (relative ones are ignored, as those rules say),
// else belowHome in the home folder; not cleaned, as ".." after a link is
// for the walk by the rule to resolve.
QString xdgUserFolder(const char* variable, const QString& belowHome);

// Where the user-scope INI file of organisation "Pathwarden" and the
// application name given lies, computed without opening it:
// <XDG config home>/Pathwarden/<name>.ini.
QString userSettingsFilePath(const QString& applicationName);
