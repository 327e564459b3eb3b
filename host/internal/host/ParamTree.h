// The host's parameter tree: named child nodes and named values, read from
// INI files.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>

#include "host/HostApi.h"

namespace host {

class HOST_EXPORT ParamNode final : public IParam {
 public:
  static ParamNode* create();  // reference count 1

  void addRef() override;
  void release() override;
  IParam* child(const char* name, int create) override;
  bool value(const char* name, HostParamValue& value) const override;

  void setValue(const std::string& name, HostParamValue value);
  // Reads an INI text into this node. Section and key names are matched
  // without regard to ASCII case, as Windows profile files are.
  bool loadIniFile(const std::string& path);

 private:
  ParamNode() = default;
  ~ParamNode();
  ParamNode* childNode(const std::string& name, bool create);

  std::atomic<int> m_refs{1};
  std::map<std::string, ParamNode*> m_children;  // each holds one reference
  std::map<std::string, HostParamValue> m_values;
};

}  // namespace host
