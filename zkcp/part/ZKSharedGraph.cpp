#include <zkcp/part/ZKSharedGraph.h>

#include <Inventor/VRMLnodes/SoVRMLSwitch.h>
#include <Inventor/fields/SoFieldContainer.h>
#include <Inventor/misc/SoProtoInstance.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSwitch.h>

namespace {

// The grouping nodes ZKPart::buildChild replaces: every group but
// separators, which it keeps, and switches, under which it does not walk.
bool replaced(const SoNode* node) {
  return node->isOfType(SoGroup::getClassTypeId()) &&
         !node->isOfType(SoSeparator::getClassTypeId()) &&
         !node->isOfType(SoSwitch::getClassTypeId()) &&
         !node->isOfType(SoVRMLSwitch::getClassTypeId());
}

}  // namespace

ZKSharedGraph::ZKSharedGraph(const SoGroup& source) {
  SoFieldContainer::initCopyDict();
  visitChildren(source);
  for (const auto& held : children_) {
    if (SoFieldContainer::checkCopy(held.first)) complete_ = false;
  }
  SoFieldContainer::copyDone();
}

ZKSharedGraph::~ZKSharedGraph() {
  for (const auto& held : children_) {
    for (SoNode* child : held.second) child->unref();
  }
}

bool ZKSharedGraph::complete() const { return complete_; }

bool ZKSharedGraph::holds(const SoNode* node) const { return children_.count(node) > 0; }

const std::vector<SoNode*>& ZKSharedGraph::childrenOf(const SoNode* group) const {
  return children_.at(group);
}

SbName ZKSharedGraph::nameOf(const SoNode* node) const {
  auto named = names_.find(node);
  return named == names_.end() ? node->getName() : named->second;
}

void ZKSharedGraph::rename(const SoNode* node, const SbName& name) { names_[node] = name; }

SoNode* ZKSharedGraph::visit(SoNode* node) {
  if (replaced(node)) {
    // A prototype's instance is copied as a new instance of its prototype,
    // not node by node.
    if (SoProtoInstance::findProtoInstance(node)) complete_ = false;
    if (!holds(node)) visitChildren(*static_cast<const SoGroup*>(node));
    node->ref();
    return node;
  }
  SoNode* copy = node->addToCopyDict();
  copy->ref();
  SoFieldContainer::findCopy(node, FALSE);
  return copy;
}

void ZKSharedGraph::visitChildren(const SoGroup& group) {
  std::vector<SoNode*>& children = children_[&group];
  const int count = group.getNumChildren();
  children.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) children.push_back(visit(group.getChild(i)));
}
