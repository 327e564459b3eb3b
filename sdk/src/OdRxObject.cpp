#include "sdk/OdRxObject.h"

#include <atomic>
#include <cstdlib>

#include "sdk/OdAlloc.h"
#include "sdk/OdRxModule.h"

namespace {
std::atomic<int> g_failAllocations{0};
}

extern "C" void* odrxAlloc(std::size_t size) {
  int pending = g_failAllocations.load();
  while (pending > 0) {
    if (g_failAllocations.compare_exchange_weak(pending, pending - 1)) return nullptr;
  }
  return std::malloc(size);
}

extern "C" void odrxFree(void* block) { std::free(block); }

void odrxFailNextAllocations(int count) { g_failAllocations.store(count); }

const char* odResultName(OdResult result) {
  switch (result) {
    case eOk:
      return "eOk";
    case eNotImplementedYet:
      return "eNotImplementedYet";
    case eNotApplicable:
      return "eNotApplicable";
    case eInvalidInput:
      return "eInvalidInput";
    case eNotThatKindOfClass:
      return "eNotThatKindOfClass";
    case eWasErased:
      return "eWasErased";
    case eNullObjectId:
      return "eNullObjectId";
    case eKeyNotFound:
      return "eKeyNotFound";
    case eOutOfMemory:
      return "eOutOfMemory";
    case eInvalidIndex:
      return "eInvalidIndex";
    case eDegenerateGeometry:
      return "eDegenerateGeometry";
    case eNotOpenForWrite:
      return "eNotOpenForWrite";
    case eNotOpenForRead:
      return "eNotOpenForRead";
    case eDuplicateKey:
      return "eDuplicateKey";
    case eInvalidContext:
      return "eInvalidContext";
    case eFileNotFound:
      return "eFileNotFound";
    case eBadDxfSequence:
      return "eBadDxfSequence";
    case eClassNotLoaded:
      return "eClassNotLoaded";
    case eExtendedError:
      return "eExtendedError";
  }
  return "unknown OdResult";
}

OdError::OdError(OdResult code) : m_code(code), m_what(odResultName(code)) {}

OdError::OdError(OdResult code, const std::string& context)
    : m_code(code), m_what(std::string(odResultName(code)) + ": " + context) {}

OdError_NotThatKindOfClass::OdError_NotThatKindOfClass(const OdRxClass* have, const OdRxClass* wanted)
    : OdError(eNotThatKindOfClass, (have != nullptr ? have->name().toUtf8() : std::string("null")) + " is not a " +
                                       (wanted != nullptr ? wanted->name().toUtf8() : std::string("null"))) {}

bool OdRxClass::isDerivedFrom(const OdRxClass* other) const {
  for (const OdRxClass* cls = this; cls != nullptr; cls = cls->m_parent) {
    if (cls == other) return true;
  }
  return false;
}

OdRxObject::~OdRxObject() = default;

const OdRxClass* OdRxObject::desc() {
  static const OdRxClass cls(u"OdRxObject", nullptr);
  return &cls;
}

const OdRxClass* OdRxObject::isA() const { return desc(); }

OdRxObject* OdRxObject::queryX(const OdRxClass* protocolClass) const {
  if (protocolClass == nullptr || !isA()->isDerivedFrom(protocolClass)) return nullptr;
  auto* self = const_cast<OdRxObject*>(this);
  self->addRef();
  return self;
}

OdRxObject* OdRxObject::x(const OdRxClass* protocolClass) const {
  OdRxObject* found = queryX(protocolClass);
  if (found == nullptr) throw OdError_NotThatKindOfClass(isA(), protocolClass);
  return found;
}

long OdRxObject::numRefs() const { return 1; }

OdRxObject* OdRxObject::clone() const { throw OdError(eNotApplicable, "clone of " + isA()->name().toUtf8()); }

void OdRxObject::copyFrom(const OdRxObject* source) {
  if (source == nullptr || !source->isKindOf(isA()))
    throw OdError_NotThatKindOfClass(source ? source->isA() : nullptr, isA());
}

OdRx OdRxObject::comparedTo(const OdRxObject*) const { return kNotOrderable; }

bool OdRxObject::isEqualTo(const OdRxObject* other) const { return other == this; }

ODRX_DEFINE_MEMBERS(OdRxModule, OdRxObject)

OdRxObject* OdRxModule::queryX(const OdRxClass* protocolClass) const { return OdRxObject::queryX(protocolClass); }
