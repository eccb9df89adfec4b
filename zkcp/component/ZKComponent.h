#ifndef ZKCP_COMPONENT_ZKCOMPONENT_H
#define ZKCP_COMPONENT_ZKCOMPONENT_H

#include <zkcp/behavior/ZKBehavior.h>
#include <zkcp/component/ZKComponentSensor.h>
#include <zkcp/foundation/RWCString.h>
#include <zkcp/foundation/RWTValOrderedVector.h>
#include <zkcp/foundation/RWTValSlist.h>
#include <zkcp/foundation/RWTValSortedVector.h>
#include <zkcp/foundation/ZKNameTable.h>
#include <zkcp/part/ZKPart.h>

#include <Inventor/SbBox.h>
#include <Inventor/SbLinear.h>

#include <iosfwd>

class SoGetMatrixAction;
class SoGroup;
class SoNode;
class SoNodeKitListPart;
class SoPath;
class SoSeparator;
class SoSwitch;
class ZKAttribute;
class ZKComponentDB;
class zkofstream;

// One object of the world: a part kit that carries the geometry of the
// object together with what the world knows about it: its logical parts and
// items, keywords, event names and sub-component names, its sensor
// description, and its world-space bounding boxes.
//
// A component has two names. Its instance name is its Inventor node name;
// the world keys its tables by it. Its component name names its type.
class ZKComponent : public ZKPart {
  typedef ZKPart inherited;

  SO_KIT_HEADER(ZKComponent);

 public:
  // A leaf part and its world-space box.
  struct PartBoxPair_t {
    ZKPart* part;
    SbBox3f box;
    // Entries are the same when they name the same part.
    bool operator==(const PartBoxPair_t& o) const { return part == o.part; }
  };

  // How the activation of one behaviour acts on another (source S, target
  // T). Rules of kinds 1 to 5 come with their reciprocal on T.
  enum Rule_t {
    no_relationship = 0,
    is_overidden,   // S cannot be activated while T is active
    is_suppressed,  // activating S while T is active holds S back until T ends
    overrides,      // activating S deactivates T
    suppresses,     // activating S deactivates and holds back T; deactivating S releases T
    toggles,        // activating S deactivates T; deactivating S reactivates T
    triggers        // activating S activates T; deactivating S deactivates T
  };

  // One entry of a behaviour's rule list: the other behaviour and the kind.
  struct RuleBehaviorPair {
    RuleBehaviorPair() : behavior(nullptr), rule(no_relationship) {}
    RuleBehaviorPair(const RWCString& name, Rule_t r) : behavior(new RWCString(name)), rule(r) {}
    // Each pair owns its own copy of the name.
    RuleBehaviorPair(const RuleBehaviorPair& other);
    RuleBehaviorPair& operator=(const RuleBehaviorPair& other);
    ~RuleBehaviorPair() { delete behavior; }
    // The names compared ignoring case.
    bool operator==(const RuleBehaviorPair& other) const;

    RWCString* behavior;
    Rule_t rule;
  };

  // The text the export writes for a rule kind; "no_relationship" outside
  // the enumeration.
  static const char* ruleName(Rule_t rule);

  // Makes a component around an already-read geometry graph. The loader is
  // chosen by ".iv" or ".wrl" in geometryFile; the component takes no
  // reference on itself (the application refs it once for its world).
  ZKComponent(const RWCString& name = "ZKNamelessComponent", const char* componentName = 0,
              const RWCString& geometryFile = "ZKNoFile", SoGroup* geometry = 0,
              ZKComponentDB* world = 0, const char* sourceDatabase = 0, int partFlagA = 0,
              int partFlagB = 0);
  // A geometry graph the constructor below reads and does not take.
  struct SharedGeometry {
    const SoGroup* graph;
  };
  // Makes the component the constructor above makes from
  // `geometry.graph->copy()`, leaving the graph unchanged and the caller's,
  // so that one graph read from a file serves many components. A VRML graph
  // is not copied whole: the grouping nodes the part tree replaces are read
  // where they are, and only the nodes the tree keeps are copied.
  ZKComponent(const RWCString& name, const char* componentName, const RWCString& geometryFile,
              SharedGeometry geometry, ZKComponentDB* world = 0, const char* sourceDatabase = 0,
              int partFlagA = 0, int partFlagB = 0);
  // Copies every member; part and node pointers are copied as pointers,
  // without references.
  ZKComponent(const ZKComponent& other);
  ZKComponent& operator=(const ZKComponent& other);

  // Registers ZKPart and ZKComponent with the Inventor type system.
  static void initClass();
  static unsigned hash(const RWCString& name);

  // Identity and simple members.
  const char* getComponentName() const;
  void setComponentName(const char* name);
  const char* getVersion() const;
  void setVersion(const char* version);
  const char* getSourceDatabase() const;
  int isFromDatabase() const;
  RWCString getGeometryFile();
  void setGeometryFile(const RWCString& file);
  RWCString getParentModel();
  void setParentModel(const RWCString& model);
  RWCString getParentContainer();
  ZKComponentDB* getWorld() const;
  const ZKComponentSensor& getComponentSensor() const;
  void setComponentSensor(const ZKComponentSensor& sensor);
  bool hasTextures() const;
  void setHasTextures(bool has);
  bool texturesChecked() const;
  void setTexturesChecked(bool checked);
  const SoSwitch* getSwitchNode() const;
  void objectIsDirty();
  void partsAreDirty();

  // Transform operations on the "transform" part; null arguments are
  // ignored. Only setPosition marks the boxes dirty.
  virtual void incrementPosition(SbVec3f* d);
  virtual void rotate(SbRotation* r);
  virtual void scale(SbVec3f* s);
  virtual void setCenter(SbVec3f* c);
  virtual void setPosition(SbVec3f* p);
  virtual void setScaleOrientation(SbRotation* r);
  SbVec3f getPosition();
  using ZKPart::rotate;
  using ZKPart::scale;
  using ZKPart::setCenter;
  using ZKPart::setScaleOrientation;

  // The component box and the leaf-part boxes in world coordinates,
  // recomputed first when marked dirty.
  const SbBox3f& getBoundingBox();
  const RWTValOrderedVector<PartBoxPair_t>& getPartBoundingBoxes();
  virtual void hideBoundingBoxes();
  virtual void showObjectBoundingBox();
  virtual void showPartBoundingBoxes();
  // The points of the component and of its logical parts, in world space.
  const RWTValOrderedVector<SbVec3f>& getPoints(SoGetMatrixAction* action);
  using ZKPart::getPoints;

  // The outcome of a component's last collision test. Only `collided` and
  // the three pointers are cleared by a test that finds nothing; the boxes
  // keep the values of the last hit.
  struct CollisionRecord_t {
    int collided = 0;
    SbBox3f componentBox;
    ZKPart* part = nullptr;  // null for a hit between whole components
    SbBox3f partBox;
    ZKComponent* otherComponent = nullptr;
    SbBox3f otherComponentBox;
    ZKPart* otherPart = nullptr;  // null for a hit between whole components
    SbBox3f otherPartBox;
  };

  // Collision tests on world-space boxes, brought up to date first where
  // marked dirty; boxes that touch overlap. Each test records its outcome in
  // this component. A null `other` is ignored: 0, record unchanged.
  // 1 when the boxes of the two components overlap, else 0.
  int checkForComponentCollisions(ZKComponent* other);
  // 1 when the components overlap and a leaf part of this one overlaps a
  // leaf part of `other`; the first pair in part-box order is recorded.
  int checkForPartCollisions(ZKComponent* other);
  const CollisionRecord_t* getCollisionInfo() const;

 private:
  CollisionRecord_t collisionInfo;

 public:
  // Logical parts.
  void addPart(const RWCString& name, ZKPart* part, ZKPart* parent);
  ZKPart* getLogicalPart(const RWCString& name);
  const RWCString* getLogicalPartName(ZKPart* part);
  void getLogicalPartNames(RWTValSortedVector<RWCString>& out);
  int isValidPart(const RWCString& name);
  int getNumParts() const;
  int getNewPartName(RWCString& out);
  void removePart(ZKPart* part);
  void removePart(const RWCString& name);
  int replacePart(ZKPart* oldPart, ZKPart* newPart);
  int replacePart(const RWCString& name, ZKPart* newPart);
  void setLogicalPartName(ZKPart* part, const RWCString& newName);
  void setLogicalPartName(const RWCString& oldName, const RWCString& newName);

  // Items: parts or components held by the component, one reference each.
  void addItem(ZKPart* item);
  void removeItem(ZKPart* item);
  ZKPart* getItem(const RWCString& name);
  int isValidItem(ZKPart* item);
  int getNumItems() const;
  void setItemVisibility(ZKPart* item, int visible);

  // Attributes, owned by the component. The table name is separate from
  // the attribute's own name; adding makes the component the owner.
  void addAttribute(const RWCString& name, ZKAttribute* attr);
  ZKAttribute* getAttribute(const RWCString& name);
  int isValidAttribute(const RWCString& name);
  int getNumAttributes() const;
  const RWCString* getAttributeName(ZKAttribute* attr);
  // Takes the attribute out of the table; the caller owns it again.
  void removeAttribute(ZKAttribute* attr);
  void removeAttribute(const RWCString& name);
  void setAttributeName(ZKAttribute* attr, const RWCString& newName);
  void setAttributeName(const RWCString& oldName, const RWCString& newName);
  void getAttributeNames(RWTValSortedVector<RWCString>& out);
  // The value texts (SoField::get) of the attributes in table order,
  // written over the first entries of `out`, which serves as a buffer.
  void getAttributeValues(RWTValSortedVector<RWCString>& out);
  // Sets the attributes in table order from the texts (SoField::set).
  void setAttributeValues(RWTValSortedVector<RWCString>& in);

  // Keywords, event names and sub-component names.
  void addKeyword(const RWCString& keyword);
  void removeKeyword(const RWCString& keyword);
  void getKeywords(RWTValSortedVector<RWCString>& out);
  int getNumKeywords() const;
  void addEventIn(const RWCString& name);
  void addEventOut(const RWCString& name);
  void getEventInNames(RWTValSortedVector<RWCString>& out);
  void getEventOutNames(RWTValSortedVector<RWCString>& out);
  void addComponent(const RWCString& name);
  void getSubComponentNames(RWTValSortedVector<RWCString>& out);

  // Adds the parts of a description file: "part <name> external" sections
  // whose "contents" line names an Inventor file and whose other lines set
  // node-kit parts of the new part. "action" sections are skipped up to the
  // next "part". 0 when the component's child list cannot be made; 1
  // otherwise, also for a file that cannot be opened.
  int loadDescriptionFile(const RWCString& path);

  // Behaviours by name. A name is active from its activation to its
  // deactivation; update() runs every active behaviour once.
  void addBehavior(const RWCString& name, ZKBehavior behavior);
  ZKBehavior getBehavior(const RWCString& name);
  RWCString getBehaviorName(ZKBehavior behavior);
  int isValidBehavior(const RWCString& name);
  int getNumBehaviors() const;
  void removeBehavior(ZKBehavior behavior);
  void removeBehavior(const RWCString& name);
  void setBehaviorName(ZKBehavior behavior, const RWCString& newName);
  void setBehaviorName(const RWCString& oldName, const RWCString& newName);
  void getBehaviorNames(RWTValSortedVector<RWCString>& out);
  void getActiveBehaviorNames(RWTValSortedVector<RWCString>& out);
  void setActivatedAtStartup(const RWCString& name, int on);
  int isActivatedAtStartup(const RWCString& name) const;
  void getBehaviorsActivatedAtStartup(RWTValSortedVector<RWCString>& out);
  // Activation applies the behaviour's rules through the world first, so a
  // derived world sees every activation and deactivation they cause. A
  // behaviour whose activation is already under way is not activated again
  // from within it: rule cycles end there.
  void activateBehavior(const RWCString& name, int startup);
  void deactivateBehavior(const RWCString& name, int startup);
  // Runs the action function (also of an inactive behaviour) and marks the
  // boxes dirty.
  void executeBehavior(const RWCString& name);
  void addRule(const RWCString& source, const RWCString& target, Rule_t rule);
  void removeRule(const RWCString& source, const RWCString& target, Rule_t rule);
  // The rules of `source`, or null.
  const RWTValSlist<RuleBehaviorPair>* getRules(const RWCString& source) const;
  // The rule list of the native prototype: one "ZKRule" node per rule, in
  // the rule table's order.
  void writeRules(zkofstream& os) const;
  // Runs every active behaviour once, in name order.
  virtual void update();

  SbBool affectsState() const override;

 protected:
  ~ZKComponent() override;
  void processNewSubPart(ZKPart* part) override;

 private:
  struct NameHash {
    unsigned operator()(const RWCString& name) const { return ZKComponent::hash(name); }
  };
  typedef ZKNameTable<ZKPart*, RWCString, NameHash> PartTable;
  typedef ZKNameTable<ZKAttribute*, RWCString, NameHash> AttributeTable;
  typedef ZKNameTable<ZKBehavior, RWCString, NameHash> BehaviorTable;
  typedef ZKNameTable<RWTValSlist<RuleBehaviorPair>, RWCString, NameHash> RuleTable;

  static void insertOnce(RWTValSortedVector<RWCString>& set, const RWCString& name);
  // First path from `root` to `node`, looking into node kits and under every
  // child; null when there is none. The caller owns one reference on it.
  static SoPath* findPath(SoNode* root, SoNode* node);
  // The group directly holding `part` below `contents`, or null.
  static SoGroup* holderIn(SoNode* contents, ZKPart* part);

  void addPartToList(const RWCString& name, ZKPart* part);
  int readToken(std::ifstream& in, RWCString& token);
  int readDescriptionKeyword(std::ifstream& in, RWCString& keyword);
  int isADescriptionKeyword(RWCString& word);
  int readPartType(std::ifstream& in, RWCString& type);
  int readPartParameter(std::ifstream& in, RWCString& keyword);
  int readPart(std::ifstream& in, SoNodeKitListPart* childList, RWCString& nextKeyword);
  ZKPart* readPartContents(const RWCString& file, const RWCString& partName, ZKPart* parent,
                           SoNodeKitListPart* childList);
  int loadInventorGeometry(SoSeparator* geometry);
  int loadVRMLGeometry(SoGroup* geometry);
  int loadSharedVRMLGeometry(const SoGroup& geometry);
  void boxLogicalParts();
  SoSeparator* loadBboxGeometry();
  void updateComponentBoundingBox();
  void updatePartBoundingBoxes();
  SoTransform* transformPart();
  SoGroup* sceneRootOfWorld() const;
  void retainCopiedNodes();
  // Gives this component its own copies of the other's attributes.
  void copyAttributes(const ZKComponent& other);
  void deleteAttributes();
  void releaseHeldNodes();
  // The part directly above `part` in this component's scene, or null.
  ZKPart* parentPartOf(ZKPart* part);

  SoSeparator* boxTemplate;
  SoSeparator* boxDisplayRoot;
  SoNode* objectBoxNode;
  int objectBoxShown;
  SoSeparator* partBoxesNode;
  int partBoxesShown;
  RWTValSortedVector<RWCString> activeBehaviorNames;
  RWTValSortedVector<RWCString> activatingBehaviorNames;
  AttributeTable attributes;
  BehaviorTable behaviors;
  SbBox3f componentBox;
  int objectDirty;
  RWCString componentName;
  RWTValSortedVector<RWCString> deactivatedBehaviorNames;
  RWTValSortedVector<RWCString> subComponentNames;
  ZKComponentSensor componentSensor;
  RWTValSortedVector<RWCString> eventInNames;
  RWTValSortedVector<RWCString> eventOutNames;
  RWCString geometryFile;
  bool hasTextures_;
  PartTable items;
  RWTValSortedVector<RWCString> keywords;
  RWCString parentContainer;
  RWCString parentModel;
  RWTValOrderedVector<PartBoxPair_t> partBoxes;
  int partsDirty;
  PartTable logicalParts;
  RuleTable rules;
  RWTValSortedVector<RWCString> startupBehaviorNames;
  RWTValSortedVector<RWCString> suppressedBehaviorNames;
  RWTValOrderedVector<SbVec3f> points;
  RWCString sourceDatabase;
  SoSwitch* switchNode;
  bool texturesChecked_;
  RWCString version;
  ZKComponentDB* world;
};

#endif
