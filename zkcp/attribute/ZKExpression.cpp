#include <zkcp/attribute/ZKExpression.h>

ZKExpression::ZKExpression(const ZKOperand& left, const ZKOperand& right, Operator op)
    : rep_(new ZKExpressionRep(left, right, op)) {}

ZKExpression::ZKExpression(const ZKExpression& other) : rep_(other.rep_) { ++rep_->count_; }

ZKExpression& ZKExpression::operator=(const ZKExpression& other) {
  if (this != &other) {
    release();
    rep_ = other.rep_;
    ++rep_->count_;
  }
  return *this;
}

ZKExpression::~ZKExpression() { release(); }

void ZKExpression::release() {
  if (rep_ != nullptr && --rep_->count_ == 0) delete rep_;
  rep_ = nullptr;
}

int ZKExpression::evaluate() const { return rep_->evaluate(); }

Type::Syntax ZKExpression::getSyntax() const { return rep_->getSyntax(); }

const char* const ZKExpressionRep::s_classId = "Expression";

ZKExpressionRep::ZKExpressionRep(const ZKOperand& left, const ZKOperand& right,
                                 ZKExpression::Operator op)
    : count_(1), left_(left), right_(right), op_(op) {}

int ZKExpressionRep::evaluate() const { return 0; }

int ZKExpressionRep::operation(const ZKOperand& left, const ZKOperand& right) const {
  switch (op_) {
    case ZKExpression::EQUAL:
      return left.equal(right);
    case ZKExpression::GREATER_EQUAL:
      return left.greaterThanOrEqual(right);
    case ZKExpression::LESS_EQUAL:
      return left.lessThanOrEqual(right);
    default:
      return 0;
  }
}

ZKExpressionRep* ZKExpressionRep::clone() const { return new ZKExpressionRep(*this); }

int ZKExpressionRep::isA(const char* classId) const { return classId == s_classId; }

Type::Syntax ZKExpressionRep::getSyntax() const { return Type::EXPRESSION; }
