#pragma once

#include <exception>
#include <string>

#include "sdk/OdResult.h"
#include "sdk/OdString.h"

// The exception SDK operations throw. what() names the code and the context.
class ODSDK_EXPORT OdError : public std::exception {
 public:
  explicit OdError(OdResult code);
  OdError(OdResult code, const std::string& context);
  OdResult code() const { return m_code; }
  OdString description() const { return OdString::fromUtf8(m_what); }
  const char* what() const noexcept override { return m_what.c_str(); }

 private:
  OdResult m_code;
  std::string m_what;
};

class OdRxClass;

class ODSDK_EXPORT OdError_NotThatKindOfClass : public OdError {
 public:
  OdError_NotThatKindOfClass(const OdRxClass* have, const OdRxClass* wanted);
};
