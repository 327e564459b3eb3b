// One reference to a host object that is given back through its own
// release() (IParam, ICmdFactory): released when the owner goes, on every way
// out, an exception from the host included. Not copyable; movable.
#pragma once

#include <utility>

template <class T>
class HostReference {
 public:
  HostReference() = default;
  explicit HostReference(T* object) : m_object(object) {}
  ~HostReference() { reset(); }
  HostReference(const HostReference&) = delete;
  HostReference& operator=(const HostReference&) = delete;
  HostReference(HostReference&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
  HostReference& operator=(HostReference&& other) noexcept {
    if (this != &other) reset(std::exchange(other.m_object, nullptr));
    return *this;
  }

  T* get() const { return m_object; }
  T* operator->() const { return m_object; }
  explicit operator bool() const { return m_object != nullptr; }

  // Releases what is held and takes object (which already carries the
  // reference to give back).
  void reset(T* object = nullptr) {
    if (m_object != nullptr) m_object->release();
    m_object = object;
  }
  // For a host function that hands its object out through a pointer
  // argument: releases what is held and returns where the new one goes.
  T** receive() {
    reset();
    return &m_object;
  }

 private:
  T* m_object = nullptr;
};
