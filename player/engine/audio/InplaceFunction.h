#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace Audio {

template <typename Signature, std::size_t Capacity>
class InplaceFunction;

// A callable kept inside the object, never on the heap: the work that a fade
// runs at its end on the audio thread, where nothing may be allocated or
// freed. Only trivially copyable callables (lambdas that capture pointers,
// numbers and other InplaceFunctions by value) of at most Capacity bytes are
// accepted, checked at compile time, so that copying, queueing and dropping
// one is a plain copy of bytes on any thread.
template <typename R, typename... Args, std::size_t Capacity>
class InplaceFunction<R(Args...), Capacity>
{
public:
    InplaceFunction() = default;
    InplaceFunction(std::nullptr_t) {}

    template <typename F, typename = std::enable_if_t<!std::is_same<std::decay_t<F>, InplaceFunction>::value
                                                      && !std::is_same<std::decay_t<F>, std::nullptr_t>::value>>
    InplaceFunction(F f)
    {
        static_assert(sizeof(F) <= Capacity, "the callable's captures do not fit");
        static_assert(alignof(F) <= alignof(void*), "the callable needs a stricter alignment");
        static_assert(std::is_trivially_copyable<F>::value,
                      "only callables that are copied as bytes (no owning captures) are kept in place");
        ::new (static_cast<void*>(storage_)) F(f);
        invoke_ = [](const void* storage, Args... args) -> R {
            return (*static_cast<const F*>(storage))(std::forward<Args>(args)...);
        };
    }

    explicit operator bool() const { return invoke_ != nullptr; }

    R operator()(Args... args) const { return invoke_(storage_, std::forward<Args>(args)...); }

private:
    alignas(void*) unsigned char storage_[Capacity] = {};
    R (*invoke_)(const void*, Args...) = nullptr;
};

} // namespace Audio
