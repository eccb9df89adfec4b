#ifndef ZKCP_VRML_VRMLNODEFIELD_H
#define ZKCP_VRML_VRMLNODEFIELD_H

#include <Inventor/fields/SoSFNode.h>
#include <Inventor/nodes/SoNode.h>

// Type tests the VRML writers make before casting a node to its writer's type.

// The node held by the field when it is a T (or of a type derived from T),
// otherwise null.
template <class T>
const T* vrmlNodeOf(const SoSFNode& field) {
  const SoNode* node = field.getValue();
  if (node == nullptr || !node->isOfType(T::getClassTypeId())) return nullptr;
  return static_cast<const T*>(node);
}

// True when the node's type is exactly T; a type derived from T is not.
template <class T>
bool vrmlIsExactly(const SoNode& node) {
  return node.getTypeId() == T::getClassTypeId();
}

#endif
