#include <zkcp/behavior/ZKField.h>

#include <Inventor/SoDB.h>
#include <Inventor/fields/SoFields.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <vector>

namespace {

class FieldTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SoDB::init(); }
};

SoField* held(const ZKField& f) { return f.value().field; }

// One assignment overload: the type it gives, and a source of its class with
// its first or its other values.
struct Assignment {
  ZKField::TYPE type;
  std::function<std::unique_ptr<SoField>(bool other)> make;
  std::function<void(ZKField&, SoField*)> assign;
};

template <class T>
Assignment assignment(ZKField::TYPE type, void (*fill)(T&, bool other) = nullptr) {
  return {type,
          [fill](bool other) {
            auto f = std::make_unique<T>();
            if (fill) fill(*f, other);
            return std::unique_ptr<SoField>(std::move(f));
          },
          [](ZKField& z, SoField* f) { z = static_cast<T*>(f); }};
}

void speeds(SoMFFloat& f, bool other) {
  const float values[] = {1.5f, 2.5f};
  f.setValues(0, other ? 1 : 2, values);
}

TEST_F(FieldTest, TypeFromTextAndBack) {
  const char* const texts[] = {
      "None",     "SFBool",     "SFColor",    "MFColor",  "SFFloat",  "MFFloat", "SFImage",
      "SFInt32",  "MFInt32",    "SFNode",     "MFNode",   "SFRotation", "MFRotation",
      "SFString", "MFString",   "SFTime",     "MFTime",   "SFVec2f",  "MFVec2f", "SFVec3f",
      "MFVec3f"};
  for (int t = 0; t <= 20; ++t) {
    Std_CString back = "keep";
    EXPECT_EQ(ZKField("f", texts[t], nullptr).type(back), t);
    EXPECT_EQ(back, texts[t]);
    EXPECT_EQ(ZKField("f", static_cast<ZKField::TYPE>(t), nullptr).type(), t);
  }
  for (const char* bad : {"sfvec3f", ""}) EXPECT_EQ(ZKField("f", bad, nullptr).type(), 0) << bad;

  Std_CString text = "keep";
  EXPECT_EQ(ZKField("f", static_cast<ZKField::TYPE>(21), nullptr).type(text), 21);
  EXPECT_EQ(text, "keep");
}

TEST_F(FieldTest, EachAssignmentGivesItsTypeAndOwnValue) {
#define ONE(T) assignment<So##T>(ZKField::T)
  const std::vector<Assignment> all = {
      ONE(MFVec3f), ONE(SFVec3f), ONE(MFVec2f), ONE(SFVec2f), ONE(MFString), ONE(SFString),
      ONE(MFRotation), ONE(SFRotation), ONE(MFNode), ONE(SFNode), ONE(MFInt32), ONE(SFInt32),
      ONE(SFImage), ONE(MFFloat), ONE(SFFloat), ONE(MFColor), ONE(SFColor), ONE(SFBool)};
#undef ONE
  ZKField z("f", ZKField::SFFloat, nullptr);
  for (const Assignment& a : all) {
    SCOPED_TRACE(ZKField::typeText(a.type));
    a.assign(z, nullptr);
    EXPECT_TRUE(z.type() == a.type && !held(z));

    std::unique_ptr<SoField> source = a.make(false);
    a.assign(z, source.get());
    EXPECT_EQ(z.type(), a.type);
    if (a.type == ZKField::SFNode || a.type == ZKField::MFNode) {
      EXPECT_EQ(held(z), nullptr);
    } else {
      ASSERT_NE(held(z), nullptr);
      EXPECT_NE(held(z), source.get());
      EXPECT_EQ(held(z)->getTypeId(), source->getTypeId());
    }
  }
}

TEST_F(FieldTest, HeldValueOutlivesChangesToTheSource) {
  static const unsigned char pixels[] = {10, 20, 30};
  const std::vector<Assignment> kinds = {
      assignment<SoSFVec3f>(ZKField::SFVec3f, [](SoSFVec3f& f, bool o) { f.setValue(o, 2, 3); }),
      assignment<SoMFFloat>(ZKField::MFFloat, speeds),
      assignment<SoMFString>(ZKField::MFString,
                             [](SoMFString& f, bool o) { f.set1Value(o ? 0 : 1, "shut"); }),
      assignment<SoSFBool>(ZKField::SFBool, [](SoSFBool& f, bool o) { f.setValue(!o); }),
      assignment<SoSFImage>(ZKField::SFImage, [](SoSFImage& f, bool o) {
        f.setValue(SbVec2s(2, 1), 1, pixels + o);
      })};
  for (const Assignment& k : kinds) {
    SCOPED_TRACE(ZKField::typeText(k.type));
    std::unique_ptr<SoField> source = k.make(false), expected = k.make(false);
    ZKField z("f", ZKField::None, nullptr);
    k.assign(z, source.get());
    ASSERT_NE(held(z), nullptr);
    EXPECT_TRUE(held(z)->isSame(*expected));

    source->copyFrom(*k.make(true));
    EXPECT_FALSE(source->isSame(*expected));
    EXPECT_TRUE(held(z)->isSame(*expected));
  }
}

TEST_F(FieldTest, CopiesAreIndependent) {
  SoMFFloat expected;
  speeds(expected, false);
  auto source = std::make_unique<SoMFFloat>();
  source->copyFrom(expected);
  auto original = std::make_unique<ZKField>("speed", ZKField::None, nullptr);
  *original = source.get();
  original->is() = "rate";

  ZKField copied(*original);
  ZKField assigned("old", ZKField::None, nullptr);
  SoSFVec3f previous;
  assigned = &previous;
  assigned = *original;
  for (const ZKField* c : {&copied, &assigned}) {
    EXPECT_TRUE(c->name() == "speed" && c->is() == "rate" && c->type() == ZKField::MFFloat);
    ASSERT_NE(held(*c), nullptr);
    EXPECT_NE(held(*c), held(*original));
  }
  static_cast<SoMFFloat*>(held(*original))->setValue(8);
  source->setValue(9);
  EXPECT_TRUE(held(copied)->isSame(expected));
  original.reset();
  source.reset();
  EXPECT_TRUE(held(copied)->isSame(expected) && held(assigned)->isSame(expected));

  ZKField& alias = copied;
  copied = alias;
  EXPECT_TRUE(copied.is() == "rate" && held(copied) && held(copied)->isSame(expected));

  // A time field gets its value only through the value union; copies keep it.
  ZKField time("t", "SFTime", nullptr);
  auto* when = new SoSFTime;
  when->setValue(SbTime(5.0));
  time.value().field = when;
  ZKField timeCopy(time);
  EXPECT_NE(held(timeCopy), when);
  EXPECT_TRUE(held(timeCopy) != nullptr && held(timeCopy)->isSame(*when));
}

TEST_F(FieldTest, PrintWritesNameBlankAndLineEnd) {
  std::ostringstream out;
  SoSFBool open;
  ZKField door("door", ZKField::SFBool, nullptr);
  door = &open;
  door.print(out);
  ZKField("", ZKField::SFFloat, nullptr).print(out);
  EXPECT_EQ(out.str(), "door \n \n");
}

}  // namespace
