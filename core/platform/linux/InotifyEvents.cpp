#include "core/platform/linux/InotifyEvents.h"

#include <sys/inotify.h>

#include <map>

namespace Holmgrave::FS::Detail {

std::uint32_t inotifyWatchMask()
{
    return IN_CREATE | IN_DELETE | IN_DELETE_SELF | IN_MODIFY | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO
        | IN_MOVE_SELF;
}

std::vector<RawChange> translateInotifyBatch(const std::vector<InotifyRecord>& records,
                                             const std::vector<std::string>& roots)
{
    std::vector<RawChange> out;
    std::vector<bool> consumed(records.size(), false);
    // Last change emitted per path, to drop repeated modifications.
    std::map<std::string, RawChangeKind> last;

    auto emit = [&](RawChangeKind kind, const std::string& path, const std::string& oldPath) {
        const auto it = last.find(path);
        if (it != last.end()) {
            if (kind == RawChangeKind::modified
                && (it->second == RawChangeKind::modified || it->second == RawChangeKind::created))
                return;
            if (kind == RawChangeKind::created && it->second == RawChangeKind::created)
                return;  // a new folder's scan may repeat what the kernel reported
        }
        out.push_back(RawChange{kind, path, oldPath});
        last[path] = kind;
        if (!oldPath.empty())
            last.erase(oldPath);
    };

    for (std::size_t i = 0; i < records.size(); ++i) {
        if (consumed[i])
            continue;
        const InotifyRecord& r = records[i];
        const std::uint32_t m = r.mask;
        if (m & IN_Q_OVERFLOW) {
            for (const std::string& root : roots)
                emit(RawChangeKind::unspecified, root, std::string());
            continue;
        }
        if (m & IN_IGNORED)
            continue;
        if (m & IN_UNMOUNT) {
            emit(RawChangeKind::unspecified, r.path, std::string());
            continue;
        }
        if (m & IN_MOVED_FROM) {
            std::size_t partner = records.size();
            if (r.cookie != 0) {
                for (std::size_t j = i + 1; j < records.size(); ++j) {
                    if (!consumed[j] && (records[j].mask & IN_MOVED_TO) && records[j].cookie == r.cookie) {
                        partner = j;
                        break;
                    }
                }
            }
            if (partner < records.size()) {
                consumed[partner] = true;
                emit(RawChangeKind::renamed, records[partner].path, r.path);
            } else {
                emit(RawChangeKind::removed, r.path, std::string());
            }
            continue;
        }
        if (m & IN_MOVED_TO) {
            emit(RawChangeKind::created, r.path, std::string());
            continue;
        }
        if (m & (IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF)) {
            emit(RawChangeKind::removed, r.path, std::string());
            continue;
        }
        if (m & IN_CREATE) {
            emit(RawChangeKind::created, r.path, std::string());
            continue;
        }
        if (m & (IN_MODIFY | IN_ATTRIB)) {
            emit(RawChangeKind::modified, r.path, std::string());
            continue;
        }
        emit(RawChangeKind::unspecified, r.path, std::string());
    }
    return out;
}

}  // namespace Holmgrave::FS::Detail
