// The module object the host creates, initialises and deletes.
#pragma once

#include "sdk/OdRxModule.h"

class hostVideoRecoderModule : public OdRxModule {
 public:
  // Registers the help topic of every name in helpCommandNames.
  void initApp() override;
  // Stops a running live capture and waits for it.
  void uninitApp() override;
};

// The help file for one command: the configuration file "Lumatrix.ini"
// beside the host's main library names it under [Configuration] LmxHelpFile,
// relative to that folder; without the key, the help file is the
// configuration file's namesake with the extension "chm". Returns false when
// there is no configuration file to go by.
bool RegisterHelpTopic(const OdString& commandName);
