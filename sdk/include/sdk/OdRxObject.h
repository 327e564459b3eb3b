// Reference-counted runtime objects with class descriptors.
#pragma once

#include <atomic>
#include <type_traits>
#include <utility>

#include "sdk/OdError.h"
#include "sdk/OdPlatform.h"
#include "sdk/OdString.h"

class OdRxObject;

// A runtime class descriptor: its name and its parent. Descriptors are
// static and live for the whole process.
class ODSDK_EXPORT OdRxClass {
 public:
  OdRxClass(const char16_t* name, const OdRxClass* parent) : m_name(name), m_parent(parent) {}
  OdString name() const { return OdString(m_name); }
  const OdRxClass* myParent() const { return m_parent; }
  bool isDerivedFrom(const OdRxClass* other) const;

 private:
  const char16_t* m_name;
  const OdRxClass* m_parent;
};

enum OdRx {
  kLessThan = -1,
  kEqual = 0,
  kGreaterThan = 1,
  kNotOrderable = 2,
};

// The root of the SDK's objects. Reference counting is left to the derived
// class (OdRxObjectImpl deletes at zero, a module object does not).
class ODSDK_EXPORT OdRxObject {
 public:
  OdRxObject() = default;
  OdRxObject(const OdRxObject&) = delete;
  OdRxObject& operator=(const OdRxObject&) = delete;
  virtual ~OdRxObject();

  // Returns this object with a reference added when it is of the class asked
  // for, else null.
  virtual OdRxObject* queryX(const OdRxClass* protocolClass) const;
  // Like queryX, but throws OdError_NotThatKindOfClass instead of returning null.
  virtual OdRxObject* x(const OdRxClass* protocolClass) const;
  virtual const OdRxClass* isA() const;
  virtual void addRef() = 0;
  virtual void release() = 0;
  virtual long numRefs() const;
  virtual OdRxObject* clone() const;
  virtual void copyFrom(const OdRxObject* source);
  virtual OdRx comparedTo(const OdRxObject* other) const;
  virtual bool isEqualTo(const OdRxObject* other) const;

  bool isKindOf(const OdRxClass* cls) const { return isA()->isDerivedFrom(cls); }
  static const OdRxClass* desc();
};

// The usual implementation of reference counting: the object deletes itself
// when its last reference goes.
template <class T>
class OdRxObjectImpl : public T {
 public:
  using T::T;
  void addRef() override { m_refs.fetch_add(1, std::memory_order_relaxed); }
  void release() override {
    if (m_refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  long numRefs() const override { return m_refs.load(); }

  // Creates an object held by a smart pointer (count 1).
  template <class... Args>
  static T* createObject(Args&&... args) {
    auto* object = new OdRxObjectImpl<T>(std::forward<Args>(args)...);
    return object;
  }

 private:
  std::atomic<OdRefCounter> m_refs{1};
};

enum OdRxObjMod { kOdRxObjAttach };

// An intrusive smart pointer over OdRxObject-derived classes.
template <class T>
class OdSmartPtr {
 public:
  OdSmartPtr() = default;
  OdSmartPtr(T* object) : m_object(object) {
    if (m_object != nullptr) m_object->addRef();
  }
  OdSmartPtr(T* object, OdRxObjMod) : m_object(object) {}
  OdSmartPtr(const OdSmartPtr& other) : OdSmartPtr(other.m_object) {}
  OdSmartPtr(OdSmartPtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
  // From a pointer of another class, as the SDK's smart pointers convert: an
  // upcast always works; otherwise the object's class is tested, and an
  // object that is not a T throws OdError_NotThatKindOfClass. Null stays null.
  template <class U, std::enable_if_t<!std::is_same_v<U, T> && std::is_base_of_v<OdRxObject, U>, int> = 0>
  OdSmartPtr(U* object) : m_object(convertFrom(object)) {
    if (m_object != nullptr) m_object->addRef();
  }
  template <class U, std::enable_if_t<!std::is_same_v<U, T> && std::is_base_of_v<OdRxObject, U>, int> = 0>
  OdSmartPtr(const OdSmartPtr<U>& other) : OdSmartPtr(other.get()) {}
  ~OdSmartPtr() { release(); }
  OdSmartPtr& operator=(OdSmartPtr other) noexcept {
    std::swap(m_object, other.m_object);
    return *this;
  }

  void release() {
    if (m_object != nullptr) std::exchange(m_object, nullptr)->release();
  }
  T* get() const { return m_object; }
  T* operator->() const {
    if (m_object == nullptr) throw OdError(eNullObjectId, "null smart pointer");
    return m_object;
  }
  T& operator*() const { return *operator->(); }
  bool isNull() const { return m_object == nullptr; }
  explicit operator bool() const { return m_object != nullptr; }
  T* detach() { return std::exchange(m_object, nullptr); }

 private:
  template <class U>
  static T* convertFrom(U* object) {
    if (object == nullptr) return nullptr;
    if constexpr (std::is_base_of_v<T, U>) {
      return object;
    } else {
      OdRxObject* base = object;
      if (!base->isKindOf(T::desc())) throw OdError_NotThatKindOfClass(base->isA(), T::desc());
      return static_cast<T*>(base);
    }
  }

 public:
 private:
  T* m_object = nullptr;
};

using OdRxObjectPtr = OdSmartPtr<OdRxObject>;

// Declares desc()/isA() for a class; define with ODRX_DEFINE_MEMBERS.
#define ODRX_DECLARE_MEMBERS(ClassName)                                                                              \
 public:                                                                                                             \
  static const OdRxClass* desc();                                                                                    \
  const OdRxClass* isA() const override;                                                                             \
  static ClassName* cast(const OdRxObject* o) {                                                                      \
    return o != nullptr && o->isKindOf(desc()) ? const_cast<ClassName*>(static_cast<const ClassName*>(o)) : nullptr; \
  }

#define ODRX_DEFINE_MEMBERS(ClassName, ParentName)                  \
  const OdRxClass* ClassName::desc() {                              \
    static const OdRxClass cls(u## #ClassName, ParentName::desc()); \
    return &cls;                                                    \
  }                                                                 \
  const OdRxClass* ClassName::isA() const { return desc(); }
