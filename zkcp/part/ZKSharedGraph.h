#ifndef ZKCP_PART_ZKSHAREDGRAPH_H
#define ZKCP_PART_ZKSHAREDGRAPH_H

#include <Inventor/SbName.h>

#include <unordered_map>
#include <vector>

class SoGroup;
class SoNode;

// What the part-tree builder needs of a read geometry graph that stays its
// owner's and unchanged, so that one graph read from a file serves many
// components. The builder replaces every grouping node it walks except
// separators and switches (by a part or a plain separator), keeping only the
// node's name, placement and children; those nodes are read where they are
// and never copied. Every other node below the root is copied, all in one
// copy pass, so that a node used twice in the source is one node, used
// twice, in the copy, as SoNode::copy gives.
class ZKSharedGraph {
 public:
  // Copies what the builder keeps of `source`; the root itself is read only.
  explicit ZKSharedGraph(const SoGroup& source);
  // Drops this object's references on the copies; the part tree built from
  // them holds its own.
  ~ZKSharedGraph();
  ZKSharedGraph(const ZKSharedGraph&) = delete;
  ZKSharedGraph& operator=(const ZKSharedGraph&) = delete;

  // False when a grouping node the builder replaces is also used inside a
  // copied node (under a switch, say): the builder renames the nodes it
  // replaces, which a copy of the whole graph shows in both places, so such
  // a graph is built from a full copy instead.
  bool complete() const;
  // Whether `node` is the root or a grouping node read where it is.
  bool holds(const SoNode* node) const;
  // The children `group` (held) has for the builder: copies, and the
  // grouping nodes read where they are.
  const std::vector<SoNode*>& childrenOf(const SoNode* group) const;
  // The builder's view of a held node's name, which it changes without
  // touching the source.
  SbName nameOf(const SoNode* node) const;
  void rename(const SoNode* node, const SbName& name);

 private:
  // The node the builder sees in place of `node`, with a reference for the
  // lists here.
  SoNode* visit(SoNode* node);
  void visitChildren(const SoGroup& group);

  std::unordered_map<const SoNode*, std::vector<SoNode*>> children_;
  std::unordered_map<const SoNode*, SbName> names_;
  bool complete_ = true;
};

#endif  // ZKCP_PART_ZKSHAREDGRAPH_H
