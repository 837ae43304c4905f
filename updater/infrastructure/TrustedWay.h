#pragma once

#include <QByteArray>
#include <QString>

// The rule by which the updater trusts a file or folder it reads, keeps or
// starts, the way OpenSSH judges ~/.ssh: the item and every folder on its
// way belong to the user or root, and nobody else can write them. The way
// runs from the item up to the user's home folder, or up to / when the item
// lies outside the home. Group write counts as the user's own only for the
// user's private group (the primary group, named like the user, with no
// other member). An item with an access ACL is judged by the ACL alone, as
// its group bits are then the ACL's mask: an entry that lets anyone but the
// user or the private group write, after the mask, makes the item another's
// to change. Without one the mode bits tell. The ACL is read through the
// item's descriptor; folders on the way are held readable where the user may
// read them, so that /proc is needed only for the others. A sticky folder of
// root or the user (/tmp) may stand on the way: nobody else can rename or
// remove what the user keeps in it.
//
// A link is followed only when the user or root owns it, and what it leads
// to is judged by the same rule; one resolution follows at most 40 links,
// each occurrence counted, as the kernel does.
//
// Resolution walks descriptors: each name is opened below the descriptor of
// the folder before it without following a link, so what was judged is what
// is used, and nothing is resolved by name a second time.

// A descriptor closed when its owner goes.
class OwnedDescriptor {
public:
    explicit OwnedDescriptor(int fd = -1) noexcept
        : fd_(fd)
    {
    }
    ~OwnedDescriptor() { reset(); }
    OwnedDescriptor(OwnedDescriptor&& other) noexcept
        : fd_(other.release())
    {
    }
    OwnedDescriptor& operator=(OwnedDescriptor&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    OwnedDescriptor(const OwnedDescriptor&) = delete;
    OwnedDescriptor& operator=(const OwnedDescriptor&) = delete;

    int get() const { return fd_; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1);

private:
    int fd_;
};

struct TrustedItem {
    enum State { Found, Missing, Refused };
    State state = Refused;
    // Found and Missing: the folder that holds the item (an O_PATH
    // descriptor), whose way passed the rule. Missing in a folder that is
    // itself missing: none.
    OwnedDescriptor folder;
    // Found: the item, opened with the flags asked for.
    OwnedDescriptor item;
    // The item's name in that folder, and its whole path with every link
    // resolved.
    QByteArray name;
    QString path;
    // Refused: the cause, naming the file or folder at fault, in the user's
    // language. Missing: why the item is not there (for a folder that could
    // not be made).
    QString problem;
    // Whether a link was followed on the way.
    bool throughLink = false;
};

enum class OwnFolder {
    Judge,
    // The last item is a folder the updater keeps for itself. Missing
    // folders are made, mode 0700 whatever the umask, one by one below the
    // descriptor of the nearest folder that passed, and only when the way so
    // far passed: nothing is made before it is judged, nor inside a home,
    // configuration, data or cache folder of someone other than the
    // effective user. A folder of the user reached without a link that
    // others can write loses their write: their write bits, and with an ACL
    // its mask's write, which every named entry and the owning group's
    // entry are limited by.
    Make,
};

// Resolves path by the rule and opens its last item with openFlags
// (O_NOFOLLOW, O_CLOEXEC and O_NOCTTY are added). The path is taken as it
// is: ".." after a link leaves what the link led to, as for the kernel.
// narrowed, when given, receives a line for the log when a folder was
// narrowed.
TrustedItem reachTrusted(const QString& path, int openFlags, OwnFolder own = OwnFolder::Judge,
                         QString* narrowed = nullptr);

// Whether a POSIX access ACL as Linux keeps it in the attribute
// "system.posix_acl_access" (little-endian version 2, then entries of tag,
// permissions and id) lets another than user write: a named user but user,
// the owning group or a named group that is not privateGroup (none when
// hasPrivateGroup is false), each as far as the mask lets it, or the
// entry for everyone else. An attribute that is no such ACL counts as
// letting others write. A pure function, for any bytes.
bool aclLetsOthersWrite(const QByteArray& attribute, unsigned int user, unsigned int owningGroup,
                        bool hasPrivateGroup, unsigned int privateGroup);

// The user's private group: the primary group, named like the user, that
// no other user belongs to. False when the user has none.
bool userPrivateGroup(unsigned int* gid);
