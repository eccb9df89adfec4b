#ifndef ZKCP_ATTRIBUTE_ZKEXPRESSION_H
#define ZKCP_ATTRIBUTE_ZKEXPRESSION_H

#include <zkcp/attribute/Type.h>
#include <zkcp/attribute/ZKOperand.h>

class ZKExpressionRep;

// A shared handle on the comparison of two operands by an operator. Copies
// share one representation, which goes with the last handle.
class ZKExpression {
 public:
  enum Operator { EQUAL = 0, GREATER_EQUAL = 1, LESS_EQUAL = 2 };

  // A new representation holding copies of both operands (sharing their
  // values) and `op`.
  ZKExpression(const ZKOperand& left, const ZKOperand& right, Operator op);
  ZKExpression(const ZKExpression& other);
  ZKExpression& operator=(const ZKExpression& other);
  ~ZKExpression();

  int evaluate() const;
  Type::Syntax getSyntax() const;

  // The shared representation, which applies the operator to operands
  // through ZKExpressionRep::operation.
  const ZKExpressionRep* rep() const { return rep_; }

 private:
  void release();

  ZKExpressionRep* rep_;
};

// What ZKExpression handles share: the two operands, the operator and the
// number of handles.
class ZKExpressionRep {
 public:
  // Identifies the class in isA by its address.
  static const char* const s_classId;

  static ZKExpressionRep* cast(ZKExpressionRep* p) { return p; }

  ZKExpressionRep(const ZKExpressionRep& other) = default;
  ZKExpressionRep& operator=(const ZKExpressionRep& other) = default;
  virtual ~ZKExpressionRep() = default;

  // Always false: the operator is applied by operation.
  virtual int evaluate() const;
  // `left` compared with `right` by the stored operator; false for a value
  // outside ZKExpression::Operator.
  virtual int operation(const ZKOperand& left, const ZKOperand& right) const;
  // A new representation with the same count, operands and operator; the
  // caller owns it.
  virtual ZKExpressionRep* clone() const;
  // True only for the very pointer s_classId, not for a copy of its text.
  virtual int isA(const char* classId) const;
  virtual Type::Syntax getSyntax() const;

  int count() const { return count_; }
  const ZKOperand& left() const { return left_; }
  const ZKOperand& right() const { return right_; }
  int op() const { return op_; }

 private:
  friend class ZKExpression;

  ZKExpressionRep(const ZKOperand& left, const ZKOperand& right, ZKExpression::Operator op);

  int count_;
  ZKOperand left_;
  ZKOperand right_;
  int op_;
};

#endif
