#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/behavior/ZKBehaviorLibrary.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKComponentDB.h>

#include <Inventor/SoDB.h>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

class BehaviorTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SoDB::init();
    ZKComponent::initClass();
  }
};

const RWTValSlist<RWCString> kNoEvents;
const ZKBehavior::Dependencies kNoDependencies;

ZKBehavior plainBehavior(const char* name, ZKBehavior::Function action = nullptr,
                         ZKBehavior::Function init = nullptr,
                         ZKBehavior::Function fini = nullptr) {
  return ZKBehavior(name, "test.dll", "act", action, kNoEvents, kNoDependencies, "ini", init,
                    "fin", fini);
}

float calls(ZKComponent* c) {
  auto* a = static_cast<ZKFloatAttribute*>(c->getAttribute("calls"));
  return a ? a->getValue() : 0.0f;
}

TEST_F(BehaviorTest, HandlesShareOneRegisteredDefinition) {
  {
    ZKBehavior first = plainBehavior("walk");
    EXPECT_TRUE(ZKBehavior::exists("walk"));
    ZKBehavior a = ZKBehavior::getInstance("walk");
    ZKBehavior b = ZKBehavior::getInstance("walk");
    EXPECT_TRUE(a.sameDefinition(b));
    a.setGlobalName("Walking");
    EXPECT_EQ(b.getGlobalName(), "Walking");
    a = a;
    first = ZKBehavior();
    b = ZKBehavior();
    EXPECT_TRUE(a.isValid());
    EXPECT_TRUE(ZKBehavior::exists("walk"));
  }
  EXPECT_FALSE(ZKBehavior::exists("walk"));
  EXPECT_FALSE(ZKBehavior::getInstance("walk").isValid());

  ZKBehavior nameless = plainBehavior("");
  EXPECT_TRUE(ZKBehavior::exists(""));
  EXPECT_FALSE(nameless.isValid());

  ZKBehavior::Dependencies deps;
  for (const char* name : {"speed", "speed"}) deps.addAttribute(name);
  deps.addPart("leg");
  RWTValSlist<RWCString> events;
  for (const char* name : {"go", "stop"}) events.append(name);
  ZKBehavior run("run", "m.dll", "act", nullptr, events, deps, "", nullptr, "", nullptr);
  EXPECT_EQ(run.getDependencies().getAttributes().entries(), 2u);
  EXPECT_EQ(run.getDependencies().getParts()[0] + run.getEvents()[1], "legstop");

  Std_List<ZKField> fields;
  fields.append(ZKField("speed", ZKField::SFFloat, nullptr));
  run.actionFields(fields);
  run.actionFields(run.actionFields());
  ASSERT_EQ(run.actionFields().size(), 1u);
  EXPECT_EQ(run.actionFields().begin()->type(), ZKField::SFFloat);
  EXPECT_EQ(run.initEventIns().size(), 0u);
}

TEST_F(BehaviorTest, LibraryLoadsEachModuleOnceAndRunsItsFunctions) {
  ZKBehaviorLibrary library;
  auto request = [&library](const char* module, const char* function, const char* init = "",
                            const char* fini = "") {
    return library.getBehavior(module, function, init, fini, kNoEvents, kNoDependencies);
  };
  testing::internal::CaptureStdout();
  ZKBehavior action = request("recorder", "rec_action", "rec_init", "rec_fini");
  ZKBehavior again = request("recorder", "rec_action");
  ZKBehavior second = request("recorder", "rec_init");
  const std::string loading = testing::internal::GetCapturedStdout();
  // The module may already be open from an earlier test of this program.
  EXPECT_TRUE(loading == "so opened\n" || loading.empty()) << loading;
  EXPECT_TRUE(action.sameDefinition(again));
  EXPECT_EQ(action.getName() + " " + action.getLibrary(), "recorder:rec_action recorder.dll");
  EXPECT_TRUE(action.getCallbackFunc() && second.getCallbackFunc());

  testing::internal::CaptureStdout();
  ZKBehavior missing = request("no_such_module", "f", "i", "x");
  ZKBehavior missingAgain = request("no_such_module", "f");
  request("no_such_module", "g");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "open failed\nopen failed\n");
  EXPECT_TRUE(missing.isValid() && missing.sameDefinition(missingAgain));
  EXPECT_EQ(missing.getCallbackFunc(), nullptr);

  // Through a world: activation initialises, update acts, deactivation
  // finishes; a behaviour without functions runs as nothing.
  ZKComponentDB world;
  auto* c = new ZKComponent("Counter", "Counter", "ZKNoFile", nullptr, &world);
  c->ref();
  world.addComponent(c, 1, nullptr);
  c->addBehavior("count", world.getBehavior("recorder", "rec_action", "", "", kNoEvents,
                                            kNoDependencies));
  c->addBehavior("none", missing);
  world.activateBehavior("Counter", "count", 1);
  world.activateBehavior("Counter", "none", 0);
  EXPECT_EQ(calls(c), 100.0f);
  c->update();
  c->update();
  EXPECT_EQ(calls(c), 102.0f);
  world.deactivateBehavior("Counter", "count");
  c->update();
  EXPECT_EQ(calls(c), 10102.0f);
  EXPECT_EQ(c->isActivatedAtStartup("count"), 1);
}

// The last library object goes when the process ends: it writes its line
// once and closes the modules, and the process still ends cleanly.
TEST_F(BehaviorTest, LastLibraryFlushesAndUnloadsAtExit) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(out[1], 1);
    close(out[0]);
    {
      ZKBehaviorLibrary library;
      library.getBehavior("recorder", "rec_fini", "", "", kNoEvents, kNoDependencies);
    }
    std::fflush(stdout);
    std::exit(0);
  }
  close(out[1]);
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  auto count = [&text](const std::string& line) {
    int n = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("flush called\n"), 1) << text;
  EXPECT_EQ(count("recorder unloaded\n"), 1) << text;
}

// A world that records every activation and deactivation the rules make.
class RecordingWorld : public ZKComponentDB {
 public:
  void activateBehavior(ZKComponent* c, const RWCString& b, int startup) override {
    log.push_back("+" + b.str());
    ZKComponentDB::activateBehavior(c, b, startup);
  }
  void deactivateBehavior(ZKComponent* c, const RWCString& b) override {
    log.push_back("-" + b.str());
    ZKComponentDB::deactivateBehavior(c, b);
  }
  using ZKComponentDB::activateBehavior;
  using ZKComponentDB::deactivateBehavior;
  std::vector<std::string> log;
};

class RulesTest : public BehaviorTest {
 protected:
  void SetUp() override {
    c = new ZKComponent("Robot", "Robot", "ZKNoFile", nullptr, &world);
    c->ref();
    world.addComponent(c, 1, nullptr);
    for (const char* name : {"S", "T", "U"}) c->addBehavior(name, plainBehavior(name));
  }
  std::string active() {
    RWTValSortedVector<RWCString> names;
    c->getActiveBehaviorNames(names);
    std::string text;
    for (const RWCString& n : names) text += n.str();
    return text;
  }
  void activate(const char* name) { world.activateBehavior(c, name, 0); }
  void deactivate(const char* name) { world.deactivateBehavior(c, name); }

  RecordingWorld world;
  ZKComponent* c = nullptr;
};

TEST_F(RulesTest, TriggersAndOverrides) {
  c->addRule("S", "T", ZKComponent::triggers);
  activate("S");
  EXPECT_EQ(active(), "ST");
  deactivate("S");
  EXPECT_EQ(active(), "");
  EXPECT_EQ(world.log, (std::vector<std::string>{"+S", "+T", "-S", "-T"}));

  c->removeRule("S", "T", ZKComponent::triggers);
  c->addRule("S", "T", ZKComponent::overrides);
  c->addRule("S", "t", ZKComponent::overrides);  // the same rule, case aside
  ASSERT_EQ(c->getRules("S")->entries(), 1u);
  EXPECT_EQ(c->getRules("T")->entries(), 1u);
  EXPECT_EQ(c->getRules("t"), nullptr);
  activate("T");
  activate("S");
  EXPECT_EQ(active(), "S");
  activate("T");  // T is overridden by S
  EXPECT_EQ(active(), "S");
}

TEST_F(RulesTest, SuppressesAndToggles) {
  c->addRule("S", "T", ZKComponent::suppresses);
  activate("T");
  activate("S");
  EXPECT_EQ(active(), "S");
  deactivate("S");
  EXPECT_EQ(active(), "T");
  deactivate("T");
  activate("S");
  activate("T");  // held back while S is active
  EXPECT_EQ(active(), "S");
  deactivate("S");
  EXPECT_EQ(active(), "T");

  deactivate("T");
  c->removeRule("S", "T", ZKComponent::suppresses);
  c->removeRule("T", "S", ZKComponent::is_suppressed);
  c->addRule("S", "U", ZKComponent::toggles);
  activate("U");
  activate("S");
  EXPECT_EQ(active(), "S");
  deactivate("S");
  EXPECT_EQ(active(), "U");
  activate("S");  // the reciprocal: U toggles S as well
  EXPECT_EQ(active(), "S");
}

TEST_F(RulesTest, RuleCyclesEnd) {
  c->addRule("S", "T", ZKComponent::triggers);
  c->addRule("T", "S", ZKComponent::triggers);
  activate("S");
  EXPECT_EQ(active(), "ST");
  deactivate("T");
  EXPECT_EQ(active(), "");

  c->addRule("T", "U", ZKComponent::triggers);
  c->addRule("U", "S", ZKComponent::triggers);
  world.log.clear();
  activate("U");
  EXPECT_EQ(active(), "STU");
  // Each ring member is asked once more by the rule that closes the ring.
  EXPECT_EQ(world.log, (std::vector<std::string>{"+U", "+S", "+T", "+S", "+U"}));
  deactivate("S");
  EXPECT_EQ(active(), "");
}

std::vector<std::string> g_ran;

TEST_F(RulesTest, ExecuteUpdateAndStartupList) {
  c->addBehavior("A", plainBehavior("A", [](ZKComponent*) { g_ran.push_back("A"); }));
  c->addBehavior("B", plainBehavior("B", [](ZKComponent*) { g_ran.push_back("B"); }));
  c->addBehavior("A", plainBehavior("A2"));  // the name is taken
  c->addBehavior("bad", ZKBehavior());
  EXPECT_EQ(c->getNumBehaviors(), 5);
  g_ran.clear();
  c->executeBehavior("B");  // not active, runs anyway
  EXPECT_EQ(g_ran, (std::vector<std::string>{"B"}));
  activate("B");
  activate("A");
  activate("missing");
  c->update();
  EXPECT_EQ(g_ran, (std::vector<std::string>{"B", "A", "B"}));

  c->setActivatedAtStartup("Z", 1);
  c->deactivateBehavior("Z", 1);
  EXPECT_EQ(c->isActivatedAtStartup("Z"), 0);
  c->setActivatedAtStartup("missing", 1);
  activate("missing");
  EXPECT_EQ(active(), "AB");

  c->setBehaviorName("A", "B");  // taken
  c->setBehaviorName("A", "Alpha");
  EXPECT_EQ(c->getBehaviorName(c->getBehavior("Alpha")), "Alpha");
  c->removeBehavior("Alpha");
  EXPECT_EQ(c->isValidBehavior("Alpha"), 0);
  EXPECT_EQ(active(), "AB");  // removal does not deactivate
  EXPECT_STREQ(ZKComponent::ruleName(ZKComponent::toggles), "toggles");
  EXPECT_STREQ(ZKComponent::ruleName(static_cast<ZKComponent::Rule_t>(9)), "no_relationship");

  // Without a world nothing activates.
  auto* lone = new ZKComponent("Lone");
  lone->ref();
  lone->addBehavior("S", plainBehavior("S"));
  lone->activateBehavior("S", 0);
  RWTValSortedVector<RWCString> names;
  lone->getActiveBehaviorNames(names);
  EXPECT_TRUE(names.isEmpty());
  lone->unref();
}

}  // namespace
