#ifndef OWNED_PTR_VECTOR_H
#define OWNED_PTR_VECTOR_H

#include <cstddef>
#include <vector>

// Helpers for the record lists that own their elements through raw pointers.

template <class T>
void deleteAllOwned(std::vector<T*>& items) {
  for (T* item : items) {
    delete item;
  }
  items.clear();
}

template <class T>
void appendDeepCopies(std::vector<T*>& to, const std::vector<T*>& from) {
  for (const T* item : from) {
    to.push_back(new T(*item));
  }
}

// Same length and equal elements position by position.
template <class T>
bool equalElements(const std::vector<T*>& a, const std::vector<T*>& b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!(*a[i] == *b[i])) {
      return false;
    }
  }
  return true;
}

#endif
