// A dictionary of named objects, and the variant object kept in one.
#pragma once

#include <map>

#include "sdk/OdRxObject.h"

class ODSDK_EXPORT OdRxDictionary : public OdRxObject {
  ODRX_DECLARE_MEMBERS(OdRxDictionary);

 public:
  static OdSmartPtr<OdRxDictionary> createObject();
  bool has(const OdString& key) const { return m_entries.count(key) != 0; }
  // The object under key, or null.
  OdRxObjectPtr getAt(const OdString& key) const;
  // Puts object under key and returns the object that was there (or null).
  OdRxObjectPtr putAt(const OdString& key, OdRxObject* object);
  OdRxObjectPtr remove(const OdString& key);
  unsigned numEntries() const { return static_cast<unsigned>(m_entries.size()); }

 protected:
  OdRxDictionary() = default;

 private:
  std::map<OdString, OdRxObjectPtr> m_entries;
};
using OdRxDictionaryPtr = OdSmartPtr<OdRxDictionary>;

// A value of one of a few types.
class ODSDK_EXPORT OdVariant {
 public:
  enum Type { kVoid, kBool, kInt32, kUInt32, kDouble, kString };
  Type varType() const { return m_type; }
  OdVariant& setUInt32(OdUInt32 value) {
    m_type = kUInt32;
    m_uint = value;
    return *this;
  }
  OdVariant& setInt32(OdInt32 value) {
    m_type = kInt32;
    m_int = value;
    return *this;
  }
  OdVariant& setBool(bool value) {
    m_type = kBool;
    m_bool = value;
    return *this;
  }
  OdVariant& setDouble(double value) {
    m_type = kDouble;
    m_double = value;
    return *this;
  }
  OdVariant& setString(const OdString& value) {
    m_type = kString;
    m_string = value;
    return *this;
  }
  // The value read as that type; 0, false or empty when it holds another type.
  OdUInt32 getUInt32() const { return m_type == kUInt32 ? m_uint : 0; }
  OdInt32 getInt32() const { return m_type == kInt32 ? m_int : 0; }
  bool getBool() const { return m_type == kBool && m_bool; }
  double getDouble() const { return m_type == kDouble ? m_double : 0.0; }
  OdString getString() const { return m_type == kString ? m_string : OdString(); }

 private:
  Type m_type = kVoid;
  OdUInt32 m_uint = 0;
  OdInt32 m_int = 0;
  bool m_bool = false;
  double m_double = 0.0;
  OdString m_string;
};

// A variant that can be kept in a dictionary.
class ODSDK_EXPORT OdRxVariant : public OdRxObject, public OdVariant {
  ODRX_DECLARE_MEMBERS(OdRxVariant);

 public:
  OdRxVariant() = default;
};
using OdRxVariantPtr = OdSmartPtr<OdRxVariant>;
