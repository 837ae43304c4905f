#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// A private user environment under one temporary folder: HOME, the XDG config,
// data and cache folders and TMPDIR, so that settings, logs, the local store and
// working folders of a test never touch the real user's.
class TestEnvironment {
public:
    TestEnvironment();

    bool isValid() const;
    QString root() const;
    QString home() const;
    QString configHome() const;
    QString dataHome() const;
    QString cacheHome() const;
    QString tempDir() const;

    // Where the updater's settings file lies in this environment.
    QString settingsFile() const;
    // Where the updater's log files lie in this environment.
    QString logFolder() const;

    // Points the configuration, data and cache folders at their places in
    // the home (.config, .local/share, .cache), where nothing exists yet:
    // a fresh home. The settings file moves with them and is not there.
    void useFoldersInTheHome();

    // An extra variable for child processes (e.g. LC_ALL).
    void setVariable(const QString& name, const QString& value);

    // The current process environment with the private folders in place and
    // English texts (set LC_ALL and LANGUAGE with setVariable for another).
    QProcessEnvironment processEnvironment() const;
    // Points this process at the private folders (settings paths included).
    void applyToCurrentProcess() const;

    // Writes key=value pairs into the updater's settings file.
    void writeSettings(const QList<QPair<QString, QString>>& values) const;

    // Gives the file or folder (not what a link leads to) to the user
    // "nobody", as another local user would have it. Only root can: false
    // for other users, who then skip what needs it.
    static bool giveToAnotherUser(const QString& path);
    // Gives the file or folder to the group "nogroup", one the user shares
    // with others. Only root can: false for other users.
    static bool giveToSharedGroup(const QString& path);

    // The user id of "nobody", another local user (when the tests run as
    // nobody, the id below it).
    static unsigned int anotherUserId();
    // One entry of a POSIX ACL for a named user or group.
    struct AclEntry {
        bool group;
        unsigned int id;
        unsigned int permissions; // 4 read, 2 write, 1 execute
    };
    // Sets the access ACL of path (or its default ACL, for a folder) through
    // the kernel's attribute: the owner, owning group and others as the
    // mode has them (for a default ACL: the owner rwx, nothing for the
    // rest), the entries, and a mask that lets the entries have what they
    // name (none for a default ACL). Any user can for their own files;
    // false where the file system keeps no ACLs.
    static bool setAcl(const QString& path, const QList<AclEntry>& entries, bool defaultAcl = false);

    // Mounts a new tmpfs with the mount options given (e.g. "ro", or
    // "size=64k") over the folder, seen only by this process and its
    // children: the first call moves the calling thread into a mount
    // namespace of its own. Only root can: false for other users.
    static bool mountPrivateFileSystem(const QString& folder, const char* options);
    static bool remountReadOnly(const QString& folder);
    static void unmountPrivateFileSystem(const QString& folder);

private:
    QTemporaryDir dir_;
    QList<QPair<QString, QString>> variables_;
    bool foldersInTheHome_ = false;
};
