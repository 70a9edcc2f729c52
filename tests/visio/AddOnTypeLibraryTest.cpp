#include <gtest/gtest.h>

#include <map>
#include <pugixml.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "visio/KTVisio_AddOn_TLB.h"

namespace {

using Annotations = std::map<std::string, std::string>;

// The grammar of D-Bus introspection data (introspect.dtd): which elements
// may hold which, and which attributes each must or may carry.
struct ElementRule {
  std::set<std::string> children;
  std::set<std::string> required;
  std::set<std::string> optional;
};
const std::map<std::string, ElementRule>& IntrospectionGrammar() {
  static const std::map<std::string, ElementRule> grammar = {
      {"node", {{"node", "interface"}, {}, {"name"}}},
      {"interface", {{"method", "signal", "property", "annotation"}, {"name"}, {}}},
      {"method", {{"arg", "annotation"}, {"name"}, {}}},
      {"signal", {{"arg", "annotation"}, {"name"}, {}}},
      {"property", {{"annotation"}, {"name", "type", "access"}, {}}},
      {"arg", {{"annotation"}, {"type"}, {"name", "direction"}}},
      {"annotation", {{}, {"name", "value"}, {}}},
  };
  return grammar;
}

bool IsInterfaceName(const std::string& name) {
  static const std::regex pattern(R"([A-Za-z_][A-Za-z0-9_]*(\.[A-Za-z_][A-Za-z0-9_]*)+)");
  return name.size() <= 255 && std::regex_match(name, pattern);
}

bool IsMemberName(const std::string& name) {
  static const std::regex pattern(R"([A-Za-z_][A-Za-z0-9_]*)");
  return name.size() <= 255 && std::regex_match(name, pattern);
}

// Every rule the D-Bus introspection format sets that the document can break;
// an empty list means it is valid.
void CheckElement(const pugi::xml_node& element, std::vector<std::string>& problems) {
  const std::string name = element.name();
  const auto rule = IntrospectionGrammar().find(name);
  if (rule == IntrospectionGrammar().end()) {
    problems.push_back("unknown element <" + name + ">");
    return;
  }
  for (const std::string& attribute : rule->second.required) {
    if (!element.attribute(attribute.c_str())) {
      problems.push_back("<" + name + "> lacks " + attribute);
    }
  }
  for (const pugi::xml_attribute& attribute : element.attributes()) {
    const std::string key = attribute.name();
    if (!rule->second.required.count(key) && !rule->second.optional.count(key)) {
      problems.push_back("<" + name + "> has attribute " + key);
    }
  }
  const std::string nameValue = element.attribute("name").value();
  if ((name == "interface" || name == "annotation") && !IsInterfaceName(nameValue)) {
    problems.push_back("bad " + name + " name \"" + nameValue + "\"");
  }
  if ((name == "method" || name == "signal" || name == "arg") && !nameValue.empty() &&
      !IsMemberName(nameValue)) {
    problems.push_back("bad " + name + " name \"" + nameValue + "\"");
  }
  if (name == "arg") {
    // Our arguments are all basic types or variants: one character each.
    static const std::set<std::string> single = {"y", "b", "n", "q", "i", "u", "x",
                                                 "t", "d", "h", "s", "o", "g", "v"};
    if (!single.count(element.attribute("type").value())) {
      problems.push_back(std::string("bad signature \"") + element.attribute("type").value() +
                         "\"");
    }
    const std::string direction = element.attribute("direction").value();
    if (!direction.empty() && direction != "in" && direction != "out") {
      problems.push_back("bad direction \"" + direction + "\"");
    }
  }
  for (const pugi::xml_node& child : element.children()) {
    if (child.type() == pugi::node_element) {
      if (!rule->second.children.count(child.name())) {
        problems.push_back("<" + std::string(child.name()) + "> inside <" + name + ">");
      }
      CheckElement(child, problems);
    } else if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
      problems.push_back("text inside <" + name + ">");
    }
  }
}

Annotations AnnotationsOf(const pugi::xml_node& element) {
  Annotations out;
  for (const pugi::xml_node& a : element.children("annotation")) {
    out[a.attribute("name").value()] = a.attribute("value").value();
  }
  return out;
}

class AddOnTypeLibraryTest : public testing::Test {
 protected:
  // Parses the description for a program path; fails the test when it is
  // not well-formed or not valid introspection data.
  pugi::xml_node Parse(const std::string& programPath) {
    text = AddOnSinkInterfaceDescription(programPath);
    const pugi::xml_parse_result parsed = document.load_string(text.c_str());
    EXPECT_TRUE(parsed) << parsed.description() << " at offset " << parsed.offset << "\n" << text;
    const pugi::xml_node root = document.document_element();
    EXPECT_STREQ(root.name(), "node");
    std::vector<std::string> problems;
    CheckElement(root, problems);
    EXPECT_EQ(problems, std::vector<std::string>{}) << text;
    return root.child("interface");
  }

  std::string text;
  pugi::xml_document document;
};

}  // namespace

TEST_F(AddOnTypeLibraryTest, DescribesTheLibraryInterfaceAndClass) {
  const pugi::xml_node sink = Parse("/opt/tarvel/bin/tarvel");
  EXPECT_STREQ(sink.attribute("name").value(), "org.tarvel.KTVisio_AddOn.IVisioAddOnSink");
  EXPECT_TRUE(sink.next_sibling().empty()) << "one interface only";

  // The identifiers are literals here on purpose: a changed GUID breaks every
  // installed client, so it must break this test too.
  EXPECT_EQ(AnnotationsOf(sink),
            (Annotations{
                {"org.tarvel.Automation.Library", "KTVisio_AddOn"},
                {"org.tarvel.Automation.Library.Guid", "{A9F1AD0F-CD1F-497E-99BF-0670F58FCF3D}"},
                {"org.tarvel.Automation.Library.Version", "1.0"},
                {"org.tarvel.Automation.Library.Locale", "0x409"},
                {"org.tarvel.Automation.Library.HelpString", "Visio AddOn Sink Library"},
                {"org.tarvel.Automation.Library.Path", "/opt/tarvel/bin/tarvel"},
                {"org.tarvel.Automation.Library.HelpDir", "/opt/tarvel/bin"},
                {"org.tarvel.Automation.Interface", "IVisioAddOnSink"},
                {"org.tarvel.Automation.Interface.Guid", "{E231BE0C-EB18-4500-808E-C03BF62BDB57}"},
                {"org.tarvel.Automation.Interface.Version", "1.0"},
                {"org.tarvel.Automation.Interface.HelpString",
                 "Dispatch interface for IVisioAddOnSink Object"},
                {"org.tarvel.Automation.Interface.Flags", "dual oleautomation dispatchable"},
                {"org.tarvel.Automation.CoClass", "VisioAddOnSink"},
                {"org.tarvel.Automation.CoClass.Guid", "{59A61122-9C4C-4661-BEB6-F90A0D423895}"},
                {"org.tarvel.Automation.CoClass.HelpString", "VisioAddOnSink Object"},
            }));
}

TEST_F(AddOnTypeLibraryTest, DescribesVisEventProcAndItsParameters) {
  const pugi::xml_node sink = Parse("/usr/bin/tarvel");
  std::vector<std::string> methods;
  for (const pugi::xml_node& m : sink.children("method"))
    methods.push_back(m.attribute("name").value());
  ASSERT_EQ(methods, std::vector<std::string>{"VisEventProc"});

  const pugi::xml_node method = sink.child("method");
  EXPECT_EQ(AnnotationsOf(method),
            (Annotations{{"org.tarvel.Automation.DispId", "1"},
                         {"org.tarvel.Automation.HelpString", "Visio Event Proc"}}));
  // Name, D-Bus signature, direction and automation type of each argument.
  std::vector<std::string> params;
  for (const pugi::xml_node& arg : method.children("arg")) {
    params.push_back(std::string(arg.attribute("name").value()) + " " +
                     arg.attribute("type").value() + " " + arg.attribute("direction").value() +
                     " " + AnnotationsOf(arg)["org.tarvel.Automation.Type"]);
  }
  EXPECT_EQ(params, (std::vector<std::string>{
                        "Event n in VT_I2",
                        "Source o in VT_UNKNOWN",
                        "ID i in VT_I4",
                        "Seq i in VT_I4",
                        "Subject o in VT_UNKNOWN",
                        "Extra v in VT_VARIANT",
                    }));
}

TEST_F(AddOnTypeLibraryTest, AnyProgramPathKeepsTheDocumentValid) {
  struct Case {
    std::string path;
    std::string expectedPath;  // as a reader of the file gets it back
    std::string expectedDir;
  };
  const std::vector<Case> cases = {
      {"/home/a&b/<x>/\"q\" 'r'/tarvel", "/home/a&b/<x>/\"q\" 'r'/tarvel",
       "/home/a&b/<x>/\"q\" 'r'"},
      {"/tmp/line\nbreak\tand tab/tarvel", "/tmp/line\nbreak\tand tab/tarvel",
       "/tmp/line\nbreak\tand tab"},
      {"/opt/Tärvel/bin/tarvel", "/opt/Tärvel/bin/tarvel", "/opt/Tärvel/bin"},
      // Bytes that are no text: not UTF-8, and a control character.
      {"/opt/\xFF\x01/tarvel", "/opt/\xEF\xBF\xBD\xEF\xBF\xBD/tarvel",
       "/opt/\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"/tarvel", "/tarvel", "/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const Annotations annotations = AnnotationsOf(Parse(c.path));
    EXPECT_EQ(annotations.at("org.tarvel.Automation.Library.Path"), c.expectedPath);
    EXPECT_EQ(annotations.at("org.tarvel.Automation.Library.HelpDir"), c.expectedDir);
  }
}
