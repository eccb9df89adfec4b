#include <zkcp/attribute/ZKAttributeKinds.h>
#include <zkcp/attribute/ZKLinearAttributes.h>
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/attribute/ZKStringAttributes.h>
#include <zkcp/attribute/ZKThreshold.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/vrml/zkofstream.h>

#include <Inventor/SbString.h>
#include <Inventor/sensors/SoFieldSensor.h>

#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

class AttributeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ZKComponent::initClass(); }
};

std::string vrmlText(const ZKAttribute& a) {
  // One file per process: ctest runs the tests of this program in parallel.
  const std::string path =
      ::testing::TempDir() + "zk_attribute_value_" + std::to_string(getpid()) + ".txt";
  {
    zkofstream os(path.c_str());
    writeAttributeValue(os, a);
  }
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string fieldText(ZKAttribute& a) {
  SbString text;
  a.get(text);
  return text.getString();
}

// Records every check as "<attribute name>:<tag>" in one shared log.
class LoggingThreshold : public ZKThreshold {
 public:
  LoggingThreshold(std::vector<std::string>* log, std::string tag, int* deaths = nullptr)
      : log_(log), tag_(std::move(tag)), deaths_(deaths) {}
  ~LoggingThreshold() override {
    if (deaths_) ++*deaths_;
  }
  int check(ZKAttribute* a) override {
    log_->push_back(a->getName().str() + ":" + tag_);
    return 1;
  }
  void watch(ZKAttribute* a) { addThreshold(a); }
  void unwatch(ZKAttribute* a) { removeThreshold(a); }

 private:
  std::vector<std::string>* log_;
  std::string tag_;
  int* deaths_;
};

struct KindCase {
  const char* typeName;
  const char* keyword;
  const char* vrmlType;
  std::function<void(ZKAttribute*)> set;  // a typed setter
  const char* fieldText;                  // SoField::get after set
  const char* vrmlText;                   // writeAttributeValue after set
  const char* readText;                   // accepted by SoField::set, or null
};

TEST_F(AttributeTest, EachKindHasItsTextsAndRoundTrips) {
  int marker = 0;
  const std::string pointerText = std::to_string(reinterpret_cast<uintptr_t>(&marker));
  const KindCase cases[] = {
      {"ZKBoolAttribute", "bool", "SFBool ",
       [](ZKAttribute* a) { static_cast<ZKBoolAttribute*>(a)->setValue(1); }, "1",
       "TRUE           ", "0"},
      {"ZKFloatAttribute", "float", "SFFloat ",
       [](ZKAttribute* a) { static_cast<ZKFloatAttribute*>(a)->setValue(0.1f); }, "0.1",
       "0.1            ", "-2.5"},
      {"ZKStringAttribute", "string", "SFString ",
       [](ZKAttribute* a) { static_cast<ZKStringAttribute*>(a)->setValue("a \"b\" c"); },
       "\"a \\\"b\\\" c\"", "\"a \"b\" c\"      ", "word"},
      {"ZKMFStringAttribute", "string_list", "MFString ",
       [](ZKAttribute* a) {
         SoMFString list;
         list.set1Value(0, "x");
         list.set1Value(1, "longer entry");
         static_cast<ZKMFStringAttribute*>(a)->setValue(list);
       },
       "", "[              \"x\"            \"longer entry\" ]\n", nullptr},
      {"ZKRotationAttribute", "rotation", "SFRotation ",
       [](ZKAttribute* a) {
         static_cast<ZKRotationAttribute*>(a)->setValue(SbVec3f(0, 1, 0), 0.5f);
       },
       "0 1 0 0.5", "0          1          0          0.5       ", "0 0 1 0"},
      {"ZKVec3fAttribute", "vec3f", "SFVec3f ",
       [](ZKAttribute* a) { static_cast<ZKVec3fAttribute*>(a)->setValue(1, -2, 3.5f); },
       "1 -2 3.5", "1          -2         3.5       ", "4 5 6"},
      {"ZKColorAttribute", "color", "SFColor ",
       [](ZKAttribute* a) { static_cast<ZKColorAttribute*>(a)->setValue(2, 0.5f, 0); },
       "2 0.5 0", "2          0.5        0         ", "0.25 0.5 1"},
      {"ZKTimeAttribute", "time ", "SFTime ",
       [](ZKAttribute* a) { static_cast<ZKTimeAttribute*>(a)->setValue(-1.5); }, "-1.5",
       "-1.5           ", "12.25"},
      {"ZKVoidPointerAttribute", "string", "SFString ",
       [&marker](ZKAttribute* a) { static_cast<ZKVoidPointerAttribute*>(a)->setValue(&marker); },
       pointerText.c_str(), "", "0"},
  };
  for (const KindCase& c : cases) {
    SCOPED_TRACE(c.typeName);
    const SoType type = SoType::fromName(c.typeName);
    ASSERT_FALSE(type.isBad());
    EXPECT_EQ(type.getParent(), ZKAttribute::getClassTypeId());
    auto* a = static_cast<ZKAttribute*>(type.createInstance());
    auto* b = static_cast<ZKAttribute*>(type.createInstance());
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(attributeTypeKeyword(*a), c.keyword);
    EXPECT_STREQ(attributeVrmlTypeName(*a), c.vrmlType);

    c.set(a);
    EXPECT_EQ(fieldText(*a), c.fieldText);
    EXPECT_EQ(vrmlText(*a), c.vrmlText);

    // Conversion copies the value between attributes of one kind only.
    EXPECT_FALSE(b->isSame(*a));
    b->setValue(a);
    EXPECT_TRUE(b->isSame(*a));
    ZKBoolAttribute other;
    other.setValue(7);
    b->setValue(&other);
    if (type != ZKBoolAttribute::getClassTypeId()) EXPECT_TRUE(b->isSame(*a));

    if (c.readText) {
      EXPECT_TRUE(b->set(c.readText));
      EXPECT_FALSE(b->isSame(*a));
      const std::string back = fieldText(*b);
      EXPECT_TRUE(a->set(back.c_str()));
      EXPECT_EQ(fieldText(*a), back);
    } else {
      EXPECT_FALSE(b->set("[\"x\"]"));
    }
    delete a;
    delete b;
  }
}

TEST_F(AttributeTest, EdgeValues) {
  ZKBoolAttribute flag;
  EXPECT_FALSE(flag.set("TRUE"));
  EXPECT_TRUE(flag.set("5"));
  EXPECT_EQ(fieldText(flag), "5");
  EXPECT_EQ(vrmlText(flag), "TRUE           ");

  ZKFloatAttribute f;
  f.setValue(-1e30f);
  EXPECT_EQ(vrmlText(f), "-1e+30         ");
  f.setValue(NAN);
  EXPECT_FALSE(f == f);
  ZKFloatAttribute g;
  g.setValue(std::nextafter(1.0f, 2.0f));
  f.setValue(1.0f);
  EXPECT_TRUE(f != g);

  ZKStringAttribute s;
  EXPECT_EQ(vrmlText(s), "\"\"             ");
  EXPECT_TRUE(s.set("\"  two  blanks \""));
  EXPECT_EQ(s.getValue(), "  two  blanks ");
  EXPECT_FALSE(s.set(""));

  ZKRotationAttribute r;
  r.setValue(SbRotation::identity());
  EXPECT_EQ(fieldText(r), "0 0 1 0");
  EXPECT_FALSE(r.set("1 2 x 4"));

  ZKTimeAttribute t;
  t.setValue(2.5);
  time_t sec = 0;
  long usec = 0;
  t.getValue().getValue(sec, usec);
  EXPECT_EQ(sec, 2);
  EXPECT_EQ(usec, 500000);
  t.setValue(1e12);  // beyond 32-bit seconds: held at the end of the range
  EXPECT_EQ(fieldText(t), "2147483647");

  ZKMFStringAttribute list;
  list.getActualValue().set1Value(0, "only");
  list.setValue(list.getValue());
  ASSERT_EQ(list.getValue().getNum(), 1);
  EXPECT_EQ(std::string(list.getValue()[0].getString()), "only");

  ZKVoidPointerAttribute p;
  EXPECT_FALSE(p.set("-1"));
  EXPECT_FALSE(p.set("99999999999999999999999"));
  EXPECT_TRUE(p.set("4096"));
  EXPECT_EQ(p.getValue(), reinterpret_cast<void*>(4096));

  ZKAttribute plain;
  EXPECT_FALSE(plain.set("1"));
  EXPECT_EQ(vrmlText(plain), "");
  EXPECT_EQ(plain.createSensor(nullptr), nullptr);
}

// A float kind of its own, to show that isSame wants the exact type.
class DerivedFloat : public ZKFloatAttribute {
 public:
  static int deaths;
  static SoType type() {
    static SoType t = SoType::createType(ZKFloatAttribute::getClassTypeId(), "ZKTestFloat");
    return t;
  }
  ~DerivedFloat() override { ++deaths; }
  SoType getTypeId() const override { return type(); }
};
int DerivedFloat::deaths = 0;

TEST_F(AttributeTest, AssignmentCopiesOnlyTheValueAndTypesAreExact) {
  ZKFloatAttribute a, b;
  a.setName("a");
  b.setName("b");
  a.setIsHidden(1);
  a.setValue(3.0f);
  b = a;
  EXPECT_EQ(b.getName(), "b");
  EXPECT_EQ(b.isHidden(), 0);
  EXPECT_EQ(b.getValue(), 3.0f);

  DerivedFloat d;
  d.setValue(3.0f);
  EXPECT_FALSE(a.isSame(d));
  EXPECT_FALSE(d.isSame(a));
  b.setValue(&d);  // a derived kind converts
  EXPECT_EQ(b.getValue(), 3.0f);
  EXPECT_STREQ(attributeTypeKeyword(d), "string");

  // Only text and the untyped setter notify the field's sensors.
  SoFieldSensor* sensor = a.createSensor([](void* data, SoSensor*) {
    static_cast<ZKFloatAttribute*>(data)->setName("notified");
  });
  ASSERT_NE(sensor, nullptr);
  sensor->setPriority(0);
  a.setValue(4.0f);
  a += 1.0f;
  EXPECT_EQ(a.getName(), "a");
  EXPECT_TRUE(a.set("2"));
  EXPECT_EQ(a.getName(), "notified");
  delete sensor;
}

TEST_F(AttributeTest, ThresholdsRunFromSettersInOrder) {
  std::vector<std::string> log;
  int deaths = 0;
  ZKFloatAttribute f;
  f.setName("f");
  ZKTimeAttribute t;
  t.setName("t");
  ZKMFStringAttribute list;
  list.setName("list");
  auto* first = new LoggingThreshold(&log, "1", &deaths);
  auto* second = new LoggingThreshold(&log, "2", &deaths);
  first->watch(&f);
  second->watch(&f);
  first->watch(&f);
  first->watch(&t);
  second->watch(&list);
  EXPECT_EQ(first->getCount(), 3);

  f.setValue(1.0f);
  f = 1.0f;  // same value: checked again
  f += 2.0f;
  EXPECT_TRUE(f.set("9"));
  t.setValue(2.5);
  t = 2.5;
  t += 1.0;
  t = SbTime(1.0);
  list.setValue(SoMFString());
  EXPECT_EQ(log, (std::vector<std::string>{"f:1", "f:2", "f:1", "f:1", "f:2", "f:1", "t:1",
                                            "t:1"}));

  // A copy checks the same thresholds.
  log.clear();
  ZKFloatAttribute copy(f);
  copy.setValue(0.0f);
  EXPECT_EQ(log, (std::vector<std::string>{"f:1", "f:2", "f:1"}));

  // One removal takes out only the first of two registrations.
  log.clear();
  first->unwatch(&f);
  f.setValue(5.0f);
  EXPECT_EQ(log, (std::vector<std::string>{"f:2", "f:1"}));
  first->unwatch(&f);
  EXPECT_EQ(deaths, 0);
  first->unwatch(&t);
  EXPECT_EQ(deaths, 1);
  second->unwatch(&f);
  EXPECT_EQ(deaths, 1);
  second->unwatch(&list);
  EXPECT_EQ(deaths, 2);
  log.clear();
  f.setValue(6.0f);
  EXPECT_TRUE(log.empty());
}

TEST_F(AttributeTest, ComponentKeepsAndOwnsItsAttributes) {
  auto* c = new ZKComponent("Holder");
  c->ref();
  auto* speed = new ZKFloatAttribute;
  speed->setValue(1.5f);
  auto* label = new ZKStringAttribute;
  label->setValue("door");
  auto* owned = new DerivedFloat;
  c->addAttribute("speed", speed);
  c->addAttribute("label", label);
  c->addAttribute("owned", owned);
  c->addAttribute("", speed);
  c->addAttribute("null", nullptr);
  EXPECT_EQ(c->getNumAttributes(), 3);
  EXPECT_EQ(speed->getOwner(), c);
  EXPECT_EQ(c->getAttribute("speed"), speed);
  EXPECT_EQ(c->getAttribute("Speed"), nullptr);
  EXPECT_EQ(*c->getAttributeName(label), "label");

  c->setAttributeName("speed", "label");  // taken: nothing changes
  EXPECT_EQ(c->getAttribute("label"), label);
  c->setAttributeName(speed, "rate");
  EXPECT_EQ(c->getAttribute("rate"), speed);
  EXPECT_EQ(c->isValidAttribute("speed"), 0);

  RWTValSortedVector<RWCString> names;
  names.insert("stale");
  c->getAttributeNames(names);
  ASSERT_EQ(names.entries(), 3u);
  EXPECT_EQ(names[0], "label");
  EXPECT_EQ(names[2], "rate");

  // Values come and go in table order through their Inventor text.
  RWTValSortedVector<RWCString> values;
  c->getAttributeValues(values);
  EXPECT_TRUE(values.isEmpty());
  for (int i = 0; i < 3; ++i) values.insert("");
  c->getAttributeValues(values);
  std::vector<std::string> seen;
  for (const RWCString& v : values) seen.push_back(v.str());
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"\"door\"", "0", "1.5"}));
  speed->setValue(7.0f);
  label->setValue("wall");
  c->setAttributeValues(values);
  EXPECT_EQ(speed->getValue(), 1.5f);
  EXPECT_EQ(label->getValue(), "door");

  c->removeAttribute("label");
  EXPECT_EQ(c->getNumAttributes(), 2);
  delete label;  // the caller owns a removed attribute again

  DerivedFloat::deaths = 0;
  c->unref();
  EXPECT_EQ(DerivedFloat::deaths, 1);
}

}  // namespace
