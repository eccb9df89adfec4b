#ifndef ZKCP_ATTRIBUTE_ZKOPERAND_H
#define ZKCP_ATTRIBUTE_ZKOPERAND_H

#include <zkcp/attribute/Type.h>

// The value behind one or more ZKOperand handles. Applications derive from it,
// giving the kind of the value and a three-way comparison with another value
// of the same kind.
//
// `count` is the number of handles sharing the representation. This class
// leaves it at 0; a concrete representation starts it at 1, counting the
// handle that creates it, and hands itself to that handle through
// ZKOperand's protected constructor. The last handle to let go deletes it.
class OperandRep {
 public:
  virtual ~OperandRep() = default;

  virtual Type::Syntax getSyntax() const = 0;

  // -1 when this value is less than `other`, 0 when equal, 1 when greater.
  // `other` is always of the same kind as this value.
  virtual int compare(const OperandRep* other) const = 0;

  int count = 0;
};

// A shared handle on an operand value. Copies share the representation;
// operands of different kinds, or without a representation, are never equal
// nor ordered. Each kind test writes the two kinds to standard output, one a
// line, the other operand's first.
class ZKOperand {
 public:
  ZKOperand() = default;
  ZKOperand(const ZKOperand& other);
  ZKOperand& operator=(const ZKOperand& other);
  virtual ~ZKOperand();

  // A new handle on the heap sharing this representation; the caller owns it.
  ZKOperand* clone() const;

  // Writes the kind as a decimal number and a line end to standard output and
  // returns it. An operand without a representation writes nothing and
  // returns 0.
  Type::Syntax getSyntax() const;

  // Whether both operands have a representation of the same kind. Writes
  // `o`'s kind, then this one's, unless either has no representation.
  bool sameSyntax(const ZKOperand& o) const;

  bool equal(const ZKOperand& o) const;
  bool notEqual(const ZKOperand& o) const;
  bool greaterThan(const ZKOperand& o) const;
  bool lessThan(const ZKOperand& o) const;
  bool greaterThanOrEqual(const ZKOperand& o) const;
  bool lessThanOrEqual(const ZKOperand& o) const;

 protected:
  // Takes over a new representation whose count its constructor already set
  // to 1 for this handle; the count is not changed here.
  explicit ZKOperand(OperandRep* rep);

  OperandRep* rep() const { return rep_; }

  // Lets go of the representation, deleting it when this was the last handle.
  void release();
  // Shares `other`'s representation.
  void copy(const ZKOperand& other);

 private:
  // The three-way comparison of the two values, or 2 (matching no outcome)
  // when the kinds differ or either operand is empty.
  int compareWith(const ZKOperand& o) const;

  OperandRep* rep_ = nullptr;
};

#endif
