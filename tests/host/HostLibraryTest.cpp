// The host's parameter trees, command factory, services and the layout of
// the objects modules call by operation number.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "host/CommandRegistry.h"
#include "host/HostApi.h"
#include "host/HostSession.h"
#include "host/ParamTree.h"
#include "win32/Text.h"

namespace fs = std::filesystem;

namespace {

// The position of a virtual function in its class's operation table, read
// from the Itanium C++ ABI form of a pointer to a virtual member function
// (1 + byte offset of the slot).
template <class F>
long Slot(F member) {
  static_assert(sizeof(F) == 2 * sizeof(std::uintptr_t));
  std::uintptr_t raw[2];
  std::memcpy(raw, &member, sizeof raw);
  return static_cast<long>((raw[0] - 1) / sizeof(void*));
}

fs::path WriteFile(const std::string& name, const std::string& bytes) {
  const fs::path path = fs::temp_directory_path() / name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
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

TEST(HostServices, ApplicationAndShowViewAreServedOthersAreNot) {
  auto application = reinterpret_cast<HostApplicationFn>(get_host_funcptr(kHostServiceApplication));
  ASSERT_NE(application, nullptr);
  EXPECT_EQ(application(), &host::Application::instance());
  bool shown = false;
  host::Application::instance().setShowView([&] { shown = true; });
  auto showView = reinterpret_cast<HostShowViewFn>(get_host_funcptr(kHostServiceShowView));
  ASSERT_NE(showView, nullptr);
  showView(0);
  EXPECT_TRUE(shown);
  host::Application::instance().setShowView(nullptr);
  EXPECT_EQ(get_host_funcptr(0), nullptr);
  EXPECT_EQ(get_host_funcptr(99), nullptr);
}

TEST(HostServices, DocumentsAndTheirCommandLines) {
  auto& application = host::Application::instance();
  while (application.currentDocument() != nullptr) application.closeDocument();
  EXPECT_EQ(application.currentDocument(), nullptr);
  host::Document* document = application.openDocument(u"Drawing1");
  EXPECT_EQ(application.currentDocument(), document);
  EXPECT_NE(document->messageOutput(), application.messageOutput());
  application.closeDocument();
  EXPECT_EQ(application.currentDocument(), nullptr);
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

TEST(HelpRegistration, TheLastRegistrationOfACommandHolds) {
  host::CommandRegistry::instance().clear();
  EXPECT_EQ(hostSetFunHelp(u"CMD", u"/a.chm", u"::/x", 0), 1);
  EXPECT_EQ(hostSetFunHelp(u"cmd", u"/b.chm", u"::/y", 0), 1);
  ASSERT_EQ(host::CommandRegistry::instance().helpTopics().size(), 1u);
  EXPECT_EQ(host::CommandRegistry::instance().helpTopics()[0].helpFile, u"/b.chm");
  EXPECT_EQ(hostSetFunHelp(nullptr, u"/c.chm", u"::/z", 0), 0);
  host::CommandRegistry::instance().clear();
}

TEST(FileExists, TakesWindowsSeparatorsAndOnlyFiles) {
  const fs::path file = WriteFile("pcvr-exists.ini", "x");
  std::u16string windowsStyle = win32::FromUtf8(file.string());
  std::replace(windowsStyle.begin(), windowsStyle.end(), u'/', u'\\');
  EXPECT_TRUE(fioIsFileExist(win32::FromUtf8(file.string()).c_str()));
  EXPECT_TRUE(fioIsFileExist(windowsStyle.c_str()));
  EXPECT_FALSE(fioIsFileExist(win32::FromUtf8(fs::temp_directory_path().string()).c_str()));
  EXPECT_FALSE(fioIsFileExist(u"/no/such/file.ini"));
  EXPECT_FALSE(fioIsFileExist(nullptr));
  fs::remove(file);
}

TEST(ParameterTree, ReadsSectionsAndNarrowValues) {
  const fs::path file = WriteFile("pcvr-narrow.ini",
                                  "; comment\n[Configuration]\nLmxHelpFile = Help File.chm \nQuoted=\"a b\"\n"
                                  "[Broken\nOther=1\n[second]\nkey=v2\n");
  IParam* tree = new_MemParam();
  ASSERT_TRUE(Param_IniFile2Param(win32::FromUtf8(file.string()).c_str(), tree));
  IParam* section = tree->child("configuration", 0);
  ASSERT_NE(section, nullptr);
  HostParamValue value;
  ASSERT_TRUE(section->value("LMXHELPFILE", value));
  EXPECT_EQ(value.type, HostParamValue::kNarrowText);
  EXPECT_EQ(value.narrow, "Help File.chm");
  ASSERT_TRUE(section->value("Quoted", value));
  EXPECT_EQ(value.narrow, "a b");
  // A broken section header is skipped: its keys stay in the section before.
  EXPECT_TRUE(section->value("Other", value));
  EXPECT_FALSE(section->value("missing", value));
  section->release();
  IParam* second = tree->child("Second", 0);
  ASSERT_NE(second, nullptr);
  second->release();
  EXPECT_EQ(tree->child("Nowhere", 0), nullptr);
  IParam* made = tree->child("Nowhere", 1);
  EXPECT_NE(made, nullptr);
  made->release();
  tree->release();
  fs::remove(file);
}

// UTF-16 files are read by the help registration of tests/module.
TEST(ParameterTree, AMissingFileIsNotRead) {
  IParam* tree = new_MemParam();
  EXPECT_FALSE(Param_IniFile2Param(u"/no/such/Lumatrix.ini", tree));
  EXPECT_FALSE(Param_IniFile2Param(nullptr, tree));
  tree->release();
}

}  // namespace
