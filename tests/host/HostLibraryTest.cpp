// The host's command factory, services and the layout of the objects modules
// call by operation number (configuration and help: tests/module).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "host/CommandRegistry.h"
#include "host/HostApi.h"
#include "host/HostSession.h"

namespace {

// A virtual function's slot, from the Itanium ABI pointer to member (1 + offset).
template <class F>
long Slot(F member) {
  static_assert(sizeof(F) == 2 * sizeof(std::uintptr_t));
  std::uintptr_t raw[2];
  std::memcpy(raw, &member, sizeof raw);
  return static_cast<long>((raw[0] - 1) / sizeof(void*));
}

TEST(HostObjects, OperationsSitWhereModulesCallThem) {
  EXPECT_EQ(Slot(&HostApplication::currentDocument), 0);
  EXPECT_EQ(Slot(&HostApplication::messageOutput), 16);
  EXPECT_EQ(Slot(&HostDocument::database), 0);
  EXPECT_EQ(Slot(&HostDocument::viewManager), 2);
  EXPECT_EQ(Slot(&HostDocument::messageOutput), 3);
  EXPECT_EQ(Slot(&HostDocument::selectionInput), 4);
  EXPECT_EQ(Slot(&HostDocument::viewWindow), 14);
  EXPECT_EQ(Slot(&HostCommandOutput::getString), 2);
  EXPECT_EQ(Slot(&HostCommandOutput::print), 4);
  EXPECT_EQ(Slot(&ICmdFactory::release), 1);
  EXPECT_EQ(Slot(&ICmdFactory::addCommand), 11);
  EXPECT_EQ(Slot(&IParam::release), 1);
}

TEST(HostServices, ApplicationShowViewAndTheCurrentDocument) {
  auto& session = host::Application::instance();
  auto application = reinterpret_cast<HostApplicationFn>(get_host_funcptr(kHostServiceApplication));
  ASSERT_NE(application, nullptr);
  EXPECT_EQ(application(), &session);
  bool shown = false;
  session.setShowView([&] { shown = true; });
  auto showView = reinterpret_cast<HostShowViewFn>(get_host_funcptr(kHostServiceShowView));
  ASSERT_NE(showView, nullptr);
  showView(0);
  EXPECT_TRUE(shown);
  session.setShowView(nullptr);
  EXPECT_EQ(get_host_funcptr(0), nullptr);
  EXPECT_EQ(get_host_funcptr(99), nullptr);
  // The current document, with a message output of its own.
  while (session.currentDocument() != nullptr) session.closeDocument();
  host::Document* document = session.openDocument(u"Drawing1");
  EXPECT_EQ(session.currentDocument(), document);
  EXPECT_NE(document->messageOutput(), session.messageOutput());
  session.closeDocument();
  EXPECT_EQ(session.currentDocument(), nullptr);
}

TEST(CommandFactory, KeepsCopiesOfTheNamesAndRefusesTakenOnes) {
  host::CommandRegistry::instance().clear();
  ICmdFactory* factory = nullptr;
  new_ICmdFactory(&factory);
  ASSERT_NE(factory, nullptr);
  std::u16string name = u"MY_COMMAND";
  auto handler = +[] {};
  EXPECT_TRUE(factory->addCommand(u"GROUP", name.c_str(), name.c_str(), 4, handler, nullptr, 1));
  name.assign(u"XXXXXXXXXX");  // the caller's buffer is gone
  const host::RegisteredCommand* command = host::CommandRegistry::instance().find(u"my_command");
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->globalName, u"MY_COMMAND");
  EXPECT_EQ(command->localName, u"MY_COMMAND");
  EXPECT_EQ(command->group, u"GROUP");
  EXPECT_EQ(command->flags, 4);
  EXPECT_EQ(command->function, handler);
  EXPECT_FALSE(factory->addCommand(u"OTHER", u"MY_COMMAND", u"MY_COMMAND", 0, handler, nullptr, 1));
  EXPECT_EQ(host::CommandRegistry::instance().commands().size(), 1u);
  factory->release();
  host::CommandRegistry::instance().clear();
}

}  // namespace
