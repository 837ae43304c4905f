// The process-wide resolver and file-system facade.

#include "core/IFilesystem.h"
#include "core/IHandler.h"
#include "core/IResolver.h"
#include "core/IStream.h"
#include "core/NativeFilesystemHandler.h"
#include "core/Provider.h"

#include <map>
#include <memory>

namespace Holmgrave {
namespace FS {

using Core::Error;
using Core::Path;
using Core::Result;
using Core::URI;
using Core::VoidResult;

namespace {

class Resolver : public IResolver
{
public:
    Result<FilesystemBase*> resolve(const URI& uri) override
    {
        const auto it = m_handlers.find(uri.scheme());
        if (it == m_handlers.end())
            return Error::library("no filesystem registered to handle URI");
        return it->second->filesystem(uri);
    }

    Result<FilesystemBase*> resolve(const Path& path) override { return resolve(URI(path)); }

    FilesystemBase* findFilesystem(const URI& uri) override
    {
        auto result = resolve(uri);
        return result.hasValue() ? result.value() : nullptr;
    }

    FilesystemBase* defaultFilesystem() override { return findFilesystem(URI()); }

    void registerHandler(const std::string& scheme, IHandler* handler) override { m_handlers[scheme] = handler; }

    void unregisterScheme(const std::string& scheme) override { m_handlers.erase(scheme); }

    void unregisterHandler(IHandler* handler) override
    {
        for (auto it = m_handlers.begin(); it != m_handlers.end();) {
            if (it->second == handler)
                it = m_handlers.erase(it);
            else
                ++it;
        }
    }

private:
    std::map<std::string, IHandler*> m_handlers; // not owned
};

// Resolves one URI and calls `op` with its file system, or hands the
// resolution failure on into R.
template<typename R, typename Op>
R withFilesystem(const URI& uri, Op op)
{
    auto resolved = getResolver()->resolve(uri);
    if (!resolved.hasValue())
        return R(resolved.error());
    return op(*resolved.value());
}

template<typename R, typename Op>
R withFilesystems(const URI& first, const URI& second, Op op)
{
    auto resolvedFirst = getResolver()->resolve(first);
    if (!resolvedFirst.hasValue())
        return R(resolvedFirst.error());
    auto resolvedSecond = getResolver()->resolve(second);
    if (!resolvedSecond.hasValue())
        return R(resolvedSecond.error());
    return op(*resolvedFirst.value());
}

URI withPath(const URI& uri, const Path& path)
{
    URI copy(uri);
    copy.setPath(path);
    return copy;
}

class Filesystem : public IFilesystem
{
public:
    Result<URI> absolute(const URI& uri) override
    {
        return withFilesystem<Result<URI>>(
            uri, [&](FilesystemBase& fs) { return Result<URI>(withPath(uri, fs.absolute(uri.path()))); });
    }

    Result<URI> canonical(const URI& uri) override
    {
        return withFilesystem<Result<URI>>(uri, [&](FilesystemBase& fs) {
            auto path = fs.canonical(uri.path());
            if (!path.hasValue())
                return Result<URI>(path.error());
            return Result<URI>(withPath(uri, path.value()));
        });
    }

    Result<FileType> fileType(const URI& uri, bool followLinks) override
    {
        return withFilesystem<Result<FileType>>(
            uri, [&](FilesystemBase& fs) { return fs.fileType(uri.path(), followLinks); });
    }

    Result<std::uint64_t> fileSize(const URI& uri) override
    {
        return withFilesystem<Result<std::uint64_t>>(uri,
                                                     [&](FilesystemBase& fs) { return fs.fileSize(uri.path()); });
    }

    Result<TimePoint> lastModified(const URI& uri) override
    {
        return withFilesystem<Result<TimePoint>>(uri,
                                                 [&](FilesystemBase& fs) { return fs.lastModified(uri.path()); });
    }

    Result<bool> exists(const URI& uri) override
    {
        return withFilesystem<Result<bool>>(uri, [&](FilesystemBase& fs) { return fs.exists(uri.path()); });
    }

    Result<bool> isRegularFile(const URI& uri) override
    {
        return withFilesystem<Result<bool>>(uri, [&](FilesystemBase& fs) { return fs.isRegularFile(uri.path()); });
    }

    Result<bool> isDirectory(const URI& uri) override
    {
        return withFilesystem<Result<bool>>(uri, [&](FilesystemBase& fs) { return fs.isDirectory(uri.path()); });
    }

    Result<bool> isSymlink(const URI& uri) override
    {
        return withFilesystem<Result<bool>>(uri, [&](FilesystemBase& fs) { return fs.isSymlink(uri.path()); });
    }

    Result<bool> isOther(const URI& uri) override
    {
        return withFilesystem<Result<bool>>(uri, [&](FilesystemBase& fs) { return fs.isOther(uri.path()); });
    }

    Result<bool> isEmpty(const URI& uri) override
    {
        return withFilesystem<Result<bool>>(uri, [&](FilesystemBase& fs) { return fs.isEmpty(uri.path()); });
    }

    Result<Path> readSymlink(const URI& uri) override
    {
        return withFilesystem<Result<Path>>(uri, [&](FilesystemBase& fs) { return fs.readSymlink(uri.path()); });
    }

    VoidResult iterate(const URI& uri, IterationOption option, const IterationCallback& callback) override
    {
        return withFilesystem<VoidResult>(
            uri, [&](FilesystemBase& fs) { return fs.iterate(uri.path(), option, callback); });
    }

    Result<std::vector<DirectoryEntry>> glob(const URI& uri, const Core::String& pattern,
                                             IterationOption option) override
    {
        return withFilesystem<Result<std::vector<DirectoryEntry>>>(
            uri, [&](FilesystemBase& fs) { return fs.glob(uri.path(), pattern, option); });
    }

    Result<std::vector<DirectoryEntry>> globRegEx(const URI& uri, const Core::String& expression,
                                                  IterationOption option) override
    {
        return withFilesystem<Result<std::vector<DirectoryEntry>>>(
            uri, [&](FilesystemBase& fs) { return fs.globRegEx(uri.path(), expression, option); });
    }

    Result<VolumeInfo> volumeInfo(const URI& uri) override
    {
        return withFilesystem<Result<VolumeInfo>>(uri,
                                                  [&](FilesystemBase& fs) { return fs.volumeInfo(uri.path()); });
    }

    VoidResult setCurrentDirectory(const URI& uri) override
    {
        return withFilesystem<VoidResult>(uri,
                                          [&](FilesystemBase& fs) { return fs.setCurrentDirectory(uri.path()); });
    }

    VoidResult createFile(const URI& uri) override
    {
        return withFilesystem<VoidResult>(uri, [&](FilesystemBase& fs) { return fs.createFile(uri.path()); });
    }

    Result<std::shared_ptr<IStream>> open(const URI& uri, std::uint32_t mode, bool buffered) override
    {
        return withFilesystem<Result<std::shared_ptr<IStream>>>(
            uri, [&](FilesystemBase& fs) { return fs.open(uri.path(), mode, buffered); });
    }

    VoidResult createDirectory(const URI& uri) override
    {
        return withFilesystem<VoidResult>(uri, [&](FilesystemBase& fs) { return fs.createDirectory(uri.path()); });
    }

    VoidResult createDirectories(const URI& uri) override
    {
        return withFilesystem<VoidResult>(uri,
                                          [&](FilesystemBase& fs) { return fs.createDirectories(uri.path()); });
    }

    VoidResult createHardLink(const URI& existing, const URI& newUri) override
    {
        return withFilesystems<VoidResult>(existing, newUri, [&](FilesystemBase& fs) {
            return fs.createHardLink(existing.path(), newUri.path());
        });
    }

    Result<URI> createSymlink(const URI& target, const URI& link) override
    {
        return withFilesystems<Result<URI>>(target, link, [&](FilesystemBase& fs) {
            auto created = fs.createSymlink(target.path(), link.path());
            if (!created.hasValue())
                return Result<URI>(created.error());
            return Result<URI>(fs.makeURI(created.value()));
        });
    }

    VoidResult copy(const URI& from, const URI& to) override
    {
        return withFilesystems<VoidResult>(from, to,
                                           [&](FilesystemBase& fs) { return fs.copy(from.path(), to.path()); });
    }

    VoidResult copyRecursive(const URI& from, const URI& to) override
    {
        return withFilesystems<VoidResult>(
            from, to, [&](FilesystemBase& fs) { return fs.copyRecursive(from.path(), to.path()); });
    }

    VoidResult move(const URI& from, const URI& to) override
    {
        return withFilesystems<VoidResult>(from, to,
                                           [&](FilesystemBase& fs) { return fs.move(from.path(), to.path()); });
    }

    VoidResult remove(const URI& uri) override
    {
        return withFilesystem<VoidResult>(uri, [&](FilesystemBase& fs) { return fs.remove(uri.path()); });
    }

    VoidResult removeRecursive(const URI& uri) override
    {
        return withFilesystem<VoidResult>(uri, [&](FilesystemBase& fs) { return fs.removeRecursive(uri.path()); });
    }

    VoidResult setLastModified(const URI& uri, TimePoint time) override
    {
        return withFilesystem<VoidResult>(uri,
                                          [&](FilesystemBase& fs) { return fs.setLastModified(uri.path(), time); });
    }

    VoidResult moveToTrash(const URI& uri) override
    {
        return withFilesystem<VoidResult>(uri, [&](FilesystemBase& fs) { return fs.moveToTrash(uri.path()); });
    }
};


} // namespace

IResolver* getResolver()
{
    // Made once under the runtime's thread-safe static initialisation. The
    // native handler is made after the provider, so at exit it is destroyed
    // first and unregisters itself from a resolver that still exists.
    static Core::DefaultProvider<IResolver, Resolver> provider;
    static IResolver* const resolver = [] {
        IResolver* instance = provider.instance();
        static NativeFilesystemHandler nativeHandler(instance);
        return instance;
    }();
    return resolver;
}

IFilesystem* getFilesystem()
{
    static Core::DefaultProvider<IFilesystem, Filesystem> provider;
    static IFilesystem* const facade = provider.instance();
    return facade;
}

} // namespace FS
} // namespace Holmgrave
