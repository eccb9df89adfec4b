#include <zkcp/attribute/Type.h>
#include <zkcp/attribute/ZKExpression.h>
#include <zkcp/attribute/ZKOperand.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// An integer of a chosen kind. compare returns the plain difference, so values
// one apart give -1/1 and values further apart give a result outside -1..1.
struct IntRep : OperandRep {
  IntRep(int value, Type::Syntax kind) : value(value), kind(kind) { count = 1; }
  ~IntRep() override { ++destroyed; }
  Type::Syntax getSyntax() const override { return kind; }
  int compare(const OperandRep* other) const override {
    return value - static_cast<const IntRep*>(other)->value;
  }
  inline static int destroyed = 0;
  const int value;
  const Type::Syntax kind;
};

class IntOperand : public ZKOperand {
 public:
  explicit IntOperand(int value, Type::Syntax kind = Type::OPERAND_1005)
      : ZKOperand(new IntRep(value, kind)) {}
  int useCount() const { return rep()->count; }
};

// Runs `f` and returns what it wrote to standard output.
template <typename F>
std::string stdoutOf(F f) {
  return testing::internal::CaptureStdout(), f(), testing::internal::GetCapturedStdout();
}

TEST(ZKOperand, CopiesAssignmentAndCloneShareOneValue) {
  const int destroyedBefore = IntRep::destroyed;
  {
    IntOperand a(4);
    EXPECT_EQ(a.useCount(), 1);
    IntOperand b(a);
    b = b;
    EXPECT_EQ(b.useCount(), 2);

    IntOperand c(9);
    c = a;  // c's own value goes with its only handle
    EXPECT_EQ(IntRep::destroyed, destroyedBefore + 1);
    EXPECT_EQ(a.useCount(), 3);

    std::unique_ptr<ZKOperand> d(a.clone());
    EXPECT_EQ(a.useCount(), 4);
    EXPECT_EQ(stdoutOf([&] { EXPECT_TRUE(d->equal(a)); }), "1005\n1005\n");
    d.reset();
    EXPECT_EQ(a.useCount(), 3);
    EXPECT_EQ(IntRep::destroyed, destroyedBefore + 1);
  }
  EXPECT_EQ(IntRep::destroyed, destroyedBefore + 2);
}

TEST(ZKOperand, OnlySameKindValuesCompareByTheThreeWayResult) {
  // 2 against 1, 2, 3 (results -1..1); 3 against 1 (result 2, no outcome);
  // 2 against a 2 of another kind; then empty against empty, 2, and back.
  const IntOperand one(1), two(2), three(3), otherKind(2, Type::OPERAND_1010);
  const ZKOperand empty;
  const std::pair<const ZKOperand*, const ZKOperand*> pairs[] = {
      {&two, &one},       {&two, &two},     {&two, &three}, {&three, &one},
      {&two, &otherKind}, {&empty, &empty}, {&empty, &two}, {&two, &empty}};
  auto results = [&](bool (ZKOperand::*test)(const ZKOperand&) const) {
    std::string r;
    for (const auto& [x, y] : pairs) r += (x->*test)(*y) ? '1' : '0';
    return r;
  };
  stdoutOf([&] {
    EXPECT_EQ(results(&ZKOperand::sameSyntax), "11110000");
    EXPECT_EQ(results(&ZKOperand::equal), "01000000");
    EXPECT_EQ(results(&ZKOperand::notEqual), "10111111");
    EXPECT_EQ(results(&ZKOperand::greaterThan), "10000000");
    EXPECT_EQ(results(&ZKOperand::lessThan), "00100000");
    EXPECT_EQ(results(&ZKOperand::greaterThanOrEqual), "11000000");
    EXPECT_EQ(results(&ZKOperand::lessThanOrEqual), "01100000");
  });

  // An empty operand on either side is never asked for a kind.
  EXPECT_EQ(stdoutOf([&] { EXPECT_TRUE(empty.notEqual(two) && !two.lessThanOrEqual(empty)); }),
            "");
}

TEST(ZKOperand, KindTestsWriteTheOtherKindThenTheirOwn) {
  const IntOperand a(1, Type::OPERAND_1005), b(1, Type::OPERAND_1010);
  EXPECT_EQ(stdoutOf([&] { EXPECT_TRUE(!a.equal(b) && a.notEqual(b)); }),
            "1010\n1005\n1010\n1005\n");
  EXPECT_EQ(stdoutOf([&] { EXPECT_TRUE(b.sameSyntax(IntOperand(7, Type::OPERAND_1010))); }),
            "1010\n1010\n");
  EXPECT_EQ(stdoutOf([&] { EXPECT_EQ(b.getSyntax(), Type::OPERAND_1010); }), "1010\n");
  EXPECT_EQ(stdoutOf([&] { EXPECT_EQ(ZKOperand().getSyntax(), 0); }), "");
}

TEST(ZKExpression, CopiesShareOneRepresentationThatHoldsTheOperands) {
  const int destroyedBefore = IntRep::destroyed;
  {
    std::unique_ptr<ZKExpression> first;
    {
      IntOperand left(1), right(2);
      first = std::make_unique<ZKExpression>(left, right, ZKExpression::EQUAL);
      EXPECT_EQ(first->rep()->count(), 1);
      EXPECT_EQ(left.useCount() + right.useCount(), 4);
    }
    EXPECT_EQ(IntRep::destroyed, destroyedBefore);  // the expression still holds both

    ZKExpression copy(*first);
    copy = copy;
    EXPECT_EQ(copy.rep(), first->rep());
    EXPECT_EQ(copy.rep()->count(), 2);

    ZKExpression other(IntOperand(5), IntOperand(6), ZKExpression::LESS_EQUAL);
    EXPECT_EQ(IntRep::destroyed, destroyedBefore);
    other = copy;  // other's representation and both its operands go
    EXPECT_EQ(IntRep::destroyed, destroyedBefore + 2);
    EXPECT_EQ(copy.rep()->count(), 3);

    first.reset();
    other = copy;
    EXPECT_EQ(copy.rep()->count(), 2);
    EXPECT_EQ(copy.evaluate(), 0);
    EXPECT_EQ(copy.getSyntax(), Type::EXPRESSION);
  }
  EXPECT_EQ(IntRep::destroyed, destroyedBefore + 4);
}

TEST(ZKExpressionRep, OperationAppliesTheStoredOperator) {
  const IntOperand low(1), mid(2), high(3), otherKind(2, Type::OPERAND_1010);
  auto results = [&](int op) {
    const ZKExpression e(low, high, static_cast<ZKExpression::Operator>(op));
    std::string r;
    for (const ZKOperand* x : {&low, &mid, &high, &otherKind})
      r += std::to_string(e.rep()->operation(*x, mid));
    return r;
  };
  stdoutOf([&] {
    EXPECT_EQ(results(ZKExpression::EQUAL), "0100");
    EXPECT_EQ(results(ZKExpression::GREATER_EQUAL), "0110");
    EXPECT_EQ(results(ZKExpression::LESS_EQUAL), "1100");
    EXPECT_EQ(results(3), "0000");
    const ZKExpression held(low, mid, ZKExpression::LESS_EQUAL);
    EXPECT_EQ(held.rep()->operation(held.rep()->left(), held.rep()->right()), 1);
    EXPECT_EQ(held.rep()->operation(held.rep()->right(), held.rep()->left()), 0);
  });
}

TEST(ZKExpressionRep, CloneCopiesEverythingAndIsAComparesAddresses) {
  const IntOperand left(1), right(2);
  const ZKExpression e(left, right, ZKExpression::GREATER_EQUAL);
  const ZKExpression copy(e);
  std::unique_ptr<ZKExpressionRep> clone(e.rep()->clone());
  EXPECT_NE(clone.get(), e.rep());
  EXPECT_EQ(clone->count(), 2);
  EXPECT_EQ(clone->op(), ZKExpression::GREATER_EQUAL);
  EXPECT_EQ(left.useCount(), 3);
  EXPECT_EQ(ZKExpressionRep::cast(clone.get()), clone.get());
  clone.reset();
  EXPECT_EQ(left.useCount(), 2);
  EXPECT_EQ(e.rep()->count(), 2);

  const std::string text = ZKExpressionRep::s_classId;
  EXPECT_EQ(text, "Expression");
  EXPECT_TRUE(e.rep()->isA(ZKExpressionRep::s_classId));
  EXPECT_FALSE(e.rep()->isA(text.c_str()));
  EXPECT_FALSE(e.rep()->isA(nullptr));
  EXPECT_EQ(e.rep()->getSyntax(), Type::EXPRESSION);
}

}  // namespace
