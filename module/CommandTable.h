// The module's commands and the names that get help topics.
#pragma once

#include <vector>

#include "host/HostApi.h"
#include "sdk/OdString.h"

// The seven names help topics are registered under. Three of them are not
// names of registered commands.
extern std::vector<OdString> helpCommandNames;

// The record handed to the host with every registration; the module owns it
// for the life of the process.
struct CommandData {
  const char* module;
};

// Hands one command to the host's command factory; silently does nothing
// when the host, its factory or the factory object cannot be had.
void RegisterCommand(const OdChar* globalName, HostCommandFunction function);
