#ifndef ZKCP_TESTS_TESTSCENE_H
#define ZKCP_TESTS_TESTSCENE_H

// Helpers of the part, component and world suites: holding references, data
// files, and scene graphs and values written as one line of text, so that a
// test compares a whole tree or transform in one expectation.

#include <zkcp/component/ZKComponent.h>
#include <zkcp/part/ZKPart.h>
#include <zkcp/world/ZKComponentDB.h>

#include <Inventor/SbBox.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <iostream>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace zkcp_test {

// Holds one reference on a node for the scope.
template <class T>
class Ref {
 public:
  explicit Ref(T* node) : node_(node) { node_->ref(); }
  ~Ref() { node_->unref(); }
  Ref(const Ref&) = delete;
  T* operator->() const { return node_; }
  operator T*() const { return node_; }

 private:
  T* node_;
};

// The root of a data file (an empty separator when it cannot be read), with
// one reference taken for the caller.
inline SoSeparator* readData(const std::string& file) {
  SoInput in;
  SoSeparator* root = nullptr;
  const std::string path = std::string(ZKCP_TEST_DATA_DIR) + "/" + file;
  if (in.openFile(path.c_str())) root = SoDB::readAll(&in);
  if (!root) ADD_FAILURE() << "cannot read " << file;
  root = root ? root : new SoSeparator;
  root->ref();
  return root;
}

// The first node of a scene in Inventor text (or any text with its own
// header line), without references, as if just made with new.
template <class T = SoNode>
T* fromText(const std::string& text) {
  const std::string source = text[0] == '#' ? text : "#Inventor V2.1 ascii\n" + text;
  SoInput in;
  in.setBuffer(source.data(), source.size());
  SoNode* node = nullptr;
  if (!SoDB::read(&in, node) || !node) throw std::runtime_error("unreadable: " + text);
  return static_cast<T*>(node);
}

inline SoSeparator* separatorOf(std::initializer_list<SoNode*> children, const char* name = "") {
  SoSeparator* separator = new SoSeparator;
  separator->setName(name);
  for (SoNode* child : children) separator->addChild(child);
  return separator;
}

inline std::string nameOf(const SoNode* node) { return node->getName().getString(); }

inline SoGroup* contentsOf(ZKPart* part) {
  return static_cast<SoGroup*>(part->getPart("contents", FALSE));
}

// A graph in one line: a part is @Name{children of its contents} (with
// :Type#name after the name when its contents are not a plain unnamed
// separator), a group Type#name(children), any other node Type#name.
inline std::string shape(SoNode* node) {
  const auto label = [](SoNode* n) {
    std::string type = n->getTypeId().getName().getString();
    return n->getName().getLength() ? type + "#" + nameOf(n) : type;
  };
  const auto children = [](SoGroup* group) {
    std::string out;
    for (int i = 0; i < group->getNumChildren(); ++i) {
      out += (i ? " " : "") + shape(group->getChild(i));
    }
    return out;
  };
  if (node->isOfType(ZKPart::getClassTypeId())) {
    SoGroup* contents = contentsOf(static_cast<ZKPart*>(node));
    if (!contents) return "@" + nameOf(node);
    std::string kind = label(contents) == "Separator" ? "" : ":" + label(contents);
    return "@" + nameOf(node) + kind + "{" + children(contents) + "}";
  }
  if (!node->isOfType(SoGroup::getClassTypeId())) return label(node);
  return label(node) + "(" + children(static_cast<SoGroup*>(node)) + ")";
}

// Numbers rounded to 1e-4 and written plainly.
inline std::string numbers(const float* v, int n) {
  std::ostringstream out;
  for (int i = 0; i < n; ++i) out << (i ? " " : "") << std::round(v[i] * 1e4f) / 1e4f + 0.0f;
  return out.str();
}
inline std::string vec(const SbVec3f& v) { return numbers(v.getValue(), 3); }
inline std::string box(const SbBox3f& b) { return vec(b.getMin()) + " / " + vec(b.getMax()); }
inline std::string rot(const SbRotation& r) {
  SbVec3f axis;
  float angle;
  r.getValue(axis, angle);
  return vec(axis) + " " + numbers(&angle, 1);
}
// Translation, rotation, center, scale and scale orientation.
inline std::string place(SoTransform* t) {
  return vec(t->translation.getValue()) + " / " + rot(t->rotation.getValue()) + " / " +
         vec(t->center.getValue()) + " / " + vec(t->scaleFactor.getValue()) + " / " +
         rot(t->scaleOrientation.getValue());
}
// The matrix of a transform node, or the one `node` sees below `root`; rows
// separated by "|".
inline std::string matrixOf(SoNode* root, SoNode* node = nullptr) {
  SoGetMatrixAction action{SbViewportRegion()};
  SoSearchAction search;
  search.setNode(node);
  search.setSearchingAll(TRUE);
  if (node) search.apply(root);
  if (node && !search.getPath()) return "not found";
  node ? action.apply(search.getPath()) : action.apply(root);
  std::string out;
  for (int r = 0; r < 4; ++r) out += (r ? " | " : "") + numbers(action.getMatrix()[r], 4);
  return out;
}

// Everything written to `stream` while `action` runs.
inline std::string captured(std::ostream& stream, const std::function<void()>& action) {
  std::ostringstream text;
  std::streambuf* saved = stream.rdbuf(text.rdbuf());
  action();
  stream.rdbuf(saved);
  return text.str();
}

// Components "crate" and "bin", whose geometry files are in folder "a", and
// "box", in folder "b"; each a box with the texture image `url`.
inline void addTexturedInFolders(ZKComponentDB& world, const std::string& url) {
  const std::string text = "#VRML V2.0 utf8\nShape { appearance Appearance {\n"
                           "  texture ImageTexture { url \"" + url + "\" } } geometry Box {} }\n";
  for (const char* file : {"a/crate.wrl", "a/bin.wrl", "b/box.wrl"}) {
    SoInput in;
    in.setBuffer(text.data(), text.size());
    const std::string type(file + 2, std::string(file).find('.') - 2);
    auto* c = new ZKComponent(type.c_str(), type.c_str(), file, SoDB::readAll(&in), &world);
    c->ref();
    world.addComponent(c, 1, nullptr);
  }
}

}  // namespace zkcp_test

#endif
