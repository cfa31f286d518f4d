#ifndef BASE_CALLBACK_INTERNAL_H_
#define BASE_CALLBACK_INTERNAL_H_

#include <type_traits>

namespace base {
namespace internal {

// How a run argument travels through the type-erased layer: scalars by value,
// everything else by reference so that move-only arguments work.
template <typename T>
using PassingType = std::conditional_t<std::is_scalar_v<T>, T, T&&>;

// The type-erased state behind a callback: the functor with its bound
// arguments.
template <typename R, typename... Args>
class BindStateBase {
 public:
  virtual ~BindStateBase() = default;
  // Once states may move their bound arguments out; repeating states never do.
  virtual R Run(PassingType<Args>... args) = 0;
  // True when running would do nothing because the target is gone.
  virtual bool IsCancelled() const { return false; }
};

}  // namespace internal
}  // namespace base

#endif  // BASE_CALLBACK_INTERNAL_H_
