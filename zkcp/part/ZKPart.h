#ifndef ZKCP_PART_ZKPART_H
#define ZKCP_PART_ZKPART_H

#include <zkcp/foundation/RWCString.h>
#include <zkcp/foundation/RWTValOrderedVector.h>
#include <zkcp/foundation/ZKNameTable.h>

#include <Inventor/SbLinear.h>
#include <Inventor/nodekits/SoWrapperKit.h>

class SoGroup;
class SoNotList;
class SoNode;
class SoPath;
class SoSeparator;
class SoSeparatorKit;
class SoTransform;
class ZKComponent;
class ZKSharedGraph;

// A movable piece of geometry: a wrapper kit whose "contents" part holds the
// geometry and whose "transform" part places it. Made from a scene graph, a
// part turns named separators and VRML transforms in it into nested
// sub-parts, so a loaded model becomes a tree of parts that can be moved,
// rotated and scaled one by one.
class ZKPart : public SoWrapperKit {
  typedef SoWrapperKit inherited;

  SO_KIT_HEADER(ZKPart);

 public:
  // Makes a part around `group` (an SoSeparator or a VRML grouping node);
  // the part takes over the group's node name. Unless skipPartTree is set,
  // the sub-parts in the group are found first. `owner` names unnamed parts
  // when a flag makes them; partFlagA makes every VRML Transform a part,
  // partFlagB every VRML Group. A VRML grouping node is replaced by a new
  // separator holding its children, and the caller hands one reference on
  // it over with the call. Any other group writes an error line and leaves
  // the part without contents. Throws the const char* "Could not create
  // transform node for part." when no transform part can be made.
  ZKPart(SoGroup* group = 0, int skipPartTree = 0, ZKComponent* owner = 0, int partFlagA = 0,
         int partFlagB = 0);
  // A copy takes the flags, owner, points and tag, gets a "transform" part
  // of its own with the same values (none when the source has none), and
  // shares the source's "contents" node (one more reference on it). The
  // node name and the "childList" part are not copied.
  ZKPart(const ZKPart& other);
  ZKPart& operator=(const ZKPart& other);

  static void initClass();

  SoTransform* getTransform();
  void setTransform(SoTransform* t);
  void move(const SbVec3f& d);
  void rotate(const SbRotation& r);
  void scale(const SbVec3f& s);
  void setCenter(const SbVec3f& c);
  void setScaleOrientation(const SbRotation& r);

  void addPoint(const SbVec3f& p);
  // Throws RWIndexError when i is not a point index; nothing is removed then.
  void removePoint(int i);
  void removePoint(const SbVec3f& p);
  int getNumPoints() const;
  const RWTValOrderedVector<SbVec3f>& getPoints() const;

  RWCString buildTag();
  RWCString getTag();
  void setTag(const RWCString& tag);

  static void addPartToCompleteList(const RWCString& name, ZKPart* part);
  static ZKPart* getPartFromCompleteList(const RWCString& name);
  static unsigned hash(const RWCString& name);

  ZKPart* findParent(SoNode* root) const;
  static ZKPart* findPartFromPath(SoPath* path);

  void updatePartTree(SoNode* node);
  void updatePartTreeChildren(SoNode* node);
  void updatePartTreeKit(SoSeparatorKit* kit);
  void removeContentsFileNode();

  virtual void touch(ZKPart* part);
  SbBool affectsState() const override;
  void notify(SoNotList* list) override;

 protected:
  ~ZKPart() override;
  SbBool setUpConnections(SbBool onoff, SbBool doitalways = FALSE) override;
  virtual void processNewSubPart(ZKPart* part);
  // Puts `node` in as the kit's own part `name`, as setPart does, without
  // first making the default node that looking the name up makes and `node`
  // then replaces.
  SbBool putPart(const char* name, SoNode* node);

 private:
  void dropSeparatorConnections();
  void quietPartFields();
  void forwardSeparatorFields();
  struct NameHash {
    unsigned operator()(const RWCString& name) const { return ZKPart::hash(name); }
  };
  typedef ZKNameTable<ZKPart*, RWCString, NameHash> PartTable;

  void installSeparator(SoSeparator* group);
  void installVRMLGroup(SoGroup* group, const ZKSharedGraph* shared);
  void copyPartsFrom(const ZKPart& other);
  void checkGroupForMultiTransforms(SoGroup* group);
  void buildChild(SoNode* parent, int index, SoNode* child);
  void makeSubPart(SoNode* parent, int index, SoGroup* child);
  // A node's name as the builder sees it, and the builder's renaming.
  SbName nameOf(const SoNode* node) const;
  void rename(SoNode* node, const SbName& name);
  SoTransform* fetchTransform();

 protected:
  // The part-tree flags; a component stores its own here after the base is
  // made, and every sub-part inherits them.
  int partFlagB;
  int partFlagA;
  ZKComponent* owner;
  RWTValOrderedVector<SbVec3f> points;
  RWCString tag;
  SoTransform* transform;
  // While a part tree is built from a graph that stays its owner's, what
  // the builder reads of that graph; null otherwise.
  ZKSharedGraph* sharedGraph_ = nullptr;

 private:
  // Made when the library is loaded and never freed: the references it
  // holds keep registered parts alive for the whole process.
  static PartTable* completePartList_;
};

#endif
