#ifndef BASE_OBSERVER_LIST_H_
#define BASE_OBSERVER_LIST_H_

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

#include "base/memory/weak_ptr.h"

namespace base {

// A list of observers that may be changed while it is being iterated:
// observers removed during an iteration are not visited any more, observers
// added during an iteration are visited by it. The list may even be destroyed
// by an observer during iteration. Single-threaded.
template <typename ObserverType>
class ObserverList {
 public:
  class Iter {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = ObserverType;
    using difference_type = std::ptrdiff_t;
    using pointer = ObserverType*;
    using reference = ObserverType&;

    Iter() = default;
    explicit Iter(ObserverList* list) : list_(list->weak_factory_.GetWeakPtr()) {
      ++list->iteration_depth_;
      SkipRemoved();
    }
    Iter(const Iter& other) : list_(other.list_), index_(other.index_) {
      if (list_)
        ++list_->iteration_depth_;
    }
    Iter& operator=(Iter other) {
      std::swap(list_, other.list_);
      std::swap(index_, other.index_);
      return *this;
    }
    ~Iter() {
      if (list_ && --list_->iteration_depth_ == 0)
        list_->Compact();
    }

    bool operator==(const Iter& other) const { return AtEnd() == other.AtEnd() && (AtEnd() || index_ == other.index_); }
    Iter& operator++() {
      ++index_;
      SkipRemoved();
      return *this;
    }
    ObserverType& operator*() const { return *list_->observers_[index_]; }
    ObserverType* operator->() const { return list_->observers_[index_]; }
    ObserverType* GetCurrent() const { return AtEnd() ? nullptr : list_->observers_[index_]; }

   private:
    bool AtEnd() const { return !list_ || index_ >= list_->observers_.size(); }
    void SkipRemoved() {
      while (!AtEnd() && !list_->observers_[index_])
        ++index_;
    }

    WeakPtr<ObserverList> list_;
    size_t index_ = 0;
  };

  using iterator = Iter;
  using const_iterator = Iter;

  ObserverList() = default;
  ObserverList(const ObserverList&) = delete;
  ObserverList& operator=(const ObserverList&) = delete;

  Iter begin() { return Iter(this); }
  Iter end() { return Iter(); }

  // Adding an observer twice is ignored.
  void AddObserver(ObserverType* obs) {
    if (!obs || HasObserver(obs))
      return;
    observers_.push_back(obs);
  }

  // Removing an observer that is not in the list does nothing.
  void RemoveObserver(const ObserverType* obs) {
    auto it = std::find(observers_.begin(), observers_.end(), obs);
    if (it == observers_.end())
      return;
    if (iteration_depth_ > 0)
      *it = nullptr;
    else
      observers_.erase(it);
  }

  bool HasObserver(const ObserverType* obs) const {
    return obs && std::find(observers_.begin(), observers_.end(), obs) != observers_.end();
  }

  void Clear() {
    if (iteration_depth_ > 0)
      std::fill(observers_.begin(), observers_.end(), nullptr);
    else
      observers_.clear();
  }

  bool might_have_observers() const { return !observers_.empty(); }

 private:
  void Compact() { observers_.erase(std::remove(observers_.begin(), observers_.end(), nullptr), observers_.end()); }

  std::vector<ObserverType*> observers_;
  int iteration_depth_ = 0;
  WeakPtrFactory<ObserverList> weak_factory_{this};
};

}  // namespace base

#endif  // BASE_OBSERVER_LIST_H_
