#ifndef ZKCP_ATTRIBUTE_TYPE_H
#define ZKCP_ATTRIBUTE_TYPE_H

// Scopes the kinds of values a condition can compare. The ten operand kinds
// from 1000 to 1045 carry no meaning of their own: each application's operand
// classes decide which kind names which value. 1050 is an expression.
class Type {
 public:
  enum Syntax {
    OPERAND_1000 = 1000,
    OPERAND_1005 = 1005,
    OPERAND_1010 = 1010,
    OPERAND_1015 = 1015,
    OPERAND_1020 = 1020,
    OPERAND_1025 = 1025,
    OPERAND_1030 = 1030,
    OPERAND_1035 = 1035,
    OPERAND_1040 = 1040,
    OPERAND_1045 = 1045,
    EXPRESSION = 1050
  };
};

#endif
