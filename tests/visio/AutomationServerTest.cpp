#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "automation/HResult.h"
#include "visio/KTVisio_AddOn_TLB.h"
#include "visio/Tarvel_AutomationServer.h"

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

namespace {

constexpr std::string_view kProgram = "/opt/tarvel/bin/tarvel";

std::optional<std::string> ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

unsigned PermissionBits(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777u;
}

std::vector<std::string> FileNames(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Each test gets its own folder under the test temp directory, removed
// afterwards.
class AutomationServerTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = testing::TempDir() + "tarvel_visio_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root = pattern;
    data = root / "data";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  TServerStartUp Start(const Args& args, std::string_view program = kProgram) {
    return StartAutomationServer(args, program, data);
  }
  fs::path Description() const { return TypeLibraryDescriptionPath(data); }

  fs::path root;
  fs::path data;
};

// Sets environment variables for one test and puts the old values back.
class ScopedEnv {
 public:
  ~ScopedEnv() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }
  void Set(const std::string& name, const std::optional<std::string>& value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) {
      ::setenv(name.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name.c_str());
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

const char* ModeName(TStartMode mode) {
  switch (mode) {
    case TStartMode::Normal:
      return "Normal";
    case TStartMode::Automation:
      return "Automation";
    case TStartMode::Register:
      return "Register";
    case TStartMode::Unregister:
      return "Unregister";
  }
  return "?";
}

}  // namespace

TEST(StartModeTest, SwitchesAreTestedInAFixedOrderAndOthersIgnored) {
  struct Case {
    Args args;
    TStartMode expected;
  };
  const std::vector<Case> cases = {
      {{}, TStartMode::Normal},
      {{"/AUTOMATION"}, TStartMode::Automation},
      {{"-automation"}, TStartMode::Automation},
      {{"/Embedding"}, TStartMode::Automation},
      {{"-EMBEDDING"}, TStartMode::Automation},
      {{"/regserver"}, TStartMode::Register},
      {{"-RegServer"}, TStartMode::Register},
      {{"/REGSERVER"}, TStartMode::Register},
      {{"/UNREGSERVER"}, TStartMode::Unregister},
      {{"-unRegServer"}, TStartMode::Unregister},
      // Earlier tests win, wherever the switches stand.
      {{"/REGSERVER", "/AUTOMATION"}, TStartMode::Automation},
      {{"/AUTOMATION", "/REGSERVER"}, TStartMode::Automation},
      {{"/UNREGSERVER", "-Embedding"}, TStartMode::Automation},
      {{"/UNREGSERVER", "/REGSERVER"}, TStartMode::Register},
      // Not switches, or not these switches.
      {{"REGSERVER"}, TStartMode::Normal},
      {{"AUTOMATION", "UNREGSERVER"}, TStartMode::Normal},
      {{"--regserver"}, TStartMode::Normal},
      {{"/regserve"}, TStartMode::Normal},
      {{"/regserverx"}, TStartMode::Normal},
      {{"/ REGSERVER"}, TStartMode::Normal},
      {{"", "/", "-", "drawing.vsdx", "/nosuchswitch"}, TStartMode::Normal},
      {{"/nosuchswitch", "-UnRegServer"}, TStartMode::Unregister},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& a : c.args) shown += "[" + a + "]";
    EXPECT_STREQ(ModeName(ParseStartMode(c.args)), ModeName(c.expected)) << shown;
  }
}

TEST_F(AutomationServerTest, EveryModeButUnregisterRegistersAndOnlyTheirSwitchesEndTheProgram) {
  struct Case {
    Args args;
    TStartMode mode;
    bool continues;
    bool registered;
  };
  const std::vector<Case> cases = {
      {{}, TStartMode::Normal, true, true},
      {{"REGSERVER", "drawing.vsdx"}, TStartMode::Normal, true, true},
      {{"/AUTOMATION"}, TStartMode::Automation, true, true},
      {{"-embedding"}, TStartMode::Automation, true, true},
      {{"/REGSERVER", "/AUTOMATION"}, TStartMode::Automation, true, true},
      {{"/AUTOMATION", "/REGSERVER"}, TStartMode::Automation, true, true},
      {{"/regserver"}, TStartMode::Register, false, true},
      {{"-RegServer"}, TStartMode::Register, false, true},
      {{"/REGSERVER"}, TStartMode::Register, false, true},
      {{"/UNREGSERVER"}, TStartMode::Unregister, false, false},
      {{"-unregserver", "/nosuchswitch"}, TStartMode::Unregister, false, false},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& a : c.args) shown += "[" + a + "]";
    SCOPED_TRACE(shown);
    // Each case starts from an older registration, made by a program elsewhere.
    data = root / ("case" + std::to_string(n++));
    RegisterTypeLibrary(data, "/old/place/tarvel");

    const TServerStartUp result = Start(c.args);
    EXPECT_EQ(result.error, "");
    EXPECT_STREQ(ModeName(result.mode), ModeName(c.mode));
    EXPECT_EQ(result.ContinueStartUp(), c.continues);
    if (c.registered) {
      EXPECT_EQ(ReadFile(Description()), AddOnSinkInterfaceDescription(kProgram));
    } else {
      EXPECT_FALSE(fs::exists(Description()));
    }
  }
}

TEST_F(AutomationServerTest, FirstStartCreatesPrivateFoldersAndAReadableDescription) {
  data = root / "home" / ".local" / "share";
  fs::create_directories(root / "home");

  EXPECT_EQ(Start({}).error, "");
  EXPECT_EQ(Description(),
            data / "dbus-1" / "interfaces" / "org.tarvel.KTVisio_AddOn.IVisioAddOnSink.xml");
  EXPECT_EQ(ReadFile(Description()), AddOnSinkInterfaceDescription(kProgram));
  for (const fs::path& dir :
       {root / "home" / ".local", data, data / "dbus-1", data / "dbus-1" / "interfaces"}) {
    EXPECT_EQ(PermissionBits(dir), 0700u) << dir;
  }
  EXPECT_EQ(PermissionBits(Description()), 0644u);
}

TEST_F(AutomationServerTest, LaterStartsReRegisterWithoutComplaint) {
  ASSERT_EQ(Start({}).error, "");
  const TServerStartUp second = Start({});
  EXPECT_EQ(second.error, "");
  EXPECT_TRUE(second.ContinueStartUp());
  EXPECT_EQ(ReadFile(Description()), AddOnSinkInterfaceDescription(kProgram));

  // The program moved: the description follows it.
  EXPECT_EQ(Start({"/REGSERVER"}, "/usr/local/bin/tarvel").error, "");
  EXPECT_EQ(ReadFile(Description()), AddOnSinkInterfaceDescription("/usr/local/bin/tarvel"));

  // A damaged description is replaced whole.
  WriteFile(Description(), "<node><interface");
  EXPECT_EQ(Start({}).error, "");
  EXPECT_EQ(ReadFile(Description()), AddOnSinkInterfaceDescription(kProgram));

  // No temporary files are left behind.
  EXPECT_EQ(FileNames(Description().parent_path()),
            std::vector<std::string>{"org.tarvel.KTVisio_AddOn.IVisioAddOnSink.xml"});
}

TEST_F(AutomationServerTest, UnregisterRemovesOnlyTheDescriptionAndToleratesItsAbsence) {
  ASSERT_EQ(Start({}).error, "");
  const fs::path neighbour = Description().parent_path() / "org.example.Other.xml";
  WriteFile(neighbour, "<node/>");

  EXPECT_EQ(Start({"/UNREGSERVER"}).error, "");
  EXPECT_FALSE(fs::exists(Description()));
  EXPECT_EQ(ReadFile(neighbour), "<node/>");

  // Nothing registered: already unregistered is not a failure.
  EXPECT_EQ(Start({"/UNREGSERVER"}).error, "");
  data = root / "never-made";
  EXPECT_EQ(Start({"/UNREGSERVER"}).error, "");
  EXPECT_FALSE(fs::exists(data));
}

TEST_F(AutomationServerTest, FailureStopsStartUpWithAMessageNamingTheError) {
  // Permission bits cannot make a folder unwritable here: tests also run as
  // root, which writes anywhere. A data "folder" that is a regular file, or a
  // description path that is a folder, fails for every user.
  const fs::path plainFile = root / "file";
  WriteFile(plainFile, "not a folder");
  const fs::path inTheWay = root / "blocked";
  fs::create_directories(TypeLibraryDescriptionPath(inTheWay) / "child");

  struct Case {
    fs::path dataDir;
    Args args;
    TStartMode mode;
    std::string error;
  };
  const std::string blocked = TypeLibraryDescriptionPath(inTheWay).string();
  const std::vector<Case> cases = {
      {plainFile,
       {},
       TStartMode::Normal,
       "Cannot register the type library KTVisio_AddOn: cannot create the folder \"" +
           plainFile.string() + "/dbus-1\": Not a directory"},
      {plainFile,
       {"/AUTOMATION"},
       TStartMode::Automation,
       "Cannot register the type library KTVisio_AddOn: cannot create the folder \"" +
           plainFile.string() + "/dbus-1\": Not a directory"},
      {plainFile,
       {"-regserver"},
       TStartMode::Register,
       "Cannot register the type library KTVisio_AddOn: cannot create the folder \"" +
           plainFile.string() + "/dbus-1\": Not a directory"},
      {inTheWay,
       {},
       TStartMode::Normal,
       "Cannot register the type library KTVisio_AddOn: cannot write \"" + blocked +
           "\": Is a directory"},
      {inTheWay,
       {"/UNREGSERVER"},
       TStartMode::Unregister,
       "Cannot unregister the type library KTVisio_AddOn: cannot remove \"" + blocked +
           "\": Is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    data = c.dataDir;
    const TServerStartUp result = Start(c.args);
    EXPECT_EQ(result.error, c.error);
    EXPECT_STREQ(ModeName(result.mode), ModeName(c.mode));
    EXPECT_FALSE(result.ContinueStartUp());
  }
  // Nothing was left beside the folder in the way.
  EXPECT_EQ(FileNames(TypeLibraryDescriptionPath(inTheWay).parent_path()),
            std::vector<std::string>{"org.tarvel.KTVisio_AddOn.IVisioAddOnSink.xml"});

  try {
    RegisterTypeLibrary(plainFile, kProgram);
    ADD_FAILURE() << "registering under a plain file succeeded";
  } catch (const automation::AutomationError& e) {
    EXPECT_EQ(e.code(), TYPE_E_REGISTRYACCESS);
  }
}

TEST_F(AutomationServerTest, DataFolderFollowsTheXdgRules) {
  ScopedEnv env;
  struct Case {
    std::optional<std::string> dataHome;
    std::optional<std::string> home;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"/srv/data", "/home/ann", "/srv/data"},
      {"", "/home/ann", "/home/ann/.local/share"},
      // Relative paths are invalid under the rules and ignored.
      {"relative/data", "/home/ann", "/home/ann/.local/share"},
      {std::nullopt, "/home/ann", "/home/ann/.local/share"},
  };
  for (const Case& c : cases) {
    env.Set("XDG_DATA_HOME", c.dataHome);
    env.Set("HOME", c.home);
    EXPECT_EQ(UserDataDirectory(), fs::path(c.expected)) << c.dataHome.value_or("(unset)");
  }

  // Without HOME the user database says where home is.
  env.Set("XDG_DATA_HOME", std::nullopt);
  env.Set("HOME", std::nullopt);
  if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir && *user->pw_dir) {
    EXPECT_EQ(UserDataDirectory(), fs::path(user->pw_dir) / ".local" / "share");
  }

  // Start-up without an override installs there.
  env.Set("XDG_DATA_HOME", (root / "xdg").string());
  EXPECT_EQ(StartAutomationServer(Args{}, kProgram).error, "");
  EXPECT_EQ(ReadFile(TypeLibraryDescriptionPath(root / "xdg")),
            AddOnSinkInterfaceDescription(kProgram));
}

TEST(ProgramFilePathTest, IsTheRunningExecutable) {
  const fs::path path = ProgramFilePath();
  EXPECT_TRUE(path.is_absolute()) << path;
  EXPECT_EQ(path.filename(), "tarvel_visio_tests");
}
