#include <zkcp/vrml/FieldWriter.h>

#include <zkcp/behavior/ZKField.h>

#include <ostream>

std::ostream& operator<<(std::ostream& os, const ZKField& field) {
  field.print(os);
  return os;
}
