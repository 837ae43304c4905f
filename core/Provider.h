#pragma once

#include <memory>

namespace Holmgrave {
namespace Core {

// Hands out the one process-wide object behind an interface.
template<typename I>
class ITProvider
{
public:
    virtual ~ITProvider() = default;
    virtual I* instance() = 0;
};

class ProviderFactory
{
};

// Makes its Impl on the first instance() call and owns it until the provider
// itself is destroyed. instance() takes no lock: the first call must not race
// with another first call.
template<typename I, typename Impl>
class DefaultProvider : public ITProvider<I>, private ProviderFactory
{
public:
    DefaultProvider() = default;
    DefaultProvider(const DefaultProvider&) = delete;
    DefaultProvider& operator=(const DefaultProvider&) = delete;
    ~DefaultProvider() override = default;

    I* instance() override
    {
        if (!m_instance)
            m_instance = std::make_unique<Impl>();
        return m_instance.get();
    }

private:
    std::unique_ptr<I> m_instance;
};

} // namespace Core
} // namespace Holmgrave
